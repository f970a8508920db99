// VmConn against the simulated host installed in this process; what crosses the interface is
// read from the host's call log. (What a user sees of it is tested through vuemere.exe; this is
// what only the log shows: blankets, round trips, the objects a lookup settles on.)
#include "hostsim/hostsim.h"
#include "wmi/cluster_listing.h"
#include "wmi/cluster_query.h"
#include "wmi/host_answer.h"
#include "wmi/machine_list.h"
#include "wmi/provider_namespace.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_session.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kWebServer[] = L"E902B661-192D-4AE0-B3CD-460D78E7C36C";

// Every test gets a fresh host and VmConn; once the VmConn is gone the host must have no live
// objects left.
class VmConnTest : public ::testing::Test {
protected:
    void SetUp() override { Load({}); }
    void TearDown() override {
        conn.reset();
        EXPECT_EQ(sim().LiveObjects(), 0) << "COM objects alive after the client let go";
    }

    void Load(const std::string& scenario) {
        conn.reset();
        host.reset();
        KnownNamespaces().Forget();  // what the process learnt of the last test's hosts
        host = std::make_unique<hostsim::InProcessHost>(scenario);
        ASSERT_EQ(host->Status(), S_OK) << sim().LoadError();
        conn = std::make_unique<VmConn>();
    }
    hostsim::Simulator& sim() { return hostsim::TheSimulator(); }

    // A fresh VmConn connected, with `machine` opened in the steps the console takes.
    void Open(const wchar_t* machine, const wchar_t* server = L"", const wchar_t* user = L"",
              const wchar_t* password = L"") {
        conn = std::make_unique<VmConn>();
        conn->SetCredentials(user, password);
        ASSERT_EQ(conn->Connect(server, errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn->FindManagementService(errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn->OpenMachine(machine, errorText), 0) << errorText.c_str();
    }
    std::vector<hostsim::CallRecord> Calls(const std::string& call) {
        std::vector<hostsim::CallRecord> found;
        for (const hostsim::CallRecord& r : sim().Calls())
            if (r.call == call) found.push_back(r);
        return found;
    }

    std::unique_ptr<hostsim::InProcessHost> host;
    std::unique_ptr<VmConn> conn;
    WideString errorText;
};

TEST_F(VmConnTest, ConnectFallsBackToTheSecondNamespaceAndRemembersIt) {
    ASSERT_EQ(conn->Connect(L"hv-2022", errorText), 0) << errorText.c_str();
    EXPECT_EQ(conn->providerVersion, ProviderVersion::Second);
    sim().ClearCalls();
    ASSERT_EQ(conn->Connect(L"HV-2022", errorText), 0);  // the same server, however it is typed
    const std::vector<hostsim::CallRecord> again = Calls("ConnectServer");
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].nameSpace, "\\\\HV-2022\\root\\virtualization\\v2");
}

