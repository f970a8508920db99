#pragma once
#include <windows.h>

#include <cstddef>
#include <utility>

// Scoped holders for the clipboard and its global memory blocks.

// The clipboard, open for as long as the holder lives (when it could be opened).
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

// A global memory block, locked for as long as the holder lives.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~LockedGlobal() {
        if (data_) GlobalUnlock(block_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* Data() const { return data_; }
    size_t Size() const { return data_ ? GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    void* data_;
};

// A global memory block this program owns until it hands it on (Release), for example to the
// clipboard, which then owns it; freed otherwise.
class OwnedGlobal {
public:
    explicit OwnedGlobal(size_t bytes) : block_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    ~OwnedGlobal() {
        if (block_) GlobalFree(block_);
    }
    OwnedGlobal(const OwnedGlobal&) = delete;
    OwnedGlobal& operator=(const OwnedGlobal&) = delete;
    HGLOBAL Get() const { return block_; }
    HGLOBAL Release() { return std::exchange(block_, nullptr); }

private:
    HGLOBAL block_;
};
