#include "wmi/cluster_listing.h"
#include "wmi/cluster_query.h"

#include <cwchar>

namespace {
// Adds a node's machines: a machine another node listed already stays once, with the node the
// cluster says owns it (during a migration both nodes may show it).
void MergeNodeMachines(const ClusterInfo& cluster, const wchar_t* node, std::vector<MachineEntry>& nodeEntries,
                       std::vector<MachineEntry>& entries) {
    for (MachineEntry& entry : nodeEntries) {
        WideString owner;
        const bool clustered = FindOwnerNode(cluster, entry.name.c_str(), owner) == OwnerLookup::Found;
        entry.node.Assign(node);
        entry.clustered = clustered;
        MachineEntry* earlier = nullptr;
        for (MachineEntry& e : entries)
            if (SameVmId(e.name.c_str(), entry.name.c_str())) earlier = &e;
        if (!earlier) {
            entries.push_back(entry);
        } else if (clustered && SameNode(owner.c_str(), node)) {
            *earlier = entry;
        }
    }
}
}  // namespace

HRESULT ListServerMachines(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                           std::vector<MachineEntry>& entries, ClusterInfo& cluster, WideString& skipped,
                           WideString& errorText, bool* cut) {
    skipped.Clear();
    cluster = ClusterInfo{};
    // The server first, as a host outside any cluster is listed: what it answers decides alone
    // whether the listing fails.
    std::vector<MachineEntry> own;
    HRESULT hr = ListMachines(server, user, password, own, errorText, cut);
    if (hr != 0) return hr;
    {
        WmiCredentials credentials;  // outlives the proxies that point at its identity
        credentials.SetCredentials(user, password);
        WideString clusterError;
        if (QueryCluster(server, credentials, true, cluster, clusterError) != 0 || cluster.nodes.empty()) {
            cluster = ClusterInfo{};
            entries.insert(entries.end(), own.begin(), own.end());
            return 0;
        }
    }
    // A cluster: every node by its own name, since the server's name need not say which node
    // answered (the cluster's name reaches any of them).
    std::vector<MachineEntry> all;
    for (const ClusterNode& node : cluster.nodes) {
        if (!NodeServesMachines(node.state)) {
            AppendSkippedNode(node.name.c_str(), NodeStateName(node.state), skipped);
            continue;
        }
        std::vector<MachineEntry> nodeEntries;
        WideString nodeError;
        bool nodeCut = false;
        hr = ListMachines(node.name.c_str(), user, password, nodeEntries, nodeError, &nodeCut);
        if (cut && nodeCut) *cut = true;
        if (hr != 0) {
            wchar_t why[48];
            std::swprintf(why, 48, L"does not answer: 0x%X", static_cast<unsigned>(hr));
            AppendSkippedNode(node.name.c_str(), why, skipped);
            continue;
        }
        MergeNodeMachines(cluster, node.name.c_str(), nodeEntries, all);
    }
    entries.insert(entries.end(), all.begin(), all.end());
    return 0;
}
