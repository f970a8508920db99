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
        // The previous test's window posted WM_QUIT when it was destroyed: a modal loop would
        // take it as the end of the program.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        static bool registered = false;
        if (!registered) {
            RegisterWindowClass(GetModuleHandleW(nullptr), L"VUEMERE");
            registered = true;
        }
        ASSERT_TRUE(window.Create(L"vuemere", SW_SHOWNORMAL));
    }
    MainWnd window;
};

// True when `dialog` has a child control showing `text`.
bool HasChildText(HWND dialog, const wchar_t* text) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t buffer[64] = L"";
        GetWindowTextW(child, buffer, 64);
        if (std::wstring(buffer) == text) return true;
    }
    return false;
}

// Finds a dialog with `title` owned by `owner` once it shows `text`, waiting up to five seconds.
// Every top-level window is looked at: a box that is closing may still carry the same title.
HWND WaitForDialog(HWND owner, const wchar_t* title, const wchar_t* text) {
    struct Search {
        HWND owner;
        const wchar_t* title;
        const wchar_t* text;
        HWND found;
    } search{owner, title, text, nullptr};
    for (int i = 0; i < 500 && !search.found; ++i) {
        EnumWindows(
            [](HWND candidate, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                wchar_t caption[64] = L"";
                GetWindowTextW(candidate, caption, 64);
                if (std::wstring(caption) == s->title && GetWindow(candidate, GW_OWNER) == s->owner &&
                    IsWindowVisible(candidate) && HasChildText(candidate, s->text)) {
                    s->found = candidate;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(10);
    }
    return search.found;
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
    } closers[] = {{WM_COMMAND, IDCANCEL}, {WM_COMMAND, IDOK}, {WM_SYSCOMMAND, SC_CLOSE}};
    for (const Closer& closer : closers) {
        std::atomic<bool> found{false};
        std::thread driver([&] {
            HWND about = WaitForDialog(window.hwnd, L"バージョン情報", L"vuemere Version 0.36");
            found = about != nullptr;
            // On failure close the console's popup anyway, so the modal loop cannot run on.
            if (!about) about = GetWindow(window.hwnd, GW_ENABLEDPOPUP);
            PostMessageW(about, closer.msg, closer.wParam, 0);
        });
        SendMessageW(window.hwnd, WM_COMMAND, IDM_ABOUT, 0);  // returns when the box has closed
        driver.join();
        EXPECT_TRUE(found) << "About box with its version text";
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
