#include "wmi/vm_conn.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

#include <utility>

namespace {
// A resolution property, or 0 when it is not an integer.
HRESULT ReadResolution(IWbemClassObject* head, const wchar_t* name, int32_t& value) {
    Variant v;
    HRESULT hr = ReadProperty(head, name, v);
    if (!v.ToInt32(value)) value = 0;
    return hr;
}
}  // namespace

void VmConn::QueryMachineDevices(const wchar_t* className, ULONG count,
                                 std::vector<ComRef<IWbemClassObject>>& objects, WideString& errorText) {
    WideString query(L"Select * from ");
    query.Append(className);
    query.Append(L" where SystemName = '");
    AppendWqlLiteral(query, machineName.Text());
    query.Append(L"'");
    ComRef<IEnumWbemClassObject> enumerator;
    if (!services || FAILED(OpenQuery(services.Get(), credentials, query.c_str(), enumerator, errorText))) return;
    NextObjects(enumerator.Get(), count, objects);
}

ComRef<IWbemClassObject> VmConn::FindHeadOf(const wchar_t* controllerClass, WideString& errorText) {
    std::vector<ComRef<IWbemClassObject>> controllers;
    QueryMachineDevices(controllerClass, 1, controllers, errorText);
    if (controllers.empty()) return {};
    WmiObjectRef controller;
    controller.Reset(std::move(controllers.front()));
    return QueryAssociated(controller, L"} WHERE resultClass=Msvm_VideoHead", errorText);
}

HRESULT VmConn::FindVideoHead(WideString& errorText) {
    if (!services) return NoConnection(errorText);
    // A generation 1 machine has both display controllers, each with its head, and uses one: the
    // emulated S3 one until the guest has loaded its video integration services. What the other
    // head reports is no size of the screen. So the head is the first met that says it is enabled;
    // when none says so, the first met.
    ComRef<IWbemClassObject> chosen, first;
    auto offer = [&](ComRef<IWbemClassObject> head) {
        bool enabled = false;
        if (head) ReadEnabled(head.Get(), enabled);
        if (enabled)
            chosen = std::move(head);
        else if (!first)
            first = std::move(head);
        return enabled;
    };
    if (!offer(FindHeadOf(L"Msvm_SyntheticDisplayController", errorText)) &&
        !offer(FindHeadOf(L"Msvm_S3DisplayController", errorText))) {
        // No linked head is in use, or none is linked at all: the heads also carry the machine's
        // identifier, and all of them (a machine has two) come in one round trip.
        constexpr ULONG HeadsAtMost = 8;
        std::vector<ComRef<IWbemClassObject>> heads;
        QueryMachineDevices(L"Msvm_VideoHead", HeadsAtMost, heads, errorText);
        for (ComRef<IWbemClassObject>& head : heads)
            if (offer(std::move(head))) break;
    }
    videoHead.Reset(chosen ? std::move(chosen) : std::move(first));
    return TakeHeadSize();
}

HRESULT VmConn::ReadVideoHead(WideString& errorText) {
    if (!services) return NoConnection(errorText);
    ComRef<IWbemClassObject> current;
    bool enabled = false;
    // A head that can no longer be read, or says it is no longer in use (the guest's video
    // integration services took over from the emulated display), means looking again.
    if (!videoHead.object || FAILED(ReadObject(services.Get(), videoHead.PathText(), current)) ||
        (SUCCEEDED(ReadEnabled(current.Get(), enabled)) && !enabled))
        return FindVideoHead(errorText);
    videoHead.Reset(std::move(current));
    return TakeHeadSize();
}

HRESULT VmConn::TakeHeadSize() {
    if (!videoHead.object) {
        // Not an error: image requests then assume a VGA-sized guest screen.
        guestWidth = 640;
        guestHeight = 480;
        return 0;
    }
    ReadResolution(videoHead.object.Get(), L"CurrentHorizontalResolution", guestWidth);
    return ReadResolution(videoHead.object.Get(), L"CurrentVerticalResolution", guestHeight);
}
