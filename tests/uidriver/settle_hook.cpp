#include "settle_hook.h"

#include <cwchar>

void SettleEventName(DWORD processId, DWORD sequence, wchar_t (&name)[64]) {
    std::swprintf(name, 64, L"Local\\uidriver-settle-%lu-%lu", static_cast<unsigned long>(processId),
                  static_cast<unsigned long>(sequence));
}

extern "C" LRESULT CALLBACK UidriverSettleHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT marker = RegisterWindowMessageW(UIDRIVER_SETTLE_MESSAGE);
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg && marker && msg->message == marker) {
        wchar_t name[64];
        SettleEventName(static_cast<DWORD>(msg->wParam), static_cast<DWORD>(msg->lParam), name);
        if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
            SetEvent(event);
            CloseHandle(event);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
