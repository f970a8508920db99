#pragma once
#include "shell/base_dlg.h"
#include "shell/wide_string.h"

#include <windows.h>

#include <functional>

// The overview's "Add Host" dialog (template 141): a server, a user name and a password, tried
// by the caller when "Add" is pressed. A host that does not answer gets the Connect dialog's
// text in a box and the dialog stays open with what was typed; one that answers ends it with 1.
class AddHostDlg : public BaseDlg {
public:
    AddHostDlg() = default;
    ~AddHostDlg() { password.Wipe(); }

    WideString server;    // "" or "." is this machine
    WideString user;      // "domain\user", a bare user name, or "" for the current logon
    WideString password;  // wiped as soon as the caller has tried it
    bool passwordFirst = false;  // the focus starts in the password box (server and user filled in)
    // Connects to the typed host: 0, or the failure with the Connect dialog's text.
    std::function<HRESULT(const WideString& server, const WideString& user, const WideString& password,
                          WideString& errorText)>
        tryHost;

protected:
    INT_PTR HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnAdd();
};
