#include "console/key_tables.h"
#include "console/main_wnd.h"
#include "wmi/wmi_session.h"

// Coming back by itself: a tick whose image request finds the connection lost keeps the machine
// open, drops everything of the old connection and tries the same server, namespace and logon
// again on later ticks (reconnect_schedule.h has the back-off). Once connected it opens the machine
// again by its identifier, then its video head, picture and mouse. No box is shown for any of this;
// DisConnect or a new Connect stops it.

void MainWnd::LoseConnection() {
    if (!MachineOpen()) return;
    StopTyping();
    // Nothing of the old connection reaches the new one: devices, job, shutdown, held keys.
    conn.DropConnection();
    status.Forget();
    holdUntilTick = 0;
    ForgetModifierKeys();  // unknown until the guest is asked again
    link.Lose();
    // A lost node of a cluster may have handed its machines to another: the cluster says which.
    if (vmClustered) {
        BeginMove();
        return;
    }
    ShowStatusTitle();
    InvalidateRect(hwnd, nullptr, TRUE);
}

HRESULT MainWnd::Reopen(const wchar_t* target, bool& missing) {
    // The machine stays open whatever the try finds: its settings object is kept until replaced.
    ComRef<IWbemClassObject> keptSettings = conn.settingData.object.Share();
    WideString errorText;
    HRESULT hr = conn.Connect(target, errorText);
    if (hr == 0) hr = conn.FindManagementService(errorText);
    missing = false;
    if (hr == 0) {
        hr = conn.OpenMachineById(vmId.c_str(), errorText);
        // Found nothing, and not because a query failed: the host does not have it.
        missing = !conn.machine.object && errorText.Empty();
        if (hr == 0 && !conn.settingData.object) hr = WbemNotFound;
    }
    if (hr != 0) {
        conn.DropConnection();
        if (!conn.settingData.object) conn.settingData.Reset(std::move(keptSettings));
        return hr;
    }
    link.Stop();
    status.Forget();
    ForgetModifierKeys();
    // As Connect does: the picture before the mouse, since painting without one drops the mouse.
    conn.FindVideoHead(errorText);
    FetchImage(errorText, setting.scale, setting.width, setting.height);
    TakeOpenedState();
    conn.FindMouse(errorText);
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
}

void MainWnd::TryReconnect() {
    bool missing = false;
    if (Reopen(MachineNode(), missing) == 0) return;
    // Gone from a host that may be a node of a cluster: the cluster may know where it went.
    if (missing && !clusterAsked) {
        BeginMove();
        if (status.moving) return;
    }
    if (missing)
        link.MachineMissing(GetTickCount());
    else
        link.TryFailed(GetTickCount());
    ShowStatusTitle();
    InvalidateRect(hwnd, nullptr, TRUE);
}
