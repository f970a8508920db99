#include "hostsim/services.h"

#include "hostsim/enumerator.h"
#include "hostsim/provider_methods.h"
#include "hostsim/text_util.h"
#include "hostsim/wbem_object.h"

namespace hostsim {
namespace {

constexpr LONG kQueryFlags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_ENSURE_LOCATABLE |
                             WBEM_FLAG_USE_AMENDED_QUALIFIERS | WBEM_FLAG_DIRECT_READ;

// The value a client left in a parameter object: the simulator's own objects are read directly
// (no log line), any other object through Get.
HRESULT ParameterValue(IWbemClassObject* in, const std::wstring& name, VARIANT& value) {
    VariantInit(&value);
    if (WbemObject* own = WbemObject::From(in)) {
        const PropValue* slot = own->Data().Find(name);
        if (slot) slot->CopyTo(value);
        return S_OK;
    }
    return in->Get(name.c_str(), 0, &value, nullptr, nullptr);
}

}  // namespace

Services* Services::Create(std::shared_ptr<Host> host, ProviderVersion version) {
    auto connection = std::make_shared<Connection>();
    connection->host = std::move(host);
    connection->version = version;
    return new Services(std::move(connection));
}

STDMETHODIMP Services::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWbemServices)
        *ppv = static_cast<IWbemServices*>(this);
    else if (riid == IID_IClientSecurity)
        *ppv = static_cast<IClientSecurity*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Services::AddRef() { return refs_.Add(); }

STDMETHODIMP_(ULONG) Services::Release() {
    ULONG left = refs_.Drop();
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP Services::ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags, IWbemContext*,
                                 IEnumWbemClassObject** ppEnum) {
    if (!ppEnum || !strQuery || !strQueryLanguage) return WBEM_E_INVALID_PARAMETER;
    *ppEnum = nullptr;
    if (!IEquals(BstrText(strQueryLanguage), L"WQL")) return WBEM_E_INVALID_QUERY_TYPE;
    if (lFlags & ~kQueryFlags) return WBEM_E_INVALID_PARAMETER;
    std::wstring query = BstrText(strQuery);
    CallRecord record;
    record.call = "ExecQuery";
    record.query = Utf8(query);
    record.className = Utf8(QueryClass(query));
    HRESULT hr = BeginWireCall(record);
    if (FAILED(hr)) return hr;

    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    FaultEffect fault = Engine::Instance().Faults(&host(), CallInfo{"ExecQuery", QueryClass(query), {}, {}, {}});
    if (fault.hr || fault.disconnect) return EndWireCall(record, fault.hr.value_or(RPC_E_DISCONNECTED), fault);
    AdvanceJobs(host(), nullptr);
    QueryResult result;
    hr = RunQuery(View(), query, result);
    if (SUCCEEDED(hr)) {
        record.count = static_cast<int>(result.objects.size());
        *ppEnum = Enumerator::Create(connection_, query, std::move(result), (lFlags & WBEM_FLAG_FORWARD_ONLY) != 0);
    }
    return EndWireCall(record, hr, fault);
}

STDMETHODIMP Services::CreateInstanceEnum(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                                          IEnumWbemClassObject** ppEnum) {
    if (!strFilter) return WBEM_E_INVALID_PARAMETER;
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString((L"Select * from " + BstrText(strFilter)).c_str());
    HRESULT hr = ExecQuery(language, query, lFlags, pCtx, ppEnum);
    SysFreeString(language);
    SysFreeString(query);
    return hr;
}

STDMETHODIMP Services::GetObject(const BSTR strObjectPath, LONG, IWbemContext*, IWbemClassObject** ppObject,
                                 IWbemCallResult** ppCallResult) {
    if (ppCallResult) *ppCallResult = nullptr;
    if (ppObject) *ppObject = nullptr;
    std::wstring pathText = BstrText(strObjectPath);
    if (pathText.empty()) return WBEM_E_INVALID_PARAMETER;
    CallRecord record;
    record.call = "GetObject";
    record.target = Utf8(pathText);
    HRESULT hr = BeginWireCall(record);
    if (FAILED(hr)) return hr;

    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    auto path = ParseObjectPath(pathText);
    std::wstring className = path ? path->className : std::wstring();
    record.className = Utf8(className);
    FaultEffect fault = Engine::Instance().Faults(&host(), CallInfo{"GetObject", className, {}, {}, {}});
    if (fault.hr || fault.disconnect) return EndWireCall(record, fault.hr.value_or(RPC_E_DISCONNECTED), fault);
    AdvanceJobs(host(), path ? &*path : nullptr);  // a read of a job, or of a machine shutting down, moves it on
    if (!path) return EndWireCall(record, WBEM_E_INVALID_OBJECT_PATH, fault);
    if (!IsOurNamespace(connection_->version, *path)) return EndWireCall(record, WBEM_E_INVALID_NAMESPACE, fault);

    std::shared_ptr<ObjectData> data;
    if (path->keys.empty()) {
        if (const ClassDef* cls = View().schema().Find(path->className))
            data = NewClassObject(*cls, host().hostName, connection_->version);
    } else if (auto inst = FindInstance(View(), *path)) {
        data = std::make_shared<ObjectData>(*inst->data);
        // A hostile host may answer with the same object of another machine.
        if (HostileNext(host()) == "otherMachine") {
            if (auto other = OtherMachinesObject(View(), *data)) {
                data = other;
                record.hostile = "otherMachine";
            }
        }
    }
    if (!data) return EndWireCall(record, WBEM_E_NOT_FOUND, fault);
    if (fault.Reply("resolutionZero") && data->Find(L"CurrentHorizontalResolution") && !data->isClass) {
        data->Set(L"CurrentHorizontalResolution", PropValue::I4(0));
        data->Set(L"CurrentVerticalResolution", PropValue::I4(0));
    }
    if (ppObject) *ppObject = WbemObject::Create(std::move(data), connection_->host);
    return EndWireCall(record, WBEM_S_NO_ERROR, fault);
}

