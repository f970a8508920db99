#include "hostsim/host_state.h"

#include "hostsim/key_map.h"
#include "hostsim/text_util.h"

#include <algorithm>

namespace hostsim {
namespace {

constexpr size_t kTypedTextLimit = 4000;  // the text area keeps the end of what was typed
constexpr int kShift = 16, kCtrl = 17, kAlt = 18, kBack = 8;
constexpr int kLeftShift = 160, kRightShift = 161, kLeftCtrl = 162, kRightCtrl = 163, kLeftAlt = 164,
              kRightAlt = 165, kLeftWin = 0x5B, kRightWin = 0x5C;

// The generic modifier codes name no physical key: the guest presses the left one.
int PhysicalKey(int vk) {
    switch (vk) {
    case kShift: return kLeftShift;
    case kCtrl: return kLeftCtrl;
    case kAlt: return kLeftAlt;
    default: return vk;
    }
}

uint32_t Seed(const std::wstring& text) {
    uint32_t h = 2166136261u;
    for (wchar_t c : text) h = (h ^ static_cast<uint32_t>(c)) * 16777619u;
    return h;
}

}  // namespace

Machine::Machine(Host* owner, size_t position, const MachineConfig& config)
    : host(owner),
      index(position),
      name(config.name),
      stem(Upper(config.name.substr(0, kGuidStemLength))),
      generation(config.generation),
      snapshots(config.snapshots),
      boot(config.boot) {
    if (boot.empty()) boot.emplace_back();
    Apply(config.settings);
    // The cluster names a machine's group after the machine, as the vendor's tools do; a later
    // rename leaves the group's name alone.
    if (config.clustered) clusterGroup = elementName;
    pointerX = width / 2;
    pointerY = height / 2;
}

void Machine::Apply(const MachineSettings& s) {
    if (s.elementName) elementName = *s.elementName;
    if (s.display) display = *s.display;
    if (s.mouse) {
        mouse = *s.mouse;
        mouseEnabledState = mouse == "synthetic-disabled" ? 3 : 2;
    }
    if (s.mouseEnabledState) mouseEnabledState = static_cast<uint16_t>(*s.mouseEnabledState);
    if (s.inactiveWidth) inactiveWidth = *s.inactiveWidth;
    if (s.inactiveHeight) inactiveHeight = *s.inactiveHeight;
    if (s.keyboard) keyboard = *s.keyboard;
    if (s.settingData) settingData = *s.settingData;
    if (s.width || s.height) SetResolution(s.width.value_or(width), s.height.value_or(height));
    if (s.state) {
        power = ParsePower(*s.state).value_or(power);
        reportedState = 0;  // a state of its own again
    }
    if (s.enabledState) reportedState = static_cast<uint16_t>(*s.enabledState);
    if (s.shutdownService) shutdownService = *s.shutdownService;
    if (s.present) present = *s.present;
    if (s.shutdownStatus) shutdownStatus = static_cast<uint16_t>(*s.shutdownStatus);
    ++version;
}

void Machine::SetResolution(int w, int h) {
    width = std::clamp(w, 1, 16384);
    height = std::clamp(h, 1, 16384);
    MovePointerTo(pointerX, pointerY);
    ++version;
}

void Machine::MovePointerTo(int x, int y) {
    pointerX = std::clamp(x, 0, width - 1);
    pointerY = std::clamp(y, 0, height - 1);
    ++version;
}

bool Machine::IsKeyDown(int vk) const {
    if (vk < 0 || vk > 255) return false;
    switch (vk) {
    case kShift: return keys[kLeftShift] || keys[kRightShift];
    case kCtrl: return keys[kLeftCtrl] || keys[kRightCtrl];
    case kAlt: return keys[kLeftAlt] || keys[kRightAlt];
    default: return keys[static_cast<size_t>(vk)];
    }
}

void Machine::PressKey(int vk) {
    vk = PhysicalKey(vk);
    if (vk < 0 || vk > 255) return;
    keys.set(static_cast<size_t>(vk));
    ++version;
    if (IsKeyDown(kCtrl) || IsKeyDown(kAlt)) return;  // shortcuts type nothing
    if (vk == kBack) {
        if (!typed.empty()) typed.pop_back();
        return;
    }
    if (wchar_t c = KeyChar(vk, IsKeyDown(kShift))) TypeChar(c);
}

void Machine::ReleaseKey(int vk) {
    vk = PhysicalKey(vk);
    if (vk < 0 || vk > 255) return;
    keys.reset(static_cast<size_t>(vk));
    ++version;
}

void Machine::TypeChar(wchar_t c) {
    typed += c;
    if (typed.size() > kTypedTextLimit) typed.erase(0, typed.size() - kTypedTextLimit);
    ++version;
}

void Machine::Type(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            TypeChar(L'\n');
        } else if (c == L'\n' || c == L'\t' || (c >= 0x20 && c != 0x7F)) {
            TypeChar(c);  // beyond ASCII too: the second version types Unicode text
        } else {
            TypeChar(L'?');  // a control character: the guest's keyboard has no key for it
        }
    }
}

