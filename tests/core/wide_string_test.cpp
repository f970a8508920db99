#include "shell/wide_string.h"
#include "wmi/byte_buffer.h"

#include <gtest/gtest.h>

#include <string>

TEST(WideString, StartsWithRoomFor4096AndGrowsToExactlyTheNeededSize) {
    WideString s;
    EXPECT_EQ(s.Capacity(), 4096u);
    EXPECT_TRUE(s.Empty());
    EXPECT_EQ(s.c_str()[0], L'\0');

    std::wstring big(5000, L'a');
    s.Assign(big.c_str());
    EXPECT_EQ(s.Capacity(), 5000u);
    EXPECT_EQ(s.Length(), 5000u);

    s.Append(L"bc");  // grows again by exactly what is needed, keeping the contents
    EXPECT_EQ(s.Capacity(), 5002u);
    EXPECT_EQ(std::wstring(s.c_str()), big + L"bc");

    s.Assign(L"x");  // never shrinks
    EXPECT_EQ(s.Capacity(), 5002u);
    EXPECT_TRUE(s == L"x");
}

TEST(WideString, AppendsAndAssignsPartsOfItself) {
    WideString s(L"abc");
    s.Append(s);
    EXPECT_TRUE(s == L"abcabc");
    s.Assign(s.c_str() + 2, 3);
    EXPECT_TRUE(s == L"cab");

    std::wstring big(4095, L'z');
    WideString t(big.c_str());
    t.Append(t.c_str(), t.Length());  // the source moves when the buffer grows
    EXPECT_EQ(std::wstring(t.c_str()), big + big);
}

TEST(WideString, ComparesWholeTextsCaseSensitively) {
    WideString s(L"Alpha");
    EXPECT_TRUE(s == L"Alpha");
    EXPECT_FALSE(s == L"alpha");
    EXPECT_FALSE(s == L"Alph");
    EXPECT_FALSE(s == L"Alphas");
    EXPECT_TRUE(s == WideString(L"Alpha"));
    EXPECT_TRUE(WideString() == L"");
    EXPECT_TRUE(WideString(nullptr) == L"");
}

TEST(WideString, WipeClearsTheWholeBuffer) {
    WideString s(L"secret");
    const wchar_t* data = s.c_str();
    s.Wipe();
    EXPECT_TRUE(s.Empty());
    for (size_t i = 0; i <= s.Capacity(); ++i) ASSERT_EQ(data[i], L'\0') << i;
}

TEST(ByteBuffer, StartsAt1024GrowsExactlyKeepsContentsNeverShrinks) {
    ByteBuffer b;
    EXPECT_EQ(b.Capacity(), 1024u);
    b.Data()[0] = 7;
    b.Data()[1023] = 9;
    b.Reserve(1000);
    EXPECT_EQ(b.Capacity(), 1024u);
    b.Reserve(153600);
    EXPECT_EQ(b.Capacity(), 153600u);
    EXPECT_EQ(b.Data()[0], 7);
    EXPECT_EQ(b.Data()[1023], 9);
    b.Reserve(10);
    EXPECT_EQ(b.Capacity(), 153600u);
}
