#include "hostsim/cluster_state.h"

#include "hostsim/host_state.h"

#include <algorithm>

namespace hostsim {
namespace {

// Wire calls to the cluster's nodes that each stage of a move lasts.
constexpr int kMigratingCalls = 4;  // live: the source reports "migrating"
constexpr int kSavingCalls = 2, kSavedCalls = 2, kStartingCalls = 6;
constexpr int kFailoverDetectCalls = 3;  // failover: no node runs the machine yet

std::unique_ptr<Machine> TakeMachine(Host& host, Machine& machine) {
    auto it = std::find_if(host.machines.begin(), host.machines.end(),
                           [&](const std::unique_ptr<Machine>& m) { return m.get() == &machine; });
    if (it == host.machines.end()) return nullptr;
    std::unique_ptr<Machine> taken = std::move(*it);
    host.machines.erase(it);
    for (size_t i = 0; i < host.machines.size(); ++i) host.machines[i]->index = i;
    return taken;
}

void PutMachine(Host& host, std::unique_ptr<Machine> machine) {
    machine->host = &host;
    machine->index = host.machines.size();
    ++machine->version;  // the screen names its host
    host.machines.push_back(std::move(machine));
}

}  // namespace

Host* Cluster::FirstUpNode() const {
    for (Host* node : nodes)
        if (node->nodeState == NodeState::Up) return node;
    return nullptr;
}

void Cluster::StartMigration(Host& source, Machine& machine, Host& target, const std::string& how) {
    if (MigrationOf(machine) || machine.host != &source) return;  // one move at a time
    Migration m;
    m.machine = &machine;
    m.source = &source;
    m.target = &target;
    if (how == "live") {
        m.how = Migration::How::Live;
        m.stage = Migration::Stage::Migrating;
        m.callsLeft = kMigratingCalls;
        machine.migrating = true;
    } else if (how == "quick") {
        m.how = Migration::How::Quick;
        m.stage = Migration::Stage::Saving;
        m.callsLeft = kSavingCalls;
        machine.Land(Power::Saving, false);
    } else {
        // The node fails: it stops answering at once, and the cluster restarts its machine elsewhere.
        m.how = Migration::How::Failover;
        m.stage = Migration::Stage::InTransit;
        m.callsLeft = kFailoverDetectCalls;
        source.nodeState = NodeState::Down;
        m.inTransit = TakeMachine(source, machine);
    }
    ++machine.version;
    migrations.push_back(std::move(m));
}

void Cluster::Advance() {
    for (auto it = migrations.begin(); it != migrations.end();) {
        Migration& m = *it;
        if (--m.callsLeft > 0) {
            ++it;
            continue;
        }
        bool done = false;
        switch (m.stage) {
        case Migration::Stage::Migrating:  // memory copied: the target runs it, same screen
            m.machine->migrating = false;
            PutMachine(*m.target, TakeMachine(*m.source, *m.machine));
            done = true;
            break;
        case Migration::Stage::Saving:
            m.machine->Land(Power::Saved, false);
            m.stage = Migration::Stage::Saved;
            m.callsLeft = kSavedCalls;
            break;
        case Migration::Stage::Saved:  // the group moves: restored on the target
            PutMachine(*m.target, TakeMachine(*m.source, *m.machine));
            m.machine->Land(Power::Starting, false);
            m.stage = Migration::Stage::Starting;
            m.callsLeft = kStartingCalls;
            break;
        case Migration::Stage::InTransit:  // failover: it boots on the target
            m.inTransit->Land(Power::Starting, false);
            PutMachine(*m.target, std::move(m.inTransit));
            m.stage = Migration::Stage::Starting;
            m.callsLeft = kStartingCalls;
            break;
        case Migration::Stage::Starting:
            m.machine->Land(Power::Running, m.how == Migration::How::Failover);
            done = true;
            break;
        }
        it = done ? migrations.erase(it) : it + 1;
    }
}

const Migration* Cluster::MigrationOf(const Machine& machine) const {
    for (const Migration& m : migrations)
        if (m.machine == &machine) return &m;
    return nullptr;
}

}  // namespace hostsim
