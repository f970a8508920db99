#pragma once
// A simulated machine's power: its states, the EnabledState each provider version reports for
// them, and the transitions RequestStateChange asks for.
#include "hostsim/provider_version.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hostsim {

// ShuttingDown: its guest shuts down at its shutdown service's request (Stopping: turned off).
enum class Power { Running, Off, Saved, Paused, Starting, Saving, Stopping, ShuttingDown, Pausing, Resuming };

// "running", "off", "saved", "paused" as a scenario names the states a machine may start in.
std::optional<Power> ParsePower(const std::string& name);

// Msvm_ComputerSystem.EnabledState (and summary item 100) in this version; a guest shutting down
// reports the first version's Stopping (Machine::EnabledState lets its host say 4 instead).
uint16_t EnabledStateOf(Power power, ProviderVersion version);

// Whether the machine has a screen to show: not while it is off, saved or still starting.
bool HasScreen(Power power);

// What a state change does to a machine: the state it passes through while its job runs, where
// it lands, whether its guest boots on arrival, and the second version's JobType of the job.
struct PowerTransition {
    Power via = Power::Running;
    Power target = Power::Running;
    bool boots = false;
    uint16_t jobType = 0;
    const wchar_t* jobName = L"";
};

// The transition a RequestStateChange asks of a machine in state `from`. Nothing, with the
// method's return value in `refusal`: 32773 for a value this version does not define, 32775 for a
// change the machine's state does not allow. A machine on its way between states can only be
// turned off.
std::optional<PowerTransition> TransitionFor(ProviderVersion version, int64_t requestedState, Power from,
                                             int32_t& refusal);

}  // namespace hostsim
