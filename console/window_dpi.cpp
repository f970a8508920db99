#include "console/window_dpi.h"
#include "console/main_wnd.h"

namespace {

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// Sets the client area to width x height, keeping the window's top-left corner: the frame and the
// menu bar are measured as they are now, at the window's DPI.
void SetClientSize(HWND window, int width, int height) {
    RECT frame, client;
    for (int attempt = 0; attempt < 2; ++attempt) {  // a menu bar may wrap differently at the new width
        if (!GetWindowRect(window, &frame) || !GetClientRect(window, &client)) return;
        const int dw = width - client.right, dh = height - client.bottom;
        if (dw == 0 && dh == 0) return;
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dw, frame.bottom - frame.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    // Through void*: FARPROC and the function's own type differ only in their parameters.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

DpiFontScope::DpiFontScope(HDC dc, UINT dpi) : dc_(dc) {
    const UINT systemDpi = SystemDpi();
    LOGFONTW font{};
    if (dpi == systemDpi || !GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(font), &font)) return;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
    font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(systemDpi));
    scaled_ = CreateFontIndirectW(&font);
    if (scaled_) previous_ = SelectObject(dc, scaled_);
}

DpiFontScope::~DpiFontScope() {
    if (!scaled_) return;
    SelectObject(dc_, previous_);
    DeleteObject(scaled_);
}

// The window moved to a monitor of another DPI, or its monitor's scale changed. Windows suggests
// a rectangle that keeps the window's size as the user sees it: take it. While the guest's picture
// is shown at its own resolution, one guest pixel per screen pixel, keep the client area's pixel
// size instead, so the picture stays unscaled.
LRESULT MainWnd::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    if (fullScreen) {  // the monitor's pixels, whatever the suggestion
        CoverMonitor();
        return 0;
    }
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    RECT client{};
    GetClientRect(hwnd, &client);
    const bool fullSize = ImageAvailable() && imageRect.right - imageRect.left == conn.guestWidth &&
                          imageRect.bottom - imageRect.top == conn.guestHeight;
    dpi = HIWORD(wParam);
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (fullSize) SetClientSize(hwnd, client.right, client.bottom);
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
}
