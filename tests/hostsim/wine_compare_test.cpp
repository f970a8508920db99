// Generic COM and WMI semantics, checked the same way against Wine's own WMI service (root\cimv2)
// and the simulator (root\virtualization): where both apply, the simulator must behave like a WMI
// implementation none of us wrote.
#include "sim_fixture.h"

namespace simtest {
namespace {

struct Target {
    const char* label;
    bool simulated;
    const wchar_t* nameSpace;
    const wchar_t* methodClass;     // a class with a method taking an integer parameter
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

void PrintTo(const Target& target, std::ostream* os) { *os << target.label; }

class WmiSemantics : public ::testing::TestWithParam<Target> {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (GetParam().simulated) host = std::make_unique<hostsim::InProcessHost>();
        ASSERT_EQ(session.Connect(GetParam().nameSpace), S_OK);
    }
    void TearDown() override {
        session = Session();
        host.reset();
        CoUninitialize();
    }
    ComRef<IWbemClassObject> MethodClass() {
        ComRef<IWbemClassObject> cls;
        EXPECT_EQ(session.services->GetObject(Text(GetParam().methodClass), 0, nullptr, cls.Put(), nullptr), S_OK);
        return cls;
    }

    std::unique_ptr<hostsim::InProcessHost> host;
    Session session;
};

TEST_P(WmiSemantics, MissingMethodsAndMistypedParameters) {
    ComRef<IWbemClassObject> cls = MethodClass(), in, out;
    ASSERT_TRUE(cls);
    EXPECT_EQ(cls->GetMethod(L"NoSuchMethod", 0, in.Put(), out.Put()), HR(WBEM_E_NOT_FOUND));
    EXPECT_FALSE(in);
    EXPECT_FALSE(out);
    ASSERT_EQ(cls->GetMethod(GetParam().method, 0, in.Put(), out.Put()), S_OK);
    ASSERT_TRUE(out);

    // A string does not go into an integer parameter; an integer does, as VT_I4.
    ComRef<IWbemClassObject> params;
    ASSERT_EQ(in->SpawnInstance(0, params.Put()), S_OK);
    Variant v, read;
    v.SetText(L"12");
    EXPECT_EQ(params->Put(GetParam().integerParameter, 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    v.SetInt32(12);
    EXPECT_EQ(params->Put(GetParam().integerParameter, 0, v.Get(), 0), S_OK);
    EXPECT_EQ(params->Get(GetParam().integerParameter, 0, read.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(read.Type(), VT_I4);

    std::wstring target = GetParam().simulated ? GetText(session.First(L"Select * from Msvm_Keyboard").Get(), L"__PATH")
                                               : std::wstring(GetParam().methodClass);
    EXPECT_EQ(session.services->ExecMethod(Text(target), Text(L"NoSuchMethod"), 0, nullptr, nullptr, out.Put(), nullptr),
              HR(WBEM_E_INVALID_METHOD));
    EXPECT_FALSE(out);
    ComRef<IWbemClassObject> o;
    EXPECT_EQ(session.services->GetObject(Text(L"No_Such_Class"), 0, nullptr, o.Put(), nullptr), HR(WBEM_E_NOT_FOUND));
    EXPECT_FALSE(o);
}

TEST_P(WmiSemantics, EnumeratorsTakeABlanketAndReportFalsePastTheEnd) {
    EXPECT_EQ(session.Blanket(session.services.Get(), false), S_OK);
    ComRef<IEnumWbemClassObject> e;
    ASSERT_EQ(session.Exec(GetParam().oneObjectQuery, e), S_OK);
    EXPECT_EQ(session.Blanket(e.Get(), false), S_OK);
    IWbemClassObject* objects[2] = {};
    ULONG n = 99;
    EXPECT_EQ(e->Next(WBEM_INFINITE, 2, objects, &n), HR(WBEM_S_FALSE));
    ASSERT_EQ(n, 1u);
    objects[0]->Release();
    n = 99;
    EXPECT_EQ(e->Next(WBEM_INFINITE, 1, objects, &n), HR(WBEM_S_FALSE));
    EXPECT_EQ(n, 0u);
}

TEST_P(WmiSemantics, GetOfAMissingPropertyIsNotFoundAndNamesIgnoreCase) {
    ComRef<IWbemClassObject> o = session.First(GetParam().oneObjectQuery);
    ASSERT_TRUE(o);
    Variant v;
    EXPECT_EQ(o->Get(L"NoSuchProperty", 0, v.Put(), nullptr, nullptr), HR(WBEM_E_NOT_FOUND));
    std::wstring upper = GetParam().property;
    for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
    CIMTYPE type = 0;
    EXPECT_EQ(o->Get(upper.c_str(), 0, v.Put(), &type, nullptr), S_OK);
    EXPECT_EQ(v.Type(), VT_BSTR);
    EXPECT_EQ(type, CIM_STRING);
    EXPECT_EQ(GetText(o.Get(), L"__class"), GetText(o.Get(), L"__CLASS"));
    EXPECT_NE(GetText(o.Get(), L"__PATH"), L"<none>");
}

TEST_P(WmiSemantics, MalformedQueriesFailInExecQuery) {
    std::wstring base = GetParam().oneObjectQuery;
    std::vector<std::wstring> malformed = {base + L" where " + GetParam().property + L" = 'a'b'",
                                           L"Selec" + base.substr(6), base + L" where", base + L" extra"};
    for (const std::wstring& query : malformed) {
        ComRef<IEnumWbemClassObject> e;
        EXPECT_EQ(session.Exec(query, e), HR(WBEM_E_INVALID_QUERY)) << query;
        EXPECT_FALSE(e) << query;
    }
    // Keywords in any case.
    std::wstring shouted = L"SELECT * FROM " + base.substr(base.rfind(L' ') + 1);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(session.Query(shouted, &hr).size(), 1u);
    EXPECT_EQ(hr, S_OK);
}

INSTANTIATE_TEST_SUITE_P(BothWmis, WmiSemantics, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace simtest