TEST_F(VmConnTest, ListingLeavesOutTheHostAndReadsEveryBatch) {
    std::vector<MachineEntry> entries;
    ASSERT_EQ(ListMachines(L"", L"", L"", entries, errorText), 0) << errorText.c_str();
    std::vector<std::wstring> names;
    for (const MachineEntry& e : entries) names.push_back(e.elementName.c_str());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Web Server 01", L"Legacy DOS", L"Build Agent", L"Headless Appliance",
                                                L"Test Node", L"Test Node", L"O'Brien's Desktop",
                                                L"\x958b\x767a\x30b5\x30fc\x30d0\x30fc 01", L"Media Center HD",
                                                L"Kiosk 1023", L"Staging Server"}));
    // A host that lists its users refuses every proxy that does not carry the logon: the user
    // name goes to ConnectServer whole, and split into every blanket, with packet privacy.
    const struct {
        const wchar_t *typed, *password;
        const char *whole, *domain, *user;
    } logons[] = {{L"LAB\\operator", L"lab-op", "LAB\\operator", "LAB", "operator"},
                  {L"admin", L"hyper-v", "admin", ".", "admin"}};
    for (const auto& logon : logons) {
        sim().ClearCalls();
        entries.clear();
        ASSERT_EQ(ListMachines(L"oldhost", logon.typed, logon.password, entries, errorText), 0) << errorText.c_str();
        EXPECT_EQ(entries.size(), 3u);
        EXPECT_EQ(Calls("ConnectServer").at(0).user, logon.whole);
        EXPECT_EQ(Calls("SetBlanket").size(), 2u) << "the services proxy and the enumerator";
        for (const hostsim::CallRecord& b : Calls("SetBlanket")) {
            EXPECT_EQ(b.domain + "\\" + b.user, std::string(logon.domain) + "\\" + logon.user);
            EXPECT_EQ(b.authnLevel, RPC_C_AUTHN_LEVEL_PKT_PRIVACY);
            EXPECT_EQ(b.impLevel, RPC_C_IMP_LEVEL_IMPERSONATE);
        }
    }

    // 64 objects a round trip; a host that lists more than ListingMax machines is cut there, and
    // says so.
    for (const int count : {70, static_cast<int>(ListingMax) + 1}) {
        std::string many = R"({"hosts": [{"name": "localhost", "aliases": [""], "machines": [)";
        for (int i = 0; i < count; ++i) {
            many += i ? R"(,{"elementName": "VM )" : R"({"elementName": "VM )";
            many += std::to_string(i) + "\"}";
        }
        Load(many + "]}]}");
        entries.clear();
        bool cut = true;
        ASSERT_EQ(ListMachines(L"", L"", L"", entries, errorText, &cut), 0);
        ASSERT_EQ(entries.size(), std::min<size_t>(count, ListingMax));
        EXPECT_STREQ(entries[69].elementName.c_str(), L"VM 69");
        EXPECT_EQ(cut, count > 70);
        if (count == 70) {
            EXPECT_EQ(sim().CountCalls("Next"), 2);
        }
    }
}

TEST_F(VmConnTest, OpenTakesTheNamedMachineAndItsLiveSettingsInEitherVersion) {
    const struct {
        const wchar_t *server, *machine, *guid;
    } cases[] = {
        {L"", L"O'Brien's Desktop", L"21492C49-ED66-4118-B916-C1098EFEC5A3"},
        {L"", L"Web Server 01", kWebServer},  // a snapshot besides its live settings
        {L"hv-2022", L"Gen1 Database", L"A81E5C3D-0F92-4B6A-8D47-C5E21B9F3A64"},  // two checkpoints
    };
    for (const auto& c : cases) {
        Open(c.machine, c.server);
        EXPECT_STREQ(conn->machineName.Text(), c.guid);
        Variant id;
        ASSERT_TRUE(conn->settingData.object) << testing::PrintToString(std::wstring(c.machine));
        conn->settingData.object->Get(L"InstanceID", 0, id.Put(), nullptr, nullptr);
        EXPECT_EQ(std::wstring(id.Text() ? id.Text() : L""), std::wstring(L"Microsoft:") + c.guid);
    }
}

