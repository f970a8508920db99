// Mouse and keyboard forwarding in-process: a console window of this test program with the
// simulated host as its WMI locator, a machine opened through the real connection operations,
// and messages sent straight to the window. Checked in the simulator's call log and guest state.
#include "console/clipboard_text.h"
#include "console/key_tables.h"
#include "console/main_wnd.h"
#include "hostsim/hostsim.h"
#include "resources/resource.h"
#include "shell/app.h"
#include "uidriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using hostsim::CallRecord;

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// The raw JSON text of one in-parameter of a logged method call ("" when absent). The log writes
// flat objects such as {"keyCode":160} or {"Scancodes":[41]}.
std::string InParam(const CallRecord& call, const char* name) {
    const std::string key = std::string("\"") + name + "\":";
    const std::string& in = call.inJson;
    for (size_t i = 0; i + key.size() <= in.size(); ++i) {
        if (_strnicmp(in.c_str() + i, key.c_str(), key.size()) != 0) continue;
        size_t start = i + key.size(), end = start;
        bool inString = false;
        for (; end < in.size(); ++end) {
            const char c = in[end];
            if (inString) {
                if (c == '\\') ++end;
                else if (c == '"') inString = false;
            } else if (c == '"') {
                inString = true;
            } else if (c == ',' || c == '}') {
                break;
            }
        }
        return in.substr(start, end - start);
    }
    return {};
}

struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComApartment() { CoUninitialize(); }
};

class ConsoleInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host.Status(), S_OK);
        static bool registered = false;
        if (!registered) {
            RegisterWindowClass(GetModuleHandleW(nullptr), L"VUEMERE");
            registered = true;
        }
        throughAltKey = 1;
        for (ModifierKey& key : modifierKeys) key.pressed = 0;
        // Hidden: nothing here needs the window on screen, and Wine takes seconds to unmap a shown one.
        ASSERT_TRUE(window.Create(L"vuemere", SW_HIDE));
        // Refresh requests are counted below; the timer's own ticks would blur the count.
        KillTimer(window.hwnd, 1);
        Drain();
    }

    void TearDown() override {
        if (IsWindow(window.hwnd)) DestroyWindow(window.hwnd);
        Drain();
    }

    // Opens `machine` as the connect command does, then places the image at `image` and forgets
    // the calls made so far. A fixed capture size of 320 x 240 takes the summary route.
    bool Open(const wchar_t* machine, RECT image, const wchar_t* server = L"localhost",
              int32_t captureWidth = 0, int32_t captureHeight = 0) {
        VmConn& conn = window.conn;
        WideString error;
        if (std::wcscmp(server, L"oldhost") == 0)
            conn.SetCredentials(L"admin", L"hyper-v");
        else
            conn.SetCredentials(L"", L"");
        HRESULT hr = conn.Connect(server, error);
        if (hr == 0) hr = conn.FindManagementService(error);
        if (hr == 0) hr = conn.OpenMachine(machine, error);
        if (hr == 0) hr = conn.FindVideoHead(error);
        if (hr == 0) hr = conn.GetThumbnail(error, 1.0f, captureWidth, captureHeight);
        if (hr == 0) hr = conn.FindMouse(error);
        if (hr != 0 || !window.ImageAvailable()) {
            ADD_FAILURE() << "cannot open " << Narrow(machine) << ": " << Narrow(error.c_str()) << " 0x"
                          << std::hex << hr;
            return false;
        }
        window.imageRect = image;
        host.sim().ClearCalls();
        TakeRefreshRequests();
        return true;
    }

    hostsim::Guest& Guest(const wchar_t* machine, const char* server = "localhost") {
        hostsim::Guest* guest = host.sim().FindGuest(server, machine);
        EXPECT_NE(guest, nullptr);
        return *guest;
    }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(window.hwnd, msg, wParam, lParam);
    }
    void Move(int x, int y) { Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void Key(UINT msg, WPARAM vk) { Send(msg, vk, msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP ? 1 << 29 : 0); }
    void Command(int id) { Send(WM_COMMAND, static_cast<WPARAM>(id), 0); }

    // Logged method executions, optionally of one method.
    std::vector<CallRecord> Executions(const char* method = nullptr) const {
        std::vector<CallRecord> found;
        for (const CallRecord& call : host.sim().Calls())
            if (call.call == "ExecMethod" && (!method || _stricmp(call.method.c_str(), method) == 0))
                found.push_back(call);
        return found;
    }
    int CountExecutions(const char* method = nullptr) const {
        return static_cast<int>(Executions(method).size());
    }

    // The keyboard calls as "PressKey 164", "IsKeyPressed 160", ... in call order.
    std::vector<std::string> KeyCalls() const {
        std::vector<std::string> found;
        for (const CallRecord& call : Executions())
            if (!InParam(call, "keyCode").empty()) found.push_back(call.method + " " + InParam(call, "keyCode"));
        return found;
    }

    // Refresh requests waiting in the queue (timer id 1), removed.
    int TakeRefreshRequests() {
        int count = 0;
        MSG msg;
        while (PeekMessageW(&msg, window.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE))
            if (msg.wParam == 1) ++count;
        return count;
    }

    void Drain() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }

    ComApartment apartment;
    hostsim::InProcessHost host;
    MainWnd window;
};

