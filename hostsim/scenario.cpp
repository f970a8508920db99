#include "hostsim/scenario.h"

#include "hostsim/generated_machines.h"
#include "hostsim/text_util.h"

#include <cstdlib>
#include <initializer_list>

namespace hostsim {
namespace {

using nlohmann::json;

// Parsing stops at the first problem; `error` then says where it is.
class Reader {
public:
    explicit Reader(std::string& error) : error_(error) {}

    bool Fail(const std::string& where, const std::string& what) {
        error_ = where + ": " + what;
        return false;
    }

    bool OnlyKeys(const json& j, const std::string& where, std::initializer_list<const char*> allowed) {
        if (!j.is_object()) return Fail(where, "must be an object");
        for (auto it = j.begin(); it != j.end(); ++it) {
            bool known = false;
            for (const char* key : allowed) known = known || it.key() == key;
            if (!known) return Fail(where, "unknown member \"" + it.key() + "\"");
        }
        return true;
    }

    bool String(const json& j, const char* key, const std::string& where, std::string& out) {
        if (!j.contains(key)) return true;
        if (!j[key].is_string()) return Fail(where + "." + key, "must be a string");
        out = j[key].get<std::string>();
        return true;
    }

    bool Int(const json& j, const char* key, const std::string& where, int min, int max, std::optional<int>& out) {
        if (!j.contains(key)) return true;
        if (!j[key].is_number_integer()) return Fail(where + "." + key, "must be an integer");
        long long v = j[key].get<long long>();
        if (v < min || v > max)
            return Fail(where + "." + key, "must lie in " + std::to_string(min) + ".." + std::to_string(max));
        out = static_cast<int>(v);
        return true;
    }

    bool Bool(const json& j, const char* key, const std::string& where, std::optional<bool>& out) {
        if (!j.contains(key)) return true;
        if (!j[key].is_boolean()) return Fail(where + "." + key, "must be true or false");
        out = j[key].get<bool>();
        return true;
    }

    bool OneOf(const json& j, const char* key, const std::string& where, std::initializer_list<const char*> values,
               std::optional<std::string>& out) {
        std::string text;
        if (!j.contains(key)) return true;
        if (!String(j, key, where, text)) return false;
        for (const char* v : values)
            if (text == v) {
                out = text;
                return true;
            }
        return Fail(where + "." + key, "unknown value \"" + text + "\"");
    }

    bool Settings(const json& j, const std::string& where, MachineSettings& s) {
        std::string elementName;
        if (j.contains("elementName")) {
            if (!String(j, "elementName", where, elementName)) return false;
            s.elementName = Wide(elementName);
        }
        return Int(j, "width", where, 1, 16384, s.width) && Int(j, "height", where, 1, 16384, s.height) &&
               OneOf(j, "display", where, {"synthetic", "s3", "none"}, s.display) &&
               OneOf(j, "mouse", where, {"synthetic", "ps2", "synthetic-disabled", "none"}, s.mouse) &&
               Int(j, "mouseEnabledState", where, 0, 65535, s.mouseEnabledState) &&
               Int(j, "inactiveWidth", where, 1, 16384, s.inactiveWidth) &&
               Int(j, "inactiveHeight", where, 1, 16384, s.inactiveHeight) &&
               Bool(j, "keyboard", where, s.keyboard) && Bool(j, "settingData", where, s.settingData) &&
               OneOf(j, "state", where, {"running", "off", "saved", "paused"}, s.state) &&
               Bool(j, "shutdownService", where, s.shutdownService) && Bool(j, "present", where, s.present) &&
               Int(j, "shutdownStatus", where, 0, 65535, s.shutdownStatus) &&
               Int(j, "enabledState", where, 0, 65535, s.enabledState);
    }

    bool Machine(const json& j, const std::string& where, MachineConfig& m) {
        if (!OnlyKeys(j, where, {"elementName", "name", "generation", "width", "height", "display", "mouse",
                                 "mouseEnabledState", "inactiveWidth", "inactiveHeight", "keyboard", "settingData",
                                 "snapshots", "state", "shutdownService", "shutdownStatus", "enabledState", "boot",
                                 "clustered"}))
            return false;
        if (!j.contains("elementName")) return Fail(where, "needs an \"elementName\"");
        if (!Each(j, "boot", where, m.boot, &Reader::Boot)) return false;
        std::string name;
        std::optional<int> generation, snapshots;
        std::optional<bool> clustered;
        if (!Bool(j, "clustered", where, clustered)) return false;
        m.clustered = clustered.value_or(true);
        // The generation's range is checked with the host's provider, in a message naming both.
        if (!String(j, "name", where, name) || !Int(j, "generation", where, -(1 << 30), 1 << 30, generation) ||
            !Int(j, "snapshots", where, 0, 16, snapshots) || !Settings(j, where, m.settings))
            return false;
        m.name = Wide(name);
        m.generation = generation.value_or(1);
        m.snapshots = snapshots.value_or(0);
        return true;
    }

