#include "console/key_tables.h"
#include "console/main_wnd.h"
#include "resources/resource.h"

// Key messages and the Keyboard menu's commands become keyboard device calls on the open machine;
// their results are ignored except for the Kanji key's, which is shown.

namespace {

void SendStrokes(VmConn& conn, const KeyStroke* strokes, size_t count, WideString& errorText) {
    for (size_t i = 0; i < count; ++i) conn.SendKey(strokes[i].keyCode, strokes[i].press, errorText);
}

}  // namespace

LRESULT MainWnd::OnKey(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool systemKey = msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP;
    // Ctrl+Alt+Pause is the console's own, never the guest's (the press toggles, the release is dropped).
    if (IsFullScreenKey(wParam)) {
        if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) ToggleFullScreen();
        return 0;
    }
    // Full screen hands every other key to the guest, Alt combinations and F10 included.
    if (systemKey && throughAltKey != 1 && !fullScreen) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (!ImageAvailable()) return 0;  // swallowed, not handed to the local window

    const int32_t keyCode = static_cast<int32_t>(wParam);
    const int32_t press = (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) ? 1 : 0;
    WideString errorText;
    conn.SendKey(keyCode, press, errorText);
    RequestRefresh();
    // In relative mouse mode Shift, Ctrl and Alt let the held pointer leave the image.
    if (conn.ps2Mouse.object && ReleasesPointer(keyCode)) pointerState = PointerReleased;
    return 0;
}

// Check marks of the Keyboard menu: the guest's modifier state as it is now, and the Alt switch.
LRESULT MainWnd::OnInitMenuPopup(HMENU popup) {
    if (GetMenuState(popup, IDM_ALT, MF_BYCOMMAND) == static_cast<UINT>(-1)) return 0;
    // While the host is away the guest's keys are unknown: nothing is checked.
    const bool open = MachineOpen() && link.Live();
    if (open) {
        WideString errorText;
        for (ModifierKey& key : modifierKeys) conn.IsKeyPressed(key.keyCode, key.pressed, errorText);
    }
    for (int32_t group : modifierGroupCommands) {
        const bool down = open && GroupPressed(group);
        CheckMenuItem(popup, static_cast<UINT>(group), MF_BYCOMMAND | (down ? MF_CHECKED : MF_UNCHECKED));
    }
    CheckMenuItem(popup, IDM_THROUGH_ALT, MF_BYCOMMAND | (throughAltKey != 0 ? MF_CHECKED : MF_UNCHECKED));
    return 0;
}

bool MainWnd::OnKeyboardCommand(int commandId) {
    switch (commandId) {
    case IDM_THROUGH_ALT:
        throughAltKey = throughAltKey != 1 ? 1 : 0;
        return true;
    case IDM_CTRL_ALT_DEL:
    case IDM_ALT:
    case IDM_CTRL:
    case IDM_SHIFT:
    case IDM_WINDOWS:
    case IDM_APPLICATION_KEY:
    case IDM_KANJI:
    case IDM_TYPE_CLIPBOARD:
        break;
    default:
        return false;
    }
    if (!MachineOpen()) return true;

    WideString errorText;
    switch (commandId) {
    case IDM_CTRL_ALT_DEL:
        SendStrokes(conn, ctrlAltDelSequence, CtrlAltDelLength, errorText);
        RequestRefresh();
        break;
    case IDM_APPLICATION_KEY:
        SendStrokes(conn, applicationKeySequence, ApplicationKeyLength, errorText);
        RequestRefresh();
        break;
    case IDM_KANJI:
        if (conn.TypeScancodes(KanjiScanCode, errorText) != 0)
            MessageBoxW(hwnd, errorText.c_str(), L"type scancode of Kanji key", MB_OK);
        else
            RequestRefresh();
        break;
    case IDM_TYPE_CLIPBOARD:
        TypeClipboard();
        break;
    default: {  // one of the sticky modifier groups: ask the guest, then press or release
        for (ModifierKey& key : modifierKeys)
            if (key.commandId == commandId) conn.IsKeyPressed(key.keyCode, key.pressed, errorText);
        KeyStroke strokes[2];
        SendStrokes(conn, strokes, ModifierToggleStrokes(commandId, strokes), errorText);
        break;
    }
    }
    return true;
}
