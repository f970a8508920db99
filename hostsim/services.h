#pragma once
// IWbemServices of the simulator: one connection to a host's namespace of one provider version
// (root\virtualization or root\virtualization\v2).
#include "hostsim/host_objects.h"
#include "hostsim/secured_proxy.h"

#include <wbemcli.h>


namespace hostsim {

class Services final : public IWbemServices, public SecuredProxy {
public:
    // A new services object with one reference, owned by the caller.
    static Services* Create(std::shared_ptr<Host> host, ProviderVersion version);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IWbemServices: the calls a client of the provider makes
    STDMETHODIMP ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags, IWbemContext* pCtx,
                           IEnumWbemClassObject** ppEnum) override;
    STDMETHODIMP GetObject(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx, IWbemClassObject** ppObject,
                           IWbemCallResult** ppCallResult) override;
    STDMETHODIMP ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags, IWbemContext* pCtx,
                            IWbemClassObject* pInParams, IWbemClassObject** ppOutParams,
                            IWbemCallResult** ppCallResult) override;
    STDMETHODIMP CreateInstanceEnum(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                                    IEnumWbemClassObject** ppEnum) override;

    // IWbemServices: what the provider does not offer
    STDMETHODIMP OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**, IWbemCallResult**) override;
    STDMETHODIMP CancelAsyncCall(IWbemObjectSink*) override;
    STDMETHODIMP QueryObjectSink(LONG, IWbemObjectSink**) override;
    STDMETHODIMP GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override;
    STDMETHODIMP PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override;
    STDMETHODIMP DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override;
    STDMETHODIMP CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override;
    STDMETHODIMP PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override;
    STDMETHODIMP DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override;
    STDMETHODIMP ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    STDMETHODIMP ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                 IWbemObjectSink*) override;

private:
    explicit Services(std::shared_ptr<Connection> connection) : SecuredProxy(std::move(connection)) {}
    ~Services() override = default;

    // Finds what a method call targets and reads its in-parameters (mutex held).
    HRESULT PrepareMethod(const std::wstring& path, const std::wstring& methodName, IWbemClassObject* in,
                          std::optional<HostInstance>& target, const MethodDef*& method,
                          std::vector<PropValue>& values, CallRecord& record);
    HostView View() const { return {connection_->host.get(), connection_->version}; }

    RefCount refs_;
};

}  // namespace hostsim
