#pragma once
#include "shell/wide_string.h"

#include <cstdint>

// The name Save Screen As suggests: "<machine name> <yyyy-mm-dd hhmmss>.png", from the time the
// picture was taken. A machine's display name may hold characters no file name can (\ / : * ? "
// < > | and control characters): each becomes "_". A very long name is cut (never inside a
// surrogate pair) so the suggestion stays a name the file system takes; an empty one is left out.
struct CaptureTime {
    int32_t year, month, day, hour, minute, second;
};

void CaptureFileName(const wchar_t* machine, const CaptureTime& time, WideString& name);
