#include "overview/overview_hosts.h"

#include <algorithm>
#include <cwchar>

OverviewMachine* OverviewHost::Find(const wchar_t* id) {
    for (OverviewMachine& machine : machines)
        if (machine.id.Equals(id)) return &machine;
    return nullptr;
}

HRESULT ConnectHost(OverviewHost& host, WideString& errorText) {
    host.connected = false;
    HRESULT hr = host.conn.Connect(host.server.c_str(), errorText);
    if (hr == 0) hr = host.conn.FindManagementService(errorText);
    host.connected = hr == 0;
    return hr;
}

void MergeListing(OverviewHost& host, std::vector<ListedMachine>& listed, LPARAM& nextKey,
                  std::vector<RemovedMachine>& removed) {
    std::vector<OverviewMachine> merged;
    merged.reserve(listed.size());
    for (ListedMachine& entry : listed) {
        // The same identifier twice in one answer is one machine.
        if (std::any_of(merged.begin(), merged.end(), [&](const OverviewMachine& m) { return m.id == entry.name; }))
            continue;
        OverviewMachine* known = host.Find(entry.name.c_str());
        OverviewMachine& machine = merged.emplace_back();
        if (known) {
            machine = std::move(*known);
            known->key = 0;  // taken over
        } else {
            machine.id = entry.name;
            machine.key = ++nextKey;
        }
        if (!(machine.name == entry.elementName)) machine.renamed = true;
        machine.name = entry.elementName;
        machine.settingsPath = entry.settingsPath;
    }
    for (const OverviewMachine& old : host.machines)
        if (old.key != 0) removed.push_back(RemovedMachine{old.key, old.imageIndex});
    host.machines = std::move(merged);
}

bool TakeSummary(const OverviewHost& host, MachineSummary& summary, int32_t width, int32_t height,
                 OverviewMachine& machine) {
    bool changed = false;
    if (summary.hasState) {
        const MachineState state = StateFromEnabledState(host.conn.providerVersion, summary.enabledState);
        changed = !machine.tile.known || machine.tile.state != state || machine.tile.enabledState != summary.enabledState;
        machine.tile.known = true;
        machine.tile.state = state;
        machine.tile.enabledState = summary.enabledState;
    }
    machine.hasCpu = summary.hasLoad;
    machine.cpu = summary.processorLoad;
    machine.hasMemory = summary.hasMemory;
    machine.memory = summary.memoryMb;
    machine.hasHeartbeat = summary.hasHeartbeat;
    machine.heartbeat = summary.heartbeat;
    machine.hasUptime = summary.hasUptime;
    machine.uptime = summary.uptimeMs;
    if (summary.hasImage) {
        machine.picture.swap(summary.pixels);
        machine.pictureWidth = width;
        machine.pictureHeight = height;
        changed = true;
    } else if (machine.tile.known && machine.tile.state != MachineState::Running &&
               machine.tile.state != MachineState::Paused && !machine.picture.empty()) {
        // A machine that shows no picture gets its state's tile, not a stale picture.
        machine.picture.clear();
        changed = true;
    }
    return changed;
}