HRESULT Services::PrepareMethod(const std::wstring& pathText, const std::wstring& methodName, IWbemClassObject* in,
                                std::optional<HostInstance>& target, const MethodDef*& method,
                                std::vector<PropValue>& values, CallRecord& record) {
    auto path = ParseObjectPath(pathText);
    if (!path) return WBEM_E_INVALID_OBJECT_PATH;
    if (!IsOurNamespace(connection_->version, *path)) return WBEM_E_INVALID_NAMESPACE;
    const ClassDef* cls = View().schema().Find(path->className);
    if (!cls) return WBEM_E_INVALID_CLASS;
    method = cls->FindMethod(methodName);
    if (!method) return WBEM_E_INVALID_METHOD;
    if (path->keys.empty()) return WBEM_E_INVALID_OPERATION;  // the provider's methods are not static
    target = FindInstance(View(), *path);
    if (!target) return WBEM_E_NOT_FOUND;

    // Every in-parameter but an optional one is required, and is converted to its declared type as
    // a Put would.
    nlohmann::ordered_json logged = nlohmann::ordered_json::object();
    HRESULT result = WBEM_S_NO_ERROR;
    for (const auto& p : method->in) {
        VARIANT raw;
        PropValue value;
        if (!in || FAILED(ParameterValue(in, p.name, raw)) || FAILED(CoerceToCimType(raw, p.type, value))) {
            result = WBEM_E_INVALID_PARAMETER;
        } else if (value.IsNull()) {
            if (p.optional)
                logged[Utf8(p.name)] = nullptr;
            else
                result = WBEM_E_INVALID_PARAMETER;
        } else {
            logged[Utf8(p.name)] = ValueToJson(value.Get(), p.type);
        }
        VariantClear(&raw);
        values.push_back(value);
    }
    record.inJson = logged.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return result;
}

STDMETHODIMP Services::ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG, IWbemContext*,
                                  IWbemClassObject* pInParams, IWbemClassObject** ppOutParams,
                                  IWbemCallResult** ppCallResult) {
    if (ppCallResult) *ppCallResult = nullptr;
    if (ppOutParams) *ppOutParams = nullptr;
    if (!strObjectPath || !strMethodName) return WBEM_E_INVALID_PARAMETER;
    std::wstring pathText = BstrText(strObjectPath), methodName = BstrText(strMethodName);
    CallRecord record;
    record.call = "ExecMethod";
    record.target = Utf8(pathText);
    record.method = Utf8(methodName);
    HRESULT hr = BeginWireCall(record);
    if (FAILED(hr)) return hr;

    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    auto path = ParseObjectPath(pathText);
    std::wstring className = path ? path->className : std::wstring();
    record.className = Utf8(className);
    std::optional<HostInstance> target;
    const MethodDef* method = nullptr;
    std::vector<PropValue> values;
    hr = PrepareMethod(pathText, methodName, pInParams, target, method, values, record);
    FaultEffect fault = Engine::Instance().Faults(&host(), CallInfo{"ExecMethod", className, {}, methodName, {}});
    if (fault.hr || fault.disconnect) return EndWireCall(record, fault.hr.value_or(RPC_E_DISCONNECTED), fault);
    if (FAILED(hr)) return EndWireCall(record, hr, fault);
    AdvanceJobs(host(), nullptr);
    // A hostile host may report on another machine than the one asked about.
    if (IEquals(method->name, L"GetSummaryInformation") && HostileNext(host()) == "otherMachine") {
        fault.replies.push_back("summaryOfOther");
        record.hostile = "otherMachine";
    }

    const ClassDef* owner = View().schema().Find(target->data->ClassName());
    auto out = NewParameters(*owner, *method, false, false);
    RunProviderMethod(connection_->host, connection_->version, *target, *method, values, *out, fault);
    if (ppOutParams) *ppOutParams = WbemObject::Create(std::move(out), connection_->host);
    return EndWireCall(record, WBEM_S_NO_ERROR, fault);
}

// Asynchronous calls, schema changes and events are not part of what the provider offers.
STDMETHODIMP Services::OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices** ppWorkingNamespace,
                                     IWbemCallResult** ppResult) {
    if (ppWorkingNamespace) *ppWorkingNamespace = nullptr;
    if (ppResult) *ppResult = nullptr;
    return WBEM_E_INVALID_NAMESPACE;
}
STDMETHODIMP Services::CancelAsyncCall(IWbemObjectSink*) { return WBEM_E_NOT_SUPPORTED; }
STDMETHODIMP Services::QueryObjectSink(LONG, IWbemObjectSink**) { return WBEM_E_NOT_SUPPORTED; }
STDMETHODIMP Services::GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) { return WBEM_E_NOT_SUPPORTED; }
STDMETHODIMP Services::PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) { return WBEM_E_ACCESS_DENIED; }
STDMETHODIMP Services::PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) { return WBEM_E_ACCESS_DENIED; }
STDMETHODIMP Services::DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** ppEnum) {
    if (ppEnum) *ppEnum = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) {
    return WBEM_E_ACCESS_DENIED;
}
STDMETHODIMP Services::PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) {
    return WBEM_E_ACCESS_DENIED;
}
STDMETHODIMP Services::DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                             IEnumWbemClassObject** ppEnum) {
    if (ppEnum) *ppEnum = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}
STDMETHODIMP Services::ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                       IWbemObjectSink*) {
    return WBEM_E_NOT_SUPPORTED;
}

}  // namespace hostsim