    bool Boot(const json& j, const std::string& where, BootStage& b) {
        std::optional<int> images;
        if (!OnlyKeys(j, where, {"display", "width", "height", "images"}) ||
            !OneOf(j, "display", where, {"synthetic", "s3"}, b.display) || !Int(j, "width", where, 1, 16384, b.width) ||
            !Int(j, "height", where, 1, 16384, b.height) || !Int(j, "images", where, 1, 1000, images))
            return false;
        b.images = images.value_or(b.images);
        return true;
    }

    bool Fault(const json& j, const std::string& where, FaultConfig& f) {
        if (!OnlyKeys(j, where, {"host", "call", "class", "method", "property", "hr", "disconnect", "reply", "after",
                                 "count", "returnValue", "jobError"}))
            return false;
        if (!String(j, "host", where, f.host) || !String(j, "class", where, f.className) ||
            !String(j, "method", where, f.method) || !String(j, "property", where, f.property))
            return false;
        std::optional<std::string> call, reply;
        if (!OneOf(j, "call", where,
                   {"CreateInstance", "ConnectServer", "SetBlanket", "ExecQuery", "Next", "GetObject", "GetMethod",
                    "SpawnInstance", "Put", "ExecMethod", "Get"},
                   call) ||
            !OneOf(j, "reply", where, {"imageNotArray", "imageShort", "resolutionZero", "propertyMissing", "jobStarted",
                                         "imageWrongSize", "summaryNoName", "summaryReversed", "summaryNotObjects",
                                         "summaryOfOther", "stall"},
                   reply))
            return false;
        f.call = call.value_or("");
        f.reply = reply.value_or("");
        if (j.contains("hr")) {
            const json& hr = j["hr"];
            if (hr.is_number_integer()) {
                f.hr = static_cast<HRESULT>(hr.get<long long>());
            } else if (hr.is_string()) {
                std::string text = hr.get<std::string>();
                char* end = nullptr;
                unsigned long v = std::strtoul(text.c_str(), &end, 16);
                if (text.empty() || *end) return Fail(where + ".hr", "must be a hex string such as \"0x80041002\"");
                f.hr = static_cast<HRESULT>(v);
            } else {
                return Fail(where + ".hr", "must be a hex string");
            }
        }
        if (j.contains("returnValue")) {
            if (!j["returnValue"].is_number_integer() || j["returnValue"].get<long long>() < 0 ||
                j["returnValue"].get<long long>() > 0xFFFFFFFFll)
                return Fail(where + ".returnValue", "must be a uint32");
            f.returnValue = static_cast<uint32_t>(j["returnValue"].get<long long>());
        }
        std::string jobError;
        if (j.contains("jobError")) {
            if (!String(j, "jobError", where, jobError)) return false;
            f.jobError = jobError;
        }
        std::optional<bool> disconnect;
        std::optional<int> after, count;
        if (!Bool(j, "disconnect", where, disconnect) || !Int(j, "after", where, 0, 1 << 30, after) ||
            !Int(j, "count", where, 0, 1 << 30, count))
            return false;
        f.disconnect = disconnect.value_or(false);
        f.after = after.value_or(0);
        f.count = count.value_or(-1);
        int effects = (f.hr ? 1 : 0) + (f.disconnect ? 1 : 0) + (f.reply.empty() ? 0 : 1) + (f.returnValue ? 1 : 0) +
                      (f.jobError ? 1 : 0);
        if (effects != 1)
            return Fail(where,
                        "needs exactly one of \"hr\", \"disconnect\", \"reply\", \"returnValue\" and \"jobError\"");
        if (f.reply == "propertyMissing" && f.property.empty())
            return Fail(where, "a propertyMissing reply needs a \"property\"");
        return true;
    }

