#include "wmi/wmi_call.h"
#include "wmi/host_values.h"
#include "wmi/wmi_session.h"

namespace {
// Status of a step that was to yield an object.
HRESULT StepStatus(HRESULT hr, bool gotObject) {
    if (gotObject) return hr;
    return FAILED(hr) ? hr : WbemFailed;
}
}  // namespace

HRESULT MethodCall::FetchClass(const wchar_t* className) {
    return classes_.Fetch(services_, className, classObject_);
}

HRESULT MethodCall::FetchMethod(const wchar_t* methodName) {
    if (!classObject_) return WbemFailed;
    methodName_.Assign(methodName);
    HRESULT hr = classObject_->GetMethod(methodName, 0, signature_.Put(), nullptr);
    if (!signature_) return StepStatus(hr, false);
    hr = signature_->SpawnInstance(0, inParams_.Put());
    return StepStatus(hr, static_cast<bool>(inParams_));
}

HRESULT MethodCall::Prepare(const wchar_t* className, const wchar_t* methodName) {
    HRESULT hr = FetchClass(className);
    if (!classObject_) return hr;
    return FetchMethod(methodName);
}

HRESULT MethodCall::Put(const wchar_t* name, const VARIANT& value) {
    if (!inParams_) return WbemFailed;
    const HRESULT hr = inParams_->Put(name, 0, const_cast<VARIANT*>(&value), 0);
    if (FAILED(hr) && SUCCEEDED(putFailure_)) putFailure_ = hr;
    return hr;
}

HRESULT MethodCall::PutInt32(const wchar_t* name, int32_t value) {
    Variant v;
    v.SetInt32(value);
    return Put(name, v);
}

HRESULT MethodCall::PutBool(const wchar_t* name, bool value) {
    Variant v;
    v.SetBool(value);
    return Put(name, v);
}

HRESULT MethodCall::PutText(const wchar_t* name, const wchar_t* value) {
    Variant v;
    v.SetText(value);
    return Put(name, v);
}

HRESULT MethodCall::Execute(const wchar_t* targetPath) {
    outParams_.Reset();
    if (!inParams_) return WbemFailed;
    // A parameter that could not be set leaves a call the host would read otherwise (a summary of
    // every machine, a key or position of its own choosing): none is sent.
    if (FAILED(putFailure_)) return putFailure_;
    Bstr target(targetPath);
    return services_->ExecMethod(target.Get(), methodName_.Get(), 0, nullptr, inParams_.Get(),
                                 outParams_.Put(), nullptr);
}

HRESULT MethodCall::Read(const wchar_t* name, Variant& value) const {
    if (!outParams_) {
        value.Clear();
        return WbemFailed;
    }
    return outParams_->Get(name, 0, value.Put(), nullptr, nullptr);
}

HRESULT MethodCall::ReturnValueStatus(HRESULT executeStatus) const {
    if (executeStatus != 0 || !outParams_) return executeStatus;
    Variant returnValue;
    return Read(L"ReturnValue", returnValue);
}

bool ReadReturnCode(IWbemClassObject* outParams, uint32_t& code) {
    return outParams && SUCCEEDED(ReadUint32(outParams, L"ReturnValue", code));
}

HRESULT CallMethod(IWbemServices* services, ClassCache& classes, const wchar_t* targetPath,
                   const wchar_t* className, const wchar_t* methodName,
                   std::initializer_list<MethodParam> inParams, ComRef<IWbemClassObject>& outParams) {
    outParams.Reset();
    MethodCall call(services, classes);
    HRESULT hr = call.Prepare(className, methodName);
    if (!call.Prepared()) return hr;
    for (const MethodParam& param : inParams) call.Put(param.name, param.value);
    hr = call.Execute(targetPath);
    outParams = call.TakeResult();
    return hr;
}
