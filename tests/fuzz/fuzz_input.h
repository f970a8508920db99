#pragma once
// Turns a fuzzer's raw bytes into the values the targets need, and stops the run with a clear
// message when a promised property does not hold. Shared by the libFuzzer targets and the replay.

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

// Reads the input front to back, integers little-endian; missing bytes read as zero.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Remaining() const { return size_ - offset_; }
    uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
    uint16_t Uint16() {
        const uint32_t low = Byte();
        return static_cast<uint16_t>(low | static_cast<uint32_t>(Byte()) << 8);
    }
    uint32_t Uint32() {
        const uint32_t low = Uint16();
        return low | static_cast<uint32_t>(Uint16()) << 16;
    }
    int32_t Int32() { return static_cast<int32_t>(Uint32()); }
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

    // Text: on Windows wchar_t is a UTF-16 unit, so the usual form takes two bytes a unit; the
    // raw form takes four, as any 32-bit value, which reaches the whole of Linux's wchar_t. The
    // first byte of a text input picks the form (odd: raw).
    bool RawForm() { return (Byte() & 1) != 0; }
    wchar_t Unit(bool raw) { return raw ? static_cast<wchar_t>(Int32()) : static_cast<wchar_t>(Uint16()); }
    // Up to `maxUnits` units, embedded NULs kept; fewer when the input runs out.
    std::wstring Text(bool raw, size_t maxUnits) {
        std::wstring text;
        while (text.size() < maxUnits && Remaining() >= (raw ? 4u : 2u)) text.push_back(Unit(raw));
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

// The C string the program would see: a text read from a window ends at its first NUL.
inline std::wstring UpToNul(const std::wstring& text) { return std::wstring(text.c_str()); }
