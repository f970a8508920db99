// Mouse and keyboard forwarding, black-box: the unmodified vuemere.exe in the sim Wine prefix,
// driven by real input (SendInput) and by posted messages and commands. Checked in the
// simulator's call log and in the guest's screen as the window shows it, against a reference
// guest in this process that gets the same device calls.
#include "console/paint_geometry.h"
#include "console_session.h"
#include "hostsim/hostsim.h"
#include "resources/resource.h"
#include "wmi/vm_conn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A host of the provider's first release (no TypeScancodes) with two small guests, one per mouse
// mode, and a host of its second version with two generation 2 guests, one without a usable mouse. 320 x 240 is the default capture size: shown 1:1, fetched by the summary route, so every
// mouse message also asks for a new image.
const char ScenarioJson[] = R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-INPUT",
  "typeScancodes": false, "machines": [
  {"elementName": "Absolute 320", "name": "1A2B3C4D-0000-4000-8000-000000000320", "width": 320, "height": 240},
  {"elementName": "Relative 320", "name": "1A2B3C4D-0000-4000-8000-000000000321", "width": 320, "height": 240,
   "mouse": "ps2"}]},
  {"name": "hv-2022", "hostName": "HV-2022", "provider": "v2", "machines": [
  {"elementName": "Gen2 320", "name": "1A2B3C4D-0000-4000-8000-000000002320", "generation": 2, "width": 320,
   "height": 240},
  {"elementName": "Gen2 No Mouse", "name": "1A2B3C4D-0000-4000-8000-000000002321", "generation": 2,
   "width": 320, "height": 240, "mouse": "synthetic-disabled"}]}]})";

constexpr int ClientWidth = 700, ClientHeight = 560;

// Where the program draws a 320 x 240 guest with the default settings (white frame 15, frame
// space): 1:1, centred.
RECT ImageRect() {
    PaintRect dest;
    PlaceImage(FrameArea(PaintRect{0, 0, ClientWidth, ClientHeight}, 15), 320, 240, 1, 2, dest);
    return RECT{dest.left, dest.top, dest.right, dest.bottom};
}

POINT ScreenPoint(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
}

POINT CursorPos() {
    POINT point{};
    GetCursorPos(&point);
    return point;
}

