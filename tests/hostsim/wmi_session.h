#pragma once
// A bare WMI client for the simulator's tests: it makes exactly the COM calls it is told to, so
// each test controls every parameter (vuemere's own client lives in wmi/ and is tested there).
#include "wmi/com_ref.h"
#include "wmi/variant.h"

#include <windows.h>
#include <wbemidl.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace simtest {

inline BSTR Bstr(const std::wstring& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

// Owns a BSTR for the duration of one call.
class Text {
public:
    explicit Text(const std::wstring& s) : b_(Bstr(s)) {}
    ~Text() { SysFreeString(b_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_;
};

// One in-parameter of a method call: an integer, a boolean, or a value a Variant holds (borrowed).
struct Param {
    Param(const wchar_t* n, int i) : name(n) {
        V_VT(&value) = VT_I4;
        V_I4(&value) = i;
    }
    Param(const wchar_t* n, bool b) : name(n) {
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = b ? VARIANT_TRUE : VARIANT_FALSE;
    }
    Param(const wchar_t* n, const Variant& v) : name(n), value(*v.Get()) {}
    const wchar_t* name;
    VARIANT value{};
};

inline void SetI4Array(Variant& v, std::initializer_list<LONG> values) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(values.size()));
    LONG i = 0;
    for (LONG value : values) SafeArrayPutElement(array, &i, &value), ++i;
    V_VT(v.Put()) = VT_ARRAY | VT_I4;
    V_ARRAY(v.Get()) = array;
}
inline void SetTextArray(Variant& v, std::initializer_list<std::wstring> values) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(values.size()));
    LONG i = 0;
    for (const auto& value : values) {
        BSTR b = Bstr(value);
        SafeArrayPutElement(array, &i, b);
        SysFreeString(b);
        ++i;
    }
    V_VT(v.Put()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v.Get()) = array;
}

inline std::wstring GetText(IWbemClassObject* o, const wchar_t* name) {
    Variant v;
    if (FAILED(o->Get(name, 0, v.Put(), nullptr, nullptr)) || v.Type() != VT_BSTR) return L"<none>";
    return v.Text();
}

inline LONG GetI4(IWbemClassObject* o, const wchar_t* name) {
    Variant v;
    if (FAILED(o->Get(name, 0, v.Put(), nullptr, nullptr)) || v.Type() != VT_I4) return -999999;
    return V_I4(v.Get());
}

// The bytes of a VT_ARRAY | VT_UI1 value, or nothing when the value is anything else.
inline std::vector<uint8_t> GetBytes(const VARIANT& v) {
    std::vector<uint8_t> bytes;
    if (V_VT(&v) != (VT_ARRAY | VT_UI1)) return bytes;
    void* raw = nullptr;
    LONG upper = -1;
    SafeArrayGetUBound(V_ARRAY(&v), 1, &upper);
    SafeArrayAccessData(V_ARRAY(&v), &raw);
    bytes.assign(static_cast<uint8_t*>(raw), static_cast<uint8_t*>(raw) + upper + 1);
    SafeArrayUnaccessData(V_ARRAY(&v));
    return bytes;
}

struct Session {
    ComRef<IWbemLocator> locator;
    ComRef<IWbemServices> services;
    COAUTHIDENTITY identity{};
    std::wstring user, domain, password;

    HRESULT Connect(const std::wstring& nameSpace, const wchar_t* userName = nullptr, const wchar_t* pass = nullptr) {
        HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                      reinterpret_cast<void**>(locator.Put()));
        if (FAILED(hr)) return hr;
        BSTR u = userName ? Bstr(userName) : nullptr, p = pass ? Bstr(pass) : nullptr;
        hr = locator->ConnectServer(Text(nameSpace), u, p, nullptr, 0, nullptr, nullptr, services.Put());
        SysFreeString(u);
        SysFreeString(p);
        return hr;
    }

    // The identity later blankets carry: DOMAIN\user splits at the backslash, a plain user gets ".".
    void SetIdentity(const std::wstring& typedUser, const std::wstring& pass) {
        size_t slash = typedUser.find(L'\\');
        domain = slash == std::wstring::npos ? L"." : typedUser.substr(0, slash);
        user = slash == std::wstring::npos ? typedUser : typedUser.substr(slash + 1);
        password = pass;
        identity.User = reinterpret_cast<USHORT*>(user.data());
        identity.UserLength = static_cast<ULONG>(user.size());
        identity.Domain = reinterpret_cast<USHORT*>(domain.data());
        identity.DomainLength = static_cast<ULONG>(domain.size());
        identity.Password = reinterpret_cast<USHORT*>(password.data());
        identity.PasswordLength = static_cast<ULONG>(password.size());
        identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
    }

    HRESULT Blanket(IUnknown* proxy, bool withIdentity) {
        return CoSetProxyBlanket(proxy, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                                 RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE,
                                 withIdentity ? &identity : nullptr, EOAC_NONE);
    }

    HRESULT Exec(const std::wstring& wql, ComRef<IEnumWbemClassObject>& result, bool blanket = false,
                 LONG flags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY) {
        HRESULT hr = services->ExecQuery(Text(L"WQL"), Text(wql), flags, nullptr, result.Put());
        if (SUCCEEDED(hr) && blanket) hr = Blanket(result.Get(), identity.User != nullptr);
        return hr;
    }

    // Every object a query delivers, one Next at a time; `hr` gets the first failure.
    std::vector<ComRef<IWbemClassObject>> Query(const std::wstring& wql, HRESULT* hr = nullptr, bool blanket = false) {
        std::vector<ComRef<IWbemClassObject>> objects;
        ComRef<IEnumWbemClassObject> e;
        HRESULT result = Exec(wql, e, blanket);
        while (SUCCEEDED(result)) {
            ComRef<IWbemClassObject> o;
            ULONG n = 0;
            result = e->Next(WBEM_INFINITE, 1, o.Put(), &n);
            if (n == 0) break;
            objects.push_back(std::move(o));
        }
        if (hr) *hr = FAILED(result) ? result : S_OK;
        return objects;
    }

    ComRef<IWbemClassObject> First(const std::wstring& wql) {
        auto all = Query(wql);
        return all.empty() ? ComRef<IWbemClassObject>() : std::move(all.front());
    }

    // GetObject, GetMethod, SpawnInstance, Put of each parameter, ExecMethod: as a client of the
    // provider calls a method. The Put results go to `putResults` when asked for.
    HRESULT Call(const std::wstring& target, const std::wstring& cls, const std::wstring& method,
                 std::initializer_list<Param> params,
                 ComRef<IWbemClassObject>& out, std::vector<HRESULT>* putResults = nullptr) {
        ComRef<IWbemClassObject> classObject, signature, in;
        HRESULT hr = services->GetObject(Text(cls), 0, nullptr, classObject.Put(), nullptr);
        if (FAILED(hr)) return hr;
        hr = classObject->GetMethod(method.c_str(), 0, signature.Put(), nullptr);
        if (FAILED(hr)) return hr;
        if (signature) {
            signature->SpawnInstance(0, in.Put());
            for (const Param& p : params) {
                HRESULT put = in->Put(p.name, 0, const_cast<VARIANT*>(&p.value), 0);
                if (putResults) putResults->push_back(put);
            }
        }
        return services->ExecMethod(Text(target), Text(method), 0, nullptr, in.Get(), out.Put(), nullptr);
    }
};

}  // namespace simtest
