#include "console/main_wnd.h"

// Placeholder until mouse forwarding lands: mouse messages are consumed.
LRESULT MainWnd::OnMouseMove(LPARAM) { return 0; }
LRESULT MainWnd::OnMouseButton(int32_t, bool) { return 0; }
LRESULT MainWnd::OnMouseLeave() { return 0; }
