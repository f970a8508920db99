#include "console/key_tables.h"
#include "resources/resource.h"

const KeyStroke ctrlAltDelSequence[CtrlAltDelLength] = {
    {KeyLeftAlt, 1}, {KeyLeftControl, 1}, {KeyDelete, 1},
    {KeyDelete, 0},  {KeyLeftControl, 0}, {KeyLeftAlt, 0},
};

const KeyStroke applicationKeySequence[ApplicationKeyLength] = {{KeyApplication, 1}, {KeyApplication, 0}};

ModifierKey modifierKeys[ModifierKeyCount] = {
    {KeyLeftShift, 0, IDM_SHIFT},        {KeyRightShift, 0, IDM_SHIFT},
    {KeyLeftControl, 0, IDM_CTRL},       {KeyRightControl, 0, IDM_CTRL},
    {KeyLeftAlt, 0, IDM_ALT},            {KeyRightAlt, 0, IDM_ALT},
    {KeyLeftWindows, 0, IDM_WINDOWS},    {KeyRightWindows, 0, IDM_WINDOWS},
};

int32_t throughAltKey = 1;

const int32_t modifierGroupCommands[ModifierGroupCount] = {IDM_SHIFT, IDM_ALT, IDM_CTRL, IDM_WINDOWS};

void ForgetModifierKeys() {
    for (ModifierKey& key : modifierKeys) key.pressed = 0;
}

bool GroupPressed(int32_t commandId) {
    for (const ModifierKey& key : modifierKeys)
        if (key.commandId == commandId && key.pressed != 0) return true;
    return false;
}

size_t ModifierToggleStrokes(int32_t commandId, KeyStroke strokes[2]) {
    size_t count = 0;
    for (const ModifierKey& key : modifierKeys)
        if (key.commandId == commandId && key.pressed != 0) strokes[count++] = {key.keyCode, 0};
    if (count > 0) return count;
    for (const ModifierKey& key : modifierKeys) {
        if (key.commandId == commandId && key.pressed == 0) {
            strokes[0] = {key.keyCode, 1};
            return 1;
        }
    }
    return 0;
}

bool ReleasesPointer(int32_t keyCode) {
    return keyCode == KeyShift || keyCode == KeyControl || keyCode == KeyAlt ||
           (keyCode >= KeyLeftShift && keyCode <= KeyRightAlt);
}
