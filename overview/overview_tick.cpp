#include "overview/overview_wnd.h"

#include <algorithm>

namespace {
constexpr uint32_t MethodInvalidParameter = 32773;  // a summary's only path names nothing
}

// The overview's tick, every two seconds and at once after a change: per host, one
// GetSummaryInformation for the machines whose items are visible, at the view's thumbnail size
// (none for "&Details"), answers matched by identifier. The listing of a host's machines at most
// every tenth tick; a host that fails is greyed, says why in its header, and is tried again
// every thirty seconds on a fresh connection, while the others go on. No tick raises a box.

void OverviewWnd::OnTick() {
    if (inTick_ || !list_) return;
    inTick_ = true;
    // Every tick, also a requested one, starts the interval anew.
    SetTimer(hwnd, OverviewTimerId, OverviewTickMs, nullptr);
    const uint32_t now = GetTickCount();
    std::vector<LPARAM> visible = VisibleKeys();
    for (size_t i = 0; i < hosts_.size(); ++i) TickHost(*hosts_[i], now, visible);
    FollowJobs();
    DrawDirtyTiles();
    if (view_ == OverviewView::Details) InvalidateRect(list_, nullptr, FALSE);
    inTick_ = false;
    EndBatchIfDone();  // its box, if any, after the tick has settled everything
}

std::vector<LPARAM> OverviewWnd::VisibleKeys() const {
    std::vector<LPARAM> keys;
    RECT client{};
    if (!IsWindowVisible(hwnd) || IsIconic(hwnd) || !GetClientRect(list_, &client)) return keys;
    const int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        RECT overlap{};
        if (!SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rect)) ||
            !IntersectRect(&overlap, &rect, &client))
            continue;
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) keys.push_back(item.lParam);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

void OverviewWnd::TickHost(OverviewHost& host, uint32_t now, std::vector<LPARAM>& visible) {
    if (host.failed && !RetryDue(now, host.failedAt)) return;
    WideString errorText;
    if (host.failed || !host.connected) {
        // A fresh connection: after a disconnect the old proxy answers nothing any more.
        const HRESULT hr = ConnectHost(host, errorText);
        if (hr != 0) return FailHost(host, hr, now);
        host.listed = false;
    }
    if (ListingDue(host.listed, host.ticksSinceListing)) {
        std::vector<ListedMachine> listed;
        const HRESULT hr = ListLiveSettings(host.conn.services.Get(), host.conn.credentials, host.conn.providerVersion,
                                            listed, errorText);
        if (hr != 0) return FailHost(host, hr, now);
        std::vector<RemovedMachine> removed;
        MergeListing(host, listed, nextKey_, removed);
        host.listed = true;
        host.ticksSinceListing = 0;
        // Items new or gone move the others: what is in sight is looked at again.
        if (SyncItems(host, removed)) visible = VisibleKeys();
    }
    ++host.ticksSinceListing;

    std::vector<const wchar_t*> paths;
    for (const OverviewMachine& machine : host.machines)
        if (std::binary_search(visible.begin(), visible.end(), machine.key)) paths.push_back(machine.settingsPath.c_str());
    if (!paths.empty()) {
        // After a refused request with pictures (a host may refuse pictures of machines that
        // have none), one without: the states still come, and the next tick asks with again.
        TileSize size = TileSizeOf(view_);
        if (host.picturesRefused) size = TileSize{0, 0};
        SummaryAnswer answer;
        const HRESULT hr = RequestMachineSummaries(host.conn.services.Get(), host.conn.classes,
                                                   host.conn.managementService.PathText(), paths, size.width,
                                                   size.height, answer, errorText);
        if (hr != 0) return FailHost(host, hr, now);
        host.picturesRefused = size.width != 0 && answer.returnValue != 0 && answer.returnValue != MethodJobStarted;
        size_t answered = 0;
        for (MachineSummary& summary : answer.summaries) {
            OverviewMachine* machine = host.Find(summary.name.c_str());
            // Only what was asked about: an answer for a machine not asked is nobody's picture.
            if (!machine || !std::binary_search(visible.begin(), visible.end(), machine->key)) continue;
            ++answered;
            if (TakeSummary(host, summary, size.width, size.height, *machine)) machine->tileDirty = true;
        }
        // A node of a cluster that no longer knows a machine (left out of the answer, or the only
        // path refused as naming nothing): it may have moved, so its tile follows it next tick.
        const bool unknownPath = answer.returnValue == MethodInvalidParameter;
        if ((answer.returnValue == 0 && answered < paths.size()) || unknownPath) RelistCluster(host.cluster);
    }
    if (host.failed) {
        host.failed = false;
        for (OverviewMachine& machine : host.machines) machine.tileDirty = true;
        ShowHostHeader(host);
    }
}

void OverviewWnd::FailHost(OverviewHost& host, HRESULT hr, uint32_t now) {
    const bool news = !host.failed || host.failure != hr;
    host.failed = true;
    host.failedAt = now;
    host.failure = hr;
    host.connected = false;
    // Its jobs cannot be followed on a connection that is gone: they go on on the host, unwatched.
    for (OverviewMachine& machine : host.machines) {
        machine.tileDirty = true;
        machine.tile.jobRunning = false;
    }
    for (BatchItem& item : batch_)
        if (item.host == host.serial && item.pending) {
            item.pending = false;
            BuildHostFailureText(host.caption.c_str(), static_cast<uint32_t>(hr), item.failure);
        }
    if (news) ShowHostHeader(host);
    // A node that fails may have taken its machines elsewhere in its cluster.
    if (news) RelistCluster(host.cluster);
}
