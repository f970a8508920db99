// The generic query and method-call code against Wine's own WMI service: a WMI implementation
// none of this program's authors wrote.
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t Cimv2Path[] = L"root\\cimv2";
constexpr int32_t HkeyCurrentUser = static_cast<int32_t>(0x80000001);
constexpr int32_t HkeyLocalMachine = static_cast<int32_t>(0x80000002);

class Cimv2 : public ::testing::Test {
protected:
    void SetUp() override {
        credentials.SetCredentials(L"", L"");
        ASSERT_EQ(ConnectSecured(Cimv2Path, credentials, services, errorText), 0) << errorText.c_str();
        ASSERT_TRUE(services);
    }
    WmiCredentials credentials;
    ComRef<IWbemServices> services;
    ClassCache classes;
    WideString errorText;
};

std::wstring Text(const Variant& v) { return v.Text() ? v.Text() : L"<not a string>"; }

}  // namespace

TEST(Cimv2Connect, UnknownNamespaceLeavesNoServicesAndSaysWhy) {
    WmiCredentials credentials;
    credentials.SetCredentials(L"", L"");
    WideString errorText(L"stale");
    ComRef<IWbemServices> services;
    ASSERT_EQ(ConnectSecured(Cimv2Path, credentials, services, errorText), 0);
    ASSERT_TRUE(services);
    // Wine has no Hyper-V provider: a second connect fails and drops the first services.
    HRESULT hr = ConnectSecured(L"root\\virtualization", credentials, services, errorText);
    EXPECT_EQ(hr, static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE));
    EXPECT_FALSE(services);
    EXPECT_STREQ(errorText.c_str(), L"cannot conect for server");
}

TEST_F(Cimv2, QueryFirstTakesOneObjectOrReportsARefusedQuery) {
    errorText.Assign(L"untouched");
    ComRef<IWbemClassObject> os = QueryFirst(services.Get(), credentials,
                                             L"Select * from Win32_OperatingSystem", errorText);
    ASSERT_TRUE(os);
    Variant caption;
    EXPECT_EQ(ReadProperty(os.Get(), L"Caption", caption), S_OK);
    EXPECT_EQ(caption.Type(), VT_BSTR);
    EXPECT_FALSE(Text(caption).empty());

    // Several processes run; the first one delivered is the whole answer.
    ComRef<IWbemClassObject> process =
        QueryFirst(services.Get(), credentials, L"Select * from Win32_Process", errorText);
    EXPECT_TRUE(process);

    ComRef<IWbemClassObject> none = QueryFirst(
        services.Get(), credentials,
        L"Select * from Win32_OperatingSystem where Caption = 'no such system'", errorText);
    EXPECT_FALSE(none);
    EXPECT_STREQ(errorText.c_str(), L"untouched");

    // A refused query says so.
    EXPECT_FALSE(QueryFirst(services.Get(), credentials, L"Select from where", errorText));
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");

    ComRef<IEnumWbemClassObject> enumerator;
    HRESULT hr = OpenQuery(services.Get(), credentials, L"Select from where", enumerator, errorText);
    EXPECT_EQ(hr, static_cast<HRESULT>(WBEM_E_INVALID_QUERY));
    EXPECT_FALSE(enumerator);
}

