#include "console/pointer_mapping.h"

bool AxisUsable(int32_t lo, int32_t hi, int32_t size) { return hi > lo && size > 0; }

AxisPoint MapAxis(int32_t v, int32_t lo, int32_t hi, int32_t size) {
    if (v < lo) return {AxisPlace::Before, 0};
    if (v > hi) return {AxisPlace::Beyond, size - 1};
    // Widened so that a large window on a large guest screen cannot overflow; the result is the
    // same as the 32-bit expression wherever that one fits.
    int64_t guest = (static_cast<int64_t>(v) - lo) * size / (static_cast<int64_t>(hi) - lo);
    if (guest > size - 1) guest = size - 1;
    return {AxisPlace::Inside, static_cast<int32_t>(guest)};
}

int32_t AbsoluteAxis(int32_t v, int32_t lo, int32_t hi, int32_t size) {
    return MapAxis(v, lo, hi, size).guest;
}

RelativeAxis RelativeMove(int32_t v, int32_t lo, int32_t hi, int32_t size, int32_t last) {
    AxisPoint point = MapAxis(v, lo, hi, size);
    switch (point.place) {
    case AxisPlace::Before:
        return {-(size / 10), 0};
    case AxisPlace::Beyond:
        return {size / 10, size - 1};
    case AxisPlace::Inside:
        break;
    }
    return {point.guest - last, point.guest};
}

int32_t ClampAxis(int32_t v, int32_t lo, int32_t hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}
