// WMI text building: the WQL string literal, the namespace path and the user-name split.
//
// Input: form byte, two bytes giving how much text already stands in the query (so that the
// literal lands on either side of the string's first growth), then the value.

#include "shell/wide_string.h"
#include "wmi/provider_namespace.h"
#include "wmi/wql_text.h"

#include "fuzz_input.h"

#include <string>

namespace {

// Reads a literal's inside the way WQL does. False when an apostrophe would end the literal
// early or a backslash escapes nothing.
bool ReadLiteral(const wchar_t* text, size_t length, std::wstring& value) {
    value.clear();
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\'') return false;
        if (text[i] == L'\\') {
            if (++i == length) return false;
            if (text[i] != L'\\' && text[i] != L'\'') return false;
        }
        value.push_back(text[i]);
    }
    return true;
}

void CheckLiteral(const std::wstring& value, size_t prefixLength) {
    const std::wstring prefix(prefixLength, L'S');
    WideString query(prefix.c_str());
    AppendWqlLiteral(query, value.c_str());

    FUZZ_CHECK(query.Length() >= prefixLength);
    FUZZ_CHECK(query.c_str()[query.Length()] == L'\0');
    FUZZ_CHECK(prefix.compare(0, prefixLength, query.c_str(), prefixLength) == 0);
    std::wstring read;
    FUZZ_CHECK(ReadLiteral(query.c_str() + prefixLength, query.Length() - prefixLength, read));
    FUZZ_CHECK(read == value);

    // Appending nothing leaves the query as it was.
    const size_t before = query.Length();
    AppendWqlLiteral(query, nullptr);
    FUZZ_CHECK(query.Length() == before);
}

void CheckNamespacePath(const std::wstring& server) {
    WideString path(L"stale text from an earlier use");
    for (ProviderVersion version : {ProviderVersion::First, ProviderVersion::Second}) {
        BuildNamespacePath(server.c_str(), version, path);
        const std::wstring built(path.c_str(), path.Length());
        const std::wstring nameSpace =
            version == ProviderVersion::First ? L"root\\virtualization" : L"root\\virtualization\\v2";
        if (server.empty() || server == L".")
            FUZZ_CHECK(built == nameSpace);
        else
            FUZZ_CHECK(built == L"\\\\" + server + L"\\" + nameSpace);
    }
}

// `typed` may hold NULs: the split goes by the length, as it does over the credential buffer.
void CheckUserName(const std::wstring& typed) {
    const UserNameParts parts = SplitUserName(typed.data(), typed.size());
    const size_t slash = typed.find(L'\\');
    if (slash == std::wstring::npos) {
        FUZZ_CHECK(!parts.hasDomain && parts.userOffset == 0 && parts.userLength == typed.size());
        return;
    }
    FUZZ_CHECK(parts.hasDomain);
    FUZZ_CHECK(parts.domainOffset == 0 && parts.domainLength == slash);
    FUZZ_CHECK(parts.userOffset == slash + 1 && parts.userOffset + parts.userLength == typed.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const TextForm form = input.Form();
    // Up to twice the string's first capacity, so both sides of its first growth are reached.
    const size_t prefixLength = input.Uint16() % (2 * WideString::InitialCapacity + 1);
    const std::wstring raw = input.Rest(form);
    const std::wstring value = UpToNul(raw);

    CheckLiteral(value, prefixLength);
    CheckNamespacePath(value);
    CheckUserName(raw);
    if (raw.empty()) FUZZ_CHECK(SplitUserName(nullptr, 0).userLength == 0);
    return 0;
}
