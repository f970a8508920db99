#include "wmi/vm_conn.h"
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

// One object by its path: a single round trip.
HRESULT ReadObject(IWbemServices* services, const wchar_t* path, ComRef<IWbemClassObject>& object) {
    if (!path) return WbemNotFound;
    Bstr text(path);
    HRESULT hr = services->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
    if (SUCCEEDED(hr) && !object) hr = WbemFailed;
    return hr;
}

// An unsigned integer property (WMI carries uint16 and uint32 in VT_I4).
HRESULT ReadNumber(IWbemClassObject* object, const wchar_t* name, uint32_t& value) {
    Variant v;
    HRESULT hr = ReadProperty(object, name, v);
    int32_t number = 0;
    if (FAILED(hr)) return hr;
    if (!v.ToInt32(number)) return WbemFailed;
    value = static_cast<uint32_t>(number);
    return 0;
}

// Element `position` (from the lower bound) of a one-dimensional array of integers
// (OperationalStatus is uint16[]); false when the array has no such element.
bool ArrayNumber(const VARIANT& value, LONG position, int32_t& number) {
    const VARTYPE element = static_cast<VARTYPE>(V_VT(&value) & VT_TYPEMASK);
    if (!(V_VT(&value) & VT_ARRAY) || !V_ARRAY(&value) || SafeArrayGetDim(V_ARRAY(&value)) != 1) return false;
    if (element != VT_I4 && element != VT_I2 && element != VT_UI2 && element != VT_UI1) return false;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(V_ARRAY(&value), 1, &lower);
    SafeArrayGetUBound(V_ARRAY(&value), 1, &upper);
    if (position < 0 || upper < lower || position > upper - lower) return false;
    LONG index = lower + position;
    Variant item;
    VARIANT* slot = item.Get();
    V_VT(slot) = element;
    V_I4(slot) = 0;  // the smaller integers share its first bytes
    return SUCCEEDED(SafeArrayGetElement(V_ARRAY(&value), &index, &V_I4(slot))) && item.ToInt32(number);
}

bool FirstArrayNumber(const VARIANT& value, int32_t& first) { return ArrayNumber(value, 0, first); }

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
    ULONG returned = 0;
    hr = enumerator->Next(WBEM_INFINITE, 1, found.Put(), &returned);
    if (FAILED(hr) || returned == 0) found.Reset();
    return FAILED(hr) ? hr : 0;
}

// The outcome of a control method: the call's own failure, or its ReturnValue and Job.
HRESULT ReadOutcome(const ComRef<IWbemClassObject>& outParams, HRESULT executed, uint32_t& returnValue,
                    WideString& jobPath, WideString& errorText) {
    jobPath.Clear();
    if (executed != 0 || !outParams) {
        errorText.Assign(TextRequestFailed);
        return executed != 0 ? executed : WbemFailed;
    }
    Variant value, job;
    int32_t code = 0;
    HRESULT hr = ReadProperty(outParams.Get(), L"ReturnValue", value);
    if (FAILED(hr) || !value.ToInt32(code)) {
        errorText.Assign(TextAnswerUnread);
        return FAILED(hr) ? hr : WbemFailed;
    }
    returnValue = static_cast<uint32_t>(code);
    if (SUCCEEDED(ReadProperty(outParams.Get(), L"Job", job)) && job.Text()) jobPath.Assign(job.Text());
    return 0;
}
}  // namespace

HRESULT VmConn::ReadMachineState(uint32_t& enabledState, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> current;
    HRESULT hr = ReadObject(services.Get(), machine.PathText(), current);
    if (SUCCEEDED(hr)) hr = ReadNumber(current.Get(), L"EnabledState", enabledState);
    migrating = SUCCEEDED(hr) && ReportsMigrating(current.Get());
    if (FAILED(hr)) errorText.Assign(TextStateUnread);
    return hr;
}

HRESULT VmConn::OpenedMachineState(uint32_t& enabledState, WideString& errorText) {
    if (!machine.object) {
        errorText.Assign(TextNoMachine);
        return WbemNotFound;
    }
    HRESULT hr = ReadNumber(machine.object.Get(), L"EnabledState", enabledState);
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

HRESULT VmConn::ReadJob(const wchar_t* jobPath, JobStatus& job, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> current;
    HRESULT hr = ReadObject(services.Get(), jobPath, current);
    if (SUCCEEDED(hr)) hr = ReadNumber(current.Get(), L"JobState", job.jobState);
    if (FAILED(hr)) {
        errorText.Assign(TextJobUnread);
        return hr;
    }
    uint32_t percent = 0;
    if (SUCCEEDED(ReadNumber(current.Get(), L"PercentComplete", percent)))
        job.percentComplete = percent > 100 ? 100 : static_cast<int32_t>(percent);
    job.errorCode = 0;
    ReadNumber(current.Get(), L"ErrorCode", job.errorCode);
    Variant description;
    ReadProperty(current.Get(), L"ErrorDescription", description);
    job.errorDescription.Assign(description.Text() ? description.Text() : L"");
    return 0;
}
