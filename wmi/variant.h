#pragma once
#include "wmi/bstr.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

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

    void SetInt32(int32_t value) {
        VariantClear(&v_);
        V_VT(&v_) = VT_I4;
        V_I4(&v_) = value;
    }
    void SetBool(bool value) {
        VariantClear(&v_);
        V_VT(&v_) = VT_BOOL;
        V_BOOL(&v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // A copy of `text` (VT_BSTR); throws InsufficientMemory when it cannot be allocated.
    void SetText(const wchar_t* text) {
        BSTR copy = Bstr::Copy(text ? text : L"");
        VariantClear(&v_);
        V_VT(&v_) = VT_BSTR;
        V_BSTR(&v_) = copy;
    }
    // Takes ownership of `array`, whose elements are of type `elementType`.
    void SetArray(VARTYPE elementType, SAFEARRAY* array) {
        VariantClear(&v_);
        V_VT(&v_) = static_cast<VARTYPE>(VT_ARRAY | elementType);
        V_ARRAY(&v_) = array;
    }

private:
    VARIANT v_;
};
