// The in-process API: the Simulator facade over the engine, and the Guest handles.
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

std::wstring Guest::elementName() const {
    Lock lock(Mutex());
    return machine_->elementName;
}

std::wstring Guest::name() const {
    Lock lock(Mutex());
    return machine_->name;
}

int Guest::width() const {
    Lock lock(Mutex());
    return machine_->width;
}

int Guest::height() const {
    Lock lock(Mutex());
    return machine_->height;
}

void Guest::SetResolution(int width, int height) {
    Lock lock(Mutex());
    machine_->SetResolution(width, height);
}

uint16_t Guest::mouseEnabledState() const {
    Lock lock(Mutex());
    return machine_->mouseEnabledState;
}

void Guest::SetMouseEnabledState(uint16_t state) {
    Lock lock(Mutex());
    machine_->mouseEnabledState = state;
    ++machine_->version;
}

int Guest::pointerX() const {
    Lock lock(Mutex());
    return machine_->pointerX;
}

int Guest::pointerY() const {
    Lock lock(Mutex());
    return machine_->pointerY;
}

bool Guest::ButtonDown(int index) const {
    Lock lock(Mutex());
    return index >= 1 && index <= 5 && machine_->buttons[index];
}

bool Guest::KeyDown(int vk) const {
    Lock lock(Mutex());
    return machine_->IsKeyDown(vk);
}

std::wstring Guest::TypedText() const {
    Lock lock(Mutex());
    return machine_->typed;
}

void Guest::ClearTypedText() {
    Lock lock(Mutex());
    machine_->typed.clear();
    ++machine_->version;
}

unsigned Guest::frame() const {
    Lock lock(Mutex());
    return machine_->frame;
}

std::vector<uint16_t> Guest::Framebuffer() const {
    Lock lock(Mutex());
    return machine_->Framebuffer();
}

std::vector<uint8_t> Guest::Thumbnail(int width, int height) const {
    Lock lock(Mutex());
    if (width <= 0 || height <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 2);
    if (!machine_->Image(width, height, false, bytes.data())) return {};
    return bytes;
}

}  // namespace hostsim
