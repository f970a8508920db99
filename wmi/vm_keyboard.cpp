#include "wmi/host_values.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

namespace {
const wchar_t KeyboardClass[] = L"Msvm_Keyboard";
}

bool VmConn::FindKeyboard(WideString& errorText) {
    if (!keyboard.object) {
        keyboard.Reset(QueryAssociated(machine, L"} Where ResultClass=Msvm_Keyboard", errorText));
    }
    return static_cast<bool>(keyboard.object);
}

HRESULT VmConn::SendKey(int32_t keyCode, int32_t press, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    if (!FindKeyboard(errorText)) return 0;
    MethodCall call(services.Get(), classes);
    HRESULT hr = call.Prepare(KeyboardClass, press == 1 ? L"PressKey" : L"ReleaseKey");
    if (!call.Prepared()) return hr;
    call.PutInt32(L"keyCode", keyCode);
    return call.ReturnValueStatus(call.Execute(keyboard.PathText()));
}

HRESULT VmConn::IsKeyPressed(int32_t keyCode, int32_t& pressed, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    if (!FindKeyboard(errorText)) return 0;
    MethodCall call(services.Get(), classes);
    HRESULT hr = call.Prepare(KeyboardClass, L"IsKeyPressed");
    if (!call.Prepared()) return hr;
    call.PutInt32(L"keyCode", keyCode);
    hr = call.Execute(keyboard.PathText());
    if (hr != 0 || !call.HasResult()) return hr;  // pressed keeps the caller's value

    Variant returnValue, keyState;
    call.Read(L"ReturnValue", returnValue);
    hr = call.Read(L"keyState", keyState);
    bool down = false;
    pressed = SUCCEEDED(hr) && AsBoolean(*keyState.Get(), down) && down ? 1 : 0;
    return hr;
}

HRESULT VmConn::TypeText(const wchar_t* text, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    // Text that was not typed is never taken for typed: whoever types more after it must know.
    if (!FindKeyboard(errorText)) {
        if (errorText.Empty()) errorText.Assign(L"the machine has no keyboard");
        return WbemNotFound;
    }
    MethodCall call(services.Get(), classes);
    HRESULT hr = call.Prepare(KeyboardClass, L"TypeText");
    if (!call.Prepared()) return hr;
    call.PutText(L"asciiText", text);  // as it stands: line ends and characters unchanged
    hr = call.Execute(keyboard.PathText());
    // A text the host cannot take (too long, or a character it cannot type) types nothing at all.
    uint32_t code = 0;
    if (hr == 0 && ReadReturnCode(call.OutParams(), code) && code != MethodCompleted && code != MethodJobStarted) {
        errorText.Assign(L"the host did not type the text");
        return WbemFailed;
    }
    return hr;
}

HRESULT VmConn::TypeScancodes(uint8_t scanCode, WideString& errorText) {
    if (!services) return NoConnection(errorText);
    if (!FindKeyboard(errorText)) return 0;
    MethodCall call(services.Get(), classes);
    HRESULT hr = call.FetchClass(KeyboardClass);
    if (call.HasClass()) hr = call.FetchMethod(L"TypeScancodes");
    if (!call.Prepared()) {
        // Hosts before the provider's second release have the class but no such method.
        if (hr == WbemNotFound && call.HasClass()) {
            errorText.Assign(L"This function is require Hyper-V R2.");
        }
        return hr;
    }
    Variant scancodes;
    hr = MakeInt32Array(scanCode, scancodes);
    if (FAILED(hr)) return hr;
    call.Put(L"Scancodes", scancodes);
    return call.Execute(keyboard.PathText());
}