const RECT WebServerImage{15, 20, 527, 404};  // 512 x 384 for the guest's 1024 x 768
const RECT BuildAgentImage{10, 10, 330, 250};  // 320 x 240 for the guest's 640 x 480

HMENU KeyboardPopup(HWND window) { return GetSubMenu(GetMenu(window), 1); }
bool Checked(HMENU popup, UINT id) { return (GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

// A global memory block of exactly `size` bytes. It starts larger, filled with non-zero bytes,
// and shrinks in place, so that what follows its end is not a NUL that would hide a reader
// running past it.
HGLOBAL MakeBlock(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + 256);
    std::memset(GlobalLock(block), 'Z', size + 256);
    GlobalUnlock(block);
    block = GlobalReAlloc(block, size, 0);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

bool SetClipboardBlock(HWND owner, UINT format, const void* bytes, size_t size) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool placed = !bytes || SetClipboardData(format, MakeBlock(bytes, size)) != nullptr;
    CloseClipboard();
    return placed;
}

}  // namespace

TEST_F(ConsoleInput, AbsoluteMovesMapThroughTheImageWithOneCallEach) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    hostsim::Guest& guest = Guest(L"Web Server 01");
    struct Case {
        int x, y, guestX, guestY;
    } cases[] = {{271, 212, 512, 384}, {600, 500, 1023, 767}, {10, 10, 0, 0}, {526, 403, 1022, 766},
                 {-30, 300, 0, 560}, {15, 404, 0, 767}};
    for (const Case& c : cases) {
        host.sim().ClearCalls();
        Move(c.x, c.y);
        EXPECT_EQ(CountExecutions(), 1) << c.x << "," << c.y;
        EXPECT_EQ(CountExecutions("SetAbsolutePosition"), 1);
        EXPECT_EQ(guest.pointerX(), c.guestX) << c.x;
        EXPECT_EQ(guest.pointerY(), c.guestY) << c.y;
    }
    // Absolute mode leaves the relative-mode state alone, and without a summary size asks for no
    // refresh.
    EXPECT_EQ(window.lastMouseX, 0);
    EXPECT_EQ(window.pointerState, PointerHeld);
    EXPECT_EQ(TakeRefreshRequests(), 0);
}

TEST_F(ConsoleInput, ButtonsCaptureTheMouseAndEndTheFullSizeHold) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    hostsim::Guest& guest = Guest(L"Web Server 01");
    Move(271, 212);
    host.sim().ClearCalls();

    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(271, 212));
    EXPECT_TRUE(guest.ButtonDown(1));
    EXPECT_EQ(GetCapture(), window.hwnd);
    // Released left of and above the window: still forwarded, and the capture ends.
    Send(WM_LBUTTONUP, 0, MAKELPARAM(-40, -7));
    EXPECT_FALSE(guest.ButtonDown(1));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(guest.pointerX(), 512);  // the button acts where the pointer was left

    // A double click arrives as two clicks: all four messages reach the guest.
    host.sim().ClearCalls();
    for (UINT msg : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP})
        Send(msg, 0, MAKELPARAM(271, 212));
    std::vector<CallRecord> clicks = Executions("SetButtonState");
    ASSERT_EQ(clicks.size(), 4u);
    ASSERT_EQ(CountExecutions(), 4);
    const char* downs[] = {"true", "false", "true", "false"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(InParam(clicks[i], "buttonIndex"), "2");
        EXPECT_EQ(InParam(clicks[i], "isDown"), downs[i]);
    }

    Send(WM_MBUTTONDOWN, 0, MAKELPARAM(271, 212));
    EXPECT_TRUE(guest.ButtonDown(3));
    window.holdUntilTick = GetTickCount() + 5000;
    Send(WM_MBUTTONUP, 0, MAKELPARAM(271, 212));
    EXPECT_FALSE(guest.ButtonDown(3));
    EXPECT_EQ(window.holdUntilTick, 0u);
    EXPECT_EQ(TakeRefreshRequests(), 0);
}

