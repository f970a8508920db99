#include "wmi/machine_summary.h"
#include "wmi/bstr.h"
#include "wmi/com_ref.h"
#include "wmi/octet_string.h"
#include "wmi/thumbnail_size.h"
#include "wmi/variant.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

#include <cstring>
#include <iterator>

namespace {
const wchar_t ManagementServiceClass[] = L"Msvm_VirtualSystemManagementService";
const wchar_t TextCallFailed[] = L"cannot ask for the machines' summaries";

// Name, EnabledState, ProcessorLoad, MemoryUsage, Heartbeat, UpTime; a thumbnail's code follows.
const int32_t FigureCodes[] = {0, 100, 101, 103, 104, 105};

// A one-dimensional, zero-based array of `count` elements of `type`, owned by `value`.
HRESULT MakeArray(VARTYPE type, ULONG count, Variant& value, SAFEARRAY*& array) {
    SAFEARRAYBOUND bound{count, 0};
    array = SafeArrayCreate(type, 1, &bound);
    if (!array) return E_OUTOFMEMORY;
    value.SetArray(type, array);
    return 0;
}

HRESULT MakePathArray(const std::vector<const wchar_t*>& paths, Variant& value) {
    SAFEARRAY* array = nullptr;
    HRESULT hr = MakeArray(VT_BSTR, static_cast<ULONG>(paths.size()), value, array);
    for (LONG i = 0; SUCCEEDED(hr) && i < static_cast<LONG>(paths.size()); ++i) {
        Bstr text(paths[static_cast<size_t>(i)] ? paths[static_cast<size_t>(i)] : L"");
        hr = SafeArrayPutElement(array, &i, text.Get());  // stores its own copy
    }
    return hr;
}

HRESULT MakeCodeArray(int32_t thumbnailCode, Variant& value) {
    const ULONG count = static_cast<ULONG>(std::size(FigureCodes)) + (thumbnailCode ? 1 : 0);
    SAFEARRAY* array = nullptr;
    HRESULT hr = MakeArray(VT_I4, count, value, array);
    for (LONG i = 0; SUCCEEDED(hr) && i < static_cast<LONG>(count); ++i) {
        LONG code = static_cast<size_t>(i) < std::size(FigureCodes) ? FigureCodes[i] : thumbnailCode;
        hr = SafeArrayPutElement(array, &i, &code);
    }
    return hr;
}

// The bounds of a one-dimensional array held directly (not by reference) in `value` whose
// elements are of `elementType` as the array itself records it.
bool ArrayOf(const VARIANT& value, VARTYPE elementType, LONG& lower, LONG& upper) {
    if (V_VT(&value) != (VT_ARRAY | elementType) || !V_ARRAY(&value)) return false;
    SAFEARRAY* array = V_ARRAY(&value);
    VARTYPE recorded = VT_EMPTY;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &recorded)) || recorded != elementType)
        return false;
    return SUCCEEDED(SafeArrayGetLBound(array, 1, &lower)) && SUCCEEDED(SafeArrayGetUBound(array, 1, &upper));
}

// An unsigned number as WMI carries it: uint8 to uint32 in integer VARIANTs, uint64 as a decimal
// string. False for anything else, a negative value or digits that do not fit.
bool ReadUnsigned(IWbemClassObject* object, const wchar_t* name, uint64_t& number) {
    Variant value;
    if (FAILED(ReadProperty(object, name, value))) return false;
    int32_t small = 0;
    if (value.ToInt32(small)) {
        // uint32 travels in VT_I4 and comes back negative above INT32_MAX.
        number = V_VT(value.Get()) == VT_I4 || V_VT(value.Get()) == VT_UI4 ? static_cast<uint32_t>(small)
                                                                           : static_cast<uint64_t>(small);
        return V_VT(value.Get()) == VT_I4 || V_VT(value.Get()) == VT_UI4 || small >= 0;
    }
    const wchar_t* text = value.Text();
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
    LONG lower = 0, upper = -1;
    if (FAILED(ReadProperty(object, L"ThumbnailImage", value)) || !ArrayOf(*value.Get(), VT_UI1, lower, upper)) return;
    const uint64_t count = upper >= lower ? static_cast<uint64_t>(upper) - static_cast<uint64_t>(lower) + 1 : 0;
    const uint32_t wanted = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 2;
    if (count != wanted && count != wanted + OctetPrefixLength) return;
    void* data = nullptr;
    SAFEARRAY* array = V_ARRAY(value.Get());
    if (FAILED(SafeArrayAccessData(array, &data)) || !data) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const uint32_t length = static_cast<uint32_t>(count);
    if (length == wanted || HasOctetPrefix(bytes, length, wanted)) {
        summary.pixels.assign(bytes + (length - wanted), bytes + length);
        summary.hasImage = true;
    }
    SafeArrayUnaccessData(array);
}

// One element of the answer; false when it carries no identifier to match it by.
bool ReadSummary(IWbemClassObject* object, int32_t width, int32_t height, MachineSummary& summary) {
    Variant name;
    if (FAILED(ReadProperty(object, L"Name", name)) || !name.Text() || !*name.Text()) return false;
    summary.name.Assign(name.Text());
    uint64_t number = 0;
    summary.hasState = ReadUnsigned(object, L"EnabledState", number) && number <= UINT16_MAX;
    summary.enabledState = summary.hasState ? static_cast<uint32_t>(number) : 0;
    summary.hasLoad = ReadUnsigned(object, L"ProcessorLoad", number) && number <= 100;
    summary.processorLoad = summary.hasLoad ? static_cast<uint32_t>(number) : 0;
    summary.hasMemory = ReadUnsigned(object, L"MemoryUsage", summary.memoryMb);
    summary.hasHeartbeat = ReadUnsigned(object, L"Heartbeat", number) && number <= UINT16_MAX;
    summary.heartbeat = summary.hasHeartbeat ? static_cast<uint32_t>(number) : 0;
    summary.hasUptime = ReadUnsigned(object, L"UpTime", summary.uptimeMs);
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
    LONG lower = 0, upper = -1;
    if (FAILED(call.Read(L"SummaryInformation", list))) return SummaryMalformed;
    if (!ArrayOf(*list.Get(), VT_UNKNOWN, lower, upper)) {
        // NULL: no summaries at all (nothing the host could report on), which is no fault.
        return V_VT(list.Get()) == VT_NULL ? 0 : SummaryMalformed;
    }
    const int64_t count = static_cast<int64_t>(upper) - lower + 1;
    for (int64_t k = 0; k < count; ++k) {
        LONG i = static_cast<LONG>(lower + k);
        ComRef<IUnknown> element;
        ComRef<IWbemClassObject> object;
        if (FAILED(SafeArrayGetElement(V_ARRAY(list.Get()), &i, element.Put())) || !element ||
            FAILED(element->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put()))) || !object)
            continue;
        MachineSummary summary;
        if (ReadSummary(object.Get(), thumbnailWidth, thumbnailHeight, summary))
            answer.summaries.push_back(std::move(summary));
    }
    return 0;
}
