#include "wmi/host_answer.h"
#include "wmi/host_values.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_session.h"
#include "wmi/wql_text.h"

#include <utility>

namespace {
// A resolution property (uint32), or 0 when it is no number or outside 1..ResolutionMax: a
// screen of 2147483647 pixels a side is no screen the console can map a pointer onto.
HRESULT ReadResolution(IWbemClassObject* head, const wchar_t* name, int32_t& value) {
    uint32_t side = 0;
    const HRESULT hr = ReadUint32(head, name, side);
    value = SUCCEEDED(hr) && ResolutionUsable(side) ? static_cast<int32_t>(side) : 0;
    return hr == WbemTypeMismatch ? 0 : hr;
}
}  // namespace

HRESULT VmConn::QueryMachineDevices(const wchar_t* className, ULONG count,
                                    std::vector<ComRef<IWbemClassObject>>& objects, WideString& errorText) {
    WideString query(L"Select * from ");
    query.Append(className);
    query.Append(L" where SystemName = '");
    AppendWqlLiteral(query, machineName.Text());
    query.Append(L"'");
    ComRef<IEnumWbemClassObject> enumerator;
    if (!services) return NoConnection(errorText);
    HRESULT hr = OpenQuery(services.Get(), credentials, query.c_str(), enumerator, errorText);
    if (FAILED(hr)) return hr;
    std::vector<ComRef<IWbemClassObject>> found;
    hr = NextObjects(enumerator.Get(), count, found, errorText);
    for (ComRef<IWbemClassObject>& object : found)
        if (OfOpenMachine(object.Get())) objects.push_back(std::move(object));
    return hr == HostSilent ? hr : 0;
}

ComRef<IWbemClassObject> VmConn::FindHeadOf(const wchar_t* controllerClass, WideString& errorText, HRESULT& status) {
    std::vector<ComRef<IWbemClassObject>> controllers;
    status = QueryMachineDevices(controllerClass, 1, controllers, errorText);
    if (controllers.empty()) return {};
    WmiObjectRef controller;
    controller.Reset(std::move(controllers.front()));
    return QueryAssociated(controller, L"} WHERE resultClass=Msvm_VideoHead", errorText, &status);
}

HRESULT VmConn::FindVideoHead(WideString& errorText) {
    if (!services) return NoConnection(errorText);
    // A generation 1 machine has both display controllers, each with its head, and uses one: the
    // emulated S3 one until the guest has loaded its video integration services. What the other
    // head reports is no size of the screen. So the head is the first met that says it is enabled;
    // when none says so, the first met.
    ComRef<IWbemClassObject> chosen, first;
    HRESULT silent = 0;  // HostSilent once a lookup went unanswered
    auto offer = [&](ComRef<IWbemClassObject> head) {
        bool enabled = false;
        if (head) ReadEnabled(head.Get(), enabled);
        if (enabled)
            chosen = std::move(head);
        else if (!first)
            first = std::move(head);
        return enabled;
    };
    auto note = [&](HRESULT status) {
        if (status == HostSilent) silent = status;
    };
    HRESULT status = 0;
    bool found = offer(FindHeadOf(L"Msvm_SyntheticDisplayController", errorText, status));
    note(status);
    if (!found) {
        found = offer(FindHeadOf(L"Msvm_S3DisplayController", errorText, status));
        note(status);
    }
    if (!found) {
        // No linked head is in use, or none is linked at all: the heads also carry the machine's
        // identifier, and all of them (a machine has two) come in one round trip.
        constexpr ULONG HeadsAtMost = 8;
        std::vector<ComRef<IWbemClassObject>> heads;
        note(QueryMachineDevices(L"Msvm_VideoHead", HeadsAtMost, heads, errorText));
        for (ComRef<IWbemClassObject>& head : heads)
            if (offer(std::move(head))) break;
    }
    videoHead.Reset(chosen ? std::move(chosen) : std::move(first));
    if (!videoHead.object) {
        guestWidth = 640;
        guestHeight = 480;
        // A host that did not answer is an error; no head at all is not: image requests then
        // assume a VGA-sized guest screen.
        if (silent) errorText.Assign(TextHostSilent);
        return silent;
    }
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
    ReadResolution(videoHead.object.Get(), L"CurrentHorizontalResolution", guestWidth);
    return ReadResolution(videoHead.object.Get(), L"CurrentVerticalResolution", guestHeight);
}
