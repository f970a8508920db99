#include "console/clipboard_text.h"

#include <cwchar>

namespace {

class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : opened_(OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() {
        if (opened_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return opened_; }

private:
    bool opened_;
};

class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~LockedGlobal() {
        if (data_) GlobalUnlock(block_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    const void* Data() const { return data_; }
    size_t Size() const { return data_ ? GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    void* data_;
};

}  // namespace

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
