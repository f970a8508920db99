#include "wmi/provider_connection.h"
#include "wmi/wmi_session.h"

namespace {
ProviderVersion Other(ProviderVersion version) {
    return version == ProviderVersion::First ? ProviderVersion::Second : ProviderVersion::First;
}
}  // namespace

HRESULT ConnectProvider(const wchar_t* server, const WmiCredentials& credentials,
                        ComRef<IWbemServices>& services, ProviderVersion& version,
                        WideString& errorText) {
    ComRef<IWbemLocator> locator;
    HRESULT hr = CreateLocator(locator, errorText);
    if (FAILED(hr)) return hr;

    ProviderVersion asked = ProviderVersion::First;
    KnownNamespaces().Find(server, asked);
    WideString path;
    BuildNamespacePath(server, asked, path);
    hr = ConnectNamespaceSecured(locator.Get(), path.c_str(), credentials, services, errorText);
    if (hr == WbemInvalidNamespace) {
        WideString firstError(errorText);
        BuildNamespacePath(server, Other(asked), path);
        HRESULT second =
            ConnectNamespaceSecured(locator.Get(), path.c_str(), credentials, services, errorText);
        if (second == WbemInvalidNamespace) {
            errorText = firstError;  // not a Hyper-V host at all
            return hr;
        }
        hr = second;
        asked = Other(asked);
    }
    // A services object means ConnectServer succeeded, even if the blanket then failed.
    if (services) {
        KnownNamespaces().Remember(server, asked);
        version = asked;
    }
    return hr;
}
