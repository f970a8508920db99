#pragma once
#include "shell/wide_string.h"

#include <cstddef>

// Text building for WMI: no platform headers, so it can be fuzzed natively.

// Appends `value` as the inside of a WQL string literal: a backslash goes before every
// backslash and apostrophe, so the value can never end the literal early.
void AppendWqlLiteral(WideString& query, const wchar_t* value);

// Where the domain and user parts of a typed user name lie: split at the first backslash.
// Without a backslash there is no domain part (hasDomain false) and the user is the whole text.
struct UserNameParts {
    bool hasDomain = false;
    size_t domainOffset = 0, domainLength = 0;
    size_t userOffset = 0, userLength = 0;
};
UserNameParts SplitUserName(const wchar_t* typed, size_t length);
