#include "console/main_wnd.h"
#include "console/window_dpi.h"
#include "dialogs/about_dlg.h"
#include "resources/resource.h"
#include "shell/app.h"

bool MainWnd::Create(const wchar_t* windowTitle, int nCmdShow) {
    title.Assign(windowTitle);
    HWND created = CreateWindowExW(0, AppClassName().c_str(), title.c_str(), WS_OVERLAPPEDWINDOW,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   nullptr, nullptr, AppInstance(), this);
    if (!created) return false;
    ShowWindow(hwnd, nCmdShow);
    UpdateWindow(hwnd);
    return true;
}

LRESULT MainWnd::HandleMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        timerId = SetTimer(window, 1, static_cast<UINT>(setting.interval), nullptr);
        dpi = WindowDpi(window);
        return 0;
    case WM_DESTROY:
        if (overview.hwnd && IsWindow(overview.hwnd)) DestroyWindow(overview.hwnd);
        if (menuBar) DestroyMenu(menuBar);  // off the window in full screen: not destroyed with it
        menuBar = nullptr;
        StopTyping();
        KillTimer(window, timerId);
        timerId = 0;
        PostQuitMessage(0);
        return 0;

    case WM_TIMER:
        if (OnTypingTimer(wParam)) return 0;
        return OnTimer(wParam);
    case WM_PAINT:
        return OnPaint();

    case WM_MOUSEMOVE:
        return OnMouseMove(lParam);
    case WM_LBUTTONDOWN:
        return OnMouseButton(1, true);
    case WM_LBUTTONUP:
        return OnMouseButton(1, false);
    case WM_RBUTTONDOWN:
        return OnMouseButton(2, true);
    case WM_RBUTTONUP:
        return OnMouseButton(2, false);
    case WM_MBUTTONDOWN:
        return OnMouseButton(3, true);
    case WM_MBUTTONUP:
        return OnMouseButton(3, false);
    case WM_MOUSELEAVE:
        return OnMouseLeave();

    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return OnKey(msg, wParam, lParam);
    case WM_INITMENUPOPUP:
        OnInitConsoleMenu(reinterpret_cast<HMENU>(wParam));
        OnActionPopup(reinterpret_cast<HMENU>(wParam));
        return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
    case WM_DPICHANGED:
        return OnDpiChanged(wParam, lParam);
    case WM_DISPLAYCHANGE:  // the monitor's resolution changed: full screen covers it anew
        CoverMonitor();
        return 0;
    case WM_SYSCHAR:  // in full screen Alt+letter is the guest's, not a menu's
        if (fullScreen) return 0;
        break;
    case WM_APP + 1:  // the command line's request, once the window shows (startup.cpp)
        OnStartup();
        return 0;

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_ABOUT:
            ShowAboutBox(AppInstance(), window);
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        case IDM_CONNECT:
            OnConnect();
            return 0;
        case IDM_SETTINGS:
            OnSettings();
            return 0;
        case IDM_DISCONNECT:
            OnDisconnect();
            return 0;
        case IDM_REFRESH_FULL_SIZE:
            OnRefreshFullSize();
            return 0;
        case IDM_COPY_SCREEN:
            OnCopyScreen();
            return 0;
        case IDM_SAVE_SCREEN:
            OnSaveScreen();
            return 0;
        case IDM_FULL_SCREEN:
            ToggleFullScreen();
            return 0;
        case IDM_OVERVIEW:
            overview.Open();
            return 0;
        default:
            if (OnKeyboardCommand(LOWORD(wParam)) || OnActionCommand(LOWORD(wParam))) return 0;
            break;
        }
        break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}
