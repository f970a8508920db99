#pragma once
#include "shell/wide_string.h"

#include <cstddef>

// A password kept in memory for later use (a reconnection with the same logon), encrypted for this
// process with CryptProtectMemory, in a block of its own that is wiped (SecureZeroMemory) whenever
// it is replaced, forgotten or freed. Plain copies exist only for the call that needs one.
class ProtectedPassword {
public:
    ProtectedPassword() = default;
    ProtectedPassword(const ProtectedPassword&) = delete;
    ProtectedPassword& operator=(const ProtectedPassword&) = delete;
    ~ProtectedPassword() { Wipe(); }

    // Keeps `text` (null or "" keeps nothing), wiping what was kept before.
    void Set(const wchar_t* text);
    // Wipes what is kept: Empty() from here on.
    void Wipe();
    bool Empty() const { return length_ == 0; }
    size_t Length() const { return length_; }

    // The plain text into `out`, wiped first and grown to the exact size, never through an
    // unwiped block; the caller wipes it after its call.
    void Reveal(WideString& out) const;

private:
    unsigned char* block_ = nullptr;  // whole blocks of the cipher, the text and a terminator
    size_t blockBytes_ = 0;
    size_t length_ = 0;        // characters
    bool encrypted_ = false;   // false only when the system could not encrypt it
};
