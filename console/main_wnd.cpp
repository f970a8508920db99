#include "console/main_wnd.h"
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
        return 0;
    case WM_DESTROY:
        KillTimer(window, timerId);
        timerId = 0;
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_ABOUT:
            ShowAboutBox(AppInstance(), window);
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}
