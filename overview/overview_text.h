#pragma once
#include "shell/wide_string.h"
#include "wmi/machine_state.h"

#include <cstdint>
#include <vector>

// The texts the overview shows: a machine's state and progress ("Off", "Starting 40%"), its
// figures in the "&Details" columns, the line that says why a host is not answering, the one
// question a multi-machine action asks and the one box that reports its failures. No platform
// headers, so they are tested natively.

// What the overview knows of one machine's state: nothing, a state, or an action under way.
struct TileState {
    bool known = false;
    MachineState state = MachineState::Unknown;
    uint32_t enabledState = 0;
    bool jobRunning = false;
    MachineAction jobAction = MachineAction::Start;
    int32_t jobPercent = 0;
};

// "Running", "Off", "Unknown 32781", "Starting 40%"; "" when nothing is known.
void BuildStateText(const TileState& state, WideString& out);

// "hv-2022: not answering (0x800706BA)": the group header of a host whose last call failed.
void BuildHostFailureText(const wchar_t* caption, uint32_t hr, WideString& out);

// The "&Details" columns' figures: "12 %", "2048 MB", "1.02:03:04" (days.hours:minutes:seconds),
// "OK", "No Contact", ... (a heartbeat code without a name shows its number).
void BuildCpuText(uint32_t percent, WideString& out);
void BuildMemoryText(uint64_t megabytes, WideString& out);
void BuildUptimeText(uint64_t milliseconds, WideString& out);
void BuildHeartbeatText(uint32_t code, WideString& out);

// One machine an action names: its display name and its host's caption.
struct NamedMachine {
    const wchar_t* name;
    const wchar_t* host;
};

// The question an action asks before it acts, false when it asks none: for several machines
// always, once ("Turn off 5 machines? ..." and their names); for one, as the console's Action
// menu asks (Shut Down, Turn Off and Reset). `destructive` says whether No is the safer default.
bool BuildActionQuestion(MachineAction action, const std::vector<NamedMachine>& machines, WideString& out,
                         bool& destructive);

// One line of the box that reports an action's failures: "Beta (localhost): access denied".
void AppendFailureLine(const NamedMachine& machine, const wchar_t* why, WideString& out);
