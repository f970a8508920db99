#pragma once
#include <cstdint>

// How an image smaller than the drawing area (in both directions) is shown.
enum SmallThumbnailMode : int32_t { FrameSpace = 1, EnlargeZoom = 2 };
// How an image is shown in every other case.
enum LargeThumbnailMode : int32_t { UseScrollbar = 1, SmallScale = 2 };

// What the settings dialog accepts for the two integer boxes (inclusive).
inline constexpr int32_t IntervalMin = 100;
inline constexpr int32_t IntervalMax = 60000;
inline constexpr int32_t WhiteFrameMin = 0;
inline constexpr int32_t WhiteFrameMax = 1000;

// The size the host is asked to render the guest screen at. Fixed size when width and height are
// both non-zero; otherwise scale mode (the guest's resolution times scale).
struct CaptureSize {
    float scale = 1.0f;
    int32_t width = 320;
    int32_t height = 240;
};

// The console's display settings. Defaults at every start; never stored.
struct DisplaySetting {
    int32_t interval = 1000;                 // refresh period, ms (100 to 60000)
    int32_t smallThumbnail = FrameSpace;
    int32_t largeThumbnail = SmallScale;
    int32_t whiteFrame = 15;                 // margin on each side of the client area, px (0 to 1000)
    float scale = 1.0f;                      // the CaptureSize fields, in record order
    int32_t width = 320;
    int32_t height = 240;

    CaptureSize Capture() const { return CaptureSize{scale, width, height}; }
    void SetCapture(const CaptureSize& size) {
        scale = size.scale;
        width = size.width;
        height = size.height;
    }
};
