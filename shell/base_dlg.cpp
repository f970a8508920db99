#include "shell/base_dlg.h"

namespace {
const wchar_t ObjectProperty[] = L"BaseDlg_DlgProc_";
}

INT_PTR CALLBACK BaseDlg::DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* attached = reinterpret_cast<BaseDlg*>(lParam);
        attached->hwnd = hwnd;
        SetPropW(hwnd, ObjectProperty, attached);
    }
    auto* self = static_cast<BaseDlg*>(GetPropW(hwnd, ObjectProperty));
    if (!self) return FALSE;

    INT_PTR result = self->HandleMessage(hwnd, msg, wParam, lParam);
    if (msg == WM_DESTROY) RemovePropW(hwnd, ObjectProperty);
    return result;
}

INT_PTR BaseDlg::RunModal(HINSTANCE instance, int templateId, HWND owner) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, DlgProc,
                           reinterpret_cast<LPARAM>(this));
}
