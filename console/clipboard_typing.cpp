#include "console/clipboard_text.h"
#include "console/main_wnd.h"

// "type from clipboard": the clipboard's text goes to the guest in pieces a host takes, one
// TypeText call at a time. The first piece goes at once; the rest follow on a timer, one a tick,
// so that input and painting are handled between the calls (a message posted to itself would come
// before them every time). Typing ends when the text is done, when a call fails (the rest would
// leave a gap in the guest's text), and when the machine is closed or another one opened.

namespace {
constexpr UINT_PTR TypingTimer = 2;
}

void MainWnd::TypeClipboard() {
    WideString text;
    ReadClipboardText(hwnd, text);
    if (text.Empty()) return;
    if (conn.providerVersion == ProviderVersion::First) ReplaceNonAscii(text);
    const bool idle = typing.Empty();
    typing.Add(text);  // a second paste while one is typed follows it
    if (!idle) return;
    TypeNextPiece();
    if (!typing.Empty()) SetTimer(hwnd, TypingTimer, USER_TIMER_MINIMUM, nullptr);
}

void MainWnd::TypeNextPiece() {
    WideString piece, errorText;
    if (MachineOpen() && typing.Next(piece) && conn.TypeText(piece.c_str(), errorText) != 0) typing.Clear();
    if (MachineOpen() && !typing.Empty()) return;
    StopTyping();
    RequestRefresh();
}

void MainWnd::StopTyping() {
    typing.Clear();
    KillTimer(hwnd, TypingTimer);
}

bool MainWnd::OnTypingTimer(WPARAM timerIdParam) {
    if (timerIdParam != TypingTimer) return false;
    TypeNextPiece();
    return true;
}
