// The console window's arithmetic on sizes it does not control (the guest's resolution and the
// image bytes come from the host, the pointer position from the window system), followed the way
// the window uses it: client area, white frame, placement, pointer positions mapped onto the
// guest in both mouse modes, then the bitmap layout, the row copy and Copy Screen's bitmap.
//
// Input: a stream of values; a selector byte before many of them picks between the range the
// program meets in practice and any 32-bit value.

#include "console/capture_bitmap.h"
#include "console/paint_geometry.h"
#include "console/pointer_mapping.h"
#include "dialogs/display_setting.h"

#include "fuzz_input.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t MaxClient = 1 << 20;       // a client area far larger than any screen
constexpr int32_t MaxCopiedBytes = 1 << 16;  // images small enough to copy in every run

int32_t Pick(FuzzInput& input, int32_t lo, int32_t hi) {
    return (input.Byte() & 1) ? input.Int32() : input.IntIn(lo, hi);
}

bool Inside(const PaintRect& inner, const PaintRect& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom && inner.left <= inner.right && inner.top <= inner.bottom;
}

// One axis of the pointer: the clamp that holds the local pointer on the image, and the absolute
// and relative mappings. `last` is the guest position the relative mode left.
void CheckAxis(int32_t v, int32_t lo, int32_t hi, int32_t size, int32_t& last) {
    if (!AxisUsable(lo, hi, size)) return;  // the window maps nothing then
    const int32_t held = ClampAxis(v, lo, hi);
    FUZZ_CHECK(held >= lo && held <= hi && (held == v) == (v >= lo && v <= hi));
    const int32_t absolute = AbsoluteAxis(v, lo, hi, size);
    FUZZ_CHECK(absolute >= 0 && absolute <= size - 1);
    FUZZ_CHECK((v >= lo || absolute == 0) && (v <= hi || absolute == size - 1));
    FUZZ_CHECK(v == INT32_MAX || AbsoluteAxis(v + 1, lo, hi, size) >= absolute);  // monotonic
    const RelativeAxis move = RelativeMove(v, lo, hi, size, last);
    if (v < lo) FUZZ_CHECK(move.delta == -(size / 10) && move.last == 0);
    else if (v > hi) FUZZ_CHECK(move.delta == size / 10 && move.last == size - 1);
    else FUZZ_CHECK(move.last == absolute && move.delta == absolute - last);
    last = move.last;
}

// A paint followed by mouse moves over the window.
void CheckWindow(FuzzInput& input) {
    const PaintRect client{0, 0, input.IntIn(0, MaxClient), input.IntIn(0, MaxClient)};
    const int32_t frame = input.IntIn(WhiteFrameMin, WhiteFrameMax);
    const int32_t guestWidth = Pick(input, 1, 8192);
    const int32_t guestHeight = Pick(input, 1, 8192);
    const int32_t smallMode = Pick(input, 1, 2);
    const int32_t largeMode = Pick(input, 1, 2);

    const PaintRect area = FrameArea(client, frame);
    PaintRect image{-1, -2, -3, -4};
    const bool placed = PlaceImage(area, guestWidth, guestHeight, smallMode, largeMode, image);
    FUZZ_CHECK(placed == (guestWidth > 0 && guestHeight > 0));
    if (!placed) {
        FUZZ_CHECK(image.left == -1 && image.top == -2 && image.right == -3 && image.bottom == -4);
        return;
    }
    // An area with room always holds the image; smaller both ways, FrameSpace shows it at its size.
    const int64_t availW = int64_t(area.right) - area.left, availH = int64_t(area.bottom) - area.top;
    if (availW >= 0 && availH >= 0) FUZZ_CHECK(Inside(image, area));
    if (smallMode == FrameSpace && availW * 100 / guestWidth > 100 && availH * 100 / guestHeight > 100)
        FUZZ_CHECK(image.right - image.left == guestWidth && image.bottom - image.top == guestHeight);

    int32_t lastX = 0, lastY = 0;
    for (int moves = input.Byte() % 32; moves > 0; --moves) {
        // A mouse message carries each coordinate as a signed 16-bit value.
        CheckAxis(static_cast<int16_t>(input.Uint16()), image.left, image.right, guestWidth, lastX);
        CheckAxis(static_cast<int16_t>(input.Uint16()), image.top, image.bottom, guestHeight, lastY);
    }
}

// The bitmap is usable exactly when the bytes cover width x height x 2 and the padded image fits
// 32 bits; the row copy reads only the bytes sent and zeroes the padding.
void CheckDib(FuzzInput& input) {
    const int32_t byteCount = Pick(input, 0, MaxCopiedBytes);
    const int32_t width = Pick(input, 0, 4096);
    const int32_t height = Pick(input, 0, 4096);
    const DibLayout layout = PlanDib(byteCount, width, height);
    const bool positive = byteCount > 0 && width > 0 && height > 0;
    const uint64_t rowBytes = positive ? uint64_t(width) * 2 : 0, stride = (rowBytes + 3) / 4 * 4;
    FUZZ_CHECK(layout.usable == (positive && rowBytes * uint64_t(height) <= uint64_t(byteCount) &&
                                 stride * uint64_t(height) <= UINT32_MAX));
    if (!layout.usable) return;
    FUZZ_CHECK(layout.rowBytes == rowBytes && layout.stride == stride && layout.repack == (width % 2 != 0));
    FUZZ_CHECK(layout.imageBytes == stride * uint64_t(height));
    if (byteCount > MaxCopiedBytes) return;

    // Exactly the bytes the host sent, so that a read past them is caught.
    std::vector<uint8_t> source(static_cast<size_t>(byteCount));
    const uint8_t seed = input.Byte();
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 31 + seed);
    std::vector<uint8_t> target(layout.imageBytes, 0xAA);
    RepackRows(source.data(), target.data(), layout, height);
    const uint8_t zeros[4] = {};
    for (size_t row = 0; row < size_t(height); ++row) {
        const uint8_t* to = target.data() + row * layout.stride;
        FUZZ_CHECK(std::memcmp(to, source.data() + row * layout.rowBytes, layout.rowBytes) == 0);
        FUZZ_CHECK(std::memcmp(to + layout.rowBytes, zeros, layout.stride - layout.rowBytes) == 0);
    }

    // Copy Screen's bitmap of the same bytes: 24 bits a pixel, bottom row first, every channel
    // keeping its value in its top bits; written within its size.
    const CaptureLayout capture = PlanCapture(byteCount, width, height);
    const uint64_t captureStride = (uint64_t(width) * 3 + 3) / 4 * 4;
    FUZZ_CHECK(capture.usable == (CaptureHeaderBytes + captureStride * uint64_t(height) <= INT32_MAX));
    if (!capture.usable) return;
    FUZZ_CHECK(capture.stride == captureStride && capture.totalBytes == CaptureHeaderBytes + captureStride * height);
    std::vector<uint8_t> bitmap(capture.totalBytes);
    WriteCapture(source.data(), width, height, capture, bitmap.data());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* in = source.data() + (size_t(y) * width + x) * 2;
            const uint32_t word = in[0] | in[1] << 8;
            const uint8_t* out = bitmap.data() + CaptureHeaderBytes + size_t(height - 1 - y) * capture.stride + 3 * x;
            FUZZ_CHECK(out[0] >> 3 == (word & 0x1F) && out[1] >> 2 == ((word >> 5) & 0x3F) && out[2] >> 3 == word >> 11);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    CheckWindow(input);
    CheckDib(input);
    return 0;
}
