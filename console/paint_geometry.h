#pragma once
#include <cstdint>

// Where and how the console window paints the guest's screen, kept free of the window system so
// it can be checked on its own. Geometry is signed 32-bit integer arithmetic with divisions
// truncating toward zero.

// A rectangle in client coordinates (left, top, right, bottom), laid out like a RECT.
struct PaintRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The client rectangle inset by the white frame on every side. Nothing is clamped: a frame wider
// than half the client gives an area whose right edge lies left of its left edge.
PaintRect FrameArea(const PaintRect& client, int32_t whiteFrame);

// Places the guest screen (guestWidth x guestHeight) inside `area` for the display settings' fit
// modes and writes the destination into `dest`. False, with `dest` untouched, when the guest size
// is not positive: there is nothing to scale by, so no image can be shown.
bool PlaceImage(const PaintRect& area, int32_t guestWidth, int32_t guestHeight,
                int32_t smallThumbnail, int32_t largeThumbnail, PaintRect& dest);

// How the bytes of a fetched 16-bit image reach StretchDIBits. The host sends rows of exactly
// width x 2 bytes, while a device-independent bitmap expects every row padded to 4 bytes, so an
// odd width needs its rows copied to the padded stride first.
struct DibLayout {
    bool usable = false;      // false: the bytes cannot be shown (empty, bad size, or too short)
    bool repack = false;      // true: copy the rows to `stride` before painting
    uint32_t rowBytes = 0;    // bytes per row as sent by the host
    uint32_t stride = 0;      // bytes per row of the bitmap as painted
    uint32_t imageBytes = 0;  // stride x height: what the painted bitmap occupies
};

// Decides from the image's byte count and declared size. Never reads beyond `byteCount`: data
// shorter than width x height x 2 bytes is not usable.
DibLayout PlanDib(int32_t byteCount, int32_t width, int32_t height);

// Copies `rows` rows of `layout.rowBytes` bytes from the tightly packed `source` into `target`
// at `layout.stride`, zeroing the padding. `target` holds at least `layout.imageBytes` bytes.
void RepackRows(const uint8_t* source, uint8_t* target, const DibLayout& layout, int32_t rows);
