#pragma once
// IEnumWbemClassObject of the simulator: the result set of one query, delivered by Next.
#include "hostsim/query_eval.h"
#include "hostsim/secured_proxy.h"

#include <wbemcli.h>


namespace hostsim {

class Enumerator final : public IEnumWbemClassObject, public SecuredProxy {
public:
    // A new enumerator with one reference, owned by the caller.
    static Enumerator* Create(std::shared_ptr<Connection> connection, std::wstring query, QueryResult result,
                              bool forwardOnly);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IEnumWbemClassObject
    STDMETHODIMP Reset() override;
    STDMETHODIMP Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects, ULONG* puReturned) override;
    STDMETHODIMP NextAsync(ULONG uCount, IWbemObjectSink* pSink) override;
    STDMETHODIMP Clone(IEnumWbemClassObject** ppEnum) override;
    STDMETHODIMP Skip(LONG lTimeout, ULONG nCount) override;

private:
    Enumerator(std::shared_ptr<Connection> connection, std::wstring query, QueryResult result, bool forwardOnly);
    ~Enumerator() override = default;

    RefCount refs_;
    std::wstring query_;
    QueryResult result_;
    size_t position_ = 0;
    bool forwardOnly_;
};

}  // namespace hostsim
