#include "console/main_wnd.h"
#include "wmi/cluster_query.h"
#include "wmi/wmi_session.h"

#include <cwchar>

// Following a machine of a failover cluster. While its picture is shown, a clustered machine's
// state is read on each tick (one round trip), which says "migrating" during a live migration.
// When its node answers that it is gone, or its node is lost, the console asks the cluster which
// node owns it now (by its identifier, never its name), connects there with the same logon and
// opens it again by its identifier. Meanwhile the title says "(Moving to NODE-2)", input and
// pasted text are dropped, and a failed try is repeated after 1, 2, 4, 8, 16, then every 30 s.
// A machine of a host outside any cluster costs nothing here until it is gone; then its host is
// asked once whether it is a cluster node.

namespace {
constexpr DWORD MoveDelaysMs[] = {1000, 2000, 4000, 8000, 16000, 30000};
constexpr HRESULT RpcServerUnavailable = static_cast<HRESULT>(0x800706BA);
constexpr HRESULT RpcCallFailed = static_cast<HRESULT>(0x800706BE);

// The host says the machine is not there, or the host itself is gone.
bool MachineGone(HRESULT hr) { return hr == WbemNotFound; }
bool HostLost(HRESULT hr) {
    return hr == RPC_E_DISCONNECTED || hr == RpcServerUnavailable || hr == RpcCallFailed;
}

void AppendCode(WideString& text, HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(hr));
    text.Append(code);
}
}  // namespace

const wchar_t* MainWnd::MachineNode() const { return vmNode.Empty() ? server.c_str() : vmNode.c_str(); }

void MainWnd::OnStateUnread(HRESULT hr) {
    if (status.moving) return;
    // Gone from a host that may be a cluster node; or, for a clustered machine, its node lost.
    if (MachineGone(hr) || (vmClustered && HostLost(hr))) BeginMove();
}

void MainWnd::BeginMove() {
    // A host outside any cluster is asked once per connection; after that, a machine gone from
    // it is as it always was.
    if (!vmClustered && clusterAsked) return;
    status.moving = true;
    status.migrating = false;
    status.moveTarget.Clear();
    status.moveNote.Clear();
    StopTyping();              // typed for the machine as it was, not for wherever it lands
    conn.image.byteCount = 0;  // no picture, so no input is forwarded until it is open again
    moveAttempt = 0;
    moveRetryAt = GetTickCount();
    ShowStatusTitle();
    InvalidateRect(hwnd, nullptr, TRUE);
    TryMove();
}

void MainWnd::FollowMove() {
    if (static_cast<int32_t>(GetTickCount() - moveRetryAt) < 0) return;
    TryMove();
}

bool MainWnd::AskOwner(WideString& owner) {
    // The node it was on answers for the cluster while it is up; after a failover only the other
    // nodes can, in the cluster's order.
    ClusterInfo owners;
    WideString errorText;
    HRESULT hr = QueryCluster(MachineNode(), conn.credentials, false, owners, errorText);
    clusterAsked = true;
    if (hr != 0 && !vmClustered) {
        status.moving = false;  // not a cluster node: nothing to follow
        return false;
    }
    for (size_t i = 0; hr != 0 && i < cluster.nodes.size(); ++i)
        if (!SameNode(cluster.nodes[i].name.c_str(), MachineNode()))
            hr = QueryCluster(cluster.nodes[i].name.c_str(), conn.credentials, false, owners, errorText);
    if (hr != 0) {
        status.moveNote.Assign(L"No node of the cluster answers (");
        AppendCode(status.moveNote, hr);
        status.moveNote.Append(L").");
        return false;
    }
    switch (FindOwnerNode(owners, vmId.c_str(), owner)) {
    case OwnerLookup::Found:
        if (!SameNode(owner.c_str(), MachineNode())) return true;
        status.moveNote.Assign(L"The cluster still names its old node as its owner.");
        return false;
    case OwnerLookup::NotListed: status.moveNote.Assign(L"The cluster lists no resource for it."); return false;
    case OwnerLookup::Ambiguous: status.moveNote.Assign(L"Two resources of the cluster claim it."); return false;
    case OwnerLookup::NoOwner: status.moveNote.Assign(L"No node owns it now."); return false;
    }
    return false;
}

void MainWnd::TryMove() {
    WideString owner;
    if (!AskOwner(owner)) {
        if (status.moving) RetryMoveLater();
        ShowStatusTitle();
        InvalidateRect(hwnd, nullptr, TRUE);
        return;
    }
    status.moveTarget = owner;
    ShowStatusTitle();
    // The usual open, on the new node, by the machine's identifier. The machine stays open while
    // it is looked for (a connection that fails lets go of it): its settings are kept until replaced.
    ComRef<IWbemClassObject> keptSettings = conn.settingData.object.Share();
    WideString errorText;
    HRESULT hr = conn.Connect(owner.c_str(), errorText);
    if (hr == 0) hr = conn.FindManagementService(errorText);
    if (hr == 0) hr = conn.OpenMachineById(vmId.c_str(), errorText);
    if (hr == 0) {
        conn.keyboard.Reset(nullptr);
        conn.FindVideoHead(errorText);
        conn.FindMouse(errorText);
        vmNode = owner;
        clusterAsked = false;  // a new connection
        status.Forget();
        TakeOpenedState();
        refreshAfterTick = true;  // the picture at once, even when this tick has fetched already
        InvalidateRect(hwnd, nullptr, TRUE);
        return;
    }
    if (!conn.settingData.object) conn.settingData.Reset(std::move(keptSettings));
    status.moveNote = owner;
    status.moveNote.Append(hr == WbemNotFound ? L" does not have it yet." : L" does not answer (");
    if (hr != WbemNotFound) {
        AppendCode(status.moveNote, hr);
        status.moveNote.Append(L").");
    }
    RetryMoveLater();
    ShowStatusTitle();
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MainWnd::RetryMoveLater() {
    constexpr size_t last = sizeof(MoveDelaysMs) / sizeof(MoveDelaysMs[0]) - 1;
    const DWORD delay = MoveDelaysMs[moveAttempt < last ? moveAttempt : last];
    ++moveAttempt;
    moveRetryAt = GetTickCount() + delay;
    wchar_t text[48];
    std::swprintf(text, 48, L" Trying again in %u s.", static_cast<unsigned>(delay / 1000));
    status.moveNote.Append(text);
}
