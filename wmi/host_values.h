#pragma once
#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <cstdint>

// Checked readers of the scalar values the host answers. Every answer is untrusted: a value of
// another VARIANT type (VT_BYREF included), or out of its property's range, is refused, never
// converted or cut down into a valid one. WMI delivers uint8/uint16/uint32 in VT_UI1 or VT_I4 (a
// uint32 above INT32_MAX as a negative VT_I4); the unsigned kinds are taken too.

constexpr HRESULT WbemTypeMismatch = static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH);

bool AsUint16(const VARIANT& value, uint16_t& out);
bool AsUint32(const VARIANT& value, uint32_t& out);
bool AsBoolean(const VARIANT& value, bool& out);  // VT_BOOL holding VARIANT_TRUE or VARIANT_FALSE
const wchar_t* AsText(const VARIANT& value);      // a non-null VT_BSTR, else nullptr

// A property of the object read and checked: the read's failure, or WBEM_E_TYPE_MISMATCH when
// the value is not of the type (NULL included); `out` is left alone then.
HRESULT ReadUint16(IWbemClassObject* object, const wchar_t* name, uint16_t& out);
HRESULT ReadUint32(IWbemClassObject* object, const wchar_t* name, uint32_t& out);

// Whether the object's string `property` is `expected`, ignoring case as WQL compares: how an
// answer is known to be about the machine it was asked about (a machine's Name, a device's
// SystemName). False for a null object or expectation, a missing or non-text property.
bool PropertyIs(IWbemClassObject* object, const wchar_t* property, const wchar_t* expected);
