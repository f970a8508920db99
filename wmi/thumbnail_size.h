#pragma once
#include <cstdint>

// Size arithmetic of a screen-image request: no platform headers, so it can be tested natively.

// The GetSummaryInformation request code for the preset sizes 80x60 (5), 160x120 (6) and
// 320x240 (7); 0 for every other size, which goes to GetVirtualSystemThumbnailImage.
int32_t SummaryRequestFor(int32_t width, int32_t height);

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The size asked of GetVirtualSystemThumbnailImage: the requested size clamped to the guest's
// screen (or the guest's whole screen when either side is 0), times `scale`, truncated toward
// zero. A product outside the int32 range (or not a number) is taken as 0.
ImageSize ThumbnailRequestSize(int32_t width, int32_t height, float scale, int32_t guestWidth,
                               int32_t guestHeight);

// The bytes of a width x height image as the host sends it (two a pixel, rows tightly packed), or
// 0 when either side is not positive or the count is no uint32.
uint32_t ImageBytes(int32_t width, int32_t height);
