#include "wmi/thumbnail_size.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

namespace {
const wchar_t ManagementServiceClass[] = L"Msvm_VirtualSystemManagementService";
const wchar_t TextCallFailed[] = L"err";

// A resolution property, or 0 when it is not an integer.
HRESULT ReadResolution(IWbemClassObject* head, const wchar_t* name, int32_t& value) {
    Variant v;
    HRESULT hr = ReadProperty(head, name, v);
    if (!v.ToInt32(value)) value = 0;
    return hr;
}
}  // namespace

ComRef<IWbemClassObject> VmConn::QueryMachineDevice(const wchar_t* className, WideString& errorText) {
    WideString query(L"Select * from ");
    query.Append(className);
    query.Append(L" where SystemName = '");
    AppendWqlLiteral(query, machineName.Text());
    query.Append(L"'");
    return QueryFirst(query.c_str(), errorText);
}

ComRef<IWbemClassObject> VmConn::FindHeadOf(const wchar_t* controllerClass, WideString& errorText) {
    WmiObjectRef controller;
    controller.Reset(QueryMachineDevice(controllerClass, errorText));
    if (!controller.object) return {};
    return QueryAssociated(controller, L"} WHERE resultClass=Msvm_VideoHead", errorText);
}

HRESULT VmConn::FindVideoHead(WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> head = FindHeadOf(L"Msvm_SyntheticDisplayController", errorText);
    if (!head) head = FindHeadOf(L"Msvm_S3DisplayController", errorText);
    // Not every provider release is known to link a controller to its head; the head carries the
    // machine's identifier itself.
    if (!head) head = QueryMachineDevice(L"Msvm_VideoHead", errorText);
    videoHead.Reset(std::move(head));
    if (!videoHead.object) {
        // Not an error: image requests then assume a VGA-sized guest screen.
        guestWidth = 640;
        guestHeight = 480;
        return 0;
    }
    ReadResolution(videoHead.object.Get(), L"CurrentHorizontalResolution", guestWidth);
    return ReadResolution(videoHead.object.Get(), L"CurrentVerticalResolution", guestHeight);
}

HRESULT VmConn::GetThumbnail(WideString& errorText, float scale, int32_t width, int32_t height) {
    summaryRequest = SummaryRequestFor(width, height);
    return LoadThumbnail(image, errorText, scale, width, height);
}

HRESULT VmConn::CaptureScreen(GuestImage& capture, WideString& errorText) {
    // Width and height 0: the guest's own resolution, by the method route.
    return LoadThumbnail(capture, errorText, 1.0f, 0, 0);
}

HRESULT VmConn::LoadThumbnail(GuestImage& into, WideString& errorText, float scale, int32_t width, int32_t height) {
    if (!services) return NoConnection(errorText);

    Variant imageData;
    ImageSize size{width, height};
    if (const int32_t requestCode = SummaryRequestFor(width, height)) {
        // A preset size: the picture is that size whatever the scale and the guest's screen.
        ComRef<IWbemClassObject> summary = GetSummaryThumbnail(errorText, requestCode);
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
        if (hr != 0 || !outParams) {
            // The last picture stays.
            errorText.Assign(TextCallFailed);
            return hr;
        }
        // Success is judged by the type of the data alone, not by "ReturnValue".
        ReadProperty(outParams.Get(), L"ImageData", imageData);
    }
    into.Load(*imageData.Get(), size.width, size.height);
    return 0;
}

ComRef<IWbemClassObject> VmConn::GetSummaryThumbnail(WideString& errorText, int32_t requestCode) {
    if (!services) {
        NoConnection(errorText);
        return {};
    }
    Variant settings, requested;
    HRESULT hr = MakeTextArray(settingData.PathText(), settings);
    if (SUCCEEDED(hr)) hr = MakeInt32Array(requestCode, requested);
    ComRef<IWbemClassObject> outParams;
    if (SUCCEEDED(hr)) {
        hr = CallMethod(services.Get(), classes, managementService.PathText(), ManagementServiceClass,
                        L"GetSummaryInformation",
                        {{L"SettingData", settings}, {L"RequestedInformation", requested}}, outParams);
    }
    if (hr != 0 || !outParams) {
        errorText.Assign(TextCallFailed);
        return {};
    }
    Variant summaries;
    ReadProperty(outParams.Get(), L"SummaryInformation", summaries);
    return FirstEmbeddedObject(*summaries.Get());
}