void Machine::Scancode(uint8_t code) {
    if (code == 0xE0) {
        pendingE0 = true;
        return;
    }
    bool extended = pendingE0;
    pendingE0 = false;
    int vk = ScancodeKey(static_cast<uint8_t>(code & 0x7F), extended);
    if (vk == 0) return;
    if (code & 0x80)
        ReleaseKey(vk);
    else
        PressKey(vk);
}

ScreenContent Machine::Content() const {
    ScreenContent c;
    c.width = width;
    c.height = height;
    c.title = elementName;
    c.details.push_back(L"Name " + name);
    std::wstring mode = mouse == "none" ? L"no mouse"
                        : (HasSyntheticMouse() && mouseEnabledState == 2) ? L"absolute mouse"
                                                                          : L"relative mouse";
    c.details.push_back(std::to_wstring(width) + L" x " + std::to_wstring(height) + L"   " + Wide(display) +
                        L" display   " + mode);
    c.details.push_back(L"Host " + host->hostName + L"   Generation " + std::to_wstring(generation));
    c.typed = typed;
    c.pointerX = pointerX;
    c.pointerY = pointerY;
    c.showPointer = mouse != "none";
    const wchar_t* buttonNames[] = {L"L", L"R", L"M", L"X1", L"X2"};
    for (int i = 1; i <= 5; ++i) c.indicators.emplace_back(buttonNames[i - 1], buttons[i]);
    c.indicators.emplace_back(L"Shift", IsKeyDown(kShift));
    c.indicators.emplace_back(L"Ctrl", IsKeyDown(kCtrl));
    c.indicators.emplace_back(L"Alt", IsKeyDown(kAlt));
    c.indicators.emplace_back(L"Win", keys[kLeftWin] || keys[kRightWin]);
    c.frame = frame;
    c.version = version;
    c.seed = Seed(name);
    return c;
}

bool Machine::Image(int w, int h, bool newFrame, uint8_t* out) {
    if (display == "none" || w <= 0 || h <= 0 || !HasScreen(power)) return false;
    // The picture of the stage the guest is in; the image after it shows the next one.
    const ScreenContent content = BootNow() ? BootContent() : Content();
    if (newFrame && power != Power::Paused) {  // a paused guest's screen stands still
        ++frame;
        if (bootFrames > 0) --bootFrames;
    }
    if (!screen.Render(content)) return false;
    screen.Scale(w, h, out);
    return true;
}

