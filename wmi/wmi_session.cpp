#include "wmi/wmi_session.h"
#include "wmi/bstr.h"
#include "wmi/host_answer.h"

const wchar_t TextLocatorFailed[] = L"Failed to create IWbemLocator object.";
const wchar_t TextConnectFailed[] = L"cannot conect for server";
const wchar_t TextBlanketFailed[] = L"cannot set authenticate proxy object";
const wchar_t TextQueryFailed[] = L"Query for operating system name failed.";
const wchar_t TextHostSilent[] = L"the host did not answer";

HRESULT ApplyConnectionBlanket(IUnknown* proxy, const WmiCredentials& credentials) {
    // The plain password exists for this call only.
    WmiCredentials::Revealed revealed(credentials);
    return CoSetProxyBlanket(proxy, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                             RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE, revealed.Identity(),
                             EOAC_NONE);
}

HRESULT CreateLocator(ComRef<IWbemLocator>& locator, WideString& errorText) {
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  reinterpret_cast<void**>(locator.Put()));
    if (FAILED(hr) || !locator) {
        locator.Reset();
        errorText.Assign(TextLocatorFailed);
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    return 0;
}

HRESULT ConnectNamespaceSecured(IWbemLocator* locator, const wchar_t* namespacePath,
                                const WmiCredentials& credentials, ComRef<IWbemServices>& services,
                                WideString& errorText) {
    services.Reset();
    HRESULT hr = credentials.ConnectNamespace(namespacePath, locator, services.Put());
    if (FAILED(hr) || !services) {
        services.Reset();
        errorText.Assign(TextConnectFailed);
        return FAILED(hr) ? hr : WbemFailed;
    }
    hr = ApplyConnectionBlanket(services.Get(), credentials);
    if (FAILED(hr)) {
        errorText.Assign(TextBlanketFailed);
        return hr;
    }
    return 0;
}

HRESULT ConnectSecured(const wchar_t* namespacePath, const WmiCredentials& credentials,
                       ComRef<IWbemServices>& services, WideString& errorText) {
    ComRef<IWbemLocator> locator;
    HRESULT hr = CreateLocator(locator, errorText);
    if (FAILED(hr)) return hr;
    return ConnectNamespaceSecured(locator.Get(), namespacePath, credentials, services, errorText);
}

HRESULT OpenQuery(IWbemServices* services, const WmiCredentials& credentials, const wchar_t* query,
                  ComRef<IEnumWbemClassObject>& enumerator, WideString& errorText) {
    Bstr language(L"WQL");
    Bstr text(query);
    HRESULT hr = services->ExecQuery(language.Get(), text.Get(),
                                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     enumerator.Put());
    if (FAILED(hr) || !enumerator) {
        enumerator.Reset();
        errorText.Assign(TextQueryFailed);
        return FAILED(hr) ? hr : WbemFailed;
    }
    hr = ApplyConnectionBlanket(enumerator.Get(), credentials);
    if (FAILED(hr)) {
        enumerator.Reset();
        errorText.Assign(TextBlanketFailed);
        return hr;
    }
    return 0;
}

HRESULT NextObjects(IEnumWbemClassObject* enumerator, ULONG count,
                    std::vector<ComRef<IWbemClassObject>>& objects, WideString& errorText) {
    std::vector<IWbemClassObject*> received(count, nullptr);
    ULONG returned = 0;
    const HRESULT hr = enumerator->Next(NextWaitMs, count, received.data(), &returned);
    // Every slot the enumerator filled gets its one owner, whatever count it claims.
    for (ULONG i = 0; i < count; ++i) {
        if (!received[i]) continue;
        if (i < returned)
            objects.emplace_back(received[i]);
        else
            received[i]->Release();
    }
    if (hr == WBEM_S_TIMEDOUT) {
        errorText.Assign(TextHostSilent);
        return HostSilent;
    }
    return hr;
}

ComRef<IWbemClassObject> QueryFirst(IWbemServices* services, const WmiCredentials& credentials,
                                    const wchar_t* query, WideString& errorText, HRESULT* status) {
    ComRef<IEnumWbemClassObject> enumerator;
    HRESULT hr = OpenQuery(services, credentials, query, enumerator, errorText);
    if (FAILED(hr)) {
        if (status) *status = hr;
        return {};
    }
    std::vector<ComRef<IWbemClassObject>> objects;
    hr = NextObjects(enumerator.Get(), 1, objects, errorText);
    if (status) *status = hr == HostSilent ? hr : 0;
    // Only the count decides otherwise: a failing Next says nothing the count does not.
    return objects.empty() ? ComRef<IWbemClassObject>() : std::move(objects.front());
}

HRESULT ReadProperty(IWbemClassObject* object, const wchar_t* name, Variant& value) {
    return object->Get(name, 0, value.Put(), nullptr, nullptr);
}

HRESULT ReadObject(IWbemServices* services, const wchar_t* path, ComRef<IWbemClassObject>& object) {
    if (!path) return WbemNotFound;
    Bstr text(path);
    HRESULT hr = services->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
    if (SUCCEEDED(hr) && !object) hr = WbemFailed;
    return hr;
}
