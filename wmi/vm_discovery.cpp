#include "wmi/host_values.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

HRESULT VmConn::FindManagementService(WideString& errorText) {
    errorText.Clear();
    if (!services) return NoConnection(errorText);
    HRESULT status = 0;
    managementService.Reset(QueryFirst(L"Select * from Msvm_VirtualSystemManagementService", errorText, &status));
    return managementService.object ? 0 : status == HostSilent ? status : WbemNotFound;
}

void VmConn::CloseMachine() {
    machine.Reset(nullptr);
    machineName.Clear();
    settingData.Reset(nullptr);
    videoHead.Reset(nullptr);
    keyboard.Reset(nullptr);
    syntheticMouse.Reset(nullptr);
    ps2Mouse.Reset(nullptr);
    shutdownComponent.Reset(nullptr);
    image.byteCount = 0;  // the buffer stays for the next machine's pictures
    summaryRequest = 0;
}

HRESULT VmConn::OpenMachine(const wchar_t* elementName, WideString& errorText) {
    return OpenMachineWhere(L"ElementName", elementName, errorText);
}

HRESULT VmConn::OpenMachineById(const wchar_t* name, WideString& errorText) {
    return OpenMachineWhere(L"Name", name, errorText);
}

HRESULT VmConn::OpenMachineWhere(const wchar_t* property, const wchar_t* value, WideString& errorText) {
    errorText.Clear();
    if (!services) return NoConnection(errorText);

    WideString query(L"Select * from Msvm_ComputerSystem Where ");
    query.Append(property);
    query.Append(L" = '");
    AppendWqlLiteral(query, value);
    query.Append(L"'");
    HRESULT status = 0;
    ComRef<IWbemClassObject> found = QueryFirst(query.c_str(), errorText, &status);
    // The host answers for the machine asked about, or it is not taken: one of another name
    // would receive the input meant for this one.
    if (found && !PropertyIs(found.Get(), property, value)) found.Reset();
    // Whatever belonged to the machine opened before is none of this one's, whether it opens
    // or not: no call may go to its settings or devices.
    CloseMachine();
    machine.Reset(std::move(found));
    if (!machine.object) return status == HostSilent ? status : WbemNotFound;

    ReadProperty(machine.object.Get(), L"Name", machineName);
    if (!machineName.Text()) machineName.Clear();  // no text, no identifier: nothing below matches it

    // The live settings, not a checkpoint's: the first version marks them with SettingType 3,
    // the second (whose settings class has neither SystemName nor SettingType) by their type.
    if (providerVersion == ProviderVersion::First) {
        query.Assign(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '");
        AppendWqlLiteral(query, machineName.Text());
        query.Append(L"' and SettingType = '3'");
    } else {
        query.Assign(L"Select * from Msvm_VirtualSystemSettingData where VirtualSystemIdentifier = '");
        AppendWqlLiteral(query, machineName.Text());
        query.Append(L"' and VirtualSystemType = 'Microsoft:Hyper-V:System:Realized'");
    }
    // A machine without settings still counts as opened; settingData then stays empty, which
    // the console reads as no machine being open.
    found = QueryFirst(query.c_str(), errorText);
    const wchar_t* owner = providerVersion == ProviderVersion::First ? L"SystemName" : L"VirtualSystemIdentifier";
    if (found && !PropertyIs(found.Get(), owner, machineName.Text())) found.Reset();
    settingData.Reset(std::move(found));
    return 0;
}
