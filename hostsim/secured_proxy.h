#pragma once
// What the services object and its enumerators share: the connection they were opened on, and
// the proxy security blanket (IClientSecurity) that decides whether the host accepts their calls.
#include "hostsim/engine.h"

#include <objidl.h>

#include <memory>
#include <string>

namespace hostsim {

struct Connection {
    std::shared_ptr<Host> host;
    ProviderVersion version = ProviderVersion::V1;  // the namespace the connection was opened on
    bool disconnected = false;  // the host went away: every later wire call fails
};

class SecuredProxy : public IClientSecurity {
public:
    // IClientSecurity (IUnknown comes from the derived object)
    STDMETHODIMP QueryBlanket(IUnknown* pProxy, DWORD* pAuthnSvc, DWORD* pAuthzSvc, OLECHAR** pServerPrincName,
                              DWORD* pAuthnLevel, DWORD* pImpLevel, void** pAuthInfo, DWORD* pCapabilites) override;
    STDMETHODIMP SetBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc, OLECHAR* pServerPrincName,
                            DWORD dwAuthnLevel, DWORD dwImpLevel, void* pAuthInfo, DWORD dwCapabilities) override;
    STDMETHODIMP CopyProxy(IUnknown* pProxy, IUnknown** ppCopy) override;

protected:
    explicit SecuredProxy(std::shared_ptr<Connection> connection);
    virtual ~SecuredProxy() = default;

    // Opens a call that crosses the wire: refuses it on a cut connection or when the host does not
    // accept the proxy's identity, then waits out the host's latency. Takes the mutex itself; a
    // refusal is logged and returned.
    HRESULT BeginWireCall(CallRecord& record);
    // Closes a wire call (mutex held): a disconnect fault cuts the connection, the call is counted
    // and logged. Returns the call's result.
    HRESULT EndWireCall(CallRecord& record, HRESULT hr, const FaultEffect& fault);

    std::shared_ptr<Connection> connection_;
    Host& host() const { return *connection_->host; }

private:
    bool authorized_;  // the host accepts calls made with this proxy's identity
    DWORD authnLevel_ = RPC_C_AUTHN_LEVEL_DEFAULT, impLevel_ = RPC_C_IMP_LEVEL_IDENTIFY;
    DWORD authnSvc_ = RPC_C_AUTHN_DEFAULT, authzSvc_ = RPC_C_AUTHZ_DEFAULT, capabilities_ = EOAC_NONE;
    void* authInfo_ = nullptr;
};

// Whether `host` accepts this user (plain or DOMAIN\user as typed, or split into user and domain)
// with this password. A host without a user list accepts anyone.
bool AcceptsLogon(const Host& host, const std::wstring& user, const std::wstring& domain, const std::wstring& password);

}  // namespace hostsim
