// The UI driver itself: that what it reports is what happened, and that its waits end.
#include "uidriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace uidriver;

namespace {

constexpr UINT CountMessage = WM_APP + 1;
constexpr UINT BlockMessage = WM_APP + 2;

std::atomic<int> counted{0};
HANDLE unblock = nullptr;

// Counts one message, blocks on another, and paints three bands: red, green, blue from the top.
LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case CountMessage:
        ++counted;
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

// A 120x90 test window on a thread of its own, pumping messages until the test ends.
class WindowThread {
public:
    WindowThread() {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] {
            threadId_ = GetCurrentThreadId();
            WNDCLASSW wc{};
            wc.lpfnWndProc = TestWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"UiDriverTestWindow";
            RegisterClassW(&wc);
            window_ = CreateWindowExW(0, wc.lpszClassName, L"driver test", WS_POPUP | WS_VISIBLE, 40, 40, 120, 90,
                                      nullptr, nullptr, wc.hInstance, nullptr);
            SetEvent(ready);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
            DestroyWindow(window_);
        });
        WaitForSingleObject(ready, DefaultTimeoutMs);
        CloseHandle(ready);
    }
    ~WindowThread() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Window() const { return window_; }

private:
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

}  // namespace

TEST(UiDriver, SettleCoversPostedMessagesAndGivesUpOnABlockedThread) {
    WindowThread thread;
    HWND window = thread.Window();
    ASSERT_TRUE(window);
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

    // The capture reads the client area top row first.
    Pixels pixels;
    ASSERT_TRUE(CaptureClient(window, pixels));
    ASSERT_EQ(pixels.width, 120);
    ASSERT_EQ(pixels.height, 90);
    EXPECT_EQ(pixels.At(119, 29), 0xFF0000u);
    EXPECT_EQ(pixels.At(60, 45), 0x00FF00u);
    EXPECT_EQ(pixels.At(0, 89), 0x0000FFu);
}

TEST(UiDriver, ModalRunsAreReadAnsweredOrCancelled) {
    ModalRun run = RunModalDriven(
        [] { return static_cast<INT_PTR>(MessageBoxW(nullptr, L"body text", L"driver box", MB_YESNO | MB_ICONWARNING)); },
        [] {
            MessageBoxInfo box = WaitForMessageBox(L"driver box", nullptr, GetCurrentProcessId());
            ASSERT_TRUE(box.window);
            EXPECT_EQ(box.text, L"body text");
            EXPECT_TRUE(box.hasIcon);
            ASSERT_EQ(box.buttons.size(), 2u);
            EXPECT_TRUE(box.buttons[0].isDefault);
            EXPECT_EQ(box.buttons[1].id, IDNO);
            EXPECT_TRUE(Answer(box.window, IDNO));
        });
    EXPECT_FALSE(run.abandoned);
    EXPECT_EQ(run.result, IDNO);

    run = RunModalDriven(
        [] { return static_cast<INT_PTR>(MessageBoxW(nullptr, L"left open", L"abandoned box", MB_OKCANCEL)); },
        [] {}, 500);
    EXPECT_TRUE(run.abandoned);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(WaitForDialog(L"no dialog has this title", nullptr, 0, 100), nullptr);
}
