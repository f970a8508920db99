#include "wmi/machine_list.h"
#include "wmi/host_answer.h"
#include "wmi/provider_connection.h"
#include "wmi/wmi_session.h"

#include <cwchar>

HRESULT ListMachines(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                     std::vector<MachineEntry>& entries, WideString& errorText, bool* cut) {
    errorText.Clear();
    // Declared before the proxies: they point at its identity until they are released.
    WmiCredentials credentials;
    credentials.SetCredentials(user, password);

    ComRef<IWbemServices> services;
    ProviderVersion version = ProviderVersion::First;
    HRESULT hr = ConnectProvider(server, credentials, services, version, errorText);
    if (FAILED(hr)) return hr;
    const size_t first = entries.size();
    ComRef<IEnumWbemClassObject> enumerator;
    hr = OpenQuery(services.Get(), credentials, L"Select * from Msvm_ComputerSystem", enumerator,
                   errorText);
    if (FAILED(hr)) return hr;

    // Many objects per round trip: a host with hundreds of machines lists in a few calls. At most
    // ListingMax machines are read (and the host's own object): a host that sends without end
    // must not hold the dialog.
    constexpr ULONG BatchSize = 64;
    constexpr uint32_t ObjectsMax = ListingMax + 1;
    if (cut) *cut = false;
    std::vector<ComRef<IWbemClassObject>> batch;
    uint32_t read = 0;
    do {
        batch.clear();
        hr = NextObjects(enumerator.Get(), BatchSize, batch, errorText);
        if (hr == HostSilent) {
            entries.erase(entries.begin() + static_cast<ptrdiff_t>(first), entries.end());
            return hr;
        }
        read += static_cast<uint32_t>(batch.size());
        for (const ComRef<IWbemClassObject>& object : batch) {
            Variant name, elementName;
            ReadProperty(object.Get(), L"Name", name);
            ReadProperty(object.Get(), L"ElementName", elementName);
            // Objects without string names are not machines anyone could pick.
            if (!name.Text() || !elementName.Text()) continue;
            // The host's own computer-system object has its name as both.
            if (std::wcscmp(name.Text(), elementName.Text()) == 0) continue;
            if (entries.size() - first == ListingMax) {
                if (cut) *cut = true;
                return 0;
            }
            MachineEntry& entry = entries.emplace_back();
            entry.elementName.Assign(elementName.Text());
            entry.name.Assign(name.Text());
        }
    } while (batch.size() == BatchSize && read < ObjectsMax);
    if (cut && batch.size() == BatchSize) *cut = true;  // stopped with more to come
    return 0;
}
