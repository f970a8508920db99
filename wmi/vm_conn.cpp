#include "wmi/vm_conn.h"
#include "wmi/provider_connection.h"
#include "wmi/wmi_session.h"

void VmConn::SetCredentials(const wchar_t* user, const wchar_t* password) {
    credentials.SetCredentials(user, password);
}

HRESULT VmConn::Connect(const wchar_t* server, WideString& errorText) {
    errorText.Clear();
    classes.Clear();  // they belong to the connection being replaced
    return ConnectProvider(server, credentials, services, providerVersion, errorText);
}

void VmConn::DropConnection() {
    services.Reset();
    classes.Clear();
    managementService.Reset(nullptr);
    videoHead.Reset(nullptr);
    keyboard.Reset(nullptr);
    syntheticMouse.Reset(nullptr);
    ps2Mouse.Reset(nullptr);
    shutdownComponent.Reset(nullptr);
    image.byteCount = 0;
}

ComRef<IWbemClassObject> VmConn::QueryFirst(const wchar_t* query, WideString& errorText) {
    if (!services) {
        NoConnection(errorText);
        return {};
    }
    return ::QueryFirst(services.Get(), credentials, query, errorText);
}

HRESULT VmConn::ReadEnabled(IWbemClassObject* element, bool& enabled) {
    Variant state;
    const HRESULT hr = ReadProperty(element, L"EnabledState", state);
    int32_t value = 0;
    // EnabledState is a uint16: 2 enabled, 3 disabled.
    enabled = SUCCEEDED(hr) && state.ToInt32(value) && static_cast<uint16_t>(value) == 2;
    return hr;
}

HRESULT VmConn::NoConnection(WideString& errorText) {
    errorText.Assign(L"no connection to the server");
    return NotConnected;
}

ComRef<IWbemClassObject> VmConn::QueryAssociated(const WmiObjectRef& anchor,
                                                 const wchar_t* resultClause,
                                                 WideString& errorText) {
    WideString query(L"Associators of {");
    query.Append(anchor.PathText());
    query.Append(resultClause);
    return QueryFirst(query.c_str(), errorText);
}
