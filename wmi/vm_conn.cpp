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

ComRef<IWbemClassObject> VmConn::QueryFirst(const wchar_t* query, WideString& errorText) {
    if (!services) {
        NoConnection(errorText);
        return {};
    }
    return ::QueryFirst(services.Get(), credentials, query, errorText);
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
