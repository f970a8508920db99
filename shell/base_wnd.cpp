#include "shell/base_wnd.h"

BaseWnd::~BaseWnd() {
    if (hwnd) {
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
}

LRESULT CALLBACK BaseWnd::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        auto* created = static_cast<BaseWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<BaseWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);

    LRESULT result = self->HandleMessage(hwnd, msg, wParam, lParam);
    if (msg == WM_DESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return result;
}
