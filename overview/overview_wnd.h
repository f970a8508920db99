#pragma once
#include "overview/details_sort.h"
#include "overview/overview_hosts.h"
#include "overview/overview_rules.h"
#include "shell/base_wnd.h"
#include "shell/wide_string.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

class MainWnd;

// The overview: every machine of one or several hosts, live, in one list view of tiles (each
// machine's thumbnail) or details, grouped by host, with actions on many machines at once. A
// second top-level window of the program on the one GUI thread; the console owns it.
//
// Files by job: overview_wnd.cpp (creation, menus, routing, items, opening a machine),
// overview_tick.cpp (the tick: one summary call per host), overview_tiles.cpp (the tiles' image
// list), overview_actions.cpp (the Action items on the selection), overview_hosts.cpp (the model).
class OverviewWnd : public BaseWnd {
public:
    explicit OverviewWnd(MainWnd& console) : console_(console) {}
    ~OverviewWnd();
    OverviewWnd(const OverviewWnd&) = delete;
    OverviewWnd& operator=(const OverviewWnd&) = delete;

    // Opens the window, or brings it to the front when it is open. A window opened anew shows the
    // host the console is connected to, if any; then each of `servers` not shown yet, under the
    // process's own logon. Nothing is stored: hosts are kept while the window is open.
    void Open(const std::vector<WideString>& servers = {});
    // Shows one more host (its server, logon and caption set; an empty caption is its server);
    // its first tick connects it. For callers that add hosts of their own, such as a cluster's
    // nodes, each with its caption.
    OverviewHost& AddHost(std::unique_ptr<OverviewHost> host);
    // Shows the host, or, when it is a node of a failover cluster or the cluster's name, every
    // node of its cluster that is not shown yet, one group each.
    void AddServerHosts(std::unique_ptr<OverviewHost> host);
    // The hosts shown, in their order.
    OverviewHosts& Hosts() { return hosts_; }

protected:
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // overview_wnd.cpp
    bool CreateOverviewWindow();
    void OnCreate();
    void OnDestroy();
    LRESULT OnNotify(const NMHDR& header);
    void OnContextMenu(LPARAM lParam);
    void OnInitMenuPopup(HMENU popup);
    bool OnCommand(int id);
    void SetView(OverviewView view);
    void OpenSelected();
    void OnAddHost();
    void OnRemoveHost();
    void Refresh();
    OverviewHost* FindHost(uint32_t serial);
    OverviewHost* ShownHost(const wchar_t* server);
    // Every node of the cluster lists its machines again on the next tick: one may have moved.
    void RelistCluster(const WideString& cluster);
    OverviewMachine* MachineOf(LPARAM key, OverviewHost** host = nullptr);
    int ItemOf(LPARAM key) const;
    std::vector<LPARAM> SelectedKeys() const;
    // Inserts, renames and deletes the host's items; true when any came or went.
    bool SyncItems(OverviewHost& host, const std::vector<RemovedMachine>& removed);
    void ShowHostHeader(const OverviewHost& host);
    void Sort();
    void GetDisplayInfo(NMLVDISPINFOW& info);

    // overview_tick.cpp
    void OnTick();
    void TickHost(OverviewHost& host, uint32_t now, std::vector<LPARAM>& visible);
    void FailHost(OverviewHost& host, HRESULT hr, uint32_t now);
    std::vector<LPARAM> VisibleKeys() const;

    // overview_tiles.cpp
    void ResetTiles();
    void DrawDirtyTiles();
    void DrawTile(const OverviewHost& host, OverviewMachine& machine);
    void ReleaseTiles();

    // overview_actions.cpp
    void EnableActions(HMENU popup);
    bool OnActionCommand(int id);
    void FollowJobs();
    void EndBatchIfDone();

    MainWnd& console_;
    HWND list_ = nullptr;
    OverviewHosts hosts_;
    OverviewView view_ = OverviewView::MediumTiles;
    DetailsColumn sortColumn_ = DetailsColumn::Name;
    bool sortDescending_ = false;
    LPARAM nextKey_ = 0;
    uint32_t nextSerial_ = 0;
    bool inTick_ = false;  // a box of a tick's own (none today) or a nested loop must not tick again

    // The tiles: one image list at the view's size, a slot per machine, drawn through one bitmap.
    HIMAGELIST images_ = nullptr;
    std::vector<int> freeSlots_;
    HBITMAP tileBitmap_ = nullptr;
    uint32_t* tileBits_ = nullptr;

    // The one multi-machine action under way: the machines its question named, held by host and
    // identifier, and what became of each. Its failures are reported in one box when none is
    // left pending.
    struct BatchItem {
        uint32_t host;
        WideString id, name, hostCaption;
        bool pending = false;
        WideString failure;  // empty: done, or still pending
    };
    bool batchRunning_ = false;
    MachineAction batchAction_ = MachineAction::Start;
    std::vector<BatchItem> batch_;
};
