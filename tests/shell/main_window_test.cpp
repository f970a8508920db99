// The console window in-process: class, window, menu, timer, About box and exit command.
#include "console/main_wnd.h"
#include "resources/resource.h"
#include "shell/app.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

class ConsoleWindow : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            RegisterWindowClass(GetModuleHandleW(nullptr), L"VUEMERE");
            registered = true;
        }
        ASSERT_TRUE(window.Create(L"vuemere", SW_SHOWNORMAL));
    }
    void TearDown() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }
    MainWnd window;
};

// Finds a top-level dialog with `title` owned by `owner`, waiting up to five seconds.
HWND WaitForDialog(HWND owner, const wchar_t* title) {
    for (int i = 0; i < 500; ++i) {
        HWND found = FindWindowW(L"#32770", title);
        // Visible only once WM_INITDIALOG has run and every control exists.
        if (found && GetWindow(found, GW_OWNER) == owner && IsWindowVisible(found)) return found;
        Sleep(10);
    }
    return nullptr;
}

}  // namespace

TEST_F(ConsoleWindow, ClassWindowMenuAndTimer) {
    HWND hwnd = window.hwnd;
    wchar_t text[64];
    GetClassNameW(hwnd, text, 64);
    EXPECT_STREQ(text, L"VUEMERE");
    GetWindowTextW(hwnd, text, 64);
    EXPECT_STREQ(text, L"vuemere");
    EXPECT_TRUE(window.title == L"vuemere");
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(GetClassLongPtrW(hwnd, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    EXPECT_EQ(GetClassLongPtrW(hwnd, GCL_CBWNDEXTRA), 4u);
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICON), 0u);
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICONSM), 0u);

    HMENU menu = GetMenu(hwnd);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(GetMenuState(menu, IDM_CONNECT, MF_BYCOMMAND) & MF_GRAYED, 0u);

    EXPECT_EQ(window.timerId, 1u);
    EXPECT_TRUE(window.server == L"localhost");
    EXPECT_EQ(window.setting.interval, 1000);
}

TEST_F(ConsoleWindow, AboutBoxOpensModallyAndClosesWithCancelOkAndCloseBox) {
    struct Closer {
        UINT msg;
        WPARAM wParam;
    } closers[] = {{WM_COMMAND, IDCANCEL}, {WM_COMMAND, IDOK}, {WM_CLOSE, 0}};
    for (const Closer& closer : closers) {
        std::atomic<bool> sawText{false}, found{false};
        std::thread driver([&] {
            HWND about = WaitForDialog(window.hwnd, L"バージョン情報");
            if (!about) return;
            found = true;
            wchar_t text[64] = L"";
            for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                GetWindowTextW(child, text, 64);
                if (std::wstring(text) == L"vuemere Version 0.36") sawText = true;
            }
            PostMessageW(about, closer.msg, closer.wParam, 0);
        });
        SendMessageW(window.hwnd, WM_COMMAND, IDM_ABOUT, 0);  // returns when the box has closed
        driver.join();
        EXPECT_TRUE(found);
        EXPECT_TRUE(sawText);
        EXPECT_TRUE(IsWindow(window.hwnd));
        EXPECT_EQ(FindWindowW(L"#32770", L"バージョン情報"), nullptr);
    }
}

TEST_F(ConsoleWindow, UnknownCommandsChangeNothing) {
    for (WPARAM id : {1u, 2u, 999u, 40000u, 32801u}) SendMessageW(window.hwnd, WM_COMMAND, id, 0);
    EXPECT_TRUE(IsWindow(window.hwnd));
    EXPECT_EQ(window.timerId, 1u);
    wchar_t text[64];
    GetWindowTextW(window.hwnd, text, 64);
    EXPECT_STREQ(text, L"vuemere");
    EXPECT_EQ(GetWindow(window.hwnd, GW_ENABLEDPOPUP), nullptr);
}

TEST_F(ConsoleWindow, ExitCommandDestroysTheWindowKillsTheTimerAndPostsQuitZero) {
    HWND hwnd = window.hwnd;
    SendMessageW(hwnd, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.timerId, 0u);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}
