#include "hostsim/enumerator.h"

#include "hostsim/host_objects.h"
#include "hostsim/text_util.h"
#include "hostsim/wbem_object.h"

namespace hostsim {

Enumerator* Enumerator::Create(std::shared_ptr<Connection> connection, std::wstring query, QueryResult result,
                               bool forwardOnly) {
    return new Enumerator(std::move(connection), std::move(query), std::move(result), forwardOnly);
}

Enumerator::Enumerator(std::shared_ptr<Connection> connection, std::wstring query, QueryResult result,
                       bool forwardOnly)
    : SecuredProxy(std::move(connection)), query_(std::move(query)), result_(std::move(result)),
      forwardOnly_(forwardOnly) {}

STDMETHODIMP Enumerator::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumWbemClassObject)
        *ppv = static_cast<IEnumWbemClassObject*>(this);
    else if (riid == IID_IClientSecurity)
        *ppv = static_cast<IClientSecurity*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Enumerator::AddRef() { return refs_.Add(); }

STDMETHODIMP_(ULONG) Enumerator::Release() {
    ULONG left = refs_.Drop();
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP Enumerator::Reset() {
    if (forwardOnly_) return WBEM_E_INVALID_OPERATION;  // a forward-only result set cannot be rewound
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    position_ = 0;
    return WBEM_S_NO_ERROR;
}

STDMETHODIMP Enumerator::Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects, ULONG* puReturned) {
    if (!apObjects || !puReturned || uCount == 0) return WBEM_E_INVALID_PARAMETER;
    *puReturned = 0;
    CallRecord record;
    record.call = "Next";
    record.query = Utf8(query_);
    HRESULT hr = BeginWireCall(record);
    if (FAILED(hr)) return hr;

    std::unique_lock<std::mutex> lock(Engine::Instance().mutex);
    std::wstring className =
        position_ < result_.objects.size() ? result_.objects[position_]->ClassName() : result_.className;
    record.className = Utf8(className);
    record.timeout = lTimeout == static_cast<LONG>(WBEM_INFINITE) ? -1 : lTimeout;
    FaultEffect fault = Engine::Instance().Faults(&host(), CallInfo{"Next", className, {}, {}, {}});
    if (fault.hr || fault.disconnect) return EndWireCall(record, fault.hr.value_or(RPC_E_DISCONNECTED), fault);

    record.hostile = fault.Reply("stall") ? "stall" : HostileNext(host());
    if (record.hostile == "stall") {
        // Nothing comes for as long as the client waits. A bounded wait is answered at once, as
        // the host that stayed silent for all of it would be (the test does not sit it out); one
        // without a bound waits long enough for anyone to see the window frozen.
        if (record.timeout < 0) {
            lock.unlock();
            Sleep(StallWithoutTimeoutMs);
            lock.lock();
        }
        return EndWireCall(record, record.timeout < 0 ? WBEM_S_FALSE : WBEM_S_TIMEDOUT, fault);
    }
    if (record.hostile == "empty") return EndWireCall(record, WBEM_S_FALSE, fault);

    ULONG delivered = 0;
    while (delivered < uCount && position_ < result_.objects.size()) {
        auto copy = std::make_shared<ObjectData>(*result_.objects[position_++]);
        if (record.hostile == "otherMachine") {
            if (auto other = OtherMachinesObject(HostView{&host(), connection_->version}, *copy)) copy = other;
        }
        if (fault.Reply("resolutionZero") && copy->Find(L"CurrentHorizontalResolution")) {
            copy->Set(L"CurrentHorizontalResolution", PropValue::I4(0));
            copy->Set(L"CurrentVerticalResolution", PropValue::I4(0));
        }
        apObjects[delivered++] = WbemObject::Create(std::move(copy), connection_->host);
    }
    *puReturned = delivered;
    record.count = static_cast<int>(delivered);
    return EndWireCall(record, delivered == uCount ? WBEM_S_NO_ERROR : WBEM_S_FALSE, fault);
}

STDMETHODIMP Enumerator::Skip(LONG, ULONG nCount) {
    CallRecord record;
    record.call = "Skip";
    record.query = Utf8(query_);
    HRESULT hr = BeginWireCall(record);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    size_t skipped = std::min<size_t>(nCount, result_.objects.size() - position_);
    position_ += skipped;
    record.count = static_cast<int>(skipped);
    return EndWireCall(record, skipped == nCount ? WBEM_S_NO_ERROR : WBEM_S_FALSE, FaultEffect{});
}

STDMETHODIMP Enumerator::NextAsync(ULONG, IWbemObjectSink*) { return WBEM_E_NOT_SUPPORTED; }

STDMETHODIMP Enumerator::Clone(IEnumWbemClassObject** ppEnum) {
    if (!ppEnum) return WBEM_E_INVALID_PARAMETER;
    *ppEnum = nullptr;
    if (forwardOnly_) return WBEM_E_INVALID_OPERATION;
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    Enumerator* copy = Create(connection_, query_, result_, forwardOnly_);
    copy->position_ = position_;
    *ppEnum = copy;
    return WBEM_S_NO_ERROR;
}

}  // namespace hostsim
