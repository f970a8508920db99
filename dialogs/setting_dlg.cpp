#include "dialogs/setting_dlg.h"
#include "dialogs/capture_size.h"
#include "resources/resource.h"
#include "shell/app.h"
#include "shell/wide_string.h"

#include <cwchar>

namespace {

const wchar_t ErrorCaption[] = L"setting error";
const wchar_t IntervalError[] = L"interval error. (100 to 60000)";
const wchar_t WhiteFrameError[] = L"white_frame error. (0 to 1000)";
const wchar_t WarningCaption[] = L"setting";
const wchar_t PerformanceWarning[] =
    L"If custom size or scale, The performance issue is caused. \n"
    L"It becomes as worker-process hung up. In the worst case, it is necessary to reboot Hyper-V. \n"
    L"\n"
    L"continue ?";

void SetItemInt(HWND dialog, int id, int32_t value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", static_cast<int>(value));
    SetDlgItemTextW(dialog, id, text);
}

int32_t ReadItemInt(HWND dialog, int id) {
    WideString text;
    ReadDlgItemText(dialog, id, text);
    return ParseIntBox(text.c_str());
}

bool IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace

INT_PTR SettingDlg::HandleMessage(HWND, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;  // the focus goes to the first tab stop, the interval box
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk();
            return TRUE;
        case IDCANCEL:  // also Escape and the close box
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void SettingDlg::OnInit() {
    SetItemInt(hwnd, IDC_SETTING_INTERVAL, setting.interval);
    CheckRadioButton(hwnd, IDC_SETTING_FRAME_SPACE, IDC_SETTING_ENLARGE,
                     setting.smallThumbnail == FrameSpace ? IDC_SETTING_FRAME_SPACE : IDC_SETTING_ENLARGE);
    CheckRadioButton(hwnd, IDC_SETTING_SCROLLBAR, IDC_SETTING_SMALL_SCALE,
                     setting.largeThumbnail == UseScrollbar ? IDC_SETTING_SCROLLBAR
                                                            : IDC_SETTING_SMALL_SCALE);

    for (const wchar_t* preset : CaptureSizePresets)
        SendDlgItemMessageW(hwnd, IDC_SETTING_CAPTURE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset));
    // The current size joins the list unless an entry already begins with its text
    // (a case-insensitive prefix search: "x0.50" is not found, "x0.25" is).
    wchar_t current[CaptureSizeTextMax];
    FormatCaptureSize(setting.Capture(), current);
    if (SendDlgItemMessageW(hwnd, IDC_SETTING_CAPTURE, CB_FINDSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(current)) == CB_ERR)
        SendDlgItemMessageW(hwnd, IDC_SETTING_CAPTURE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(current));
    SetDlgItemTextW(hwnd, IDC_SETTING_CAPTURE, current);

    SetItemInt(hwnd, IDC_SETTING_WHITE_FRAME, setting.whiteFrame);
}

// Checks run in a fixed order and the first failure leaves the dialog open with what was typed.
// Fields are written as their checks pass; the caller ignores them unless the run ends with 1.
void SettingDlg::OnOk() {
    int32_t interval = ReadItemInt(hwnd, IDC_SETTING_INTERVAL);
    if (interval < IntervalMin || interval > IntervalMax) {
        MessageBoxW(hwnd, IntervalError, ErrorCaption, MB_OK);
        return;
    }
    setting.interval = interval;
    setting.smallThumbnail = IsChecked(hwnd, IDC_SETTING_FRAME_SPACE) ? FrameSpace : EnlargeZoom;
    setting.largeThumbnail = IsChecked(hwnd, IDC_SETTING_SCROLLBAR) ? UseScrollbar : SmallScale;

    WideString captureText;
    ReadDlgItemText(hwnd, IDC_SETTING_CAPTURE, captureText);
    setting.SetCapture(ParseCaptureSize(captureText.c_str()));
    if (!IsPresetSummarySize(setting.width, setting.height) &&
        MessageBoxW(hwnd, PerformanceWarning, WarningCaption,
                    MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK)
        return;

    int32_t whiteFrame = ReadItemInt(hwnd, IDC_SETTING_WHITE_FRAME);
    if (whiteFrame < WhiteFrameMin || whiteFrame > WhiteFrameMax) {
        MessageBoxW(hwnd, WhiteFrameError, ErrorCaption, MB_OK);
        return;
    }
    setting.whiteFrame = whiteFrame;
    EndDialog(hwnd, IDOK);
}
