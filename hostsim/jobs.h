#pragma once
// The jobs a host runs for state changes, shutdowns and checkpoints: Msvm_ConcreteJob objects whose
// progress advances with time and with every read of them, and which move their machine to where
// the change lands when they end.
#include "hostsim/machine_power.h"
#include "hostsim/object_path.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hostsim {

struct Host;
struct Machine;
struct ObjectData;

struct Job {
    std::wstring id;        // InstanceID
    Machine* machine = nullptr;
    bool hasObject = true;  // false for a shutdown: the host reports no job for it
    PowerTransition change;  // where the machine lands when the job ends well
    Power before = Power::Running;  // ... and where it stays when the job ends in exception
    std::optional<std::wstring> error;  // it ends in exception with this description
    uint64_t startMs = 0;
    int reads = 0;          // reads of it (of its machine, for a shutdown) so far
    uint16_t state = 4;     // JobState: 3 starting, 4 running, 7 (or 32768) completed, 8 terminated, 10 exception
    int percent = 0;
    uint64_t endMs = 0;
};

// Starts a job that moves `machine` along `change` (it enters change.via at once; a change whose
// via and target are its current state and that does not boot leaves it alone: a checkpoint); the
// machine's other jobs under way that move it end terminated, where they are (a turn off). With
// the host's jobMs 0 it ends at once instead: nullptr then, and the machine has landed (or, with an
// `error`, stayed where it was). The job returned is valid until the next one starts.
Job* StartJob(Host& host, Machine& machine, const PowerTransition& change, bool hasObject,
              const std::optional<std::wstring>& error);

// Lets time pass on the host before a call: jobs whose time is up end, finished jobs older than
// five minutes go. `read`, the object a GetObject reads, counts as one poll of its job (of its
// machine's shutdown).
void AdvanceJobs(Host& host, const ObjectPath* read);

// The job's Msvm_ConcreteJob properties as the given version shows them.
void DescribeJob(const Job& job, bool secondVersion, ObjectData& data);

// "\\SERVER\namespace:Msvm_ConcreteJob.InstanceID=..." of a job on a connection of this version.
std::wstring JobPath(const Host& host, const Job& job, ProviderVersion version);

}  // namespace hostsim
