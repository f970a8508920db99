// The settings dialog's text forms: the capture size and the integer boxes, followed as far as the
// size asked of the host.
//
// Input: form byte, guest width and height, a raw capture size (scale bits, width, height), then
// the text typed into the box.

#include "dialogs/capture_size.h"
#include "wmi/thumbnail_size.h"

#include "fuzz_input.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>

namespace {

// libc's wcstoll is the independent reading of "blanks, sign, decimal digits", saturated to 32
// bits. `comparable` is false when libc would skip a character as white space that the program
// does not count as a blank; the two readings then differ by design.
struct ReferenceInt {
    bool comparable = false;
    bool converted = false;
    bool fits = true;
    int32_t value = 0;
    const wchar_t* end = nullptr;
};

ReferenceInt ReferenceScan(const wchar_t* text) {
    ReferenceInt result;
    const wchar_t* p = text;
    while (IsAsciiBlank(*p)) ++p;
    if (std::iswspace(static_cast<wint_t>(*p))) return result;
    result.comparable = true;
    errno = 0;
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text, &end, 10);
    result.converted = end != text;
    result.end = end;
    result.fits = errno != ERANGE && value >= INT32_MIN && value <= INT32_MAX;
    result.value = value > INT32_MAX   ? INT32_MAX
                   : value < INT32_MIN ? INT32_MIN
                                       : static_cast<int32_t>(value);
    return result;
}

bool Same(const CaptureSize& a, const CaptureSize& b) {
    return a.scale == b.scale && a.width == b.width && a.height == b.height;
}

const CaptureSize Unreadable{0.5f, 0, 0};

bool InScaleRange(float scale) { return scale >= 0.1f && scale < 4.0f; }

// The reading the dialog's rules give, or false when libc cannot stand in for it (see above).
bool ExpectedCapture(const wchar_t* text, CaptureSize& expected) {
    if (text[0] == L'x') {
        wchar_t* end = nullptr;
        const float scale = std::wcstof(text + 1, &end);
        if (end != text + 1) {
            expected = CaptureSize{(std::isnan(scale) || scale < 0.1 || scale >= 4.0) ? 0.5f : scale, 0, 0};
            return true;
        }
    }
    expected = Unreadable;
    const ReferenceInt width = ReferenceScan(text);
    if (!width.comparable) return false;
    if (!width.converted || *width.end != L'x') return true;
    const ReferenceInt height = ReferenceScan(width.end + 1);
    if (!height.comparable) return false;
    if (height.converted && width.fits && height.fits)
        expected = CaptureSize{1.0f, width.value, height.value};
    return true;
}

// Formatting and reading back keeps a fixed size exactly and a scale to its two decimals.
void CheckRoundTrip(const CaptureSize& size) {
    wchar_t text[CaptureSizeTextMax];
    FormatCaptureSize(size, text);
    const size_t length = std::wcslen(text);
    FUZZ_CHECK(length > 0 && length < CaptureSizeTextMax);
    const CaptureSize back = ParseCaptureSize(text);
    if (size.width != 0 && size.height != 0) {
        FUZZ_CHECK(text[0] != L'x');
        FUZZ_CHECK(Same(back, CaptureSize{1.0f, size.width, size.height}));
        return;
    }
    FUZZ_CHECK(text[0] == L'x');
    FUZZ_CHECK(back.width == 0 && back.height == 0 && InScaleRange(back.scale));
    if (!InScaleRange(size.scale)) return;
    const double shown = std::wcstod(text + 1, nullptr);
    FUZZ_CHECK(std::fabs(shown - size.scale) <= 0.005 + 1e-6);
    // Just below 4 a scale is shown as "x4.00", which is outside the range and reads back as 0.5:
    // the two-decimal text cannot carry it.
    if (shown >= 4.0) {
        FUZZ_CHECK(back.scale == 0.5f);
        return;
    }
    FUZZ_CHECK(std::fabs(back.scale - size.scale) <= 0.005f + 1e-6f);
}

// One side of ThumbnailRequestSize: `side` times `scale`, truncated, 0 when it cannot be an int32.
void CheckScaled(int32_t result, int32_t side, float scale) {
    const double exact = static_cast<double>(side) * static_cast<double>(scale);
    const double limit = 2147483648.0;
    if (!std::isfinite(exact) || std::fabs(exact) >= limit * (1 + 1e-6)) {
        FUZZ_CHECK(result == 0);
        return;
    }
    if (std::fabs(exact) >= limit * (1 - 1e-6)) return;  // float rounding decides either way
    // The product is formed in single precision: allow its rounding.
    const double slack = std::fabs(exact) * 1.2e-7 + 1.0;
    FUZZ_CHECK(std::fabs(static_cast<double>(result) - std::trunc(exact)) <= slack);
    if (scale == 1.0f && side >= -(1 << 24) && side <= (1 << 24)) FUZZ_CHECK(result == side);
}

void CheckRequest(const CaptureSize& size, int32_t guestWidth, int32_t guestHeight) {
    FUZZ_CHECK(IsPresetSummarySize(size.width, size.height) ==
               (SummaryRequestFor(size.width, size.height) != 0));
    const ImageSize request =
        ThumbnailRequestSize(size.width, size.height, size.scale, guestWidth, guestHeight);
    const bool fixed = size.width != 0 && size.height != 0;
    CheckScaled(request.width, fixed ? std::min(size.width, guestWidth) : guestWidth, size.scale);
    CheckScaled(request.height, fixed ? std::min(size.height, guestHeight) : guestHeight, size.scale);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const TextForm form = input.Form();
    const int32_t guestWidth = input.Int32();
    const int32_t guestHeight = input.Int32();
    CaptureSize raw;
    raw.scale = input.Float();
    raw.width = input.Int32();
    raw.height = input.Int32();
    const std::wstring text = UpToNul(input.Rest(form));

    // Integer boxes.
    const ReferenceInt reference = ReferenceScan(text.c_str());
    if (reference.comparable) FUZZ_CHECK(ParseIntBox(text.c_str()) == reference.value);

    // Capture size box: the reading, its round trip, and the request it leads to.
    const CaptureSize parsed = ParseCaptureSize(text.c_str());
    CaptureSize expected;
    if (ExpectedCapture(text.c_str(), expected)) FUZZ_CHECK(Same(parsed, expected));
    if (parsed.width == 0 && parsed.height == 0) FUZZ_CHECK(InScaleRange(parsed.scale));
    CheckRoundTrip(parsed);
    CheckRequest(parsed, guestWidth, guestHeight);

    // Any stored value at all (a scale may be NaN, infinite or negative) formats within the buffer.
    CheckRoundTrip(raw);
    CheckRequest(raw, guestWidth, guestHeight);
    return 0;
}