// Real pointer movement to a screen position.
void MovePointer(POINT screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

// Real key strokes into the foreground window: each entry is a key going down (vk) or up (-vk).
bool TypeKeys(HWND window, std::initializer_list<int> strokes) {
    SetForegroundWindow(window);
    if (!uidriver::WaitUntil([&] { return GetForegroundWindow() == window; })) return false;
    std::vector<INPUT> inputs;
    for (int stroke : strokes) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(stroke < 0 ? -stroke : stroke);
        input.ki.dwFlags = stroke < 0 ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

HWND CaptureOf(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId, &info) ? info.hwndCapture : nullptr;
}

// ---- The call log

bool IsDeviceCall(const LoggedCall& call) {
    const std::string cls = call.Field("class");
    return call.Is("ExecMethod") &&
           (cls == "Msvm_Keyboard" || cls == "Msvm_SyntheticMouse" || cls == "Msvm_Ps2Mouse");
}

std::vector<LoggedCall> DeviceCalls(const ConsoleSession& session, size_t from = 0) {
    std::vector<LoggedCall> found;
    const std::vector<LoggedCall> calls = session.Calls();
    for (size_t i = from; i < calls.size(); ++i)
        if (IsDeviceCall(calls[i])) found.push_back(calls[i]);
    return found;
}

// Device calls after the first `from` log lines as "PressKey 16", "SetAbsolutePosition 100 50",
// "SetButtonState 1 true", ... in call order.
std::vector<std::string> Described(const ConsoleSession& session, size_t from) {
    std::vector<std::string> found;
    for (const LoggedCall& call : DeviceCalls(session, from)) {
        std::string text = call.Field("method");
        for (const char* name : {"keyCode", "horizontalPosition", "verticalPosition", "horizontalDelta",
                                 "verticalDelta", "buttonIndex", "isDown", "buttonState"}) {
            const std::string value = call.In(name);
            if (!value.empty()) text += " " + value;
        }
        found.push_back(text);
    }
    return found;
}

// Waits until at least `count` device calls follow the first `from` log lines.
std::vector<std::string> WaitDescribed(const ConsoleSession& session, size_t from, size_t count) {
    uidriver::WaitUntil([&] { return DeviceCalls(session, from).size() >= count; });
    session.Settle();
    return Described(session, from);
}

// The first device call after the first `from` log lines, once it has come ("" if none does).
std::string WaitFirst(const ConsoleSession& session, size_t from) {
    const std::vector<std::string> calls = WaitDescribed(session, from, 1);
    return calls.empty() ? std::string() : calls.front();
}

// ---- The guest's screen

// The same guest in this process's own simulator, opened through the program's own connection
// operations, so that it can be given the same device calls.
class ReferenceGuest {
public:
    explicit ReferenceGuest(const wchar_t* machine, const char* host = "localhost") : host_(ScenarioJson) {
        WideString error;
        conn.SetCredentials(L"", L"");
        const std::wstring server(host, host + std::strlen(host));
        HRESULT hr = host_.Status();
        if (hr == 0) hr = conn.Connect(server.c_str(), error);
        if (hr == 0) hr = conn.FindManagementService(error);
        if (hr == 0) hr = conn.OpenMachine(machine, error);
        if (hr == 0) hr = conn.FindMouse(error);
        opened_ = hr == 0;
        guest_ = host_.sim().FindGuest(host, machine);
    }
    bool Opened() const { return opened_ && guest_; }

    // Whether the window shows this guest's screen 1:1 at `dest`, apart from the frame counter
    // (top right quarter): the two hosts have sent different numbers of frames.
    bool ShownIn(HWND window, const RECT& dest) const {
        uidriver::Pixels pixels;
        if (!uidriver::CaptureClient(window, pixels) || dest.right > pixels.width || dest.bottom > pixels.height)
            return false;
        const int width = guest_->width(), height = guest_->height();
        const std::vector<uint8_t> image = guest_->Thumbnail(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (x >= width / 2 && y < height / 4) continue;
                const size_t at = (static_cast<size_t>(y) * width + x) * 2;
                const unsigned pixel = image[at] | (image[at + 1] << 8);
                const uint32_t rgb = pixels.At(dest.left + x, dest.top + y);
                if (((rgb >> 19) & 0x1F) != ((pixel >> 11) & 0x1F) || ((rgb >> 10) & 0x3F) != ((pixel >> 5) & 0x3F) ||
                    ((rgb >> 3) & 0x1F) != (pixel & 0x1F))
                    return false;
            }
        }
        return true;
    }

    VmConn conn;
    WideString error;

private:
    struct ComApartment {
        ComApartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
        ~ComApartment() { CoUninitialize(); }
    } apartment_;
    hostsim::InProcessHost host_;
    hostsim::Guest* guest_ = nullptr;
    bool opened_ = false;
};

class InputBlackBox : public ::testing::Test {
protected:
    // Starts the program with its client area at 700 x 560 in the top-left corner of the screen
    // and the real pointer parked outside it.
    void Launch() {
        ASSERT_TRUE(session.Start(ScenarioJson)) << std::string(session.Error().begin(), session.Error().end());
        ASSERT_TRUE(session.SetClientSize(ClientWidth, ClientHeight));
        ParkPointer();
    }
    void ParkPointer() {
        park = POINT{GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5};
        RECT frame{};
        GetWindowRect(session.Window(), &frame);
        ASSERT_FALSE(PtInRect(&frame, park));
        MovePointer(park);
        ASSERT_TRUE(uidriver::WaitUntil([&] { return CursorPos().x == park.x && CursorPos().y == park.y; }));
    }
    void Open(const wchar_t* machine, const wchar_t* server = L"localhost") {
        ASSERT_TRUE(session.OpenMachine(machine, server));
        ASSERT_TRUE(session.WaitForFetches(0));
        ASSERT_TRUE(uidriver::WaitUntil([&] {
            uidriver::Pixels pixels;
            return uidriver::CaptureClient(session.Window(), pixels) &&
                   pixels.At(image.left + 1, image.top + 1) == 0xFF0000;  // the guest's red corner
        }));
    }
    void Post(UINT msg, WPARAM wParam, LPARAM lParam) { PostMessageW(session.Window(), msg, wParam, lParam); }
    void PostAt(UINT msg, int x, int y) { Post(msg, 0, MAKELPARAM(x, y)); }
    size_t LogSize() const { return session.Calls().size(); }
    bool WaitShown(const ReferenceGuest& reference) {
        return uidriver::WaitUntil([&] { return reference.ShownIn(session.Window(), image); });
    }

