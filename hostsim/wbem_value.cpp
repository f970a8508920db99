#include "hostsim/wbem_value.h"

#include "hostsim/text_util.h"

#include <limits>

namespace hostsim {
namespace {

SAFEARRAY* NewVector(VARTYPE element, size_t count) {
    return SafeArrayCreateVector(element, 0, static_cast<ULONG>(count));
}

struct Range {
    int64_t min, max;
};

// Integer CIM types: the range a value must lie in, and whether a VT_I4 carries the whole unsigned
// range as a bit pattern (uint32 travels in VT_I4, so -1 stands for 4294967295).
bool IntegerRange(CIMTYPE scalar, Range& range, bool& i4BitPattern) {
    i4BitPattern = false;
    switch (scalar) {
    case CIM_SINT8: range = {-128, 127}; return true;
    case CIM_UINT8: range = {0, 255}; return true;
    case CIM_SINT16: range = {-32768, 32767}; return true;
    case CIM_UINT16: range = {0, 65535}; return true;
    case CIM_SINT32: range = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}; return true;
    case CIM_UINT32:
        range = {0, std::numeric_limits<uint32_t>::max()};
        i4BitPattern = true;
        return true;
    default: return false;
    }
}

// The integer inside a scalar VARIANT of any integer type; `fromI4` tells whether it came as VT_I4/VT_INT.
bool ReadInteger(VARTYPE vt, const void* data, int64_t& out, bool& fromI4) {
    fromI4 = false;
    switch (vt) {
    case VT_I1: out = *static_cast<const signed char*>(data); return true;
    case VT_UI1: out = *static_cast<const unsigned char*>(data); return true;
    case VT_I2: out = *static_cast<const short*>(data); return true;
    case VT_UI2: out = *static_cast<const unsigned short*>(data); return true;
    case VT_I4:
    case VT_INT:
        out = *static_cast<const int32_t*>(data);
        fromI4 = true;
        return true;
    case VT_UI4:
    case VT_UINT: out = *static_cast<const uint32_t*>(data); return true;
    case VT_I8: out = *static_cast<const int64_t*>(data); return true;
    case VT_UI8: {
        uint64_t u = *static_cast<const uint64_t*>(data);
        if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
        out = static_cast<int64_t>(u);
        return true;
    }
    default: return false;
    }
}

// Where the scalar payload of a VARIANT lies.
const void* ScalarData(const VARIANT& v) { return &v.bVal; }

// One element (given by VARTYPE and payload) converted to the scalar CIM type, written as a scalar VARIANT.
HRESULT CoerceScalar(VARTYPE vt, const void* data, CIMTYPE scalar, VARIANT& out) {
    VariantInit(&out);
    Range range{};
    bool i4Bits = false;
    if (IntegerRange(scalar, range, i4Bits)) {
        int64_t value = 0;
        bool fromI4 = false;
        if (!ReadInteger(vt, data, value, fromI4)) return WBEM_E_TYPE_MISMATCH;
        if (!(fromI4 && i4Bits) && (value < range.min || value > range.max)) return WBEM_E_TYPE_MISMATCH;
        V_VT(&out) = VariantTypeOf(scalar);
        if (V_VT(&out) == VT_I2) V_I2(&out) = static_cast<short>(value);
        else if (V_VT(&out) == VT_UI1) V_UI1(&out) = static_cast<unsigned char>(value);
        else V_I4(&out) = static_cast<LONG>(static_cast<uint32_t>(value));
        return S_OK;
    }
    switch (scalar) {
    case CIM_BOOLEAN:
        if (vt != VT_BOOL) return WBEM_E_TYPE_MISMATCH;
        V_VT(&out) = VT_BOOL;
        V_BOOL(&out) = *static_cast<const VARIANT_BOOL*>(data) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case CIM_STRING:
    case CIM_REFERENCE:
    case CIM_DATETIME:
    case CIM_SINT64:
    case CIM_UINT64: {
        if (vt == VT_BSTR) {
            BSTR s = *static_cast<const BSTR*>(data);
            V_VT(&out) = VT_BSTR;
            V_BSTR(&out) = SysAllocStringLen(s, SysStringLen(s));
            return S_OK;
        }
        int64_t value = 0;
        bool fromI4 = false;
        if ((scalar == CIM_SINT64 || scalar == CIM_UINT64) && ReadInteger(vt, data, value, fromI4)) {
            if (scalar == CIM_UINT64 && value < 0) return WBEM_E_TYPE_MISMATCH;
            V_VT(&out) = VT_BSTR;
            V_BSTR(&out) = SysAllocString(std::to_wstring(value).c_str());
            return S_OK;
        }
        return WBEM_E_TYPE_MISMATCH;
    }
    case CIM_OBJECT: {
        if (vt != VT_UNKNOWN && vt != VT_DISPATCH) return WBEM_E_TYPE_MISMATCH;
        IUnknown* unk = *static_cast<IUnknown* const*>(data);
        IWbemClassObject* object = nullptr;
        if (!unk || FAILED(unk->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&object))))
            return WBEM_E_TYPE_MISMATCH;
        V_VT(&out) = VT_UNKNOWN;
        V_UNKNOWN(&out) = object;
        return S_OK;
    }
    default: return WBEM_E_TYPE_MISMATCH;
    }
}

