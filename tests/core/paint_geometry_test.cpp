#include "console/paint_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
constexpr int32_t FrameSpace = 1, EnlargeZoom = 2, UseScrollbar = 1, SmallScale = 2;

PaintRect Client(int32_t width, int32_t height) { return PaintRect{0, 0, width, height}; }

// Destination for a 1024 x 768 guest unless told otherwise.
PaintRect Place(PaintRect client, int32_t frame, int32_t small, int32_t large,
                int32_t guestW = 1024, int32_t guestH = 768) {
    PaintRect dest{-1, -1, -1, -1};
    EXPECT_TRUE(PlaceImage(FrameArea(client, frame), guestW, guestH, small, large, dest));
    return dest;
}

void ExpectRect(const PaintRect& r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}
}  // namespace

TEST(PaintGeometry, WorkedExamples) {
    // Area (15,15,1215,915): pct 117, the guest's own size centred.
    ExpectRect(Place(Client(1230, 930), 15, FrameSpace, SmallScale), 103, 81, 1127, 849);
    // Area (15,15,800,615): pct 76, shrunk to 778 x 583 and centred.
    ExpectRect(Place(Client(815, 630), 15, FrameSpace, SmallScale), 18, 24, 796, 607);
}

TEST(PaintGeometry, ExactlyOneHundredPercentUsesTheLargeMode) {
    // Area exactly 1024 x 768: pct 100 is not "larger", so the large mode decides.
    ExpectRect(Place(Client(1054, 798), 15, FrameSpace, SmallScale), 15, 15, 1039, 783);
    // With UseScrollbar as the large mode the area is used whole, not the small mode's centring.
    ExpectRect(Place(Client(1054, 798), 15, EnlargeZoom, UseScrollbar), 15, 15, 1039, 783);
    // One pixel more each way: pct 100 still (truncated), the large mode again.
    ExpectRect(Place(Client(1055, 799), 15, FrameSpace, UseScrollbar), 15, 15, 1040, 784);
}

TEST(PaintGeometry, SmallModes) {
    // EnlargeZoom: area 2000 x 900, pct min(195, 117) = 117, 1198 x 898 centred.
    ExpectRect(Place(Client(2030, 930), 15, EnlargeZoom, SmallScale), 416, 16, 1614, 914);
    // FrameSpace draws at the guest's resolution however small the fetched image is.
    ExpectRect(Place(Client(2030, 930), 15, FrameSpace, SmallScale), 503, 81, 1527, 849);
}

TEST(PaintGeometry, UseScrollbarAndUnknownModesStretchOverTheArea) {
    ExpectRect(Place(Client(815, 630), 15, FrameSpace, UseScrollbar), 15, 15, 800, 615);
    ExpectRect(Place(Client(815, 630), 15, FrameSpace, 7), 15, 15, 800, 615);
    ExpectRect(Place(Client(1230, 930), 15, 0, SmallScale), 15, 15, 1215, 915);
}

TEST(PaintGeometry, ShrinkKeepsTheEdgesOfADimensionThatFillsTheArea) {
    // 4:3 guest in a wide area, pct 50: the height fills (edges kept), the width is centred.
    ExpectRect(Place(Client(1000, 384), 0, FrameSpace, SmallScale), 244, 0, 756, 384);
    // A 1920 x 1080 guest in a square area, pct 50: the width fills, the height is centred.
    ExpectRect(Place(Client(960, 960), 0, FrameSpace, SmallScale, 1920, 1080), 0, 210, 960, 750);
    // Truncated percentages leave a pixel free: pct 52 gives 532 x 399 in 1000 x 400.
    ExpectRect(Place(Client(1000, 400), 0, FrameSpace, SmallScale), 234, 1, 766, 400);
}

TEST(PaintGeometry, FrameWiderThanHalfTheClientIsAppliedAsItStands) {
    const PaintRect area = FrameArea(Client(100, 80), 60);
    ExpectRect(area, 60, 60, 40, 20);
    // availW -20, availH -40: pct min(-1, -5) = -5, the large mode; w -51, h -38. -20 > -51
    // centres the width around cx 50 (left 75, right 24); -40 > -38 fails, the edges stay.
    ExpectRect(Place(Client(100, 80), 60, FrameSpace, SmallScale), 75, 60, 24, 20);
    ExpectRect(Place(Client(100, 80), 60, FrameSpace, UseScrollbar), 60, 60, 40, 20);
}

TEST(PaintGeometry, GuestWithoutASizeShowsNoImage) {
    PaintRect dest{1, 2, 3, 4};
    const PaintRect area = FrameArea(Client(800, 600), 15);
    EXPECT_FALSE(PlaceImage(area, 0, 768, FrameSpace, SmallScale, dest));
    EXPECT_FALSE(PlaceImage(area, 1024, 0, FrameSpace, SmallScale, dest));
    EXPECT_FALSE(PlaceImage(area, -1024, 768, FrameSpace, SmallScale, dest));
    ExpectRect(dest, 1, 2, 3, 4);
    // A tiny guest in a large window: no overflow in the percentages.
    ExpectRect(Place(Client(30000, 30000), 0, EnlargeZoom, SmallScale, 1, 1), 0, 0, 30000, 30000);
}

TEST(DibLayoutPlan, EvenWidthsArePaintedInPlaceOddWidthsNeedPaddedRows) {
    const struct {
        int32_t width, height;
        bool repack;
        uint32_t rowBytes, stride;
    } cases[] = {{320, 240, false, 640, 640}, {1023, 767, true, 2046, 2048}, {1, 1, true, 2, 4}};
    for (const auto& c : cases) {
        const DibLayout layout = PlanDib(c.width * c.height * 2, c.width, c.height);
        EXPECT_TRUE(layout.usable) << c.width;
        EXPECT_EQ(layout.repack, c.repack) << c.width;
        EXPECT_EQ(layout.rowBytes, c.rowBytes) << c.width;
        EXPECT_EQ(layout.stride, c.stride) << c.width;
        EXPECT_EQ(layout.imageBytes, c.stride * c.height) << c.width;
    }
    // More data than described is fine: only what the header describes is read.
    EXPECT_TRUE(PlanDib(320 * 240 * 2 + 100, 320, 240).usable);
}

TEST(DibLayoutPlan, ShortEmptyOrSizelessDataIsNotUsable) {
    EXPECT_FALSE(PlanDib(320 * 240 * 2 - 1, 320, 240).usable);
    EXPECT_FALSE(PlanDib(0, 320, 240).usable);
    EXPECT_FALSE(PlanDib(-4, 320, 240).usable);
    EXPECT_FALSE(PlanDib(1000, 0, 240).usable);
    EXPECT_FALSE(PlanDib(1000, 320, 0).usable);
    EXPECT_FALSE(PlanDib(1000, -2, -2).usable);
    // A header whose size overflows 32 bits cannot be satisfied by any byte count.
    EXPECT_FALSE(PlanDib(INT32_MAX, 65535, 65535).usable);
}

TEST(DibLayoutPlan, RepackCopiesEachRowAndZeroesThePadding) {
    const int32_t width = 3, height = 2;
    const std::vector<uint8_t> packed = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const DibLayout layout = PlanDib(static_cast<int32_t>(packed.size()), width, height);
    ASSERT_TRUE(layout.repack);
    std::vector<uint8_t> target(layout.imageBytes, 0xAA);
    RepackRows(packed.data(), target.data(), layout, height);
    EXPECT_EQ(target, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}));
}
