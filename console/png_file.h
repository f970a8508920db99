#pragma once
#include "console/capture_bitmap.h"
#include "shell/wide_string.h"

#include <windows.h>

// Saves a captured screen (a bitmap WriteCapture wrote) as a PNG file through the Windows Imaging
// Component. The whole file is encoded in memory first, written beside `path` and only then put
// in its place: a write that fails leaves nothing behind, and a file of that name as it was. 0, or
// the failing HRESULT with a short text.
HRESULT SavePngFile(const wchar_t* path, const uint8_t* bitmap, int32_t width, int32_t height,
                    const CaptureLayout& layout, WideString& errorText);
