#include "console/main_wnd.h"
#include "console/window_dpi.h"

// Full screen: the window covers the monitor it stands on, without caption, frame or menu bar, and
// every key but Ctrl+Alt+Pause goes to the guest. Leaving gives back the style, the menu bar and
// the place and size (maximized or not) the window had.

namespace {
constexpr LONG_PTR FramedStyles = WS_OVERLAPPEDWINDOW;
}  // namespace

bool MainWnd::IsFullScreenKey(WPARAM key) {
    // With Ctrl down the Pause key arrives as VK_CANCEL (Break).
    return (key == VK_PAUSE || key == VK_CANCEL) && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) < 0;
}

void MainWnd::ToggleFullScreen() {
    if (fullScreen) LeaveFullScreen();
    else EnterFullScreen();
}

void MainWnd::EnterFullScreen() {
    if (fullScreen) return;
    restorePlace = WINDOWPLACEMENT{};
    restorePlace.length = sizeof restorePlace;
    if (!GetWindowPlacement(hwnd, &restorePlace)) return;
    restoreStyle = GetWindowLongPtrW(hwnd, GWL_STYLE);
    fullScreen = true;
    // The menu bar is kept here while it is off the window (destroyed with it, at worst, in WM_DESTROY).
    menuBar = GetMenu(hwnd);
    SetMenu(hwnd, nullptr);
    SetWindowLongPtrW(hwnd, GWL_STYLE, restoreStyle & ~FramedStyles);
    CoverMonitor();
}

void MainWnd::LeaveFullScreen() {
    if (!fullScreen) return;
    fullScreen = false;
    SetWindowLongPtrW(hwnd, GWL_STYLE, restoreStyle);
    SetMenu(hwnd, menuBar);
    menuBar = nullptr;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    SetWindowPlacement(hwnd, &restorePlace);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MainWnd::CoverMonitor() {
    if (!fullScreen) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    // The monitor's own pixels: the process is per-monitor DPI aware.
    const RECT& area = monitor.rcMonitor;
    SetWindowPos(hwnd, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    dpi = WindowDpi(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MainWnd::PaintFullScreenHint(HDC dc, const RECT& area) {
    if (!fullScreen) return;
    // Without caption or menu, this line is the only way out that the window shows: two lines
    // under the centred text, below the status line.
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT below{area.left, (area.top + area.bottom) / 2 + 3 * metrics.tmHeight, area.right, area.bottom};
    DrawTextW(dc, L"Press Ctrl+Alt+Pause to leave full screen.", -1, &below,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}
