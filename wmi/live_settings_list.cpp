#include "wmi/live_settings_list.h"
#include "wmi/com_ref.h"
#include "wmi/host_answer.h"
#include "wmi/variant.h"
#include "wmi/wmi_session.h"


namespace {
// Hundreds of machines per round trip: a host of a thousand lists in five calls.
constexpr ULONG BatchSize = 256;

const wchar_t FirstVersionQuery[] = L"Select * from Msvm_VirtualSystemSettingData where SettingType = 3";
const wchar_t SecondVersionQuery[] =
    L"Select * from Msvm_VirtualSystemSettingData where VirtualSystemType = 'Microsoft:Hyper-V:System:Realized'";
}  // namespace

HRESULT ListLiveSettings(IWbemServices* services, const WmiCredentials& credentials, ProviderVersion version,
                         std::vector<ListedMachine>& machines, WideString& errorText) {
    machines.clear();
    ComRef<IEnumWbemClassObject> enumerator;
    HRESULT hr = OpenQuery(services, credentials,
                           version == ProviderVersion::First ? FirstVersionQuery : SecondVersionQuery, enumerator,
                           errorText);
    if (FAILED(hr)) return hr;
    // The first version names the machine in SystemName, the second in VirtualSystemIdentifier.
    const wchar_t* idProperty = version == ProviderVersion::First ? L"SystemName" : L"VirtualSystemIdentifier";
    std::vector<ComRef<IWbemClassObject>> batch;
    for (;;) {
        batch.clear();
        hr = NextObjects(enumerator.Get(), BatchSize, batch, errorText);
        if (FAILED(hr)) {
            if (hr != HostSilent) errorText.Assign(TextQueryFailed);
            machines.clear();
            return hr;
        }
        for (const ComRef<IWbemClassObject>& object : batch) {
            Variant id, elementName, path;
            ReadProperty(object.Get(), idProperty, id);
            ReadProperty(object.Get(), L"ElementName", elementName);
            ReadProperty(object.Get(), L"__PATH", path);
            // Without its identifier or path no answer can be matched to it nor asked about it.
            if (!id.Text() || !*id.Text() || !path.Text() || !*path.Text()) continue;
            ListedMachine& machine = machines.emplace_back();
            machine.name.Assign(id.Text());
            machine.elementName.Assign(elementName.Text() ? elementName.Text() : L"");
            machine.settingsPath.Assign(path.Text());
        }
        // A host that lists more than any host holds is shown cut.
        if (batch.size() < BatchSize || machines.size() >= ListingMax) return 0;
    }
}
