// Waiting for windows and for a thread to catch up with its queue.
#include "settle_hook.h"
#include "uidriver.h"

#include <atomic>

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
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (!threadId) return false;
    if (threadId == GetCurrentThreadId()) return true;  // nothing can be handled while we wait

    // A marker posted behind everything else: when the window's thread takes it off its queue,
    // it has taken (and handled, or entered a modal loop for) every message posted before it.
    // The hook that sees it runs in the window's thread; in another process, Windows loads the
    // hook DLL there.
    HMODULE module = nullptr;
    HOOKPROC hook = UidriverSettleHook;
    if (processId != GetCurrentProcessId()) {
        static HMODULE hookDll = LoadLibraryW(BinPath(L"vuemere-uidriver-hook.dll").c_str());
        if (!hookDll) return false;
        module = hookDll;
        // Through void*: FARPROC and HOOKPROC differ only in their declared parameters.
        hook = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(GetProcAddress(hookDll, "UidriverSettleHook")));
        if (!hook) return false;
    }
    static std::atomic<DWORD> sequence{0};
    const DWORD number = ++sequence;
    wchar_t name[64];
    SettleEventName(GetCurrentProcessId(), number, name);
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, name);
    if (!taken) return false;
    bool settled = false;
    if (HHOOK installed = SetWindowsHookExW(WH_GETMESSAGE, hook, module, threadId)) {
        static const UINT marker = RegisterWindowMessageW(UIDRIVER_SETTLE_MESSAGE);
        if (PostMessageW(window, marker, GetCurrentProcessId(), static_cast<LPARAM>(number))) {
            // A window destroyed meanwhile never takes the marker.
            for (const ULONGLONG end = GetTickCount64() + timeoutMs; !settled && IsWindow(window) && GetTickCount64() < end;)
                settled = WaitForSingleObject(taken, PollMs) == WAIT_OBJECT_0;
        }
        UnhookWindowsHookEx(installed);
    }
    CloseHandle(taken);
    return settled;
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