    ConsoleSession session;
    const RECT image = ImageRect();
    POINT park{};
};

}  // namespace

TEST_F(InputBlackBox, AbsoluteMouseMovesAndClicks) {
    Launch();
    // Before the first image everything is consumed and nothing is sent.
    PostAt(WM_MOUSEMOVE, 200, 200);
    PostAt(WM_LBUTTONDOWN, 200, 200);
    PostAt(WM_LBUTTONUP, 200, 200);
    Post(WM_KEYDOWN, 'A', 0);
    Post(WM_KEYUP, 'A', 0);
    session.Settle();
    EXPECT_TRUE(DeviceCalls(session).empty());

    Open(L"Absolute 320");
    size_t from = LogSize();
    PostAt(WM_MOUSEMOVE, image.left + 100, image.top + 50);
    PostAt(WM_MOUSEMOVE, image.left - 10, image.bottom + 10);  // outside: clamped to the edges
    PostAt(WM_MOUSEMOVE, image.left + 100, image.top + 50);
    EXPECT_EQ(WaitDescribed(session, from, 3),
              (std::vector<std::string>{"SetAbsolutePosition 100 50", "SetAbsolutePosition 0 239",
                                        "SetAbsolutePosition 100 50"}));

    // A double click is two clicks; each button-down captures the mouse, so a release outside
    // the window still arrives and is forwarded.
    const DWORD thread = GetWindowThreadProcessId(session.Window(), nullptr);
    from = LogSize();
    PostAt(WM_LBUTTONDOWN, image.left + 100, image.top + 50);
    PostAt(WM_LBUTTONUP, image.left + 100, image.top + 50);
    PostAt(WM_LBUTTONDOWN, image.left + 100, image.top + 50);
    session.Settle();
    EXPECT_EQ(CaptureOf(thread), session.Window());
    PostAt(WM_LBUTTONUP, -20, -30);
    EXPECT_EQ(WaitDescribed(session, from, 4),
              (std::vector<std::string>{"SetButtonState 1 true", "SetButtonState 1 false", "SetButtonState 1 true",
                                        "SetButtonState 1 false"}));
    EXPECT_EQ(CaptureOf(thread), nullptr);
    PostAt(WM_RBUTTONDOWN, image.left + 100, image.top + 50);

    // The guest's pointer and its right button, as the window shows them.
    ReferenceGuest reference(L"Absolute 320");
    ASSERT_TRUE(reference.Opened());
    reference.conn.SetAbsolutePosition(100, 50, reference.error);
    reference.conn.SetButtonState(2, true, reference.error);
    EXPECT_TRUE(WaitShown(reference));
    Post(WM_RBUTTONUP, 0, 0);
    reference.conn.SetButtonState(2, false, reference.error);
    EXPECT_TRUE(WaitShown(reference));

    // Real pointer movement reaches the guest the same way.
    from = LogSize();
    MovePointer(ScreenPoint(session.Window(), image.left + 20, image.top + 30));
    EXPECT_EQ(WaitFirst(session, from), "SetAbsolutePosition 20 30");
    MovePointer(park);
}

