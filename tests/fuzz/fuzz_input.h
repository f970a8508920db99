#pragma once
// Turns a fuzzer's raw bytes into the values the targets need, and stops the run with a clear
// message when a property does not hold. Shared by the libFuzzer targets and the replay driver.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

[[noreturn]] inline void FuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}

// Unlike assert, stays on in every build type.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : FuzzCheckFailed(#condition, __FILE__, __LINE__))

// How text is read from the input. On Windows wchar_t is a UTF-16 unit, so the usual form takes
// the bytes two at a time; the other form takes them four at a time as raw 32-bit values, which
// reaches the whole of the native wchar_t (negative values and values past Unicode included).
enum class TextForm { Utf16, Raw32 };

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Remaining() const { return size_ - offset_; }

    uint8_t Byte() {
        if (offset_ == size_) return 0;
        return data_[offset_++];
    }

    // Little-endian; missing bytes read as zero.
    uint32_t Uint32() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= static_cast<uint32_t>(Byte()) << shift;
        return value;
    }

    uint16_t Uint16() {
        const uint32_t low = Byte();
        return static_cast<uint16_t>(low | static_cast<uint32_t>(Byte()) << 8);
    }

    int32_t Int32() { return static_cast<int32_t>(Uint32()); }
    int16_t Int16() { return static_cast<int16_t>(Uint16()); }

    float Float() {
        const uint32_t bits = Uint32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A value in lo..hi (inclusive), lo <= hi.
    int32_t IntIn(int32_t lo, int32_t hi) {
        const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
        return static_cast<int32_t>(lo + static_cast<int64_t>(Uint32() % span));
    }

    // The first byte of a text input picks its form: odd = raw 32-bit values.
    TextForm Form() { return (Byte() & 1) ? TextForm::Raw32 : TextForm::Utf16; }

    wchar_t Unit(TextForm form) {
        if (form == TextForm::Utf16) return static_cast<wchar_t>(Uint16());
        return static_cast<wchar_t>(Int32());
    }

    // Up to `maxUnits` units (embedded NULs kept), fewer when the input runs out.
    std::wstring Text(TextForm form, size_t maxUnits) {
        const size_t unitBytes = form == TextForm::Utf16 ? 2 : 4;
        std::wstring text;
        while (text.size() < maxUnits && Remaining() >= unitBytes) text.push_back(Unit(form));
        return text;
    }

    // A length byte, then that many units.
    std::wstring ShortText(TextForm form) { return Text(form, Byte()); }

    std::wstring Rest(TextForm form) { return Text(form, SIZE_MAX); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

// The C string the program would see: a text read from a window ends at its first NUL.
inline std::wstring UpToNul(const std::wstring& text) { return std::wstring(text.c_str()); }

// The six blanks the program's integer scanner skips.
inline bool IsAsciiBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}
