#pragma once
// The WMI objects a host shows, built from its current state, and the associations between them.
#include "hostsim/host_state.h"
#include "hostsim/object_data.h"
#include "hostsim/object_path.h"

#include <memory>
#include <vector>

namespace hostsim {

enum class Role {
    HostSystem, VmSystem, Settings, Service, SyntheticDisplay, S3Display, VideoHead, SyntheticMouse, Ps2Mouse, Keyboard
};

struct HostInstance {
    Role role;
    Machine* machine = nullptr;  // nullptr for the host's own objects
    int index = 0;               // Settings: 0 live, 1.. snapshots; VideoHead: 0 synthetic, 1 S3 controller's
    std::shared_ptr<ObjectData> data;
};

// Every instance of the host, in the order its enumerations deliver them.
std::vector<HostInstance> HostInstances(Host& host);

// The instance an object path names (keys compared case-insensitively), or nullptr.
const HostInstance* FindInstance(const std::vector<HostInstance>& all, const ObjectPath& path);

// Whether the host links the two objects by an association.
bool Associated(const HostInstance& a, const HostInstance& b);

// The namespace part of a path names this provider's namespace (or is absent).
bool IsOurNamespace(const ObjectPath& path);

}  // namespace hostsim
