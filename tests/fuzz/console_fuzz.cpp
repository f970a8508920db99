// The console window's arithmetic on sizes it does not control: the guest's resolution and the
// image bytes come from the host, the pointer position from the window system. Followed the way
// the window uses it: client rectangle, white frame, placement, bitmap layout and row copy, then
// pointer positions mapped onto the guest in both mouse modes; and the Keyboard menu's sticky keys.
//
// Input: a stream of values; every value is either drawn from the range the program can meet in
// practice or, chosen by a selector byte, any 32-bit value.

#include "console/key_tables.h"
#include "console/paint_geometry.h"
#include "console/pointer_mapping.h"
#include "dialogs/display_setting.h"

#include "fuzz_input.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A client area far larger than any screen.
constexpr int32_t MaxClient = 1 << 20;
// Rectangles passed to PlaceImage directly, inverted ones included, far beyond any window. Not
// wider: an area's width and centre are 32-bit sums of its edges, as they are for a window.
constexpr int32_t MaxCoordinate = 1 << 24;
// Images small enough to copy in every run; the row arithmetic is the same for any size.
constexpr int32_t MaxCopiedBytes = 1 << 16;

int32_t Pick(FuzzInput& input, int32_t lo, int32_t hi) {
    return (input.Byte() & 1) ? input.Int32() : input.IntIn(lo, hi);
}

bool Inside(const PaintRect& inner, const PaintRect& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom && inner.left <= inner.right && inner.top <= inner.bottom;
}

void CheckPlacement(const PaintRect& area, int32_t guestWidth, int32_t guestHeight, int32_t smallMode,
                    int32_t largeMode, PaintRect& dest) {
    const PaintRect untouched{-1, -2, -3, -4};
    dest = untouched;
    const bool placed = PlaceImage(area, guestWidth, guestHeight, smallMode, largeMode, dest);
    FUZZ_CHECK(placed == (guestWidth > 0 && guestHeight > 0));
    if (!placed) {
        FUZZ_CHECK(dest.left == -1 && dest.top == -2 && dest.right == -3 && dest.bottom == -4);
        return;
    }
    // An area with room (the white frame leaves some) always holds the image.
    const int64_t availW = static_cast<int64_t>(area.right) - area.left;
    const int64_t availH = static_cast<int64_t>(area.bottom) - area.top;
    if (availW >= 0 && availH >= 0) FUZZ_CHECK(Inside(dest, area));
    // Smaller than the area both ways and shown at its own size.
    if (smallMode == FrameSpace && availW > guestWidth && availH > guestHeight &&
        availW * 100 / guestWidth > 100 && availH * 100 / guestHeight > 100) {
        FUZZ_CHECK(dest.right - dest.left == guestWidth && dest.bottom - dest.top == guestHeight);
    }
}

void CheckDib(FuzzInput& input) {
    const int32_t byteCount = Pick(input, 0, MaxCopiedBytes);
    const int32_t width = Pick(input, 0, 4096);
    const int32_t height = Pick(input, 0, 4096);
    const DibLayout layout = PlanDib(byteCount, width, height);

    const bool positive = byteCount > 0 && width > 0 && height > 0;
    const uint64_t rowBytes = positive ? uint64_t(width) * 2 : 0;
    const uint64_t stride = (rowBytes + 3) / 4 * 4;
    const bool fits = positive && rowBytes * uint64_t(height) <= uint64_t(byteCount) &&
                      stride * uint64_t(height) <= UINT32_MAX;
    FUZZ_CHECK(layout.usable == fits);
    if (!layout.usable) return;
    FUZZ_CHECK(layout.rowBytes == rowBytes && layout.stride == stride);
    FUZZ_CHECK(layout.imageBytes == stride * uint64_t(height));
    FUZZ_CHECK(layout.repack == (width % 2 != 0));

    if (byteCount > MaxCopiedBytes) return;
    // Exactly the bytes the host sent, so that any read past them is caught.
    std::vector<uint8_t> source(static_cast<size_t>(byteCount));
    const uint8_t seed = input.Byte();
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 31 + seed);
    std::vector<uint8_t> target(layout.imageBytes, 0xAA);
    RepackRows(source.data(), target.data(), layout, height);
    const uint8_t zeros[4] = {};
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* from = source.data() + size_t(row) * layout.rowBytes;
        const uint8_t* to = target.data() + size_t(row) * layout.stride;
        FUZZ_CHECK(std::memcmp(to, from, layout.rowBytes) == 0);
        FUZZ_CHECK(std::memcmp(to + layout.rowBytes, zeros, layout.stride - layout.rowBytes) == 0);
    }
}

