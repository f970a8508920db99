#pragma once
#include <cstddef>
#include <cstdint>

// Key codes, key sequences and the keyboard state that the console window shares across the
// whole process. Key codes are Windows virtual-key codes, sent to the guest unchanged.

enum VirtualKey : int32_t {
    KeyShift = 16,
    KeyControl = 17,
    KeyAlt = 18,
    KeyDelete = 46,
    KeyLeftWindows = 91,
    KeyRightWindows = 92,
    KeyApplication = 93,
    KeyLeftShift = 160,
    KeyRightShift = 161,
    KeyLeftControl = 162,
    KeyRightControl = 163,
    KeyLeftAlt = 164,
    KeyRightAlt = 165,
};

// Set-1 make code of the Hankaku/Zenkaku (Kanji) key, left of the 1 key on Japanese keyboards.
constexpr uint8_t KanjiScanCode = 0x29;

struct KeyStroke {
    int32_t keyCode;
    int32_t press;  // 1 = press, 0 = release
};

constexpr size_t CtrlAltDelLength = 6;
extern const KeyStroke ctrlAltDelSequence[CtrlAltDelLength];
constexpr size_t ApplicationKeyLength = 2;
extern const KeyStroke applicationKeySequence[ApplicationKeyLength];

// One modifier key of the Keyboard menu's sticky groups. `pressed` holds the guest's answer to the
// last query for the key; `commandId` is the menu command of its group.
struct ModifierKey {
    int32_t keyCode;
    int32_t pressed;
    int32_t commandId;
};

// The eight modifier keys, two per group, left key first. Lives as long as the process.
constexpr size_t ModifierKeyCount = 8;
extern ModifierKey modifierKeys[ModifierKeyCount];

// 1 while Alt combinations and F10 go to the guest; 0 while the local window handles them.
extern int32_t throughAltKey;

// The group commands in the order their check marks are set: Shift, Alt, Ctrl, Windows.
constexpr size_t ModifierGroupCount = 4;
extern const int32_t modifierGroupCommands[ModifierGroupCount];

// No key known to be down: nothing is known of a guest not asked yet.
void ForgetModifierKeys();

// True when the guest reported a key of the group down at the last query.
bool GroupPressed(int32_t commandId);

// What choosing a group's menu item sends, given the group's `pressed` values: the release of
// every key of the group the guest reports down (left first), or else the press of the left key.
// Returns the number of strokes written to `strokes` (1 or 2; 0 for an unknown command).
size_t ModifierToggleStrokes(int32_t commandId, KeyStroke strokes[2]);

// Shift, Ctrl and Alt, generic or left/right: in relative mouse mode they free the held pointer.
bool ReleasesPointer(int32_t keyCode);