TEST_F(ConsoleInput, SummarySizesAskForARefreshAfterEveryMouseMessage) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage, L"localhost", 320, 240));
    ASSERT_NE(window.conn.summaryRequest, 0);
    Move(100, 100);
    EXPECT_EQ(TakeRefreshRequests(), 1);
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(100, 100));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(TakeRefreshRequests(), 2);
    window.imageRect = RECT{0, 0, 0, 0};
    Move(100, 100);  // nothing can be sent, but a new image may give the rectangle
    EXPECT_EQ(TakeRefreshRequests(), 1);
}

TEST_F(ConsoleInput, NothingIsSentWithoutAnImageOrIntoAnEmptyImageRectangle) {
    // No machine open: every input message is consumed.
    Move(100, 100);
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(GetCapture(), nullptr);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    Send(WM_MOUSELEAVE);
    Key(WM_KEYDOWN, 'A');
    Key(WM_SYSKEYDOWN, VK_F4);  // swallowed, not handed to default processing
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, window.hwnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    for (int id : {IDM_CTRL_ALT_DEL, IDM_SHIFT, IDM_APPLICATION_KEY, IDM_KANJI, IDM_TYPE_CLIPBOARD}) Command(id);
    EXPECT_EQ(host.sim().Calls().size(), 0u);
    EXPECT_EQ(TakeRefreshRequests(), 0);

    // A machine is open but its image has no bytes yet.
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    const int32_t byteCount = window.conn.image.byteCount;
    window.conn.image.byteCount = 0;
    Move(100, 100);
    Key(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(CountExecutions(), 0);
    window.conn.image.byteCount = byteCount;

    // The image has not been painted yet (or the white frame leaves it no room): no movement
    // is sent, rather than a division by zero.
    for (RECT empty : {RECT{0, 0, 0, 0}, RECT{15, 20, 15, 404}, RECT{15, 20, 527, 20}, RECT{400, 300, 200, 100}}) {
        window.imageRect = empty;
        Move(empty.left, empty.top);
        Move(600, 500);
    }
    EXPECT_EQ(CountExecutions("SetAbsolutePosition"), 0);
}

TEST_F(ConsoleInput, RelativeModeFollowsHoldsAndReleasesThePointer) {
    ASSERT_TRUE(Open(L"Build Agent", BuildAgentImage));
    ASSERT_FALSE(window.conn.syntheticMouse.object);
    ASSERT_TRUE(window.conn.ps2Mouse.object);
    const RECT& image = window.imageRect;

    // Inside the image the movement is the difference to the last position sent.
    window.lastMouseX = 100;
    window.lastMouseY = 100;
    Move(75, 10);  // maps to 130, 0
    std::vector<CallRecord> moves = Executions("SetRelativePosition");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(InParam(moves[0], "horizontalDelta"), "30");
    EXPECT_EQ(InParam(moves[0], "verticalDelta"), "100");  // upward on the screen is positive
    EXPECT_EQ(window.lastMouseX, 130);
    EXPECT_EQ(window.lastMouseY, 0);

    // Beyond the right edge while held: the guest pointer is pushed a tenth of the screen and the
    // local pointer put back on the edge.
    ASSERT_EQ(window.pointerState, PointerHeld);
    host.sim().ClearCalls();
    SetCursorPos(5, 5);
    Move(image.right + 5, 60);
    moves = Executions("SetRelativePosition");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(InParam(moves[0], "horizontalDelta"), "64");
    EXPECT_EQ(window.lastMouseX, 639);
    POINT expected{image.right, 60};
    ClientToScreen(window.hwnd, &expected);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, expected.x);
    EXPECT_EQ(cursor.y, expected.y);

    // Left of the image: pushed the other way.
    host.sim().ClearCalls();
    Move(image.left - 30, 60);
    moves = Executions("SetRelativePosition");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(InParam(moves[0], "horizontalDelta"), "-64");
    EXPECT_EQ(window.lastMouseX, 0);

    // Ctrl, down or up, lets the pointer go; other keys do not.
    Key(WM_KEYDOWN, 'A');
    EXPECT_EQ(window.pointerState, PointerHeld);
    Key(WM_KEYDOWN, VK_CONTROL);
    EXPECT_EQ(window.pointerState, PointerReleased);
    window.pointerState = PointerHeld;
    Key(WM_KEYUP, VK_CONTROL);
    EXPECT_EQ(window.pointerState, PointerReleased);
    SetCursorPos(5, 5);
    host.sim().ClearCalls();
    Move(image.right + 40, 100);
    EXPECT_EQ(CountExecutions("SetRelativePosition"), 1);  // still forwarded
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);  // but the local pointer is free
    EXPECT_EQ(cursor.y, 5);

    // Leaving the window while released: away; back into the image: held again.
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(window.pointerState, PointerAway);
    Move(image.right + 40, 100);
    EXPECT_EQ(window.pointerState, PointerAway);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);
    Move(100, 100);
    EXPECT_EQ(window.pointerState, PointerHeld);

    // An empty image rectangle sends nothing and does not pull the pointer to the corner.
    window.imageRect = RECT{0, 0, 0, 0};
    host.sim().ClearCalls();
    Move(100, 100);
    EXPECT_EQ(CountExecutions(), 0);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);
}

