#include "wmi/wmi_arrays.h"
#include "wmi/octet_string.h"

#include <cstring>

namespace {

SAFEARRAY* CreateSingleElementArray(VARTYPE elementType) {
    SAFEARRAYBOUND bound{1, 0};
    return SafeArrayCreate(elementType, 1, &bound);
}

// A one-dimensional array whose elements are `elementSize` bytes, with its element count.
bool OneDimensional(const VARIANT& value, VARTYPE elementType, UINT elementSize, uint32_t& count) {
    if (V_VT(&value) != (VT_ARRAY | elementType)) return false;
    SAFEARRAY* array = V_ARRAY(&value);
    if (!array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != elementSize) {
        return false;
    }
    // The element count comes from the bounds as the array itself records them; a reader that
    // assumed a lower bound of 0 would run past the end of an array that starts elsewhere.
    ULONG elements = array->rgsabound[0].cElements;
    if (elements > INT32_MAX) return false;
    count = static_cast<uint32_t>(elements);
    return true;
}

}  // namespace

HRESULT MakeTextArray(const wchar_t* element, Variant& value) {
    Bstr text(element ? element : L"");
    SAFEARRAY* array = CreateSingleElementArray(VT_BSTR);
    if (!array) return E_OUTOFMEMORY;
    LONG index = 0;
    // SafeArrayPutElement stores its own copy of the string.
    HRESULT hr = SafeArrayPutElement(array, &index, text.Get());
    if (FAILED(hr)) {
        SafeArrayDestroy(array);
        if (hr == E_OUTOFMEMORY) throw InsufficientMemory{};
        return hr;
    }
    value.SetArray(VT_BSTR, array);
    return 0;
}

HRESULT MakeInt32Array(int32_t element, Variant& value) {
    SAFEARRAY* array = CreateSingleElementArray(VT_I4);
    if (!array) return E_OUTOFMEMORY;
    LONG index = 0;
    LONG number = element;
    HRESULT hr = SafeArrayPutElement(array, &index, &number);
    if (FAILED(hr)) {
        SafeArrayDestroy(array);
        return hr;
    }
    value.SetArray(VT_I4, array);
    return 0;
}

bool ByteArrayLength(const VARIANT& value, uint32_t& length) {
    return OneDimensional(value, VT_UI1, 1, length);
}

bool CopyByteArray(const VARIANT& value, uint32_t octetPayload, ByteBuffer& buffer, uint32_t& length) {
    uint32_t count = 0;
    if (!ByteArrayLength(value, count)) return false;
    buffer.Reserve(count);  // may throw: done before the array is locked
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(V_ARRAY(&value), &data))) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const bool readable = bytes || count == 0;
    const uint32_t skip = readable && HasOctetPrefix(bytes, count, octetPayload) ? OctetPrefixLength : 0;
    if (readable && count > skip) std::memcpy(buffer.Data(), bytes + skip, count - skip);
    SafeArrayUnaccessData(V_ARRAY(&value));
    if (readable) length = count - skip;
    return readable;
}

ComRef<IWbemClassObject> FirstEmbeddedObject(const VARIANT& value) {
    uint32_t count = 0;
    if (!OneDimensional(value, VT_UNKNOWN, sizeof(IUnknown*), count) || count == 0) return {};
    LONG index = 0;
    ComRef<IUnknown> element;
    // Fails with DISP_E_BADINDEX unless the array starts at 0; the element comes AddRef'd.
    if (FAILED(SafeArrayGetElement(V_ARRAY(&value), &index, element.Put())) || !element) return {};
    ComRef<IWbemClassObject> object;
    element->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put()));
    return object;
}
