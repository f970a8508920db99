#include "console/main_wnd.h"
#include "resources/resource.h"
#include "shell/app.h"

#include <windows.h>
#include <objbase.h>

#include <new>

namespace {
// Whether this build has the overview window (its switch is refused otherwise).
constexpr bool OverviewAvailable = true;
}  // namespace

// Start-up, message loop and shutdown. Failures during start-up end the process silently with
// exit code 0. The only raised error (InsufficientMemory, or a COM string that could not be
// allocated) is caught here: everything is torn down and the exit code is the wParam of the last
// message retrieved, which is 0 when none was retrieved yet.
int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR arguments, int nCmdShow) {
    wchar_t title[128] = L"";
    wchar_t className[128] = L"";
    LoadStringW(hInstance, IDS_APP_TITLE, title, 128);

    // "/?" and every word it does not take are answered before any window is made.
    const CommandLine commandLine = ParseCommandLine(arguments, OverviewAvailable);
    if (commandLine.outcome != CommandLine::Outcome::Run) {
        WideString usage;
        BuildUsageText(commandLine, OverviewAvailable, usage);
        const bool asked = commandLine.outcome == CommandLine::Outcome::Usage;
        MessageBoxW(nullptr, usage.c_str(), title, MB_OK | (asked ? MB_ICONINFORMATION : MB_ICONWARNING));
        return asked ? 0 : 2;
    }
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
        window->StartWith(commandLine);
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            // In full screen every key is the guest's: no accelerator takes one.
            if (window->FullScreen() || !TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
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