TEST_F(ConsoleInput, AbsoluteModeIgnoresPointerKeysAndLeaving) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    window.pointerState = PointerAway;
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(window.pointerState, PointerHeld);
    Key(WM_KEYDOWN, VK_SHIFT);
    Key(WM_KEYUP, VK_SHIFT);
    EXPECT_EQ(window.pointerState, PointerHeld);
}

TEST_F(ConsoleInput, KeysGoOutAsRawCodesWithARefreshEach) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    hostsim::Guest& guest = Guest(L"Web Server 01");
    guest.ClearTypedText();
    host.sim().ClearCalls();

    Key(WM_KEYDOWN, VK_SHIFT);
    EXPECT_TRUE(guest.KeyDown(VK_SHIFT));
    Key(WM_KEYDOWN, 'H');
    Key(WM_KEYUP, 'H');
    Key(WM_KEYUP, VK_SHIFT);
    Key(WM_KEYDOWN, 'I');
    Key(WM_KEYDOWN, 'I');  // auto-repeat is another press
    Key(WM_KEYUP, 'I');
    const std::vector<std::string> expected = {"PressKey 16",   "PressKey 72",  "ReleaseKey 72", "ReleaseKey 16",
                                               "PressKey 73",   "PressKey 73",  "ReleaseKey 73"};
    EXPECT_EQ(KeyCalls(), expected);
    EXPECT_EQ(CountExecutions(), 7);  // one device call per key message
    EXPECT_EQ(TakeRefreshRequests(), 7);
    EXPECT_EQ(guest.TypedText(), L"Hii");
    EXPECT_FALSE(guest.KeyDown(VK_SHIFT));

    // System keys go to the guest while "through ALT key" is on.
    host.sim().ClearCalls();
    Key(WM_SYSKEYDOWN, VK_MENU);
    Key(WM_SYSKEYDOWN, VK_F4);
    Key(WM_SYSKEYUP, VK_F4);
    Key(WM_SYSKEYUP, VK_MENU);
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"PressKey 18", "PressKey 115", "ReleaseKey 115", "ReleaseKey 18"}));
    EXPECT_EQ(TakeRefreshRequests(), 4);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, window.hwnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    EXPECT_TRUE(IsWindow(window.hwnd));
}

TEST_F(ConsoleInput, ThroughAltKeyHandsAltF4BackToTheLocalWindow) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    Command(IDM_THROUGH_ALT);
    EXPECT_EQ(throughAltKey, 0);
    Key(WM_SYSKEYDOWN, VK_F4);
    EXPECT_EQ(CountExecutions(), 0);
    // Default processing closes the window.
    MSG msg;
    for (int i = 0; i < 100 && IsWindow(window.hwnd); ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
    EXPECT_FALSE(IsWindow(window.hwnd));
    Command(IDM_THROUGH_ALT);  // no window needed: the switch belongs to the process
}