size_t ElementSize(VARTYPE vt) {
    switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: return 4;
    case VT_I8: case VT_UI8: case VT_R8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_UNKNOWN: case VT_DISPATCH: return sizeof(IUnknown*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

// Stores the scalar VARIANT `item` as element `index` of the canonical array `array`.
void PutElement(SAFEARRAY* array, LONG index, VARIANT& item) {
    switch (V_VT(&item)) {
    case VT_BSTR: SafeArrayPutElement(array, &index, V_BSTR(&item)); break;
    case VT_UNKNOWN: SafeArrayPutElement(array, &index, V_UNKNOWN(&item)); break;
    default: SafeArrayPutElement(array, &index, &item.bVal); break;
    }
    VariantClear(&item);
}

HRESULT CoerceArray(const VARIANT& in, CIMTYPE type, PropValue& out) {
    SAFEARRAY* source = V_ISBYREF(&in) ? nullptr : V_ARRAY(&in);
    if (!source || SafeArrayGetDim(source) != 1) return WBEM_E_TYPE_MISMATCH;
    VARTYPE element = static_cast<VARTYPE>(V_VT(&in) & VT_TYPEMASK);
    size_t size = ElementSize(element);
    if (size == 0 || SafeArrayGetElemsize(source) != size) return WBEM_E_TYPE_MISMATCH;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(source, 1, &lower);
    SafeArrayGetUBound(source, 1, &upper);
    size_t count = upper >= lower ? static_cast<size_t>(upper - lower + 1) : 0;
    CIMTYPE scalar = type & ~CIM_FLAG_ARRAY;

    SAFEARRAY* result = NewVector(static_cast<VARTYPE>(VariantTypeOf(type) & VT_TYPEMASK), count);
    if (!result) return WBEM_E_OUT_OF_MEMORY;
    void* raw = nullptr;
    if (FAILED(SafeArrayAccessData(source, &raw))) {
        SafeArrayDestroy(result);
        return WBEM_E_TYPE_MISMATCH;
    }
    HRESULT hr = S_OK;
    for (size_t i = 0; i < count && SUCCEEDED(hr); ++i) {
        const void* item = static_cast<const char*>(raw) + i * size;
        VARIANT converted;
        if (element == VT_VARIANT) {
            const VARIANT* inner = static_cast<const VARIANT*>(item);
            hr = CoerceScalar(V_VT(inner), ScalarData(*inner), scalar, converted);
        } else {
            hr = CoerceScalar(element, item, scalar, converted);
        }
        if (SUCCEEDED(hr)) PutElement(result, static_cast<LONG>(i), converted);
    }
    SafeArrayUnaccessData(source);
    if (FAILED(hr)) {
        SafeArrayDestroy(result);
        return hr;
    }
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VariantTypeOf(type);
    V_ARRAY(&v) = result;
    out.Adopt(v);
    return S_OK;
}

nlohmann::ordered_json ScalarJson(VARTYPE vt, const void* data, CIMTYPE scalar) {
    switch (vt) {
    case VT_BSTR: return Utf8(*static_cast<const BSTR*>(data) ? *static_cast<const BSTR*>(data) : L"");
    case VT_BOOL: return *static_cast<const VARIANT_BOOL*>(data) != VARIANT_FALSE;
    case VT_UNKNOWN:
    case VT_DISPATCH: return "<object>";
    case VT_R4: return *static_cast<const float*>(data);
    case VT_R8: return *static_cast<const double*>(data);
    default: break;
    }
    int64_t value = 0;
    bool fromI4 = false;
    if (!ReadInteger(vt, data, value, fromI4)) return nullptr;
    if (fromI4 && scalar == CIM_UINT32) value = static_cast<uint32_t>(value);
    return value;
}

}  // namespace

PropValue PropValue::String(const std::wstring& text) {
    PropValue p;
    V_VT(&p.v_) = VT_BSTR;
    V_BSTR(&p.v_) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return p;
}

PropValue PropValue::I4(int32_t value) {
    PropValue p;
    V_VT(&p.v_) = VT_I4;
    V_I4(&p.v_) = value;
    return p;
}

PropValue PropValue::I2(int16_t value) {
    PropValue p;
    V_VT(&p.v_) = VT_I2;
    V_I2(&p.v_) = value;
    return p;
}

PropValue PropValue::UI1(uint8_t value) {
    PropValue p;
    V_VT(&p.v_) = VT_UI1;
    V_UI1(&p.v_) = value;
    return p;
}

PropValue PropValue::Bool(bool value) {
    PropValue p;
    V_VT(&p.v_) = VT_BOOL;
    V_BOOL(&p.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return p;
}

PropValue PropValue::Bytes(const uint8_t* data, size_t count) {
    PropValue p;
    SAFEARRAY* array = NewVector(VT_UI1, count);
    if (!array) return p;
    void* raw = nullptr;
    SafeArrayAccessData(array, &raw);
    if (count) memcpy(raw, data, count);
    SafeArrayUnaccessData(array);
    V_VT(&p.v_) = VT_ARRAY | VT_UI1;
    V_ARRAY(&p.v_) = array;
    return p;
}

PropValue PropValue::Strings(const std::vector<std::wstring>& items) {
    PropValue p;
    SAFEARRAY* array = NewVector(VT_BSTR, items.size());
    if (!array) return p;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        BSTR s = SysAllocString(items[static_cast<size_t>(i)].c_str());
        SafeArrayPutElement(array, &i, s);
        SysFreeString(s);
    }
    V_VT(&p.v_) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&p.v_) = array;
    return p;
}

