#include "console/paint_geometry.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// The fit modes as stored in the display settings.
constexpr int32_t ModeOne = 1;  // FrameSpace when the image is small, UseScrollbar otherwise
constexpr int32_t ModeTwo = 2;  // EnlargeZoom when the image is small, SmallScale otherwise

// value x percent / 100 in 64 bits. The percentage is first limited to the 32-bit range (an
// inverted or absurdly large area can exceed it), so the product cannot overflow; the result is
// limited to the 32-bit range as well. Real window sizes stay far inside both limits.
int32_t ScaleBy(int32_t value, int64_t percent) {
    constexpr int64_t Low = std::numeric_limits<int32_t>::min();
    constexpr int64_t High = std::numeric_limits<int32_t>::max();
    const int64_t scaled = static_cast<int64_t>(value) * std::clamp(percent, Low, High) / 100;
    return static_cast<int32_t>(std::clamp(scaled, Low, High));
}
}  // namespace

PaintRect FrameArea(const PaintRect& client, int32_t whiteFrame) {
    return PaintRect{client.left + whiteFrame, client.top + whiteFrame, client.right - whiteFrame,
                     client.bottom - whiteFrame};
}

bool PlaceImage(const PaintRect& area, int32_t guestWidth, int32_t guestHeight,
                int32_t smallThumbnail, int32_t largeThumbnail, PaintRect& dest) {
    if (guestWidth <= 0 || guestHeight <= 0) return false;

    const int32_t availW = area.right - area.left;
    const int32_t availH = area.bottom - area.top;
    const int64_t pct = std::min(static_cast<int64_t>(availW) * 100 / guestWidth,
                                 static_cast<int64_t>(availH) * 100 / guestHeight);
    const int32_t cx = (area.left + area.right) / 2;
    const int32_t cy = (area.top + area.bottom) / 2;
    const bool small = pct > 100;  // the area is larger than the guest screen both ways
    const int32_t mode = small ? smallThumbnail : largeThumbnail;

    dest = area;
    if (small && mode == ModeOne) {
        dest.left = cx - guestWidth / 2;
        dest.right = dest.left + guestWidth;
        dest.top = cy - guestHeight / 2;
        dest.bottom = dest.top + guestHeight;
    } else if (mode == ModeTwo) {
        const int32_t w = ScaleBy(guestWidth, pct);
        const int32_t h = ScaleBy(guestHeight, pct);
        if (availW > w) {
            dest.left = cx - w / 2;
            dest.right = dest.left + w;
        }
        if (availH > h) {
            dest.top = cy - h / 2;
            dest.bottom = dest.top + h;
        }
    }
    // Otherwise (UseScrollbar, or a mode value outside 1 and 2) the image is stretched over the
    // whole area.
    return true;
}

DibLayout PlanDib(int32_t byteCount, int32_t width, int32_t height) {
    DibLayout layout;
    if (byteCount <= 0 || width <= 0 || height <= 0) return layout;

    const uint64_t rowBytes = static_cast<uint64_t>(width) * 2;
    const uint64_t stride = (rowBytes + 3) & ~static_cast<uint64_t>(3);
    const uint64_t imageBytes = stride * static_cast<uint64_t>(height);
    if (rowBytes * static_cast<uint64_t>(height) > static_cast<uint64_t>(byteCount)) return layout;
    if (imageBytes > std::numeric_limits<uint32_t>::max()) return layout;

    layout.usable = true;
    layout.repack = stride != rowBytes;
    layout.rowBytes = static_cast<uint32_t>(rowBytes);
    layout.stride = static_cast<uint32_t>(stride);
    layout.imageBytes = static_cast<uint32_t>(imageBytes);
    return layout;
}

void RepackRows(const uint8_t* source, uint8_t* target, const DibLayout& layout, int32_t rows) {
    const uint32_t padding = layout.stride - layout.rowBytes;
    for (int32_t row = 0; row < rows; ++row) {
        std::memcpy(target, source, layout.rowBytes);
        std::memset(target + layout.rowBytes, 0, padding);
        source += layout.rowBytes;
        target += layout.stride;
    }
}
