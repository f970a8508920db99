#include "console/main_wnd.h"
#include "resources/resource.h"
#include "shell/app.h"

#include <windows.h>
#include <objbase.h>

#include <new>

// Start-up, message loop and shutdown. Failures during start-up end the process silently with
// exit code 0. The only raised error (InsufficientMemory, or a COM string that could not be
// allocated) is caught here: everything is torn down and the exit code is the wParam of the last
// message retrieved, which is 0 when none was retrieved yet.
int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int nCmdShow) {
    wchar_t title[128] = L"";
    wchar_t className[128] = L"";
    LoadStringW(hInstance, IDS_APP_TITLE, title, 128);
    LoadStringW(hInstance, IDC_VUEMERE, className, 128);
    HACCEL accelerators = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDC_VUEMERE));

    MSG msg{};
    bool comInitialized = false;
    // Constructed in place so that the catch-all below can destroy it whatever step failed.
    alignas(MainWnd) unsigned char windowStorage[sizeof(MainWnd)];
    MainWnd* window = nullptr;
    try {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 0;
        comInitialized = true;
        if (FAILED(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                        RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr))) {
            CoUninitialize();
            return 0;
        }
        RegisterWindowClass(hInstance, className);
        window = new (windowStorage) MainWnd();
        if (!window->Create(title, nCmdShow)) {
            window->~MainWnd();
            CoUninitialize();
            return 0;
        }
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            if (!TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        window->~MainWnd();
        CoUninitialize();
        return static_cast<int>(msg.wParam);
    } catch (...) {
        if (window) window->~MainWnd();
        if (comInitialized) CoUninitialize();
        return static_cast<int>(msg.wParam);
    }
}
