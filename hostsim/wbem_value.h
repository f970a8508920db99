#pragma once
// Property values as WMI carries them in VARIANTs, and the conversion WMI applies when a client
// puts a value into a property of a declared CIM type.
#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

// A copyable VARIANT: the value of one property of a property bag.
class PropValue {
public:
    PropValue() { VariantInit(&v_); V_VT(&v_) = VT_NULL; }
    PropValue(const PropValue& other) { VariantInit(&v_); other.CopyTo(v_); }
    PropValue& operator=(const PropValue& other) {
        if (this != &other) other.CopyTo(v_);
        return *this;
    }
    ~PropValue() { VariantClear(&v_); }

    // Takes over the contents of `source`, leaving it VT_EMPTY.
    void Adopt(VARIANT& source) {
        VariantClear(&v_);
        v_ = source;
        VariantInit(&source);
    }
    const VARIANT& Get() const { return v_; }
    // Clears `out` and fills it with a copy of the value (arrays and objects included).
    void CopyTo(VARIANT& out) const { VariantCopy(&out, const_cast<VARIANT*>(&v_)); }
    bool IsNull() const { return V_VT(&v_) == VT_NULL || V_VT(&v_) == VT_EMPTY; }

    static PropValue Null() { return {}; }
    static PropValue String(const std::wstring& text);
    static PropValue I4(int32_t value);
    static PropValue I2(int16_t value);
    static PropValue UI1(uint8_t value);
    static PropValue Bool(bool value);
    static PropValue Bytes(const uint8_t* data, size_t count);
    static PropValue Strings(const std::vector<std::wstring>& items);
    static PropValue I4Array(const std::vector<int32_t>& items);
    static PropValue Objects(const std::vector<IUnknown*>& items); // adds a reference to each
    static PropValue Object(IUnknown* item);                        // adds a reference

private:
    VARIANT v_;
};

// The text of a BSTR (embedded NULs included); "" for a null BSTR.
inline std::wstring BstrText(const BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

// The VARIANT type in which WMI carries a value of this CIM type (arrays included).
VARTYPE VariantTypeOf(CIMTYPE type);

// Converts `in` to the canonical VARIANT of `type` into `out`. A value that does not fit (wrong kind, out
// of range, several dimensions) gives WBEM_E_TYPE_MISMATCH and leaves `out` untouched. VT_NULL and
// VT_EMPTY give a NULL value.
HRESULT CoerceToCimType(const VARIANT& in, CIMTYPE type, PropValue& out);

// The value as JSON for the call log: numbers, booleans, strings, arrays, null; an embedded object as
// its class name in angle brackets. `type` (0 = unknown) shows unsigned values as unsigned.
nlohmann::ordered_json ValueToJson(const VARIANT& value, CIMTYPE type = 0);

// Reads a scalar integer (signed or unsigned types), or returns false.
bool VariantToInt64(const VARIANT& value, int64_t& out);

// Name of a CIM type as MOF writes it ("uint16", "string", "uint8[]", ...).
std::wstring CimTypeName(CIMTYPE type);

}  // namespace hostsim
