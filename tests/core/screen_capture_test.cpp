// Copy Screen and Save Screen As by worked examples: the bitmap a capture becomes, and the file
// name it is offered under.
#include "console/capture_bitmap.h"
#include "console/capture_file_name.h"
#include "dialogs/capture_size.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CaptureBitmap, WidensEachChannelAndStoresPaddedRowsBottomUp) {
    // 3 x 2, top row red, green, blue; bottom row white, black and 0x8410 (16, 32, 16 of 31, 63, 31).
    const std::vector<uint8_t> pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84};
    const CaptureLayout layout = PlanCapture(static_cast<int32_t>(pixels.size()), 3, 2);
    ASSERT_TRUE(layout.usable);
    EXPECT_EQ(layout.stride, 12u);
    EXPECT_EQ(layout.totalBytes, 64u);
    std::vector<uint8_t> bitmap(layout.totalBytes + 4, 0xCC);
    WriteCapture(pixels.data(), 3, 2, layout, bitmap.data());
    const std::vector<uint8_t> expected = {
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 24, 0, 0, 0,  // size, width, height...
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                              // ...the rest 0
        0xFF, 0xFF, 0xFF, 0, 0, 0, 0x84, 0x82, 0x84, 0, 0, 0,                        // bottom row first, BGR
        0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0,                                  // then the top row
        0xCC, 0xCC, 0xCC, 0xCC};                                                      // nothing beyond
    EXPECT_EQ(bitmap, expected);
}

TEST(CaptureBitmap, NeedsBytesForEveryPixelAndASizeTheClipboardCanHold) {
    const struct {
        int32_t bytes, width, height;
        bool usable;
        uint32_t stride, total;
    } cases[] = {
        {321 * 241 * 2, 321, 241, true, 964, 40 + 964 * 241},
        {1920 * 1080 * 2 + 7, 1920, 1080, true, 5760, 40 + 5760 * 1080},
        {321 * 241 * 2 - 1, 321, 241, false, 0, 0},  // one byte short: never half a picture
        {0, 0, 0, false, 0, 0},
        {100, -5, 10, false, 0, 0},
        {2147418112, 32768, 32767, false, 0, 0},  // fits the host's bytes, not 24 bits a pixel
    };
    for (const auto& c : cases) {
        const CaptureLayout layout = PlanCapture(c.bytes, c.width, c.height);
        EXPECT_EQ((std::vector<uint32_t>{layout.usable, layout.stride, layout.totalBytes}),
                  (std::vector<uint32_t>{c.usable, c.stride, c.total}))
            << c.bytes << " bytes for " << c.width << "x" << c.height;
    }
}

TEST(CaptureFileName, TimeStampedAndSafeForTheFileSystem) {
    const CaptureTime time{2026, 3, 5, 7, 8, 9};
    const std::wstring high(199, L'x');
    const struct {
        std::wstring machine, name;
    } cases[] = {
        {L"Web Server 01", L"Web Server 01 2026-03-05 070809.png"},
        {L"a\\b/c:d*e?f\"g<h>i|j\tk", L"a_b_c_d_e_f_g_h_i_j_k 2026-03-05 070809.png"},
        {L"開発サーバー 01", L"開発サーバー 01 2026-03-05 070809.png"},
        {L"", L"2026-03-05 070809.png"},
        {std::wstring(250, L'x'), std::wstring(200, L'x') + L" 2026-03-05 070809.png"},
        {high + L"\xD83D\xDE00", high + L" 2026-03-05 070809.png"},  // a pair is never cut in two
    };
    for (const auto& c : cases) {
        WideString name;
        CaptureFileName(c.machine.c_str(), time, name);
        EXPECT_EQ(std::wstring(name.c_str()), c.name);
    }
}

// The Settings dialog's capture size and integer boxes as typed: a sign is read, and a number
// beyond 32 bits is refused rather than wrapped into a size that looks valid.
TEST(CaptureSizeText, SignsAndNumbersBeyond32Bits) {
    const struct {
        const wchar_t* text;
        float scale;
        int32_t width, height;
    } sizes[] = {{L"+320x240", 1.0f, 320, 240},       {L" -8x+60", 1.0f, -8, 60},
                 {L"4294967616x240", 0.5f, 0, 0},     {L"320x4294967536", 0.5f, 0, 0},
                 {L"x1.5", 1.5f, 0, 0},               {L"x4", 0.5f, 0, 0},
                 {L"640 x 480", 0.5f, 0, 0},          {L"640 480", 0.5f, 0, 0}};
    for (const auto& s : sizes) {
        const CaptureSize size = ParseCaptureSize(s.text);
        EXPECT_EQ(size.scale, s.scale) << s.text;
        EXPECT_EQ(size.width, s.width) << s.text;
        EXPECT_EQ(size.height, s.height) << s.text;
    }
    EXPECT_EQ(ParseIntBox(L" +42"), 42);
    EXPECT_EQ(ParseIntBox(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIntBox(L"-2147483649"), INT32_MIN);
    EXPECT_EQ(ParseIntBox(L"4294967297"), INT32_MAX);  // not 1
}