ScreenContent Machine::SnapshotContent(int snapshot) const {
    std::wstring label = L"Snapshot " + std::to_wstring(snapshot);
    ScreenContent c;
    c.width = width;
    c.height = height;
    c.title = label + L" - " + elementName;  // the label first: the frame counter may cover a long title's end
    c.details.push_back(label + L": a saved state, not the running machine");
    c.details.push_back(L"Name " + name);
    c.details.push_back(L"Host " + host->hostName + L"   Generation " + std::to_wstring(generation));
    c.typed = L"[" + label + L"]";
    c.showPointer = false;
    c.seed = Seed(name) + 1 + static_cast<uint32_t>(snapshot - 1) % 7;  // never the live screen's colour (of 8)
    return c;
}

bool Machine::SnapshotImage(int snapshot, int w, int h, uint8_t* out) {
    if (display == "none" || w <= 0 || h <= 0 || snapshot < 1 || snapshot > snapshots) return false;
    if (snapshotScreens.size() < static_cast<size_t>(snapshots)) snapshotScreens.resize(static_cast<size_t>(snapshots));
    auto& screen = snapshotScreens[static_cast<size_t>(snapshot - 1)];
    if (!screen) screen = std::make_unique<GuestScreen>();
    if (!screen->Render(SnapshotContent(snapshot))) return false;
    screen->Scale(w, h, out);
    return true;
}

std::vector<uint16_t> Machine::Framebuffer() {
    if (!screen.Render(Content())) return {};
    return screen.Pixels();
}

Host::Host(const HostConfig& config)
    : name(config.name),
      aliases(config.aliases),
      hostName(config.hostName),
      users(config.users),
      latencyMs(config.latencyMs),
      speaksV1(config.speaksV1),
      speaksV2(config.speaksV2),
      typeScancodes(config.typeScancodes),
      octetPrefix(config.octetPrefix),
      language(config.language),
      typeTextRoom(config.typeTextRoom),
      changes(config.changes),
      jobMs(config.jobMs),
      jobPolls(config.jobPolls),
      jobStarting(config.jobStarting),
      jobCompletedState(static_cast<uint16_t>(config.jobCompletedState)),
      v1ShutdownState(static_cast<uint16_t>(config.v1ShutdownState)),
      reverseListing(config.reverseListing),
      nodeState(config.nodeState == "down" ? NodeState::Down
                : config.nodeState == "paused" ? NodeState::Paused
                                               : NodeState::Up) {
    if (config.hostile) hostility.emplace(*config.hostile);
    for (const auto& m : config.machines) machines.push_back(std::make_unique<Machine>(this, machines.size(), m));
    for (const auto& f : config.faults) {
        FaultState state{f};
        CompleteFault(state.config);
        faults.push_back(state);
    }
    ApplyDueChanges();
}

bool Host::IsLocal() const {
    return std::any_of(aliases.begin(), aliases.end(), [](const std::string& a) { return a.empty() || a == "."; });
}

bool Host::Answers(const std::wstring& server) const {
    if (IEquals(server, Wide(name)) || IEquals(server, hostName)) return true;
    return std::any_of(aliases.begin(), aliases.end(), [&](const std::string& a) { return IEquals(server, Wide(a)); });
}

Machine* Host::FindMachine(const std::wstring& key) {
    for (auto& m : machines)
        if (m->elementName == key) return m.get();
    for (auto& m : machines)
        if (IEquals(m->name, key)) return m.get();
    return nullptr;
}

void Host::CountWireCall() {
    ++wireCalls;
    ApplyDueChanges();
    if (cluster) cluster->Advance();
}

void Host::ApplyDueChanges() {
    for (auto it = changes.begin(); it != changes.end();) {
        if (it->after > wireCalls) {
            ++it;
            continue;
        }
        if (Machine* m = FindMachine(it->machine)) {
            if (it->migrate.empty()) {
                m->Apply(it->set);
            } else if (cluster) {
                for (Host* node : cluster->nodes)
                    if (node->name == it->migrate) cluster->StartMigration(*this, *m, *node, it->how);
            }
        }
        it = changes.erase(it);
    }
}

}  // namespace hostsim
