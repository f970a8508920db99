#pragma once
// IWbemClassObject of the simulator: a class, an instance, method parameters or an embedded
// object, each a copy the client owns (as objects received from a real host are).
#include "hostsim/hostile.h"
#include "hostsim/engine.h"
#include "hostsim/object_data.h"

#include <wbemcli.h>

#include <memory>

namespace hostsim {

class WbemObject final : public IWbemClassObject {
public:
    // A new object with one reference, owned by the caller. `host` is where its faults come from.
    static WbemObject* Create(std::shared_ptr<ObjectData> data, std::shared_ptr<Host> host);
    // The simulator's own object behind an interface pointer (no reference added), or nullptr.
    static WbemObject* From(IUnknown* unknown);

    const ObjectData& Data() const { return *data_; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IWbemClassObject
    STDMETHODIMP GetQualifierSet(IWbemQualifierSet** ppQualSet) override;
    STDMETHODIMP Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) override;
    STDMETHODIMP Put(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE Type) override;
    STDMETHODIMP Delete(LPCWSTR wszName) override;
    STDMETHODIMP GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT* pQualifierVal, SAFEARRAY** pNames) override;
    STDMETHODIMP BeginEnumeration(LONG lEnumFlags) override;
    STDMETHODIMP Next(LONG lFlags, BSTR* strName, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) override;
    STDMETHODIMP EndEnumeration() override;
    STDMETHODIMP GetPropertyQualifierSet(LPCWSTR wszProperty, IWbemQualifierSet** ppQualSet) override;
    STDMETHODIMP Clone(IWbemClassObject** ppCopy) override;
    STDMETHODIMP GetObjectText(LONG lFlags, BSTR* pstrObjectText) override;
    STDMETHODIMP SpawnDerivedClass(LONG lFlags, IWbemClassObject** ppNewClass) override;
    STDMETHODIMP SpawnInstance(LONG lFlags, IWbemClassObject** ppNewInstance) override;
    STDMETHODIMP CompareTo(LONG lFlags, IWbemClassObject* pCompareTo) override;
    STDMETHODIMP GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) override;
    STDMETHODIMP InheritsFrom(LPCWSTR strAncestor) override;
    STDMETHODIMP GetMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject** ppInSignature,
                           IWbemClassObject** ppOutSignature) override;
    STDMETHODIMP PutMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject* pInSignature,
                           IWbemClassObject* pOutSignature) override;
    STDMETHODIMP DeleteMethod(LPCWSTR wszName) override;
    STDMETHODIMP BeginMethodEnumeration(LONG lEnumFlags) override;
    STDMETHODIMP NextMethod(LONG lFlags, BSTR* pstrName, IWbemClassObject** ppInSignature,
                            IWbemClassObject** ppOutSignature) override;
    STDMETHODIMP EndMethodEnumeration() override;
    STDMETHODIMP GetMethodQualifierSet(LPCWSTR wszMethod, IWbemQualifierSet** ppQualSet) override;
    STDMETHODIMP GetMethodOrigin(LPCWSTR wszMethodName, BSTR* pstrClassName) override;

private:
    WbemObject(std::shared_ptr<ObjectData> data, std::shared_ptr<Host> host)
        : data_(std::move(data)), host_(std::move(host)) {}
    ~WbemObject() = default;

    // Logs a local call and runs the faults over it; the caller holds the engine mutex.
    HRESULT Finish(CallRecord& record, HRESULT hr);
    FaultEffect Faults(const char* call, const std::wstring& method, const std::wstring& property);
    CallRecord Record(const char* call) const;
    // The value of a system property (__CLASS, __PATH, ...), or false when `name` is none.
    bool SystemProperty(const std::wstring& name, VARIANT& value, CIMTYPE& type) const;
    std::vector<std::wstring> Names(LONG flags) const;

    RefCount refs_;
    std::shared_ptr<ObjectData> data_;
    std::shared_ptr<Host> host_;
    HostileStore hostileStore_;  // what a hostile host's by-reference answers point into
    std::vector<std::wstring> enumNames_;  // property enumeration in progress
    size_t enumPos_ = 0;
    bool enumerating_ = false;
    size_t methodPos_ = 0;
    bool enumeratingMethods_ = false;
};

}  // namespace hostsim
