#include "wmi/machine_list.h"
#include "wmi/provider_connection.h"
#include "wmi/wmi_session.h"

#include <cwchar>

HRESULT ListMachines(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                     std::vector<MachineEntry>& entries, WideString& errorText) {
    errorText.Clear();
    // Declared before the proxies: they point at its identity until they are released.
    WmiCredentials credentials;
    credentials.SetCredentials(user, password);

    ComRef<IWbemServices> services;
    ProviderVersion version = ProviderVersion::First;
    HRESULT hr = ConnectProvider(server, credentials, services, version, errorText);
    if (FAILED(hr)) return hr;
    ComRef<IEnumWbemClassObject> enumerator;
    hr = OpenQuery(services.Get(), credentials, L"Select * from Msvm_ComputerSystem", enumerator,
                   errorText);
    if (FAILED(hr)) return hr;

    // Many objects per round trip: a host with hundreds of machines lists in a few calls.
    constexpr ULONG BatchSize = 64;
    std::vector<ComRef<IWbemClassObject>> batch;
    do {
        batch.clear();
        NextObjects(enumerator.Get(), BatchSize, batch);
        for (const ComRef<IWbemClassObject>& object : batch) {
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
    } while (batch.size() == BatchSize);
    return 0;
}
