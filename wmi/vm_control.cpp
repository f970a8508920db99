#include "wmi/host_values.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

// The open machine's power: its state, the requests that change it, the guest's shutdown service,
// checkpoints, and the jobs the host starts for them.

namespace {
const wchar_t ComputerSystemClass[] = L"Msvm_ComputerSystem";
const wchar_t ShutdownComponentClass[] = L"Msvm_ShutdownComponent";
const wchar_t ManagementServiceClass[] = L"Msvm_VirtualSystemManagementService";
const wchar_t SnapshotServiceClass[] = L"Msvm_VirtualSystemSnapshotService";

const wchar_t TextNoMachine[] = L"no machine is open";
const wchar_t TextStateUnread[] = L"cannot read the machine's state";
const wchar_t TextRequestFailed[] = L"cannot send the request";
const wchar_t TextAnswerUnread[] = L"cannot read the host's answer";
const wchar_t TextShutdownLookup[] = L"cannot look for the guest's shutdown service";
const wchar_t TextNoSnapshotService[] = L"cannot find the snapshot service";
const wchar_t TextJobUnread[] = L"cannot read the job";

constexpr uint16_t SnapshotTypeFull = 2;

// A machine's EnabledState: a uint16, so a larger value is refused rather than cut into a valid one.
HRESULT ReadState(IWbemClassObject* machine, uint32_t& enabledState) {
    uint16_t state = 0;
    const HRESULT hr = ReadUint16(machine, L"EnabledState", state);
    if (SUCCEEDED(hr)) enabledState = state;
    return hr;
}

// Whether the second version's machine says a live migration is under way: OperationalStatus[1]
// 32774 ("Migrating Virtual Machine"). Missing or shorter: not migrating.
bool ReportsMigrating(IWbemClassObject* machine) {
    Variant status;
    int32_t operation = 0;
    return SUCCEEDED(ReadProperty(machine, L"OperationalStatus", status)) &&
           ArrayNumber(*status.Get(), 1, operation) && operation == 32774;
}

// The first object a query delivers, or none; unlike a listing's, a failed Next is an error here
// rather than the end of the objects.
HRESULT QueryOne(IWbemServices* services, const WmiCredentials& credentials, const wchar_t* query,
                 ComRef<IWbemClassObject>& found, WideString& errorText) {
    found.Reset();
    ComRef<IEnumWbemClassObject> enumerator;
    HRESULT hr = OpenQuery(services, credentials, query, enumerator, errorText);
    if (FAILED(hr)) return hr;
    std::vector<ComRef<IWbemClassObject>> objects;
    hr = NextObjects(enumerator.Get(), 1, objects, errorText);
    if (FAILED(hr)) return hr;
    if (!objects.empty()) found = std::move(objects.front());
    return 0;
}

// The outcome of a control method: the call's own failure, or its ReturnValue and Job.
HRESULT ReadOutcome(const ComRef<IWbemClassObject>& outParams, HRESULT executed, uint32_t& returnValue,
                    WideString& jobPath, WideString& errorText) {
    jobPath.Clear();
    if (executed != 0 || !outParams) {
        errorText.Assign(TextRequestFailed);
        return executed != 0 ? executed : WbemFailed;
    }
    Variant job;
    HRESULT hr = ReadUint32(outParams.Get(), L"ReturnValue", returnValue);
    if (FAILED(hr)) {
        errorText.Assign(TextAnswerUnread);
        return hr;
    }
    if (SUCCEEDED(ReadProperty(outParams.Get(), L"Job", job)) && job.Text()) jobPath.Assign(job.Text());
    return 0;
}
}  // namespace

HRESULT VmConn::ReadMachineState(uint32_t& enabledState, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> current;
    HRESULT hr = ReadObject(services.Get(), machine.PathText(), current);
    // Another machine's object is not this one's state.
    if (SUCCEEDED(hr) && !PropertyIs(current.Get(), L"Name", machineName.Text())) hr = WbemNotFound;
    if (SUCCEEDED(hr)) hr = ReadState(current.Get(), enabledState);
    migrating = SUCCEEDED(hr) && ReportsMigrating(current.Get());
    if (FAILED(hr)) errorText.Assign(TextStateUnread);
    return hr;
}

HRESULT VmConn::OpenedMachineState(uint32_t& enabledState, WideString& errorText) {
    if (!machine.object) {
        errorText.Assign(TextNoMachine);
        return WbemNotFound;
    }
    HRESULT hr = ReadState(machine.object.Get(), enabledState);
    if (FAILED(hr)) errorText.Assign(TextStateUnread);
    return hr;
}

HRESULT VmConn::RequestStateChange(int32_t requestedState, uint32_t& returnValue, WideString& jobPath,
                                   WideString& errorText) {
    if (!services) return NoConnection(errorText);
    Variant requested;
    requested.SetInt32(requestedState);
    ComRef<IWbemClassObject> outParams;
    // TimeoutPeriod stays NULL: the provider asks for no other value.
    const HRESULT hr = CallMethod(services.Get(), classes, machine.PathText(), ComputerSystemClass,
                                  L"RequestStateChange", {{L"RequestedState", requested}}, outParams);
    return ReadOutcome(outParams, hr, returnValue, jobPath, errorText);
}

