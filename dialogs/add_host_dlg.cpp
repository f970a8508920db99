#include "dialogs/add_host_dlg.h"
#include "dialogs/connect_dlg.h"
#include "resources/resource.h"
#include "shell/app.h"

INT_PTR AddHostDlg::HandleMessage(HWND, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextW(hwnd, IDC_ADD_HOST_SERVER, server.c_str());
        SetDlgItemTextW(hwnd, IDC_ADD_HOST_USER, user.c_str());
        if (!passwordFirst) return TRUE;  // the focus goes to the first tab stop, the server box
        SetFocus(GetDlgItem(hwnd, IDC_ADD_HOST_PASSWORD));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:  // "Add", the default button: also Enter in a box
            OnAdd();
            return TRUE;
        case IDCANCEL:
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void AddHostDlg::OnAdd() {
    ReadDlgItemText(hwnd, IDC_ADD_HOST_SERVER, server);
    ReadDlgItemText(hwnd, IDC_ADD_HOST_USER, user);
    ReadDlgItemText(hwnd, IDC_ADD_HOST_PASSWORD, password);
    WideString errorText;
    HRESULT result = E_FAIL;
    {
        WaitCursor wait;
        if (tryHost) result = tryHost(server, user, password, errorText);
    }
    password.Wipe();  // the host that answered keeps its own copy for its connection
    if (result == 0) {
        EndDialog(hwnd, IDOK);
        return;
    }
    WideString message;
    BuildConnectErrorText(errorText, result, message);
    MessageBoxW(hwnd, message.c_str(), L"connect error", MB_OK);
}
