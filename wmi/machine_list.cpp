#include "wmi/machine_list.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

#include <cwchar>

HRESULT ListMachines(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                     std::vector<MachineEntry>& entries, WideString& errorText) {
    errorText.Clear();
    WideString path;
    BuildNamespacePath(server, path);
    // Declared before the proxies: they point at its identity until they are released.
    WmiCredentials credentials;
    credentials.SetCredentials(user, password);

    ComRef<IWbemServices> services;
    HRESULT hr = ConnectSecured(path.c_str(), credentials, services, errorText);
    if (FAILED(hr)) return hr;
    ComRef<IEnumWbemClassObject> enumerator;
    hr = OpenQuery(services.Get(), credentials, L"Select * from Msvm_ComputerSystem", enumerator,
                   errorText);
    if (FAILED(hr)) return hr;

    while (ComRef<IWbemClassObject> object = NextObject(enumerator.Get())) {
        Variant name, elementName;
        ReadProperty(object.Get(), L"Name", name);
        ReadProperty(object.Get(), L"ElementName", elementName);
        // Objects without string names are not machines anyone could pick.
        if (!name.Text() || !elementName.Text()) continue;
        // The host's own computer-system object has its name as both.
        if (std::wcscmp(name.Text(), elementName.Text()) == 0) continue;
        MachineEntry& entry = entries.emplace_back();
        entry.elementName.Assign(elementName.Text());
        entry.name.Assign(name.Text());
    }
    return 0;
}
