#include "wmi/guest_image.h"
#include "wmi/wmi_arrays.h"

void GuestImage::Load(const VARIANT& imageData, int32_t width, int32_t height) {
    uint32_t length = 0;
    // The pixels of the declared size, with or without an octet string's length in front; a reply
    // longer than that is refused.
    if (!CopyImageBytes(imageData, width, height, pixels, length)) {
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
    // The masks follow the header as BI_BITFIELDS asks; they are no colour table, and a count
    // here would make GDI read that many entries past them.
    header.biClrUsed = 0;
    header.biClrImportant = 0;

    bitmapInfo.header = header;
    bitmapInfo.masks[0] = 0xF800;  // red
    bitmapInfo.masks[1] = 0x07E0;  // green
    bitmapInfo.masks[2] = 0x001F;  // blue
}
