// The texts a user types that the program reads or passes on to WMI: the settings dialog's
// capture size and integer boxes (followed as far as the image size asked of the host), the WQL
// string literal, the split of the user name, and the clipboard typed into the guest in pieces.
//
// Input: form byte, two bytes giving how much text already stands in the query (so that the
// literal lands on either side of the string's first growth), guest width and height, a stored
// capture size (scale bits, width, height), then the text.

#include "console/typing_queue.h"
#include "dialogs/capture_size.h"
#include "shell/wide_string.h"
#include "wmi/thumbnail_size.h"
#include "wmi/wql_text.h"

#include "fuzz_input.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <utility>

namespace {

// libc's wcstoll is the independent reading of "blanks, sign, decimal digits", saturated to 32
// bits. Not comparable where libc skips a character as white space that the program does not.
struct Reading {
    bool comparable = false, converted = false, fits = true;
    int32_t value = 0;
    const wchar_t* end = nullptr;
};

Reading ReferenceInt(const wchar_t* text) {
    Reading r;
    const wchar_t* p = text;
    while (*p == L' ' || (*p >= L'\t' && *p <= L'\r')) ++p;  // the program's six blanks
    if (std::iswspace(static_cast<wint_t>(*p))) return r;
    r.comparable = true;
    errno = 0;
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text, &end, 10);
    r.converted = end != text;
    r.end = end;
    r.fits = errno != ERANGE && value >= INT32_MIN && value <= INT32_MAX;
    r.value = static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
    return r;
}

bool InScaleRange(float scale) { return scale >= 0.1f && scale < 4.0f; }
bool Same(const CaptureSize& a, const CaptureSize& b) {
    return a.scale == b.scale && a.width == b.width && a.height == b.height;
}

// The reading the dialog's rules give, or false where libc cannot stand in for it.
bool ExpectedCapture(const wchar_t* text, CaptureSize& expected) {
    expected = CaptureSize{0.5f, 0, 0};
    if (text[0] == L'x') {
        wchar_t* end = nullptr;
        const float scale = std::wcstof(text + 1, &end);
        if (end != text + 1) {
            if (!std::isnan(scale) && scale >= 0.1 && scale < 4.0) expected.scale = scale;
            return true;
        }
    }
    const Reading width = ReferenceInt(text);
    if (!width.comparable) return false;
    if (!width.converted || *width.end != L'x') return true;
    const Reading height = ReferenceInt(width.end + 1);
    if (!height.comparable) return false;
    if (height.converted && width.fits && height.fits) expected = CaptureSize{1.0f, width.value, height.value};
    return true;
}

// Any stored size (NaN and infinite scales included) formats within the buffer and reads back:
// a fixed size exactly, a scale to its two decimals.
void CheckRoundTrip(const CaptureSize& size) {
    wchar_t text[CaptureSizeTextMax];
    FormatCaptureSize(size, text);
    const size_t length = std::wcslen(text);
    FUZZ_CHECK(length > 0 && length < CaptureSizeTextMax);
    const CaptureSize back = ParseCaptureSize(text);
    if (size.width != 0 && size.height != 0) {
        FUZZ_CHECK(Same(back, CaptureSize{1.0f, size.width, size.height}));
        return;
    }
    FUZZ_CHECK(text[0] == L'x' && back.width == 0 && back.height == 0 && InScaleRange(back.scale));
    if (!InScaleRange(size.scale)) return;
    const double shown = std::wcstod(text + 1, nullptr);
    FUZZ_CHECK(std::fabs(shown - size.scale) <= 0.005 + 1e-6);
    // Just below 4 the text is "x4.00", out of range: it reads back as 0.5 (see FUZZING.md).
    FUZZ_CHECK(shown >= 4.0 ? back.scale == 0.5f : std::fabs(back.scale - size.scale) <= 0.005f + 1e-6f);
}

// The size asked of the host: each side times the scale, truncated (in single precision, so
// allow its rounding), 0 when that is no int32.
void CheckRequest(const CaptureSize& size, int32_t guestWidth, int32_t guestHeight) {
    FUZZ_CHECK(IsPresetSummarySize(size.width, size.height) == (SummaryRequestFor(size.width, size.height) != 0));
    const ImageSize request = ThumbnailRequestSize(size.width, size.height, size.scale, guestWidth, guestHeight);
    const bool fixed = size.width != 0 && size.height != 0;
    for (auto [result, side] : {std::pair{request.width, fixed ? std::min(size.width, guestWidth) : guestWidth},
                                std::pair{request.height, fixed ? std::min(size.height, guestHeight) : guestHeight}}) {
        const double exact = static_cast<double>(side) * size.scale, limit = 2147483648.0;
        if (!std::isfinite(exact) || std::fabs(exact) >= limit * (1 + 1e-6)) FUZZ_CHECK(result == 0);
        else if (std::fabs(exact) < limit * (1 - 1e-6)) FUZZ_CHECK(std::fabs(result - std::trunc(exact)) <= std::fabs(exact) * 1.2e-7 + 1);
    }
}