TEST_F(VmConnTest, VideoHeadIsTheActiveControllersFoundByAssociationOrTheMachinesIdentifier) {
    const char* const linkedHeadsLost = R"({"call": "Next", "class": "Msvm_VideoHead", "count": 2, "hr": "0x80041001"})";
    const char* const stateUnknown = R"({"reply": "propertyMissing", "class": "Msvm_VideoHead", "property": "EnabledState"})";
    const struct {
        const wchar_t *server, *machine;
        const char* fault;
        int width, height;
        size_t queries;
    } cases[] = {
        {L"", L"Web Server 01", nullptr, 1024, 768, 2},         // the synthetic controller's head
        {L"", L"Build Agent", nullptr, 640, 480, 4},            // the S3 one's: the synthetic one is not in use
        {L"hv-2022", L"Gen2 Web Server", nullptr, 1280, 800, 2},  // linked on the second version too
        {L"", L"Build Agent", linkedHeadsLost, 640, 480, 5},    // by the identifier, the head in use
        {L"", L"Build Agent", stateUnknown, 800, 600, 5},       // no head says: the first found
        {L"", L"Headless Appliance", nullptr, 640, 480, 3},     // none at all: taken as 640 x 480
    };
    for (const auto& c : cases) {
        Open(c.machine, c.server);
        if (c.fault) {
            ASSERT_EQ(sim().AddFault(c.fault), S_OK);
        }
        sim().ClearCalls();
        ASSERT_EQ(conn->FindVideoHead(errorText), 0) << errorText.c_str();
        EXPECT_EQ(conn->guestWidth, c.width) << testing::PrintToString(std::wstring(c.machine)) << (c.fault ? c.fault : "");
        EXPECT_EQ(conn->guestHeight, c.height);
        EXPECT_EQ(Calls("ExecQuery").size(), c.queries) << testing::PrintToString(std::wstring(c.machine)) << (c.fault ? c.fault : "");
        sim().ClearFaults();
    }
    // The guest's integration services load: its synthetic display takes over, seen at the next lookup.
    Open(L"Build Agent");
    ASSERT_TRUE(sim().FindGuest("localhost", L"Build Agent")->SwitchDisplay("synthetic", 1280, 720));
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_EQ(conn->guestWidth, 1280);
    EXPECT_EQ(conn->guestHeight, 720);
    EXPECT_FALSE(sim().FindGuest("hv-2022", L"Gen2 Web Server")->SwitchDisplay("s3", 640, 480));  // it has none
}

TEST_F(VmConnTest, ASummaryWithoutOutParametersOrItsSettingDataLeavesNoPicture) {
    // Not the host's first machine: a summary of every machine (no SettingData) begins with another.
    Open(L"Legacy DOS");
    // A parameter that cannot be put leaves a call the host would read otherwise: none is sent.
    for (const char* fault : {R"({"call": "ExecMethod", "method": "GetSummaryInformation", "hr": "0x00000000"})",
                              R"({"call": "Put", "property": "SettingData", "hr": "0x80041001"})",
                              R"({"call": "Put", "property": "RequestedInformation", "hr": "0x80041001"})"}) {
        ASSERT_EQ(sim().AddFault(fault), S_OK);
        sim().ClearCalls();
        EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
        EXPECT_EQ(conn->image.byteCount, 0) << fault;
        EXPECT_STREQ(errorText.c_str(), L"err");
        EXPECT_EQ(sim().CountCalls("ExecMethod"), std::string(fault).find("Put") == std::string::npos ? 1 : 0) << fault;
        sim().ClearFaults();
    }
}

TEST_F(VmConnTest, MouseIsTheEnabledSyntheticOneElsePs2WithTheVerticalNegated) {
    const struct {
        const wchar_t* machine;
        bool synthetic, ps2;
    } cases[] = {{L"Web Server 01", true, false}, {L"Legacy DOS", false, true},  // synthetic one disabled
                 {L"Build Agent", false, true}, {L"Headless Appliance", false, false}};
    for (const auto& c : cases) {
        Open(c.machine);
        EXPECT_EQ(conn->FindMouse(errorText), 0);
        EXPECT_EQ(static_cast<bool>(conn->syntheticMouse.object), c.synthetic) << testing::PrintToString(std::wstring(c.machine));
        EXPECT_EQ(static_cast<bool>(conn->ps2Mouse.object), c.ps2) << testing::PrintToString(std::wstring(c.machine));
    }
    // Relative moves go in steps of at most 120, upward positive.
    Open(L"Build Agent");
    ASSERT_EQ(conn->FindMouse(errorText), 0);
    const struct {
        int dx, dy;
        std::vector<std::pair<int, int>> steps;
    } moves[] = {{300, -50, {{120, 50}, {120, 0}, {60, 0}}}, {-5, 240, {{-5, -120}, {0, -120}}}, {0, 0, {}}};
    for (const auto& m : moves) {
        sim().ClearCalls();
        EXPECT_EQ(conn->SetRelativePosition(m.dx, m.dy, errorText), 0);
        std::vector<std::pair<int, int>> sent;
        for (const hostsim::CallRecord& r : Calls("ExecMethod")) {
            const nlohmann::json in = nlohmann::json::parse(r.inJson);
            sent.emplace_back(in.at("horizontalDelta").get<int>(), in.at("verticalDelta").get<int>());
        }
        EXPECT_EQ(sent, m.steps) << m.dx << "," << m.dy;
    }
    // However far a host's screen size takes a move, one message costs a bounded number of calls.
    sim().ClearCalls();
    EXPECT_EQ(conn->SetRelativePosition(INT32_MAX, 0, errorText), 0);
    EXPECT_EQ(Calls("ExecMethod").size(), static_cast<size_t>(RelativeStepsMax));
    Open(L"Web Server 01");
    ASSERT_EQ(conn->SetButtonState(2, true, errorText), 0);
    EXPECT_TRUE(sim().FindGuest("localhost", L"Web Server 01")->ButtonDown(2));
}

