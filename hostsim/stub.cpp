// Placeholder while the simulator is being written.
#include "hostsim/hostsim.h"

namespace hostsim {
Simulator& TheSimulator() {
    static Simulator sim;
    return sim;
}
HRESULT Simulator::Load(const std::string&) { return E_NOTIMPL; }
std::string Simulator::LoadError() const { return "not implemented"; }
std::vector<CallRecord> Simulator::Calls() const { return {}; }
void Simulator::ClearCalls() {}
int Simulator::WireCallCount() const { return 0; }
int Simulator::CountCalls(const std::string&, const std::string&) const { return 0; }
long Simulator::LiveObjects() const { return 0; }
HRESULT Simulator::AddFault(const std::string&) { return E_NOTIMPL; }
void Simulator::ClearFaults() {}
HRESULT Simulator::AddChange(const std::string&, const std::string&) { return E_NOTIMPL; }
void Simulator::SetLatencyMs(const std::string&, int) {}
Guest* Simulator::FindGuest(const std::string&, const std::wstring&) { return nullptr; }
InProcessHost::InProcessHost(const std::string&) : status_(E_NOTIMPL) {}
InProcessHost::~InProcessHost() {}
}  // namespace hostsim
