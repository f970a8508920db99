#pragma once
#include "console/capture_bitmap.h"
#include "shell/wide_string.h"

#include <windows.h>

// Puts a captured screen on the clipboard as CF_DIB (the system offers the other bitmap formats
// from it). `pixels` are the host's RGB 5-6-5 rows. False, with a short text saying why, when the
// memory or the clipboard cannot be had; the clipboard then keeps what it held.
bool PutClipboardBitmap(HWND owner, const uint8_t* pixels, int32_t width, int32_t height,
                        const CaptureLayout& layout, WideString& errorText);
