#pragma once
#include <cstdint>

// How a client-area pointer position maps onto the guest screen, one axis at a time. The image
// was drawn from `lo` to `hi` on that axis; the guest screen is `size` pixels along it.

enum class AxisPlace { Before, Inside, Beyond };

struct AxisPoint {
    AxisPlace place;
    int32_t guest;  // the guest coordinate, 0 to size - 1; meaningful only when Inside
};

// False while the image has no area on this axis (not painted yet, or a white frame that leaves
// no room) or the guest screen has no size: nothing can be mapped then.
bool AxisUsable(int32_t lo, int32_t hi, int32_t size);

// (v - lo) * size / (hi - lo), truncated toward zero and capped at size - 1. Needs AxisUsable.
AxisPoint MapAxis(int32_t v, int32_t lo, int32_t hi, int32_t size);

// Absolute mode: a position before the image gives 0, one beyond it size - 1.
int32_t AbsoluteAxis(int32_t v, int32_t lo, int32_t hi, int32_t size);

// Relative mode: the movement to send and the guest position it leaves. Before or beyond the
// image the guest pointer is pushed by a tenth of the screen toward that edge, and the position
// is taken to be the edge itself.
struct RelativeAxis {
    int32_t delta;
    int32_t last;
};
RelativeAxis RelativeMove(int32_t v, int32_t lo, int32_t hi, int32_t size, int32_t last);

// Clamps v into lo..hi, both ends included.
int32_t ClampAxis(int32_t v, int32_t lo, int32_t hi);
