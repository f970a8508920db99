#pragma once
// Drives vuemere.exe, in its own process, the way a user would from a test program: everything goes
// through the real message queue or real keyboard input. Every wait has a timeout and reports
// failure (false, null, empty) instead of hanging.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace uidriver {

inline constexpr DWORD DefaultTimeoutMs = 20000;
inline constexpr DWORD StartTimeoutMs = 60000;  // a cold Wine process start takes seconds
inline constexpr DWORD CloseTimeoutMs = 10000;  // a program asked to close that takes longer is killed

// ---- Waiting

// Polls `condition` until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = DefaultTimeoutMs);

// Returns once the thread owning `window` has taken every message posted to it before the call
// off its queue: each was handled, or its handler entered a nested modal loop (a dialog or a
// message box). Messages generated while handling them (WM_CHAR from a key) may still be queued.
// Works across processes through vuemere-uidriver-hook.dll beside the test programs. False when
// the window is gone, or its thread does not get there in time (blocked or hung).
bool Settle(HWND window, DWORD timeoutMs = DefaultTimeoutMs);

// ---- Programs

// VUEMERE_BIN_DIR (the folder of vuemere.exe and the test programs), else this program's folder.
std::wstring BinDir();
std::wstring BinPath(const wchar_t* fileName);

// One started program and its main window. The destructor ends a program still running (Close).
class App {
public:
    App() = default;
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Starts BinDir()\vuemere.exe with `arguments` and waits for its visible top-level window of
    // class "VUEMERE". False, with the reason in Error(), when it cannot start, exits early or
    // shows no window in time.
    bool Start(const wchar_t* arguments = L"", DWORD timeoutMs = StartTimeoutMs);
    // The same for any program and window class.
    bool StartProgram(const std::wstring& path, const wchar_t* arguments, const wchar_t* windowClass,
                      DWORD timeoutMs = StartTimeoutMs);

    HWND Window() const { return window_; }
    DWORD ProcessId() const { return processId_; }
    bool Running() const;
    // Waits for the program to end; false on timeout (then `exitCode` is untouched).
    bool WaitExit(DWORD& exitCode, DWORD timeoutMs = DefaultTimeoutMs);
    // Terminates the program if it still runs (only this started process, by its handle).
    void Kill();
    // Ends the program as its user would, so that it runs its own shutdown (a build with coverage
    // writes its counts only then): WM_CLOSE to its window, then Kill when it has not ended within
    // CloseTimeoutMs (a box up that blocks the close, a hung program).
    void Close();
    const std::wstring& Error() const { return error_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
    std::wstring error_;
};

// ---- Finding windows (top-level and visible only)

// First window matching every given criterion: class and title (exact; null = any), process
// (0 = any). Null when none appears in time.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD processId = 0,
                   DWORD timeoutMs = DefaultTimeoutMs);
// A dialog or message box (class #32770) by title, owned by `owner` (null = any owner) and
// belonging to `processId` (0 = any).
HWND WaitForDialog(const wchar_t* title, HWND owner = nullptr, DWORD processId = 0,
                   DWORD timeoutMs = DefaultTimeoutMs);
// Every visible #32770 window of a process (0 = any) or, when `threadId` is given, of a thread.
std::vector<HWND> Dialogs(DWORD processId, DWORD threadId = 0);
// Waits until the window is destroyed; false on timeout.
bool WaitGone(HWND window, DWORD timeoutMs = DefaultTimeoutMs);

// ---- Reading and setting controls (work across processes)

std::wstring Text(HWND window);                 // whole text (WM_GETTEXT)
std::wstring ItemText(HWND dialog, int id);
bool SetItemText(HWND dialog, int id, const wchar_t* text);  // WM_SETTEXT, as typing would leave it
std::vector<std::wstring> ComboItems(HWND dialog, int id);
// Selects an entry as the user would: the selection changes and the parent gets CBN_SELCHANGE.
bool SelectComboItem(HWND dialog, int id, int index);
bool IsEnabled(HWND dialog, int id);
// The window holding the keyboard focus in `window`'s thread (null when none).
HWND FocusOf(HWND window);

// List views, through memory in the program's own process (their messages carry pointers).
// The items' texts in the list's order, `columns` subitems each (0 is the item's text).
std::vector<std::vector<std::wstring>> ListViewRows(HWND list, int columns);
// Selects exactly the items given by index and focuses the first, as clicks would leave them.
bool ListViewSelect(HWND list, const std::vector<int>& items);
// Where an item's image is, in the list's client coordinates.
bool ListViewImageRect(HWND list, int item, RECT& rect);

// ---- Acting

// Clicks a button (BM_CLICK, posted). False when the button is missing or disabled: a user could
// not click it either.
bool Click(HWND dialog, int id);
// Posts WM_COMMAND with `id` as a menu or accelerator would (notification 0, no control).
bool PostCommand(HWND window, int id);
// Resizes a top-level window with a menu so that its client area is `width` x `height`, and waits
// until it is.
bool SetClientSize(HWND window, int width, int height);
// Posts a key press and release (WM_KEYDOWN, WM_KEYUP) to `window`, e.g. FocusOf(dialog).
bool PostKey(HWND window, UINT vk);
// The close box: WM_SYSCOMMAND SC_CLOSE, posted.
bool PressCloseBox(HWND window);

enum Modifier : unsigned { NoModifier = 0, ShiftKey = 1, CtrlKey = 2, AltKey = 4 };
// Real keyboard input for a character: brings `window` to the foreground, then SendInput of the
// modifiers (Shift added when the keyboard layout needs it: Alt+"?" is Alt+Shift+"/" on a US
// layout), the key and the releases in reverse order. False when the layout has no key for it.
bool SendCharInput(HWND window, wchar_t ch, unsigned modifiers = NoModifier, DWORD timeoutMs = DefaultTimeoutMs);

// ---- Message boxes

struct DialogButton {
    int id = 0;
    std::wstring text;
    bool isDefault = false;  // BS_DEFPUSHBUTTON
};

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasIcon = false;
    std::vector<DialogButton> buttons;  // in child order
};

// Reads a message box (or any dialog's caption, non-icon static text and buttons).
bool ReadMessageBox(HWND box, MessageBoxInfo& info);
// Clicks the box's button `id` (IDOK, IDCANCEL, ...) and waits for the box to go away.
bool Answer(HWND box, int id, DWORD timeoutMs = DefaultTimeoutMs);

// ---- Menus

struct MenuItem {
    UINT id = 0;                  // command id (0 for popups and separators)
    std::wstring text;
    UINT state = 0;               // MFS_GRAYED and the like, as the resource has them
    bool separator = false;
    std::vector<MenuItem> items;  // a popup's items
};

// Reads a menu resource from a module file (LOAD_LIBRARY_AS_DATAFILE): under Wine another
// process's menu handle cannot be read. Empty when the file or the menu is missing.
std::vector<MenuItem> ReadMenuResource(const std::wstring& modulePath, int menuId);

// ---- Pixels

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> data;  // 0x00RRGGBB, top row first
    uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

// The window's client area as shown now (BitBlt from the window's DC into a 32-bit DIB). The
// window must be visible and not covered. Painting comes after every queued message, so a test
// waits for the pixels it expects (WaitUntil) rather than reading once after Settle.
bool CaptureClient(HWND window, Pixels& pixels);

}  // namespace uidriver
