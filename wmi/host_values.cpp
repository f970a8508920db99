#include "wmi/host_values.h"
#include "wmi/host_answer.h"
#include "wmi/variant.h"
#include "wmi/wmi_session.h"

#include <cwchar>

namespace {
// The value as a number, for the integer types the host may use for an unsigned property.
bool AsNumber(const VARIANT& value, int64_t& out) {
    switch (V_VT(&value)) {
    case VT_UI1: out = V_UI1(&value); return true;
    case VT_I2: out = V_I2(&value); return true;
    case VT_UI2: out = V_UI2(&value); return true;
    case VT_I4: out = V_I4(&value); return true;
    case VT_UI4: out = V_UI4(&value); return true;
    default: return false;
    }
}
}  // namespace

bool AsUint16(const VARIANT& value, uint16_t& out) {
    int64_t number = 0;
    if (!AsNumber(value, number) || !FitsUint16(number)) return false;
    out = static_cast<uint16_t>(number);
    return true;
}

bool AsUint32(const VARIANT& value, uint32_t& out) {
    int64_t number = 0;
    if (!AsNumber(value, number)) return false;
    // Only a VT_I4 carries a uint32's upper half as a negative number.
    if (number < 0 && V_VT(&value) != VT_I4) return false;
    out = static_cast<uint32_t>(number);
    return true;
}

bool AsBoolean(const VARIANT& value, bool& out) {
    if (V_VT(&value) != VT_BOOL || (V_BOOL(&value) != VARIANT_TRUE && V_BOOL(&value) != VARIANT_FALSE)) return false;
    out = V_BOOL(&value) == VARIANT_TRUE;
    return true;
}

const wchar_t* AsText(const VARIANT& value) { return V_VT(&value) == VT_BSTR ? V_BSTR(&value) : nullptr; }

HRESULT ReadUint16(IWbemClassObject* object, const wchar_t* name, uint16_t& out) {
    Variant value;
    const HRESULT hr = ReadProperty(object, name, value);
    if (FAILED(hr)) return hr;
    return AsUint16(*value.Get(), out) ? 0 : WbemTypeMismatch;
}

HRESULT ReadUint32(IWbemClassObject* object, const wchar_t* name, uint32_t& out) {
    Variant value;
    const HRESULT hr = ReadProperty(object, name, value);
    if (FAILED(hr)) return hr;
    return AsUint32(*value.Get(), out) ? 0 : WbemTypeMismatch;
}

bool PropertyIs(IWbemClassObject* object, const wchar_t* property, const wchar_t* expected) {
    if (!object || !expected) return false;
    Variant value;
    if (FAILED(ReadProperty(object, property, value))) return false;
    const wchar_t* text = AsText(*value.Get());
    return text && _wcsicmp(text, expected) == 0;
}
