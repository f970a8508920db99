#include "wmi/host_answer.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

namespace {
const wchar_t SyntheticMouseClass[] = L"Msvm_SyntheticMouse";
const wchar_t Ps2MouseClass[] = L"Msvm_Ps2Mouse";

// The PS/2 mouse takes at most 120 units per axis and call.
int32_t RelativeStep(int32_t remaining) {
    if (remaining > 120) return 120;
    if (remaining < -120) return -120;
    return remaining;
}
}  // namespace

HRESULT VmConn::FindMouse(WideString& errorText) {
    if (!services) return NoConnection(errorText);
    syntheticMouse.Reset(nullptr);
    ps2Mouse.Reset(nullptr);

    HRESULT result = 0;
    ComRef<IWbemClassObject> synthetic =
        QueryAssociated(machine, L"} Where ResultClass=Msvm_SyntheticMouse", errorText);
    if (synthetic) {
        // Only an enabled synthetic mouse takes positions.
        bool enabled = false;
        result = ReadEnabled(synthetic.Get(), enabled);
        if (enabled) {
            syntheticMouse.Reset(std::move(synthetic));
            return result;
        }
    }
    ps2Mouse.Reset(QueryAssociated(machine, L"} Where ResultClass=Msvm_Ps2Mouse", errorText));
    return result;
}

HRESULT VmConn::SetAbsolutePosition(int32_t x, int32_t y, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    if (!syntheticMouse.object) {
        FindMouse(errorText);
        if (!syntheticMouse.object) return 0;
    }
    MethodCall call(services.Get(), classes);
    HRESULT hr = call.Prepare(SyntheticMouseClass, L"SetAbsolutePosition");
    if (!call.Prepared()) return hr;
    call.PutInt32(L"HorizontalPosition", x);
    call.PutInt32(L"VerticalPosition", y);
    return call.Execute(syntheticMouse.PathText());
}

HRESULT VmConn::SetRelativePosition(int32_t dx, int32_t dy, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    if (!ps2Mouse.object) return 0;
    MethodCall call(services.Get(), classes);
    HRESULT result = call.Prepare(Ps2MouseClass, L"SetRelativePosition");
    if (!call.Prepared()) return result;
    // One in-parameter instance, filled again for every step; a failing step does not stop
    // the rest of the movement.
    int32_t remainingX = dx, remainingY = dy;
    for (int32_t steps = 0; (remainingX != 0 || remainingY != 0) && steps < RelativeStepsMax; ++steps) {
        int32_t stepX = RelativeStep(remainingX);
        int32_t stepY = RelativeStep(remainingY);
        call.PutInt32(L"horizontalDelta", stepX);
        call.PutInt32(L"verticalDelta", -stepY);  // the guest counts upward as positive
        result = call.Execute(ps2Mouse.PathText());
        remainingX -= stepX;
        remainingY -= stepY;
    }
    return result;
}

HRESULT VmConn::SetButtonState(int32_t buttonIndex, bool isDown, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    // Without a synthetic mouse, look again: one may have been enabled since the last look.
    if (!syntheticMouse.object) FindMouse(errorText);

    const wchar_t* deviceClass;
    const wchar_t* stateName;
    const WmiObjectRef* device;
    if (syntheticMouse.object) {
        deviceClass = SyntheticMouseClass;
        stateName = L"isDown";
        device = &syntheticMouse;
    } else if (ps2Mouse.object) {
        deviceClass = Ps2MouseClass;
        stateName = L"buttonState";
        device = &ps2Mouse;
    } else {
        return 0;
    }
    MethodCall call(services.Get(), classes);
    HRESULT hr = call.Prepare(deviceClass, L"SetButtonState");
    if (!call.Prepared()) return hr;
    call.PutInt32(L"buttonIndex", buttonIndex);
    call.PutBool(stateName, isDown);
    return call.ReturnValueStatus(call.Execute(device->PathText()));
}
