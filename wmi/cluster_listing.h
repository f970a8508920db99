#pragma once
#include "shell/wide_string.h"
#include "wmi/cluster_model.h"
#include "wmi/machine_list.h"

#include <windows.h>

#include <vector>

// The Connect dialog's listing. `server` is listed as ListMachines lists it (its failure is the
// listing's), then asked once for its failover cluster; a host that has none (any failure of
// that question) keeps that listing, and `cluster` is left without nodes. A node of a cluster, or
// the cluster's name, lists instead the machines of every node that serves machines (up or
// paused), each over a connection of its own, each machine once (the node the cluster names as
// its owner wins), with its node. The nodes that could not be listed are named in `skipped`,
// one line each, with why. `cut` (when given) tells whether a host had more than ListingMax.
HRESULT ListServerMachines(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                           std::vector<MachineEntry>& entries, ClusterInfo& cluster, WideString& skipped,
                           WideString& errorText, bool* cut = nullptr);
