#include "hostsim/engine.h"

#include "hostsim/scenario.h"
#include "hostsim/text_util.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hostsim {

Engine& Engine::Instance() {
    static Engine* engine = new Engine;  // never destroyed: COM objects may be released during exit
    return *engine;
}

HRESULT Engine::Load(const std::string& scenarioJson, bool keepRecords) {
    ScenarioConfig config;
    std::string error;
    loaded_ = true;
    log_.Reset(keepRecords);
    if (!ParseScenario(scenarioJson.empty() ? DefaultScenarioJson() : scenarioJson, config, error)) {
        loadError_ = error;
        clusters_.clear();
        hosts_.clear();
        runtimeFaults_.clear();
        log_.WriteScenarioError(error);
        return E_INVALIDARG;
    }
    loadError_.clear();
    clusters_.clear();
    hosts_.clear();
    runtimeFaults_.clear();
    for (const auto& h : config.hosts) hosts_.push_back(std::make_shared<Host>(h));
    for (const auto& c : config.clusters) {
        auto cluster = std::make_unique<Cluster>();
        cluster->name = Wide(c.name);
        for (const std::string& node : c.nodes)
            if (auto host = FindHostByName(node)) {
                host->cluster = cluster.get();
                cluster->nodes.push_back(host.get());
            }
        clusters_.push_back(std::move(cluster));
    }
    return S_OK;
}

HRESULT Engine::EnsureLoaded() {
    if (loaded_) return loadError_.empty() ? S_OK : E_INVALIDARG;
    const char* path = std::getenv("VUEMERE_SIM_SCENARIO");
    std::string text;
    if (path && *path) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            loaded_ = true;
            log_.Reset(false);
            loadError_ = std::string("VUEMERE_SIM_SCENARIO: cannot read ") + path;
            log_.WriteScenarioError(loadError_);
            return E_INVALIDARG;
        }
        std::ostringstream content;
        content << file.rdbuf();
        text = content.str();
        if (text.empty()) text = "{}";  // an empty file is a scenario without hosts, not the default
    }
    return Load(text, false);
}

std::shared_ptr<Host> Engine::FindHost(const std::wstring& server) const {
    for (const auto& h : hosts_)
        if (h->Answers(server)) return h;
    // A cluster's network name reaches one of its nodes.
    for (const auto& c : clusters_)
        if (IEquals(server, c->name)) return Shared(c->FirstUpNode());
    return nullptr;
}

std::shared_ptr<Host> Engine::Shared(const Host* host) const {
    for (const auto& h : hosts_)
        if (h.get() == host) return h;
    return nullptr;
}

std::shared_ptr<Host> Engine::FindHostByName(const std::string& name) const { return FindHost(Wide(name)); }

FaultEffect Engine::Faults(Host* host, const CallInfo& call) {
    FaultEffect effect;
    for (const auto& h : hosts_)
        if (!host || h.get() == host) ApplyFaults(h->faults, call, effect);
    ApplyFaults(runtimeFaults_, call, effect);
    return effect;
}

HRESULT Engine::AddFault(const FaultConfig& fault) {
    FaultState state{fault};
    CompleteFault(state.config);
    if (fault.host.empty()) {
        runtimeFaults_.push_back(state);
        return S_OK;
    }
    auto host = FindHostByName(fault.host);
    if (!host) return E_INVALIDARG;
    host->faults.push_back(state);
    return S_OK;
}

void Engine::ClearFaults() {
    runtimeFaults_.clear();
    for (auto& h : hosts_) h->faults.clear();
}

void Engine::WriteExitLine() {
    std::lock_guard<std::mutex> lock(mutex);
    log_.WriteExit(liveObjects.load());
}

}  // namespace hostsim
