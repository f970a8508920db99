#include "dialogs/capture_size.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cwchar>
#include <string>

namespace {

std::wstring Format(float scale, int32_t width, int32_t height) {
    wchar_t text[CaptureSizeTextMax];
    FormatCaptureSize(CaptureSize{scale, width, height}, text);
    return text;
}

struct ParseCase {
    const wchar_t* text;
    float scale;
    int32_t width;
    int32_t height;
};

}  // namespace

TEST(FormatCaptureSize, FixedSizeOnlyWhenBothDimensionsAreNonZero) {
    EXPECT_EQ(Format(1.0f, 320, 240), L"320x240");
    EXPECT_EQ(Format(1.0f, 80, 60), L"80x60");
    EXPECT_EQ(Format(2.0f, 640, 480), L"640x480");  // the scale does not show in a fixed size
    EXPECT_EQ(Format(1.0f, -5, 7), L"-5x7");
    EXPECT_EQ(Format(1.0f, INT32_MIN, INT32_MAX), L"-2147483648x2147483647");
    EXPECT_EQ(Format(0.5f, 0, 0), L"x0.50");
    EXPECT_EQ(Format(0.25f, 0, 0), L"x0.25");
    EXPECT_EQ(Format(1.0f, 0, 0), L"x1.00");
    EXPECT_EQ(Format(3.99f, 0, 0), L"x3.99");
    EXPECT_EQ(Format(1.0f, 0, 240), L"x1.00");
    EXPECT_EQ(Format(1.0f, 320, 0), L"x1.00");
}

TEST(FormatCaptureSize, ExtremeScalesFitTheBuffer) {
    EXPECT_EQ(Format(FLT_MAX, 0, 0).size(), 43u);   // x, 39 digits, ".00"
    EXPECT_EQ(Format(-FLT_MAX, 0, 0).size(), 44u);
    EXPECT_LT(Format(-FLT_MAX, 0, 0).size(), CaptureSizeTextMax);
}

TEST(ParseCaptureSize, ReadableSizesAndScales) {
    const ParseCase cases[] = {
        {L"80x60", 1.0f, 80, 60},
        {L"160x120", 1.0f, 160, 120},
        {L"320x240", 1.0f, 320, 240},
        {L"640x480", 1.0f, 640, 480},
        {L"0x0", 1.0f, 0, 0},              // scale mode at 1.0 once stored
        {L" 320x 240", 1.0f, 320, 240},    // blanks before each integer
        {L"+320x-240", 1.0f, 320, -240},   // signs, no range check
        {L"320x240 junk", 1.0f, 320, 240}, // trailing text ignored
        {L"0x10", 1.0f, 0, 10},            // decimal only: the 0 and the x are the separator
        {L"2147483647x1", 1.0f, INT32_MAX, 1},
        {L"1x-2147483648", 1.0f, 1, INT32_MIN},
        {L"x1.0", 1.0f, 0, 0},
        {L"x0.25", 0.25f, 0, 0},
        {L"x3.99", 3.99f, 0, 0},
        {L"x0.1", 0.1f, 0, 0},             // the float nearest 0.1 is just above it
        {L"x 2", 2.0f, 0, 0},              // the number may follow blanks
        {L"x2.5abc", 2.5f, 0, 0},
        {L"x1e0", 1.0f, 0, 0},
        {L"x.75", 0.75f, 0, 0},
    };
    for (const ParseCase& c : cases) {
        const CaptureSize size = ParseCaptureSize(c.text);
        EXPECT_EQ(size.scale, c.scale) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(size.width, c.width) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(size.height, c.height) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(ParseCaptureSize, UnreadableOrOutOfRangeTextIsHalfScale) {
    const wchar_t* const texts[] = {
        // Scales outside [0.1, 4): x3.99999999 rounds to 4.0f as a float.
        L"x0.05", L"x0.0999", L"x4", L"x4.0", L"x3.99999999", L"x-1", L"x0",
        // Not a size or a scale: the x must come first, and the separator is a lower-case x.
        L"", L"X2", L"320X240", L" x0.5", L" x2", L"320x", L"320 x 240", L"320 x240", L"x", L"x.", L"abc", L"-x5",
        // NaN and infinity never become the scale, nor values beyond float range.
        L"xnan", L"xNaN", L"x-nan", L"xnan(123)", L"xinf", L"x-infinity", L"x1e39", L"x1e-60",
        // Sizes beyond 32 bits.
        L"2147483648x1", L"1x-2147483649", L"99999999999999999999999x240", L"320x99999999999999999999999",
        nullptr,
    };
    for (const wchar_t* text : texts) {
        const CaptureSize size = ParseCaptureSize(text);
        EXPECT_EQ(size.scale, 0.5f) << testing::PrintToString(std::wstring(text ? text : L"(null)"));
        EXPECT_EQ(size.width, 0);
        EXPECT_EQ(size.height, 0);
    }
}

TEST(ParseCaptureSize, FormattedTextReadsBack) {
    const CaptureSize sizes[] = {{1.0f, 320, 240}, {1.0f, 1024, 768}, {1.0f, -1, 5},
                                 {0.25f, 0, 0},    {1.0f, 0, 0},      {3.99f, 0, 0}};
    for (const CaptureSize& size : sizes) {
        wchar_t text[CaptureSizeTextMax];
        FormatCaptureSize(size, text);
        CaptureSize back = ParseCaptureSize(text);
        EXPECT_EQ(back.width, size.width) << testing::PrintToString(std::wstring(text));
        EXPECT_EQ(back.height, size.height);
        EXPECT_NEAR(back.scale, size.scale, 0.005);
    }
}

TEST(IsPresetSummarySize, OnlyTheThreeSummarySizes) {
    EXPECT_TRUE(IsPresetSummarySize(80, 60));
    EXPECT_TRUE(IsPresetSummarySize(160, 120));
    EXPECT_TRUE(IsPresetSummarySize(320, 240));
    EXPECT_FALSE(IsPresetSummarySize(60, 80));
    EXPECT_FALSE(IsPresetSummarySize(320, 120));
    EXPECT_FALSE(IsPresetSummarySize(640, 480));
    EXPECT_FALSE(IsPresetSummarySize(0, 0));
}

TEST(ParseIntBox, LeadingBlanksSignDigitsThenStop) {
    struct {
        const wchar_t* text;
        int32_t value;
    } const cases[] = {
        {L"99", 99},        {L"100", 100},      {L"60000", 60000}, {L"60001", 60001},
        {L"500ms", 500},    {L" 500", 500},     {L"\t\r\n 42", 42}, {L"12 34", 12},
        {L"", 0},           {L"abc", 0},        {L"-5", -5},        {L"+7", 7},
        {L"- 5", 0},        {L"--5", 0},        {L"0x10", 0},       {L"007", 7},
        {L"-0", 0},
        {L"2147483647", INT32_MAX},
        {L"2147483648", INT32_MAX},
        {L"-2147483648", INT32_MIN},
        {L"-2147483649", INT32_MIN},
        {L"99999999999999999999999", INT32_MAX},
        {L"-99999999999999999999999", INT32_MIN},
        {L"4294967396", INT32_MAX},  // would wrap to 100 in 32 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIntBox(c.text), c.value) << testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(ParseIntBox(nullptr), 0);
}
