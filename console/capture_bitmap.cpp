#include "console/capture_bitmap.h"
#include "console/paint_geometry.h"

#include <cstring>

namespace {
constexpr uint64_t MaxCaptureBytes = 0x7FFFFFFF;  // what a global memory block and a DIB can hold

void PutLittleEndian(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Widens a channel by repeating its top bits in the new low bits: 0 stays 0, the maximum
// becomes 255, and the steps in between stay even.
uint8_t Widen(uint32_t value, int bits) {
    return static_cast<uint8_t>((value << (8 - bits)) | (value >> (2 * bits - 8)));
}
}  // namespace

CaptureLayout PlanCapture(int32_t byteCount, int32_t width, int32_t height) {
    CaptureLayout layout;
    if (!PlanDib(byteCount, width, height).usable) return layout;
    const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~static_cast<uint64_t>(3);
    const uint64_t total = CaptureHeaderBytes + stride * static_cast<uint64_t>(height);
    if (total > MaxCaptureBytes) return layout;
    layout.usable = true;
    layout.stride = static_cast<uint32_t>(stride);
    layout.totalBytes = static_cast<uint32_t>(total);
    return layout;
}

void WriteCapture(const uint8_t* pixels, int32_t width, int32_t height, const CaptureLayout& layout,
                  uint8_t* target) {
    // BITMAPINFOHEADER: size, width, height (positive: bottom-up), planes, bits, BI_RGB, image
    // size; resolution and colour counts stay 0.
    std::memset(target, 0, CaptureHeaderBytes);
    PutLittleEndian(target, CaptureHeaderBytes, 4);
    PutLittleEndian(target + 4, static_cast<uint32_t>(width), 4);
    PutLittleEndian(target + 8, static_cast<uint32_t>(height), 4);
    PutLittleEndian(target + 12, 1, 2);
    PutLittleEndian(target + 14, 24, 2);
    PutLittleEndian(target + 20, layout.totalBytes - CaptureHeaderBytes, 4);

    uint8_t* rows = target + CaptureHeaderBytes;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* source = pixels + static_cast<size_t>(y) * width * 2;
        uint8_t* row = rows + static_cast<size_t>(height - 1 - y) * layout.stride;
        std::memset(row, 0, layout.stride);
        for (int32_t x = 0; x < width; ++x, source += 2) {
            const uint32_t word = source[0] | (source[1] << 8);
            row[3 * x] = Widen(word & 0x1F, 5);
            row[3 * x + 1] = Widen((word >> 5) & 0x3F, 6);
            row[3 * x + 2] = Widen(word >> 11, 5);
        }
    }
}
