#pragma once
#include "wmi/byte_buffer.h"

#include <windows.h>

#include <cstdint>

// A 16-bit RGB 5-6-5 bitmap: the header followed by the three colour masks.
struct BitmapInfo565 {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

// The last screen image fetched from the host. `pixels` holds the bytes exactly as the host sent
// them, first row at the top of the guest screen; `header` declares a positive height, so
// whoever paints it must flip it (negative destination height).
struct GuestImage {
    int32_t byteCount = 0;  // 0 = no image
    ByteBuffer pixels;
    BITMAPINFOHEADER header{};
    BitmapInfo565 bitmapInfo{};

    // Takes the host's reply: a one-dimensional byte array becomes the picture, declared as
    // width x height (without the length prefix an octet string of that size may carry);
    // anything else (no data, another type, an array of another shape, more bytes than the
    // picture and its prefix) leaves no picture
    // (byteCount 0) but keeps buffer and header.
    void Load(const VARIANT& imageData, int32_t width, int32_t height);
};
