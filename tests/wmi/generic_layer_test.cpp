// The generic WMI layer against Wine's own WMI service (root\cimv2), a WMI none of this program's
// authors wrote, and image replies no host should send, read within their bounds.
#include "wmi/guest_image.h"
#include "wmi/host_values.h"
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
    // A 16-bit bitmap: its three masks follow the header and are no colour table.
    const BITMAPINFOHEADER& h = image.bitmapInfo.header;
    EXPECT_EQ(h.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(h.biWidth, 8);
    EXPECT_EQ(h.biHeight, 4);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 16);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_BITFIELDS));
    EXPECT_EQ(h.biSizeImage, 64u);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(image.bitmapInfo.masks[0], 0xF800u);
    EXPECT_EQ(image.bitmapInfo.masks[1], 0x07E0u);
    EXPECT_EQ(image.bitmapInfo.masks[2], 0x001Fu);

    // More than the picture and an octet string's prefix is refused, not kept; so is an array
    // passed by reference.
    Variant tooLong;
    tooLong.SetArray(VT_UI1, SafeArrayCreateVector(VT_UI1, 0, 8 * 4 * 2 + 5));
    image.Load(*tooLong.Get(), 8, 4);
    EXPECT_EQ(image.byteCount, 0);
    VARIANT byReference;
    V_VT(&byReference) = VT_ARRAY | VT_UI1 | VT_BYREF;
    V_ARRAYREF(&byReference) = &V_ARRAY(data.Get());
    image.Load(byReference, 8, 4);
    EXPECT_EQ(image.byteCount, 0);

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

TEST(MalformedReplies, ArraysAreCheckedBeforeAnyElementIsRead) {
    // Eight-byte numbers labelled as objects: read as pointers, each would be a call through an
    // address the host chose.
    SAFEARRAYBOUND two{2, 0};
    Variant numbers, status;
    numbers.SetArray(VT_UNKNOWN, SafeArrayCreate(VT_R8, 1, &two));
    EXPECT_TRUE(EmbeddedObjects(*numbers.Get(), 10).empty());
    V_VT(numbers.Get()) = VT_ARRAY | VT_R8;  // freed as what it is

    ASSERT_EQ(MakeInt32Array({2, 3}, status), S_OK);
    int32_t first = 0;
    EXPECT_TRUE(FirstArrayNumber(*status.Get(), first));
    EXPECT_EQ(first, 2);
    VARIANT byReference;
    V_VT(&byReference) = VT_ARRAY | VT_I4 | VT_BYREF;
    V_ARRAYREF(&byReference) = &V_ARRAY(status.Get());
    EXPECT_FALSE(FirstArrayNumber(byReference, first));
    // Refused by its type, whatever it points at: here a sound array, which a reader taking the
    // reference for the array itself would accept.
    V_ARRAYREF(&byReference) = reinterpret_cast<SAFEARRAY**>(V_ARRAY(status.Get()));
    EXPECT_FALSE(FirstArrayNumber(byReference, first));
    ArrayView view;
    EXPECT_FALSE(CheckArray(*status.Get(), VT_I4, 1, view)) << "more elements than allowed";
    // Two-byte elements of another type under the same size.
    Variant flags;
    flags.SetArray(VT_I2, SafeArrayCreate(VT_BOOL, 1, &two));
    EXPECT_FALSE(FirstArrayNumber(*flags.Get(), first));
    V_VT(flags.Get()) = VT_ARRAY | VT_BOOL;
}

TEST(MalformedReplies, ScalarsOutsideTheirTypeOrRangeAreRefused) {
    struct Scalar {
        VARTYPE type;
        LONG value;
        bool asUint16, asUint32;
        uint32_t read;
    };
    const Scalar cases[] = {
        {VT_I4, 2, true, true, 2},
        {VT_I4, 65538, false, true, 65538},  // EnabledState 65538 is not Running (2)
        {VT_I4, -1, false, true, 0xFFFFFFFF},  // a uint32 carried in VT_I4
        {VT_I2, -1, false, false, 0},
        {VT_UI2, 65535, true, true, 65535},
        {VT_R4, 2, false, false, 0},
        {VT_BOOL, 2, false, false, 0},
        {VT_I4 | VT_BYREF, 2, false, false, 0},
        {VT_NULL, 0, false, false, 0},
    };
    for (const Scalar& c : cases) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = c.type;
        V_I4(&v) = c.value;
        if (c.type == VT_I2) V_I2(&v) = static_cast<SHORT>(c.value);
        if (c.type == VT_UI2) V_UI2(&v) = static_cast<USHORT>(c.value);
        uint16_t small = 0;
        uint32_t large = 0;
        EXPECT_EQ(AsUint16(v, small), c.asUint16) << c.type << " " << c.value;
        EXPECT_EQ(AsUint32(v, large), c.asUint32) << c.type << " " << c.value;
        if (c.asUint32) {
            EXPECT_EQ(large, c.read);
        }
    }
    VARIANT flag;
    V_VT(&flag) = VT_BOOL;
    V_BOOL(&flag) = 1;  // neither VARIANT_TRUE nor VARIANT_FALSE
    bool down = false;
    EXPECT_FALSE(AsBoolean(flag, down));
}
