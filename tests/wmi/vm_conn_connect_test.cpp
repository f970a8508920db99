// Connection, credentials, the blanket, queries, machine listing and opening a machine, against
// the simulated host; what crosses the interface is read from the host's call log.
#include "sim_fixture.h"
#include "wmi/machine_list.h"

#include <string>

namespace {

// A remote host that takes any logon, so typed user names reach it as they are.
const char RemoteScenario[] = R"({"hosts": [
  {"name": "localhost", "aliases": ["", "."], "hostName": "HV-LOCAL",
   "machines": [{"elementName": "Alpha", "name": "A1A1A1A1-0000-4000-8000-000000000001"}]},
  {"name": "hv02", "hostName": "HV02",
   "machines": [{"elementName": "Beta", "name": "B2B2B2B2-0000-4000-8000-000000000002"}]}]})";

}  // namespace

TEST_F(SimTest, NamespacePathIsLocalOnlyForEmptyOrDot) {
    struct Case {
        const wchar_t* server;
        const char* path;
    } cases[] = {
        {L"", "root\\virtualization"},
        {L".", "root\\virtualization"},
        {L"localhost", "\\\\localhost\\root\\virtualization"},
        {L". ", "\\\\. \\root\\virtualization"},
        {L"..", "\\\\..\\root\\virtualization"},
    };
    for (const Case& c : cases) {
        sim().ClearCalls();
        HRESULT hr = conn->Connect(c.server, errorText);
        std::vector<hostsim::CallRecord> connects = Calls("ConnectServer");
        ASSERT_EQ(connects.size(), 1u);
        EXPECT_EQ(connects[0].nameSpace, c.path);
        EXPECT_EQ(hr, connects[0].hr);
        if (hr == 0) {
            EXPECT_TRUE(conn->services);
        } else {
            EXPECT_FALSE(conn->services);
            EXPECT_STREQ(errorText.c_str(), L"cannot conect for server");
        }
    }
}