TEST_F(VmConnTest, AMethodCallCostsOneRoundTripWithClassesOfTheCurrentConnection) {
    Open(L"Web Server 01");
    ASSERT_EQ(conn->SendKey('A', 1, errorText), 0);
    sim().ClearCalls();
    ASSERT_EQ(conn->SendKey('A', 0, errorText), 0);
    EXPECT_EQ(sim().WireCallCount(), 1) << "ExecMethod alone";
    ASSERT_EQ(conn->TypeScancodes(0x9E, errorText), 0);
    EXPECT_EQ(Calls("ExecMethod").back().inJson, R"({"Scancodes":[158]})");

    // Connected again, to the provider's first release: its keyboard has no TypeScancodes.
    conn->SetCredentials(L"admin", L"hyper-v");
    ASSERT_EQ(conn->Connect(L"oldhost", errorText), 0);
    ASSERT_EQ(conn->OpenMachine(L"Windows 2008 Guest", errorText), 0);
    conn->keyboard.Reset(nullptr);  // as the console does on opening a machine
    sim().ClearCalls();
    EXPECT_EQ(conn->TypeScancodes(0x1E, errorText), WbemNotFound);
    EXPECT_STREQ(errorText.c_str(), L"This function is require Hyper-V R2.");
    EXPECT_EQ(sim().CountCalls("ExecMethod"), 0);
}

// Each version's checkpoint method adds a snapshot's settings object, whose picture is the screen
// of that moment.
TEST_F(VmConnTest, ACheckpointIsASnapshotOfTheScreenOfItsMoment) {
    const struct {
        const wchar_t *server, *machine, *snapshots;
        size_t before;
    } cases[] = {{L"", L"Web Server 01", L"' and SettingType = 5", 1},
                 {L"hv-2022", L"Gen1 Database", L"' and VirtualSystemType = 'Microsoft:Hyper-V:Snapshot:Realized'", 2}};
    for (const auto& c : cases) {
        Open(c.machine, c.server);
        hostsim::Guest* guest = sim().FindGuest(c.server[0] ? "hv-2022" : "localhost", c.machine);
        ASSERT_NE(guest, nullptr);
        const std::vector<uint8_t> screen = guest->Thumbnail(80, 60);
        uint32_t returned = 0;
        WideString job;
        ASSERT_EQ(conn->CreateCheckpoint(returned, job, errorText), 0) << errorText.c_str();
        EXPECT_EQ(returned, 4096u);
        JobStatus status;
        ASSERT_EQ(conn->ReadJob(job.c_str(), status, errorText), 0) << errorText.c_str();
        EXPECT_EQ(status.jobState, 4u) << "running";

        guest->ClearTypedText();
        conn->TypeText(L"after the checkpoint", errorText);
        std::wstring query = std::wstring(L"Select * from Msvm_VirtualSystemSettingData where ") +
                             (c.server[0] ? L"VirtualSystemIdentifier = '" : L"SystemName = '") + guest->name() + c.snapshots;
        ComRef<IEnumWbemClassObject> found;
        ASSERT_EQ(OpenQuery(conn->services.Get(), conn->credentials, query.c_str(), found, errorText), S_OK);
        std::vector<ComRef<IWbemClassObject>> settings;
        NextObjects(found.Get(), 10, settings, errorText);
        ASSERT_EQ(settings.size(), c.before + 1) << testing::PrintToString(std::wstring(c.machine));
        conn->settingData.Reset(std::move(settings.back()));
        ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 80, 60), 0);
        ASSERT_EQ(conn->image.byteCount, 80 * 60 * 2);
        EXPECT_TRUE(std::equal(screen.begin(), screen.end(), conn->image.pixels.Data())) << "the screen it was taken of";
    }
}

