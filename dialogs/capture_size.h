#pragma once
#include "dialogs/display_setting.h"

#include <cstddef>
#include <cstdint>

// Text forms of the capture size and of the settings dialog's integer boxes. No window behind
// them: plain functions over wide text.

// The six texts offered in the capture-size box, in order.
inline constexpr const wchar_t* CaptureSizePresets[6] = {
    L"80x60", L"160x120", L"320x240", L"x0.25", L"x0.5", L"x1.0"};

// Room FormatCaptureSize needs, terminator included.
inline constexpr size_t CaptureSizeTextMax = 64;

// "%dx%d" for a fixed size, "x%3.2f" of the scale otherwise.
void FormatCaptureSize(const CaptureSize& size, wchar_t (&text)[CaptureSizeTextMax]);

// "x<float>" (scale; below 0.1, at or above 4.0, or NaN reads as 0.5), else "<int>x<int>"
// (fixed size, scale 1.0), else scale 0.5 with width and height 0.
CaptureSize ParseCaptureSize(const wchar_t* text);

// True for the three sizes fetched by the host's summary route: 80x60, 160x120, 320x240.
bool IsPresetSummarySize(int32_t width, int32_t height);

// The integer boxes: white space skipped, optional sign, decimal digits up to the first other
// character, no digits = 0. A value beyond 32 bits saturates to INT32_MIN / INT32_MAX, so it
// lands outside every range the dialog accepts.
int32_t ParseIntBox(const wchar_t* text);
