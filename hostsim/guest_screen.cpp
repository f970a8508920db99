#include "hostsim/guest_screen.h"

#include <algorithm>

namespace hostsim {
namespace {

// GDI colours for the 16-bit surface.
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kYellow = RGB(255, 224, 0);
constexpr COLORREF kGrey = RGB(150, 150, 150);
constexpr COLORREF kTextArea = RGB(16, 16, 24);

COLORREF Background(uint32_t seed) {
    // Dark, saturated colours keep the white text readable.
    static const COLORREF palette[] = {RGB(0, 64, 128),  RGB(96, 32, 96), RGB(0, 96, 72), RGB(128, 64, 0),
                                       RGB(72, 72, 120), RGB(120, 24, 40), RGB(24, 88, 24), RGB(64, 64, 64)};
    return palette[seed % (sizeof(palette) / sizeof(palette[0]))];
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

HFONT MakeFont(int height, bool bold) {
    return CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

}  // namespace

GuestScreen::~GuestScreen() { Release(); }

void GuestScreen::Release() {
    if (dc_) {
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    if (titleFont_) DeleteObject(titleFont_);
    if (textFont_) DeleteObject(textFont_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    titleFont_ = textFont_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = stride_ = 0;
    drawn_ = false;
}

bool GuestScreen::Allocate(int width, int height) {
    Release();
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down: row 0 is the top of the screen
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = dc_ ? CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0)
                  : nullptr;
    if (!bitmap_ || !bits) {
        Release();
        return false;
    }
    oldBitmap_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint8_t*>(bits);
    width_ = width;
    height_ = height;
    stride_ = (width * 2 + 3) & ~3;
    titleFont_ = MakeFont(std::max(8, height / 14), true);
    textFont_ = MakeFont(std::max(7, height / 34), false);
    SetBkMode(dc_, TRANSPARENT);
    return true;
}

bool GuestScreen::Freeze(const GuestScreen& live) {
    if (!live.bits_ || !Allocate(live.width_, live.height_)) return false;
    std::copy(live.bits_, live.bits_ + static_cast<size_t>(stride_) * height_, bits_);
    drawn_ = frozen_ = true;
    return true;
}

bool GuestScreen::Render(const ScreenContent& c) {
    if (frozen_) return true;
    if (c.width <= 0 || c.height <= 0) return false;
    if (c.width != width_ || c.height != height_) {
        if (!Allocate(c.width, c.height)) return false;
        drawn_ = false;  // a boot stage of another size may keep the version
    }
    int s = PointerSize();
    RECT pointerArea{c.pointerX - 2, c.pointerY - 2, c.pointerX + s + 4, c.pointerY + 2 * s + 4};
    RECT overlap{};
    bool pointerOnCounter = c.showPointer && IntersectRect(&overlap, &pointerArea, &counterRect_);
    if (!drawn_ || c.version != drawnVersion_ || pointerOnCounter) {
        DrawAll(c);
        drawn_ = true;
        drawnVersion_ = c.version;
    } else {
        DrawFrameCounter(c);
    }
    GdiFlush();
    return true;
}

void GuestScreen::DrawAll(const ScreenContent& c) {
    RECT all{0, 0, width_, height_};
    Fill(dc_, all, Background(c.seed));

    // Coloured corners show which way up and round an image is.
    int m = std::max(2, std::min(width_, height_) / 24);
    Fill(dc_, RECT{0, 0, m, m}, RGB(255, 0, 0));
    Fill(dc_, RECT{width_ - m, 0, width_, m}, RGB(0, 255, 0));
    Fill(dc_, RECT{0, height_ - m, m, height_}, RGB(0, 0, 255));
    Fill(dc_, RECT{width_ - m, height_ - m, width_, height_}, kWhite);

    SetTextColor(dc_, kWhite);
    SelectObject(dc_, titleFont_);
    RECT title{2 * m, 2 * m, width_ - 2 * m, height_};
    DrawTextW(dc_, c.title.c_str(), static_cast<int>(c.title.size()), &title,
              DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    title.right = std::min<LONG>(title.right, width_ - 2 * m);
    DrawTextW(dc_, c.title.c_str(), static_cast<int>(c.title.size()), &title, DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS);

    SelectObject(dc_, textFont_);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    int line = tm.tmHeight + tm.tmExternalLeading;
    int y = title.bottom + line / 2;
    for (const auto& detail : c.details) {
        RECT r{2 * m, y, width_ - 2 * m, y + line};
        DrawTextW(dc_, detail.c_str(), static_cast<int>(detail.size()), &r, DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS);
        y += line;
    }

    int indicatorsTop = height_ - 2 * m - line - line / 2;
    RECT area{2 * m, std::max(y + line / 2, height_ * 3 / 8), width_ - 2 * m, indicatorsTop - line / 2};
    if (area.bottom > area.top) DrawTextArea(c, area);
    DrawIndicators(c, indicatorsTop);
    DrawFrameCounter(c);
    if (c.showPointer) DrawPointer(c.pointerX, c.pointerY);
}

void GuestScreen::DrawFrameCounter(const ScreenContent& c) {
    SelectObject(dc_, textFont_);
    wchar_t text[32];
    swprintf(text, 32, L"Frame %u", c.frame);
    SIZE size{};
    GetTextExtentPoint32W(dc_, L"Frame 00000000", 14, &size);
    int m = std::max(2, std::min(width_, height_) / 24);
    counterRect_ = RECT{width_ - 2 * m - size.cx - 8, 2 * m, width_ - 2 * m, 2 * m + size.cy + 4};
    Fill(dc_, counterRect_, kBlack);
    SetTextColor(dc_, kYellow);
    RECT inner = counterRect_;
    DrawTextW(dc_, text, -1, &inner, DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void GuestScreen::DrawTextArea(const ScreenContent& c, RECT area) {
    Fill(dc_, area, kTextArea);
    SetDCBrushColor(dc_, kGrey);
    FrameRect(dc_, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    RECT inner{area.left + 4, area.top + 2, area.right - 4, area.bottom - 2};
    SetTextColor(dc_, kWhite);
    SelectObject(dc_, textFont_);
    // Show the end of the text: drop whole lines from the front until the rest fits.
    std::wstring text = c.typed + L"_";
    const UINT format = DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS;
    for (int tries = 0; tries < 200; ++tries) {
        RECT measure{inner.left, 0, inner.right, 0};
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &measure, format | DT_CALCRECT);
        if (measure.bottom <= inner.bottom - inner.top) break;
        size_t cut = text.find(L'\n');
        size_t drop = cut == std::wstring::npos ? std::max<size_t>(1, text.size() / 8) : cut + 1;
        text.erase(0, std::min(drop, text.size() - 1));
    }
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &inner, format);
}

void GuestScreen::DrawIndicators(const ScreenContent& c, int top) {
    SelectObject(dc_, textFont_);
    int m = std::max(2, std::min(width_, height_) / 24);
    int x = 2 * m;
    for (const auto& [label, down] : c.indicators) {
        SIZE size{};
        GetTextExtentPoint32W(dc_, label.c_str(), static_cast<int>(label.size()), &size);
        RECT box{x, top, x + size.cx + 10, top + size.cy + 4};
        if (down) {
            Fill(dc_, box, kYellow);
            SetTextColor(dc_, kBlack);
        } else {
            SetDCBrushColor(dc_, kGrey);
            FrameRect(dc_, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
            SetTextColor(dc_, kGrey);
        }
        DrawTextW(dc_, label.c_str(), static_cast<int>(label.size()), &box,
                  DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        x = box.right + 6;
    }
}

void GuestScreen::DrawPointer(int x, int y) {
    int s = PointerSize();
    POINT arrow[] = {{x, y}, {x, y + s * 3 / 2}, {x + s * 2 / 5, y + s * 11 / 10}, {x + s * 3 / 4, y + s * 7 / 4},
                     {x + s, y + s * 3 / 2}, {x + s * 3 / 5, y + s}, {x + s, y + s}};
    SetDCBrushColor(dc_, kYellow);
    SetDCPenColor(dc_, kBlack);
    HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(DC_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(DC_PEN));
    Polygon(dc_, arrow, static_cast<int>(sizeof(arrow) / sizeof(arrow[0])));
    SelectObject(dc_, oldBrush);
    SelectObject(dc_, oldPen);
}

void GuestScreen::Scale(int width, int height, uint8_t* out) const {
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)] = static_cast<int>(static_cast<int64_t>(x) * width_ / width);
    for (int y = 0; y < height; ++y) {
        const uint16_t* src = Row(static_cast<int>(static_cast<int64_t>(y) * height_ / height));
        for (int x = 0; x < width; ++x) {
            uint16_t pixel = src[columns[static_cast<size_t>(x)]];
            *out++ = static_cast<uint8_t>(pixel & 0xFF);
            *out++ = static_cast<uint8_t>(pixel >> 8);
        }
    }
}

std::vector<uint16_t> GuestScreen::Pixels() const {
    std::vector<uint16_t> pixels(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y)
        std::copy(Row(y), Row(y) + width_, pixels.begin() + static_cast<ptrdiff_t>(y) * width_);
    return pixels;
}

}  // namespace hostsim
