#include "hostsim/control_methods.h"

#include "hostsim/text_util.h"

namespace hostsim {
namespace {

constexpr int32_t kCompleted = 0, kJobStarted = 4096, kFailed = 32768, kInvalidParameter = 32773,
                  kInvalidState = 32775, kNotReady = 32780;
// The second version's CreateSnapshot answers in codes of its own.
constexpr int32_t kSnapshotFailed = 2, kSnapshotInvalidParameter = 4, kSnapshotInvalidState = 5;
constexpr int64_t kFullSnapshot = 2;
constexpr uint16_t kShutdownJobType = 16, kCheckpointJobType = 70;

int64_t Int(const PropValue& v) {
    int64_t value = 0;
    VariantToInt64(v.Get(), value);
    return value;
}

// The machine a reference names, or nullptr when it names none of this connection's machines.
Machine* MachineOf(const HostView& view, const PropValue& reference) {
    if (V_VT(&reference.Get()) != VT_BSTR) return nullptr;
    auto path = ParseObjectPath(BstrText(V_BSTR(&reference.Get())));
    if (!path || !IsOurNamespace(view.version, *path)) return nullptr;
    auto inst = FindInstance(view, *path);
    return inst && inst->role == Role::VmSystem ? inst->machine : nullptr;
}

// Starts the job of `change` and answers with its reference (4096), or with `failed` or 0 when the
// host finishes at once (jobMs 0).
int32_t Begin(const HostView& view, Machine& m, const PowerTransition& change, const FaultEffect& fault,
              int32_t failed, ObjectData& out) {
    std::optional<std::wstring> error;
    if (fault.jobError) error = Wide(*fault.jobError);
    const Job* job = StartJob(*view.host, m, change, true, error);
    if (!job) return error ? failed : kCompleted;
    out.Set(L"Job", PropValue::String(JobPath(*view.host, *job, view.version)));
    return kJobStarted;
}

bool CheckpointAllowed(Power power) { return power == Power::Running || power == Power::Off || power == Power::Saved; }

// A full checkpoint with the host's default name; its settings object exists from the start.
int32_t Checkpoint(const HostView& view, Machine& m, const FaultEffect& fault, const wchar_t* snapshotOut,
                   int32_t failed, ObjectData& out) {
    if (!fault.jobError) {
        m.TakeCheckpoint();
        InstanceFilter filter{L"Msvm_VirtualSystemSettingData", std::vector<Machine*>{&m}};
        for (const auto& inst : HostInstances(view, filter))
            if (inst.index == m.snapshots) out.Set(snapshotOut, PropValue::String(inst.data->Path()));
    }
    const PowerTransition stays{m.power, m.power, false, kCheckpointJobType, L"Checkpoint"};
    return Begin(view, m, stays, fault, failed, out);
}

}  // namespace

bool RunControlMethod(Host& host, ProviderVersion version, const HostInstance& target, const MethodDef& method,
                      const std::vector<PropValue>& in, ObjectData& out, const FaultEffect& fault, int32_t& result) {
    const HostView view{&host, version};
    if (IEquals(method.name, L"RequestStateChange")) {
        // A client is to leave TimeoutPeriod NULL; this host takes no other value.
        Machine& m = *target.machine;
        auto change = in[1].IsNull() ? TransitionFor(version, Int(in[0]), m.power, result) : std::nullopt;
        if (!in[1].IsNull()) result = kInvalidParameter;
        if (change) result = Begin(view, m, *change, fault, kFailed, out);
    } else if (IEquals(method.name, L"InitiateShutdown")) {
        // Under way when it answers 0: the machine is Off a job's time later, and no job tells. A
        // degraded service (3) still works; one that does not answer (7, 12, 13) cannot.
        Machine& m = *target.machine;
        if (m.power != Power::Running) {
            result = kInvalidState;
        } else if (m.shutdownStatus != 2 && m.shutdownStatus != 3) {
            result = kNotReady;
        } else if (fault.jobError) {
            result = kFailed;
        } else {
            StartJob(host, m, PowerTransition{Power::ShuttingDown, Power::Off, false, kShutdownJobType, L"Shut Down"},
                     false, std::nullopt);
            result = kCompleted;
        }
    } else if (IEquals(method.name, L"CreateVirtualSystemSnapshot")) {
        Machine* m = MachineOf(view, in[0]);
        result = !m                             ? kInvalidParameter
                 : !CheckpointAllowed(m->power) ? kInvalidState
                                                : Checkpoint(view, *m, fault, L"SnapshotSettingData", kFailed, out);
    } else if (IEquals(method.name, L"CreateSnapshot")) {
        Machine* m = MachineOf(view, in[0]);
        result = !m || Int(in[2]) != kFullSnapshot ? kSnapshotInvalidParameter
                 : !CheckpointAllowed(m->power)    ? kSnapshotInvalidState
                                                   : Checkpoint(view, *m, fault, L"ResultingSnapshot", kSnapshotFailed, out);
    } else {
        return false;
    }
    return true;
}

}  // namespace hostsim
