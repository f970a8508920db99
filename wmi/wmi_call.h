#pragma once
#include "wmi/bstr.h"
#include "wmi/class_cache.h"
#include "wmi/com_ref.h"
#include "wmi/variant.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>
#include <initializer_list>
#include <utility>

// One WMI method call: the class (from the connection's cache, fetched on first use), the
// method's in-parameter signature and a fresh in-parameter instance, put the parameters, execute
// on a target path, read the out-parameters. Every object and string it uses is released when it
// goes out of scope.
//
// A preparatory step that yields no object ends the call with a failure status (the step's own
// HRESULT, or WBEM_E_FAILED when it claimed success without an object).
class MethodCall {
public:
    MethodCall(IWbemServices* services, ClassCache& classes) : services_(services), classes_(classes) {}
    MethodCall(const MethodCall&) = delete;
    MethodCall& operator=(const MethodCall&) = delete;

    // Steps one by one, for callers that must tell them apart.
    HRESULT FetchClass(const wchar_t* className);
    HRESULT FetchMethod(const wchar_t* methodName);
    // FetchClass then FetchMethod: the status of the last step run.
    HRESULT Prepare(const wchar_t* className, const wchar_t* methodName);
    bool HasClass() const { return static_cast<bool>(classObject_); }
    bool Prepared() const { return static_cast<bool>(inParams_); }

    // IWbemClassObject::Put on the in-parameters (flags 0, CIM type 0: the declared type applies).
    // Once a Put has failed, Execute sends nothing and returns that failure.
    HRESULT Put(const wchar_t* name, const VARIANT& value);
    HRESULT Put(const wchar_t* name, const Variant& value) { return Put(name, *value.Get()); }
    HRESULT PutInt32(const wchar_t* name, int32_t value);
    HRESULT PutBool(const wchar_t* name, bool value);
    HRESULT PutText(const wchar_t* name, const wchar_t* value);

    // ExecMethod on `targetPath` with the in-parameters; replaces the previous out-parameters.
    // The call has failed when this returns non-zero or HasResult() is false afterwards.
    HRESULT Execute(const wchar_t* targetPath);
    bool HasResult() const { return static_cast<bool>(outParams_); }
    // An out-parameter (IWbemClassObject::Get, flags 0); WBEM_E_FAILED without out-parameters.
    HRESULT Read(const wchar_t* name, Variant& value) const;
    IWbemClassObject* OutParams() const { return outParams_.Get(); }
    // For methods whose "ReturnValue" is read but not examined: the status of that read when
    // the execution succeeded with out-parameters, else `executeStatus`.
    HRESULT ReturnValueStatus(HRESULT executeStatus) const;
    ComRef<IWbemClassObject> TakeResult() { return std::move(outParams_); }

private:
    IWbemServices* services_;
    ClassCache& classes_;
    Bstr methodName_;
    ComRef<IWbemClassObject> classObject_;
    ComRef<IWbemClassObject> signature_;
    ComRef<IWbemClassObject> inParams_;
    ComRef<IWbemClassObject> outParams_;
    HRESULT putFailure_ = 0;
};

// A method's "ReturnValue" read from its out-parameters (0 done, 4096 job started, others
// refusals: see machine_state.h); false when it cannot be read as an integer.
bool ReadReturnCode(IWbemClassObject* outParams, uint32_t& code);

// One named in-parameter of CallMethod.
struct MethodParam {
    const wchar_t* name;
    const Variant& value;
};

// The whole sequence for one call: prepare, put the parameters in the order given, execute.
// Returns the failure status of preparation or of a parameter that could not be put (then
// nothing is sent), else ExecMethod's HRESULT; `outParams` receives the
// out-parameters object (null when there is none).
HRESULT CallMethod(IWbemServices* services, ClassCache& classes, const wchar_t* targetPath,
                   const wchar_t* className,
                   const wchar_t* methodName, std::initializer_list<MethodParam> inParams,
                   ComRef<IWbemClassObject>& outParams);
