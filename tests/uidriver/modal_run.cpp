// A modal run on this thread, driven from a second thread.
#include "uidriver.h"

#include <atomic>
#include <thread>

namespace uidriver {

ModalRun RunModalDriven(const std::function<INT_PTR()>& modal, const std::function<void()>& drive,
                        DWORD timeoutMs) {
    ModalRun run;
    std::atomic<bool> ended{false};
    std::atomic<bool> abandoned{false};
    const DWORD modalThread = GetCurrentThreadId();

    std::thread driver([&] {
        drive();
        if (WaitUntil([&] { return ended.load(); }, timeoutMs)) return;
        // The driver is done (or gave up) but the run goes on: cancel every dialog and message
        // box of the modal thread, topmost first, until the run ends.
        abandoned = true;
        WaitUntil(
            [&] {
                for (HWND dialog : Dialogs(0, modalThread)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                return ended.load();
            },
            DefaultTimeoutMs);
    });
    run.result = modal();
    ended = true;
    driver.join();
    run.abandoned = abandoned;
    return run;
}

}  // namespace uidriver
