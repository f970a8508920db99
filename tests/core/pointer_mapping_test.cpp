#include "console/pointer_mapping.h"

#include <gtest/gtest.h>

#include <vector>

TEST(PointerMapping, AbsoluteAxisMapsThroughTheImageAndCapsAtTheEdges) {
    // Guest 1024 wide, image drawn from 15 to 527.
    const std::vector<std::pair<int32_t, int32_t>> cases = {
        {10, 0}, {15, 0}, {271, 512}, {526, 1022}, {527, 1023}, {600, 1023}, {-40, 0}};
    for (auto [x, expected] : cases) EXPECT_EQ(AbsoluteAxis(x, 15, 527, 1024), expected) << "x = " << x;

    EXPECT_EQ(MapAxis(10, 15, 527, 1024).place, AxisPlace::Before);
    EXPECT_EQ(MapAxis(527, 15, 527, 1024).place, AxisPlace::Inside);
    EXPECT_EQ(MapAxis(528, 15, 527, 1024).place, AxisPlace::Beyond);
}

TEST(PointerMapping, RelativeMovePushesByATenthOutsideAndFollowsInside) {
    // Guest 800 wide, image from 100 to 500.
    RelativeAxis left = RelativeMove(50, 100, 500, 800, 400);
    EXPECT_EQ(left.delta, -80);
    EXPECT_EQ(left.last, 0);
    RelativeAxis right = RelativeMove(520, 100, 500, 800, 400);
    EXPECT_EQ(right.delta, 80);
    EXPECT_EQ(right.last, 799);

    // 165 maps to (65 * 800) / 400 = 130.
    RelativeAxis inside = RelativeMove(165, 100, 500, 800, 100);
    EXPECT_EQ(inside.delta, 30);
    EXPECT_EQ(inside.last, 130);
    EXPECT_EQ(RelativeMove(100, 100, 500, 800, 130).delta, -130);
    // Pushing from the far edge: a tenth of 799 truncates toward zero.
    EXPECT_EQ(RelativeMove(-5, 0, 10, 799, 3).delta, -79);
}

TEST(PointerMapping, EmptyImageOrGuestIsNotUsableAndLargeValuesDoNotOverflow) {
    EXPECT_FALSE(AxisUsable(0, 0, 1024));    // not painted yet
    EXPECT_FALSE(AxisUsable(300, 200, 1024));  // a frame that leaves no room
    EXPECT_FALSE(AxisUsable(0, 100, 0));
    EXPECT_TRUE(AxisUsable(5, 6, 1024));

    // 60000 * 60000 does not fit 32 bits.
    EXPECT_EQ(AbsoluteAxis(30000, 0, 60000, 60000), 30000);
    EXPECT_EQ(AbsoluteAxis(59999, 0, 60000, 60000), 59999);

    EXPECT_EQ(ClampAxis(-3, 0, 10), 0);
    EXPECT_EQ(ClampAxis(10, 0, 10), 10);
    EXPECT_EQ(ClampAxis(11, 0, 10), 10);
}
