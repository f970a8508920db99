#pragma once
#include <cstdint>

// The guest's screen as Copy Screen and Save Screen As hand it on: a packed device-independent
// bitmap of 24 bits per pixel (a BITMAPINFOHEADER, then rows of blue, green and red bytes, each
// row padded to 4 bytes, bottom row first under a positive height): the CF_DIB layout that
// every program which pastes a picture reads. Built from the host's RGB 5-6-5 rows (first row
// at the top); no platform headers, so it is tested natively.

inline constexpr uint32_t CaptureHeaderBytes = 40;

struct CaptureLayout {
    bool usable = false;      // false: the bytes do not cover width x height pixels, or no size
    uint32_t stride = 0;      // bytes per bitmap row
    uint32_t totalBytes = 0;  // header and rows
};

// Decides from the image's byte count and declared size; never reads beyond `byteCount`.
CaptureLayout PlanCapture(int32_t byteCount, int32_t width, int32_t height);

// Writes the header and the rows into `target` (layout.totalBytes bytes), each 5- or 6-bit
// channel widened to 8 bits so that full intensity stays full (0x1F gives 0xFF).
void WriteCapture(const uint8_t* pixels, int32_t width, int32_t height, const CaptureLayout& layout,
                  uint8_t* target);
