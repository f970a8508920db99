#include "hostsim/wbem_object.h"

#include "hostsim/text_util.h"

namespace hostsim {
namespace {

// Asked for by the simulator itself to recognise its own objects; no client knows it.
const IID kSimObjectIid = {0x6c1d0f3e, 0x5a2b, 0x4f7e, {0x9d, 0x41, 0x3b, 0x8e, 0x72, 0x15, 0xa6, 0xc9}};

const wchar_t* const kSystemProperties[] = {L"__GENUS",  L"__CLASS",          L"__SUPERCLASS", L"__DYNASTY",
                                            L"__RELPATH", L"__PROPERTY_COUNT", L"__DERIVATION", L"__SERVER",
                                            L"__NAMESPACE", L"__PATH"};

void SetString(VARIANT& v, const std::wstring& text) {
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetStringOrNull(VARIANT& v, const std::wstring& text) {
    if (text.empty())
        V_VT(&v) = VT_NULL;
    else
        SetString(v, text);
}

// System properties (__CLASS, __PATH, ...) are the provider's, never the client's to change.
bool IsSystemName(const wchar_t* name) { return name[0] == L'_' && name[1] == L'_'; }

BSTR NewBstr(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

}  // namespace

WbemObject* WbemObject::Create(std::shared_ptr<ObjectData> data, std::shared_ptr<Host> host) {
    return new WbemObject(std::move(data), std::move(host));
}

WbemObject* WbemObject::From(IUnknown* unknown) {
    void* self = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(kSimObjectIid, &self))) return nullptr;
    auto* object = static_cast<WbemObject*>(static_cast<IWbemClassObject*>(self));
    object->Release();  // the caller keeps its own reference
    return object;
}

STDMETHODIMP WbemObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWbemClassObject || riid == kSimObjectIid) {
        *ppv = static_cast<IWbemClassObject*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) WbemObject::AddRef() { return refs_.Add(); }

STDMETHODIMP_(ULONG) WbemObject::Release() {
    ULONG left = refs_.Drop();
    if (left == 0) delete this;
    return left;
}

CallRecord WbemObject::Record(const char* call) const {
    CallRecord r;
    r.call = call;
    r.className = Utf8(data_->ClassName());
    r.method = Utf8(data_->method);
    return r;
}

FaultEffect WbemObject::Faults(const char* call, const std::wstring& method, const std::wstring& property) {
    CallInfo info{call, data_->ClassName(), data_->ownerClass, method, property};
    return Engine::Instance().Faults(host_.get(), info);
}

HRESULT WbemObject::Finish(CallRecord& record, HRESULT hr) {
    record.hr = hr;
    Engine::Instance().Log().Add(record);
    return hr;
}

bool WbemObject::SystemProperty(const std::wstring& name, VARIANT& v, CIMTYPE& type) const {
    const ClassDef& cls = *data_->cls;
    type = CIM_STRING;
    if (IEquals(name, L"__GENUS")) {
        type = CIM_SINT32;
        V_VT(&v) = VT_I4;
        V_I4(&v) = data_->isClass ? WBEM_GENUS_CLASS : WBEM_GENUS_INSTANCE;
    } else if (IEquals(name, L"__CLASS")) {
        SetString(v, cls.name);
    } else if (IEquals(name, L"__SUPERCLASS")) {
        SetStringOrNull(v, cls.derivation.empty() ? std::wstring() : cls.derivation.front());
    } else if (IEquals(name, L"__DYNASTY")) {
        SetString(v, cls.derivation.empty() ? cls.name : cls.derivation.back());
    } else if (IEquals(name, L"__RELPATH")) {
        SetStringOrNull(v, data_->relPath);
    } else if (IEquals(name, L"__PROPERTY_COUNT")) {
        type = CIM_SINT32;
        V_VT(&v) = VT_I4;
        V_I4(&v) = static_cast<LONG>(cls.properties.size());
    } else if (IEquals(name, L"__DERIVATION")) {
        type = CIM_STRING | CIM_FLAG_ARRAY;
        PropValue list = PropValue::Strings(cls.derivation);
        list.CopyTo(v);
    } else if (IEquals(name, L"__SERVER")) {
        SetStringOrNull(v, data_->server);
    } else if (IEquals(name, L"__NAMESPACE")) {
        SetStringOrNull(v, data_->server.empty() ? std::wstring() : std::wstring(NamespaceOf(data_->version)));
    } else if (IEquals(name, L"__PATH")) {
        SetStringOrNull(v, data_->Path());
    } else {
        return false;
    }
    return true;
}

