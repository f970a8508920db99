#pragma once
// A console window of this program (the real MainWnd, visible, with its menu) against the
// simulated host installed in-process, for the in-process benchmarks.
#include "bench_util.h"
#include "console/main_wnd.h"
#include "hostsim/hostsim.h"
#include "shell/app.h"

#include <cstdio>
#include <string>

namespace bench {

class InProcessConsole {
public:
    explicit InProcessConsole(const std::string& scenarioJson) : host(scenarioJson) {
        if (FAILED(host.Status())) {
            std::printf("simulated host unavailable: 0x%08lX %s\n", static_cast<unsigned long>(host.Status()),
                        host.sim().LoadError().c_str());
            return;
        }
        RegisterWindowClass(GetModuleHandleW(nullptr), L"VUEMERE");
        if (!window.Create(L"vuemere", SW_SHOWNORMAL)) {
            std::printf("cannot create the console window\n");
            return;
        }
        // The benchmarks drive every tick themselves.
        KillTimer(window.hwnd, 1);
        ready = true;
    }
    ~InProcessConsole() {
        if (window.hwnd) DestroyWindow(window.hwnd);
        Pump();
    }

    // Opens the machine the way the Connect command does (credentials, connection, management
    // service, machine, video head), then lets one tick fetch and paint the first image.
    bool Open(const wchar_t* machine) {
        VmConn& conn = window.conn;
        WideString error;
        conn.SetCredentials(L"", L"");
        HRESULT hr = conn.Connect(L"localhost", error);
        if (hr == 0) hr = conn.FindManagementService(error);
        if (hr == 0) hr = conn.OpenMachine(machine, error);
        conn.keyboard.Reset(nullptr);
        if (hr == 0) hr = conn.FindVideoHead(error);
        if (hr == 0) hr = conn.FindMouse(error);
        if (hr != 0) {
            std::printf("cannot open %ls: %ls (0x%08lX)\n", machine, error.c_str(), static_cast<unsigned long>(hr));
            return false;
        }
        Tick();
        if (!window.ImageAvailable()) {
            std::printf("%ls: no image\n", machine);
            return false;
        }
        return true;
    }

    // One refresh as the timer makes it (fetch, invalidate), then the paint it asked for.
    void Tick() {
        SendMessageW(window.hwnd, WM_TIMER, 1, 0);
        UpdateWindow(window.hwnd);
    }

    hostsim::InProcessHost host;  // outlives the window, whose connection releases its objects
    MainWnd window;
    bool ready = false;
};

}  // namespace bench
