#include "wmi/wmi_credentials.h"
#include "wmi/bstr.h"
#include "wmi/wql_text.h"

namespace {
// The domain of a user name typed without one: this machine.
wchar_t LocalDomain[] = L".";
}

WmiCredentials::WmiCredentials() = default;

WmiCredentials::~WmiCredentials() { password.Wipe(); }

void WmiCredentials::SetCredentials(const wchar_t* user, const wchar_t* typedPassword) {
    userBuffer.Assign(user);
    userName.Assign(user);
    password.Wipe();
    password.Assign(typedPassword);

    identity = COAUTHIDENTITY{};
    UserNameParts parts = SplitUserName(userBuffer.c_str(), userBuffer.Length());
    wchar_t* text = userBuffer.Data();
    if (parts.hasDomain) {
        text[parts.userOffset - 1] = L'\0';  // the backslash ends the domain part in place
        identity.Domain = reinterpret_cast<USHORT*>(text + parts.domainOffset);
        identity.DomainLength = static_cast<ULONG>(parts.domainLength);
    } else {
        identity.Domain = reinterpret_cast<USHORT*>(LocalDomain);
        identity.DomainLength = 1;
    }
    identity.User = reinterpret_cast<USHORT*>(text + parts.userOffset);
    identity.UserLength = static_cast<ULONG>(parts.userLength);
    identity.Password = reinterpret_cast<USHORT*>(password.Data());
    identity.PasswordLength = static_cast<ULONG>(password.Length());
    identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;

    useCredentials = userName.Empty() ? 0 : 1;
}

HRESULT WmiCredentials::ConnectNamespace(const wchar_t* namespacePath, IWbemLocator* locator,
                                         IWbemServices** services) const {
    Bstr path(namespacePath);
    Bstr userText(useCredentials ? userName.c_str() : nullptr);
    Bstr passwordText(useCredentials ? password.c_str() : nullptr);
    HRESULT hr = locator->ConnectServer(path.Get(), userText.Get(), passwordText.Get(), nullptr, 0,
                                        nullptr, nullptr, services);
    passwordText.Wipe();
    return hr;
}
