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
    // The owning pointer of a host (for objects that must keep it alive).
    std::shared_ptr<Host> Shared(const Host* host) const;
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
    std::vector<std::unique_ptr<Cluster>> clusters_;
    std::vector<FaultState> runtimeFaults_;
    CallLog log_;
    std::string loadError_;
    bool loaded_ = false;
};

// The reference count of one of the simulator's COM objects (starting at the creator's one
// reference); while it exists the object counts among the live objects.
class RefCount {
public:
    RefCount() { ++Engine::Instance().liveObjects; }
    ~RefCount() { --Engine::Instance().liveObjects; }
    RefCount(const RefCount&) = delete;
    RefCount& operator=(const RefCount&) = delete;
    ULONG Add() { return ++count_; }
    ULONG Drop() { return --count_; }  // the caller deletes the object at 0

private:
    std::atomic<ULONG> count_{1};
};

}  // namespace hostsim