TEST_F(SimTest, TypedUserReachesConnectServerWholeAndEveryProxySplit) {
    LoadHost(RemoteScenario);
    struct Case {
        const wchar_t* typed;
        const char* whole;
        const char* domain;
        const char* user;
    } cases[] = {
        {L"HOST\\admin", "HOST\\admin", "HOST", "admin"},
        {L"admin", "admin", ".", "admin"},
        {L"a\\b\\c", "a\\b\\c", "a", "b\\c"},
        {L"\\admin", "\\admin", "", "admin"},
        {L"admin\\", "admin\\", "admin", ""},
        {L"", "", "", ""},  // no user: no identity at all (one would carry at least the "." domain)
    };
    for (const Case& c : cases) {
        conn = std::make_unique<VmConn>();
        sim().ClearCalls();
        conn->SetCredentials(c.typed, L"pw");
        ASSERT_EQ(conn->Connect(L"hv02", errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn->FindManagementService(errorText), 0);
        ASSERT_EQ(conn->OpenMachine(L"Beta", errorText), 0);

        std::vector<hostsim::CallRecord> connects = Calls("ConnectServer");
        ASSERT_EQ(connects.size(), 1u);
        EXPECT_EQ(connects[0].user, c.whole);
        // The services proxy and each of the three query enumerators get the same blanket.
        std::vector<hostsim::CallRecord> blankets = Calls("SetBlanket");
        EXPECT_EQ(blankets.size(), 1u + Calls("ExecQuery").size());
        EXPECT_EQ(Calls("ExecQuery").size(), 3u);
        for (const hostsim::CallRecord& b : blankets) {
            EXPECT_EQ(b.user, c.user) << Ascii(c.typed);
            EXPECT_EQ(b.domain, c.domain) << Ascii(c.typed);
            EXPECT_EQ(b.authnLevel, 6);  // packet privacy
            EXPECT_EQ(b.impLevel, 3);    // impersonate
        }
    }
}

TEST_F(SimTest, ConnectFailuresGiveTheirTextsAndResults) {
    AddFault(R"({"call": "CreateInstance", "hr": "0x80040154", "count": 1})");
    EXPECT_EQ(conn->Connect(L"", errorText), static_cast<HRESULT>(0x80040154));
    EXPECT_STREQ(errorText.c_str(), L"Failed to create IWbemLocator object.");

    ASSERT_EQ(conn->Connect(L"", errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"");
    // A failing reconnect releases the first services reference and leaves none.
    AddFault(R"({"call": "ConnectServer", "hr": "0x80070005", "count": 1})");
    EXPECT_EQ(conn->Connect(L"", errorText), AccessDenied);
    EXPECT_STREQ(errorText.c_str(), L"cannot conect for server");
    EXPECT_FALSE(conn->services);
    EXPECT_EQ(sim().LiveObjects(), 0);

    AddFault(R"({"call": "SetBlanket", "hr": "0x80004002", "count": 1})");
    EXPECT_EQ(conn->Connect(L"", errorText), static_cast<HRESULT>(0x80004002));
    EXPECT_STREQ(errorText.c_str(), L"cannot set authenticate proxy object");
    EXPECT_TRUE(conn->services);  // kept: only securing it failed

    EXPECT_EQ(conn->Connect(L"nosuchhost", errorText), static_cast<HRESULT>(0x800706BA));
    EXPECT_STREQ(errorText.c_str(), L"cannot conect for server");
}

TEST_F(SimTest, QueriesTakeTheFirstObjectOnlyAndReportTheirFailures) {
    Open(L"Test Node");  // two machines share this display name
    std::vector<hostsim::CallRecord> nexts = Calls("Next");
    EXPECT_EQ(nexts.size(), Calls("ExecQuery").size());  // one Next per query, never more
    Variant name;
    ASSERT_EQ(conn->machine.object->Get(L"Name", 0, name.Put(), nullptr, nullptr), S_OK);
    EXPECT_STREQ(name.Text(), L"36D78EC5-6C3C-4E03-8FB0-6C67D6BF82C6");
    EXPECT_STREQ(conn->machineName.Text(), L"36D78EC5-6C3C-4E03-8FB0-6C67D6BF82C6");

    errorText.Assign(L"left alone");
    EXPECT_FALSE(conn->QueryFirst(L"Select * from Msvm_ComputerSystem Where ElementName = 'none'",
                                  errorText));
    EXPECT_STREQ(errorText.c_str(), L"left alone");

    AddFault(R"({"call": "ExecQuery", "hr": "0x80041017", "count": 1})");
    EXPECT_FALSE(conn->QueryFirst(L"Select * from Msvm_ComputerSystem", errorText));
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");

    // The services proxy is already secured: the next blanket is the enumerator's.
    AddFault(R"({"call": "SetBlanket", "hr": "0x80070005", "count": 1})");
    EXPECT_FALSE(conn->QueryFirst(L"Select * from Msvm_ComputerSystem", errorText));
    EXPECT_STREQ(errorText.c_str(), L"cannot set authenticate proxy object");
}

TEST_F(SimTest, ListMachinesSkipsTheHostKeepsOrderAndDuplicates) {
    std::vector<MachineEntry> entries;
    ASSERT_EQ(ListMachines(L"", L"", L"", entries, errorText), 0) << errorText.c_str();
    const wchar_t* expected[] = {L"Web Server 01", L"Legacy DOS", L"Build Agent", L"Headless Appliance",
                                 L"Test Node", L"Test Node", L"O'Brien's Desktop",
                                 L"\x958b\x767a\x30b5\x30fc\x30d0\x30fc 01", L"Media Center HD",
                                 L"Kiosk 1023"};
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) EXPECT_STREQ(entries[i].elementName.c_str(), expected[i]);
    EXPECT_STREQ(entries[4].name.c_str(), L"36D78EC5-6C3C-4E03-8FB0-6C67D6BF82C6");
    EXPECT_STREQ(entries[5].name.c_str(), L"7CD004F4-539C-47E2-BFC4-46652A2C7AB2");
    EXPECT_EQ(Queries(), std::vector<std::string>{"Select * from Msvm_ComputerSystem"});
    EXPECT_EQ(Calls("SetBlanket").size(), 2u);
    EXPECT_EQ(sim().LiveObjects(), 0);  // nothing kept after the call

    // A machine named like its identifier is left out like the host.
    LoadHost(R"({"hosts": [{"name": "localhost", "aliases": [""], "hostName": "H",
        "machines": [{"elementName": "Same", "name": "Same"}, {"elementName": "Other", "name": "X"}]}]})");
    entries.clear();
    ASSERT_EQ(ListMachines(L"", L"", L"", entries, errorText), 0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_STREQ(entries[0].elementName.c_str(), L"Other");

    LoadHost(R"({"hosts": [{"name": "localhost", "aliases": [""], "hostName": "H", "machines": []}]})");
    entries.clear();
    EXPECT_EQ(ListMachines(L"", L"", L"", entries, errorText), 0);
    EXPECT_TRUE(entries.empty());
}