HRESULT VmConn::FindShutdownComponent(bool& usable, WideString& errorText) {
    usable = false;
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> current;
    HRESULT hr = 0;
    if (shutdownComponent.object) {
        // Its status changes as the guest's services start and stop: read it again.
        hr = ReadObject(services.Get(), shutdownComponent.PathText(), current);
    } else {
        WideString query(L"Select * from Msvm_ShutdownComponent where SystemName = '");
        AppendWqlLiteral(query, machineName.Text());
        query.Append(L"'");
        hr = QueryOne(services.Get(), credentials, query.c_str(), current, errorText);
        if (current && !OfOpenMachine(current.Get())) current.Reset();  // another machine's is none of this one's
        if (current) shutdownComponent.Reset(current.Share());
    }
    if (FAILED(hr)) {
        shutdownComponent.Reset(nullptr);
        errorText.Assign(TextShutdownLookup);
        return hr;
    }
    if (!current) return 0;  // none: the guest has no shutdown service
    Variant status;
    int32_t first = 0;
    if (SUCCEEDED(ReadProperty(current.Get(), L"OperationalStatus", status)) && FirstArrayNumber(*status.Get(), first))
        usable = first == 2 || first == 3;
    return 0;
}

HRESULT VmConn::InitiateShutdown(const wchar_t* reason, uint32_t& returnValue, WideString& jobPath,
                                 WideString& errorText) {
    if (!services) return NoConnection(errorText);
    Variant force, why;
    force.SetBool(false);
    why.SetText(reason);
    ComRef<IWbemClassObject> outParams;
    const HRESULT hr = CallMethod(services.Get(), classes, shutdownComponent.PathText(), ShutdownComponentClass,
                                  L"InitiateShutdown", {{L"Force", force}, {L"Reason", why}}, outParams);
    return ReadOutcome(outParams, hr, returnValue, jobPath, errorText);
}

HRESULT VmConn::CreateCheckpoint(uint32_t& returnValue, WideString& jobPath, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> outParams;
    HRESULT hr = 0;
    if (providerVersion == ProviderVersion::First) {
        hr = CallMethod(services.Get(), classes, managementService.PathText(), ManagementServiceClass,
                        L"CreateVirtualSystemSnapshot", {{L"SourceSystem", machine.path}}, outParams);
        return ReadOutcome(outParams, hr, returnValue, jobPath, errorText);
    }
    ComRef<IWbemClassObject> found;
    hr = QueryOne(services.Get(), credentials, L"Select * from Msvm_VirtualSystemSnapshotService", found, errorText);
    if (!found) {
        errorText.Assign(TextNoSnapshotService);
        return FAILED(hr) ? hr : WbemNotFound;
    }
    WmiObjectRef snapshotService;
    snapshotService.Reset(std::move(found));
    Variant settings, type;
    settings.SetText(L"");  // the host's defaults, its default name included
    type.SetInt32(SnapshotTypeFull);
    hr = CallMethod(services.Get(), classes, snapshotService.PathText(), SnapshotServiceClass, L"CreateSnapshot",
                    {{L"AffectedSystem", machine.path}, {L"SnapshotSettings", settings}, {L"SnapshotType", type}},
                    outParams);
    return ReadOutcome(outParams, hr, returnValue, jobPath, errorText);
}

HRESULT VmConn::SendAction(MachineAction action, const wchar_t* shutdownReason, uint32_t& returnValue,
                           WideString& jobPath, WideString& errorText) {
    int32_t requestedState = 0;
    if (action == MachineAction::ShutDown) return InitiateShutdown(shutdownReason, returnValue, jobPath, errorText);
    if (action == MachineAction::Checkpoint) return CreateCheckpoint(returnValue, jobPath, errorText);
    if (RequestedStateFor(providerVersion, action, requestedState))
        return RequestStateChange(requestedState, returnValue, jobPath, errorText);
    return 0;
}

HRESULT VmConn::ReadJob(const wchar_t* jobPath, JobStatus& job, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> current;
    HRESULT hr = ReadObject(services.Get(), jobPath, current);
    uint16_t state = 0, percent = 0, code = 0;
    if (SUCCEEDED(hr)) hr = ReadUint16(current.Get(), L"JobState", state);
    if (FAILED(hr)) {
        errorText.Assign(TextJobUnread);
        return hr;
    }
    job.jobState = state;
    if (SUCCEEDED(ReadUint16(current.Get(), L"PercentComplete", percent)))
        job.percentComplete = percent > 100 ? 100 : percent;
    job.errorCode = SUCCEEDED(ReadUint16(current.Get(), L"ErrorCode", code)) ? code : 0;
    Variant description;
    ReadProperty(current.Get(), L"ErrorDescription", description);
    job.errorDescription.Assign(description.Text() ? description.Text() : L"");
    return 0;
}
