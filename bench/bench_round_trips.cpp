// Round trips per user action: the calls that would cross the wire to a real host (the simulated
// host marks them "wire":true in its log), counted in the log of the unmodified vuemere.exe driven
// black-box in the sim Wine prefix. For each action the calls are split into the action's own and
// those of the image refresh the action asks for (GetObject of the service class and the image
// method). The refresh timer is set to 60000 ms so that no tick of its own falls into a count.
#include "console_session.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char Scenario[] = R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-BENCH",
  "machines": [{"elementName": "Absolute 1024", "width": 1024, "height": 768},
               {"elementName": "Relative 800", "width": 800, "height": 600, "mouse": "ps2"}]}]})";

bool IsWire(const LoggedCall& call) { return call.Field("wire") == "true"; }

bool IsRefreshCall(const LoggedCall& call) {
    return call.IsFetch() || (call.Is("GetObject") && call.Field("class") == "Msvm_VirtualSystemManagementService");
}

struct Count {
    int own = 0;      // wire calls of the action itself
    int refresh = 0;  // wire calls of the refreshes it asked for
    int fetches = 0;  // image requests among them
    int logged = 0;   // every logged call, local ones included
};

class Counter {
public:
    explicit Counter(ConsoleSession& session) : session_(session) {}

    void Mark() { mark_ = session_.Calls().size(); }

    // Waits until the window has handled everything, including `fetches` image requests after the
    // mark, then counts what came after the mark.
    Count Take(int fetches = 0) {
        uidriver::WaitUntil([&] { return Now().fetches >= fetches; }, 10000);
        session_.Settle();
        Sleep(100);  // a refresh request posted by the last handler
        session_.Settle();
        return Now();
    }

    void Print(const char* action, const Count& c, const char* note = "") {
        std::printf("  %-44s %5d %9d %7d %7d %8d  %s\n", action, c.own, c.refresh, c.own + c.refresh, c.fetches,
                    c.logged, note);
    }

private:
    Count Now() const {
        Count c;
        const std::vector<LoggedCall> calls = session_.Calls();
        for (size_t i = mark_; i < calls.size(); ++i) {
            ++c.logged;
            if (calls[i].IsFetch()) ++c.fetches;
            if (!IsWire(calls[i])) continue;
            if (IsRefreshCall(calls[i]))
                ++c.refresh;
            else
                ++c.own;
        }
        return c;
    }

    ConsoleSession& session_;
    size_t mark_ = 0;
};

bool Post(const ConsoleSession& session, UINT msg, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(session.Window(), msg, wParam, lParam) != FALSE;
}

// The Connect dialog: lists the host's machines, then opens `machine`. Counts both steps.
bool Connect(ConsoleSession& session, Counter& counter, const wchar_t* machine) {
    using namespace uidriver;
    if (!session.Command(IDM_CONNECT)) return false;
    HWND dialog = WaitForDialog(L"Connect", session.Window(), session.ProcessId());
    if (!dialog || !SetItemText(dialog, IDC_CONNECT_SERVER, L"localhost")) return false;
    counter.Mark();
    if (!Click(dialog, IDC_CONNECT_BUTTON)) return false;
    int index = -1;
    WaitUntil([&] {
        const auto items = ComboItems(dialog, IDC_CONNECT_MACHINES);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == machine) index = static_cast<int>(i);
        return index >= 0;
    });
    if (index < 0) return false;
    counter.Print("Connect dialog: list the machines", counter.Take());
    if (!SelectComboItem(dialog, IDC_CONNECT_MACHINES, index) ||
        !WaitUntil([&] { return IsEnabled(dialog, IDC_CONNECT_OPEN); }))
        return false;
    counter.Mark();
    if (!Click(dialog, IDC_CONNECT_OPEN) || !WaitGone(dialog)) return false;
    // The sequence fetches the first image itself and then asks for a refresh.
    counter.Print("Open: connect, find, first image, mouse", counter.Take(2),
                  "images: the first one and the refresh posted after it");
    return true;
}

}  // namespace

