#pragma once
#include "shell/protected_password.h"
#include "shell/wide_string.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>

// Credentials of one connection. `identity` points into the record's own strings, so a record is
// never copied: it is filled in place. The password is kept encrypted (a reconnection needs it
// again); `identity` carries none at rest, and each call that hands the logon to COM
// (ConnectServer, a proxy's blanket) gets a plain copy for that call only (`Revealed`). COM keeps
// what it needs of the identity when the blanket is set, as the vendor's samples rely on when they
// wipe the password right after it.
class WmiCredentials {
public:
    WmiCredentials() = default;
    WmiCredentials(const WmiCredentials&) = delete;
    WmiCredentials& operator=(const WmiCredentials&) = delete;

    void SetCredentials(const wchar_t* user, const wchar_t* password);
    // The same logon as `other` (its password passes through a plain copy that is wiped at once).
    void CopyFrom(const WmiCredentials& other);
    // Wipes the kept password; the user name stays.
    void ForgetPassword() { password.Wipe(); }
    // ConnectServer on `locator` with the user name as typed and the password (both null when
    // useCredentials is 0).
    HRESULT ConnectNamespace(const wchar_t* namespacePath, IWbemLocator* locator,
                             IWbemServices** services) const;

    // The identity with its password in plain text, for one call; wiped when it goes.
    class Revealed {
    public:
        explicit Revealed(const WmiCredentials& credentials);
        ~Revealed() { password_.Wipe(); }
        Revealed(const Revealed&) = delete;
        Revealed& operator=(const Revealed&) = delete;
        // Null when the record carries no credentials (the process's own logon).
        COAUTHIDENTITY* Identity() { return use_ ? &identity_ : nullptr; }

    private:
        COAUTHIDENTITY identity_;
        WideString password_;
        bool use_;
    };

    COAUTHIDENTITY identity{};  // user and domain; the password only in a `Revealed` copy
    WideString userBuffer;   // typed user name, split in place at its first backslash
    WideString userName;     // typed user name, whole
    ProtectedPassword password;
    int32_t useCredentials = 0;
};
