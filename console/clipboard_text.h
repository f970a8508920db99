#pragma once
#include "shell/wide_string.h"

#include <windows.h>

// Appends the UTF-16 text held in a global memory block to `text`. The text ends at its NUL or
// at the end of the block, whichever comes first: another program may have put it there without
// a NUL. Nothing is appended when the block cannot be locked.
void AppendGlobalText(HGLOBAL block, WideString& text);

// Appends the clipboard's CF_UNICODETEXT text to `text`; nothing when the clipboard cannot be
// opened or holds no text. The clipboard is open only while the text is copied.
void ReadClipboardText(HWND owner, WideString& text);
