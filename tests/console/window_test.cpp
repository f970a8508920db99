// The console window in this process, for what Wine cannot show from outside: a change of DPI
// (Wine never sends WM_DPICHANGED) and the Console menu's item states (Wine's menus cannot be
// read from another process). The window is the program's own MainWnd against the simulated host
// installed in this process.
#include "console/main_wnd.h"
#include "hostsim/hostsim.h"
#include "resources/resource.h"
#include "shell/app.h"
#include "uidriver.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace {

// Paints the window whole and measures the height of what differs from its background.
int DrawnHeight(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    uidriver::Pixels pixels;
    if (!uidriver::CaptureClient(window, pixels)) return -1;
    int top = pixels.height, bottom = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.At(x, y) != pixels.At(0, 0)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
    return bottom - top;
}

bool CaptureItemsGreyed(HWND window) {
    HMENU console = GetSubMenu(GetMenu(window), 0);
    SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(console), 0);
    return (GetMenuState(console, IDM_COPY_SCREEN, MF_BYCOMMAND) & MF_GRAYED) &&
           (GetMenuState(console, IDM_SAVE_SCREEN, MF_BYCOMMAND) & MF_GRAYED);
}

std::vector<LONG> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(ConsoleWindow, CaptureItemsNeedAMachineAndADpiChangeKeepsAFullSizePictureUnscaled) {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    hostsim::InProcessHost host("");  // the demo's hosts: "Build Agent" is 640 x 480
    ASSERT_EQ(host.Status(), S_OK);
    RegisterWindowClass(GetModuleHandleW(nullptr), L"VUEMERE");
    MainWnd window;
    ASSERT_TRUE(window.Create(L"vuemere", SW_SHOWNORMAL));
    KillTimer(window.hwnd, 1);

    // No machine open: the capture items are greyed; a change of DPI takes the rectangle Windows
    // suggests and draws "console image is not available." for the new DPI.
    EXPECT_TRUE(CaptureItemsGreyed(window.hwnd));
    const int textHeight = DrawnHeight(window.hwnd);
    const RECT suggested{40, 30, 940, 730};
    SendMessageW(window.hwnd, WM_DPICHANGED, MAKEWPARAM(2 * window.dpi, 2 * window.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(window.hwnd, &now);
    EXPECT_EQ(Edges(now), Edges(suggested));
    EXPECT_NEAR(DrawnHeight(window.hwnd), 2 * textHeight, textHeight / 4);

    // A machine shown at its own resolution: the items are there, and a change of DPI takes the
    // suggested place but keeps the client area's pixels, one guest pixel per screen pixel.
    WideString error;
    VmConn& conn = window.conn;
    ASSERT_TRUE(conn.Connect(L"localhost", error) == 0 && conn.FindManagementService(error) == 0 &&
                conn.OpenMachine(L"Build Agent", error) == 0 && conn.FindVideoHead(error) == 0)
        << error.c_str();
    EXPECT_FALSE(CaptureItemsGreyed(window.hwnd));
    ASSERT_TRUE(uidriver::SetClientSize(window.hwnd, 670, 510));
    window.setting.width = window.setting.height = 0;
    SendMessageW(window.hwnd, WM_TIMER, 1, 0);
    UpdateWindow(window.hwnd);
    ASSERT_EQ(Edges(window.imageRect), (std::vector<LONG>{15, 15, 655, 495}));
    const RECT halved{40, 30, 380, 300};
    SendMessageW(window.hwnd, WM_DPICHANGED, MAKEWPARAM(window.dpi / 2, window.dpi / 2), reinterpret_cast<LPARAM>(&halved));
    RECT client{};
    GetClientRect(window.hwnd, &client);
    EXPECT_EQ(Edges(client), (std::vector<LONG>{0, 0, 670, 510}));
    GetWindowRect(window.hwnd, &now);
    EXPECT_EQ((std::vector<LONG>{now.left, now.top}), (std::vector<LONG>{halved.left, halved.top}));
    RedrawWindow(window.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Edges(window.imageRect), (std::vector<LONG>{15, 15, 655, 495}));

    // Full screen keeps covering its monitor through a change of DPI, whatever Windows suggests,
    // and leaving it gives back the window's place.
    window.ToggleFullScreen();
    SendMessageW(window.hwnd, WM_DPICHANGED, MAKEWPARAM(2 * window.dpi, 2 * window.dpi), reinterpret_cast<LPARAM>(&suggested));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window.hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT before = now;
    GetWindowRect(window.hwnd, &now);
    EXPECT_EQ(Edges(now), Edges(monitor.rcMonitor));
    window.ToggleFullScreen();
    GetWindowRect(window.hwnd, &now);
    EXPECT_EQ(Edges(now), Edges(before));

    DestroyWindow(window.hwnd);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace
