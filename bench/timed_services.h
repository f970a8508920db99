#pragma once
// An IWbemServices that passes every call on to the host's and adds up the time spent in the calls
// that cross the wire on a real host (GetObject, ExecQuery, ExecMethod). Put in place of a
// VmConn's services, it tells how much of one refresh was the host's, measured inside that very
// refresh.
#include "harness.h"

#include <wbemcli.h>

#include <utility>

namespace bench {

class TimedServices final : public IWbemServices {
    using Ctx = IWbemContext*;
    using Obj = IWbemClassObject*;
    using Sink = IWbemObjectSink*;
    using Result = IWbemCallResult**;
    using Enum = IEnumWbemClassObject**;

public:
    explicit TimedServices(IWbemServices* inner) : inner_(inner) { inner_->AddRef(); }
    TimedServices(const TimedServices&) = delete;
    TimedServices& operator=(const TimedServices&) = delete;

    // Microseconds spent in wire calls since the last call of this; starts counting anew.
    double TakeWireMicros() { return std::exchange(wireMicros_, 0.0); }

    // IUnknown. Other interfaces (IClientSecurity for the proxy blanket) are the host's own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid != IID_IUnknown && riid != IID_IWbemServices) return inner_->QueryInterface(riid, object);
        *object = static_cast<IWbemServices*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

// Every method of IWbemServices, passed on; `timed` says whether it crosses the wire.
#define BENCH_PASS_ON(timed, method, params, args) \
    HRESULT STDMETHODCALLTYPE method params override { return PassOn(timed, [&] { return inner_->method args; }); }
    BENCH_PASS_ON(true, GetObject, (BSTR a, LONG b, Ctx c, Obj* d, Result e), (a, b, c, d, e))
    BENCH_PASS_ON(true, ExecQuery, (BSTR a, BSTR b, LONG c, Ctx d, Enum e), (a, b, c, d, e))
    BENCH_PASS_ON(true, ExecMethod, (BSTR a, BSTR b, LONG c, Ctx d, Obj e, Obj* f, Result g), (a, b, c, d, e, f, g))
    BENCH_PASS_ON(false, OpenNamespace, (BSTR a, LONG b, Ctx c, IWbemServices** d, Result e), (a, b, c, d, e))
    BENCH_PASS_ON(false, CancelAsyncCall, (Sink a), (a))
    BENCH_PASS_ON(false, QueryObjectSink, (LONG a, Sink* b), (a, b))
    BENCH_PASS_ON(false, GetObjectAsync, (BSTR a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, PutClass, (Obj a, LONG b, Ctx c, Result d), (a, b, c, d))
    BENCH_PASS_ON(false, PutClassAsync, (Obj a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, DeleteClass, (BSTR a, LONG b, Ctx c, Result d), (a, b, c, d))
    BENCH_PASS_ON(false, DeleteClassAsync, (BSTR a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, CreateClassEnum, (BSTR a, LONG b, Ctx c, Enum d), (a, b, c, d))
    BENCH_PASS_ON(false, CreateClassEnumAsync, (BSTR a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, PutInstance, (Obj a, LONG b, Ctx c, Result d), (a, b, c, d))
    BENCH_PASS_ON(false, PutInstanceAsync, (Obj a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, DeleteInstance, (BSTR a, LONG b, Ctx c, Result d), (a, b, c, d))
    BENCH_PASS_ON(false, DeleteInstanceAsync, (BSTR a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, CreateInstanceEnum, (BSTR a, LONG b, Ctx c, Enum d), (a, b, c, d))
    BENCH_PASS_ON(false, CreateInstanceEnumAsync, (BSTR a, LONG b, Ctx c, Sink d), (a, b, c, d))
    BENCH_PASS_ON(false, ExecQueryAsync, (BSTR a, BSTR b, LONG c, Ctx d, Sink e), (a, b, c, d, e))
    BENCH_PASS_ON(false, ExecNotificationQuery, (BSTR a, BSTR b, LONG c, Ctx d, Enum e), (a, b, c, d, e))
    BENCH_PASS_ON(false, ExecNotificationQueryAsync, (BSTR a, BSTR b, LONG c, Ctx d, Sink e), (a, b, c, d, e))
    BENCH_PASS_ON(false, ExecMethodAsync, (BSTR a, BSTR b, LONG c, Ctx d, Obj e, Sink f), (a, b, c, d, e, f))
#undef BENCH_PASS_ON

private:
    ~TimedServices() { inner_->Release(); }

    template <typename Call>
    HRESULT PassOn(bool timed, Call call) {
        const double start = Seconds();
        const HRESULT result = call();
        if (timed) wireMicros_ += MicrosSince(start);
        return result;
    }

    IWbemServices* inner_;
    LONG references_ = 1;
    double wireMicros_ = 0;
};

}  // namespace bench
