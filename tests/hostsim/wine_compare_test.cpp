// Generic WMI semantics, checked the same way against Wine's own WMI service (root\cimv2) and the
// simulated host: where both apply, the simulator must behave like a WMI none of us wrote.
#include "hostsim/hostsim.h"
#include "wmi/wmi_session.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <memory>
#include <string>

namespace {

struct Target {
    const char* label;
    bool simulated;
    const wchar_t* nameSpace;
    const wchar_t* methodClass;  // a class with a method taking an integer parameter
    const wchar_t* method;
    const wchar_t* integerParameter;
    const wchar_t* oneObjectQuery;  // delivers exactly one object
    const wchar_t* property;        // a string property of that object
};

const Target kTargets[] = {
    {"Wine", false, L"root\\cimv2", L"StdRegProv", L"EnumKey", L"hDefKey", L"Select * from Win32_OperatingSystem",
     L"Caption"},
    {"Simulator", true, L"root\\virtualization", L"Msvm_Keyboard", L"PressKey", L"keyCode",
     L"Select * from Msvm_VirtualSystemManagementService", L"ElementName"},
};

HRESULT Hr(WBEMSTATUS status) { return static_cast<HRESULT>(status); }

class WmiSemantics : public ::testing::TestWithParam<Target> {
protected:
    void SetUp() override {
        if (GetParam().simulated) host = std::make_unique<hostsim::InProcessHost>();
        credentials.SetCredentials(L"", L"");
        ASSERT_EQ(ConnectSecured(GetParam().nameSpace, credentials, services, errorText), S_OK);
    }
    HRESULT Query(const std::wstring& wql, ComRef<IEnumWbemClassObject>& results) {
        return OpenQuery(services.Get(), credentials, wql.c_str(), results, errorText);
    }

    std::unique_ptr<hostsim::InProcessHost> host;
    WmiCredentials credentials;
    ComRef<IWbemServices> services;
    WideString errorText;
};

TEST_P(WmiSemantics, MissingMethodsClassesAndMistypedParameters) {
    ComRef<IWbemClassObject> cls, in, out, params;
    ASSERT_EQ(services->GetObject(Bstr(GetParam().methodClass).Get(), 0, nullptr, cls.Put(), nullptr), S_OK);
    EXPECT_EQ(cls->GetMethod(L"NoSuchMethod", 0, in.Put(), out.Put()), Hr(WBEM_E_NOT_FOUND));
    EXPECT_FALSE(in || out);
    ASSERT_EQ(cls->GetMethod(GetParam().method, 0, in.Put(), out.Put()), S_OK);
    ASSERT_EQ(in->SpawnInstance(0, params.Put()), S_OK);
    // A string does not go into an integer parameter; an integer does, as VT_I4.
    Variant value;
    value.SetText(L"12");
    EXPECT_EQ(params->Put(GetParam().integerParameter, 0, value.Get(), 0), Hr(WBEM_E_TYPE_MISMATCH));
    value.SetInt32(12);
    EXPECT_EQ(params->Put(GetParam().integerParameter, 0, value.Get(), 0), S_OK);
    EXPECT_EQ(ReadProperty(params.Get(), GetParam().integerParameter, value), S_OK);
    EXPECT_EQ(value.Type(), VT_I4);

    Variant target;
    target.SetText(GetParam().methodClass);
    if (GetParam().simulated) {
        ASSERT_EQ(ReadProperty(QueryFirst(services.Get(), credentials, L"Select * from Msvm_Keyboard", errorText).Get(),
                               L"__PATH", target),
                  S_OK);
    }
    EXPECT_EQ(services->ExecMethod(V_BSTR(target.Get()), Bstr(L"NoSuchMethod").Get(), 0, nullptr, nullptr, out.Put(),
                                   nullptr),
              Hr(WBEM_E_INVALID_METHOD));
    EXPECT_FALSE(out);
    EXPECT_EQ(services->GetObject(Bstr(L"No_Such_Class").Get(), 0, nullptr, cls.Put(), nullptr), Hr(WBEM_E_NOT_FOUND));
    EXPECT_FALSE(cls);
}

TEST_P(WmiSemantics, EnumeratorsReportFalsePastTheEnd) {
    ComRef<IEnumWbemClassObject> results;
    ASSERT_EQ(Query(GetParam().oneObjectQuery, results), S_OK);  // its blanket set, too
    IWbemClassObject* objects[2] = {};
    ULONG n = 99;
    EXPECT_EQ(results->Next(WBEM_INFINITE, 2, objects, &n), Hr(WBEM_S_FALSE));
    ASSERT_EQ(n, 1u);
    objects[0]->Release();
    EXPECT_EQ(results->Next(WBEM_INFINITE, 1, objects, &n), Hr(WBEM_S_FALSE));
    EXPECT_EQ(n, 0u);
}

TEST_P(WmiSemantics, PropertyNamesIgnoreCaseAndMissingOnesAreNotFound) {
    ComRef<IWbemClassObject> object = QueryFirst(services.Get(), credentials, GetParam().oneObjectQuery, errorText);
    ASSERT_TRUE(object);
    Variant value;
    EXPECT_EQ(object->Get(L"NoSuchProperty", 0, value.Put(), nullptr, nullptr), Hr(WBEM_E_NOT_FOUND));
    std::wstring upper = GetParam().property;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    CIMTYPE type = 0;
    EXPECT_EQ(object->Get(upper.c_str(), 0, value.Put(), &type, nullptr), S_OK);
    EXPECT_EQ(value.Type(), VT_BSTR);
    EXPECT_EQ(type, CIM_STRING);
    EXPECT_EQ(ReadProperty(object.Get(), L"__class", value), S_OK);
    EXPECT_EQ(value.Type(), VT_BSTR);
}

TEST_P(WmiSemantics, MalformedQueriesFailInExecQueryAndKeywordsIgnoreCase) {
    const std::wstring base = GetParam().oneObjectQuery;
    for (const std::wstring& query : {base + L" where " + GetParam().property + L" = 'a'b'", L"Selec" + base.substr(6),
                                      base + L" where", base + L" extra"}) {
        ComRef<IEnumWbemClassObject> results;
        EXPECT_EQ(Query(query, results), Hr(WBEM_E_INVALID_QUERY)) << testing::PrintToString(query);
        EXPECT_FALSE(results);
    }
    ComRef<IEnumWbemClassObject> results;
    ASSERT_EQ(Query(L"SELECT * FROM " + base.substr(base.rfind(L' ') + 1), results), S_OK);
    std::vector<ComRef<IWbemClassObject>> objects;
    NextObjects(results.Get(), 1, objects, errorText);
    EXPECT_EQ(objects.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothWmis, WmiSemantics, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.label); });

}  // namespace
