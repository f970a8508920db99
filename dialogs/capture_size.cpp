#include "dialogs/capture_size.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

// The scanners below read what "%d", "x%f" and "%dx%d" would read, without the undefined
// behaviour the scanf family has for integers that do not fit.

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

const wchar_t* SkipBlanks(const wchar_t* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

struct ScannedInt {
    int32_t value = 0;
    bool converted = false;  // at least one digit was read
    bool fits = true;        // the number is within 32 bits (value saturated when not)
    const wchar_t* end = nullptr;
};

// Leading blanks, an optional sign, then decimal digits up to the first other character.
ScannedInt ScanInt(const wchar_t* p) {
    ScannedInt result;
    p = SkipBlanks(p);
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    // The magnitude may reach 2^31 for a negative number; beyond its limit it saturates.
    const int64_t limit = negative ? -int64_t{INT32_MIN} : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    while (*p >= L'0' && *p <= L'9') {
        result.converted = true;
        if (result.fits) {
            magnitude = magnitude * 10 + (*p - L'0');
            if (magnitude > limit) result.fits = false;
        }
        ++p;
    }
    if (!result.fits)
        result.value = negative ? INT32_MIN : INT32_MAX;
    else
        result.value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    result.end = p;
    return result;
}

CaptureSize Unreadable() { return CaptureSize{0.5f, 0, 0}; }

}  // namespace

void FormatCaptureSize(const CaptureSize& size, wchar_t (&text)[CaptureSizeTextMax]) {
    if (size.width != 0 && size.height != 0)
        std::swprintf(text, CaptureSizeTextMax, L"%dx%d", static_cast<int>(size.width),
                      static_cast<int>(size.height));
    else
        std::swprintf(text, CaptureSizeTextMax, L"x%3.2f", static_cast<double>(size.scale));
}

CaptureSize ParseCaptureSize(const wchar_t* text) {
    if (!text) return Unreadable();

    // "x%f": the x must be the very first character; anything after the number is ignored.
    if (text[0] == L'x') {
        const wchar_t* start = text + 1;
        wchar_t* end = nullptr;
        float scale = std::wcstof(start, &end);
        if (end != start) {
            // NaN fails every comparison, so it is refused explicitly.
            if (std::isnan(scale) || scale < 0.1 || scale >= 4.0) scale = 0.5f;
            return CaptureSize{scale, 0, 0};
        }
    }

    // "%dx%d": blanks allowed before each integer, none around the x; trailing text ignored.
    ScannedInt width = ScanInt(text);
    if (width.converted && *width.end == L'x') {
        ScannedInt height = ScanInt(width.end + 1);
        if (height.converted) {
            if (!width.fits || !height.fits) return Unreadable();
            return CaptureSize{1.0f, width.value, height.value};
        }
    }
    return Unreadable();
}

bool IsPresetSummarySize(int32_t width, int32_t height) {
    return (width == 80 && height == 60) || (width == 160 && height == 120) ||
           (width == 320 && height == 240);
}

int32_t ParseIntBox(const wchar_t* text) {
    if (!text) return 0;
    return ScanInt(text).value;
}