    bool Change(const json& j, const std::string& where, ChangeConfig& c) {
        if (!OnlyKeys(j, where, {"after", "machine", "set", "migrate", "how"})) return false;
        std::optional<int> after;
        std::string machine;
        if (!Int(j, "after", where, 0, 1 << 30, after) || !String(j, "machine", where, machine)) return false;
        if (machine.empty()) return Fail(where, "needs a \"machine\"");
        c.after = after.value_or(0);
        c.machine = Wide(machine);
        if (j.contains("migrate")) {
            std::optional<std::string> how;
            if (j.contains("set")) return Fail(where, "has both \"set\" and \"migrate\"");
            if (!String(j, "migrate", where, c.migrate) || !OneOf(j, "how", where, {"live", "quick", "failover"}, how))
                return false;
            if (c.migrate.empty() || !how) return Fail(where, "a migration needs a \"migrate\" node and a \"how\"");
            c.how = *how;
            return true;
        }
        if (j.contains("how")) return Fail(where, "\"how\" belongs to a \"migrate\" change");
        if (!j.contains("set")) return Fail(where, "needs a \"set\"");
        const json& set = j["set"];
        if (!OnlyKeys(set, where + ".set", {"elementName", "width", "height", "display", "mouse", "mouseEnabledState",
                                            "inactiveWidth", "inactiveHeight", "keyboard", "settingData", "state",
                                            "shutdownService", "shutdownStatus", "enabledState", "present"}) ||
            !Settings(set, where + ".set", c.set))
            return false;
        return true;
    }

    bool Hostile(const json& j, const std::string& where, std::optional<HostileConfig>& out) {
        if (!j.contains("hostile")) return true;
        const json& h = j["hostile"];
        const std::string at = where + ".hostile";
        std::optional<int> seed;
        if (!OnlyKeys(h, at, {"seed", "rate"}) || !Int(h, "seed", at, 0, INT32_MAX, seed)) return false;
        if (!h.contains("rate") || !h["rate"].is_number() || h["rate"].get<double>() < 0 || h["rate"].get<double>() > 1)
            return Fail(at + ".rate", "must be a number from 0 to 1");
        out = HostileConfig{static_cast<uint32_t>(seed.value_or(0)), h["rate"].get<double>()};
        return true;
    }

    bool Host(const json& j, const std::string& where, HostConfig& h) {
        if (!OnlyKeys(j, where, {"name", "aliases", "hostName", "provider", "users", "latencyMs", "typeScancodes",
                                 "octetPrefix", "language", "jobMs", "jobPolls", "listOrder", "machines", "generate",
                                 "faults", "changes", "typeTextRoom", "hostile", "jobStarting", "jobCompletedState",
                                 "v1ShutdownState", "nodeState"}) ||
            !Hostile(j, where, h.hostile))
            return false;
        std::string hostName;
        std::optional<int> latency, jobMs, jobPolls, typeTextRoom, jobCompletedState, v1ShutdownState;
        std::optional<bool> typeScancodes, octetPrefix, jobStarting;
        std::optional<std::string> provider, language, listOrder, nodeState;
        if (!String(j, "name", where, h.name) || !String(j, "hostName", where, hostName) ||
            !OneOf(j, "provider", where, {"v1", "v2", "both"}, provider) ||
            !Int(j, "latencyMs", where, 0, 600000, latency) || !Bool(j, "typeScancodes", where, typeScancodes) ||
            !Bool(j, "octetPrefix", where, octetPrefix) || !OneOf(j, "language", where, {"en", "de"}, language) ||
            !Int(j, "jobMs", where, 0, 600000, jobMs) || !Int(j, "jobPolls", where, 0, 1000, jobPolls) ||
            !OneOf(j, "listOrder", where, {"scenario", "reverse"}, listOrder) ||
            !Int(j, "typeTextRoom", where, 1, 512, typeTextRoom) || !Bool(j, "jobStarting", where, jobStarting) ||
            !Int(j, "jobCompletedState", where, 0, 65535, jobCompletedState) ||
            !Int(j, "v1ShutdownState", where, 0, 65535, v1ShutdownState) ||
            !OneOf(j, "nodeState", where, {"up", "down", "paused"}, nodeState))
            return false;
        h.reverseListing = listOrder == "reverse";
        h.nodeState = nodeState.value_or("up");
        // Only the values a host documents for these.
        if (jobCompletedState && *jobCompletedState != 7 && *jobCompletedState != 32768)
            return Fail(where + ".jobCompletedState", "must be 7 or 32768");
        if (v1ShutdownState && *v1ShutdownState != 4 && *v1ShutdownState != 32774)
            return Fail(where + ".v1ShutdownState", "must be 4 or 32774");
        h.jobStarting = jobStarting.value_or(false);
        h.jobCompletedState = jobCompletedState.value_or(7);
        h.v1ShutdownState = v1ShutdownState.value_or(32774);
        h.typeTextRoom = typeTextRoom.value_or(512);
        h.octetPrefix = octetPrefix.value_or(false);
        h.language = language.value_or("en");
        h.jobMs = jobMs.value_or(2000);
        h.jobPolls = jobPolls.value_or(0);
        if (!j.contains("name")) return Fail(where, "needs a \"name\"");
        h.hostName = Wide(hostName.empty() ? h.name : hostName);
        h.speaksV1 = provider.value_or("v1") != "v2";
        h.speaksV2 = provider.value_or("v1") != "v1";
        h.latencyMs = latency.value_or(0);
        h.typeScancodes = typeScancodes.value_or(true);
        if (j.contains("aliases")) {
            if (!j["aliases"].is_array()) return Fail(where + ".aliases", "must be an array of strings");
            for (const auto& a : j["aliases"]) {
                if (!a.is_string()) return Fail(where + ".aliases", "must be an array of strings");
                h.aliases.push_back(a.get<std::string>());
            }
        }
        if (j.contains("users")) {
            if (!j["users"].is_array()) return Fail(where + ".users", "must be an array");
            h.users.emplace();
            for (size_t i = 0; i < j["users"].size(); ++i) {
                const json& u = j["users"][i];
                std::string at = where + ".users[" + std::to_string(i) + "]", user, password;
                if (!OnlyKeys(u, at, {"user", "password"}) || !String(u, "user", at, user) ||
                    !String(u, "password", at, password))
                    return false;
                if (user.empty()) return Fail(at, "needs a \"user\"");
                h.users->push_back({Wide(user), Wide(password)});
            }
        }
        return Each(j, "machines", where, h.machines, &Reader::Machine) &&
               (!j.contains("generate") || GenerateMachines(j["generate"], where + ".generate", h.machines, error_)) &&
               Each(j, "faults", where, h.faults, &Reader::Fault) &&
               Each(j, "changes", where, h.changes, &Reader::Change);
    }

