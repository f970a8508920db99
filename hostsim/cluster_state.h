#pragma once
// A failover cluster of simulated hosts: its nodes and their states, which node owns each
// clustered machine, and the machines moving between nodes (live, quick, failover). Guarded by
// the engine's mutex, as every host is.
#include <memory>
#include <string>
#include <vector>

namespace hostsim {

struct Host;
struct Machine;

// MSCluster_Node.State.
enum class NodeState { Up = 0, Down = 1, Paused = 2 };

// A machine on its way from one node to another.
struct Migration {
    enum class How { Live, Quick, Failover } how = How::Live;
    enum class Stage { Migrating, Saving, Saved, InTransit, Starting } stage = Stage::Migrating;
    Machine* machine = nullptr;     // owned by a node's host, or by `inTransit` below
    Host* source = nullptr;
    Host* target = nullptr;
    int callsLeft = 0;              // wire calls to the cluster's nodes before the next stage
    std::unique_ptr<Machine> inTransit;  // between nodes: no node has it
};

struct Cluster {
    std::wstring name;
    std::vector<Host*> nodes;  // in the scenario's order
    std::vector<Migration> migrations;

    // The node that answers for the cluster's network name: the first that is up.
    Host* FirstUpNode() const;
    // Moves `machine` (on `source`, a node) to `target` as `how` says ("live", "quick", "failover").
    void StartMigration(Host& source, Machine& machine, Host& target, const std::string& how);
    // One wire call reached a node: migrations move on.
    void Advance();
    // The node whose computer name the cluster reports as a machine's owner, and whether the
    // machine is between nodes (its resource pending).
    const Migration* MigrationOf(const Machine& machine) const;
};

}  // namespace hostsim
