#include "wmi/wmi_arrays.h"
#include "wmi/host_answer.h"

#include <climits>
#include <cstring>

namespace {

// The size an element of this type has in an array; 0 for types the readers do not take.
UINT ElementSize(VARTYPE element) {
    switch (element) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4: return 4;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    default: return 0;
    }
}

}  // namespace

HRESULT MakeTextArray(const wchar_t* element, Variant& value) {
    Bstr text(element ? element : L"");
    SAFEARRAYBOUND bound{1, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
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

HRESULT MakeInt32Array(std::initializer_list<int32_t> elements, Variant& value) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 1, &bound);
    if (!array) return E_OUTOFMEMORY;
    LONG index = 0;
    for (int32_t element : elements) {
        LONG number = element;
        HRESULT hr = SafeArrayPutElement(array, &index, &number);
        if (FAILED(hr)) {
            SafeArrayDestroy(array);
            return hr;
        }
        ++index;
    }
    value.SetArray(VT_I4, array);
    return 0;
}

bool CheckArray(const VARIANT& value, VARTYPE element, uint32_t maxCount, ArrayView& view) {
    // An exact type: VT_BYREF, or an array labelled with another element type, is refused here.
    if (V_VT(&value) != (VT_ARRAY | element)) return false;
    SAFEARRAY* array = V_ARRAY(&value);
    const UINT size = ElementSize(element);
    VARTYPE recorded = VT_EMPTY;
    if (!array || size == 0 || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != size ||
        FAILED(SafeArrayGetVartype(array, &recorded)) || recorded != element) {
        return false;
    }
    // The bounds as the array records them: a reader that assumed a lower bound of 0 would run
    // past the end of an array that starts elsewhere.
    const SAFEARRAYBOUND& bound = array->rgsabound[0];
    if (bound.cElements > maxCount || bound.cElements > static_cast<ULONG>(INT32_MAX)) return false;
    if (bound.cElements > 0 && bound.lLbound > INT32_MAX - static_cast<LONG>(bound.cElements - 1)) return false;
    if (bound.cElements > 0 && !array->pvData) return false;
    view.array = array;
    view.lower = bound.lLbound;
    view.count = static_cast<uint32_t>(bound.cElements);
    return true;
}

bool CopyImageBytes(const VARIANT& value, int32_t width, int32_t height, ByteBuffer& buffer, uint32_t& length) {
    ArrayView view;
    if (!CheckArray(value, VT_UI1, UINT32_MAX, view)) return false;
    // The bound first, from the count alone: a reply longer than the request is never allocated.
    if (!ImagePayloadOf(nullptr, view.count, width, height).usable) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(view.array, &data))) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const ImagePayload payload = ImagePayloadOf(bytes, view.count, width, height);
    const bool readable = bytes || view.count == 0;
    if (readable) {
        try {
            buffer.Reserve(payload.length);
        } catch (...) {
            SafeArrayUnaccessData(view.array);
            throw;
        }
        if (payload.length > 0) std::memcpy(buffer.Data(), bytes + payload.offset, payload.length);
        length = payload.length;
    }
    SafeArrayUnaccessData(view.array);
    return readable;
}

bool ArrayNumber(const VARIANT& value, uint32_t position, int32_t& number) {
    for (VARTYPE element : {VT_I4, VT_I2, VT_UI2, VT_UI1}) {
        ArrayView view;
        if (!CheckArray(value, element, UINT32_MAX, view)) continue;
        if (position >= view.count) return false;
        LONG index = view.lower + static_cast<LONG>(position);
        int32_t raw = 0;  // big enough for every element type taken; the smaller fill its low bytes
        if (FAILED(SafeArrayGetElement(view.array, &index, &raw))) return false;
        switch (element) {
        case VT_I2: number = static_cast<int16_t>(raw); break;
        case VT_UI2: number = static_cast<uint16_t>(raw); break;
        case VT_UI1: number = static_cast<uint8_t>(raw); break;
        default: number = raw; break;
        }
        return true;
    }
    return false;
}

bool FirstArrayNumber(const VARIANT& value, int32_t& first) { return ArrayNumber(value, 0, first); }

std::vector<ComRef<IWbemClassObject>> EmbeddedObjects(const VARIANT& value, uint32_t maxCount) {
    std::vector<ComRef<IWbemClassObject>> objects;
    ArrayView view;
    if (!CheckArray(value, VT_UNKNOWN, maxCount, view)) return objects;
    for (uint32_t i = 0; i < view.count; ++i) {
        LONG index = view.lower + static_cast<LONG>(i);
        ComRef<IUnknown> element;
        // The element comes AddRef'd.
        if (FAILED(SafeArrayGetElement(view.array, &index, element.Put())) || !element) continue;
        ComRef<IWbemClassObject> object;
        element->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put()));
        if (object) objects.push_back(std::move(object));
    }
    return objects;
}
