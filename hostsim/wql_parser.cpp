#include "hostsim/wql_parser.h"

#include "hostsim/text_util.h"

#include <cwctype>

namespace hostsim {
namespace {

struct Token {
    enum class Type { End, Name, String, Number, Star, Equals, Path, Bad } type = Type::End;
    std::wstring text;
};

class Lexer {
public:
    explicit Lexer(const std::wstring& text) : s_(text) {}

    Token Next() {
        while (pos_ < s_.size() && std::iswspace(s_[pos_])) ++pos_;
        if (pos_ >= s_.size()) return {Token::Type::End, {}};
        wchar_t c = s_[pos_];
        if (std::iswalpha(c) || c == L'_') {
            size_t start = pos_;
            while (pos_ < s_.size() && (std::iswalnum(s_[pos_]) || s_[pos_] == L'_')) ++pos_;
            return {Token::Type::Name, s_.substr(start, pos_ - start)};
        }
        if (std::iswdigit(c) || (c == L'-' && pos_ + 1 < s_.size() && std::iswdigit(s_[pos_ + 1]))) {
            size_t start = pos_++;
            while (pos_ < s_.size() && std::iswdigit(s_[pos_])) ++pos_;
            return {Token::Type::Number, s_.substr(start, pos_ - start)};
        }
        ++pos_;
        switch (c) {
        case L'*': return {Token::Type::Star, L"*"};
        case L'=': return {Token::Type::Equals, L"="};
        case L'\'':
        case L'"': return Literal(c);
        case L'{': return Braced();
        default: return {Token::Type::Bad, std::wstring(1, c)};
        }
    }

private:
    // A string literal: a backslash takes the next character as it is.
    Token Literal(wchar_t quote) {
        std::wstring value;
        while (pos_ < s_.size()) {
            wchar_t c = s_[pos_++];
            if (c == L'\\') {
                if (pos_ >= s_.size()) break;
                value += s_[pos_++];
            } else if (c == quote) {
                return {Token::Type::String, value};
            } else {
                value += c;
            }
        }
        return {Token::Type::Bad, {}};
    }

    // An object path in braces; braces inside its quoted key values do not end it.
    Token Braced() {
        size_t start = pos_;
        bool quoted = false;
        while (pos_ < s_.size()) {
            wchar_t c = s_[pos_];
            if (quoted && c == L'\\') {
                pos_ += 2;
                continue;
            }
            if (c == L'"') quoted = !quoted;
            if (c == L'}' && !quoted) {
                std::wstring path = s_.substr(start, pos_ - start);
                ++pos_;
                return {Token::Type::Path, path};
            }
            ++pos_;
        }
        return {Token::Type::Bad, {}};
    }

    const std::wstring& s_;
    size_t pos_ = 0;
};

bool IsKeyword(const Token& t, const wchar_t* word) { return t.type == Token::Type::Name && IEquals(t.text, word); }

std::optional<WqlQuery> ParseSelect(Lexer& lex) {
    WqlQuery q;
    q.kind = WqlQuery::Kind::Select;
    if (lex.Next().type != Token::Type::Star) return std::nullopt;
    if (!IsKeyword(lex.Next(), L"from")) return std::nullopt;
    Token cls = lex.Next();
    if (cls.type != Token::Type::Name) return std::nullopt;
    q.className = cls.text;
    Token t = lex.Next();
    if (t.type == Token::Type::End) return q;
    if (!IsKeyword(t, L"where")) return std::nullopt;
    do {
        Token prop = lex.Next();
        if (prop.type != Token::Type::Name || IsKeyword(prop, L"and") || IsKeyword(prop, L"where"))
            return std::nullopt;
        if (lex.Next().type != Token::Type::Equals) return std::nullopt;
        Token value = lex.Next();
        if (value.type != Token::Type::String && value.type != Token::Type::Number) return std::nullopt;
        q.where.push_back({prop.text, value.text, value.type == Token::Type::String});
        t = lex.Next();
    } while (IsKeyword(t, L"and"));
    if (t.type != Token::Type::End) return std::nullopt;
    return q;
}

std::optional<WqlQuery> ParseAssociators(Lexer& lex) {
    WqlQuery q;
    q.kind = WqlQuery::Kind::Associators;
    if (!IsKeyword(lex.Next(), L"of")) return std::nullopt;
    Token path = lex.Next();
    if (path.type != Token::Type::Path || path.text.empty()) return std::nullopt;
    q.anchorPath = path.text;
    Token t = lex.Next();
    if (t.type == Token::Type::End) return q;
    if (!IsKeyword(t, L"where")) return std::nullopt;
    if (!IsKeyword(lex.Next(), L"resultclass")) return std::nullopt;
    if (lex.Next().type != Token::Type::Equals) return std::nullopt;
    Token cls = lex.Next();
    if (cls.type != Token::Type::Name) return std::nullopt;
    q.resultClass = cls.text;
    if (lex.Next().type != Token::Type::End) return std::nullopt;
    return q;
}

}  // namespace

std::optional<WqlQuery> ParseWql(const std::wstring& text) {
    Lexer lex(text);
    Token first = lex.Next();
    if (IsKeyword(first, L"select")) return ParseSelect(lex);
    if (IsKeyword(first, L"associators")) return ParseAssociators(lex);
    return std::nullopt;
}

}  // namespace hostsim
