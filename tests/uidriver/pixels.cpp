// Reading back what a window shows.
#include "uidriver.h"

#include <cstring>

namespace uidriver {

bool CaptureClient(HWND window, Pixels& pixels) {
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client)) return false;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC windowDc = GetDC(window);
    if (!windowDc) return false;
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memoryDc && bitmap) {
        HGDIOBJ old = SelectObject(memoryDc, bitmap);
        copied = BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY | CAPTUREBLT) != FALSE;
        GdiFlush();
        SelectObject(memoryDc, old);
    }
    if (copied) {
        pixels.width = width;
        pixels.height = height;
        pixels.data.resize(static_cast<size_t>(width) * height);
        std::memcpy(pixels.data.data(), bits, pixels.data.size() * sizeof(uint32_t));
        for (uint32_t& p : pixels.data) p &= 0x00FFFFFF;
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return copied;
}

}  // namespace uidriver