// One axis of the pointer: absolute and relative mapping of a position, and the clamp that
// holds the local pointer on the image. `last` is the guest position the relative mode left.
void CheckAxis(int32_t v, int32_t lo, int32_t hi, int32_t size, int32_t& last) {
    // The window maps and holds the pointer only while the image has room on both axes.
    if (!AxisUsable(lo, hi, size)) return;
    const int32_t held = ClampAxis(v, lo, hi);
    FUZZ_CHECK(held >= lo && held <= hi && (held == v) == (v >= lo && v <= hi));

    const int32_t absolute = AbsoluteAxis(v, lo, hi, size);
    FUZZ_CHECK(absolute >= 0 && absolute <= size - 1);
    if (v < lo) FUZZ_CHECK(absolute == 0);
    if (v > hi) FUZZ_CHECK(absolute == size - 1);
    if (v < INT32_MAX) FUZZ_CHECK(AbsoluteAxis(v + 1, lo, hi, size) >= absolute);

    const RelativeAxis move = RelativeMove(v, lo, hi, size, last);
    FUZZ_CHECK(move.last >= 0 && move.last <= size - 1);
    if (v < lo) FUZZ_CHECK(move.delta == -(size / 10) && move.last == 0);
    if (v > hi) FUZZ_CHECK(move.delta == size / 10 && move.last == size - 1);
    if (v >= lo && v <= hi) FUZZ_CHECK(move.last == absolute && move.delta == absolute - last);
    last = move.last;
}

// The path of a paint followed by mouse moves over the window.
void CheckWindow(FuzzInput& input) {
    const PaintRect client{0, 0, input.IntIn(0, MaxClient), input.IntIn(0, MaxClient)};
    const int32_t whiteFrame = input.IntIn(0, 1000);
    const int32_t guestWidth = Pick(input, 1, 8192);
    const int32_t guestHeight = Pick(input, 1, 8192);
    const int32_t smallMode = Pick(input, 1, 2);
    const int32_t largeMode = Pick(input, 1, 2);

    const PaintRect area = FrameArea(client, whiteFrame);
    FUZZ_CHECK(area.left == whiteFrame && area.top == whiteFrame);
    FUZZ_CHECK(area.right == client.right - whiteFrame && area.bottom == client.bottom - whiteFrame);

    PaintRect image;
    CheckPlacement(area, guestWidth, guestHeight, smallMode, largeMode, image);
    if (guestWidth <= 0 || guestHeight <= 0) return;

    int32_t lastX = 0, lastY = 0;
    for (int moves = input.Byte() % 32; moves > 0; --moves) {
        // A mouse message carries each coordinate as a signed 16-bit value.
        CheckAxis(input.Int16(), image.left, image.right, guestWidth, lastX);
        CheckAxis(input.Int16(), image.top, image.bottom, guestHeight, lastY);
    }
}

// The same functions on their own, over every value their contracts allow.
void CheckAnyValues(FuzzInput& input) {
    PaintRect area;
    area.left = input.IntIn(-MaxCoordinate, MaxCoordinate);
    area.top = input.IntIn(-MaxCoordinate, MaxCoordinate);
    area.right = input.IntIn(-MaxCoordinate, MaxCoordinate);
    area.bottom = input.IntIn(-MaxCoordinate, MaxCoordinate);
    // One statement each: the order in which the input is read must not depend on the compiler.
    const int32_t guestWidth = input.Int32();
    const int32_t guestHeight = input.Int32();
    const int32_t smallMode = input.Int32();
    const int32_t largeMode = input.Int32();
    PaintRect dest;
    CheckPlacement(area, guestWidth, guestHeight, smallMode, largeMode, dest);

    const int32_t lo = input.Int32();
    const int32_t hi = input.Int32();
    const int32_t size = input.Int32();
    const int32_t v = input.Int32();
    int32_t last = size > 0 ? input.IntIn(0, size - 1) : 0;
    CheckAxis(v, lo, hi, size, last);
}

// The Keyboard menu's sticky groups, with whatever the guest reported for each key.
void CheckModifierToggle(FuzzInput& input) {
    for (ModifierKey& key : modifierKeys) {
        const uint8_t b = input.Byte();
        key.pressed = (b & 3) == 0 ? 0 : (b & 3) == 1 ? 1 : input.Int32();
    }
    const uint8_t choice = input.Byte();
    const int32_t command = (choice & 1) ? input.Int32() : modifierGroupCommands[(choice >> 1) % ModifierGroupCount];

    KeyStroke strokes[2];
    const size_t count = ModifierToggleStrokes(command, strokes);
    size_t inGroup = 0, pressed = 0;
    const ModifierKey* left = nullptr;
    for (const ModifierKey& key : modifierKeys) {
        if (key.commandId != command) continue;
        if (!left) left = &key;
        ++inGroup;
        if (key.pressed != 0) ++pressed;
    }
    FUZZ_CHECK(GroupPressed(command) == (pressed > 0));
    if (inGroup == 0) {
        FUZZ_CHECK(count == 0);
    } else if (pressed > 0) {
        // The release of every key the guest holds down, in table order.
        FUZZ_CHECK(count == pressed);
        size_t next = 0;
        for (const ModifierKey& key : modifierKeys) {
            if (key.commandId != command || key.pressed == 0) continue;
            FUZZ_CHECK(strokes[next].keyCode == key.keyCode && strokes[next].press == 0);
            ++next;
        }
    } else {
        FUZZ_CHECK(count == 1 && strokes[0].keyCode == left->keyCode && strokes[0].press == 1);
    }
    for (ModifierKey& key : modifierKeys) key.pressed = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    CheckWindow(input);
    CheckDib(input);
    CheckAnyValues(input);
    CheckModifierToggle(input);
    return 0;
}
