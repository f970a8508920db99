#pragma once
#include "shell/wide_string.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>

// Credentials of one connection. `identity` points into the record's own strings, so a record is
// never copied: it is filled in place and outlives every proxy that was given its identity.
class WmiCredentials {
public:
    WmiCredentials();
    WmiCredentials(const WmiCredentials&) = delete;
    WmiCredentials& operator=(const WmiCredentials&) = delete;
    ~WmiCredentials();  // wipes the password

    void SetCredentials(const wchar_t* user, const wchar_t* password);
    // ConnectServer on `locator` with the user name as typed and the password (both null when
    // useCredentials is 0).
    HRESULT ConnectNamespace(const wchar_t* namespacePath, IWbemLocator* locator,
                             IWbemServices** services) const;

    COAUTHIDENTITY identity{};
    WideString userBuffer;   // typed user name, split in place at its first backslash
    WideString userName;     // typed user name, whole
    WideString password;
    int32_t useCredentials = 0;
};
