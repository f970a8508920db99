#include "wmi/wql_text.h"

void AppendWqlLiteral(WideString& query, const wchar_t* value) {
    if (!value) return;
    const wchar_t* run = value;
    for (const wchar_t* p = value; *p; ++p) {
        if (*p == L'\\' || *p == L'\'') {
            query.Append(run, static_cast<size_t>(p - run));
            query.Append(L"\\", 1);
            run = p;  // the special character itself starts the next run
        }
    }
    query.Append(run);
}

UserNameParts SplitUserName(const wchar_t* typed, size_t length) {
    UserNameParts parts;
    for (size_t i = 0; i < length; ++i) {
        if (typed[i] == L'\\') {
            parts.hasDomain = true;
            parts.domainOffset = 0;
            parts.domainLength = i;
            parts.userOffset = i + 1;
            parts.userLength = length - i - 1;
            return parts;
        }
    }
    parts.userLength = length;
    return parts;
}
