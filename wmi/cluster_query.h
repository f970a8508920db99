#pragma once
#include "shell/wide_string.h"
#include "wmi/cluster_model.h"
#include "wmi/wmi_credentials.h"

#include <windows.h>

// Asks `server` ("" or "." = this machine) for the failover cluster it belongs to, through the
// cluster provider's namespace root\MSCluster (which requires packet privacy: the connection
// blanket has it), with the credentials. `withNodes`: the cluster's name and its nodes with their
// states too; the owners of the clustered machines always. Returns 0, or the failing call's
// HRESULT with a short text: a host without the namespace answers WBEM_E_INVALID_NAMESPACE, and
// any failure means "no cluster to ask here".
HRESULT QueryCluster(const wchar_t* server, const WmiCredentials& credentials, bool withNodes, ClusterInfo& cluster,
                     WideString& errorText);
