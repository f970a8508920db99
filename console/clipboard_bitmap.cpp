#include "console/clipboard_bitmap.h"
#include "console/global_memory.h"

bool PutClipboardBitmap(HWND owner, const uint8_t* pixels, int32_t width, int32_t height,
                        const CaptureLayout& layout, WideString& errorText) {
    OwnedGlobal block(layout.totalBytes);
    {
        LockedGlobal locked(block.Get());
        if (!locked.Data()) {
            errorText.Assign(L"not enough memory for the picture");
            return false;
        }
        WriteCapture(pixels, width, height, layout, static_cast<uint8_t*>(locked.Data()));
    }
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard()) {
        errorText.Assign(L"the clipboard is in use by another program");
        return false;
    }
    // On success the clipboard owns the block.
    if (!SetClipboardData(CF_DIB, block.Get())) {
        errorText.Assign(L"the clipboard did not take the picture");
        return false;
    }
    block.Release();
    return true;
}
