#pragma once
// The process-wide simulator state behind the COM objects and the in-process API. One mutex
// guards it all; COM objects lock it for each call and never while they wait out latency.
#include "hostsim/call_log.h"
#include "hostsim/faults.h"
#include "hostsim/host_state.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hostsim {

class Engine {
public:
    static Engine& Instance();  // lives until the process ends, so late Releases stay safe

    std::mutex mutex;
    std::atomic<long> liveObjects{0};

    // The members below require `mutex` held.

    // Replaces every host, fault and record; "" loads the built-in scenario.
    HRESULT Load(const std::string& scenarioJson, bool keepRecords);
    // Loads VUEMERE_SIM_SCENARIO (or the built-in scenario) unless something was loaded already.
    HRESULT EnsureLoaded();
    const std::string& LoadError() const { return loadError_; }

    std::shared_ptr<Host> FindHost(const std::wstring& server) const;
    std::shared_ptr<Host> FindHostByName(const std::string& name) const;
    const std::vector<std::shared_ptr<Host>>& Hosts() const { return hosts_; }

    // Runs the faults of `host` (nullptr: of every host) and the runtime faults over one call.
    FaultEffect Faults(Host* host, const CallInfo& call);
    HRESULT AddFault(const FaultConfig& fault);
    void ClearFaults();

    CallLog& Log() { return log_; }
    void WriteExitLine();  // takes the mutex itself

private:
    Engine() = default;

    std::vector<std::shared_ptr<Host>> hosts_;
    std::vector<FaultState> runtimeFaults_;
    CallLog log_;
    std::string loadError_;
    bool loaded_ = false;
};

// Counts itself among the live objects for as long as it exists; every COM object has one.
class LiveObject {
public:
    LiveObject() { ++Engine::Instance().liveObjects; }
    ~LiveObject() { --Engine::Instance().liveObjects; }
    LiveObject(const LiveObject&) : LiveObject() {}
    LiveObject& operator=(const LiveObject&) = delete;
};

}  // namespace hostsim
