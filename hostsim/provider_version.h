#pragma once
// The two versions of the host's WMI provider and the namespace each one answers, and the
// failover cluster provider's namespace, which a cluster's nodes answer beside them.
#include <optional>
#include <string_view>

namespace hostsim {

enum class ProviderVersion { V1, V2, Cluster };

// root\virtualization for the first version, root\virtualization\v2 for the second,
// root\MSCluster for the cluster's.
const wchar_t* NamespaceOf(ProviderVersion version);

// The version whose namespace a path names (any case, '\' or '/'), or nothing for any other.
std::optional<ProviderVersion> VersionOfNamespace(std::wstring_view nameSpace);

}  // namespace hostsim
