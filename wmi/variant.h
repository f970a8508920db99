#pragma once
#include <windows.h>
#include <oleauto.h>

// Sole owner of one VARIANT: cleared when replaced or destroyed.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }

    void Clear() { VariantClear(&v_); }
    // For out-parameters: clears what is held, then lets the callee fill it.
    VARIANT* Put() {
        VariantClear(&v_);
        return &v_;
    }
    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    VARTYPE Type() const { return V_VT(&v_); }
    // The string inside, or nullptr when the VARIANT holds no BSTR.
    const wchar_t* Text() const { return V_VT(&v_) == VT_BSTR ? V_BSTR(&v_) : nullptr; }

private:
    VARIANT v_;
};