// Opening another machine lets go of the one before first: when the new one is not found, no
// input or picture request names the old one, and its picture is gone.
TEST_F(VmConnTest, AMachineNotFoundLeavesNothingOfTheOneBefore) {
    Open(L"Web Server 01");
    ASSERT_EQ(conn->FindMouse(errorText), 0);
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
    std::string before;  // its identifier, a GUID
    for (const wchar_t* c = conn->machineName.Text(); c && *c; ++c) before += static_cast<char>(*c);
    ASSERT_FALSE(before.empty());
    EXPECT_NE(conn->OpenMachine(L"No Such Machine", errorText), 0);
    sim().ClearCalls();
    conn->SetAbsolutePosition(10, 10, errorText);
    conn->SetButtonState(1, true, errorText);
    conn->GetThumbnail(errorText, 1.0f, 320, 240);
    for (const hostsim::CallRecord& r : sim().Calls())
        EXPECT_EQ((r.target + r.query + r.inJson).find(before), std::string::npos) << r.call << " " << r.method;
    EXPECT_EQ(conn->image.byteCount, 0);
}

// What a real host may send, by the scenario's options: a degraded shutdown service that works, a
// guest shutting down read as the first version's 4 and turned off on its way, whose job reads
// starting (3) and running (4) before it ends completed with warnings (32768).
TEST_F(VmConnTest, ARealHostsShutdownAndJobStates) {
    Load(R"({"hosts": [{"name": "localhost", "aliases": [""], "jobMs": 600000, "jobPolls": 4, "jobStarting": true,
                        "jobCompletedState": 32768, "v1ShutdownState": 4,
                        "machines": [{"elementName": "Aging", "shutdownStatus": 3}]}]})");
    Open(L"Aging");
    bool usable = false;
    uint32_t returned = 1, state = 0;
    WideString job;
    ASSERT_EQ(conn->FindShutdownComponent(usable, errorText), 0) << errorText.c_str();
    EXPECT_TRUE(usable);
    ASSERT_EQ(conn->InitiateShutdown(L"test", returned, job, errorText), 0) << errorText.c_str();
    EXPECT_EQ(returned, 0u);
    ASSERT_EQ(conn->ReadMachineState(state, errorText), 0);
    EXPECT_EQ(state, 4u);
    ASSERT_EQ(conn->RequestStateChange(3, returned, job, errorText), 0) << errorText.c_str();
    ASSERT_EQ(returned, 4096u);
    std::vector<uint32_t> states;
    JobStatus status;
    for (int read = 0; read < 4 && conn->ReadJob(job.c_str(), status, errorText) == 0; ++read) states.push_back(status.jobState);
    EXPECT_EQ(states, (std::vector<uint32_t>{3, 4, 4, 32768}));
    ASSERT_EQ(conn->ReadMachineState(state, errorText), 0);
    EXPECT_EQ(state, 3u) << "Off";
}

