#include "console/capture_bitmap.h"
#include "console/capture_file_name.h"
#include "console/clipboard_bitmap.h"
#include "console/main_wnd.h"
#include "console/png_file.h"
#include "console/save_as_dialog.h"
#include "resources/resource.h"

// "Co&py Screen" and "Save Screen &As...": one image at the guest's full resolution, fetched into
// a record of its own (the view, its settings and a held full-size picture stay as they are), to
// the clipboard or into a PNG file. A failed fetch puts and writes nothing.

namespace {

void ShowFailure(HWND owner, const wchar_t* caption, const WideString& text, HRESULT code = S_OK) {
    WideString body(text);
    if (FAILED(code)) AppendFailureCode(body, static_cast<uint32_t>(code));
    MessageBoxW(owner, body.c_str(), caption, MB_OK);
}

}  // namespace

bool MainWnd::FetchCapture(GuestImage& capture, CaptureLayout& layout) {
    WideString errorText;
    const HRESULT hr = conn.CaptureScreen(capture, errorText);
    if (hr == 0) {
        layout = PlanCapture(capture.byteCount, capture.header.biWidth, capture.header.biHeight);
        if (layout.usable) return true;
        // No image data, or less of it than the picture needs: nothing half done.
        errorText.Assign(L"the host sent no usable image");
    }
    ShowFailure(hwnd, L"cannot capture screen", errorText);
    return false;
}

void MainWnd::OnCopyScreen() {
    if (!MachineOpen()) return;
    GuestImage capture;
    CaptureLayout layout;
    if (!FetchCapture(capture, layout)) return;
    WideString errorText;
    if (!PutClipboardBitmap(hwnd, capture.pixels.Data(), capture.header.biWidth, capture.header.biHeight, layout,
                            errorText))
        ShowFailure(hwnd, L"cannot copy screen", errorText);
}

void MainWnd::OnSaveScreen() {
    if (!MachineOpen()) return;
    GuestImage capture;
    CaptureLayout layout;
    SYSTEMTIME now;
    GetLocalTime(&now);  // the moment the picture is taken names it
    if (!FetchCapture(capture, layout)) return;

    WideString path;
    CaptureFileName(vmName.c_str(), CaptureTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
                    path);
    if (!AskSavePath(hwnd, path)) return;

    ByteBuffer bitmap;
    bitmap.Reserve(layout.totalBytes);
    const int32_t width = capture.header.biWidth, height = capture.header.biHeight;
    WriteCapture(capture.pixels.Data(), width, height, layout, bitmap.Data());
    WideString errorText;
    const HRESULT hr = SavePngFile(path.c_str(), bitmap.Data(), width, height, layout, errorText);
    if (FAILED(hr)) ShowFailure(hwnd, L"cannot save screen", errorText, hr);
}

// Both capture items need an open machine; the menu's other items are never greyed.
void MainWnd::OnInitConsoleMenu(HMENU popup) {
    if (GetMenuState(popup, IDM_COPY_SCREEN, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
    const UINT state = MF_BYCOMMAND | (MachineOpen() ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(popup, IDM_COPY_SCREEN, state);
    EnableMenuItem(popup, IDM_SAVE_SCREEN, state);
    CheckMenuItem(popup, IDM_FULL_SCREEN, MF_BYCOMMAND | (fullScreen ? MF_CHECKED : MF_UNCHECKED));
}