PropValue PropValue::I4Array(const std::vector<int32_t>& items) {
    PropValue p;
    SAFEARRAY* array = NewVector(VT_I4, items.size());
    if (!array) return p;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        LONG value = items[static_cast<size_t>(i)];
        SafeArrayPutElement(array, &i, &value);
    }
    V_VT(&p.v_) = VT_ARRAY | VT_I4;
    V_ARRAY(&p.v_) = array;
    return p;
}

PropValue PropValue::Objects(const std::vector<IUnknown*>& items) {
    PropValue p;
    SAFEARRAY* array = NewVector(VT_UNKNOWN, items.size());
    if (!array) return p;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
        SafeArrayPutElement(array, &i, items[static_cast<size_t>(i)]);  // AddRefs
    V_VT(&p.v_) = VT_ARRAY | VT_UNKNOWN;
    V_ARRAY(&p.v_) = array;
    return p;
}

PropValue PropValue::Object(IUnknown* item) {
    PropValue p;
    if (!item) return p;
    item->AddRef();
    V_VT(&p.v_) = VT_UNKNOWN;
    V_UNKNOWN(&p.v_) = item;
    return p;
}

VARTYPE VariantTypeOf(CIMTYPE type) {
    VARTYPE array = (type & CIM_FLAG_ARRAY) ? VT_ARRAY : 0;
    switch (type & ~CIM_FLAG_ARRAY) {
    case CIM_SINT8: case CIM_SINT16: case CIM_CHAR16: return array | VT_I2;
    case CIM_UINT8: return array | VT_UI1;
    case CIM_UINT16: case CIM_SINT32: case CIM_UINT32: return array | VT_I4;
    case CIM_REAL32: return array | VT_R4;
    case CIM_REAL64: return array | VT_R8;
    case CIM_BOOLEAN: return array | VT_BOOL;
    case CIM_OBJECT: return array | VT_UNKNOWN;
    default: return array | VT_BSTR;  // strings, references, date-times and 64-bit integers
    }
}

