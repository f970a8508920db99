// Drives a running vuemere.exe through what a user does first: "&Connect...", keep "localhost",
// press "Connect", pick a machine, press "Open", and wait until its screen is painted.
//   vuemere-demo-driver.exe [MACHINE [SERVER [STEP...]]]
// MACHINE "" opens none. Then the steps, for scripts/screenshots, in order:
//   size=WxH      the window's outer size
//   about         the About box, left open
//   connect=NAME  the Connect dialog, SERVER's machines listed and NAME picked, left open
//   save          the Save As dialog of "Save Screen As...", left open
//   menu=C        the menu bar's popup with the mnemonic C, left open
//   down          the Down key (to the open menu)
//   overview=HOST "&Overview...", HOST added with "Add Host", the window made 1000x760; the steps
//                 after it (and the place printed) are the overview window's
//   details       the overview's "&Details" view (each machine's host in its column)
// Exit code 0 when all that shows, 1 otherwise (the reason goes to stderr). On success it prints
// the window's place as an ImageMagick geometry (WxH+X+Y), for cropping a screenshot.
#include "console_session.h"
#include "resources/resource.h"

#include <algorithm>
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

// "&Connect...", the server typed, "Connect" pressed: the dialog with the host's machines listed.
HWND ListMachines(HWND window, const std::wstring& server) {
    using namespace uidriver;
    HWND dialog = PostCommand(window, IDM_CONNECT) ? WaitForDialog(L"Connect", window) : nullptr;
    if (!dialog || !SetItemText(dialog, IDC_CONNECT_SERVER, server.c_str()) || !Click(dialog, IDC_CONNECT_BUTTON) ||
        !Settle(dialog, StartTimeoutMs))
        return nullptr;
    return dialog;
}

bool MenuShown() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu);
}

bool Step(HWND& window, const std::wstring& server, const std::wstring& step) {
    using namespace uidriver;
    int width = 0, height = 0;
    if (swscanf(step.c_str(), L"size=%dx%d", &width, &height) == 2) {
        RECT r{};
        auto sized = [&] { return GetWindowRect(window, &r) && r.right - r.left == width && r.bottom - r.top == height; };
        return SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER) && WaitUntil(sized);
    }
    if (step == L"about") return PostCommand(window, IDM_ABOUT) && WaitForDialog(nullptr, window);
    if (step.rfind(L"connect=", 0) == 0) {
        HWND dialog = ListMachines(window, server);
        if (!dialog) return false;
        const std::vector<std::wstring> items = ComboItems(dialog, IDC_CONNECT_MACHINES);
        const auto found = std::find(items.begin(), items.end(), step.substr(8));
        return found != items.end() &&
               SelectComboItem(dialog, IDC_CONNECT_MACHINES, static_cast<int>(found - items.begin()));
    }
    if (step == L"save") return PostCommand(window, IDM_SAVE_SCREEN) && WaitForDialog(nullptr, window);
    if (step.rfind(L"menu=", 0) == 0 && step.size() == 6)
        return PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, step[5]) && WaitUntil(MenuShown);
    if (step == L"down") return PostKey(window, VK_DOWN);
    if (step == L"details") {
        if (!PostCommand(window, IDM_OV_DETAILS)) return false;
        Sleep(2500);  // a tick to fill the columns
        return true;
    }
    if (step.rfind(L"overview=", 0) == 0) {
        HWND overview = PostCommand(window, IDM_OVERVIEW) ? WaitForWindow(L"VUEMERE_OVERVIEW", nullptr) : nullptr;
        HWND dialog = overview && PostCommand(overview, IDM_OV_ADD_HOST) ? WaitForDialog(L"Add Host", overview) : nullptr;
        if (!dialog || !SetItemText(dialog, IDC_ADD_HOST_SERVER, step.substr(9).c_str()) || !Click(dialog, IDOK) ||
            !WaitGone(dialog, StartTimeoutMs))
            return false;
        window = overview;
        // Room for every tile of both hosts, then two more ticks to paint them.
        SetWindowPos(overview, nullptr, 0, 0, 1000, 760, SWP_NOMOVE | SWP_NOZORDER);
        Sleep(4500);
        return true;
    }
    return false;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace uidriver;
    const std::wstring machine = argc > 1 ? argv[1] : L"Web Server 01";
    const std::wstring server = argc > 2 ? argv[2] : L"localhost";

    HWND window = WaitForWindow(L"VUEMERE", nullptr, 0, StartTimeoutMs);
    if (!window) return Fail(L"no vuemere window appeared");
    if (!machine.empty()) {
        HWND dialog = ListMachines(window, server);
        if (!dialog) return Fail(L"cannot list the host's machines");
        if (!OpenFromList(dialog, machine.c_str())) return Fail(L"the machine is not listed, or \"Open\" failed");
        // A machine that is not running has its state after its name, and no picture to wait for.
        const std::wstring title = L"vuemere - " + machine;
        if (!WaitUntil([&] { return Text(window).rfind(title, 0) == 0; }))
            return Fail(L"the window title does not name the machine");
        if (Text(window) == title && !WaitUntil([&] { return ImageShown(window); }))
            return Fail(L"no screen image was painted (is a message box open?)");
    }
    // Let one more refresh land, so the picture is a live one and not just the first.
    Sleep(1500);
    for (int i = 3; i < argc; ++i)
        if (!Step(window, server, argv[i])) return Fail((L"step failed: " + std::wstring(argv[i])).c_str());
    Sleep(1000);  // the repaint behind a dialog or menu just opened
    RECT r{};
    GetWindowRect(window, &r);
    std::wprintf(L"%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}
