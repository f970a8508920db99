#pragma once
#include "overview/overview_text.h"
#include "shell/wide_string.h"
#include "wmi/live_settings_list.h"
#include "wmi/machine_summary.h"
#include "wmi/vm_conn.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

// The overview's model: a plain list of hosts, each with its server, its logon and connection,
// the caption of its group and its machines. A host is anything that answers the Hyper-V
// provider: a standalone server or one node of a cluster, added with a caption of its own.

struct OverviewMachine {
    WideString id;            // Name: what every answer is matched by
    WideString name;          // ElementName, the item's text
    WideString settingsPath;  // what GetSummaryInformation is asked about
    LPARAM key = 0;           // the list item's lParam, unique for the run
    TileState tile;
    WideString jobPath;       // the job of an action of the overview under way
    bool hasCpu = false, hasMemory = false, hasUptime = false, hasHeartbeat = false;
    uint32_t cpu = 0, heartbeat = 0;
    uint64_t memory = 0, uptime = 0;
    std::vector<uint8_t> picture;  // the last thumbnail (RGB 5-6-5) at pictureWidth x pictureHeight
    int32_t pictureWidth = 0, pictureHeight = 0;
    int imageIndex = -1;      // its slot in the tile image list
    bool tileDirty = true;    // the tile must be drawn again
    bool itemMissing = true;  // no list item yet
    bool renamed = false;     // the item's text must be set again
};

// A machine that left the host's listing: its item and its tile's slot go.
struct RemovedMachine {
    LPARAM key;
    int imageIndex;
};

struct OverviewHost {
    uint32_t serial = 0;      // unique for the run: a question holds its machines by it
    WideString server;        // as typed
    WideString caption;       // the group header: the server, or a node's own caption
    WideString cluster;       // the failover cluster it is a node of, if any
    VmConn conn;              // logon, connection, provider version, management service
    bool connected = false;
    bool listed = false;
    int ticksSinceListing = 0;
    bool failed = false;
    uint32_t failedAt = 0;    // GetTickCount of the failure
    HRESULT failure = 0;
    bool picturesRefused = false;  // the last summary with pictures was refused: ask without
    int groupId = 0;
    std::vector<OverviewMachine> machines;

    OverviewMachine* Find(const wchar_t* id);
};

using OverviewHosts = std::vector<std::unique_ptr<OverviewHost>>;

// Connects the host (the provider's namespace it answers, then its management service).
// Returns 0 or the failure with the Connect dialog's text.
HRESULT ConnectHost(OverviewHost& host, WideString& errorText);

// The hosts that `host` (its server and logon set) stands for when its server is a node of a
// failover cluster or the cluster's name: one per node of the cluster, captioned "hvc1 / NODE-2",
// with the same logon. None for a host outside any cluster (any failure of the one question).
std::vector<std::unique_ptr<OverviewHost>> ClusterNodeHosts(const OverviewHost& host);

// Takes a listing into the host's machines: known ones keep their pictures and states (a rename
// changes the name), new ones get a key from `nextKey`, vanished ones go into `removed`.
void MergeListing(OverviewHost& host, std::vector<ListedMachine>& listed, LPARAM& nextKey,
                  std::vector<RemovedMachine>& removed);

// Takes one machine's summary into its entry; true when its tile must be drawn again.
bool TakeSummary(const OverviewHost& host, MachineSummary& summary, int32_t width, int32_t height,
                 OverviewMachine& machine);
