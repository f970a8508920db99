// The generic WMI layer against Wine's own WMI service (root\cimv2), a WMI none of this program's
// authors wrote, and image replies no host should send, read within their bounds.
#include "wmi/guest_image.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GenericLayer : public ::testing::Test {
protected:
    void SetUp() override {
        credentials.SetCredentials(L"", L"");
        ASSERT_EQ(ConnectSecured(L"root\\cimv2", credentials, services, errorText), 0) << errorText.c_str();
    }
    WmiCredentials credentials;
    ComRef<IWbemServices> services;
    ClassCache classes;
    WideString errorText;
};

}  // namespace

TEST_F(GenericLayer, ConnectAndQueryFailuresSayWhy) {
    // Wine has no Hyper-V provider: connecting there drops the services held and says so.
    EXPECT_EQ(ConnectSecured(L"root\\virtualization", credentials, services, errorText), WbemInvalidNamespace);
    EXPECT_FALSE(services);
    EXPECT_STREQ(errorText.c_str(), L"cannot conect for server");

    ASSERT_EQ(ConnectSecured(L"root\\cimv2", credentials, services, errorText), 0);
    errorText.Assign(L"untouched");
    EXPECT_TRUE(QueryFirst(services.Get(), credentials, L"Select * from Win32_Process", errorText));
    EXPECT_FALSE(QueryFirst(services.Get(), credentials, L"Select * from Win32_OperatingSystem where Caption = 'none'",
                            errorText));
    EXPECT_STREQ(errorText.c_str(), L"untouched");  // finding nothing is no failure
    EXPECT_FALSE(QueryFirst(services.Get(), credentials, L"Select from where", errorText));
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");
}

TEST_F(GenericLayer, MethodCallsCarryTextsBothWaysUnchanged) {
    const wchar_t* const key = L"Software\\vuemere-wmi-test";
    const std::wstring text = L"line one\r\nline two \x00e9\x65e5 'quoted' \\ end";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, L"probe", REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    Variant root, subKey, valueName, value;
    root.SetInt32(static_cast<int32_t>(0x80000001));  // HKEY_CURRENT_USER
    subKey.SetText(key);
    valueName.SetText(L"probe");
    ComRef<IWbemClassObject> out;
    const HRESULT hr = CallMethod(services.Get(), classes, L"StdRegProv", L"StdRegProv", L"GetStringValue",
                                  {{L"hDefKey", root}, {L"sSubKeyName", subKey}, {L"sValueName", valueName}}, out);
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    ASSERT_EQ(hr, S_OK);
    ASSERT_EQ(ReadProperty(out.Get(), L"sValue", value), S_OK);
    EXPECT_EQ(std::wstring(value.Text() ? value.Text() : L"<not a string>"), text);
}

TEST(MalformedReplies, OnlyAOneDimensionalByteArrayBecomesAPictureReadWithinItsBounds) {
    GuestImage image;
    Variant data;
    SAFEARRAYBOUND bound{64, 100};  // the upper bound plus one would count 100 bytes too many
    data.SetArray(VT_UI1, SafeArrayCreate(VT_UI1, 1, &bound));
    for (LONG i = 0; i < 64; ++i) static_cast<uint8_t*>(V_ARRAY(data.Get())->pvData)[i] = static_cast<uint8_t>(i);
    image.Load(*data.Get(), 8, 4);
    ASSERT_EQ(image.byteCount, 64);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(image.pixels.Data()[i], i);
    EXPECT_EQ(image.header.biWidth, 8);
    EXPECT_EQ(image.header.biHeight, 4);

    Variant empty, null, text, numbers, square, mislabelled, noArray;
    V_VT(null.Put()) = VT_NULL;
    text.SetText(L"not pixels");
    ASSERT_EQ(MakeInt32Array(7, numbers), S_OK);
    SAFEARRAYBOUND bounds[2] = {{16, 0}, {16, 0}};
    square.SetArray(VT_UI1, SafeArrayCreate(VT_UI1, 2, bounds));
    mislabelled.SetArray(VT_UI1, SafeArrayCreate(VT_I4, 1, bounds));  // four-byte elements labelled bytes
    noArray.SetArray(VT_UI1, nullptr);
    for (Variant* reply : {&empty, &null, &text, &numbers, &square, &mislabelled, &noArray}) {
        image.Load(*reply->Get(), 640, 480);
        EXPECT_EQ(image.byteCount, 0) << "type " << reply->Type();
        EXPECT_EQ(image.header.biWidth, 8) << "the last header stays";
    }
    V_VT(mislabelled.Get()) = VT_ARRAY | VT_I4;  // freed as what it is
}
