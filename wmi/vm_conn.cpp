#include "wmi/vm_conn.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

void VmConn::SetCredentials(const wchar_t* user, const wchar_t* password) {
    credentials.SetCredentials(user, password);
}

HRESULT VmConn::Connect(const wchar_t* server, WideString& errorText) {
    errorText.Clear();
    WideString path;
    BuildNamespacePath(server, path);
    return ConnectSecured(path.c_str(), credentials, services, errorText);
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
