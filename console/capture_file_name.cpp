#include "console/capture_file_name.h"

#include <cwchar>

namespace {
// Leaves room in a 255-character file name for the time and the extension.
constexpr size_t MaxMachineChars = 200;

bool Forbidden(wchar_t ch) { return ch < 0x20 || std::wcschr(L"\\/:*?\"<>|", ch) != nullptr; }
}  // namespace

void CaptureFileName(const wchar_t* machine, const CaptureTime& time, WideString& name) {
    name.Clear();
    size_t length = machine ? std::wcslen(machine) : 0;
    if (length > MaxMachineChars) {
        length = MaxMachineChars;
        if (machine[length - 1] >= 0xD800 && machine[length - 1] <= 0xDBFF) --length;  // a high surrogate
    }
    for (size_t i = 0; i < length; ++i) {
        const wchar_t ch = Forbidden(machine[i]) ? L'_' : machine[i];
        name.Append(&ch, 1);
    }
    if (!name.Empty()) name.Append(L" ");
    wchar_t stamp[64];
    std::swprintf(stamp, 64, L"%04d-%02d-%02d %02d%02d%02d.png", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    name.Append(stamp);
}
