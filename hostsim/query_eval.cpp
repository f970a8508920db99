#include "hostsim/query_eval.h"

#include "hostsim/text_util.h"
#include "hostsim/wql_parser.h"

#include <wbemcli.h>

#include <algorithm>
#include <cwchar>

namespace hostsim {
namespace {

bool ParseInteger(const std::wstring& text, int64_t& out) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    out = std::wcstoll(text.c_str(), &end, 10);
    return end && *end == 0;
}

// WQL equality: strings without regard to case, numbers by value (a quoted '3' equals 3).
bool ValueEquals(const VARIANT& v, CIMTYPE type, const WqlCondition& c) {
    switch (V_VT(&v)) {
    case VT_BSTR: return IEquals(V_BSTR(&v), c.value);
    case VT_BOOL: {
        bool want = IEquals(c.value, L"true") || c.value == L"1";
        bool valid = want || IEquals(c.value, L"false") || c.value == L"0";
        return valid && (V_BOOL(&v) != VARIANT_FALSE) == want;
    }
    default: break;
    }
    int64_t have = 0, want = 0;
    if (!VariantToInt64(v, have) || !ParseInteger(c.value, want)) return false;
    if (type == CIM_UINT32) have = static_cast<uint32_t>(have);
    return have == want;
}

bool Matches(const ObjectData& d, const std::vector<WqlCondition>& where) {
    for (const auto& c : where) {
        const PropValue* v = d.Find(c.property);
        if (!v || !ValueEquals(v->Get(), d.cls->FindProperty(c.property)->type, c)) return false;
    }
    return true;
}

// A property the WHERE clause names must exist in the class asked for (or a class derived from it).
bool KnownProperty(const Schema& schema, const std::wstring& className, const std::wstring& property) {
    for (const auto& cls : schema.Classes())
        if (cls.IsA(className) && cls.FindProperty(property)) return true;
    return false;
}

}  // namespace

std::wstring QueryClass(const std::wstring& text) {
    auto q = ParseWql(text);
    if (!q) return {};
    return q->kind == WqlQuery::Kind::Select ? q->className : q->resultClass;
}

namespace {
HRESULT Collect(const HostView& view, const std::wstring& text, QueryResult& result) {
    auto q = ParseWql(text);
    if (!q) return WBEM_E_INVALID_QUERY;
    const Schema& schema = view.schema();
    if (q->kind == WqlQuery::Kind::Select) {
        result.className = q->className;
        if (!schema.IsKnownClass(q->className)) return WBEM_E_INVALID_CLASS;
        for (const auto& c : q->where)
            if (!KnownProperty(schema, q->className, c.property)) return WBEM_E_INVALID_QUERY;
        // A condition on a property that carries the owner's GUID (SystemName = '<GUID>') needs
        // only that machine's objects built.
        InstanceFilter filter{q->className, std::nullopt};
        for (const auto& c : q->where) {
            if (auto named = MachinesNamedBy(*view.host, c.property, c.value)) {
                filter.machines = std::move(named);
                break;
            }
        }
        for (const auto& inst : HostInstances(view, filter))
            if (Matches(*inst.data, q->where)) result.objects.push_back(inst.data);
        return WBEM_S_NO_ERROR;
    }
    result.className = q->resultClass;
    auto path = ParseObjectPath(q->anchorPath);
    if (!path || path->keys.empty()) return WBEM_E_INVALID_QUERY;
    if (!IsOurNamespace(view.version, *path)) return WBEM_E_NOT_FOUND;
    auto anchor = FindInstance(view, *path);
    if (!anchor) return WBEM_E_NOT_FOUND;
    // A machine's objects are associated only with its own objects and the host's.
    InstanceFilter filter{q->resultClass, std::nullopt};
    if (anchor->machine) filter.machines = std::vector<Machine*>{anchor->machine};
    for (const auto& inst : HostInstances(view, filter))
        if (Associated(view.version, *anchor, inst)) result.objects.push_back(inst.data);
    return WBEM_S_NO_ERROR;
}
}  // namespace

HRESULT RunQuery(const HostView& view, const std::wstring& text, QueryResult& result) {
    const HRESULT hr = Collect(view, text, result);
    // WMI promises no order; this host keeps one of its own.
    if (view.host->reverseListing) std::reverse(result.objects.begin(), result.objects.end());
    return hr;
}

}  // namespace hostsim
