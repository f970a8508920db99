#include "wmi/host_answer.h"
#include "wmi/host_values.h"
#include "wmi/thumbnail_size.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

namespace {
const wchar_t ManagementServiceClass[] = L"Msvm_VirtualSystemManagementService";
const wchar_t TextCallFailed[] = L"err";
constexpr int32_t SummaryName = 0;  // GetSummaryInformation's request code of Name

// Whether a method answered "job started" (4096): what it returns then comes with the job, not in
// this reply. The image is taken as it comes or not at all: nothing waits for the job.
bool StartedAJob(IWbemClassObject* outParams) {
    uint32_t code = 0;
    return ReadReturnCode(outParams, code) && code == MethodJobStarted;
}

// The Msvm_SummaryInformation of GetSummaryInformation's out-parameters whose Name is `machine`,
// or null. The order of the answer is not documented, and an answer about another machine is
// not this one's picture.
ComRef<IWbemClassObject> SummaryOf(IWbemClassObject* outParams, const wchar_t* machine) {
    Variant summaries;
    if (outParams) ReadProperty(outParams, L"SummaryInformation", summaries);
    for (ComRef<IWbemClassObject>& summary : EmbeddedObjects(*summaries.Get(), ListingMax))
        if (PropertyIs(summary.Get(), L"Name", machine)) return std::move(summary);
    return {};
}
}  // namespace

HRESULT VmConn::GetThumbnail(WideString& errorText, float scale, int32_t width, int32_t height) {
    summaryRequest = SummaryRequestFor(width, height);
    return LoadThumbnail(image, errorText, scale, width, height);
}

HRESULT VmConn::CaptureScreen(GuestImage& capture, WideString& errorText) {
    // Width and height 0: the guest's own resolution, by the method route.
    return LoadThumbnail(capture, errorText, 1.0f, 0, 0);
}

HRESULT VmConn::LoadThumbnail(GuestImage& into, WideString& errorText, float scale, int32_t width, int32_t height) {
    if (!services) return lastFetchResult = NoConnection(errorText);

    Variant imageData;
    ImageSize size{width, height};
    if (const int32_t requestCode = SummaryRequestFor(width, height)) {
        // A preset size: the picture is that size whatever the scale and the guest's screen.
        ComRef<IWbemClassObject> outParams = RequestSummary(errorText, requestCode);
        if (outParams && StartedAJob(outParams.Get())) return 0;  // no new picture this time
        ComRef<IWbemClassObject> summary = SummaryOf(outParams.Get(), machineName.Text());
        if (summary) ReadProperty(summary.Get(), L"ThumbnailImage", imageData);
    } else {
        size = ThumbnailRequestSize(width, height, scale, guestWidth, guestHeight);
        Variant widthPixels, heightPixels;
        widthPixels.SetInt32(size.width);
        heightPixels.SetInt32(size.height);
        ComRef<IWbemClassObject> outParams;
        HRESULT hr = CallMethod(services.Get(), classes, managementService.PathText(), ManagementServiceClass,
                                L"GetVirtualSystemThumbnailImage",
                                {{L"TargetSystem", settingData.path},
                                 {L"WidthPixels", widthPixels},
                                 {L"HeightPixels", heightPixels}},
                                outParams);
        lastFetchResult = hr;
        if (hr != 0 || !outParams) {
            // The last picture stays.
            errorText.Assign(TextCallFailed);
            return hr;
        }
        if (StartedAJob(outParams.Get())) return 0;  // no new picture this time
        // Otherwise success is judged by the type of the data alone, not by "ReturnValue".
        ReadProperty(outParams.Get(), L"ImageData", imageData);
    }
    into.Load(*imageData.Get(), size.width, size.height);
    return 0;
}

ComRef<IWbemClassObject> VmConn::GetSummaryThumbnail(WideString& errorText, int32_t requestCode) {
    return SummaryOf(RequestSummary(errorText, requestCode).Get(), machineName.Text());
}

ComRef<IWbemClassObject> VmConn::RequestSummary(WideString& errorText, int32_t requestCode) {
    if (!services) {
        lastFetchResult = NoConnection(errorText);
        return {};
    }
    Variant settings, requested;
    HRESULT hr = MakeTextArray(settingData.PathText(), settings);
    // With the machine's Name (0), by which its summary is told from another's.
    if (SUCCEEDED(hr)) hr = MakeInt32Array({SummaryName, requestCode}, requested);
    MethodCall call(services.Get(), classes);
    if (SUCCEEDED(hr)) hr = call.Prepare(ManagementServiceClass, L"GetSummaryInformation");
    // Without SettingData a host reports on every machine, and the first would be taken for this
    // one: a call whose SettingData could not be put is not sent.
    if (SUCCEEDED(hr) && call.Prepared()) hr = call.Put(L"SettingData", settings);
    if (SUCCEEDED(hr) && call.Prepared()) {
        call.Put(L"RequestedInformation", requested);
        hr = call.Execute(managementService.PathText());  // sends nothing if that Put failed
    }
    ComRef<IWbemClassObject> outParams = call.TakeResult();
    lastFetchResult = hr;
    if (hr != 0 || !outParams) {
        errorText.Assign(TextCallFailed);
        return {};
    }
    return outParams;
}