TEST_F(SimTest, ListMachinesFailuresKeepTheListAsPassed) {
    struct Case {
        const char* fault;
        HRESULT hr;
        const wchar_t* text;
    } cases[] = {
        {R"({"call": "CreateInstance", "hr": "0x80040154", "count": 1})", static_cast<HRESULT>(0x80040154),
         L"Failed to create IWbemLocator object."},
        {R"({"call": "ConnectServer", "hr": "0x80070005", "count": 1})", AccessDenied,
         L"cannot conect for server"},
        {R"({"call": "SetBlanket", "hr": "0x80004002", "count": 1})", static_cast<HRESULT>(0x80004002),
         L"cannot set authenticate proxy object"},
        {R"({"call": "SetBlanket", "hr": "0x80070005", "after": 1, "count": 1})", AccessDenied,
         L"cannot set authenticate proxy object"},
        {R"({"call": "ExecQuery", "hr": "0x80041010", "count": 1})", static_cast<HRESULT>(0x80041010),
         L"Query for operating system name failed."},
    };
    for (const Case& c : cases) {
        sim().ClearFaults();
        AddFault(c.fault);
        std::vector<MachineEntry> entries(1);
        entries[0].elementName.Assign(L"kept");
        EXPECT_EQ(ListMachines(L".", L"", L"", entries, errorText), c.hr) << c.fault;
        EXPECT_STREQ(errorText.c_str(), c.text) << c.fault;
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_STREQ(entries[0].elementName.c_str(), L"kept");
        EXPECT_EQ(sim().LiveObjects(), 0) << c.fault;
    }
    sim().ClearFaults();
    // Wrong credentials on a host that checks them.
    std::vector<MachineEntry> entries;
    EXPECT_EQ(ListMachines(L"oldhost", L"admin", L"wrong", entries, errorText), AccessDenied);
    EXPECT_STREQ(errorText.c_str(), L"cannot conect for server");
    EXPECT_TRUE(entries.empty());
    // A host that goes away during the listing: the entries so far (one batch of 64 objects, the
    // host's own among them), and success.
    std::string many = R"({"hosts": [{"name": "localhost", "aliases": [""], "machines": [)";
    for (int i = 0; i < 70; ++i) many += (i ? "," : "") + std::string(R"({"elementName": "VM )") + std::to_string(i) + "\"}";
    LoadHost(many + R"(], "faults": [{"call": "Next", "disconnect": true, "after": 1}]}]})");
    entries.clear();
    EXPECT_EQ(ListMachines(L"", L"", L"", entries, errorText), 0);
    ASSERT_EQ(entries.size(), 63u);
    EXPECT_STREQ(entries[62].elementName.c_str(), L"VM 62");
    EXPECT_EQ(sim().CountCalls("Next"), 2);
}

TEST_F(SimTest, OpenMachineEscapesTheNameAndTakesTheLiveSettings) {
    conn->SetCredentials(L"", L"");
    ASSERT_EQ(conn->Connect(L"", errorText), 0);
    ASSERT_EQ(conn->FindManagementService(errorText), 0);
    EXPECT_TRUE(conn->managementService.PathText());
    EXPECT_EQ(Queries().back(), "Select * from Msvm_VirtualSystemManagementService");

    sim().ClearCalls();
    ASSERT_EQ(conn->OpenMachine(L"O'Brien's Desktop", errorText), 0) << errorText.c_str();
    EXPECT_STREQ(conn->machineName.Text(), L"21492C49-ED66-4118-B916-C1098EFEC5A3");
    EXPECT_TRUE(conn->settingData.object);
    std::vector<std::string> expected = {
        "Select * from Msvm_ComputerSystem Where ElementName = 'O\\'Brien\\'s Desktop'",
        "Select * from Msvm_VirtualSystemSettingData where SystemName = "
        "'21492C49-ED66-4118-B916-C1098EFEC5A3' and SettingType = '3'"};
    EXPECT_EQ(Queries(), expected);

    // "Web Server 01" has a snapshot besides its live settings: SettingType 3 picks the live one.
    ASSERT_EQ(conn->OpenMachine(L"Web Server 01", errorText), 0);
    Variant type;
    ASSERT_EQ(conn->settingData.object->Get(L"SettingType", 0, type.Put(), nullptr, nullptr), S_OK);
    int32_t settingType = 0;
    EXPECT_TRUE(type.ToInt32(settingType));
    EXPECT_EQ(settingType, 3);

    errorText.Assign(L"x");
    EXPECT_NE(conn->OpenMachine(L"No Such Machine", errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"");
    EXPECT_FALSE(conn->machine.object);
}

TEST_F(SimTest, MachineWithoutSettingsOpensButCountsAsNotOpen) {
    LoadHost(R"({"hosts": [{"name": "localhost", "aliases": [""], "hostName": "H", "machines": [
        {"elementName": "Bare", "name": "C3C3C3C3-0000-4000-8000-000000000003", "settingData": false}]}]})");
    conn->SetCredentials(L"", L"");
    ASSERT_EQ(conn->Connect(L"", errorText), 0);
    ASSERT_EQ(conn->FindManagementService(errorText), 0);
    EXPECT_EQ(conn->OpenMachine(L"Bare", errorText), 0);
    EXPECT_TRUE(conn->machine.object);
    EXPECT_FALSE(conn->settingData.object);
    EXPECT_EQ(conn->settingData.path.Type(), VT_EMPTY);
    // The image request then fails at the host.
    EXPECT_NE(conn->GetThumbnail(errorText, 1.0f, 640, 480), 0);
    EXPECT_STREQ(errorText.c_str(), L"err");
    EXPECT_EQ(conn->image.byteCount, 0);
}