STDMETHODIMP WbemObject::Get(LPCWSTR wszName, LONG, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    CallRecord record = Record("Get");
    if (!wszName) return Finish(record, WBEM_E_INVALID_PARAMETER);
    std::wstring name = wszName;
    record.property = Utf8(name);
    FaultEffect fault = Faults("Get", data_->method, name);
    if (fault.hr) return Finish(record, *fault.hr);
    if (fault.Reply("propertyMissing")) return Finish(record, WBEM_E_NOT_FOUND);

    VARIANT value;
    VariantInit(&value);
    CIMTYPE type = 0;
    LONG flavor = WBEM_FLAVOR_ORIGIN_LOCAL;
    if (SystemProperty(name, value, type)) {
        flavor = WBEM_FLAVOR_ORIGIN_SYSTEM;
    } else if (const PropValue* slot = data_->Find(name)) {
        slot->CopyTo(value);
        type = data_->cls->FindProperty(name)->type;
        if (host_ && !data_->isClass) record.hostile = HostileValue(*host_, name, type, value, hostileStore_);
    } else {
        return Finish(record, WBEM_E_NOT_FOUND);
    }
    if (pVal) {
        VariantInit(pVal);
        *pVal = value;
    } else {
        VariantClear(&value);
    }
    if (pType) *pType = type;
    if (plFlavor) *plFlavor = flavor;
    return Finish(record, WBEM_S_NO_ERROR);
}

STDMETHODIMP WbemObject::Put(LPCWSTR wszName, LONG, VARIANT* pVal, CIMTYPE Type) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    CallRecord record = Record("Put");
    if (!wszName) return Finish(record, WBEM_E_INVALID_PARAMETER);
    std::wstring name = wszName;
    record.property = Utf8(name);
    if (pVal) {
        nlohmann::ordered_json in;
        in[record.property] = ValueToJson(*pVal);
        record.inJson = in.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    FaultEffect fault = Faults("Put", data_->method, name);
    if (fault.hr) return Finish(record, *fault.hr);
    if (IsSystemName(wszName)) return Finish(record, WBEM_E_READ_ONLY);
    PropValue* slot = data_->Find(name);
    if (!slot) return Finish(record, WBEM_E_NOT_FOUND);
    CIMTYPE declared = data_->cls->FindProperty(name)->type;
    if (Type != 0 && Type != declared) return Finish(record, WBEM_E_TYPE_MISMATCH);
    VARIANT nullValue;
    VariantInit(&nullValue);
    V_VT(&nullValue) = VT_NULL;
    PropValue converted;
    HRESULT hr = CoerceToCimType(pVal ? *pVal : nullValue, declared, converted);
    if (SUCCEEDED(hr)) *slot = converted;
    return Finish(record, hr);
}

STDMETHODIMP WbemObject::Delete(LPCWSTR wszName) {
    if (!wszName) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    if (IsSystemName(wszName)) return WBEM_E_SYSTEM_PROPERTY;
    PropValue* slot = data_->Find(wszName);
    if (!slot) return WBEM_E_NOT_FOUND;
    *slot = PropValue::Null();
    return WBEM_S_RESET_TO_DEFAULT;
}

