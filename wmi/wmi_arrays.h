#pragma once
#include "wmi/byte_buffer.h"
#include "wmi/com_ref.h"
#include "wmi/variant.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

// SAFEARRAY values as WMI methods take and return them.

// Zero-based arrays for in-parameters: VT_ARRAY | VT_BSTR and VT_ARRAY | VT_I4. E_OUTOFMEMORY
// when the array cannot be made; a string copy that cannot be allocated throws InsufficientMemory.
HRESULT MakeTextArray(const wchar_t* element, Variant& value);
HRESULT MakeInt32Array(std::initializer_list<int32_t> elements, Variant& value);
inline HRESULT MakeInt32Array(int32_t element, Variant& value) { return MakeInt32Array({element}, value); }

// An array of the host's answer, checked before any element is touched: exactly VT_ARRAY |
// `element` (no VT_BYREF), one dimension, the element type the array itself records
// (SafeArrayGetVartype) and its size, at most `maxCount` elements, bounds that do not overflow.
struct ArrayView {
    SAFEARRAY* array = nullptr;
    LONG lower = 0;
    uint32_t count = 0;
};
bool CheckArray(const VARIANT& value, VARTYPE element, uint32_t maxCount, ArrayView& view);

// Copies the picture of a width x height request out of the host's byte array (VT_ARRAY | VT_UI1)
// into `buffer`, without the length prefix an octet string may carry. False, with nothing copied
// or allocated, when the value is no such array or is longer than the picture and its prefix.
bool CopyImageBytes(const VARIANT& value, int32_t width, int32_t height, ByteBuffer& buffer, uint32_t& length);

// Element `position` of an array of integers (uint16[] as WMI delivers it: VT_I4; or VT_I2,
// VT_UI2, VT_UI1); false when the array has no such element.
bool ArrayNumber(const VARIANT& value, uint32_t position, int32_t& number);
bool FirstArrayNumber(const VARIANT& value, int32_t& first);  // element 0

// The embedded objects of an array (VT_ARRAY | VT_UNKNOWN), at most `maxCount` of them, each with
// its own reference; elements that are no WMI object are left out. Empty for anything else.
std::vector<ComRef<IWbemClassObject>> EmbeddedObjects(const VARIANT& value, uint32_t maxCount);
