#pragma once
#include "wmi/byte_buffer.h"
#include "wmi/com_ref.h"
#include "wmi/variant.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>

// SAFEARRAY values as WMI methods take and return them.

// One-element, zero-based arrays for in-parameters: VT_ARRAY | VT_BSTR and VT_ARRAY | VT_I4.
// E_OUTOFMEMORY when the array cannot be made; a string copy that cannot be allocated throws
// InsufficientMemory.
HRESULT MakeTextArray(const wchar_t* element, Variant& value);
HRESULT MakeInt32Array(int32_t element, Variant& value);

// The number of bytes of a VT_ARRAY | VT_UI1 value that is safe to read: one dimension, one-byte
// elements and bounds that describe at most INT32_MAX bytes. False for anything else (no data).
bool ByteArrayLength(const VARIANT& value, uint32_t& length);

// Copies the bytes of such an array into `buffer`, growing it when needed; an octet string of
// `octetPayload` bytes that came with its length prefix is copied without it. False (and nothing
// copied) when the value is not a readable byte array.
bool CopyByteArray(const VARIANT& value, uint32_t octetPayload, ByteBuffer& buffer, uint32_t& length);

// Element 0 of an array of embedded objects (VT_ARRAY | VT_UNKNOWN), or null when there is none.
ComRef<IWbemClassObject> FirstEmbeddedObject(const VARIANT& value);