std::vector<std::wstring> WbemObject::Names(LONG flags) const {
    std::vector<std::wstring> names;
    LONG origin = flags & WBEM_MASK_CONDITION_ORIGIN;
    bool system = origin != WBEM_FLAG_NONSYSTEM_ONLY && !(flags & (WBEM_FLAG_KEYS_ONLY | WBEM_FLAG_REFS_ONLY));
    bool own = origin != WBEM_FLAG_SYSTEM_ONLY;
    if (system)
        for (const wchar_t* s : kSystemProperties) names.push_back(s);
    if (own) {
        for (const auto& p : data_->cls->properties) {
            bool isKey = false;
            for (const auto& k : data_->cls->keys) isKey = isKey || IEquals(k, p.name);
            if ((flags & WBEM_FLAG_KEYS_ONLY) && !isKey) continue;
            if ((flags & WBEM_FLAG_REFS_ONLY) && (p.type & ~CIM_FLAG_ARRAY) != CIM_REFERENCE) continue;
            names.push_back(p.name);
        }
    }
    return names;
}

STDMETHODIMP WbemObject::GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT*, SAFEARRAY** pNames) {
    if (!pNames) return WBEM_E_INVALID_PARAMETER;
    if (wszQualifierName) return WBEM_E_NOT_SUPPORTED;  // the simulator keeps no qualifiers
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    PropValue list = PropValue::Strings(Names(lFlags));
    return SafeArrayCopy(V_ARRAY(&list.Get()), pNames);
}

