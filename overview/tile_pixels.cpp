#include "overview/tile_pixels.h"

void ToTilePixels(const uint8_t* rgb565, int32_t width, int32_t height, bool grey, uint32_t* out) {
    const int64_t count = static_cast<int64_t>(width) * height;
    for (int64_t i = 0; i < count; ++i) {
        const uint32_t word = static_cast<uint32_t>(rgb565[2 * i]) | static_cast<uint32_t>(rgb565[2 * i + 1]) << 8;
        // Each channel widened so that full intensity stays full.
        uint32_t r = (word >> 11 & 0x1F) * 255 / 31, g = (word >> 5 & 0x3F) * 255 / 63, b = (word & 0x1F) * 255 / 31;
        if (grey) {
            // Luminance, lightened: a greyed picture reads as inactive, not as dark.
            const uint32_t y = (r * 299 + g * 587 + b * 114) / 1000;
            r = g = b = 96 + y * 5 / 8;
        }
        out[i] = r << 16 | g << 8 | b;
    }
}
