#include "overview/overview_hosts.h"
#include "wmi/cluster_query.h"

// A failover cluster in the overview. A server that is a node of a cluster, or the cluster's
// name, stands for every node of it: each node is a host of its own (its own connection, one
// summary call per tick), captioned "hvc1 / NODE-2". The server is asked once, when it is shown;
// any failure of that question means a host outside any cluster, shown as itself.

std::vector<std::unique_ptr<OverviewHost>> ClusterNodeHosts(const OverviewHost& host) {
    std::vector<std::unique_ptr<OverviewHost>> nodes;
    ClusterInfo cluster;
    WideString errorText;
    if (QueryCluster(host.server.c_str(), host.conn.credentials, true, cluster, errorText) != 0) return nodes;
    for (const ClusterNode& node : cluster.nodes) {
        if (node.name.Empty()) continue;  // nothing to connect to
        auto entry = std::make_unique<OverviewHost>();
        entry->server = node.name;
        entry->cluster = cluster.name.Empty() ? host.server : cluster.name;
        entry->caption = entry->cluster;
        entry->caption.Append(L" / ");
        entry->caption.Append(node.name.c_str());
        // The same logon: a node that is down is shown too, greyed and tried again as any host.
        entry->conn.credentials.CopyFrom(host.conn.credentials);
        nodes.push_back(std::move(entry));
    }
    return nodes;
}
