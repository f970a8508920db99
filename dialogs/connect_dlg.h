#pragma once
#include "shell/base_dlg.h"
#include "shell/wide_string.h"
#include "wmi/cluster_listing.h"

#include <windows.h>

#include <vector>

// Shows the wait cursor for the lifetime of the object: a dialog that connects takes no messages
// while it waits, so nothing replaces the cursor in between.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// A failed connection as the Connect dialog shows it: the text, a blank and the code,
// "cannot conect for server (0x80041003)".
void BuildConnectErrorText(const WideString& errorText, HRESULT result, WideString& message);

// The Connect dialog (template 130): names a host and the credentials for it, lists the host's
// virtual machines and picks one. The caller seeds the texts, runs the dialog modally and takes
// them back only when the run ends with 1 ("Open").
class ConnectDlg : public BaseDlg {
public:
    ConnectDlg() = default;
    ~ConnectDlg() { password.Wipe(); }

    WideString server;    // host; "" or "." is this machine
    WideString user;      // "domain\user", a bare user name, or "" for the current logon
    WideString password;
    WideString vmName;    // display name of the chosen machine; on entry, the one chosen last time
    WideString vmId;      // its identifier (Name), which tells machines of one display name apart
    WideString vmNode;    // the cluster node that runs it, to connect to; "" for `server` itself
    bool vmClustered = false;  // a role of the cluster, which may move it between nodes
    ClusterInfo cluster;  // of the last listing: no nodes when the server is no cluster node

    // How a start from the command line opens it: with a listing already made (or made at once),
    // with a box saying what was wrong with the machine asked for, and, for a named user, the
    // focus in the password box and Enter listing, then opening the machine selected.
    std::vector<MachineEntry> startEntries;
    bool listAtStart = false;
    WideString startError;
    bool passwordFirst = false;

protected:
    INT_PTR HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnInit();
    void OnConnect();
    void OnOpen();
    void EnableOpen(bool enable);
    bool HasSelection() const;
    void ScrubPassword();
    void ShowListing(std::vector<MachineEntry> entries);
    bool IsWanted(const MachineEntry& entry) const;

    std::vector<MachineEntry> entries_;  // of the last listing; each list item holds its index
};
