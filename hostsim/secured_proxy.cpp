#include "hostsim/secured_proxy.h"

#include "hostsim/text_util.h"

namespace hostsim {
namespace {

// The user, domain and password an identity carries, in either character set.
struct Identity {
    std::wstring user, domain, password;
};

Identity ReadIdentity(const void* authInfo) {
    Identity id;
    const auto* w = static_cast<const SEC_WINNT_AUTH_IDENTITY_W*>(authInfo);
    if (w->Flags == SEC_WINNT_AUTH_IDENTITY_UNICODE) {
        if (w->User) id.user.assign(reinterpret_cast<const wchar_t*>(w->User), w->UserLength);
        if (w->Domain) id.domain.assign(reinterpret_cast<const wchar_t*>(w->Domain), w->DomainLength);
        if (w->Password) id.password.assign(reinterpret_cast<const wchar_t*>(w->Password), w->PasswordLength);
    } else {
        const auto* a = static_cast<const SEC_WINNT_AUTH_IDENTITY_A*>(authInfo);
        auto text = [](const unsigned char* s, unsigned long n) {
            return s ? Wide(std::string(reinterpret_cast<const char*>(s), n)) : std::wstring();
        };
        id.user = text(a->User, a->UserLength);
        id.domain = text(a->Domain, a->DomainLength);
        id.password = text(a->Password, a->PasswordLength);
    }
    return id;
}

}  // namespace

bool AcceptsLogon(const Host& host, const std::wstring& user, const std::wstring& domain, const std::wstring& password) {
    if (!host.users) return true;
    std::wstring name = user, dom = domain;
    if (size_t slash = name.find(L'\\'); slash != std::wstring::npos && dom.empty()) {
        dom = name.substr(0, slash);
        name = name.substr(slash + 1);
    }
    for (const auto& u : *host.users) {
        std::wstring wantUser = u.user, wantDomain;
        if (size_t slash = wantUser.find(L'\\'); slash != std::wstring::npos) {
            wantDomain = wantUser.substr(0, slash);
            wantUser = wantUser.substr(slash + 1);
        }
        // A plain user is a local account of the host: its domain may be left out, "." or the host's name.
        bool domainOk = wantDomain.empty()
                            ? (dom.empty() || dom == L"." || IEquals(dom, host.hostName) || IEquals(dom, Wide(host.name)))
                            : IEquals(dom, wantDomain);
        if (domainOk && IEquals(name, wantUser) && password == u.password) return true;
    }
    return false;
}

SecuredProxy::SecuredProxy(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), authorized_(!connection_->host->users) {}

STDMETHODIMP SecuredProxy::QueryBlanket(IUnknown*, DWORD* pAuthnSvc, DWORD* pAuthzSvc, OLECHAR** pServerPrincName,
                                        DWORD* pAuthnLevel, DWORD* pImpLevel, void** pAuthInfo, DWORD* pCapabilites) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    if (pAuthnSvc) *pAuthnSvc = authnSvc_;
    if (pAuthzSvc) *pAuthzSvc = authzSvc_;
    if (pServerPrincName) *pServerPrincName = nullptr;
    if (pAuthnLevel) *pAuthnLevel = authnLevel_;
    if (pImpLevel) *pImpLevel = impLevel_;
    if (pAuthInfo) *pAuthInfo = authInfo_;
    if (pCapabilites) *pCapabilites = capabilities_;
    return S_OK;
}

STDMETHODIMP SecuredProxy::SetBlanket(IUnknown*, DWORD dwAuthnSvc, DWORD dwAuthzSvc, OLECHAR*, DWORD dwAuthnLevel,
                                      DWORD dwImpLevel, void* pAuthInfo, DWORD dwCapabilities) {
    std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
    CallRecord record;
    record.call = "SetBlanket";
    record.authnLevel = static_cast<int>(dwAuthnLevel);
    record.impLevel = static_cast<int>(dwImpLevel);
    bool hasIdentity = pAuthInfo && pAuthInfo != COLE_DEFAULT_AUTHINFO;
    Identity id;
    if (hasIdentity) {
        id = ReadIdentity(pAuthInfo);
        record.user = Utf8(id.user);
        record.domain = Utf8(id.domain);
    }
    FaultEffect fault = Engine::Instance().Faults(&host(), CallInfo{"SetBlanket", {}, {}, {}, {}});
    record.hr = fault.hr.value_or(S_OK);
    if (SUCCEEDED(record.hr)) {
        authnSvc_ = dwAuthnSvc;
        authzSvc_ = dwAuthzSvc;
        authnLevel_ = dwAuthnLevel;
        impLevel_ = dwImpLevel;
        capabilities_ = dwCapabilities;
        if (pAuthInfo != COLE_DEFAULT_AUTHINFO) authInfo_ = pAuthInfo;
        // Without an identity the proxy calls as the process's own logon.
        authorized_ = hasIdentity ? AcceptsLogon(host(), id.user, id.domain, id.password) : !host().users;
    }
    Engine::Instance().Log().Add(record);
    return record.hr;
}

STDMETHODIMP SecuredProxy::CopyProxy(IUnknown*, IUnknown** ppCopy) {
    if (ppCopy) *ppCopy = nullptr;
    return E_NOTIMPL;
}

HRESULT SecuredProxy::BeginWireCall(CallRecord& record) {
    int latency = 0;
    {
        std::lock_guard<std::mutex> lock(Engine::Instance().mutex);
        record.wire = true;
        // A node that went down takes its live connections with it. The cluster's namespace
        // requires encryption: a proxy below packet privacy is refused.
        const bool weak = connection_->version == ProviderVersion::Cluster && authnLevel_ < RPC_C_AUTHN_LEVEL_PKT_PRIVACY;
        HRESULT refusal = connection_->disconnected || host().Unreachable() ? RPC_E_DISCONNECTED
                          : !authorized_ || weak                            ? E_ACCESSDENIED
                                                                            : S_OK;
        if (FAILED(refusal)) {
            record.hr = refusal;
            host().CountWireCall();
            Engine::Instance().Log().Add(record);
            return refusal;
        }
        latency = host().latencyMs;
    }
    if (latency > 0) Sleep(static_cast<DWORD>(latency));
    return S_OK;
}

HRESULT SecuredProxy::EndWireCall(CallRecord& record, HRESULT hr, const FaultEffect& fault) {
    if (fault.disconnect) {
        connection_->disconnected = true;
        hr = RPC_E_DISCONNECTED;
    }
    record.hr = hr;
    record.wire = true;
    host().CountWireCall();
    Engine::Instance().Log().Add(record);
    return hr;
}

}  // namespace hostsim