TEST_F(Cimv2, CallMethodEnumeratesRegistryKeys) {
    Variant root, subKey;
    root.SetInt32(HkeyLocalMachine);
    subKey.SetText(L"Software");
    ComRef<IWbemClassObject> out;
    HRESULT hr = CallMethod(services.Get(), classes, L"StdRegProv", L"StdRegProv", L"EnumKey",
                            {{L"hDefKey", root}, {L"sSubKeyName", subKey}}, out);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(out);
    Variant returnValue, names;
    ASSERT_EQ(ReadProperty(out.Get(), L"ReturnValue", returnValue), S_OK);
    int32_t code = -1;
    EXPECT_TRUE(returnValue.ToInt32(code));
    EXPECT_EQ(code, 0);
    ASSERT_EQ(ReadProperty(out.Get(), L"sNames", names), S_OK);
    ASSERT_EQ(names.Type(), VT_ARRAY | VT_BSTR);
    bool sawWine = false;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(V_ARRAY(names.Get()), 1, &lower);
    SafeArrayGetUBound(V_ARRAY(names.Get()), 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        BSTR name = nullptr;
        ASSERT_EQ(SafeArrayGetElement(V_ARRAY(names.Get()), &i, &name), S_OK);
        if (name && std::wstring(name) == L"Wine") sawWine = true;
        SysFreeString(name);
    }
    EXPECT_TRUE(sawWine);
}

TEST_F(Cimv2, CallMethodCarriesATextBothWaysUnchanged) {
    const wchar_t* const key = L"Software\\vuemere-wmi-test";
    const std::wstring text = L"line one\r\nline two \x00e9\x65e5 'quoted' \\ end";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, L"probe", REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);

    Variant root, subKey, valueName;
    root.SetInt32(HkeyCurrentUser);
    subKey.SetText(key);
    valueName.SetText(L"probe");
    ComRef<IWbemClassObject> out;
    HRESULT hr = CallMethod(services.Get(), classes, L"StdRegProv", L"StdRegProv", L"GetStringValue",
                            {{L"hDefKey", root}, {L"sSubKeyName", subKey}, {L"sValueName", valueName}},
                            out);
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(out);
    Variant value;
    ASSERT_EQ(ReadProperty(out.Get(), L"sValue", value), S_OK);
    EXPECT_EQ(Text(value), text);
}

TEST_F(Cimv2, MissingClassOrMethodFailsBeforeAnythingIsExecuted) {
    MethodCall noClass(services.Get(), classes);
    HRESULT hr = noClass.Prepare(L"No_Such_Class", L"EnumKey");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_FALSE(noClass.HasClass());
    EXPECT_FALSE(noClass.Prepared());

    MethodCall noMethod(services.Get(), classes);
    hr = noMethod.Prepare(L"StdRegProv", L"NoSuchMethod");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(noMethod.HasClass());
    EXPECT_FALSE(noMethod.Prepared());
    EXPECT_EQ(noMethod.Execute(L"StdRegProv"), WbemFailed);
    EXPECT_FALSE(noMethod.HasResult());

    ComRef<IWbemClassObject> out;
    Variant root;
    root.SetInt32(HkeyLocalMachine);
    EXPECT_TRUE(FAILED(CallMethod(services.Get(), classes, L"StdRegProv", L"StdRegProv", L"NoSuchMethod",
                                  {{L"hDefKey", root}}, out)));
    EXPECT_FALSE(out);
}

TEST_F(Cimv2, OneMethodCallRunsAgainWithNewValues) {
    MethodCall call(services.Get(), classes);
    ASSERT_EQ(call.Prepare(L"StdRegProv", L"EnumKey"), S_OK);
    call.PutInt32(L"hDefKey", HkeyLocalMachine);
    call.PutText(L"sSubKeyName", L"Software");
    ASSERT_EQ(call.Execute(L"StdRegProv"), S_OK);
    EXPECT_EQ(call.ReturnValueStatus(S_OK), S_OK);

    call.PutText(L"sSubKeyName", L"No\\Such\\Key\\Anywhere");
    ASSERT_EQ(call.Execute(L"StdRegProv"), S_OK);
    Variant returnValue;
    ASSERT_EQ(call.Read(L"ReturnValue", returnValue), S_OK);
    int32_t code = 0;
    EXPECT_TRUE(returnValue.ToInt32(code));
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
    // A failed execution's status passes through unread.
    EXPECT_EQ(call.ReturnValueStatus(WbemNotFound), WbemNotFound);
}