// A generation 2 machine of a host that speaks only the provider's second version takes keys and
// the absolute mouse; one whose synthetic mouse is not enabled takes keys only, silently.
TEST_F(InputBlackBox, Generation2MachinesOfASecondVersionHost) {
    Launch();
    Open(L"Gen2 320", L"hv-2022");
    size_t from = LogSize();
    PostAt(WM_MOUSEMOVE, image.left + 100, image.top + 50);
    Post(WM_KEYDOWN, 'A', 0);
    Post(WM_KEYUP, 'A', 0);
    EXPECT_EQ(WaitDescribed(session, from, 3),
              (std::vector<std::string>{"SetAbsolutePosition 100 50", "PressKey 65", "ReleaseKey 65"}));
    for (const LoggedCall& call : DeviceCalls(session, from))
        EXPECT_NE(call.Field("target").find("\\root\\virtualization\\v2:"), std::string::npos) << call.line;
    ReferenceGuest reference(L"Gen2 320", "hv-2022");
    ASSERT_TRUE(reference.Opened());
    reference.conn.SetAbsolutePosition(100, 50, reference.error);
    reference.conn.TypeText(L"a", reference.error);
    EXPECT_TRUE(WaitShown(reference));

    Open(L"Gen2 No Mouse", L"hv-2022");
    from = LogSize();
    PostAt(WM_MOUSEMOVE, image.left + 10, image.top + 10);
    PostAt(WM_LBUTTONDOWN, image.left + 10, image.top + 10);
    PostAt(WM_LBUTTONUP, image.left + 10, image.top + 10);
    Post(WM_KEYDOWN, 'B', 0);
    Post(WM_KEYUP, 'B', 0);
    EXPECT_EQ(WaitDescribed(session, from, 2), (std::vector<std::string>{"PressKey 66", "ReleaseKey 66"}));
    EXPECT_EQ(session.OpenDialogs(), 0u);
}

TEST_F(InputBlackBox, RelativeMouseHoldsThePointerUntilCtrl) {
    Launch();
    Open(L"Relative 320");
    HWND window = session.Window();

    // The pointer enters the image: the guest follows by the difference.
    size_t from = LogSize();
    MovePointer(ScreenPoint(window, image.left + 100, image.top + 50));
    EXPECT_EQ(WaitFirst(session, from), "SetRelativePosition 100 -50");

    // Pushed past the right edge: the guest pointer moves a tenth of the screen and the local
    // pointer is put back on the edge.
    from = LogSize();
    MovePointer(ScreenPoint(window, image.right + 5, image.top + 50));
    EXPECT_EQ(WaitFirst(session, from), "SetRelativePosition 32 0");
    const POINT edge = ScreenPoint(window, image.right, image.top + 50);
    EXPECT_TRUE(uidriver::WaitUntil([&] { return CursorPos().x == edge.x && CursorPos().y == edge.y; }))
        << CursorPos().x << "," << CursorPos().y;

    // Ctrl lets it go: it may now leave the image and the window.
    from = LogSize();
    ASSERT_TRUE(TypeKeys(window, {VK_CONTROL, -VK_CONTROL}));
    EXPECT_EQ(WaitDescribed(session, from, 2), (std::vector<std::string>{"PressKey 17", "ReleaseKey 17"}));
    from = LogSize();
    const POINT outside = ScreenPoint(window, image.right + 40, image.top + 50);
    MovePointer(outside);
    EXPECT_EQ(WaitFirst(session, from), "SetRelativePosition 32 0");
    session.Settle();
    EXPECT_EQ(CursorPos().x, outside.x);
    EXPECT_EQ(CursorPos().y, outside.y);

    MovePointer(park);  // and out of the window
}

