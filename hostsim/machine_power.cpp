#include "hostsim/machine_power.h"

#include "hostsim/host_state.h"
#include "hostsim/text_util.h"

namespace hostsim {
namespace {

struct StateCodes {
    Power power;
    uint16_t v1, v2;
};
constexpr StateCodes kStateCodes[] = {
    {Power::Running, 2, 2},      {Power::Off, 3, 3},         {Power::Saved, 32769, 6},
    {Power::Paused, 32768, 9},   {Power::Starting, 32770, 10}, {Power::Saving, 32773, 32773},
    {Power::Stopping, 32774, 4}, {Power::ShuttingDown, 32774, 4}, {Power::Pausing, 32776, 32776},
    {Power::Resuming, 32777, 32777},
};

enum class Request { Start, TurnOff, Save, Pause, Reset };

std::optional<Request> RequestOf(ProviderVersion version, int64_t value) {
    const bool v1 = version == ProviderVersion::V1;
    if (value == 2) return Request::Start;  // also resumes and restores
    if (value == 3) return Request::TurnOff;
    if (value == (v1 ? 32769 : 6)) return Request::Save;
    if (value == (v1 ? 32768 : 9)) return Request::Pause;
    if (value == (v1 ? 10 : 11)) return Request::Reset;
    return std::nullopt;
}

}  // namespace

std::optional<Power> ParsePower(const std::string& name) {
    if (name == "running") return Power::Running;
    if (name == "off") return Power::Off;
    if (name == "saved") return Power::Saved;
    if (name == "paused") return Power::Paused;
    return std::nullopt;
}

uint16_t EnabledStateOf(Power power, ProviderVersion version) {
    for (const auto& c : kStateCodes)
        if (c.power == power) return version == ProviderVersion::V1 ? c.v1 : c.v2;
    return 0;
}

bool HasScreen(Power power) { return power != Power::Off && power != Power::Saved && power != Power::Starting; }

std::optional<PowerTransition> TransitionFor(ProviderVersion version, int64_t requestedState, Power from,
                                             int32_t& refusal) {
    refusal = 32775;
    auto request = RequestOf(version, requestedState);
    if (!request) {
        refusal = 32773;
        return std::nullopt;
    }
    const bool running = from == Power::Running, paused = from == Power::Paused;
    switch (*request) {
    case Request::Start:
        if (from == Power::Off) return PowerTransition{Power::Starting, Power::Running, true, 12, L"Start"};
        if (from == Power::Saved) return PowerTransition{Power::Starting, Power::Running, false, 15, L"Restore"};
        if (paused) return PowerTransition{Power::Resuming, Power::Running, false, 27, L"Resume"};
        break;
    case Request::TurnOff:
        if (from != Power::Off && from != Power::Saved)
            return PowerTransition{Power::Stopping, Power::Off, false, 13, L"Turn Off"};
        break;
    case Request::Save:
        if (running || paused) return PowerTransition{Power::Saving, Power::Saved, false, 14, L"Save"};
        break;
    case Request::Pause:
        if (running) return PowerTransition{Power::Pausing, Power::Paused, false, 26, L"Pause"};
        break;
    case Request::Reset:
        if (running) return PowerTransition{Power::Running, Power::Running, true, 28, L"Reset"};
        break;
    }
    return std::nullopt;
}

uint16_t Machine::EnabledState(ProviderVersion version) const {
    if (reportedState != 0) return reportedState;
    if (power == Power::ShuttingDown && version == ProviderVersion::V1) return host->v1ShutdownState;
    return EnabledStateOf(power, version);
}

void Machine::Land(Power target, bool boots) {
    power = target;
    reportedState = 0;
    if (boots) {
        // A fresh boot: what was typed, pressed and pointed at is gone.
        typed.clear();
        keys.reset();
        for (bool& b : buttons) b = false;
        pendingE0 = false;
        pointerX = width / 2;
        pointerY = height / 2;
        bootFrames = 0;
        for (const BootStage& stage : boot) bootFrames += stage.images;
    }
    ++version;
}

void Machine::TakeCheckpoint() {
    ++snapshots;
    snapshotScreens.resize(static_cast<size_t>(snapshots));
    // A running guest's checkpoint keeps its screen of this moment; others show the saved-state
    // picture every snapshot has.
    if (display == "none" || !HasScreen(power) || !screen.Render(Content())) return;
    auto frozen = std::make_unique<GuestScreen>();
    if (frozen->Freeze(screen)) snapshotScreens.back() = std::move(frozen);
}

const BootStage* Machine::BootNow() const {
    int shown = -bootFrames;
    for (const BootStage& stage : boot) shown += stage.images;
    for (const BootStage& stage : boot) {
        if (bootFrames > 0 && shown < stage.images) return &stage;
        shown -= stage.images;
    }
    return nullptr;
}

const std::string& Machine::ActiveDisplay() const {
    const BootStage* stage = BootNow();
    return stage && stage->display ? *stage->display : display;
}

int Machine::ScreenWidth() const {
    const BootStage* stage = BootNow();
    return stage ? stage->width.value_or(width) : width;
}

int Machine::ScreenHeight() const {
    const BootStage* stage = BootNow();
    return stage ? stage->height.value_or(height) : height;
}

ScreenContent Machine::BootContent() const {
    ScreenContent c;
    c.width = ScreenWidth();
    c.height = ScreenHeight();
    c.title = elementName;
    c.details.push_back(L"Starting...");
    c.details.push_back(std::to_wstring(c.width) + L" x " + std::to_wstring(c.height) + L"   " + Wide(ActiveDisplay()) +
                        L" display");
    c.details.push_back(L"Host " + host->hostName + L"   Generation " + std::to_wstring(generation));
    c.showPointer = false;
    c.frame = frame;
    c.version = version | 0x80000000u;  // never the desktop's version: the desktop is drawn anew after it
    c.seed = 7;                        // grey
    return c;
}

}  // namespace hostsim
