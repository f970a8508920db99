#include "wmi/machine_summary.h"
#include "wmi/bstr.h"
#include "wmi/com_ref.h"
#include "wmi/host_answer.h"
#include "wmi/host_values.h"
#include "wmi/thumbnail_size.h"
#include "wmi/variant.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

namespace {
const wchar_t ManagementServiceClass[] = L"Msvm_VirtualSystemManagementService";
const wchar_t TextCallFailed[] = L"cannot ask for the machines' summaries";

// The most summaries one answer is read for: as many as a listing may hold.
constexpr uint32_t SummariesMax = ListingMax;

HRESULT MakePathArray(const std::vector<const wchar_t*>& paths, Variant& value) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(paths.size()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
    if (!array) return E_OUTOFMEMORY;
    value.SetArray(VT_BSTR, array);  // owned from here on
    HRESULT hr = 0;
    for (LONG i = 0; SUCCEEDED(hr) && i < static_cast<LONG>(paths.size()); ++i) {
        Bstr text(paths[static_cast<size_t>(i)] ? paths[static_cast<size_t>(i)] : L"");
        hr = SafeArrayPutElement(array, &i, text.Get());  // stores its own copy
    }
    return hr;
}

// Name, EnabledState, ProcessorLoad, MemoryUsage, Heartbeat, UpTime, and the thumbnail's code.
HRESULT MakeCodeArray(int32_t thumbnailCode, Variant& value) {
    if (!thumbnailCode) return MakeInt32Array({0, 100, 101, 103, 104, 105}, value);
    return MakeInt32Array({0, 100, 101, 103, 104, 105, thumbnailCode}, value);
}

// An unsigned 64-bit number as WMI carries it: a decimal string (a smaller number in an integer
// is taken too). False for anything else, or digits that do not fit.
bool ReadUnsigned64(IWbemClassObject* object, const wchar_t* name, uint64_t& number) {
    Variant value;
    if (FAILED(ReadProperty(object, name, value))) return false;
    uint32_t small = 0;
    if (AsUint32(*value.Get(), small)) {
        number = small;
        return true;
    }
    const wchar_t* text = AsText(*value.Get());
    if (!text || !*text) return false;
    uint64_t parsed = 0;
    for (; *text; ++text) {
        if (*text < L'0' || *text > L'9' || parsed > (UINT64_MAX - 9) / 10) return false;
        parsed = parsed * 10 + static_cast<uint64_t>(*text - L'0');
    }
    number = parsed;
    return true;
}

// The thumbnail when it is a byte array of exactly the requested size (or that size behind an
// octet string's length prefix).
void ReadThumbnail(IWbemClassObject* object, int32_t width, int32_t height, MachineSummary& summary) {
    summary.hasImage = false;
    if (width <= 0 || height <= 0) return;
    Variant value;
    ArrayView view;
    if (FAILED(ReadProperty(object, L"ThumbnailImage", value)) || !CheckArray(*value.Get(), VT_UI1, UINT32_MAX, view))
        return;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(view.array, &data))) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const ImagePayload payload = bytes ? ImagePayloadOf(bytes, view.count, width, height) : ImagePayload{};
    // Shorter than the picture is no picture either.
    if (payload.usable && payload.length == static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 2) {
        summary.pixels.assign(bytes + payload.offset, bytes + payload.offset + payload.length);
        summary.hasImage = true;
    }
    SafeArrayUnaccessData(view.array);
}

// One element of the answer; false when it carries no identifier to match it by.
bool ReadSummary(IWbemClassObject* object, int32_t width, int32_t height, MachineSummary& summary) {
    Variant name;
    const wchar_t* id = SUCCEEDED(ReadProperty(object, L"Name", name)) ? AsText(*name.Get()) : nullptr;
    if (!id || !*id) return false;
    summary.name.Assign(id);
    uint16_t number = 0;
    summary.hasState = SUCCEEDED(ReadUint16(object, L"EnabledState", number));
    summary.enabledState = summary.hasState ? number : 0;
    summary.hasLoad = SUCCEEDED(ReadUint16(object, L"ProcessorLoad", number)) && number <= 100;
    summary.processorLoad = summary.hasLoad ? number : 0;
    summary.hasMemory = ReadUnsigned64(object, L"MemoryUsage", summary.memoryMb);
    summary.hasHeartbeat = SUCCEEDED(ReadUint16(object, L"Heartbeat", number));
    summary.heartbeat = summary.hasHeartbeat ? number : 0;
    summary.hasUptime = ReadUnsigned64(object, L"UpTime", summary.uptimeMs);
    ReadThumbnail(object, width, height, summary);
    return true;
}
}  // namespace

HRESULT RequestMachineSummaries(IWbemServices* services, ClassCache& classes, const wchar_t* servicePath,
                                const std::vector<const wchar_t*>& settingsPaths, int32_t thumbnailWidth,
                                int32_t thumbnailHeight, SummaryAnswer& answer, WideString& errorText) {
    answer.returnValue = 0;
    answer.summaries.clear();
    const int32_t thumbnailCode = SummaryRequestFor(thumbnailWidth, thumbnailHeight);
    if (!thumbnailCode) thumbnailWidth = thumbnailHeight = 0;
    Variant settings, requested;
    HRESULT hr = MakePathArray(settingsPaths, settings);
    if (SUCCEEDED(hr)) hr = MakeCodeArray(thumbnailCode, requested);
    MethodCall call(services, classes);
    if (SUCCEEDED(hr)) hr = call.Prepare(ManagementServiceClass, L"GetSummaryInformation");
    // Without SettingData a host reports on every machine: a call whose paths could not be put
    // is not sent.
    if (SUCCEEDED(hr) && call.Prepared()) hr = call.Put(L"SettingData", settings);
    if (SUCCEEDED(hr) && call.Prepared()) hr = call.Put(L"RequestedInformation", requested);
    if (SUCCEEDED(hr) && call.Prepared()) hr = call.Execute(servicePath);
    if (FAILED(hr) || !call.Prepared() || !call.HasResult()) {
        errorText.Assign(TextCallFailed);
        return FAILED(hr) ? hr : WbemFailed;
    }
    if (!ReadReturnCode(call.OutParams(), answer.returnValue)) return SummaryMalformed;
    // A refusal or a job carries no summaries; the caller decides what that means.
    if (answer.returnValue != 0) return 0;
    Variant list;
    ArrayView view;
    if (FAILED(call.Read(L"SummaryInformation", list))) return SummaryMalformed;
    // NULL: nothing the host could report on, which is no fault; anything but objects is.
    if (V_VT(list.Get()) == VT_NULL) return 0;
    if (!CheckArray(*list.Get(), VT_UNKNOWN, SummariesMax, view)) return SummaryMalformed;
    for (const ComRef<IWbemClassObject>& object : EmbeddedObjects(*list.Get(), SummariesMax)) {
        MachineSummary summary;
        if (ReadSummary(object.Get(), thumbnailWidth, thumbnailHeight, summary))
            answer.summaries.push_back(std::move(summary));
    }
    return 0;
}
