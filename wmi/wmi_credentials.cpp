#include "wmi/wmi_credentials.h"
#include "wmi/bstr.h"
#include "wmi/wql_text.h"

namespace {
// The domain of a user name typed without one: this machine.
wchar_t LocalDomain[] = L".";
}

void WmiCredentials::SetCredentials(const wchar_t* user, const wchar_t* typedPassword) {
    userBuffer.Assign(user);
    userName.Assign(user);
    password.Set(typedPassword);

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
    identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;

    useCredentials = userName.Empty() ? 0 : 1;
}

void WmiCredentials::CopyFrom(const WmiCredentials& other) {
    WideString plain;
    other.password.Reveal(plain);
    SetCredentials(other.userName.c_str(), plain.c_str());
    plain.Wipe();
}

HRESULT WmiCredentials::ConnectNamespace(const wchar_t* namespacePath, IWbemLocator* locator,
                                         IWbemServices** services) const {
    Bstr path(namespacePath);
    Bstr userText(useCredentials ? userName.c_str() : nullptr);
    WideString plain;
    if (useCredentials) password.Reveal(plain);
    Bstr passwordText(useCredentials ? plain.c_str() : nullptr);
    plain.Wipe();
    HRESULT hr = locator->ConnectServer(path.Get(), userText.Get(), passwordText.Get(), nullptr, 0,
                                        nullptr, nullptr, services);
    passwordText.Wipe();
    return hr;
}

WmiCredentials::Revealed::Revealed(const WmiCredentials& credentials)
    : identity_(credentials.identity), use_(credentials.useCredentials != 0) {
    if (!use_) return;
    credentials.password.Reveal(password_);
    identity_.Password = reinterpret_cast<USHORT*>(password_.Data());
    identity_.PasswordLength = static_cast<ULONG>(password_.Length());
}