HRESULT CoerceToCimType(const VARIANT& in, CIMTYPE type, PropValue& out) {
    if (V_VT(&in) == VT_NULL || V_VT(&in) == VT_EMPTY) {
        out = PropValue::Null();
        return S_OK;
    }
    bool wantArray = (type & CIM_FLAG_ARRAY) != 0;
    bool isArray = (V_VT(&in) & VT_ARRAY) != 0;
    if (wantArray != isArray) return WBEM_E_TYPE_MISMATCH;
    if (isArray) return CoerceArray(in, type, out);
    if (V_ISBYREF(&in)) return WBEM_E_TYPE_MISMATCH;
    VARIANT converted;
    HRESULT hr = CoerceScalar(V_VT(&in), ScalarData(in), type, converted);
    if (SUCCEEDED(hr)) out.Adopt(converted);
    return hr;
}

nlohmann::ordered_json ValueToJson(const VARIANT& value, CIMTYPE type) {
    VARTYPE vt = V_VT(&value);
    if (vt == VT_NULL || vt == VT_EMPTY) return nullptr;
    CIMTYPE scalar = type & ~CIM_FLAG_ARRAY;
    if (!(vt & VT_ARRAY)) {
        if (vt & VT_BYREF) return "<byref>";
        return ScalarJson(vt, ScalarData(value), scalar);
    }
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    SAFEARRAY* array = V_ARRAY(&value);
    VARTYPE element = static_cast<VARTYPE>(vt & VT_TYPEMASK);
    size_t size = ElementSize(element);
    if (!array || size == 0 || SafeArrayGetDim(array) != 1) return "<array>";
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    void* raw = nullptr;
    if (FAILED(SafeArrayAccessData(array, &raw))) return "<array>";
    for (LONG i = 0; i <= upper - lower; ++i) {
        const void* item = static_cast<const char*>(raw) + static_cast<size_t>(i) * size;
        if (element == VT_VARIANT)
            items.push_back(ValueToJson(*static_cast<const VARIANT*>(item), scalar));
        else
            items.push_back(ScalarJson(element, item, scalar));
    }
    SafeArrayUnaccessData(array);
    return items;
}

bool VariantToInt64(const VARIANT& value, int64_t& out) {
    bool fromI4 = false;
    return !(V_VT(&value) & (VT_ARRAY | VT_BYREF)) && ReadInteger(V_VT(&value), ScalarData(value), out, fromI4);
}

std::wstring CimTypeName(CIMTYPE type) {
    std::wstring name;
    switch (type & ~CIM_FLAG_ARRAY) {
    case CIM_SINT8: name = L"sint8"; break;
    case CIM_UINT8: name = L"uint8"; break;
    case CIM_SINT16: name = L"sint16"; break;
    case CIM_UINT16: name = L"uint16"; break;
    case CIM_SINT32: name = L"sint32"; break;
    case CIM_UINT32: name = L"uint32"; break;
    case CIM_SINT64: name = L"sint64"; break;
    case CIM_UINT64: name = L"uint64"; break;
    case CIM_BOOLEAN: name = L"boolean"; break;
    case CIM_DATETIME: name = L"datetime"; break;
    case CIM_REFERENCE: name = L"ref"; break;
    case CIM_OBJECT: name = L"object"; break;
    default: name = L"string"; break;
    }
    if (type & CIM_FLAG_ARRAY) name += L"[]";
    return name;
}

}  // namespace hostsim