int main() {
    ConsoleSession session;
    if (!session.Start(Scenario)) {
        std::printf("cannot start vuemere.exe: %ls\n", session.Error().c_str());
        return 1;
    }
    session.SetClientSize(700, 560);
    if (!session.ApplySettings(L"60000", nullptr)) return 1;
    Counter counter(session);
    std::printf("Round trips per user action (wire calls in the simulated host's log)\n");
    std::printf("  %-44s %5s %9s %7s %7s %8s\n", "action", "own", "+refresh", "total", "images", "logged");

    // ---- Absolute mouse mode, default capture size 320x240 (summary route)
    if (!Connect(session, counter, L"Absolute 1024")) return 1;
    counter.Mark();
    Post(session, WM_TIMER, 1, 0);
    counter.Print("refresh, summary route 320x240", counter.Take(1));

    const RECT image = [&] {
        // With the default settings a 1024x768 guest in a 700x560 window is scaled into the area
        // inside the 15-pixel frame; the middle lies inside the image in any case.
        return RECT{350, 280, 351, 281};
    }();
    counter.Mark();
    Post(session, WM_KEYDOWN, 'A', 1);
    counter.Print("first key press (WM_KEYDOWN)", counter.Take(1), "finds the keyboard first");
    counter.Mark();
    Post(session, WM_KEYUP, 'A', 0xC0000001);
    counter.Print("key release (WM_KEYUP)", counter.Take(1), "each key message asks for a refresh");
    counter.Mark();
    Post(session, WM_KEYDOWN, 'B', 1);
    counter.Print("key press (WM_KEYDOWN)", counter.Take(1));
    counter.Mark();
    Post(session, WM_KEYUP, 'B', 0xC0000001);
    counter.Print("key release (WM_KEYUP)", counter.Take(1));
    counter.Mark();
    Post(session, WM_MOUSEMOVE, 0, MAKELPARAM(image.left, image.top));
    counter.Print("mouse move, absolute mode", counter.Take(1), "a refresh follows on the summary route");
    counter.Mark();
    Post(session, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(image.left, image.top));
    counter.Print("button down, absolute mode", counter.Take(1));
    counter.Mark();
    Post(session, WM_LBUTTONUP, 0, MAKELPARAM(image.left, image.top));
    counter.Print("button up, absolute mode", counter.Take(1));
    counter.Mark();
    session.Command(IDM_CTRL_ALT_DEL);
    counter.Print("Ctrl+Alt+Del", counter.Take(1));
    counter.Mark();
    Post(session, WM_SYSCOMMAND, SC_KEYMENU, 'k');
    uidriver::WaitUntil([&] {
        int asked = 0;
        for (const LoggedCall& call : session.Calls())
            if (call.Is("ExecMethod", "IsKeyPressed")) ++asked;
        return asked >= 8;
    });
    Post(session, WM_CANCELMODE, 0, 0);
    counter.Print("open the Keyboard menu", counter.Take(), "the guest is asked for 8 modifier keys");
    counter.Mark();
    session.Command(IDM_SHIFT);
    counter.Print("Keyboard menu: Shift+", counter.Take());
    counter.Mark();
    session.Command(IDM_SHIFT);
    counter.Print("Keyboard menu: Shift+ again (release)", counter.Take());
    counter.Mark();
    session.Command(IDM_KANJI);
    counter.Print("Keyboard menu: Kanji", counter.Take(1));
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        const wchar_t text[] = L"hello\r\n";
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
        memcpy(GlobalLock(block), text, sizeof(text));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
        counter.Mark();
        session.Command(IDM_TYPE_CLIPBOARD);
        counter.Print("Keyboard menu: type the clipboard (7 chars)", counter.Take(1));
    }

    // ---- Method route and the full-size refresh
    counter.Mark();
    if (!session.ApplySettings(nullptr, L"640x480")) return 1;
    counter.Print("Settings confirmed (machine open)", counter.Take(1), "looks up video head and mouse");
    counter.Mark();
    Post(session, WM_TIMER, 1, 0);
    counter.Print("refresh, method route 640x480", counter.Take(1));
    counter.Mark();
    const DWORD fullSizeAt = GetTickCount();
    session.Command(IDM_REFRESH_FULL_SIZE);
    counter.Print("Refresh of full size", counter.Take(1), "video head, mouse, image at 1024x768");
    counter.Mark();
    Post(session, WM_MOUSEMOVE, 0, MAKELPARAM(image.left + 10, image.top));
    counter.Print("mouse move, absolute, method route", counter.Take(), "no refresh asked for");

    // ---- Relative mouse mode, after the full-size image's 5-second hold (no refresh during it)
    Sleep(5500 - std::min<DWORD>(5500, GetTickCount() - fullSizeAt));
    if (!session.ApplySettings(nullptr, L"320x240")) return 1;
    if (!Connect(session, counter, L"Relative 800")) return 1;
    counter.Mark();
    Post(session, WM_MOUSEMOVE, 0, MAKELPARAM(image.left, image.top));
    counter.Print("first mouse move, relative mode", counter.Take(1), "from the guest's last position (0,0)");
    counter.Mark();
    Post(session, WM_MOUSEMOVE, 0, MAKELPARAM(image.left + 3, image.top + 2));
    counter.Print("mouse move, relative mode (a few pixels)", counter.Take(1));
    counter.Mark();
    Post(session, WM_MOUSEMOVE, 0, MAKELPARAM(image.left + 160, image.top));
    counter.Print("mouse move, relative mode (160 px: 2+ steps)", counter.Take(1), "at most 120 units per call");
    counter.Mark();
    Post(session, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(image.left, image.top));
    counter.Print("button down, relative mode", counter.Take(1), "looks for an enabled synthetic mouse first");
    counter.Mark();
    Post(session, WM_LBUTTONUP, 0, MAKELPARAM(image.left, image.top));
    counter.Print("button up, relative mode", counter.Take(1));

    counter.Mark();
    session.Command(IDM_DISCONNECT);
    counter.Print("DisConnect", counter.Take());

    session.Command(IDM_EXIT);
    uidriver::WaitUntil([&] { return !session.Running(); });
    const std::vector<LoggedCall> calls = session.Calls();
    const std::string exitLine = calls.empty() ? "" : calls.back().line;
    std::printf("  exit: %s\n", exitLine.c_str());
    return 0;
}