TEST_F(VmConnTest, WithoutAConnectionEveryOperationFailsAndTouchesNothing) {
    // A reconnect that failed, with a machine still open.
    Open(L"Web Server 01");
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
    ASSERT_EQ(sim().AddFault(R"({"call": "ConnectServer", "hr": "0x800706BA"})"), S_OK);
    ASSERT_NE(conn->Connect(L"", errorText), 0);
    sim().ClearCalls();
    const int32_t byteCount = conn->image.byteCount;
    int32_t pressed = 7;
    uint32_t state = 0, returned = 0;
    bool usable = false;
    WideString job;
    JobStatus jobStatus;
    const HRESULT results[] = {
        conn->FindManagementService(errorText), conn->OpenMachine(L"Web Server 01", errorText),
        conn->FindVideoHead(errorText), conn->GetThumbnail(errorText, 1.0f, 320, 240),
        conn->GetThumbnail(errorText, 1.0f, 640, 480), conn->FindMouse(errorText),
        conn->SetAbsolutePosition(10, 10, errorText), conn->SetRelativePosition(10, 10, errorText),
        conn->SetButtonState(1, true, errorText), conn->SendKey(65, 1, errorText),
        conn->IsKeyPressed(65, pressed, errorText), conn->TypeText(L"abc", errorText),
        conn->TypeScancodes(0x1E, errorText), conn->ReadMachineState(state, errorText),
        conn->RequestStateChange(2, returned, job, errorText), conn->FindShutdownComponent(usable, errorText),
        conn->InitiateShutdown(L"test", returned, job, errorText), conn->CreateCheckpoint(returned, job, errorText),
        conn->ReadJob(L"Msvm_ConcreteJob.InstanceID=\"x\"", jobStatus, errorText)};
    for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i], VmConn::NotConnected) << "operation " << i;
    errorText.Clear();
    EXPECT_FALSE(conn->GetSummaryThumbnail(errorText, 7));
    EXPECT_FALSE(conn->QueryFirst(L"Select * from Msvm_ComputerSystem", errorText));
    EXPECT_STREQ(errorText.c_str(), L"no connection to the server");
    EXPECT_EQ(pressed, 7);
    EXPECT_EQ(conn->image.byteCount, byteCount);  // the last picture stays
    EXPECT_TRUE(sim().Calls().empty()) << sim().Calls().size() << " calls reached the host";
}

// The largest cluster there is, 64 nodes of one machine each, read whole from one node's name:
// every node, every machine once with the node that owns it, nothing skipped or cut.
TEST_F(VmConnTest, AClusterOf64NodesIsListedWhole) {
    nlohmann::json scenario{{"hosts", nlohmann::json::array()}};
    nlohmann::json nodes = nlohmann::json::array();
    for (int i = 0; i < 64; ++i) {
        char id[40], node[16], hostName[16], machine[16];
        std::snprintf(id, sizeof id, "0F0F0000-0000-4000-8000-0000000C%04X", i);
        std::snprintf(node, sizeof node, "node-%d", i);
        std::snprintf(hostName, sizeof hostName, "N%d", i);
        std::snprintf(machine, sizeof machine, "m%d", i);
        scenario["hosts"].push_back({{"name", node}, {"hostName", hostName}, {"provider", "v2"},
                                     {"machines", {{{"elementName", machine}, {"name", id}, {"generation", 2}}}}});
        nodes.push_back(node);
    }
    scenario["clusters"] = {{{"name", "big"}, {"nodes", nodes}}};
    Load(scenario.dump());
    std::vector<MachineEntry> entries;
    ClusterInfo cluster;
    WideString skipped;
    bool cut = true;
    ASSERT_EQ(ListServerMachines(L"node-40", L"", L"", entries, cluster, skipped, errorText, &cut), 0) << errorText.c_str();
    EXPECT_EQ(cluster.nodes.size(), 64u);
    EXPECT_EQ(cluster.vms.size(), 64u);
    EXPECT_TRUE(skipped.Empty()) << skipped.c_str();
    EXPECT_FALSE(cut);
    ASSERT_EQ(entries.size(), 64u);
    std::vector<std::wstring> seen;
    for (const MachineEntry& e : entries) {
        EXPECT_TRUE(e.clustered) << e.elementName.c_str();
        WideString node(L"N");  // m40 runs on N40
        node.Append(e.elementName.c_str() + 1);
        EXPECT_STREQ(e.node.c_str(), node.c_str());
        seen.push_back(e.elementName.c_str());
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "a machine listed twice";
}

}  // namespace
