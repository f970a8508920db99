#pragma once
#include <cstdint>

// Bounds on what the host answers: no platform headers, so it can be tested natively and fuzzed.
// A host is a remote machine; a buggy provider or a mangled answer may send any number, any
// length and any count, and the console must neither trust nor be held up by it.

// The longest a single enumerator Next waits for the host (milliseconds). WMI's own default
// waits for ever: a host that accepts a query and never delivers would hold the window.
constexpr int32_t NextWaitMs = 60000;

// The most machines a listing reads; a host that lists more is shown cut.
constexpr uint32_t ListingMax = 10000;

// The sides of a guest screen the console takes: 1 to 16384 pixels. Anything else is no
// resolution at all, as when the lookup failed.
constexpr int64_t ResolutionMax = 16384;
bool ResolutionUsable(int64_t side);

// The calls one mouse message may make in relative mode (a step carries at most 120 units a
// side): a jump across a 3840-pixel screen, and no more, whatever the host says its size is.
constexpr int32_t RelativeStepsMax = 32;

// Whether a number read from the host fits an unsigned 16-bit property (EnabledState, JobState,
// PercentComplete, ErrorCode): a larger value is refused, never cut down into a valid one.
inline bool FitsUint16(int64_t value) { return value >= 0 && value <= 65535; }

// Where the picture lies in the bytes a host sent for a width x height request: `offset` bytes in
// (4 after an octet string's length prefix), `length` bytes long. Not usable when no size was asked
// (a side not positive, or more than 32 bits of bytes) or when the host sent more than the picture
// and its prefix: a reply longer than the request is refused, not kept.
struct ImagePayload {
    bool usable = false;
    uint32_t offset = 0;
    uint32_t length = 0;
};
// The payload size is all it needs to know when `bytes` is null (the prefix is then not looked for).
ImagePayload ImagePayloadOf(const uint8_t* bytes, uint32_t length, int32_t width, int32_t height);
