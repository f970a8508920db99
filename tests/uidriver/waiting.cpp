// Waiting for windows and for a thread to catch up with its queue.
#include "uidriver.h"

#include <cwchar>

namespace uidriver {

namespace {

constexpr DWORD PollMs = 20;

struct Criteria {
    const wchar_t* className;
    const wchar_t* title;
    HWND owner;
    DWORD processId;
    DWORD threadId;
    std::vector<HWND> found;
};

bool HasClass(HWND window, const wchar_t* className) {
    wchar_t name[256];
    if (!GetClassNameW(window, name, 256)) return false;
    return std::wcscmp(name, className) == 0;
}

BOOL CALLBACK CollectMatch(HWND window, LPARAM param) {
    auto& c = *reinterpret_cast<Criteria*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (c.processId && processId != c.processId) return TRUE;
    if (c.threadId && threadId != c.threadId) return TRUE;
    if (c.owner && GetWindow(window, GW_OWNER) != c.owner) return TRUE;
    if (c.className && !HasClass(window, c.className)) return TRUE;
    if (c.title && Text(window) != c.title) return TRUE;
    c.found.push_back(window);
    return TRUE;
}

std::vector<HWND> Matches(Criteria criteria) {
    EnumWindows(CollectMatch, reinterpret_cast<LPARAM>(&criteria));
    return criteria.found;
}

HWND WaitForMatch(const Criteria& criteria, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> matches = Matches(criteria);
            if (!matches.empty()) found = matches.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(PollMs);
    }
}

bool Settle(HWND window, DWORD timeoutMs) {
    if (!IsWindow(window)) return false;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return true;
    // A sent message is taken at the thread's next message retrieval, ahead of posted ones. The
    // first round trip may be taken before the posted messages; the second only after the
    // retrieval that followed it, which took the posted messages queued ahead.
    for (int round = 0; round < 2; ++round) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result))
            return !IsWindow(window);  // a window that went away has nothing left to handle
    }
    return true;
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD processId, DWORD timeoutMs) {
    return WaitForMatch(Criteria{className, title, nullptr, processId, 0, {}}, timeoutMs);
}

HWND WaitForDialog(const wchar_t* title, HWND owner, DWORD processId, DWORD timeoutMs) {
    return WaitForMatch(Criteria{L"#32770", title, owner, processId, 0, {}}, timeoutMs);
}

std::vector<HWND> Dialogs(DWORD processId, DWORD threadId) {
    return Matches(Criteria{L"#32770", nullptr, nullptr, processId, threadId, {}});
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

}  // namespace uidriver
