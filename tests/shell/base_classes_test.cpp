#include "shell/base_dlg.h"
#include "shell/base_wnd.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Records the windows destroyed on this thread.
std::vector<HWND> destroyed;
LRESULT CALLBACK CountDestroys(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND) destroyed.push_back(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class RecordingWnd : public BaseWnd {
public:
    std::vector<UINT> seen;
    HWND hwndAtCreate = nullptr;

    HWND Make() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW wc{sizeof(wc)};
            wc.lpfnWndProc = BaseWnd::WndProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"RecordingWnd";
            RegisterClassExW(&wc);
            registered = true;
        }
        return CreateWindowExW(0, L"RecordingWnd", L"t", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                               nullptr, GetModuleHandleW(nullptr), this);
    }

protected:
    LRESULT HandleMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(msg);
        if (msg == WM_CREATE) hwndAtCreate = hwnd;
        return DefWindowProcW(window, msg, wParam, lParam);
    }
};

bool Saw(const std::vector<UINT>& seen, UINT msg) {
    for (UINT m : seen)
        if (m == msg) return true;
    return false;
}

}  // namespace

TEST(BaseWnd, HandlerSeesMessagesFromCreateToDestroyOnly) {
    RecordingWnd w;
    HWND window = w.Make();
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(w.seen.empty());
    EXPECT_EQ(w.seen.front(), static_cast<UINT>(WM_CREATE));  // WM_NCCREATE, WM_GETMINMAXINFO... went to default
    EXPECT_FALSE(Saw(w.seen, WM_NCCREATE));
    EXPECT_FALSE(Saw(w.seen, WM_NCCALCSIZE));
    EXPECT_EQ(w.hwndAtCreate, window);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&w));

    SendMessageW(window, WM_USER + 5, 0, 0);
    EXPECT_EQ(w.seen.back(), static_cast<UINT>(WM_USER + 5));

    DestroyWindow(window);
    EXPECT_EQ(w.seen.back(), static_cast<UINT>(WM_DESTROY));  // not WM_NCDESTROY
    EXPECT_FALSE(IsWindow(window));
}

TEST(BaseWnd, DestructionDestroysALiveWindowAndNothingOtherwise) {
    HHOOK hook = SetWindowsHookExW(WH_CBT, CountDestroys, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);

    destroyed.clear();
    { RecordingWnd neverCreated; }
    EXPECT_TRUE(destroyed.empty());

    HWND window = nullptr;
    {
        RecordingWnd w;
        window = w.Make();
        ASSERT_TRUE(IsWindow(window));
    }
    EXPECT_EQ(std::count(destroyed.begin(), destroyed.end(), window), 1);
    EXPECT_FALSE(IsWindow(window));
    UnhookWindowsHookEx(hook);
}

namespace {

class RecordingDlg : public BaseDlg {
public:
    std::vector<UINT> seen;
    HWND hwndAtInit = nullptr;
    HANDLE propertyAtInit = nullptr;

protected:
    INT_PTR HandleMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM) override {
        seen.push_back(msg);
        if (msg == WM_INITDIALOG) {
            hwndAtInit = hwnd;
            propertyAtInit = GetPropW(dialog, L"BaseDlg_DlgProc_");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 7);
            return TRUE;
        }
        if (msg == WM_DESTROY) {
            EXPECT_NE(GetPropW(dialog, L"BaseDlg_DlgProc_"), nullptr);  // detached only afterwards
        }
        return FALSE;
    }
};

}  // namespace

TEST(BaseDlg, HandlerSeesInitDialogWithHwndSetAndNothingAfterDestroy) {
    RecordingDlg d;
    INT_PTR result = d.RunModal(GetModuleHandleW(nullptr), IDD_SETTING, nullptr);
    EXPECT_EQ(result, 7);
    ASSERT_FALSE(d.seen.empty());
    EXPECT_EQ(d.seen.front(), static_cast<UINT>(WM_INITDIALOG));  // WM_SETFONT came first, unseen
    EXPECT_FALSE(Saw(d.seen, WM_SETFONT));
    EXPECT_NE(d.hwndAtInit, nullptr);
    EXPECT_EQ(d.propertyAtInit, static_cast<HANDLE>(&d));
    EXPECT_EQ(d.seen.back(), static_cast<UINT>(WM_DESTROY));
    EXPECT_FALSE(IsWindow(d.hwnd));
}
