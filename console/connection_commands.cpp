#include "console/main_wnd.h"

// Placeholder until the connection commands land.
void MainWnd::OnConnect() {}
void MainWnd::OnSettings() {}
void MainWnd::OnDisconnect() {}
void MainWnd::OnRefreshFullSize() {}
