// The console window's arithmetic by worked examples: where the guest's picture goes, how its
// bytes become a bitmap, and where a pointer position lands on the guest. (The rules that hold
// for every value are the console fuzz target's.)
#include "console/paint_geometry.h"
#include "console/pointer_mapping.h"
#include "dialogs/display_setting.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

TEST(PaintGeometry, PlacesTheGuestScreenByTheFitModes) {
    const struct {
        int32_t clientW, clientH, frame, small, large, guestW, guestH;
        PaintRect dest;
    } cases[] = {
        // Area 1200 x 900 (pct 117): the guest's own size, centred.
        {1230, 930, 15, FrameSpace, SmallScale, 1024, 768, {103, 81, 1127, 849}},
        {2030, 930, 15, FrameSpace, SmallScale, 1024, 768, {503, 81, 1527, 849}},
        // EnlargeZoom: pct min(195, 117) = 117, 1198 x 898 centred.
        {2030, 930, 15, EnlargeZoom, SmallScale, 1024, 768, {416, 16, 1614, 914}},
        // Area 785 x 600 (pct 76): shrunk to 778 x 583, centred.
        {815, 630, 15, FrameSpace, SmallScale, 1024, 768, {18, 24, 796, 607}},
        // Exactly 100 % is not "larger": the large mode decides, UseScrollbar takes the area whole.
        {1054, 798, 15, FrameSpace, SmallScale, 1024, 768, {15, 15, 1039, 783}},
        {1054, 798, 15, EnlargeZoom, UseScrollbar, 1024, 768, {15, 15, 1039, 783}},
        {1055, 799, 15, FrameSpace, UseScrollbar, 1024, 768, {15, 15, 1040, 784}},
        // UseScrollbar and unknown modes stretch over the area.
        {815, 630, 15, FrameSpace, UseScrollbar, 1024, 768, {15, 15, 800, 615}},
        {815, 630, 15, FrameSpace, 7, 1024, 768, {15, 15, 800, 615}},
        {1230, 930, 15, 0, SmallScale, 1024, 768, {15, 15, 1215, 915}},
        // Shrinking keeps the edges of the side that fills the area; truncated percentages leave
        // a pixel free.
        {1000, 384, 0, FrameSpace, SmallScale, 1024, 768, {244, 0, 756, 384}},
        {960, 960, 0, FrameSpace, SmallScale, 1920, 1080, {0, 210, 960, 750}},
        {1000, 400, 0, FrameSpace, SmallScale, 1024, 768, {234, 1, 766, 400}},
        // A frame wider than half the client inverts the area, which is used as it stands.
        {100, 80, 60, FrameSpace, SmallScale, 1024, 768, {75, 60, 24, 20}},
        {100, 80, 60, FrameSpace, UseScrollbar, 1024, 768, {60, 60, 40, 20}},
        // A tiny guest in a large window: no overflow in the percentages.
        {30000, 30000, 0, EnlargeZoom, SmallScale, 1, 1, {0, 0, 30000, 30000}},
    };
    for (const auto& c : cases) {
        PaintRect dest;
        const PaintRect area = FrameArea(PaintRect{0, 0, c.clientW, c.clientH}, c.frame);
        ASSERT_TRUE(PlaceImage(area, c.guestW, c.guestH, c.small, c.large, dest));
        EXPECT_EQ((std::vector<int32_t>{dest.left, dest.top, dest.right, dest.bottom}),
                  (std::vector<int32_t>{c.dest.left, c.dest.top, c.dest.right, c.dest.bottom}))
            << c.clientW << "x" << c.clientH << " frame " << c.frame << " modes " << c.small << "/" << c.large;
    }
}

TEST(PaintGeometry, BitmapLayoutPadsOddRowsAndRefusesShortData) {
    const struct {
        int32_t bytes, width, height;
        bool usable, repack;
        uint32_t rowBytes, stride;
    } cases[] = {
        {320 * 240 * 2, 320, 240, true, false, 640, 640},
        {320 * 240 * 2 + 100, 320, 240, true, false, 640, 640},  // only what the header says is read
        {1023 * 767 * 2, 1023, 767, true, true, 2046, 2048},
        {2, 1, 1, true, true, 2, 4},
        {320 * 240 * 2 - 1, 320, 240, false},
        {0, 320, 240, false},
        {-4, 320, 240, false},
        {1000, 0, 240, false},
        {1000, 320, 0, false},
        {1000, -2, -2, false},
        {INT32_MAX, 65535, 65535, false},  // a size beyond 32 bits no byte count can satisfy
    };
    for (const auto& c : cases) {
        const DibLayout layout = PlanDib(c.bytes, c.width, c.height);
        EXPECT_EQ(layout.usable, c.usable) << c.bytes << " bytes for " << c.width << "x" << c.height;
        if (!c.usable) continue;
        EXPECT_EQ(layout.repack, c.repack) << c.width;
        EXPECT_EQ(layout.rowBytes, c.rowBytes) << c.width;
        EXPECT_EQ(layout.stride, c.stride) << c.width;
        EXPECT_EQ(layout.imageBytes, c.stride * c.height) << c.width;
    }
}

TEST(PointerMapping, PositionsMapThroughTheImageAndPushAtItsEdges) {
    // Guest 1024 wide, image drawn from 15 to 527.
    const std::pair<int32_t, int32_t> absolute[] = {{-40, 0}, {10, 0},      {15, 0},      {271, 512},
                                                    {526, 1022}, {527, 1023}, {600, 1023}};
    for (auto [x, guest] : absolute) EXPECT_EQ(AbsoluteAxis(x, 15, 527, 1024), guest) << "x = " << x;
    EXPECT_EQ(MapAxis(14, 15, 527, 1024).place, AxisPlace::Before);
    EXPECT_EQ(MapAxis(527, 15, 527, 1024).place, AxisPlace::Inside);
    EXPECT_EQ(MapAxis(528, 15, 527, 1024).place, AxisPlace::Beyond);
    // 60000 * 60000 does not fit 32 bits.
    EXPECT_EQ(AbsoluteAxis(59999, 0, 60000, 60000), 59999);

    // Relative mode, guest 800 wide, image from 100 to 500: a tenth of the screen outside.
    const struct {
        int32_t x, lo, hi, size, last, delta, newLast;
    } relative[] = {{50, 100, 500, 800, 400, -80, 0},  {520, 100, 500, 800, 400, 80, 799},
                    {165, 100, 500, 800, 100, 30, 130}, {100, 100, 500, 800, 130, -130, 0},
                    {-5, 0, 10, 799, 3, -79, 0}};
    for (const auto& c : relative) {
        const RelativeAxis move = RelativeMove(c.x, c.lo, c.hi, c.size, c.last);
        EXPECT_EQ(move.delta, c.delta) << "x = " << c.x;
        EXPECT_EQ(move.last, c.newLast) << "x = " << c.x;
    }

    // Nothing maps before the first paint, with a frame that leaves no room, or without a guest.
    EXPECT_FALSE(AxisUsable(0, 0, 1024));
    EXPECT_FALSE(AxisUsable(300, 200, 1024));
    EXPECT_FALSE(AxisUsable(0, 100, 0));
    EXPECT_TRUE(AxisUsable(5, 6, 1024));
}
