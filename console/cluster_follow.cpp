#include "console/key_tables.h"
#include "console/main_wnd.h"
#include "wmi/cluster_query.h"
#include "wmi/wmi_session.h"

#include <cwchar>

// Following a machine of a failover cluster. While its picture is shown, a clustered machine's
// state is read on each tick (one round trip), which says "migrating" during a live migration.
// When its node answers that it is gone, or its node is lost, the console asks the cluster which
// node owns it now (by its identifier, never its name), connects there with the same logon and
// opens it again by its identifier (reconnect.cpp). Meanwhile the title says "(Moving to NODE-2)",
// input and pasted text are dropped, and a failed try is repeated on the reconnection's back-off.
// A machine of a host outside any cluster costs nothing here until it is gone; then its host is
// asked once whether it is a cluster node, and a node whether its cluster runs the machine.

namespace {
void AppendCode(WideString& text, HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(hr));
    text.Append(code);
}
}  // namespace

const wchar_t* MainWnd::MachineNode() const { return vmNode.Empty() ? server.c_str() : vmNode.c_str(); }

void MainWnd::OnStateUnread(HRESULT hr) {
    if (status.moving || !link.Live()) return;
    // Gone from a host that may be a cluster node; or, for a clustered machine, its node lost.
    if (vmClustered && IsConnectionLost(static_cast<uint32_t>(hr)))
        LoseConnection();
    else if (hr == WbemNotFound)
        BeginMove();
}

void MainWnd::BeginMove() {
    // A host outside any cluster is asked once per connection; after that, a machine gone from
    // it is as it always was.
    if (status.moving || (!vmClustered && clusterAsked)) return;
    status.moving = true;
    status.migrating = false;
    status.moveTarget.Clear();
    status.moveNote.Clear();
    StopTyping();              // typed for the machine as it was, not for wherever it lands
    conn.image.byteCount = 0;  // no picture, so no input is forwarded until it is open again
    ShowStatusTitle();
    InvalidateRect(hwnd, nullptr, TRUE);
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
    case OwnerLookup::NotListed:
        // A machine that is no role of the cluster does not move: gone from its node, it is gone.
        if (!vmClustered) status.moving = false;
        status.moveNote.Assign(L"The cluster lists no resource for it.");
        return false;
    case OwnerLookup::Ambiguous: status.moveNote.Assign(L"Two resources of the cluster claim it."); return false;
    case OwnerLookup::NoOwner: status.moveNote.Assign(L"No node owns it now."); return false;
    }
    return false;
}

void MainWnd::TryMove() {
    WideString owner;
    const bool known = AskOwner(owner);
    if (!status.moving) {  // its host is no cluster node: nothing to follow
        ShowStatusTitle();
        return;
    }
    if (known) {
        status.moveTarget = owner;
        ShowStatusTitle();
        bool missing = false;
        const HRESULT hr = Reopen(owner.c_str(), missing);
        if (hr == 0) {
            vmNode = owner;
            clusterAsked = false;  // a new connection
            return;
        }
        status.moveNote = owner;
        if (missing) {
            status.moveNote.Append(L" does not have it yet.");
        } else {
            status.moveNote.Append(L" does not answer (");
            AppendCode(status.moveNote, hr);
            status.moveNote.Append(L").");
        }
    }
    // Nothing of the node it left is used again: its devices, held keys, job or shutdown.
    if (link.Live()) {
        conn.DropConnection();
        holdUntilTick = 0;
        ForgetModifierKeys();
    }
    link.TryFailed(GetTickCount());
    wchar_t text[48];
    std::swprintf(text, 48, L" Trying again in %u s.", static_cast<unsigned>(BackoffDelayMs(link.failures) / 1000));
    status.moveNote.Append(text);
    ShowStatusTitle();
    InvalidateRect(hwnd, nullptr, TRUE);
}
