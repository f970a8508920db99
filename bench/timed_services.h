#pragma once
// An IWbemServices that passes every call on to the host's and adds up the time spent in the calls
// that cross the wire on a real host (GetObject, ExecQuery, ExecMethod). Put in place of a
// VmConn's services, it tells how much of one refresh was the host's, measured inside that very
// refresh.
#include "bench_util.h"

#include <windows.h>
#include <wbemcli.h>

namespace bench {

class TimedServices final : public IWbemServices {
public:
    explicit TimedServices(IWbemServices* inner) : inner_(inner) { inner_->AddRef(); }
    TimedServices(const TimedServices&) = delete;
    TimedServices& operator=(const TimedServices&) = delete;

    // Microseconds spent in wire calls since the last call of this, and starts counting anew.
    double TakeWireMicros() {
        const double micros = wireMicros_;
        wireMicros_ = 0;
        return micros;
    }

    // IUnknown. Other interfaces (IClientSecurity for the proxy blanket) are the host's own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IWbemServices) {
            *object = static_cast<IWbemServices*>(this);
            AddRef();
            return S_OK;
        }
        return inner_->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            inner_->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // The calls that cross the wire, timed.
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR path, LONG flags, IWbemContext* context, IWbemClassObject** object,
                                        IWbemCallResult** result) override {
        const double start = Seconds();
        const HRESULT hr = inner_->GetObject(path, flags, context, object, result);
        wireMicros_ += MicrosSince(start);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG flags, IWbemContext* context,
                                        IEnumWbemClassObject** enumerator) override {
        const double start = Seconds();
        const HRESULT hr = inner_->ExecQuery(language, query, flags, context, enumerator);
        wireMicros_ += MicrosSince(start);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR path, const BSTR method, LONG flags, IWbemContext* context,
                                         IWbemClassObject* in, IWbemClassObject** out,
                                         IWbemCallResult** result) override {
        const double start = Seconds();
        const HRESULT hr = inner_->ExecMethod(path, method, flags, context, in, out, result);
        wireMicros_ += MicrosSince(start);
        return hr;
    }

    // Everything else, passed on as it is.
    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR a, LONG b, IWbemContext* c, IWbemServices** d,
                                            IWbemCallResult** e) override {
        return inner_->OpenNamespace(a, b, c, d, e);
    }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink* a) override { return inner_->CancelAsyncCall(a); }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG a, IWbemObjectSink** b) override {
        return inner_->QueryObjectSink(a, b);
    }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR a, LONG b, IWbemContext* c, IWbemObjectSink* d) override {
        return inner_->GetObjectAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject* a, LONG b, IWbemContext* c, IWbemCallResult** d) override {
        return inner_->PutClass(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject* a, LONG b, IWbemContext* c, IWbemObjectSink* d) override {
        return inner_->PutClassAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR a, LONG b, IWbemContext* c, IWbemCallResult** d) override {
        return inner_->DeleteClass(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR a, LONG b, IWbemContext* c, IWbemObjectSink* d) override {
        return inner_->DeleteClassAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR a, LONG b, IWbemContext* c, IEnumWbemClassObject** d) override {
        return inner_->CreateClassEnum(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR a, LONG b, IWbemContext* c, IWbemObjectSink* d) override {
        return inner_->CreateClassEnumAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* a, LONG b, IWbemContext* c, IWbemCallResult** d) override {
        return inner_->PutInstance(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject* a, LONG b, IWbemContext* c,
                                               IWbemObjectSink* d) override {
        return inner_->PutInstanceAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR a, LONG b, IWbemContext* c, IWbemCallResult** d) override {
        return inner_->DeleteInstance(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR a, LONG b, IWbemContext* c, IWbemObjectSink* d) override {
        return inner_->DeleteInstanceAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR a, LONG b, IWbemContext* c,
                                                 IEnumWbemClassObject** d) override {
        return inner_->CreateInstanceEnum(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR a, LONG b, IWbemContext* c,
                                                      IWbemObjectSink* d) override {
        return inner_->CreateInstanceEnumAsync(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR a, const BSTR b, LONG c, IWbemContext* d,
                                             IWbemObjectSink* e) override {
        return inner_->ExecQueryAsync(a, b, c, d, e);
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR a, const BSTR b, LONG c, IWbemContext* d,
                                                    IEnumWbemClassObject** e) override {
        return inner_->ExecNotificationQuery(a, b, c, d, e);
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR a, const BSTR b, LONG c, IWbemContext* d,
                                                         IWbemObjectSink* e) override {
        return inner_->ExecNotificationQueryAsync(a, b, c, d, e);
    }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR a, const BSTR b, LONG c, IWbemContext* d, IWbemClassObject* e,
                                              IWbemObjectSink* f) override {
        return inner_->ExecMethodAsync(a, b, c, d, e, f);
    }

private:
    ~TimedServices() = default;

    IWbemServices* inner_;
    LONG references_ = 1;
    double wireMicros_ = 0;
};

}  // namespace bench
