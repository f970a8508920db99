#include "wmi/guest_image.h"
#include "wmi/thumbnail_size.h"
#include "wmi/wmi_arrays.h"

void GuestImage::Load(const VARIANT& imageData, int32_t width, int32_t height) {
    uint32_t length = 0;
    // The pixels of the declared size, with or without an octet string's length in front.
    if (!CopyByteArray(imageData, ImageBytes(width, height), pixels, length)) {
        byteCount = 0;
        return;
    }
    byteCount = static_cast<int32_t>(length);

    header = BITMAPINFOHEADER{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 16;
    header.biCompression = BI_BITFIELDS;
    header.biSizeImage = length;
    header.biXPelsPerMeter = 96;
    header.biYPelsPerMeter = 96;
    header.biClrUsed = 3;
    header.biClrImportant = 0;

    bitmapInfo.header = header;
    bitmapInfo.masks[0] = 0xF800;  // red
    bitmapInfo.masks[1] = 0x07E0;  // green
    bitmapInfo.masks[2] = 0x001F;  // blue
}