STDMETHODIMP WbemObject::BeginEnumeration(LONG lEnumFlags) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    enumNames_ = Names(lEnumFlags);
    enumPos_ = 0;
    enumerating_ = true;
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::Next(LONG, BSTR* strName, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) {
    std::wstring name;
    {
        std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
        if (!enumerating_) return WBEM_E_UNEXPECTED;
        if (enumPos_ >= enumNames_.size()) return WBEM_S_NO_MORE_DATA;
        name = enumNames_[enumPos_++];
    }
    if (strName) *strName = NewBstr(name);
    VARIANT value;
    VariantInit(&value);
    CIMTYPE type = 0;
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    if (SystemProperty(name, value, type)) {
        if (plFlavor) *plFlavor = WBEM_FLAVOR_ORIGIN_SYSTEM;
    } else {
        data_->Find(name)->CopyTo(value);
        type = data_->cls->FindProperty(name)->type;
        if (plFlavor) *plFlavor = WBEM_FLAVOR_ORIGIN_LOCAL;
    }
    if (pVal)
        *pVal = value;
    else
        VariantClear(&value);
    if (pType) *pType = type;
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::EndEnumeration() {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    enumerating_ = false;
    enumNames_.clear();
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::Clone(IWbemClassObject** ppCopy) {
    if (!ppCopy) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    *ppCopy = Create(std::make_shared<ObjectData>(*data_), host_);
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::GetObjectText(LONG, BSTR* pstrObjectText) {
    if (!pstrObjectText) return WBEM_E_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    std::wstring text = std::wstring(data_->isClass ? L"class " : L"instance of ") + data_->ClassName() + L"\n{\n";
    for (size_t i = 0; i < data_->cls->properties.size(); ++i) {
        const PropertyDef& p = data_->cls->properties[i];
        const PropValue& v = data_->values[i];
        if (data_->isClass) {
            text += L"\t" + CimTypeName(p.type) + L" " + p.name + L";\n";
        } else if (!v.IsNull()) {
            text += L"\t" + p.name + L" = " + Wide(ValueToJson(v.Get(), p.type).dump()) + L";\n";
        }
    }
    text += L"};\n";
    *pstrObjectText = NewBstr(text);
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::SpawnInstance(LONG, IWbemClassObject** ppNewInstance) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    CallRecord record = Record("SpawnInstance");
    if (!ppNewInstance) return Finish(record, WBEM_E_INVALID_PARAMETER);
    *ppNewInstance = nullptr;
    FaultEffect fault = Faults("SpawnInstance", data_->method, {});
    if (fault.hr) return Finish(record, *fault.hr);
    *ppNewInstance = Create(SpawnFrom(*data_), host_);
    return Finish(record, WBEM_S_NO_ERROR);
}

STDMETHODIMP WbemObject::GetMethod(LPCWSTR wszName, LONG, IWbemClassObject** ppInSignature,
                                   IWbemClassObject** ppOutSignature) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    CallRecord record = Record("GetMethod");
    if (ppInSignature) *ppInSignature = nullptr;
    if (ppOutSignature) *ppOutSignature = nullptr;
    if (!wszName) return Finish(record, WBEM_E_INVALID_PARAMETER);
    record.method = Utf8(wszName);
    FaultEffect fault = Faults("GetMethod", wszName, {});
    if (fault.hr) return Finish(record, *fault.hr);
    // Method signatures belong to class definitions; instances and parameter objects have none.
    const MethodDef* method = data_->isClass ? data_->cls->FindMethod(wszName) : nullptr;
    if (!method) return Finish(record, WBEM_E_NOT_FOUND);
    if (ppInSignature && !method->in.empty())
        *ppInSignature = Create(NewParameters(*data_->cls, *method, true, true), host_);
    if (ppOutSignature) *ppOutSignature = Create(NewParameters(*data_->cls, *method, false, true), host_);
    return Finish(record, WBEM_S_NO_ERROR);
}

STDMETHODIMP WbemObject::BeginMethodEnumeration(LONG) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    methodPos_ = 0;
    enumeratingMethods_ = true;
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::NextMethod(LONG, BSTR* pstrName, IWbemClassObject** ppInSignature,
                                   IWbemClassObject** ppOutSignature) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    if (!enumeratingMethods_) return WBEM_E_UNEXPECTED;
    const auto& methods = data_->cls->methods;
    if (!data_->isClass || methodPos_ >= methods.size()) return WBEM_S_NO_MORE_DATA;
    const MethodDef& method = methods[methodPos_++];
    if (pstrName) *pstrName = NewBstr(method.name);
    if (ppInSignature)
        *ppInSignature = method.in.empty() ? nullptr : Create(NewParameters(*data_->cls, method, true, true), host_);
    if (ppOutSignature) *ppOutSignature = Create(NewParameters(*data_->cls, method, false, true), host_);
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::EndMethodEnumeration() {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    enumeratingMethods_ = false;
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::InheritsFrom(LPCWSTR strAncestor) {
    if (!strAncestor) return WBEM_E_INVALID_PARAMETER;
    for (const auto& ancestor : data_->cls->derivation)
        if (IEquals(ancestor, strAncestor)) return WBEM_S_NO_ERROR;
    return WBEM_S_FALSE;
}

STDMETHODIMP WbemObject::GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) {
    if (!wszName || !pstrClassName) return WBEM_E_INVALID_PARAMETER;
    if (!data_->cls->FindProperty(wszName)) return WBEM_E_NOT_FOUND;
    *pstrClassName = NewBstr(data_->ClassName());
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP WbemObject::GetMethodOrigin(LPCWSTR wszMethodName, BSTR* pstrClassName) {
    if (!wszMethodName || !pstrClassName) return WBEM_E_INVALID_PARAMETER;
    if (!data_->cls->FindMethod(wszMethodName)) return WBEM_E_NOT_FOUND;
    *pstrClassName = NewBstr(data_->ClassName());
    return WBEM_S_NO_ERROR;
}

// Qualifiers, comparison and schema editing are beyond what the simulated provider offers.
STDMETHODIMP WbemObject::GetQualifierSet(IWbemQualifierSet** ppQualSet) {
    if (ppQualSet) *ppQualSet = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WbemObject::GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet** ppQualSet) {
    if (ppQualSet) *ppQualSet = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WbemObject::GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet** ppQualSet) {
    if (ppQualSet) *ppQualSet = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WbemObject::SpawnDerivedClass(LONG, IWbemClassObject** ppNewClass) {
    if (ppNewClass) *ppNewClass = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP WbemObject::CompareTo(LONG, IWbemClassObject*) { return WBEM_E_NOT_SUPPORTED; }
STDMETHODIMP WbemObject::PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) { return WBEM_E_NOT_SUPPORTED; }
STDMETHODIMP WbemObject::DeleteMethod(LPCWSTR) { return WBEM_E_NOT_SUPPORTED; }

}  // namespace hostsim
