#include "wmi/thumbnail_size.h"

#include <algorithm>
#include <cmath>

namespace {
int32_t Scaled(int32_t side, float scale) {
    // In single precision, as the scale is kept: 1000 x 0.7f gives 700, not 699.
    float product = static_cast<float>(side) * scale;
    // Converting an out-of-range float to int is undefined; no sane scale gets there.
    if (!(std::fabs(product) < 2147483648.0f)) return 0;
    return static_cast<int32_t>(product);  // truncates toward zero
}
}  // namespace

int32_t SummaryRequestFor(int32_t width, int32_t height) {
    if (width == 80 && height == 60) return 5;
    if (width == 160 && height == 120) return 6;
    if (width == 320 && height == 240) return 7;
    return 0;
}

ImageSize ThumbnailRequestSize(int32_t width, int32_t height, float scale, int32_t guestWidth,
                               int32_t guestHeight) {
    if (width != 0 && height != 0) {
        width = std::min(width, guestWidth);
        height = std::min(height, guestHeight);
    } else {
        width = guestWidth;
        height = guestHeight;
    }
    return ImageSize{Scaled(width, scale), Scaled(height, scale)};
}

uint32_t ImageBytes(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 2;
    return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}
