#include "console/key_tables.h"
#include "console/main_wnd.h"
#include "dialogs/connect_dlg.h"
#include "dialogs/setting_dlg.h"
#include "resources/resource.h"
#include "shell/app.h"

// The "&Console" menu's commands: open a machine, change the display settings, close the
// machine, and fetch one image at the guest's full resolution.

namespace {
constexpr UINT_PTR RefreshTimer = 1;
constexpr DWORD FullSizeHoldMs = 5000;

// Shows a failed step (body: the operation's error text, caption: the step) and says whether it
// failed. 0 is success.
bool Failed(HWND owner, HRESULT result, const WideString& errorText, const wchar_t* caption) {
    if (result == 0) return false;
    MessageBoxW(owner, errorText.c_str(), caption, MB_OK);
    return true;
}
}  // namespace

void MainWnd::OnConnect() {
    ConnectDlg dialog;
    dialog.server = server;
    dialog.user = user;
    dialog.password = L"";  // the password typed last time is never shown again
    dialog.vmName = vmName;
    dialog.vmId = vmId;
    RunConnectDialog(dialog);
}

void MainWnd::RunConnectDialog(ConnectDlg& dialog) {
    if (dialog.RunModal(AppInstance(), IDD_CONNECT, hwnd) != 1) return;
    server = dialog.server;
    user = dialog.user;
    vmName = dialog.vmName;
    vmId = dialog.vmId;
    vmNode = dialog.vmNode;
    vmClustered = dialog.vmClustered;
    cluster = dialog.cluster;
    OpenChosenMachine(dialog.password);
}

void MainWnd::OpenFromOverview(const wchar_t* newServer, const wchar_t* newUser, const wchar_t* newPassword,
                               const wchar_t* name, const wchar_t* id) {
    server = newServer;
    user = newUser;
    vmName = name;
    vmId = id;
    // The overview's tile names the node itself; a move is found by asking it for its cluster.
    vmNode.Clear();
    vmClustered = false;
    cluster = ClusterInfo{};
    WideString password(newPassword);
    OpenChosenMachine(password);
}

void MainWnd::OpenChosenMachine(WideString& password) {
    // Before any step: a step that fails must find nothing of the machine open so far to act on
    // (its typing, its reconnection).
    CloseMachine();
    // The credentials keep the one copy of the password, encrypted, for a reconnection.
    conn.SetCredentials(user.c_str(), password.c_str());
    password.Wipe();

    // The window names the chosen machine before any step runs, and keeps it if one fails.
    WideString windowText(title);
    windowText.Append(L" - ");
    windowText.Append(vmName);
    SetWindowTextW(hwnd, windowText.c_str());

    // A failed step leaves no machine open, half-opened ones included, before its box says why
    // (the box's own message loop runs the ticks).
    WideString errorText;
    const auto failed = [&](HRESULT result, const wchar_t* caption) {
        if (result == 0) return false;
        CloseMachine();
        SetWindowTextW(hwnd, windowText.c_str());
        return Failed(hwnd, result, errorText, caption);
    };
    // A cluster's machine opens on the node that runs it, with the same logon.
    if (failed(conn.Connect(MachineNode(), errorText), L"cannot connect server")) return;
    if (failed(conn.FindManagementService(errorText), L"cannot VirtualSystemImageService")) return;
    // By the identifier when the dialog gave one: two machines may share a display name.
    const HRESULT opened = vmId.Empty() ? conn.OpenMachine(vmName.c_str(), errorText)
                                        : conn.OpenMachineById(vmId.c_str(), errorText);
    if (failed(opened, L"cannot open vm")) return;
    // A reconnection finds it again by its identifier, also when it was picked by name.
    if (conn.machineName.Text()) vmId.Assign(conn.machineName.Text());
    if (failed(conn.FindVideoHead(errorText), L"cannot get VideoHead")) return;
    const HRESULT fetched = FetchImage(errorText, setting.scale, setting.width, setting.height);
    TakeOpenedState();
    // A machine that is not running has no picture to give: it opens all the same.
    const bool notRunning = status.known && status.state != MachineState::Running;
    if (!notRunning && failed(fetched, L"cannot get Thumbnailvm")) return;
    if (failed(conn.FindMouse(errorText), L"cannot get mouse device")) return;

    timerId = SetTimer(hwnd, RefreshTimer, static_cast<UINT>(setting.interval), nullptr);
    RequestRefresh();
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MainWnd::OnSettings() {
    SettingDlg dialog;
    dialog.setting = setting;
    if (dialog.RunModal(AppInstance(), IDD_SETTING, hwnd) != 1) return;

    timerId = SetTimer(hwnd, RefreshTimer, static_cast<UINT>(dialog.setting.interval), nullptr);
    setting = dialog.setting;
    if (!MachineOpen()) return;

    // The new capture size takes effect at the refresh posted below; nothing is fetched here.
    WideString errorText;
    conn.keyboard.Reset(nullptr);
    Failed(hwnd, conn.FindVideoHead(errorText), errorText, L"cannot get VideoHead");
    if (Failed(hwnd, conn.FindMouse(errorText), errorText, L"cannot get mouse device")) return;
    RequestRefresh();
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MainWnd::OnDisconnect() {
    conn.credentials.ForgetPassword();  // kept only for a reconnection of the machine open
    if (!MachineOpen()) return;
    // The host connection stays (the kept class definitions go: the next Open connects anew).
    CloseMachine();
    conn.classes.Clear();
    SetWindowTextW(hwnd, title.c_str());
}

void MainWnd::CloseMachine() {
    StopTyping();
    link.Stop();  // a machine closed is not tried again
    clusterAsked = false;  // the next machine's host is asked anew, if it is ever gone
    conn.CloseMachine();
    status.Forget();
    ForgetModifierKeys();  // a modifier held in one guest is not down in the next
    holdUntilTick = 0;
    ++closings;
    // The next paint finds no machine open and says so.
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MainWnd::OnRefreshFullSize() {
    if (!MachineOpen()) return;
    WideString errorText;  // failures are ignored: the last image stays on screen
    conn.FindVideoHead(errorText);
    conn.FindMouse(errorText);
    FetchImage(errorText, 1.0f, 0, 0);
    // Ticks leave the full-size image on screen until the tick count passes this (wrapping).
    holdUntilTick = GetTickCount() + FullSizeHoldMs;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}
