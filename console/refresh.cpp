#include "console/main_wnd.h"

// Placeholder until the refresh and painting work lands: ticks and paints do nothing yet.
LRESULT MainWnd::OnTimer(WPARAM) { return 0; }

LRESULT MainWnd::OnPaint() {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
}

void MainWnd::UpdateCursor() {}
