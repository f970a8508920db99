#pragma once
// Faults a scenario injects into calls, and how a call is matched against them.
#include "hostsim/scenario.h"

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

// What a call is, as far as faults and the log care.
struct CallInfo {
    std::string call;        // "ExecMethod", "Get", ...
    std::wstring className;  // class of the object or target ("__PARAMETERS" for parameter objects)
    std::wstring ownerClass; // parameter objects: the class whose method they belong to
    std::wstring method;
    std::wstring property;
};

struct FaultState {
    FaultConfig config;
    int matched = 0;  // matching calls seen
    int fired = 0;    // times it acted
};

// The combined effect of the faults that act on one call.
struct FaultEffect {
    std::optional<HRESULT> hr;
    bool disconnect = false;
    std::vector<std::string> replies;
    std::optional<uint32_t> returnValue;
    std::optional<std::string> jobError;
    bool Reply(const char* name) const;
};

// Fills in what a reply fault implies when the scenario leaves it out (the call it acts on).
void CompleteFault(FaultConfig& fault);
// Lets every fault of `faults` see the call; those that act add to `effect`.
void ApplyFaults(std::vector<FaultState>& faults, const CallInfo& call, FaultEffect& effect);

}  // namespace hostsim