TEST_F(ConsoleInput, CtrlAltDelAndTheApplicationKey) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    Command(IDM_CTRL_ALT_DEL);
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"PressKey 164", "PressKey 162", "PressKey 46", "ReleaseKey 46",
                                                    "ReleaseKey 162", "ReleaseKey 164"}));
    EXPECT_EQ(TakeRefreshRequests(), 1);
    host.sim().ClearCalls();
    Command(IDM_APPLICATION_KEY);
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"PressKey 93", "ReleaseKey 93"}));
    EXPECT_EQ(TakeRefreshRequests(), 1);
    EXPECT_FALSE(Guest(L"Web Server 01").KeyDown(VK_DELETE));
}

TEST_F(ConsoleInput, ModifierItemsHoldAndReleaseTheirKeysInTheGuest) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    hostsim::Guest& guest = Guest(L"Web Server 01");

    Command(IDM_SHIFT);  // neither Shift key down: the left one is pressed
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"IsKeyPressed 160", "IsKeyPressed 161", "PressKey 160"}));
    EXPECT_TRUE(guest.KeyDown(VK_LSHIFT));
    EXPECT_FALSE(guest.KeyDown(VK_RSHIFT));
    host.sim().ClearCalls();
    Command(IDM_SHIFT);  // chosen again: released
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"IsKeyPressed 160", "IsKeyPressed 161", "ReleaseKey 160"}));
    EXPECT_FALSE(guest.KeyDown(VK_SHIFT));

    // Both keys down in the guest, pressed physically: both are released, left first.
    Key(WM_KEYDOWN, VK_RSHIFT);
    Key(WM_KEYDOWN, VK_LSHIFT);
    host.sim().ClearCalls();
    Command(IDM_SHIFT);
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"IsKeyPressed 160", "IsKeyPressed 161", "ReleaseKey 160",
                                                    "ReleaseKey 161"}));
    EXPECT_FALSE(guest.KeyDown(VK_SHIFT));

    host.sim().ClearCalls();
    Command(IDM_WINDOWS);
    Command(IDM_ALT);
    Command(IDM_CTRL);
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"IsKeyPressed 91", "IsKeyPressed 92", "PressKey 91",
                                                    "IsKeyPressed 164", "IsKeyPressed 165", "PressKey 164",
                                                    "IsKeyPressed 162", "IsKeyPressed 163", "PressKey 162"}));
    EXPECT_TRUE(guest.KeyDown(VK_LWIN));
    EXPECT_TRUE(guest.KeyDown(VK_MENU));
    EXPECT_TRUE(guest.KeyDown(VK_CONTROL));
    EXPECT_EQ(TakeRefreshRequests(), 2);  // only the two Shift key messages asked for one
}

TEST_F(ConsoleInput, CheckMarksFollowTheGuestsKeyState) {
    HMENU popup = KeyboardPopup(window.hwnd);
    ASSERT_NE(popup, nullptr);
    ASSERT_NE(GetMenuState(popup, IDM_ALT, MF_BYCOMMAND), static_cast<UINT>(-1));

    // No machine open: stale answers of an earlier machine do not show, and nothing is asked.
    for (ModifierKey& key : modifierKeys) key.pressed = 1;
    Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
    for (UINT id : {IDM_SHIFT, IDM_ALT, IDM_CTRL, IDM_WINDOWS}) EXPECT_FALSE(Checked(popup, id)) << id;
    EXPECT_TRUE(Checked(popup, IDM_THROUGH_ALT));
    EXPECT_EQ(host.sim().Calls().size(), 0u);

    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    Key(WM_KEYDOWN, VK_RCONTROL);  // typed, not chosen from the menu
    Command(IDM_WINDOWS);
    Command(IDM_THROUGH_ALT);
    host.sim().ClearCalls();
    Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
    EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"IsKeyPressed 160", "IsKeyPressed 161", "IsKeyPressed 162",
                                                    "IsKeyPressed 163", "IsKeyPressed 164", "IsKeyPressed 165",
                                                    "IsKeyPressed 91", "IsKeyPressed 92"}));
    EXPECT_FALSE(Checked(popup, IDM_SHIFT));
    EXPECT_FALSE(Checked(popup, IDM_ALT));
    EXPECT_TRUE(Checked(popup, IDM_CTRL));
    EXPECT_TRUE(Checked(popup, IDM_WINDOWS));
    EXPECT_FALSE(Checked(popup, IDM_THROUGH_ALT));

    Key(WM_KEYUP, VK_RCONTROL);
    Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
    EXPECT_FALSE(Checked(popup, IDM_CTRL));

    // Another popup is left alone and costs no query.
    host.sim().ClearCalls();
    Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(window.hwnd), 0)), 0);
    Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(window.hwnd), 2)), 2);
    EXPECT_EQ(host.sim().Calls().size(), 0u);
}

