// The UI driver itself: that what it reports is what happened, and that its waits end.
#include "resources/resource.h"
#include "uidriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>

using namespace uidriver;

namespace {

constexpr UINT CountMessage = WM_APP + 1;
constexpr UINT BlockMessage = WM_APP + 2;

std::atomic<int> counted{0};
HANDLE unblock = nullptr;
bool helperProcess = false;  // this program started as another test's window owner

// Counts one message, blocks on another, and paints three bands: red, green, blue from the top.
LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case CountMessage:
        ++counted;
        if (helperProcess) SetWindowTextW(hwnd, std::to_wstring(counted.load()).c_str());
        return 0;
    case WM_DESTROY:
        if (helperProcess) PostQuitMessage(0);
        return 0;
    case BlockMessage:
        WaitForSingleObject(unblock, DefaultTimeoutMs);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        const COLORREF colors[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
        for (int band = 0; band < 3; ++band) {
            RECT r{0, client.bottom * band / 3, client.right, client.bottom * (band + 1) / 3};
            HBRUSH brush = CreateSolidBrush(colors[band]);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateTestWindow() {
    static ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"UiDriverTestWindow";
        return RegisterClassW(&wc);
    }();
    if (!atom) return nullptr;
    HWND hwnd = CreateWindowExW(0, L"UiDriverTestWindow", L"driver test", WS_POPUP | WS_VISIBLE, 40, 40,
                                120, 90, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(hwnd);
    return hwnd;
}

// A test window on a thread of its own, pumping messages until the window is destroyed.
class WindowThread {
public:
    WindowThread() {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] {
            threadId_ = GetCurrentThreadId();
            window_ = CreateTestWindow();
            SetEvent(ready);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        });
        WaitForSingleObject(ready, DefaultTimeoutMs);
        CloseHandle(ready);
    }
    ~WindowThread() {
        PostMessageW(window_, WM_CLOSE, 0, 0);  // DefWindowProc destroys it; no quit message follows
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Window() const { return window_; }

private:
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

// Started with this argument, the program only shows a test window until it is closed: a window
// of another process for the driver to work on.
const bool helperRan = [] {
    if (std::wcsstr(GetCommandLineW(), L"--uidriver-exit-at-once")) ExitProcess(3);
    if (!std::wcsstr(GetCommandLineW(), L"--uidriver-window-helper")) return false;
    helperProcess = true;
    CreateTestWindow();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    ExitProcess(0);
}();

}  // namespace

TEST(Programs, StartFindsTheWindowAndExitReportsTheCode) {
    App app;
    ASSERT_TRUE(app.Start()) << testing::PrintToString(app.Error());
    EXPECT_EQ(Text(app.Window()), L"vuemere");
    EXPECT_TRUE(app.Running());
    DWORD code = 12345;
    EXPECT_FALSE(app.WaitExit(code, 200)) << "the program still runs";
    EXPECT_EQ(code, 12345u);

    ASSERT_TRUE(PostCommand(app.Window(), IDM_EXIT));
    ASSERT_TRUE(app.WaitExit(code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(app.Running());
}

TEST(Programs, StartFailuresAreReported) {
    App missing;
    EXPECT_FALSE(missing.StartProgram(BinPath(L"no-such-program.exe"), L"", L"VUEMERE", 2000));
    EXPECT_NE(missing.Error().find(L"cannot start"), std::wstring::npos);

    // A program that ends without a window: reported as such, not waited for until the timeout.
    App windowless;
    EXPECT_FALSE(windowless.StartProgram(OwnPath(), L"--uidriver-exit-at-once", L"VUEMERE", StartTimeoutMs));
    EXPECT_EQ(windowless.Error(), L"the program ended before it showed a window");
}

TEST(RealKeyboardInput, AltQuestionMarkReachesTheProgramsAccelerator) {
    App app;
    ASSERT_TRUE(app.Start()) << testing::PrintToString(app.Error());
    ASSERT_TRUE(SendCharInput(app.Window(), L'?', AltKey));
    HWND about = WaitForDialog(L"バージョン情報", app.Window(), app.ProcessId());
    ASSERT_TRUE(about) << "the About box did not open";
    EXPECT_EQ(Dialogs(app.ProcessId()), std::vector<HWND>{about});
    ASSERT_TRUE(PressCloseBox(about));
    EXPECT_TRUE(WaitGone(about));
    ASSERT_TRUE(PostCommand(app.Window(), IDM_EXIT));
    DWORD code = 1;
    EXPECT_TRUE(app.WaitExit(code));
}

TEST(Menus, ReadFromTheProgramsResource) {
    std::vector<MenuItem> menu = ReadMenuResource(BinPath(L"vuemere.exe"), IDC_VUEMERE);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_TRUE(menu[0].popup);
    EXPECT_EQ(menu[0].text, L"&Console");
    EXPECT_EQ(menu[2].text, L"ヘルプ(&H)");
    ASSERT_EQ(menu[0].items.size(), 6u);
    EXPECT_TRUE(menu[0].items[4].separator);
    const MenuItem* exit = FindMenuItem(menu, IDM_EXIT);
    ASSERT_TRUE(exit);
    EXPECT_EQ(exit->text, L"終了(&X)");
    ASSERT_TRUE(FindMenuItem(menu, IDM_ABOUT));
    EXPECT_EQ(FindMenuItem(menu, IDM_ABOUT)->text, L"バージョン情報(&A)...");
    EXPECT_FALSE(FindMenuItem(menu, 4242));

    EXPECT_TRUE(ReadMenuResource(BinPath(L"no-such-module.exe"), IDC_VUEMERE).empty());
    EXPECT_TRUE(ReadMenuResource(BinPath(L"vuemere.exe"), 4242).empty());
}

TEST(Pixels, CaptureReadsTheClientAreaTopRowFirst) {
    WindowThread thread;
    ASSERT_TRUE(thread.Window());
    ASSERT_TRUE(Settle(thread.Window()));
    Pixels pixels;
    ASSERT_TRUE(CaptureClient(thread.Window(), pixels));
    ASSERT_EQ(pixels.width, 120);
    ASSERT_EQ(pixels.height, 90);
    EXPECT_EQ(pixels.At(0, 0), 0xFF0000u);
    EXPECT_EQ(pixels.At(119, 29), 0xFF0000u);
    EXPECT_EQ(pixels.At(60, 45), 0x00FF00u);
    EXPECT_EQ(pixels.At(0, 89), 0x0000FFu);
    EXPECT_EQ(pixels.At(119, 60), 0x0000FFu);
}

TEST(Waiting, SettleCoversEveryPostedMessageAndGivesUpOnABlockedThread) {
    WindowThread thread;
    HWND window = thread.Window();
    ASSERT_TRUE(window);
    counted = 0;
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(PostMessageW(window, CountMessage, 0, 0));
    ASSERT_TRUE(Settle(window));
    EXPECT_EQ(counted.load(), 200);

    unblock = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(PostMessageW(window, BlockMessage, 0, 0));
    EXPECT_FALSE(Settle(window, 300)) << "the thread is blocked: Settle must give up";
    SetEvent(unblock);
    EXPECT_TRUE(Settle(window));
    CloseHandle(unblock);

    EXPECT_FALSE(Settle(nullptr));
    EXPECT_EQ(WaitForDialog(L"no dialog has this title", nullptr, 0, 100), nullptr);
    EXPECT_FALSE(WaitUntil([] { return false; }, 100));
}

TEST(ModalRuns, MessageBoxIsReadAndAnswered) {
    ModalRun run = RunModalDriven(
        [] { return static_cast<INT_PTR>(MessageBoxW(nullptr, L"body text", L"driver box", MB_YESNO | MB_ICONWARNING)); },
        [] {
            MessageBoxInfo box = WaitForMessageBox(L"driver box", nullptr, GetCurrentProcessId());
            ASSERT_TRUE(box.window);
            EXPECT_EQ(box.text, L"body text");
            EXPECT_TRUE(box.hasIcon);
            ASSERT_EQ(box.buttons.size(), 2u);
            EXPECT_EQ(box.buttons[0].id, IDYES);
            EXPECT_TRUE(box.buttons[0].isDefault);
            EXPECT_EQ(box.buttons[1].id, IDNO);
            EXPECT_TRUE(Answer(box.window, IDNO));
        });
    EXPECT_FALSE(run.abandoned);
    EXPECT_EQ(run.result, IDNO);
}

TEST(ModalRuns, ARunTheDriverLeavesOpenIsCancelled) {
    ModalRun run = RunModalDriven(
        [] { return static_cast<INT_PTR>(MessageBoxW(nullptr, L"left open", L"abandoned box", MB_OKCANCEL)); },
        [] {}, 500);
    EXPECT_TRUE(run.abandoned);
    EXPECT_EQ(run.result, IDCANCEL);
}

TEST(Waiting, SettleWorksOnAnotherProcess) {
    App helper;
    ASSERT_TRUE(helper.StartProgram(OwnPath(), L"--uidriver-window-helper", L"UiDriverTestWindow"))
        << testing::PrintToString(helper.Error());
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(PostMessageW(helper.Window(), CountMessage, 0, 0));
    ASSERT_TRUE(Settle(helper.Window()));
    EXPECT_EQ(Text(helper.Window()), L"200");
    ASSERT_TRUE(PostMessageW(helper.Window(), WM_CLOSE, 0, 0));
    DWORD code = 1;
    EXPECT_TRUE(helper.WaitExit(code));
    EXPECT_EQ(code, 0u);
}
