#include "dialogs/connect_dlg.h"
#include "resources/resource.h"
#include "shell/app.h"
#include "wmi/host_answer.h"

#include <cwchar>

void BuildConnectErrorText(const WideString& errorText, HRESULT result, WideString& message) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%X", static_cast<unsigned>(result));
    message.Assign(errorText.c_str(), errorText.Length());
    message.Append(L" (");
    message.Append(code);
    message.Append(L")");
}

INT_PTR ConnectDlg::HandleMessage(HWND, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInit();
        if (listAtStart || !startError.Empty()) PostMessageW(hwnd, WM_APP, 0, 0);  // once it shows
        if (!passwordFirst) return TRUE;  // the focus goes to the first tab stop, the server box
        SetFocus(GetDlgItem(hwnd, IDC_CONNECT_PASSWORD));
        return FALSE;
    case WM_APP:
        if (listAtStart) OnConnect();
        if (!startError.Empty()) MessageBoxW(hwnd, startError.c_str(), L"connect error", MB_OK);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CONNECT_BUTTON:
            OnConnect();
            return FALSE;
        case IDC_CONNECT_MACHINES:
            if (HasSelection()) EnableOpen(true);
            return FALSE;
        case IDC_CONNECT_OPEN:
            OnOpen();
            return TRUE;
        case IDCANCEL:
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        case IDOK:
            // Enter: only after a start with /user, which put the focus in the password box.
            if (!passwordFirst) return FALSE;
            if (IsWindowEnabled(GetDlgItem(hwnd, IDC_CONNECT_OPEN)) && HasSelection())
                OnOpen();
            else
                OnConnect();
            return TRUE;
        }
        // Otherwise IDOK (Enter in an edit box) is not handled: there is no default button.
        return FALSE;
    case WM_DESTROY:
        ScrubPassword();
        return FALSE;
    }
    return FALSE;
}

void ConnectDlg::ScrubPassword() {
    // The box keeps what was typed in a buffer of its own: overwritten in place before it goes.
    HWND box = GetDlgItem(hwnd, IDC_CONNECT_PASSWORD);
    const int length = GetWindowTextLengthW(box);
    if (length <= 0) return;
    WideString filler;
    filler.Reserve(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) filler.Append(L"*");
    SetWindowTextW(box, filler.c_str());
    SetWindowTextW(box, L"");
}

void ConnectDlg::OnInit() {
    SetDlgItemTextW(hwnd, IDC_CONNECT_SERVER, server.c_str());
    SetDlgItemTextW(hwnd, IDC_CONNECT_USER, user.c_str());
    SetDlgItemTextW(hwnd, IDC_CONNECT_PASSWORD, password.c_str());
    EnableOpen(false);
    if (!startEntries.empty()) ShowListing(std::move(startEntries));
}

void ConnectDlg::OnConnect() {
    ReadDlgItemText(hwnd, IDC_CONNECT_SERVER, server);
    ReadDlgItemText(hwnd, IDC_CONNECT_USER, user);
    ReadDlgItemText(hwnd, IDC_CONNECT_PASSWORD, password);

    std::vector<MachineEntry> entries;
    WideString errorText, skipped;
    HRESULT result;
    bool cut = false;
    {
        WaitCursor wait;
        result = ListServerMachines(server.c_str(), user.c_str(), password.c_str(), entries, cluster, skipped,
                                    errorText, &cut);
    }

    if (result != 0) {
        WideString message;
        BuildConnectErrorText(errorText, result, message);
        MessageBoxW(hwnd, message.c_str(), L"connect error", MB_OK);
        EnableOpen(false);
        SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_RESETCONTENT, 0, 0);
        entries_.clear();
        cluster = ClusterInfo{};
        return;
    }

    ShowListing(std::move(entries));
    if (cut) {
        wchar_t text[128];
        std::swprintf(text, 128, L"The host lists more than %u machines; only the first %u are shown.",
                      static_cast<unsigned>(ListingMax), static_cast<unsigned>(ListingMax));
        MessageBoxW(hwnd, text, L"connect", MB_OK);
    }
    // The machines of a node that is down or does not answer are not in the list: say whose.
    if (!skipped.Empty()) {
        WideString message(L"The machines of these nodes of cluster ");
        message.Append(cluster.name);
        message.Append(L" are not listed:\n");
        message.Append(skipped);
        MessageBoxW(hwnd, message.c_str(), L"connect", MB_OK | MB_ICONINFORMATION);
    }
}

void ConnectDlg::ShowListing(std::vector<MachineEntry> entries) {
    EnableOpen(false);
    SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_RESETCONTENT, 0, 0);
    entries_ = std::move(entries);
    // The machine chosen last is selected again: the one of its identifier if the host lists it
    // under the same name, else the last one listed under that name.
    bool sameMachine = false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const MachineEntry& entry = entries_[i];
        // A cluster's machines say their node: "cl-a (NODE-2)".
        WideString text(entry.elementName);
        if (!entry.node.Empty()) {
            text.Append(L" (");
            text.Append(entry.node);
            text.Append(L")");
        }
        // The box is sorted: the answer is the index the entry got. The item keeps the entry's
        // place in the listing, since the text need not tell machines apart.
        LRESULT index = SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_ADDSTRING, 0,
                                            reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) continue;  // the box is out of room; nothing to select
        SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_SETITEMDATA, static_cast<WPARAM>(index),
                            static_cast<LPARAM>(i));
        if (IsWanted(entry) && !sameMachine) {
            sameMachine = !vmId.Empty() && entry.name == vmId;
            SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            EnableOpen(true);
        }
    }
}

bool ConnectDlg::IsWanted(const MachineEntry& entry) const {
    // By name; by identifier alone when only that was asked for (a command line's GUID).
    if (!vmName.Empty()) return entry.elementName == vmName;
    return !vmId.Empty() && _wcsicmp(entry.name.c_str(), vmId.c_str()) == 0;
}

void ConnectDlg::OnOpen() {
    const LRESULT selected = SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_GETCURSEL, 0, 0);
    if (selected < 0) return;
    const LRESULT entry =
        SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (entry < 0 || static_cast<size_t>(entry) >= entries_.size()) return;
    vmName = entries_[static_cast<size_t>(entry)].elementName;
    vmId = entries_[static_cast<size_t>(entry)].name;
    vmNode = entries_[static_cast<size_t>(entry)].node;
    vmClustered = entries_[static_cast<size_t>(entry)].clustered;
    EndDialog(hwnd, IDOK);
}

void ConnectDlg::EnableOpen(bool enable) {
    EnableWindow(GetDlgItem(hwnd, IDC_CONNECT_OPEN), enable ? TRUE : FALSE);
}

bool ConnectDlg::HasSelection() const {
    return SendDlgItemMessageW(hwnd, IDC_CONNECT_MACHINES, CB_GETCURSEL, 0, 0) >= 0;
}
