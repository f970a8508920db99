#include "wmi/thumbnail_size.h"

#include <gtest/gtest.h>

TEST(ThumbnailSize, OnlyTheThreePresetSizesGoToTheSummaryRoute) {
    EXPECT_EQ(SummaryRequestFor(80, 60), 5);
    EXPECT_EQ(SummaryRequestFor(160, 120), 6);
    EXPECT_EQ(SummaryRequestFor(320, 240), 7);
    EXPECT_EQ(SummaryRequestFor(240, 320), 0);
    EXPECT_EQ(SummaryRequestFor(640, 480), 0);
    EXPECT_EQ(SummaryRequestFor(0, 0), 0);
    EXPECT_EQ(SummaryRequestFor(320, 0), 0);
}

TEST(ThumbnailSize, ClampedToTheGuestThenScaledAndTruncated) {
    struct Case {
        int32_t width, height;
        float scale;
        int32_t guestWidth, guestHeight, expectWidth, expectHeight;
    } cases[] = {
        {640, 480, 0.5f, 1024, 768, 320, 240},
        {2000, 2000, 1.0f, 1024, 768, 1024, 768},
        {0, 0, 0.25f, 800, 600, 200, 150},
        {0, 0, 0.33f, 1024, 768, 337, 253},  // 337.92 and 253.44 truncate
        {640, 0, 1.0f, 1024, 768, 1024, 768},  // either side 0: the guest's whole screen
        {1000, 1000, 0.7f, 1920, 1080, 700, 700},  // single precision: not 699
        {1920, 1080, 1.0f, 1920, 1080, 1920, 1080},
    };
    for (const Case& c : cases) {
        ImageSize size = ThumbnailRequestSize(c.width, c.height, c.scale, c.guestWidth, c.guestHeight);
        EXPECT_EQ(size.width, c.expectWidth) << c.width << "x" << c.height << " at " << c.scale;
        EXPECT_EQ(size.height, c.expectHeight) << c.width << "x" << c.height << " at " << c.scale;
    }
}

TEST(ThumbnailSize, AScaleBeyondAnyIntegerGivesZeroNotGarbage) {
    ImageSize size = ThumbnailRequestSize(0, 0, 1e30f, 1024, 768);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
}
