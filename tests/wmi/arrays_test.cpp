// SAFEARRAY replies read back: image data, including shapes no host should send, and the
// embedded summary objects.
#include "wmi/guest_image.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A byte-array VARIANT with the given bounds, filled with 0, 1, 2, ...
void MakeBytes(Variant& v, ULONG count, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{count, lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    ASSERT_NE(array, nullptr);
    uint8_t* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
    for (ULONG i = 0; i < count; ++i) data[i] = static_cast<uint8_t>(i);
    SafeArrayUnaccessData(array);
    v.SetArray(VT_UI1, array);
}

bool IsSequence(const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (bytes[i] != static_cast<uint8_t>(i)) return false;
    }
    return true;
}

}  // namespace

TEST(ImageReply, ByteArrayBecomesThePictureWithItsHeader) {
    GuestImage image;
    Variant data;
    MakeBytes(data, 320 * 240 * 2);
    image.Load(*data.Get(), 320, 240);
    ASSERT_EQ(image.byteCount, 320 * 240 * 2);
    EXPECT_TRUE(IsSequence(image.pixels.Data(), 320 * 240 * 2));
    const BITMAPINFOHEADER& h = image.header;
    EXPECT_EQ(h.biWidth, 320);
    EXPECT_EQ(h.biHeight, 240);
    EXPECT_EQ(h.biBitCount, 16);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_BITFIELDS));
    EXPECT_EQ(h.biSizeImage, 320u * 240u * 2u);
    EXPECT_EQ(h.biClrUsed, 3u);
    EXPECT_EQ(std::memcmp(&image.bitmapInfo.header, &h, sizeof h), 0);
    EXPECT_EQ(image.bitmapInfo.masks[0], 0xF800u);
    EXPECT_EQ(image.bitmapInfo.masks[1], 0x07E0u);
    EXPECT_EQ(image.bitmapInfo.masks[2], 0x001Fu);
}

TEST(ImageReply, ArrayStartingAtAnOddBoundIsReadWithinItsOwnElements) {
    // A reader that took the upper bound plus one as the count would read 100 bytes too many.
    GuestImage image;
    Variant data;
    MakeBytes(data, 64, 100);
    image.Load(*data.Get(), 8, 4);
    ASSERT_EQ(image.byteCount, 64);
    EXPECT_TRUE(IsSequence(image.pixels.Data(), 64));

    MakeBytes(data, 64, -1000);
    image.Load(*data.Get(), 8, 4);
    EXPECT_EQ(image.byteCount, 64);
}

TEST(ImageReply, AnythingButAOneDimensionalByteArrayLeavesNoPictureButKeepsTheRest) {
    GuestImage image;
    Variant good;
    MakeBytes(good, 800);
    image.Load(*good.Get(), 20, 20);
    const BITMAPINFOHEADER before = image.header;

    std::vector<Variant*> replies;
    Variant empty, null, text, numbers, twoDimensional, mislabelled, emptyArrayPointer;
    V_VT(null.Put()) = VT_NULL;
    text.SetText(L"not pixels");
    ASSERT_EQ(MakeInt32Array(7, numbers), S_OK);
    SAFEARRAYBOUND bounds[2] = {{16, 0}, {16, 0}};
    twoDimensional.SetArray(VT_UI1, SafeArrayCreate(VT_UI1, 2, bounds));
    // Four-byte elements under a byte-array label.
    SAFEARRAYBOUND wide{16, 0};
    mislabelled.SetArray(VT_UI1, SafeArrayCreate(VT_I4, 1, &wide));
    emptyArrayPointer.SetArray(VT_UI1, nullptr);
    for (Variant* reply : {&empty, &null, &text, &numbers, &twoDimensional, &mislabelled,
                           &emptyArrayPointer}) {
        image.byteCount = 800;
        image.Load(*reply->Get(), 640, 480);
        EXPECT_EQ(image.byteCount, 0) << "type " << reply->Type();
        EXPECT_EQ(std::memcmp(&image.header, &before, sizeof before), 0);
        EXPECT_TRUE(IsSequence(image.pixels.Data(), 800));
    }
    // The mislabelled array must not be freed as bytes: give it its real type back.
    V_VT(mislabelled.Get()) = VT_ARRAY | VT_I4;
}

TEST(EmbeddedObjects, FirstElementOnlyFromAZeroBasedArrayOfObjects) {
    WmiCredentials credentials;
    credentials.SetCredentials(L"", L"");
    WideString errorText;
    ComRef<IWbemServices> services;
    ASSERT_EQ(ConnectSecured(L"root\\cimv2", credentials, services, errorText), S_OK);
    ComRef<IWbemClassObject> os = QueryFirst(services.Get(), credentials,
                                             L"Select * from Win32_OperatingSystem", errorText);
    ASSERT_TRUE(os);

    auto objectArray = [&](Variant& v, LONG lowerBound) {
        SAFEARRAYBOUND bound{2, lowerBound};
        SAFEARRAY* array = SafeArrayCreate(VT_UNKNOWN, 1, &bound);
        LONG first = lowerBound;
        SafeArrayPutElement(array, &first, os.Get());  // the array takes its own reference
        v.SetArray(VT_UNKNOWN, array);
    };
    Variant zeroBased, oneBased, emptyArray;
    objectArray(zeroBased, 0);
    ComRef<IWbemClassObject> first = FirstEmbeddedObject(*zeroBased.Get());
    EXPECT_EQ(first.Get(), os.Get());

    objectArray(oneBased, 1);
    EXPECT_FALSE(FirstEmbeddedObject(*oneBased.Get()));
    SAFEARRAYBOUND none{0, 0};
    emptyArray.SetArray(VT_UNKNOWN, SafeArrayCreate(VT_UNKNOWN, 1, &none));
    EXPECT_FALSE(FirstEmbeddedObject(*emptyArray.Get()));
    Variant text;
    ASSERT_EQ(MakeTextArray(L"x", text), S_OK);
    EXPECT_FALSE(FirstEmbeddedObject(*text.Get()));
}
