#pragma once
// A host of many machines without a line for each: "generate" in a scenario's host,
// {"count": 1000, "prefix": "Farm ", "width": 320, "height": 240, "state": "running",
//  "offEvery": 0}, adds machines "Farm 0001" to "Farm 1000" after those listed (every
// offEvery-th one off, when it is not 0).
#include "hostsim/scenario.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace hostsim {

// Appends the machines; false with a message naming the member when the JSON does not fit.
bool GenerateMachines(const nlohmann::json& request, const std::string& where, std::vector<MachineConfig>& machines,
                      std::string& error);

}  // namespace hostsim
