#pragma once
#include "shell/wide_string.h"
#include "wmi/provider_namespace.h"

#include <cstdint>

// What the host's provider says about a machine's power and the requests that change it: state
// values of both provider versions, requested-state values per action, which actions a state
// allows, method return codes and job states. No platform headers, so it can be tested natively.

enum class MachineState {
    Unknown,  // the provider's own "unknown" (0), or a value this program does not know
    Running,
    Off,
    Saved,
    Paused,
    Starting,
    Saving,
    Stopping,
    Pausing,
    Resuming,
    FastSaved,
    FastSaving,
};

// The Action menu's commands, in menu order.
enum class MachineAction { Start, ShutDown, TurnOff, Save, Pause, Resume, Reset, Checkpoint };
constexpr int MachineActionCount = 8;

// Msvm_ComputerSystem.EnabledState as the given version reports it. The second version's Saved and
// Paused are also accepted with the first version's values, which its class page still quotes.
MachineState StateFromEnabledState(ProviderVersion version, uint32_t enabledState);

// "Running", "Off", "Saved", ... as a user reads the state.
const wchar_t* StateWord(MachineState state);

// "Start", "Shut Down", "Turn Off", ... (captions of failures: "cannot " + the name).
const wchar_t* ActionName(MachineAction action);
// What the title says while the action's job runs: "Starting", "Saving", "Checkpoint", ...
const wchar_t* ActionProgressWord(MachineAction action);

// The RequestedState of RequestStateChange for the action in this version; false for the actions
// that are other methods (Shut Down, Checkpoint).
bool RequestedStateFor(ProviderVersion version, MachineAction action, int32_t& requestedState);

// Whether the Action menu offers the action in this state.
bool ActionAllowed(MachineState state, MachineAction action);

// Whether the machine stays in this state until something asks it to change: not on its way
// between states, nor in one this program does not know.
bool StateSettled(MachineState state);

// Short English text for a method's return value (32775: "invalid state for this operation").
// Codes 1 to 6 are those of the second version's CreateSnapshot. Unknown codes: nullptr.
const wchar_t* ReturnCodeText(uint32_t code);

constexpr uint32_t MethodCompleted = 0;
// A job whose reference cannot be read is tried this many times in a row, once a tick.
constexpr int JobReadTries = 3;
constexpr uint32_t MethodJobStarted = 4096;

// CIM_ConcreteJob.JobState: still running (new, starting, running, suspended, shutting down,
// service), ended well (completed, or 32768 completed with warnings) or ended badly (terminated,
// killed, exception, and any value this program does not know, which it cannot wait for).
enum class JobOutcome { Running, Succeeded, Failed };
JobOutcome ClassifyJobState(uint32_t jobState);

// What one read of a job says.
struct JobStatus {
    uint32_t jobState = 0;
    int32_t percentComplete = 0;
    uint32_t errorCode = 0;
    WideString errorDescription;
};
