// Drives a running vuemere.exe through what a user does first: "&Connect...", keep "localhost",
// press "Connect", pick a machine, press "Open", and wait until its screen is painted.
//   vuemere-demo-driver.exe [MACHINE [SERVER]]
// Exit code 0 when the machine's screen shows, 1 otherwise (the reason goes to stderr).
#include "console_session.h"
#include "resources/resource.h"

#include <cstdio>
#include <string>

namespace {
int Fail(const wchar_t* what) {
    std::fwprintf(stderr, L"vuemere-demo-driver: %ls\n", what);
    return 1;
}

// True once something other than the window background is drawn at the client's centre.
bool ImageShown(HWND window) {
    uidriver::Pixels pixels;
    if (!uidriver::CaptureClient(window, pixels)) return false;
    int different = 0;
    for (int y = pixels.height / 3; y < pixels.height * 2 / 3; y += 4)
        for (int x = pixels.width / 3; x < pixels.width * 2 / 3; x += 4)
            different += pixels.At(x, y) != pixels.At(0, 0);
    return different > 100;  // the text "console image is not available." alone covers fewer
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace uidriver;
    const std::wstring machine = argc > 1 ? argv[1] : L"Web Server 01";
    const std::wstring server = argc > 2 ? argv[2] : L"localhost";

    HWND window = WaitForWindow(L"VUEMERE", nullptr, 0, StartTimeoutMs);
    if (!window) return Fail(L"no vuemere window appeared");
    HWND dialog = PostCommand(window, IDM_CONNECT) ? WaitForDialog(L"Connect", window) : nullptr;
    if (!dialog) return Fail(L"the Connect dialog did not open");
    if (!SetItemText(dialog, IDC_CONNECT_SERVER, server.c_str()) || !Click(dialog, IDC_CONNECT_BUTTON) ||
        !Settle(dialog, StartTimeoutMs))
        return Fail(L"cannot list the host's machines");
    if (!OpenFromList(dialog, machine.c_str())) return Fail(L"the machine is not listed, or \"Open\" failed");
    if (!WaitUntil([&] { return Text(window) == L"vuemere - " + machine; }))
        return Fail(L"the window title does not name the machine");
    if (!WaitUntil([&] { return ImageShown(window); }))
        return Fail(L"no screen image was painted (is a message box open?)");
    // Let one more refresh land, so the picture is a live one and not just the first.
    Sleep(1500);
    return 0;
}