    bool Cluster(const json& j, const std::string& where, ClusterConfig& c) {
        if (!OnlyKeys(j, where, {"name", "nodes"}) || !String(j, "name", where, c.name)) return false;
        if (c.name.empty()) return Fail(where, "needs a \"name\"");
        if (!j.contains("nodes") || !j["nodes"].is_array() || j["nodes"].empty())
            return Fail(where + ".nodes", "must be an array of host names");
        for (const auto& n : j["nodes"]) {
            if (!n.is_string()) return Fail(where + ".nodes", "must be an array of host names");
            c.nodes.push_back(n.get<std::string>());
        }
        return true;
    }

    template <class T>
    bool Each(const json& j, const char* key, const std::string& where, std::vector<T>& out,
              bool (Reader::*one)(const json&, const std::string&, T&)) {
        if (!j.contains(key)) return true;
        if (!j[key].is_array()) return Fail(where + "." + key, "must be an array");
        for (size_t i = 0; i < j[key].size(); ++i) {
            T item;
            if (!(this->*one)(j[key][i], where + "." + key + "[" + std::to_string(i) + "]", item)) return false;
            out.push_back(std::move(item));
        }
        return true;
    }

private:
    std::string& error_;
};

// A stable GUID for a machine the scenario gives no name: the same scenario yields the same paths.
std::wstring MadeUpGuid(const std::wstring& hostName, size_t index) {
    uint64_t h = 1469598103934665603ull;
    for (wchar_t c : hostName) h = (h ^ static_cast<uint64_t>(c)) * 1099511628211ull;
    h = (h ^ index) * 1099511628211ull;
    wchar_t text[40];
    swprintf(text, 40, L"%08X-%04X-4%03X-8%03X-%012llX", static_cast<unsigned>(h >> 32),
             static_cast<unsigned>(h >> 16) & 0xFFFF, static_cast<unsigned>(h) & 0xFFF, static_cast<unsigned>(index) & 0xFFF,
             static_cast<unsigned long long>(h * 31 + index) & 0xFFFFFFFFFFFFull);
    return text;
}

// The machine a change names, found as the running host finds it: by display name, else by GUID.
const MachineConfig* ChangedMachine(const HostConfig& h, const std::wstring& key) {
    for (const auto& m : h.machines)
        if (m.settings.elementName == key) return &m;
    for (const auto& m : h.machines)
        if (IEquals(m.name, key)) return &m;
    return nullptr;
}

// What only the whole host can tell: which generations its provider allows, and which devices
// its machines' generations allow, now and after its changes. Messages name the host and machine.
bool CheckGenerations(const HostConfig& h, const std::string& where, std::string& error) {
    std::string host = where + " \"" + h.name + "\"";
    if (h.speaksV2 && !h.typeScancodes) {
        error = host + ": \"typeScancodes\" false is the provider's first release, which has no second version";
        return false;
    }
    for (const auto& m : h.machines) {
        std::string why;
        if (m.generation != 1 && m.generation != 2)
            why = "generation must be 1 or 2";
        else if (m.generation == 2 && !h.speaksV2)
            why = "generation 2 needs a host of the provider's second version (\"provider\" \"v2\" or \"both\")";
        else
            why = GenerationConflict(m.generation, m.settings);
        for (const BootStage& stage : m.boot)
            if (why.empty() && m.generation == 2 && stage.display == "s3") why = "generation 2 boots on display \"synthetic\"";
        if (!why.empty()) {
            error = host + " machine \"" + Utf8(m.settings.elementName.value_or(L"")) + "\": " + why;
            return false;
        }
    }
    for (size_t i = 0; i < h.changes.size(); ++i) {
        const MachineConfig* m = ChangedMachine(h, h.changes[i].machine);
        std::string why = m ? GenerationConflict(m->generation, h.changes[i].set) : std::string();
        if (!why.empty()) {
            error = host + " changes[" + std::to_string(i) + "] machine \"" + Utf8(h.changes[i].machine) + "\": " + why;
            return false;
        }
    }
    return true;
}

// Every node is a host of the scenario and belongs to one cluster; a migration names a node of
// its machine's cluster.
bool CheckClusters(const ScenarioConfig& s, std::string& error) {
    std::vector<std::string> member(s.hosts.size());  // the cluster of each host
    for (size_t c = 0; c < s.clusters.size(); ++c) {
        const std::string where = "scenario.clusters[" + std::to_string(c) + "] \"" + s.clusters[c].name + "\"";
        for (const std::string& node : s.clusters[c].nodes) {
            size_t h = 0;
            while (h < s.hosts.size() && s.hosts[h].name != node) ++h;
            if (h == s.hosts.size()) {
                error = where + ": node \"" + node + "\" is no host of the scenario";
                return false;
            }
            if (!member[h].empty()) {
                error = where + ": node \"" + node + "\" belongs to cluster \"" + member[h] + "\" already";
                return false;
            }
            member[h] = s.clusters[c].name;
        }
    }
    for (size_t h = 0; h < s.hosts.size(); ++h)
        for (size_t i = 0; i < s.hosts[h].changes.size(); ++i) {
            const std::string& target = s.hosts[h].changes[i].migrate;
            if (target.empty()) continue;
            size_t t = 0;
            while (t < s.hosts.size() && s.hosts[t].name != target) ++t;
            if (member[h].empty() || t == s.hosts.size() || member[t] != member[h] || t == h) {
                error = "scenario.hosts[" + std::to_string(h) + "] \"" + s.hosts[h].name + "\" changes[" +
                        std::to_string(i) + "]: \"" + target + "\" is no other node of the host's cluster";
                return false;
            }
        }
    return true;
}

}  // namespace

std::string GenerationConflict(int generation, const MachineSettings& s) {
    if (generation != 2) return {};
    if (s.display && *s.display != "synthetic") return "generation 2 needs display \"synthetic\"";
    if (s.mouse && *s.mouse == "ps2") return "generation 2 has no PS/2 mouse (mouse \"ps2\")";
    return {};
}

bool ParseScenario(const std::string& text, ScenarioConfig& out, std::string& error) {
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded()) {
        error = "scenario: not valid JSON";
        return false;
    }
    Reader r(error);
    ScenarioConfig scenario;
    if (!r.OnlyKeys(j, "scenario", {"hosts", "clusters"}) ||
        !r.Each(j, "hosts", "scenario", scenario.hosts, &Reader::Host) ||
        !r.Each(j, "clusters", "scenario", scenario.clusters, &Reader::Cluster))
        return false;
    for (size_t h = 0; h < scenario.hosts.size(); ++h) {
        HostConfig& host = scenario.hosts[h];
        for (size_t i = 0; i < host.machines.size(); ++i)
            if (host.machines[i].name.empty()) host.machines[i].name = MadeUpGuid(host.hostName, i);
        if (!CheckGenerations(host, "scenario.hosts[" + std::to_string(h) + "]", error)) return false;
    }
    if (!CheckClusters(scenario, error)) return false;
    out = std::move(scenario);
    return true;
}

bool ParseFault(const json& j, FaultConfig& out, std::string& error) {
    Reader r(error);
    return r.Fault(j, "fault", out);
}

bool ParseChange(const json& j, ChangeConfig& out, std::string& error) {
    Reader r(error);
    return r.Change(j, "change", out);
}

}  // namespace hostsim
