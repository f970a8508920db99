#pragma once
#include <windows.h>

// Base of dialogs with an object behind them. The window property "BaseDlg_DlgProc_" holds the
// object's address from WM_INITDIALOG until WM_DESTROY; DlgProc hands every message in between
// to HandleMessage. Open with DialogBoxParamW(..., BaseDlg::DlgProc, (LPARAM)object).
class BaseDlg {
public:
    static INT_PTR CALLBACK DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Runs the dialog template `templateId` modally; returns what the handler gave EndDialog.
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner);

    HWND hwnd = nullptr;

protected:
    BaseDlg() = default;
    ~BaseDlg() = default;
    BaseDlg(const BaseDlg&) = delete;
    BaseDlg& operator=(const BaseDlg&) = delete;

    virtual INT_PTR HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};
