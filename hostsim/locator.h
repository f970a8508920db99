#pragma once
// IWbemLocator of the simulator and the class factory that makes it: the entry points a client
// reaches through CoCreateInstance(CLSID_WbemLocator, ...).
#include <windows.h>
#include <wbemcli.h>

namespace hostsim {

class LocatorFactory final : public IClassFactory {
public:
    static LocatorFactory& Instance();  // one static factory per process

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;
};

}  // namespace hostsim
