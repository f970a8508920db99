#include "wmi/machine_state.h"

namespace {

struct StateValue {
    uint32_t value;
    MachineState state;
};

// EnabledState per version; the two versions differ in Saved, Paused, Starting and Stopping. The
// first version reports a guest that shuts down at its shutdown service's request as 4.
const StateValue FirstVersionStates[] = {
    {0, MachineState::Unknown},      {2, MachineState::Running},     {3, MachineState::Off},
    {4, MachineState::Stopping},
    {32769, MachineState::Saved},    {32768, MachineState::Paused},  {32770, MachineState::Starting},
    {32773, MachineState::Saving},   {32774, MachineState::Stopping}, {32776, MachineState::Pausing},
    {32777, MachineState::Resuming},
};
const StateValue SecondVersionStates[] = {
    {0, MachineState::Unknown},      {2, MachineState::Running},      {3, MachineState::Off},
    {6, MachineState::Saved},        {32769, MachineState::Saved},    {9, MachineState::Paused},
    {32768, MachineState::Paused},   {10, MachineState::Starting},    {32773, MachineState::Saving},
    {4, MachineState::Stopping},     {32776, MachineState::Pausing},  {32777, MachineState::Resuming},
    {32779, MachineState::FastSaved}, {32780, MachineState::FastSaving},
};

struct ActionInfo {
    const wchar_t* name;
    const wchar_t* progress;
    int32_t firstVersion;   // RequestedState, or -1: another method
    int32_t secondVersion;
};
const ActionInfo Actions[MachineActionCount] = {
    {L"Start", L"Starting", 2, 2},
    {L"Shut Down", L"Stopping", -1, -1},
    {L"Turn Off", L"Turning Off", 3, 3},
    {L"Save", L"Saving", 32769, 6},
    {L"Pause", L"Pausing", 32768, 9},
    {L"Resume", L"Resuming", 2, 2},
    {L"Reset", L"Resetting", 10, 11},
    {L"Checkpoint", L"Checkpoint", -1, -1},
};

const ActionInfo& Info(MachineAction action) { return Actions[static_cast<int>(action)]; }

struct CodeText {
    uint32_t code;
    const wchar_t* text;
};
const CodeText ReturnCodes[] = {
    {1, L"not supported"},
    {2, L"failed"},
    {3, L"timeout"},
    {4, L"invalid parameter"},
    {5, L"invalid state for this operation"},
    {6, L"invalid type"},
    {32768, L"failed"},
    {32769, L"access denied"},
    {32770, L"not supported"},
    {32771, L"status unknown"},
    {32772, L"timeout"},
    {32773, L"invalid parameter"},
    {32774, L"system in use"},
    {32775, L"invalid state for this operation"},
    {32776, L"incorrect data type"},
    {32777, L"system not available"},
    {32778, L"out of memory"},
    {32779, L"file not found"},
    {32780, L"system not ready"},
    {32781, L"the machine is locked"},
    {32782, L"a shutdown is already in progress"},
};

}  // namespace

MachineState StateFromEnabledState(ProviderVersion version, uint32_t enabledState) {
    if (version == ProviderVersion::First) {
        for (const StateValue& s : FirstVersionStates)
            if (s.value == enabledState) return s.state;
    } else {
        for (const StateValue& s : SecondVersionStates)
            if (s.value == enabledState) return s.state;
    }
    return MachineState::Unknown;
}

const wchar_t* StateWord(MachineState state) {
    switch (state) {
    case MachineState::Running: return L"Running";
    case MachineState::Off: return L"Off";
    case MachineState::Saved: return L"Saved";
    case MachineState::Paused: return L"Paused";
    case MachineState::Starting: return L"Starting";
    case MachineState::Saving: return L"Saving";
    case MachineState::Stopping: return L"Stopping";
    case MachineState::Pausing: return L"Pausing";
    case MachineState::Resuming: return L"Resuming";
    case MachineState::FastSaved: return L"Fast-saved";
    case MachineState::FastSaving: return L"Fast-saving";
    case MachineState::Unknown: break;
    }
    return L"Unknown";
}

const wchar_t* ActionName(MachineAction action) { return Info(action).name; }

const wchar_t* ActionProgressWord(MachineAction action) { return Info(action).progress; }

bool RequestedStateFor(ProviderVersion version, MachineAction action, int32_t& requestedState) {
    const int32_t value = version == ProviderVersion::First ? Info(action).firstVersion : Info(action).secondVersion;
    if (value < 0) return false;
    requestedState = value;
    return true;
}

bool ActionAllowed(MachineState state, MachineAction action) {
    switch (action) {
    case MachineAction::Start: return state == MachineState::Off || state == MachineState::Saved;
    case MachineAction::ShutDown:
    case MachineAction::Save:
    case MachineAction::Pause:
    case MachineAction::Reset: return state == MachineState::Running;
    // A machine stuck on its way, or in a state this program does not know, can still be turned off.
    case MachineAction::TurnOff: return state != MachineState::Off && state != MachineState::Saved;
    case MachineAction::Resume: return state == MachineState::Paused;
    case MachineAction::Checkpoint:
        return state == MachineState::Running || state == MachineState::Off || state == MachineState::Saved;
    }
    return false;
}

bool StateSettled(MachineState state) {
    switch (state) {
    case MachineState::Running:
    case MachineState::Off:
    case MachineState::Saved:
    case MachineState::Paused:
    case MachineState::FastSaved: return true;
    default: return false;
    }
}

const wchar_t* ReturnCodeText(uint32_t code) {
    for (const CodeText& c : ReturnCodes)
        if (c.code == code) return c.text;
    return nullptr;
}

JobOutcome ClassifyJobState(uint32_t jobState) {
    switch (jobState) {
    case 2:   // new
    case 3:   // starting
    case 4:   // running
    case 5:   // suspended
    case 6:   // shutting down
    case 11:  // service
        return JobOutcome::Running;
    case 7:      // completed
    case 32768:  // completed with warnings
        return JobOutcome::Succeeded;
    default: return JobOutcome::Failed;
    }
}
