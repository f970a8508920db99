// Size arithmetic beyond the cases the simulated-host tests send.
#include "wmi/thumbnail_size.h"

#include <gtest/gtest.h>

TEST(ThumbnailSize, EdgesOfClampingAndScaling) {
    // Either side 0: the guest's whole screen.
    ImageSize size = ThumbnailRequestSize(640, 0, 1.0f, 1024, 768);
    EXPECT_EQ(size.width, 1024);
    EXPECT_EQ(size.height, 768);
    // In single precision 1000 x 0.7f is 700; a double product would truncate to 699.
    size = ThumbnailRequestSize(1000, 1000, 0.7f, 1920, 1080);
    EXPECT_EQ(size.width, 700);
    EXPECT_EQ(size.height, 700);
    // A scale beyond any integer gives 0, not an undefined conversion.
    size = ThumbnailRequestSize(0, 0, 1e30f, 1024, 768);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
    EXPECT_EQ(SummaryRequestFor(240, 320), 0);  // the preset sizes only as they stand
}
