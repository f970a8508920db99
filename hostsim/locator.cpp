#include "hostsim/locator.h"

#include "hostsim/engine.h"
#include "hostsim/provider_version.h"
#include "hostsim/secured_proxy.h"
#include "hostsim/services.h"
#include "hostsim/text_util.h"

namespace hostsim {
namespace {

constexpr HRESULT kRpcServerUnavailable = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);  // 0x800706BA

// Splits "\\SERVER\namespace" into server and namespace; a path without a server is local ("").
void SplitResource(std::wstring resource, std::wstring& server, std::wstring& nameSpace) {
    for (auto& c : resource)
        if (c == L'/') c = L'\\';
    server.clear();
    nameSpace = resource;
    if (resource.rfind(L"\\\\", 0) == 0) {
        size_t end = resource.find(L'\\', 2);
        server = resource.substr(2, end == std::wstring::npos ? std::wstring::npos : end - 2);
        nameSpace = end == std::wstring::npos ? std::wstring() : resource.substr(end + 1);
    }
}

class Locator final : public IWbemLocator {
public:
    Locator() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWbemLocator) {
            *ppv = static_cast<IWbemLocator*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.Add(); }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = refs_.Drop();
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP ConnectServer(const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword,
                               const BSTR, LONG, const BSTR, IWbemContext*, IWbemServices** ppNamespace) override {
        if (!ppNamespace || !strNetworkResource) return WBEM_E_INVALID_PARAMETER;
        *ppNamespace = nullptr;
        std::wstring resource = BstrText(strNetworkResource), user = BstrText(strUser), server, nameSpace;
        SplitResource(resource, server, nameSpace);
        CallRecord record;
        record.call = "ConnectServer";
        record.nameSpace = Utf8(resource);
        record.user = Utf8(user);
        record.wire = true;
        Engine& engine = Engine::Instance();

        std::shared_ptr<Host> host;
        {
            std::lock_guard<std::mutex> lock(engine.mutex);
            host = engine.FindHost(server);
            if (host && host->Unreachable()) {  // a cluster node that is down: as if switched off
                record.hr = kRpcServerUnavailable;
                engine.Log().Add(record);
                return record.hr;
            }
            if (!host) {
                // No such host on the network: DCOM gives up without reaching any WMI.
                FaultEffect fault = engine.Faults(nullptr, CallInfo{"ConnectServer", {}, {}, {}, {}});
                record.hr = fault.hr.value_or(kRpcServerUnavailable);
                engine.Log().Add(record);
                return record.hr;
            }
        }
        if (host->latencyMs > 0) Sleep(static_cast<DWORD>(host->latencyMs));

        std::lock_guard<std::mutex> lock(engine.mutex);
        FaultEffect fault = engine.Faults(host.get(), CallInfo{"ConnectServer", {}, {}, {}, {}});
        std::optional<ProviderVersion> version = VersionOfNamespace(nameSpace);
        HRESULT hr = WBEM_S_NO_ERROR;
        if (fault.hr)
            hr = *fault.hr;
        else if (fault.disconnect)
            hr = RPC_E_DISCONNECTED;
        else if (!user.empty() && host->IsLocal())
            hr = WBEM_E_LOCAL_CREDENTIALS;  // WMI takes no user name for a connection to this machine
        else if (host->users && (user.empty() || !AcceptsLogon(*host, user, {}, BstrText(strPassword))))
            hr = E_ACCESSDENIED;
        else if (!version || !host->Speaks(*version))
            hr = WBEM_E_INVALID_NAMESPACE;  // not a namespace this host's provider has
        if (SUCCEEDED(hr)) *ppNamespace = Services::Create(host, *version);
        record.hr = hr;
        host->CountWireCall();
        engine.Log().Add(record);
        return hr;
    }

private:
    ~Locator() = default;
    RefCount refs_;
};

}  // namespace

LocatorFactory& LocatorFactory::Instance() {
    static LocatorFactory factory;
    return factory;
}

STDMETHODIMP LocatorFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP LocatorFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.mutex);
    CallRecord record;
    record.call = "CreateInstance";
    record.className = "WbemLocator";
    HRESULT hr = engine.EnsureLoaded();
    if (SUCCEEDED(hr)) {
        FaultEffect fault = engine.Faults(nullptr, CallInfo{"CreateInstance", {}, {}, {}, {}});
        hr = fault.hr.value_or(S_OK);
    }
    if (SUCCEEDED(hr)) {
        auto* locator = new Locator;
        hr = locator->QueryInterface(riid, ppv);
        locator->Release();
    }
    record.hr = hr;
    engine.Log().Add(record);
    return hr;
}

// The module never unloads (see DllCanUnloadNow), so there is nothing to lock.
STDMETHODIMP LocatorFactory::LockServer(BOOL) { return S_OK; }

}  // namespace hostsim
