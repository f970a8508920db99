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

    // The value as a signed 32-bit integer, if the VARIANT holds an integer of 32 bits or less
    // (WMI delivers uint8/uint16/uint32 and their signed kinds as VT_UI1, VT_I2 or VT_I4).
    bool ToInt32(int32_t& value) const {
        switch (V_VT(&v_)) {
        case VT_I1: value = V_I1(&v_); return true;
        case VT_UI1: value = V_UI1(&v_); return true;
        case VT_I2: value = V_I2(&v_); return true;
        case VT_UI2: value = V_UI2(&v_); return true;
        case VT_I4: value = V_I4(&v_); return true;
        case VT_UI4: value = static_cast<int32_t>(V_UI4(&v_)); return true;
        case VT_INT: value = V_INT(&v_); return true;
        case VT_UINT: value = static_cast<int32_t>(V_UINT(&v_)); return true;
        default: return false;
        }
    }

private:
    VARIANT v_;
};
