#include "wmi/provider_namespace.h"

#include <cwchar>

namespace {
bool IsLocal(const wchar_t* server) {
    return !server || server[0] == L'\0' || std::wcscmp(server, L".") == 0;
}

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
}  // namespace

bool SameServer(const wchar_t* a, const wchar_t* b) {
    if (IsLocal(a) || IsLocal(b)) return IsLocal(a) && IsLocal(b);
    for (; *a && *b; ++a, ++b)
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    return *a == *b;
}

void BuildNamespacePath(const wchar_t* server, ProviderVersion version, WideString& path) {
    path.Clear();
    if (!IsLocal(server)) {
        path.Append(L"\\\\");
        path.Append(server);
        path.Append(L"\\");
    }
    path.Append(L"root\\virtualization");
    if (version == ProviderVersion::Second) path.Append(L"\\v2");
}

bool ServerNamespaces::Find(const wchar_t* server, ProviderVersion& version) const {
    for (const Entry& entry : entries_) {
        if (SameServer(entry.server.c_str(), server)) {
            version = entry.version;
            return true;
        }
    }
    return false;
}

void ServerNamespaces::Remember(const wchar_t* server, ProviderVersion version) {
    for (Entry& entry : entries_) {
        if (SameServer(entry.server.c_str(), server)) {
            entry.version = version;
            return;
        }
    }
    entries_.push_back(Entry{WideString(IsLocal(server) ? L"" : server), version});
}

void ServerNamespaces::Forget() { entries_.clear(); }

ServerNamespaces& KnownNamespaces() {
    static ServerNamespaces memory;
    return memory;
}
