#include "hostsim/generated_machines.h"

#include <cstdio>

namespace hostsim {

bool GenerateMachines(const nlohmann::json& request, const std::string& where, std::vector<MachineConfig>& machines,
                      std::string& error) {
    auto fail = [&](const std::string& why) {
        error = where + ": " + why;
        return false;
    };
    if (!request.is_object()) return fail("must be an object");
    for (const auto& item : request.items())
        if (item.key() != "count" && item.key() != "prefix" && item.key() != "width" && item.key() != "height" &&
            item.key() != "state" && item.key() != "offEvery")
            return fail("unknown member \"" + item.key() + "\"");
    auto number = [&](const char* key, int low, int high, int fallback, int& value) {
        value = fallback;
        if (!request.contains(key)) return true;
        if (!request[key].is_number_integer() || request[key].get<int>() < low || request[key].get<int>() > high)
            return fail(std::string("\"") + key + "\" must be an integer from " + std::to_string(low) + " to " +
                        std::to_string(high));
        value = request[key].get<int>();
        return true;
    };
    int count = 0, width = 0, height = 0, offEvery = 0;
    if (!request.contains("count")) return fail("needs a \"count\"");
    if (!number("count", 1, 100000, 0, count) || !number("width", 1, 16384, 1024, width) ||
        !number("height", 1, 16384, 768, height) || !number("offEvery", 0, 100000, 0, offEvery))
        return false;
    if (request.contains("prefix") && !request["prefix"].is_string()) return fail("\"prefix\" must be a string");
    if (request.contains("state") && !request["state"].is_string()) return fail("\"state\" must be a string");
    const std::string prefix = request.value("prefix", std::string("Machine "));
    const std::string state = request.value("state", std::string("running"));
    if (state != "running" && state != "off" && state != "saved" && state != "paused")
        return fail("\"state\" must be one of running, off, saved, paused");
    const int digits = static_cast<int>(std::to_string(count).size());
    for (int i = 1; i <= count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%0*d", digits, i);
        MachineConfig machine;
        const std::string name = prefix + number;
        machine.settings.elementName = std::wstring(name.begin(), name.end());
        machine.settings.width = width;
        machine.settings.height = height;
        machine.settings.state = offEvery > 0 && i % offEvery == 0 ? std::string("off") : state;
        machines.push_back(std::move(machine));
    }
    return true;
}

}  // namespace hostsim
