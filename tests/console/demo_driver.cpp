// Drives a running vuemere.exe through what a user does first: "&Connect...", keep "localhost",
// press "Connect", pick a machine, press "Open", and wait until its screen is painted.
//   vuemere-demo-driver.exe [MACHINE [SERVER]]
// Exit code 0 when the machine's screen shows, 1 otherwise (the reason goes to stderr).
#include "resources/resource.h"
#include "uidriver.h"

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
    const uint32_t background = pixels.At(0, 0);
    int different = 0;
    for (int y = pixels.height / 3; y < pixels.height * 2 / 3; y += 4)
        for (int x = pixels.width / 3; x < pixels.width * 2 / 3; x += 4)
            if (pixels.At(x, y) != background) ++different;
    return different > 100;  // the text "console image is not available." alone covers fewer
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring machine = argc > 1 ? argv[1] : L"Web Server 01";
    const std::wstring server = argc > 2 ? argv[2] : L"localhost";

    HWND window = uidriver::WaitForWindow(L"VUEMERE", nullptr, 0, uidriver::StartTimeoutMs);
    if (!window) return Fail(L"no vuemere window appeared");
    if (!uidriver::PostCommand(window, IDM_CONNECT)) return Fail(L"cannot send \"&Connect...\"");
    HWND dialog = uidriver::WaitForDialog(L"Connect", window);
    if (!dialog) return Fail(L"the Connect dialog did not open");

    uidriver::SetItemText(dialog, IDC_CONNECT_SERVER, server.c_str());
    if (!uidriver::Click(dialog, IDC_CONNECT_BUTTON)) return Fail(L"cannot press \"Connect\"");
    int index = -1;
    uidriver::WaitUntil([&] {
        const auto items = uidriver::ComboItems(dialog, IDC_CONNECT_MACHINES);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == machine) index = static_cast<int>(i);
        return index >= 0;
    });
    if (index < 0) return Fail(L"the machine is not in the host's list");
    if (!uidriver::SelectComboItem(dialog, IDC_CONNECT_MACHINES, index))
        return Fail(L"cannot select the machine");
    if (!uidriver::WaitUntil([&] { return uidriver::IsEnabled(dialog, IDC_CONNECT_OPEN); }))
        return Fail(L"\"Open\" stays disabled");
    if (!uidriver::Click(dialog, IDC_CONNECT_OPEN)) return Fail(L"cannot press \"Open\"");
    if (!uidriver::WaitGone(dialog)) return Fail(L"the Connect dialog stays open");

    const std::wstring title = L"vuemere - " + machine;
    if (!uidriver::WaitUntil([&] { return uidriver::Text(window) == title; }))
        return Fail(L"the window title does not name the machine");
    if (!uidriver::WaitUntil([&] { return ImageShown(window); }))
        return Fail(L"no screen image was painted (is a message box open?)");
    // Let one more refresh land, so the picture is a live one and not just the first.
    Sleep(1500);
    return 0;
}
