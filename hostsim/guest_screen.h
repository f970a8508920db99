#pragma once
// A guest's screen: a 16-bit RGB 5-6-5 framebuffer drawn with GDI from the guest's state, and the
// thumbnails a host makes of it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

// What the screen shows. `version` changes whenever anything but the frame number changes.
struct ScreenContent {
    int width = 0, height = 0;
    std::wstring title;                 // the machine's display name
    std::vector<std::wstring> details;  // small lines under the title
    std::wstring typed;                 // the text area
    int pointerX = 0, pointerY = 0;
    bool showPointer = true;
    std::vector<std::pair<std::wstring, bool>> indicators;  // buttons and modifier keys: label, down
    unsigned frame = 0;
    unsigned version = 0;
    uint32_t seed = 0;                  // picks the background colour
};

class GuestScreen {
public:
    GuestScreen() = default;
    ~GuestScreen();
    GuestScreen(const GuestScreen&) = delete;
    GuestScreen& operator=(const GuestScreen&) = delete;

    // Brings the framebuffer up to date: a full redraw after a state change, otherwise only the frame
    // counter. Returns false when no framebuffer could be made.
    bool Render(const ScreenContent& content);
    // Becomes a copy of `live` as it is now, which Render no longer changes (a checkpoint's screen).
    bool Freeze(const GuestScreen& live);
    int width() const { return width_; }
    int height() const { return height_; }
    // Writes a width x height image scaled from the framebuffer as tightly packed little-endian RGB
    // 5-6-5 rows, first row at the top, reading each source pixel it samples once.
    void Scale(int width, int height, uint8_t* out) const;
    std::vector<uint16_t> Pixels() const;  // the framebuffer, row after row

private:
    bool Allocate(int width, int height);
    void Release();
    void DrawAll(const ScreenContent& c);
    void DrawFrameCounter(const ScreenContent& c);
    void DrawTextArea(const ScreenContent& c, RECT area);
    void DrawIndicators(const ScreenContent& c, int top);
    void DrawPointer(int x, int y);
    int PointerSize() const { return height_ / 28 > 6 ? height_ / 28 : 6; }
    const uint16_t* Row(int y) const {
        return reinterpret_cast<const uint16_t*>(bits_ + static_cast<size_t>(y) * stride_);
    }

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HFONT titleFont_ = nullptr, textFont_ = nullptr;
    uint8_t* bits_ = nullptr;
    int width_ = 0, height_ = 0, stride_ = 0;
    unsigned drawnVersion_ = 0;
    bool drawn_ = false;
    bool frozen_ = false;
    RECT counterRect_{};
};

}  // namespace hostsim
