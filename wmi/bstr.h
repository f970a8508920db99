#pragma once
#include "shell/insufficient_memory.h"

#include <windows.h>
#include <oleauto.h>

// Sole owner of one BSTR. WMI calls that take a BSTR get a real one: a proxy marshals it by its
// length prefix. A copy that cannot be allocated throws InsufficientMemory; a null text stays null.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : b_(Copy(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }

    void Assign(const wchar_t* text) {
        BSTR copy = Copy(text);
        SysFreeString(b_);
        b_ = copy;
    }
    BSTR Get() const { return b_; }
    // Hands the string to a new owner (a VARIANT or a SAFEARRAY element).
    BSTR Detach() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    // Overwrites the characters (for passwords) before the string is freed.
    void Wipe() {
        if (b_) SecureZeroMemory(b_, SysStringByteLen(b_));
    }

    static BSTR Copy(const wchar_t* text) {
        if (!text) return nullptr;
        BSTR b = SysAllocString(text);
        if (!b) throw InsufficientMemory{};
        return b;
    }

private:
    BSTR b_ = nullptr;
};
