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

template <size_t N>
void ExpectAll(const ParseCase (&cases)[N]) {
    for (const ParseCase& c : cases) {
        CaptureSize size = ParseCaptureSize(c.text);
        EXPECT_EQ(size.scale, c.scale) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(size.width, c.width) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(size.height, c.height) << testing::PrintToString(std::wstring(c.text));
    }
}

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

TEST(ParseCaptureSize, PresetsAndFixedSizes) {
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
    };
    ExpectAll(cases);
}

TEST(ParseCaptureSize, ScalesAndTheirRange) {
    const ParseCase cases[] = {
        {L"x1.0", 1.0f, 0, 0},
        {L"x0.25", 0.25f, 0, 0},
        {L"x0.5", 0.5f, 0, 0},
        {L"x3.99", 3.99f, 0, 0},
        {L"x0.1", 0.1f, 0, 0},        // the float nearest 0.1 is just above it
        {L"x0.05", 0.5f, 0, 0},
        {L"x0.0999", 0.5f, 0, 0},
        {L"x4", 0.5f, 0, 0},
        {L"x4.0", 0.5f, 0, 0},
        {L"x3.99999999", 0.5f, 0, 0}, // rounds to 4.0f as a float
        {L"x-1", 0.5f, 0, 0},
        {L"x0", 0.5f, 0, 0},
        {L"x 2", 2.0f, 0, 0},         // the number may follow blanks
        {L"x2.5abc", 2.5f, 0, 0},
        {L"x1e0", 1.0f, 0, 0},
        {L"x.75", 0.75f, 0, 0},
    };
    ExpectAll(cases);
}

TEST(ParseCaptureSize, UnreadableTextFallsBackToHalfScale) {
    const ParseCase cases[] = {
        {L"", 0.5f, 0, 0},
        {L"X2", 0.5f, 0, 0},
        {L"320X240", 0.5f, 0, 0},
        {L" x0.5", 0.5f, 0, 0},
        {L" x2", 0.5f, 0, 0},  // the x must come first
        {L"320x", 0.5f, 0, 0},
        {L"320 x 240", 0.5f, 0, 0},
        {L"320 x240", 0.5f, 0, 0},
        {L"x", 0.5f, 0, 0},
        {L"x.", 0.5f, 0, 0},
        {L"abc", 0.5f, 0, 0},
        {L"-x5", 0.5f, 0, 0},
    };
    ExpectAll(cases);
    CaptureSize none = ParseCaptureSize(nullptr);
    EXPECT_EQ(none.scale, 0.5f);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

TEST(ParseCaptureSize, NaNAndInfinityNeverBecomeTheScale) {
    const ParseCase cases[] = {
        {L"xnan", 0.5f, 0, 0},
        {L"xNaN", 0.5f, 0, 0},
        {L"x-nan", 0.5f, 0, 0},
        {L"xnan(123)", 0.5f, 0, 0},
        {L"xinf", 0.5f, 0, 0},
        {L"x-infinity", 0.5f, 0, 0},
        {L"x1e39", 0.5f, 0, 0},  // beyond float range
        {L"x1e-60", 0.5f, 0, 0},
    };
    ExpectAll(cases);
}

TEST(ParseCaptureSize, SizesBeyond32BitsAreUnreadable) {
    const ParseCase cases[] = {
        {L"2147483647x1", 1.0f, INT32_MAX, 1},
        {L"1x-2147483648", 1.0f, 1, INT32_MIN},
        {L"2147483648x1", 0.5f, 0, 0},
        {L"1x-2147483649", 0.5f, 0, 0},
        {L"99999999999999999999999x240", 0.5f, 0, 0},
        {L"320x99999999999999999999999", 0.5f, 0, 0},
    };
    ExpectAll(cases);
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

TEST(ParseIntBox, IntervalAndWhiteFrameRanges) {
    auto interval = [](const wchar_t* text) {
        int32_t v = ParseIntBox(text);
        return v >= IntervalMin && v <= IntervalMax;
    };
    auto whiteFrame = [](const wchar_t* text) {
        int32_t v = ParseIntBox(text);
        return v >= WhiteFrameMin && v <= WhiteFrameMax;
    };
    for (const wchar_t* ok : {L"100", L"60000", L"500ms", L" 500", L"1000"})
        EXPECT_TRUE(interval(ok)) << testing::PrintToString(std::wstring(ok));
    for (const wchar_t* bad : {L"99", L"60001", L"", L"abc", L"-5", L"4294967396",
                               L"-4294967196", L"99999999999999999999"})
        EXPECT_FALSE(interval(bad)) << testing::PrintToString(std::wstring(bad));
    for (const wchar_t* ok : {L"0", L"1000", L"", L"15"})
        EXPECT_TRUE(whiteFrame(ok)) << testing::PrintToString(std::wstring(ok));
    for (const wchar_t* bad : {L"1001", L"-1", L"4294967296", L"4294967297"})
        EXPECT_FALSE(whiteFrame(bad)) << testing::PrintToString(std::wstring(bad));
}
