#pragma once
// The live state of the simulated hosts and their guests. Everything here is guarded by the
// engine's mutex (see engine.h).
#include "hostsim/class_schema.h"
#include "hostsim/cluster_state.h"
#include "hostsim/faults.h"
#include "hostsim/guest_screen.h"
#include "hostsim/hostile.h"
#include "hostsim/hostsim.h"
#include "hostsim/jobs.h"
#include "hostsim/machine_power.h"
#include "hostsim/scenario.h"

#include <bitset>
#include <memory>
#include <string>
#include <vector>

namespace hostsim {

struct Host;

// Snapshot settings IDs keep this much of the machine's GUID, so every key of a machine's objects carries it.
constexpr size_t kGuidStemLength = 24;

struct Machine {
    Machine(Host* owner, size_t position, const MachineConfig& config);

    Host* host;
    size_t index;         // position among the host's machines
    std::wstring name;    // GUID
    std::wstring stem;    // the first kGuidStemLength characters of the GUID, upper case
    int generation = 1;
    int snapshots = 0;
    // What the scenario and later changes set.
    std::wstring elementName;
    int width = 1024, height = 768;
    std::string display = "synthetic", mouse = "synthetic";  // display: the active controller
    int inactiveWidth = 1024, inactiveHeight = 768;          // reported by the inactive head
    uint16_t mouseEnabledState = 2;
    bool keyboard = true, settingData = true;
    // What the guest does with its input.
    int pointerX = 0, pointerY = 0;
    bool buttons[6] = {};              // 1-based
    std::bitset<256> keys;
    bool pendingE0 = false;            // an 0xE0 scan-code prefix waits for its key
    std::wstring typed;
    unsigned frame = 0;
    unsigned version = 1;              // bumped by every visible change
    GuestScreen screen;  // allocated when something first reads the screen
    std::vector<std::unique_ptr<GuestScreen>> snapshotScreens;  // [i - 1]: snapshot i, made when first shown
    Guest guest{this};
    // Power (machine_power.cpp).
    Power power = Power::Running;
    bool shutdownService = true;  // whether it has a Msvm_ShutdownComponent
    bool present = true;          // false: the host has no object of it (deleted, or moved away)
    uint16_t shutdownStatus = 2;  // its OperationalStatus[0] while the guest runs
    uint16_t reportedState = 0;   // an EnabledState reported as it is (0: the power's own)
    std::vector<BootStage> boot;  // what the guest shows as it boots, stage by stage
    int bootFrames = 0;           // images of the boot screen still to come, of all its stages
    // As a role of a failover cluster (cluster_objects.cpp): its group's name, "" when not clustered.
    std::wstring clusterGroup;
    bool migrating = false;       // live migration under way: OperationalStatus[1] 32774

    // The boot stage the guest is in, or null once its desktop runs; the display controller in
    // use and the size its head reports, which a boot stage may set apart from the desktop's.
    const BootStage* BootNow() const;
    const std::string& ActiveDisplay() const;
    int ScreenWidth() const;
    int ScreenHeight() const;
    bool HasSyntheticMouse() const { return mouse == "synthetic" || mouse == "synthetic-disabled"; }
    // A disabled synthetic mouse comes with the emulated PS/2 one, which only generation 1 has.
    bool HasPs2Mouse() const { return mouse == "ps2" || (mouse == "synthetic-disabled" && generation == 1); }
    void Apply(const MachineSettings& settings);
    void SetResolution(int w, int h);
    void MovePointerTo(int x, int y);  // clamped to the screen
    void PressKey(int vk);
    void ReleaseKey(int vk);
    bool IsKeyDown(int vk) const;      // 16, 17 and 18 ask for either side
    void Type(const std::wstring& text);
    void Scancode(uint8_t code);
    // Renders the screen (a new frame when `newFrame`) and scales it to width x height into `out`
    // (width * height * 2 bytes). Returns false when the guest has no screen to show.
    bool Image(int w, int h, bool newFrame, uint8_t* out);
    // The same for snapshot 1..snapshots: the screen as it was saved, frozen, never a new frame.
    bool SnapshotImage(int snapshot, int w, int h, uint8_t* out);
    std::vector<uint16_t> Framebuffer();
    // Msvm_ComputerSystem.EnabledState (and summary item 100) on a connection of this version.
    uint16_t EnabledState(ProviderVersion version) const;
    // Arrives in `target`; a guest that boots starts afresh behind its boot screen.
    void Land(Power target, bool boots);
    // One more snapshot, frozen at the screen of this moment when the machine shows one.
    void TakeCheckpoint();

private:
    void TypeChar(wchar_t c);
    ScreenContent Content() const;
    ScreenContent BootContent() const;
    ScreenContent SnapshotContent(int snapshot) const;
};

struct Host {
    explicit Host(const HostConfig& config);

    std::string name;
    std::vector<std::string> aliases;
    std::wstring hostName;
    std::optional<std::vector<UserConfig>> users;
    int latencyMs = 0;
    bool speaksV1, speaksV2;  // the provider versions (namespaces) the host answers
    bool typeScancodes;       // false: the first version's first release
    bool octetPrefix;         // images begin with the length prefix of an octet string
    std::string language;     // of the Caption and Description texts
    int typeTextRoom;         // what one TypeText call takes (a character beyond ASCII counts two)
    std::vector<std::unique_ptr<Machine>> machines;
    std::vector<FaultState> faults;
    std::vector<ChangeConfig> changes;  // not yet applied
    int wireCalls = 0;
    int jobMs = 2000, jobPolls = 0;     // how long a state change takes: time, or reads of its job
    bool jobStarting;                   // jobs read JobState 3 before 4
    uint16_t jobCompletedState;         // 7, or 32768
    uint16_t v1ShutdownState;           // 32774, or 4
    bool reverseListing = false;        // queries deliver their objects last first
    std::vector<Job> jobs;              // running, and finished within the last five minutes
    std::optional<Hostility> hostility; // a hostile host's choice of answers (hostile.h)
    unsigned jobsStarted = 0;
    Cluster* cluster = nullptr;         // the failover cluster it is a node of
    NodeState nodeState = NodeState::Up;

    bool Speaks(ProviderVersion version) const {
        if (version == ProviderVersion::Cluster) return cluster != nullptr;
        return version == ProviderVersion::V2 ? speaksV2 : speaksV1;
    }
    // A node that is down answers nothing, new connections included.
    bool Unreachable() const { return nodeState == NodeState::Down; }
    const Schema& SchemaFor(ProviderVersion version) const { return Schema::For(version, typeScancodes); }
    bool IsLocal() const;                            // answers the bare local path
    bool Answers(const std::wstring& server) const;  // by name, alias or computer name
    Machine* FindMachine(const std::wstring& elementNameOrGuid);
    // Counts one wire call and applies the changes that are due.
    void CountWireCall();
    void ApplyDueChanges();  // changes whose "after" has been reached
};

}  // namespace hostsim
