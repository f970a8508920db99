#include "shell/protected_password.h"
#include "shell/insufficient_memory.h"

#include <windows.h>
#include <dpapi.h>

#include <cstring>
#include <cwchar>
#include <new>

void ProtectedPassword::Set(const wchar_t* text) {
    Wipe();
    const size_t length = text ? std::wcslen(text) : 0;
    if (length == 0) return;
    // The cipher works on whole blocks.
    const size_t bytes = (length + 1) * sizeof(wchar_t);
    const size_t blockBytes = (bytes + CRYPTPROTECTMEMORY_BLOCK_SIZE - 1) / CRYPTPROTECTMEMORY_BLOCK_SIZE *
                              CRYPTPROTECTMEMORY_BLOCK_SIZE;
    block_ = new (std::nothrow) unsigned char[blockBytes]();
    if (!block_) throw InsufficientMemory{};
    blockBytes_ = blockBytes;
    length_ = length;
    std::memcpy(block_, text, bytes);
    // Should the system refuse, the text stays as it is rather than lost: the logon still works.
    encrypted_ = CryptProtectMemory(block_, static_cast<DWORD>(blockBytes_), CRYPTPROTECTMEMORY_SAME_PROCESS) != FALSE;
}

void ProtectedPassword::Wipe() {
    if (block_) {
        SecureZeroMemory(block_, blockBytes_);
        delete[] block_;
    }
    block_ = nullptr;
    blockBytes_ = 0;
    length_ = 0;
    encrypted_ = false;
}

void ProtectedPassword::Reveal(WideString& out) const {
    out.Wipe();
    if (!block_) return;
    // Grown before anything secret is in it.
    out.Reserve(blockBytes_ / sizeof(wchar_t));
    wchar_t* plain = out.Data();
    std::memcpy(plain, block_, blockBytes_);
    if (encrypted_ && !CryptUnprotectMemory(plain, static_cast<DWORD>(blockBytes_), CRYPTPROTECTMEMORY_SAME_PROCESS)) {
        out.Wipe();
        return;
    }
    out.SetLength(length_);
}
