#pragma once
// The WQL the simulated provider understands:
//   SELECT * FROM Class [WHERE Prop = literal [AND Prop = literal]...]
//   ASSOCIATORS OF {object path} [WHERE ResultClass = Class]
// Keywords and names in any case; literals are 'text' or "text" with backslash escapes, or integers.
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct WqlCondition {
    std::wstring property;
    std::wstring value;      // the literal's text, escapes resolved
    bool isString = true;    // false for an unquoted integer literal
};

struct WqlQuery {
    enum class Kind { Select, Associators } kind = Kind::Select;
    std::wstring className;              // Select: the FROM class
    std::vector<WqlCondition> where;     // Select: conditions joined by AND
    std::wstring anchorPath;             // Associators: the text between the braces
    std::wstring resultClass;            // Associators: "" when not restricted
};

// Returns nothing for text outside the forms above (the caller reports WBEM_E_INVALID_QUERY).
std::optional<WqlQuery> ParseWql(const std::wstring& text);

}  // namespace hostsim
