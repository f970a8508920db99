#include "hostsim/hostile.h"

#include "hostsim/host_objects.h"
#include "hostsim/text_util.h"

#include <oleauto.h>

#include <cstring>

namespace hostsim {
namespace {

// splitmix64: small, fast and the same on every platform.
uint64_t Mix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// An array of `count` elements of `type`, zero-filled (objects: null pointers).
SAFEARRAY* ZeroArray(VARTYPE type, ULONG count) {
    SAFEARRAYBOUND bound{count, 0};
    return SafeArrayCreate(type, 1, &bound);
}

// Puts `array` into `value` under the label `label` (VT_ARRAY | label), whatever it holds.
void SetArray(VARIANT& value, VARTYPE label, SAFEARRAY* array) {
    VariantClear(&value);
    if (!array) return;  // VT_EMPTY: no value at all
    V_VT(&value) = static_cast<VARTYPE>(VT_ARRAY | label);
    V_ARRAY(&value) = array;
}

// Another element type of the same size where there is one: read under the label, its elements
// are the wrong thing (numbers taken for interface pointers, texts for numbers).
VARTYPE Mislabelled(VARTYPE element) {
    switch (element) {
    case VT_UNKNOWN: return sizeof(void*) == 8 ? VT_R8 : VT_I4;
    case VT_UI1: return VT_I4;
    case VT_BSTR: return VT_I4;
    default: return VT_BSTR;
    }
}

// The shapes of an array answer.
std::string HostileArray(uint32_t pick, VARTYPE element, VARIANT& value, HostileStore& store) {
    switch (pick % 6) {
    case 0: {
        SAFEARRAY* array = ZeroArray(Mislabelled(element), 4);
        if (array && Mislabelled(element) != VT_BSTR) {
            void* data = nullptr;
            SafeArrayAccessData(array, &data);
            std::memset(data, 0x41, 4 * SafeArrayGetElemsize(array));  // not a pointer anyone owns
            SafeArrayUnaccessData(array);
        }
        SetArray(value, element, array);
        return "arrayElementType";
    }
    case 1: {
        // The right array, handed out by reference: the VARIANT holds a pointer to the pointer.
        SAFEARRAY** kept = store.Array(ZeroArray(element, 4));
        VariantClear(&value);
        V_VT(&value) = static_cast<VARTYPE>(VT_ARRAY | VT_BYREF | element);
        V_ARRAYREF(&value) = kept;
        return "arrayByRef";
    }
    case 2: {
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
        SetArray(value, element, SafeArrayCreate(element, 2, bounds));
        return "arrayTwoDimensions";
    }
    case 3:
        SetArray(value, element, ZeroArray(element, 0));
        return "arrayEmpty";
    case 4: {
        if (element == VT_UI1) {
            // A byte array whose descriptor claims almost 2 GiB over 16 bytes: what a reader that
            // trusts the count copies is no memory of its own.
            SAFEARRAY* array = ZeroArray(VT_UI1, 16);
            if (array) array->rgsabound[0].cElements = 0x7FFFFFF0;
            SetArray(value, element, array);
            // Destroyed as what it really is, with its real count.
            return "arrayHuge";
        }
        SetArray(value, element, ZeroArray(element, 10001));  // more objects than any listing reads
        return "arrayHuge";
    }
    default:
        VariantClear(&value);
        V_VT(&value) = VT_NULL;
        return "null";
    }
}

// The shapes of a scalar answer of CIM type `type`.
std::string HostileScalar(uint32_t pick, const std::wstring& name, CIMTYPE type, VARIANT& value, HostileStore& store) {
    const bool isNull = V_VT(&value) == VT_NULL || V_VT(&value) == VT_EMPTY;
    const bool resolution = IEquals(name, L"CurrentHorizontalResolution") || IEquals(name, L"CurrentVerticalResolution");
    if (isNull) {
        // A value where NULL is due.
        VariantClear(&value);
        if (type == CIM_STRING || type == CIM_REFERENCE) {
            V_VT(&value) = VT_BSTR;
            V_BSTR(&value) = SysAllocString(L"\\\\HOSTILE\\root\\virtualization:Msvm_ConcreteJob.InstanceID=\"0\"");
        } else {
            V_VT(&value) = VT_I4;
            V_I4(&value) = 4096;
        }
        return "valueWhereNull";
    }
    if (resolution && pick % 2 == 0) {
        VariantClear(&value);
        V_VT(&value) = VT_I4;
        V_I4(&value) = (pick / 2) % 3 == 0 ? 2147483647 : (pick / 2) % 3 == 1 ? 0 : -1;  // -1: 4294967295
        return "resolutionExtreme";
    }
    switch (pick % 4) {
    case 0:
        VariantClear(&value);
        V_VT(&value) = VT_NULL;
        return "null";
    case 1:
        VariantClear(&value);
        if (type == CIM_STRING || type == CIM_REFERENCE) {
            V_VT(&value) = VT_I4;
            V_I4(&value) = 7;
        } else {
            V_VT(&value) = VT_BSTR;
            V_BSTR(&value) = SysAllocString(L"2");
        }
        return "wrongType";
    case 2:
        if (type == CIM_UINT16 && V_VT(&value) == VT_I4) {
            V_I4(&value) += 65536;  // cut to 16 bits, it is the value it was
            return "outOfRange";
        }
        if (type == CIM_UINT32 && V_VT(&value) == VT_I4) {
            V_I4(&value) = -1;  // 4294967295
            return "outOfRange";
        }
        [[fallthrough]];
    default:
        if (V_VT(&value) == VT_BSTR) {
            BSTR* kept = store.Text(V_BSTR(&value));
            VariantClear(&value);
            V_VT(&value) = VT_BSTR | VT_BYREF;
            V_BSTRREF(&value) = kept;
        } else {
            LONG number = V_VT(&value) == VT_I4 ? V_I4(&value) : 2;
            VariantClear(&value);
            V_VT(&value) = VT_I4 | VT_BYREF;
            V_I4REF(&value) = store.Number(number);
        }
        return "scalarByRef";
    }
}

}  // namespace

Hostility::Hostility(const HostileConfig& config)
    : state_(config.seed), threshold_(static_cast<uint64_t>(config.rate * 4294967296.0)) {}

bool Hostility::Roll(uint32_t& pick) {
    const uint64_t r = Mix(state_);
    pick = static_cast<uint32_t>(r >> 32);
    return (r & 0xFFFFFFFFull) < threshold_;
}

HostileStore::~HostileStore() {
    for (BSTR text : texts_) SysFreeString(text);
    for (SAFEARRAY* array : arrays_)
        if (array) SafeArrayDestroy(array);
}

LONG* HostileStore::Number(LONG value) {
    numbers_.push_back(value);
    return &numbers_.back();
}

BSTR* HostileStore::Text(const wchar_t* text) {
    texts_.push_back(SysAllocString(text));
    return &texts_.back();
}

SAFEARRAY** HostileStore::Array(SAFEARRAY* array) {
    arrays_.push_back(array);
    return &arrays_.back();
}

std::string HostileValue(Host& host, const std::wstring& name, CIMTYPE type, VARIANT& value, HostileStore& store) {
    uint32_t pick = 0;
    if (!host.hostility || !host.hostility->Roll(pick)) return {};
    if (type & CIM_FLAG_ARRAY) {
        VARTYPE element = VT_I4;
        switch (type & ~CIM_FLAG_ARRAY) {
        case CIM_UINT8: element = VT_UI1; break;
        case CIM_OBJECT: element = VT_UNKNOWN; break;
        case CIM_STRING:
        case CIM_REFERENCE: element = VT_BSTR; break;
        default: break;
        }
        if (V_VT(&value) == VT_NULL || V_VT(&value) == VT_EMPTY) {
            SetArray(value, element, ZeroArray(element, 3));  // an array where NULL is due
            return "valueWhereNull";
        }
        return HostileArray(pick, element, value, store);
    }
    return HostileScalar(pick, name, type, value, store);
}

std::string HostileNext(Host& host) {
    uint32_t pick = 0;
    if (!host.hostility || !host.hostility->Roll(pick)) return {};
    switch (pick % 3) {
    case 0: return "stall";
    case 1: return "empty";
    default: return "otherMachine";
    }
}

std::shared_ptr<ObjectData> OtherMachinesObject(const HostView& view, const ObjectData& object) {
    const std::wstring rel = Upper(object.relPath);
    for (const auto& owner : view.host->machines) {
        // Keys carry the whole GUID, or (snapshot settings) its stem.
        std::wstring mine = Upper(owner->name);
        size_t at = rel.find(mine);
        if (at == std::wstring::npos) {
            mine = owner->stem;
            at = rel.find(mine);
        }
        if (at == std::wstring::npos) continue;
        for (const auto& other : view.host->machines) {
            if (other.get() == owner.get()) continue;
            std::wstring theirs = rel;
            theirs.replace(at, mine.size(), mine.size() == owner->stem.size() ? other->stem : Upper(other->name));
            auto path = ParseObjectPath(theirs);
            if (!path) continue;
            if (auto found = FindInstance(view, *path)) return std::make_shared<ObjectData>(*found->data);
        }
        return nullptr;
    }
    return nullptr;
}

}  // namespace hostsim