TEST_F(InputBlackBox, KeysAndTheKeyboardMenu) {
    Launch();
    Open(L"Absolute 320");
    HWND window = session.Window();

    // Left Shift reaches the guest as the generic 16, and the typed text shows on its screen.
    size_t from = LogSize();
    ASSERT_TRUE(TypeKeys(window, {VK_LSHIFT, 'H', -'H', -VK_LSHIFT, 'I', -'I'}));
    EXPECT_EQ(WaitDescribed(session, from, 6),
              (std::vector<std::string>{"PressKey 16", "PressKey 72", "ReleaseKey 72", "ReleaseKey 16",
                                        "PressKey 73", "ReleaseKey 73"}));
    ReferenceGuest reference(L"Absolute 320");
    ASSERT_TRUE(reference.Opened());
    reference.conn.TypeText(L"Hi", reference.error);
    EXPECT_TRUE(WaitShown(reference));

    from = LogSize();
    session.Command(IDM_CTRL_ALT_DEL);
    EXPECT_EQ(WaitDescribed(session, from, 6),
              (std::vector<std::string>{"PressKey 164", "PressKey 162", "PressKey 46", "ReleaseKey 46",
                                        "ReleaseKey 162", "ReleaseKey 164"}));

    // "Shift+" holds the left Shift key, and releases both when both are down.
    from = LogSize();
    session.Command(IDM_SHIFT);
    EXPECT_EQ(WaitDescribed(session, from, 3),
              (std::vector<std::string>{"IsKeyPressed 160", "IsKeyPressed 161", "PressKey 160"}));
    from = LogSize();
    Post(WM_KEYDOWN, VK_RSHIFT, 0);
    session.Command(IDM_SHIFT);
    EXPECT_EQ(WaitDescribed(session, from, 5), (std::vector<std::string>{"PressKey 161", "IsKeyPressed 160",
                                                                         "IsKeyPressed 161", "ReleaseKey 160",
                                                                         "ReleaseKey 161"}));

    // Opening the Keyboard menu (by its mnemonic, without an Alt key) asks the guest for all eight
    // modifier keys.
    from = LogSize();
    Post(WM_SYSCOMMAND, SC_KEYMENU, 'k');
    EXPECT_EQ(WaitDescribed(session, from, 8),
              (std::vector<std::string>{"IsKeyPressed 160", "IsKeyPressed 161", "IsKeyPressed 162", "IsKeyPressed 163",
                                        "IsKeyPressed 164", "IsKeyPressed 165", "IsKeyPressed 91", "IsKeyPressed 92"}));
    Post(WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(uidriver::WaitUntil([] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        return !menu || !IsWindowVisible(menu);
    }));
    session.Settle();

    // Alt+F4 goes to the guest while "through ALT key" is on...
    from = LogSize();
    ASSERT_TRUE(TypeKeys(window, {VK_MENU, VK_F4, -VK_F4, -VK_MENU}));
    EXPECT_EQ(WaitDescribed(session, from, 4),
              (std::vector<std::string>{"PressKey 18", "PressKey 115", "ReleaseKey 115", "ReleaseKey 18"}));
    EXPECT_TRUE(session.Running());
    // ...and closes the window once it is off.
    session.Command(IDM_THROUGH_ALT);
    session.Settle();
    ASSERT_TRUE(TypeKeys(window, {VK_MENU, VK_F4, -VK_F4, -VK_MENU}));
    EXPECT_TRUE(uidriver::WaitUntil([&] { return !session.Running(); }));
}

TEST_F(InputBlackBox, KanjiAndTheClipboard) {
    Launch();
    Open(L"Absolute 320");

    // This host lacks TypeScancodes: the message box says so.
    session.Command(IDM_KANJI);
    bool shown = false;
    EXPECT_EQ(session.AnswerMessageBox(L"type scancode of Kanji key", shown), L"This function is require Hyper-V R2.");
    EXPECT_TRUE(shown);

    // The clipboard's text in one call, line end and all.
    const wchar_t text[] = L"ab\r\nc";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    memcpy(GlobalLock(block), text, sizeof(text));
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    size_t from = LogSize();
    session.Command(IDM_TYPE_CLIPBOARD);
    WaitDescribed(session, from, 1);
    const std::vector<LoggedCall> typed = DeviceCalls(session, from);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_TRUE(typed[0].Is("ExecMethod", "TypeText"));
    EXPECT_EQ(typed[0].Field("in"), R"({"asciiText":"ab\r\nc"})");
    ReferenceGuest reference(L"Absolute 320");
    ASSERT_TRUE(reference.Opened());
    reference.conn.TypeText(text, reference.error);
    EXPECT_TRUE(WaitShown(reference));

    // An empty clipboard, or one with only a bitmap, types nothing.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    from = LogSize();
    session.Command(IDM_TYPE_CLIPBOARD);
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(CF_BITMAP, CreateBitmap(4, 4, 1, 32, nullptr));
    CloseClipboard();
    session.Command(IDM_TYPE_CLIPBOARD);
    session.Command(IDM_APPLICATION_KEY);  // a call that must come, so the wait below has an end
    EXPECT_EQ(WaitDescribed(session, from, 2), (std::vector<std::string>{"PressKey 93", "ReleaseKey 93"}));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}
