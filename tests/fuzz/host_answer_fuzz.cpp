// What the host answers, read the way the program reads it: an image reply's bytes against the
// size asked (octet-string prefix, the bound on its length), numbers against their ranges and the
// state, job and return-code tables, and the texts built from the host's strings (the window
// title and the line under the missing picture from a machine's name, a failed job's box from
// its description, Save Screen As's suggested file name).
//
// Input: a part byte (image, numbers, texts), then that part's values; an image's bytes are the
// rest of the input, optionally behind a length prefix that is right or off by a little.

#include "console/capture_file_name.h"
#include "console/machine_status.h"
#include "wmi/host_answer.h"
#include "wmi/machine_state.h"
#include "wmi/octet_string.h"
#include "wmi/thumbnail_size.h"

#include "fuzz_input.h"

#include <cstdint>
#include <cwchar>
#include <vector>

namespace {

int32_t Pick(FuzzInput& input, int32_t lo, int32_t hi) {
    return (input.Byte() & 1) ? input.Int32() : input.IntIn(lo, hi);
}

uint32_t BigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

// A reply to a width x height request: the picture lies inside the bytes sent, is never more than
// was asked for with its prefix, and loses exactly a prefix that states the array's own length.
void CheckImage(FuzzInput& input) {
    const int32_t width = Pick(input, 0, 40);
    const int32_t height = Pick(input, 0, 30);
    const uint32_t asked = ImageBytes(width, height);
    std::vector<uint8_t> bytes;
    const uint8_t shape = input.Byte();
    if (shape & 1) {
        // Near the size asked, behind a prefix that may or may not be right.
        const uint32_t near = asked <= (1u << 16) ? asked : 0;
        const uint32_t length = near + OctetPrefixLength + (shape >> 2) % 9 - 4;
        const uint32_t stated = (shape & 2) ? length : input.Uint32();
        bytes.resize(length);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = input.Byte();
        if (length >= 4)
            for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(stated >> (8 * (3 - i)));
    } else {
        while (input.Remaining() > 0) bytes.push_back(input.Byte());
    }
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    const ImagePayload payload = ImagePayloadOf(bytes.data(), length, width, height);
    const ImagePayload bounded = ImagePayloadOf(nullptr, length, width, height);
    // Whether to take it at all is known before any byte is read (nothing is allocated first).
    FUZZ_CHECK(payload.usable == bounded.usable);
    // A size too large to carry its prefix in 32 bits is never asked for: refused outright.
    FUZZ_CHECK(payload.usable == (asked > 0 && asked <= UINT32_MAX - OctetPrefixLength &&
                                  length <= static_cast<uint64_t>(asked) + OctetPrefixLength));
    if (!payload.usable) return;
    FUZZ_CHECK(static_cast<uint64_t>(payload.offset) + payload.length <= length);
    FUZZ_CHECK(payload.length <= static_cast<uint64_t>(asked) + OctetPrefixLength);
    const bool prefixed = length == asked + OctetPrefixLength && BigEndian(bytes.data()) == length;
    FUZZ_CHECK(prefixed == (payload.offset == OctetPrefixLength));
    FUZZ_CHECK(prefixed ? payload.length == asked : payload.length == length && payload.offset == 0);
}

// Numbers the host sends: ranges, and the tables that turn them into what a user reads.
void CheckNumbers(FuzzInput& input) {
    const int64_t value = (input.Byte() & 1) ? static_cast<int64_t>(input.Uint32()) << (input.Byte() % 33)
                                             : static_cast<int64_t>(input.Int32());
    FUZZ_CHECK(FitsUint16(value) == (value >= 0 && value <= 0xFFFF));
    FUZZ_CHECK(ResolutionUsable(value) == (value >= 1 && value <= 16384));
    const uint32_t number = static_cast<uint32_t>(value);
    for (ProviderVersion version : {ProviderVersion::First, ProviderVersion::Second}) {
        const MachineState state = StateFromEnabledState(version, number);
        // Every state the tables know is a uint16: nothing larger may read as one of them.
        if (number > 0xFFFF) FUZZ_CHECK(state == MachineState::Unknown);
        FUZZ_CHECK(StateWord(state) != nullptr && StateWord(state)[0] != 0);
        MachineStatus status;
        status.Take(state, number);
        WideString line;
        if (BuildNoImageLine(L"m", status, line)) FUZZ_CHECK(line.Length() > 2 && line.c_str()[0] == L'm');
    }
    const JobOutcome outcome = ClassifyJobState(number);
    if (number > 0xFFFF) FUZZ_CHECK(outcome == JobOutcome::Failed);
    const wchar_t* known = ReturnCodeText(number);
    FUZZ_CHECK(!known || known[0] != 0);
    WideString text;
    BuildReturnCodeText(number, text);
    FUZZ_CHECK(!text.Empty());
}

bool Forbidden(wchar_t ch) { return ch < 0x20 || std::wcschr(L"\\/:*?\"<>|", ch) != nullptr; }

// Texts built from the host's strings: whatever the name or description, the text is whole,
// starts as it should and, for a file name, is one the file system takes.
void CheckTexts(FuzzInput& input) {
    const bool raw = input.RawForm();
    const std::wstring name = UpToNul(input.Text(raw, input.Uint16() % 1024u));
    const std::wstring description = UpToNul(input.Text(raw, input.Byte()));
    const uint32_t errorCode = input.Uint32(), jobState = input.Uint32();

    WideString text;
    BuildJobFailureText(description.c_str(), errorCode, jobState, text);
    FUZZ_CHECK(!text.Empty());
    if (!description.empty()) FUZZ_CHECK(description == text.c_str());

    MachineStatus status;
    status.Take(StateFromEnabledState(ProviderVersion::Second, jobState), jobState);
    BuildWindowTitle(L"vuemere", name.c_str(), status, text);
    FUZZ_CHECK(std::wstring(text.c_str()).rfind(L"vuemere - " + name, 0) == 0);

    const CaptureTime time{static_cast<int32_t>(input.IntIn(0, 9999)), 12, 31, 23, 59, 59};
    CaptureFileName(name.c_str(), time, text);
    const std::wstring file = text.c_str();
    FUZZ_CHECK(file.size() >= 4 && file.compare(file.size() - 4, 4, L".png") == 0);
    FUZZ_CHECK(file.size() <= 255);
    // The name's part: each character kept or made "_", cut only at 200 and never inside a pair.
    constexpr size_t Stamp = 21;  // "yyyy-mm-dd hhmmss.png"
    const size_t kept = file.size() > Stamp ? file.size() - Stamp - 1 : 0;
    FUZZ_CHECK(kept == 0 ? name.empty() && file.size() == Stamp : file[kept] == L' ');
    FUZZ_CHECK(kept == name.size() || kept == 200 || (kept == 199 && name[199] >= 0xD800 && name[199] <= 0xDBFF));
    for (size_t i = 0; i < kept; ++i) FUZZ_CHECK(file[i] == (Forbidden(name[i]) ? L'_' : name[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    switch (input.Byte() % 3) {
    case 0: CheckImage(input); break;
    case 1: CheckNumbers(input); break;
    default: CheckTexts(input); break;
    }
    return 0;
}
