// The in-process API: the Simulator facade over the engine.
#include "hostsim/engine.h"
#include "hostsim/scenario.h"
#include "hostsim/text_util.h"

namespace hostsim {
namespace {

using Lock = std::lock_guard<std::mutex>;

std::mutex& Mutex() { return Engine::Instance().mutex; }

}  // namespace

Simulator& TheSimulator() {
    static Simulator simulator;
    return simulator;
}

HRESULT Simulator::Load(const std::string& scenarioJson) {
    Lock lock(Mutex());
    return Engine::Instance().Load(scenarioJson, true);
}

std::string Simulator::LoadError() const {
    Lock lock(Mutex());
    return Engine::Instance().LoadError();
}

std::vector<CallRecord> Simulator::Calls() const {
    Lock lock(Mutex());
    return Engine::Instance().Log().Records();
}

void Simulator::ClearCalls() {
    Lock lock(Mutex());
    Engine::Instance().Log().ClearRecords();
}

int Simulator::WireCallCount() const {
    Lock lock(Mutex());
    return Engine::Instance().Log().WireCalls();
}

int Simulator::CountCalls(const std::string& call, const std::string& method) const {
    Lock lock(Mutex());
    int n = 0;
    for (const auto& r : Engine::Instance().Log().Records())
        if (r.call == call && (method.empty() || IEquals(r.method, method))) ++n;
    return n;
}

long Simulator::LiveObjects() const { return Engine::Instance().liveObjects.load(); }

HRESULT Simulator::AddFault(const std::string& faultJson) {
    auto j = nlohmann::json::parse(faultJson, nullptr, false);
    FaultConfig fault;
    std::string error;
    if (j.is_discarded() || !ParseFault(j, fault, error)) return E_INVALIDARG;
    Lock lock(Mutex());
    return Engine::Instance().AddFault(fault);
}

void Simulator::ClearFaults() {
    Lock lock(Mutex());
    Engine::Instance().ClearFaults();
}

HRESULT Simulator::AddChange(const std::string& hostName, const std::string& changeJson) {
    auto j = nlohmann::json::parse(changeJson, nullptr, false);
    ChangeConfig change;
    std::string error;
    if (j.is_discarded() || !ParseChange(j, change, error)) return E_INVALIDARG;
    Lock lock(Mutex());
    auto host = Engine::Instance().FindHostByName(hostName);
    if (!host) return E_INVALIDARG;
    // A generation 2 machine never gets an S3 display or a PS/2 mouse.
    if (Machine* m = host->FindMachine(change.machine); m && !GenerationConflict(m->generation, change.set).empty())
        return E_INVALIDARG;
    change.after += host->wireCalls;
    host->changes.push_back(change);
    host->ApplyDueChanges();
    return S_OK;
}

void Simulator::SetLatencyMs(const std::string& hostName, int ms) {
    Lock lock(Mutex());
    if (auto host = Engine::Instance().FindHostByName(hostName)) host->latencyMs = ms < 0 ? 0 : ms;
}

Guest* Simulator::FindGuest(const std::string& hostName, const std::wstring& elementName) {
    Lock lock(Mutex());
    auto host = Engine::Instance().FindHostByName(hostName);
    if (!host) return nullptr;
    for (auto& m : host->machines)
        if (m->elementName == elementName) return &m->guest;
    return nullptr;
}

}  // namespace hostsim