TEST_F(SimTest, DiscoveryFailuresComeBackAsNonZeroResults) {
    conn->SetCredentials(L"", L"");
    ASSERT_EQ(conn->Connect(L"", errorText), 0);
    AddFault(R"({"call": "ExecQuery", "hr": "0x80010108", "count": 1})");
    EXPECT_NE(conn->FindManagementService(errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");
    EXPECT_FALSE(conn->managementService.object);

    AddFault(R"({"call": "ExecQuery", "hr": "0x80041017", "count": 1})");
    EXPECT_NE(conn->OpenMachine(L"Web Server 01", errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");

    // The settings query failing still opens the machine, without settings.
    AddFault(R"({"call": "ExecQuery", "hr": "0x80041017", "after": 1, "count": 1})");
    EXPECT_EQ(conn->OpenMachine(L"Web Server 01", errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");
    EXPECT_TRUE(conn->machine.object);
    EXPECT_FALSE(conn->settingData.object);
}

TEST_F(SimTest, WithoutAConnectionEveryOperationFailsAndTouchesNothing) {
    // First never connected, then after a failed reconnect with a machine still open.
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            Open(L"Web Server 01");
            ASSERT_EQ(conn->FindVideoHead(errorText), 0);
            ASSERT_EQ(conn->FindMouse(errorText), 0);
            ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
            AddFault(R"({"call": "ConnectServer", "hr": "0x800706BA"})");
            ASSERT_NE(conn->Connect(L"", errorText), 0);
            ASSERT_FALSE(conn->services);
            ASSERT_TRUE(conn->settingData.object);
        }
        sim().ClearCalls();
        const int32_t byteCount = conn->image.byteCount;
        int32_t pressed = 7;
        const wchar_t* none = L"no connection to the server";
        auto check = [&](HRESULT hr, const char* what) {
            EXPECT_EQ(hr, VmConn::NotConnected) << what;
            EXPECT_STREQ(errorText.c_str(), none) << what;
            errorText.Clear();
        };
        check(conn->FindManagementService(errorText), "FindManagementService");
        check(conn->OpenMachine(L"Web Server 01", errorText), "OpenMachine");
        check(conn->FindVideoHead(errorText), "FindVideoHead");
        check(conn->GetThumbnail(errorText, 1.0f, 320, 240), "GetThumbnail summary");
        check(conn->GetThumbnail(errorText, 1.0f, 640, 480), "GetThumbnail method");
        check(conn->FindMouse(errorText), "FindMouse");
        check(conn->SetAbsolutePosition(10, 10, errorText), "SetAbsolutePosition");
        check(conn->SetRelativePosition(10, 10, errorText), "SetRelativePosition");
        check(conn->SetButtonState(1, true, errorText), "SetButtonState");
        check(conn->SendKey(65, 1, errorText), "SendKey");
        check(conn->IsKeyPressed(65, pressed, errorText), "IsKeyPressed");
        check(conn->TypeText(L"abc", errorText), "TypeText");
        check(conn->TypeScancodes(0x1E, errorText), "TypeScancodes");
        EXPECT_FALSE(conn->GetSummaryThumbnail(errorText, 7));
        EXPECT_STREQ(errorText.c_str(), none);
        EXPECT_FALSE(conn->QueryFirst(L"Select * from Msvm_ComputerSystem", errorText));
        EXPECT_EQ(pressed, 7);
        EXPECT_EQ(conn->image.byteCount, byteCount);  // the last picture stays
        EXPECT_TRUE(sim().Calls().empty()) << sim().Calls().size() << " calls reached the host";
    }
}