// Reads a literal's inside as WQL does; false when an apostrophe would end it early or a
// backslash escapes nothing.
bool ReadLiteral(const std::wstring& text, std::wstring& value) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\'') return false;
        if (text[i] == L'\\' && (++i == text.size() || (text[i] != L'\\' && text[i] != L'\''))) return false;
        value.push_back(text[i]);
    }
    return true;
}

void CheckLiteral(const std::wstring& value, size_t prefixLength) {
    const std::wstring prefix(prefixLength, L'S');
    WideString query(prefix.c_str());
    AppendWqlLiteral(query, value.c_str());
    const std::wstring built(query.c_str(), query.Length());
    std::wstring read;
    FUZZ_CHECK(built.size() >= prefixLength && built.compare(0, prefixLength, prefix) == 0);
    FUZZ_CHECK(ReadLiteral(built.substr(prefixLength), read) && read == value);
    AppendWqlLiteral(query, nullptr);  // appends nothing
    FUZZ_CHECK(query.Length() == built.size());
}

// `typed` may hold NULs: the split goes by the length, as it does over the credential buffer.
void CheckUserName(const std::wstring& typed) {
    const UserNameParts parts = SplitUserName(typed.empty() ? nullptr : typed.data(), typed.size());
    const size_t slash = typed.find(L'\\');
    if (slash == std::wstring::npos) {
        FUZZ_CHECK(!parts.hasDomain && parts.userOffset == 0 && parts.userLength == typed.size());
        return;
    }
    FUZZ_CHECK(parts.hasDomain && parts.domainOffset == 0 && parts.domainLength == slash);
    FUZZ_CHECK(parts.userOffset == slash + 1 && parts.userOffset + parts.userLength == typed.size());
}

// Typed into the guest, the text goes in pieces of 1 to 256 units, each unit once and in order,
// never split between a CR and its LF or the halves of a surrogate pair; for the first version
// every character outside ASCII becomes one "?" and the ASCII ones stay as they were.
void CheckTyping(const std::wstring& text) {
    auto high = [](wchar_t c) { return static_cast<uint32_t>(c) - 0xD800u < 0x400u; };
    auto low = [](wchar_t c) { return static_cast<uint32_t>(c) - 0xDC00u < 0x400u; };
    TypingQueue queue;
    queue.Add(WideString(text.data(), text.size()));
    std::wstring typed;
    WideString piece;
    while (queue.Next(piece)) {
        FUZZ_CHECK(piece.Length() >= 1 && piece.Length() <= TypingPieceUnits);
        typed.append(piece.c_str(), piece.Length());
        if (typed.size() < text.size()) {
            const wchar_t last = typed.back(), next = text[typed.size()];
            FUZZ_CHECK(!(last == L'\r' && next == L'\n') && !(high(last) && low(next)));
        }
    }
    FUZZ_CHECK(typed == text);

    WideString ascii(text.data(), text.size());
    ReplaceNonAscii(ascii);
    std::wstring kept, expectedKept;
    for (size_t i = 0; i < ascii.Length(); ++i) {
        FUZZ_CHECK(static_cast<uint32_t>(ascii.c_str()[i]) < 0x80u);
        if (ascii.c_str()[i] != L'?') kept.push_back(ascii.c_str()[i]);
    }
    for (wchar_t c : text)
        if (static_cast<uint32_t>(c) < 0x80u && c != L'?') expectedKept.push_back(c);
    FUZZ_CHECK(kept == expectedKept && ascii.Length() <= text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const bool raw = input.RawForm();
    // Up to twice the string's first capacity, so both sides of its first growth are reached.
    const size_t prefixLength = input.Uint16() % (2 * WideString::InitialCapacity + 1);
    const int32_t guestWidth = input.Int32();
    const int32_t guestHeight = input.Int32();
    CaptureSize stored;
    stored.scale = input.Float();
    stored.width = input.Int32();
    stored.height = input.Int32();
    const std::wstring typed = input.Text(raw, SIZE_MAX);
    const std::wstring text = UpToNul(typed);

    const Reading integer = ReferenceInt(text.c_str());
    if (integer.comparable) FUZZ_CHECK(ParseIntBox(text.c_str()) == integer.value);
    const CaptureSize parsed = ParseCaptureSize(text.c_str());
    CaptureSize expected;
    if (ExpectedCapture(text.c_str(), expected)) FUZZ_CHECK(Same(parsed, expected));
    for (const CaptureSize& capture : {parsed, stored}) {
        CheckRoundTrip(capture);
        CheckRequest(capture, guestWidth, guestHeight);
    }

    CheckLiteral(text, prefixLength);
    CheckUserName(typed);
    CheckTyping(typed);
    return 0;
}
