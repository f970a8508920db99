#pragma once
// The WMI objects a host shows through one version of the provider, built from its current state,
// and the associations between them. A call builds only the objects it may need.
#include "hostsim/host_state.h"
#include "hostsim/object_data.h"
#include "hostsim/object_path.h"

#include <memory>
#include <optional>
#include <vector>

namespace hostsim {

enum class Role {
    HostSystem, VmSystem, Settings, Service, SyntheticDisplay, S3Display, VideoHead, SyntheticMouse, Ps2Mouse, Keyboard,
    ShutdownComponent, SnapshotService, Job,
    // root\MSCluster (cluster_objects.cpp)
    ClusterObject, ClusterNode, ClusterResource, ClusterGroup, ClusterLink
};

struct HostInstance {
    Role role;
    Machine* machine = nullptr;  // nullptr for the host's own objects
    int index = 0;               // Settings: 0 live, 1.. snapshots; VideoHead: 0 synthetic, 1 S3 controller's
    std::shared_ptr<ObjectData> data;
};

// A host as one connection sees it: through the namespace of one provider version.
struct HostView {
    Host* host;
    ProviderVersion version;
    const Schema& schema() const { return host->SchemaFor(version); }
};

// Which instances to build. The host's own objects are never left out by `machines`.
struct InstanceFilter {
    std::wstring className;                               // this class and its subclasses; "" = every class
    std::optional<std::vector<Machine*>> machines;        // only these machines' objects; nothing = every machine
};

// The instances the filter lets through, in the order the host's enumerations deliver them.
std::vector<HostInstance> HostInstances(const HostView& view, const InstanceFilter& filter = {});

// The instance an object path names (class and keys compared case-insensitively), building only the
// objects of its class that belong to the machines its keys could name.
std::optional<HostInstance> FindInstance(const HostView& view, const ObjectPath& path);

// The machines whose objects can hold `value` in `property`, when that property always carries
// its owner's GUID; nothing when any machine's object could.
std::optional<std::vector<Machine*>> MachinesNamedBy(const Host& host, const std::wstring& property,
                                                     const std::wstring& value);

// The objects of root\MSCluster as a node of the host's cluster answers them (cluster_objects.cpp):
// those of `className` and its subclasses ("" = every class).
std::vector<HostInstance> ClusterInstances(const HostView& view, const std::wstring& className);
bool ClusterAssociated(const HostInstance& a, const HostInstance& b);

// Whether the host links the two objects by an association.
bool Associated(ProviderVersion version, const HostInstance& a, const HostInstance& b);

// The namespace part of a path names the connection's namespace (or is absent).
bool IsOurNamespace(ProviderVersion version, const ObjectPath& path);

}  // namespace hostsim
