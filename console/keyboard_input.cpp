#include "console/main_wnd.h"

// Placeholder until keyboard forwarding lands: keys go to default processing.
LRESULT MainWnd::OnKey(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}
LRESULT MainWnd::OnInitMenuPopup(HMENU) { return 0; }
bool MainWnd::OnKeyboardCommand(int) { return false; }