TEST_F(ConsoleInput, KanjiTypesItsScanCodeOrSaysWhyNot) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    Command(IDM_KANJI);
    std::vector<CallRecord> typed = Executions("TypeScancodes");
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(InParam(typed[0], "Scancodes"), "[41]");
    EXPECT_EQ(TakeRefreshRequests(), 1);
    EXPECT_TRUE(uidriver::Dialogs(GetCurrentProcessId()).empty());
}

TEST_F(ConsoleInput, KanjiOnAnOldHostShowsTheMessageBox) {
    ASSERT_TRUE(Open(L"Windows 2008 Guest", WebServerImage, L"oldhost"));
    uidriver::MessageBoxInfo box;
    uidriver::ModalRun run = uidriver::RunModalDriven(
        [&] {
            Command(IDM_KANJI);
            return INT_PTR{0};
        },
        [&] {
            box = uidriver::WaitForMessageBox(L"type scancode of Kanji key", window.hwnd);
            if (box.window) uidriver::Answer(box.window, IDOK);
        });
    EXPECT_FALSE(run.abandoned);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, L"This function is require Hyper-V R2.");
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons[0].id, IDOK);
    EXPECT_EQ(CountExecutions("TypeScancodes"), 0);
    EXPECT_EQ(TakeRefreshRequests(), 0);
}

TEST_F(ConsoleInput, ClipboardTextIsTypedInOneCall) {
    ASSERT_TRUE(Open(L"Web Server 01", WebServerImage));
    hostsim::Guest& guest = Guest(L"Web Server 01");
    guest.ClearTypedText();

    const wchar_t text[] = L"ab\r\nc";
    ASSERT_TRUE(SetClipboardBlock(window.hwnd, CF_UNICODETEXT, text, sizeof(text)));
    Command(IDM_TYPE_CLIPBOARD);
    std::vector<CallRecord> calls = Executions("TypeText");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(CountExecutions(), 1);
    EXPECT_EQ(InParam(calls[0], "asciiText"), "\"ab\\r\\nc\"");
    EXPECT_EQ(guest.TypedText(), L"ab\nc");
    EXPECT_EQ(TakeRefreshRequests(), 1);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);

    // Empty, text of no characters, or only a bitmap: nothing is typed, the clipboard is closed.
    host.sim().ClearCalls();
    TakeRefreshRequests();
    ASSERT_TRUE(SetClipboardBlock(window.hwnd, CF_UNICODETEXT, nullptr, 0));
    Command(IDM_TYPE_CLIPBOARD);
    ASSERT_TRUE(SetClipboardBlock(window.hwnd, CF_UNICODETEXT, L"", sizeof(wchar_t)));
    Command(IDM_TYPE_CLIPBOARD);
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_TRUE(OpenClipboard(window.hwnd));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    Command(IDM_TYPE_CLIPBOARD);
    EXPECT_EQ(CountExecutions(), 0);
    EXPECT_EQ(TakeRefreshRequests(), 0);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    EXPECT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

TEST(ClipboardText, EndsAtItsNulOrAtTheEndOfItsBlock) {
    // Wine's clipboard terminates text blocks itself; another program's block on Windows need not
    // be, so the reading is checked on blocks made here.
    const char unterminated[] = {'x', 0, 'y', 0, 'z', 0, 'q'};  // half a character at the end
    HGLOBAL block = MakeBlock(unterminated, sizeof(unterminated));
    ASSERT_EQ(GlobalSize(block), sizeof(unterminated));
    WideString text(L">");
    AppendGlobalText(block, text);
    EXPECT_TRUE(text == L">xyz") << Narrow(text.c_str());
    GlobalFree(block);

    const wchar_t terminated[] = L"ab\0cd";
    block = MakeBlock(terminated, sizeof(terminated));
    text.Clear();
    AppendGlobalText(block, text);
    EXPECT_TRUE(text == L"ab");
    GlobalFree(block);

    AppendGlobalText(nullptr, text);
    EXPECT_TRUE(text == L"ab");
}
