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

bool SaveBmp(const Pixels& pixels, const std::wstring& path) {
    if (pixels.width <= 0 || pixels.height <= 0) return false;
    const size_t rowBytes = (static_cast<size_t>(pixels.width) * 3 + 3) & ~size_t{3};
    const size_t imageBytes = rowBytes * pixels.height;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
    header.biSize = sizeof(header);
    header.biWidth = pixels.width;
    header.biHeight = pixels.height;  // bottom row first
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(imageBytes);

    std::vector<unsigned char> image(imageBytes, 0);
    for (int y = 0; y < pixels.height; ++y) {
        unsigned char* row = image.data() + rowBytes * (pixels.height - 1 - y);
        for (int x = 0; x < pixels.width; ++x) {
            uint32_t p = pixels.At(x, y);
            row[x * 3 + 0] = static_cast<unsigned char>(p);
            row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(p >> 16);
        }
    }

    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) && written == sizeof(file) &&
              WriteFile(out, &header, sizeof(header), &written, nullptr) && written == sizeof(header) &&
              WriteFile(out, image.data(), static_cast<DWORD>(image.size()), &written, nullptr) &&
              written == image.size();
    CloseHandle(out);
    return ok;
}

}  // namespace uidriver
