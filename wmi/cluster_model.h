#pragma once
#include "shell/wide_string.h"

#include <cstdint>
#include <vector>

// What vuemere knows of a failover cluster (root\MSCluster): its name, its nodes with their
// states, and which node owns each clustered machine. No platform headers, so it can be tested
// natively. Every value came from a host: nothing here trusts it to be complete or consistent.

// MSCluster_Node.State: -1 unknown, 0 up, 1 down, 2 paused, 3 joining.
constexpr int32_t NodeUp = 0, NodeDown = 1, NodePaused = 2, NodeJoining = 3;

struct ClusterNode {
    WideString name;
    int32_t state = -1;
};

// One MSCluster_Resource of type "Virtual Machine": the machine's identifier from its private
// properties (empty when it had none) and the node that owns it.
struct ClusterVm {
    WideString vmId;
    WideString ownerNode;
};

struct ClusterInfo {
    WideString name;
    std::vector<ClusterNode> nodes;
    std::vector<ClusterVm> vms;
};

// Whether a node in this state runs machines that can be listed and watched: up, or paused (a
// paused node keeps the machines it has, it only takes no new ones).
bool NodeServesMachines(int32_t state);

// "Down", "Paused", "Joining", "state 7": how the Connect dialog says why a node was skipped.
const wchar_t* NodeStateName(int32_t state);

// Machine identifiers compared as GUIDs: without regard to case or to enclosing braces.
bool SameVmId(const wchar_t* a, const wchar_t* b);

// Computer names compared as Windows compares them: without regard to ASCII case.
bool SameNode(const wchar_t* a, const wchar_t* b);

enum class OwnerLookup {
    Found,      // one node owns it
    NotListed,  // no resource carries this identifier
    Ambiguous,  // resources naming different owners claim it: none is trusted
    NoOwner,    // its resource names no node
};

// The node that owns the machine of `vmId`, by the resources' VmId, never by any name.
OwnerLookup FindOwnerNode(const ClusterInfo& cluster, const wchar_t* vmId, WideString& node);

// The Connect dialog's note on the nodes whose machines it could not list: one line each,
// "node-3 (Down)" or "node-4 (does not answer: 0x800706BA)".
void AppendSkippedNode(const wchar_t* node, const wchar_t* why, WideString& text);
