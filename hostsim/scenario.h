#pragma once
// The scenario a simulated host runs: hosts, their machines, faults and scheduled changes, read
// from JSON (docs/HOSTSIM.md describes the format).
#include <windows.h>

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

// Machine fields that a scenario sets and a change may alter later.
struct MachineSettings {
    std::optional<std::wstring> elementName;
    std::optional<int> width, height;
    std::optional<std::string> display;   // "synthetic", "s3", "none"
    std::optional<std::string> mouse;     // "synthetic", "ps2", "synthetic-disabled", "none"
    std::optional<int> mouseEnabledState; // EnabledState of the synthetic mouse
    std::optional<int> inactiveWidth, inactiveHeight;  // what the head of the inactive display reports
    std::optional<bool> keyboard, settingData;
    std::optional<std::string> state;      // "running", "off", "saved", "paused"
    std::optional<bool> shutdownService;   // whether it has a Msvm_ShutdownComponent
    std::optional<bool> present;           // false: deleted from the host (or moved off it) for now
    std::optional<int> shutdownStatus;     // its OperationalStatus[0] while the guest runs (2 OK, 3 degraded, ...)
    std::optional<int> enabledState;       // reported as it is, whatever the power (0: none; a state sets none)
};

// One stage a guest goes through as it boots (BIOS text, a boot loader's picture) before its
// desktop: the display controller in use and what its head reports, for so many images.
struct BootStage {
    std::optional<std::string> display;  // "synthetic" or "s3"; absent: the machine's own
    std::optional<int> width, height;    // absent: the machine's own
    int images = 3;
};

struct MachineConfig {
    std::wstring name;   // GUID; made up from the host and position when the scenario has none
    int generation = 1;  // 2: UEFI, synthetic devices only
    int snapshots = 0;   // snapshot settings objects besides the live one
    bool clustered = true;  // on a cluster node: a clustered role of the cluster
    MachineSettings settings;
    std::vector<BootStage> boot;  // empty: three images at the machine's own display and size
};

struct UserConfig {
    std::wstring user;  // plain or DOMAIN\user
    std::wstring password;
};

struct FaultConfig {
    std::string host;  // runtime faults only: the host it applies to ("" = every host)
    std::string call, className, method, property;  // what it matches ("" = anything)
    std::optional<HRESULT> hr;
    bool disconnect = false;
    std::string reply;  // "imageNotArray", "imageShort", "resolutionZero", "propertyMissing", "jobStarted",
                        // "imageWrongSize", "summaryNoName", "summaryReversed", "summaryNotObjects",
                        // "summaryOfOther", "stall"
    std::optional<uint32_t> returnValue;  // the method does nothing and answers this ReturnValue
    std::optional<std::string> jobError;  // the job the method starts ends in exception with this text
    int after = 0;      // matching calls let through first
    int count = -1;     // times it acts; -1 = always
};

// A host whose answers are partly hostile: `rate` of them (0 to 1), chosen by `seed`.
struct HostileConfig {
    uint32_t seed = 0;
    double rate = 0;
};

struct ChangeConfig {
    int after = 0;  // applied once this many wire calls to the host have been made
    std::wstring machine;
    MachineSettings set;
    std::string migrate;  // instead of `set`: the cluster node (host name) the machine moves to
    std::string how;      // "live", "quick" or "failover"
};

struct HostConfig {
    std::string name;
    std::vector<std::string> aliases;
    std::wstring hostName;
    std::optional<std::vector<UserConfig>> users;  // nothing = any logon accepted
    int latencyMs = 0;
    bool speaksV1 = true, speaksV2 = false;  // "provider": "v1", "v2" or "both"
    bool typeScancodes = true;
    bool octetPrefix = false;  // images carry the 4-byte length prefix of a CIM octet string
    std::string language = "en";  // of Caption and Description: "en" or "de"
    int typeTextRoom = 512;       // what one TypeText call takes; a real host may take fewer
    int jobMs = 2000;   // how long a state change, shutdown or checkpoint takes (0: at once)
    int jobPolls = 0;   // ... or this many reads of its job, when sooner (0: time only)
    std::string nodeState = "up";  // as a cluster node: "up", "down" (does not answer) or "paused"
    bool jobStarting = false;     // a job reads JobState 3 (starting) before 4 (running)
    int jobCompletedState = 7;    // JobState of a job that ends well: 7, or 32768 (completed with warnings)
    int v1ShutdownState = 32774;  // first-version EnabledState of a guest shutting down at its service's request
    bool reverseListing = false;  // "listOrder" "reverse": queries deliver their objects last first
    std::vector<MachineConfig> machines;
    std::vector<FaultConfig> faults;
    std::vector<ChangeConfig> changes;
    std::optional<HostileConfig> hostile;
};

// A failover cluster of hosts of the scenario (cluster_state.h).
struct ClusterConfig {
    std::string name;
    std::vector<std::string> nodes;  // hosts, by their "name"
};

struct ScenarioConfig {
    std::vector<HostConfig> hosts;
    std::vector<ClusterConfig> clusters;
};

// The built-in demo scenario (hostsim/scenarios/default.json).
const std::string& DefaultScenarioJson();

// Why a machine of this generation cannot take these settings (a generation 2 machine has no S3
// display and no PS/2 mouse), or "" when it can.
std::string GenerationConflict(int generation, const MachineSettings& settings);

// Each returns false with a message naming the offending member when the JSON does not fit.
bool ParseScenario(const std::string& text, ScenarioConfig& out, std::string& error);
bool ParseFault(const nlohmann::json& j, FaultConfig& out, std::string& error);
bool ParseChange(const nlohmann::json& j, ChangeConfig& out, std::string& error);

}  // namespace hostsim
