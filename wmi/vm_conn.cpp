#include "wmi/vm_conn.h"
#include "wmi/host_values.h"
#include "wmi/provider_connection.h"
#include "wmi/wmi_session.h"

void VmConn::SetCredentials(const wchar_t* user, const wchar_t* password) {
    credentials.SetCredentials(user, password);
}

HRESULT VmConn::Connect(const wchar_t* server, WideString& errorText) {
    errorText.Clear();
    classes.Clear();  // they belong to the connection being replaced
    CloseMachine();  // so do the machine and its devices, found on the old host
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

ComRef<IWbemClassObject> VmConn::QueryFirst(const wchar_t* query, WideString& errorText, HRESULT* status) {
    if (!services) {
        const HRESULT hr = NoConnection(errorText);
        if (status) *status = hr;
        return {};
    }
    return ::QueryFirst(services.Get(), credentials, query, errorText, status);
}

HRESULT VmConn::ReadEnabled(IWbemClassObject* element, bool& enabled) {
    uint16_t state = 0;
    // EnabledState is a uint16: 2 enabled, 3 disabled.
    const HRESULT hr = ReadUint16(element, L"EnabledState", state);
    enabled = SUCCEEDED(hr) && state == 2;
    return hr;
}

HRESULT VmConn::NoConnection(WideString& errorText) {
    errorText.Assign(L"no connection to the server");
    return NotConnected;
}

ComRef<IWbemClassObject> VmConn::QueryAssociated(const WmiObjectRef& anchor,
                                                 const wchar_t* resultClause,
                                                 WideString& errorText, HRESULT* status) {
    WideString query(L"Associators of {");
    query.Append(anchor.PathText());
    query.Append(resultClause);
    ComRef<IWbemClassObject> found = QueryFirst(query.c_str(), errorText, status);
    // A device of another machine is none of this one's: no call may go to it.
    if (found && !OfOpenMachine(found.Get())) found.Reset();
    return found;
}

bool VmConn::OfOpenMachine(IWbemClassObject* device) const {
    return PropertyIs(device, L"SystemName", machineName.Text());
}
