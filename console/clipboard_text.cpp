#include "console/clipboard_text.h"
#include "console/global_memory.h"

#include <cwchar>

void AppendGlobalText(HGLOBAL block, WideString& text) {
    LockedGlobal locked(block);
    const auto* chars = static_cast<const wchar_t*>(locked.Data());
    if (!chars) return;
    const size_t limit = locked.Size() / sizeof(wchar_t);
    const wchar_t* end = std::wmemchr(chars, L'\0', limit);
    text.Append(chars, end ? static_cast<size_t>(end - chars) : limit);
}

void ReadClipboardText(HWND owner, WideString& text) {
    OpenedClipboard clipboard(owner);
    if (clipboard.IsOpen()) AppendGlobalText(static_cast<HGLOBAL>(GetClipboardData(CF_UNICODETEXT)), text);
}
