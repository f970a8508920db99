#include "console/key_tables.h"
#include "console/pointer_mapping.h"
#include "resources/resource.h"

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

namespace {

struct ModifierTableGuard {
    ~ModifierTableGuard() {
        for (ModifierKey& key : modifierKeys) key.pressed = 0;
    }
};

void SetPressed(int32_t keyCode, int32_t pressed) {
    for (ModifierKey& key : modifierKeys)
        if (key.keyCode == keyCode) key.pressed = pressed;
}

}  // namespace

TEST(KeyTables, ModifierToggleReleasesWhatIsDownElsePressesTheLeftKey) {
    ModifierTableGuard guard;
    KeyStroke strokes[2] = {};

    ASSERT_EQ(ModifierToggleStrokes(IDM_SHIFT, strokes), 1u);
    EXPECT_EQ(strokes[0].keyCode, 160);
    EXPECT_EQ(strokes[0].press, 1);

    SetPressed(161, 1);  // only the right key is down: only it is released
    ASSERT_EQ(ModifierToggleStrokes(IDM_SHIFT, strokes), 1u);
    EXPECT_EQ(strokes[0].keyCode, 161);
    EXPECT_EQ(strokes[0].press, 0);

    SetPressed(160, 1);
    ASSERT_EQ(ModifierToggleStrokes(IDM_SHIFT, strokes), 2u);
    EXPECT_EQ(strokes[0].keyCode, 160);
    EXPECT_EQ(strokes[1].keyCode, 161);
    EXPECT_EQ(strokes[0].press + strokes[1].press, 0);
    EXPECT_TRUE(GroupPressed(IDM_SHIFT));

    // Other groups are untouched by Shift's state.
    EXPECT_FALSE(GroupPressed(IDM_WINDOWS));
    ASSERT_EQ(ModifierToggleStrokes(IDM_WINDOWS, strokes), 1u);
    EXPECT_EQ(strokes[0].keyCode, 91);
    ASSERT_EQ(ModifierToggleStrokes(IDM_ALT, strokes), 1u);
    EXPECT_EQ(strokes[0].keyCode, 164);
    ASSERT_EQ(ModifierToggleStrokes(IDM_CTRL, strokes), 1u);
    EXPECT_EQ(strokes[0].keyCode, 162);
    EXPECT_EQ(ModifierToggleStrokes(IDM_KANJI, strokes), 0u);
}

TEST(KeyTables, SequencesAndPointerReleasingKeys) {
    const int32_t expected[CtrlAltDelLength][2] = {{164, 1}, {162, 1}, {46, 1}, {46, 0}, {162, 0}, {164, 0}};
    for (size_t i = 0; i < CtrlAltDelLength; ++i) {
        EXPECT_EQ(ctrlAltDelSequence[i].keyCode, expected[i][0]);
        EXPECT_EQ(ctrlAltDelSequence[i].press, expected[i][1]);
    }
    EXPECT_EQ(applicationKeySequence[0].keyCode, 93);

    std::vector<int32_t> releasing;
    for (int32_t code = 0; code < 256; ++code)
        if (ReleasesPointer(code)) releasing.push_back(code);
    EXPECT_EQ(releasing, (std::vector<int32_t>{16, 17, 18, 160, 161, 162, 163, 164, 165}));
}
