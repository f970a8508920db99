#include "console/clipboard_text.h"
#include "console/main_wnd.h"

// "type from clipboard": the clipboard's text goes to the guest in pieces a host takes, one
// TypeText call at a time. The first piece goes at once; the rest follow on a timer, one a tick,
// so that input and painting are handled between the calls (a message posted to itself would come
// before them every time). Typing ends when the text is done, when a piece is not typed (no
// keyboard, a failing call, a refusal: a box says where it stopped), and when the machine is
// closed or another one opened.

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
    if (!MachineOpen() || !typing.Next(piece)) {
        StopTyping();
        return;
    }
    const HRESULT hr = conn.TypeText(piece.c_str(), errorText);
    if (hr != 0) {
        // The rest would leave a hole in the guest's text: it is not typed, and the user is told
        // where it stopped (once the timer is gone: the box runs ticks of its own).
        if (errorText.Empty()) errorText.Assign(L"the host did not take the text");
        AppendFailureCode(errorText, static_cast<uint32_t>(hr));
        WideString text;
        BuildTypingStoppedText(typing.Text().c_str(), typing.PieceStart(), typing.Text().Length(), errorText.c_str(),
                               text);
        StopTyping();
        RequestRefresh();
        MessageBoxW(hwnd, text.c_str(), L"type from clipboard", MB_OK);
        return;
    }
    if (!typing.Empty()) return;
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
