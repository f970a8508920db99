// Queries and the objects they deliver: every query form the client uses, WQL literals, names
// in any case, malformed text, enumerator semantics, paths and value types.
#include "sim_fixture.h"

#include <set>

namespace simtest {
namespace {

using QueryTest = SimTest;

std::vector<std::wstring> Names(const std::vector<ComRef<IWbemClassObject>>& objects, const wchar_t* property) {
    std::vector<std::wstring> names;
    for (const auto& o : objects) names.push_back(GetText(o.Get(), property));
    return names;
}

TEST_F(QueryTest, ListsTheHostFirstThenEveryMachine) {
    auto systems = session.Query(L"Select * from Msvm_ComputerSystem");
    std::vector<std::wstring> expected = {L"HV-DEMO", L"Web Server 01", L"Legacy DOS", L"Build Agent",
                                          L"Headless Appliance", L"Test Node", L"Test Node", L"O'Brien's Desktop",
                                          L"\x958b\x767a\x30b5\x30fc\x30d0\x30fc 01", L"Media Center HD",
                                          L"Kiosk 1023"};
    EXPECT_EQ(Names(systems, L"ElementName"), expected);
    ASSERT_EQ(systems.size(), expected.size());
    EXPECT_EQ(GetText(systems[0].Get(), L"Name"), L"HV-DEMO");
    EXPECT_EQ(GetText(systems[1].Get(), L"Name"), kWebServer);
    std::set<std::wstring> guids;
    for (size_t i = 1; i < systems.size(); ++i) guids.insert(GetText(systems[i].Get(), L"Name"));
    EXPECT_EQ(guids.size(), systems.size() - 1) << "machine names must be unique";
}

TEST_F(QueryTest, FindsMachinesByDisplayNameWithWqlLiterals) {
    struct Case {
        const wchar_t* query;
        size_t count;
    } cases[] = {
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'Web Server 01'", 1},
        {L"SELECT * FROM msvm_computersystem WHERE elementname = 'WEB SERVER 01'", 1},
        {L"select * from Msvm_ComputerSystem where ElementName = \"Web Server 01\"", 1},
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'Test Node'", 2},
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'O\\'Brien\\'s Desktop'", 1},
        {L"Select * from Msvm_ComputerSystem Where ElementName = \"O'Brien's Desktop\"", 1},
        {L"Select * from Msvm_ComputerSystem Where ElementName = '\x958b\x767a\x30b5\x30fc\x30d0\x30fc 01'", 1},
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'No Such Machine'", 0},
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'Web Server 01' and Name = 'HV-DEMO'", 0},
    };
    for (const auto& c : cases) {
        HRESULT hr = E_FAIL;
        EXPECT_EQ(session.Query(c.query, &hr).size(), c.count) << c.query;
        EXPECT_EQ(hr, S_OK) << c.query;
    }
}

TEST_F(QueryTest, SettingsQueryComparesNumbersByValueAndSkipsSnapshots) {
    std::wstring byName = L"Select * from Msvm_VirtualSystemSettingData where SystemName = '" + std::wstring(kWebServer);
    auto all = session.Query(byName + L"'");
    ASSERT_EQ(all.size(), 2u);  // a snapshot, then the live settings
    EXPECT_EQ(GetI4(all[0].Get(), L"SettingType"), 5);
    for (const wchar_t* condition : {L"' and SettingType = '3'", L"' AND settingtype = 3", L"' and SettingType = '03'"}) {
        auto live = session.Query(byName + condition);
        ASSERT_EQ(live.size(), 1u) << condition;
        EXPECT_EQ(GetI4(live[0].Get(), L"SettingType"), 3);
        EXPECT_EQ(GetText(live[0].Get(), L"InstanceID"), L"Microsoft:" + std::wstring(kWebServer));
    }
    EXPECT_TRUE(session.Query(byName + L"' and SettingType = 'three'").empty());
}

TEST_F(QueryTest, EachVersionAnswersOnlyItsOwnSettingsSchema) {
    Session v2;
    ASSERT_EQ(v2.Connect(L"\\\\hv-2022\\root\\virtualization\\v2"), S_OK);
    HRESULT hr = S_OK;
    v2.Query(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '" + std::wstring(kGen1Database) +
                 L"' and SettingType = '3'",
             &hr);
    EXPECT_EQ(hr, HR(WBEM_E_INVALID_QUERY));
    session.Query(LiveSettingsV2(kWebServer), &hr);
    EXPECT_EQ(hr, HR(WBEM_E_INVALID_QUERY));

    auto live = v2.Query(LiveSettingsV2(kGen1Database), &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(GetText(live[0].Get(), L"InstanceID"), L"Microsoft:" + std::wstring(kGen1Database));
    EXPECT_EQ(GetText(live[0].Get(), L"ElementName"), L"Gen1 Database");
    // Unfiltered, the two checkpoints come first, each with its own InstanceID.
    auto all = v2.Query(L"Select * from Msvm_VirtualSystemSettingData where VirtualSystemIdentifier = '" +
                        std::wstring(kGen1Database) + L"'");
    EXPECT_EQ(Names(all, L"VirtualSystemType"),
              (std::vector<std::wstring>{L"Microsoft:Hyper-V:Snapshot:Realized", L"Microsoft:Hyper-V:Snapshot:Realized",
                                         L"Microsoft:Hyper-V:System:Realized"}));
    std::set<std::wstring> ids;
    for (const auto& name : Names(all, L"InstanceID")) ids.insert(name);
    EXPECT_EQ(ids.size(), 3u);
}

TEST_F(QueryTest, PathsCarryTheirConnectionsNamespaceAndNameNothingInTheOther) {
    // hv-2012 answers both versions: the same machine has a path in each namespace.
    Session v1, v2;
    ASSERT_EQ(v1.Connect(L"\\\\hv-2012\\root\\virtualization"), S_OK);
    ASSERT_EQ(v2.Connect(L"\\\\hv-2012\\root\\virtualization\\v2"), S_OK);
    const std::wstring byName = L"Select * from Msvm_ComputerSystem where ElementName = 'Server 2012 Guest'";
    std::wstring path1 = GetText(v1.First(byName).Get(), L"__PATH"), path2 = GetText(v2.First(byName).Get(), L"__PATH");
    EXPECT_EQ(path2, L"\\\\HV-2012\\root\\virtualization\\v2:Msvm_ComputerSystem.CreationClassName="
                     L"\"Msvm_ComputerSystem\",Name=\"" + std::wstring(kServer2012) + L"\"");
    EXPECT_EQ(path1, L"\\\\HV-2012\\root\\virtualization:" + path2.substr(path2.find(L':') + 1));
    ComRef<IWbemClassObject> o;
    EXPECT_EQ(v2.services->GetObject(Text(path2), 0, nullptr, o.Put(), nullptr), S_OK);
    EXPECT_EQ(v2.services->GetObject(Text(path1), 0, nullptr, o.Put(), nullptr), HR(WBEM_E_INVALID_NAMESPACE));
    EXPECT_EQ(v1.services->GetObject(Text(path2), 0, nullptr, o.Put(), nullptr), HR(WBEM_E_INVALID_NAMESPACE));
    ComRef<IEnumWbemClassObject> e;
    EXPECT_EQ(v2.Exec(L"Associators of {" + path1 + L"} Where ResultClass=Msvm_Keyboard", e), HR(WBEM_E_NOT_FOUND));
    ASSERT_EQ(v2.services->GetObject(Text(L"Msvm_Keyboard"), 0, nullptr, o.Put(), nullptr), S_OK);
    EXPECT_EQ(GetText(o.Get(), L"__PATH"), L"\\\\HV-2012\\root\\virtualization\\v2:Msvm_Keyboard");
}

TEST_F(QueryTest, SecondVersionLinksNoControllerToItsHeadAndGen2HasOnlySyntheticDevices) {
    for (const wchar_t* nameSpace : {L"\\\\hv-2012\\root\\virtualization", L"\\\\hv-2012\\root\\virtualization\\v2"}) {
        Session s;
        ASSERT_EQ(s.Connect(nameSpace), S_OK);
        const std::wstring guid = kServer2012;
        ComRef<IWbemClassObject> controller =
            s.First(L"Select * from Msvm_SyntheticDisplayController where SystemName = '" + guid + L"'");
        ASSERT_TRUE(controller) << nameSpace;
        auto linked = s.Query(L"Associators of {" + GetText(controller.Get(), L"__PATH") +
                              L"} WHERE resultClass=Msvm_VideoHead");
        EXPECT_EQ(linked.size(), std::wstring(nameSpace).ends_with(L"v2") ? 0u : 1u) << nameSpace;
        auto heads = s.Query(L"Select * from Msvm_VideoHead where SystemName = '" + guid + L"'");
        ASSERT_EQ(heads.size(), 1u) << nameSpace;
        EXPECT_EQ(GetI4(heads[0].Get(), L"CurrentHorizontalResolution"), 1024);
    }
    // A generation 2 machine whose synthetic mouse is disabled has no PS/2 mouse to fall back on.
    Session v2;
    ASSERT_EQ(v2.Connect(L"\\\\hv-2022\\root\\virtualization\\v2"), S_OK);
    std::wstring installer = GetText(
        v2.First(L"Select * from Msvm_ComputerSystem where ElementName = 'Gen2 Installer'").Get(), L"__PATH");
    auto devices = v2.Query(L"Associators of {" + installer + L"} Where ResultClass=CIM_LogicalDevice");
    ASSERT_EQ(Names(devices, L"__CLASS"), (std::vector<std::wstring>{L"Msvm_SyntheticDisplayController",
                                                                     L"Msvm_VideoHead", L"Msvm_SyntheticMouse",
                                                                     L"Msvm_Keyboard"}));
    EXPECT_EQ(GetI4(devices[2].Get(), L"EnabledState"), 3);
}

TEST_F(QueryTest, AssociatorsWalkFromMachinesToDevicesAndFromControllersToHeads) {
    std::wstring web = MachinePath(L"Web Server 01");
    auto devices = [&](const std::wstring& anchor, const wchar_t* cls) {
        return Names(session.Query(L"Associators of {" + anchor + L"} Where ResultClass=" + cls), L"__CLASS");
    };
    EXPECT_EQ(devices(web, L"Msvm_SyntheticMouse"), std::vector<std::wstring>{L"Msvm_SyntheticMouse"});
    EXPECT_TRUE(devices(web, L"Msvm_Ps2Mouse").empty());
    EXPECT_EQ(devices(web, L"Msvm_Keyboard"), std::vector<std::wstring>{L"Msvm_Keyboard"});
    std::wstring dos = MachinePath(L"Legacy DOS");
    EXPECT_EQ(devices(dos, L"Msvm_Ps2Mouse").size(), 1u);
    EXPECT_EQ(devices(dos, L"msvm_syntheticmouse").size(), 1u);
    EXPECT_TRUE(devices(MachinePath(L"Headless Appliance"), L"Msvm_SyntheticMouse").empty());

    // The controller's path carries a DeviceID with backslashes, escaped inside the quotes.
    std::wstring controller = PathOf(L"Select * from Msvm_SyntheticDisplayController where SystemName = '" +
                                     std::wstring(kWebServer) + L"'");
    EXPECT_NE(controller.find(L"\\\\SyntheticDisplay\""), std::wstring::npos) << controller;
    auto heads = session.Query(L"Associators of {" + controller + L"} WHERE resultClass=Msvm_VideoHead");
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(GetI4(heads[0].Get(), L"CurrentHorizontalResolution"), 1024);
    EXPECT_EQ(GetI4(heads[0].Get(), L"CurrentVerticalResolution"), 768);

    std::wstring s3 = PathOf(L"Select * from Msvm_S3DisplayController where SystemName = '" +
                             std::wstring(kBuildAgent) + L"'");
    auto s3Heads = session.Query(L"Associators of {" + s3 + L"} WHERE resultClass=Msvm_VideoHead");
    ASSERT_EQ(s3Heads.size(), 1u);
    EXPECT_EQ(GetI4(s3Heads[0].Get(), L"CurrentHorizontalResolution"), 640);
    EXPECT_TRUE(session.Query(L"Select * from Msvm_SyntheticDisplayController where SystemName = '" +
                              std::wstring(kBuildAgent) + L"'")
                    .empty());
    // A relative path names the same object.
    std::wstring relative = controller.substr(controller.find(L':') + 1);
    EXPECT_EQ(session.Query(L"Associators of {" + relative + L"} Where ResultClass=Msvm_VideoHead").size(), 1u);
    // A class that is a parent of the result matches too; an unknown class matches nothing.
    EXPECT_EQ(devices(web, L"CIM_LogicalDevice").size(), 4u);  // controller, head, mouse, keyboard
    EXPECT_TRUE(devices(web, L"Msvm_NoSuchDevice").empty());
}

// (The malformed forms any WMI refuses are compared with Wine's WMI in wine_compare_test.cpp.)
TEST_F(QueryTest, MalformedQueriesFailAtExecQuery) {
    struct Case {
        const wchar_t* query;
        HRESULT expected;
    } cases[] = {
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'unterminated", HR(WBEM_E_INVALID_QUERY)},
        {L"Select * from Msvm_ComputerSystem Where ElementName = 'a' or Name = 'b'", HR(WBEM_E_INVALID_QUERY)},
        {L"Select * from Msvm_ComputerSystem Where ElementName <> 'a'", HR(WBEM_E_INVALID_QUERY)},
        {L"Select * from Msvm_ComputerSystem Where NoSuchProperty = 'a'", HR(WBEM_E_INVALID_QUERY)},
        {L"Select from Msvm_ComputerSystem", HR(WBEM_E_INVALID_QUERY)},
        {L"", HR(WBEM_E_INVALID_QUERY)},
        {L"Select * from Msvm_NoSuchClass", HR(WBEM_E_INVALID_CLASS)},
        {L"Associators of {Msvm_ComputerSystem.Name=} Where ResultClass=Msvm_Keyboard", HR(WBEM_E_INVALID_QUERY)},
        {L"Associators of {Msvm_ComputerSystem.CreationClassName=\"Msvm_ComputerSystem\",Name=\"nope\"}"
         L" Where ResultClass=Msvm_Keyboard",
         HR(WBEM_E_NOT_FOUND)},
        {L"Associators of {x} Where AssocClass=Msvm_SystemDevice", HR(WBEM_E_INVALID_QUERY)},
    };
    for (const auto& c : cases) {
        ComRef<IEnumWbemClassObject> e;
        EXPECT_EQ(session.Exec(c.query, e), c.expected) << c.query;
        EXPECT_FALSE(e) << c.query;
    }
}

TEST_F(QueryTest, NextDeliversWhatIsLeftThenReportsFalse) {
    ComRef<IEnumWbemClassObject> e;
    ASSERT_EQ(session.Exec(L"Select * from Msvm_VideoHead", e), S_OK);  // nine machines have a display
    IWbemClassObject* batch[5] = {};
    ULONG n = 0;
    EXPECT_EQ(e->Next(WBEM_INFINITE, 5, batch, &n), WBEM_S_NO_ERROR);
    EXPECT_EQ(n, 5u);
    for (ULONG i = 0; i < n; ++i) batch[i]->Release();
    EXPECT_EQ(e->Next(WBEM_INFINITE, 5, batch, &n), HR(WBEM_S_FALSE));
    EXPECT_EQ(n, 4u);
    for (ULONG i = 0; i < n; ++i) batch[i]->Release();
    EXPECT_EQ(e->Reset(), HR(WBEM_E_INVALID_OPERATION));  // forward-only
    EXPECT_EQ(e->Next(WBEM_INFINITE, 1, nullptr, &n), HR(WBEM_E_INVALID_PARAMETER));

    ComRef<IEnumWbemClassObject> rewindable;
    ASSERT_EQ(session.Exec(L"Select * from Msvm_VirtualSystemManagementService", rewindable, false, 0), S_OK);
    ComRef<IWbemClassObject> o;
    EXPECT_EQ(rewindable->Next(WBEM_INFINITE, 1, o.Put(), &n), S_OK);
    EXPECT_EQ(rewindable->Reset(), S_OK);
    EXPECT_EQ(rewindable->Next(WBEM_INFINITE, 1, o.Put(), &n), S_OK);
    EXPECT_EQ(n, 1u);

    // The log tells how many objects each query found and each Next delivered.
    auto nexts = Calls("Next");
    ASSERT_GE(nexts.size(), 2u);
    EXPECT_EQ(nexts[0].count, 5);
    EXPECT_EQ(nexts[1].count, 4);
    EXPECT_EQ(Calls("ExecQuery")[0].count, 9);
    EXPECT_EQ(nexts[0].query, "Select * from Msvm_VideoHead");
}

TEST_F(QueryTest, ObjectsCarryRealLookingPathsAndSystemProperties) {
    ComRef<IWbemClassObject> web = session.First(L"Select * from Msvm_ComputerSystem where ElementName = 'Web Server 01'");
    ASSERT_TRUE(web);
    EXPECT_EQ(GetText(web.Get(), L"__PATH"),
              L"\\\\HV-DEMO\\root\\virtualization:Msvm_ComputerSystem.CreationClassName=\"Msvm_ComputerSystem\","
              L"Name=\"E902B661-192D-4AE0-B3CD-460D78E7C36C\"");
    EXPECT_EQ(GetText(web.Get(), L"__RELPATH"),
              L"Msvm_ComputerSystem.CreationClassName=\"Msvm_ComputerSystem\",Name=\"E902B661-192D-4AE0-B3CD-460D78E7C36C\"");
    EXPECT_EQ(GetText(web.Get(), L"__CLASS"), L"Msvm_ComputerSystem");
    EXPECT_EQ(GetText(web.Get(), L"__SERVER"), L"HV-DEMO");
    EXPECT_EQ(GetText(web.Get(), L"__NAMESPACE"), L"root\\virtualization");
    EXPECT_EQ(GetText(web.Get(), L"__SUPERCLASS"), L"CIM_ComputerSystem");
    EXPECT_EQ(GetI4(web.Get(), L"__GENUS"), WBEM_GENUS_INSTANCE);
    EXPECT_EQ(web->InheritsFrom(L"CIM_System"), S_OK);
    EXPECT_EQ(web->InheritsFrom(L"CIM_LogicalDevice"), HR(WBEM_S_FALSE));

    // Names are case-insensitive; a property the class lacks is not found.
    EXPECT_EQ(GetText(web.Get(), L"elementname"), L"Web Server 01");
    Variant v;
    EXPECT_EQ(web->Get(L"NoSuchProperty", 0, v.Put(), nullptr, nullptr), HR(WBEM_E_NOT_FOUND));
    // System properties are the provider's.
    v.SetText(L"x");
    EXPECT_EQ(web->Put(L"__PATH", 0, v.Get(), 0), HR(WBEM_E_READ_ONLY));

    // GetObject by path delivers the same object; a class name gives the class.
    ComRef<IWbemClassObject> again, cls;
    ASSERT_EQ(session.services->GetObject(Text(GetText(web.Get(), L"__PATH")), 0, nullptr, again.Put(), nullptr), S_OK);
    EXPECT_EQ(GetText(again.Get(), L"ElementName"), L"Web Server 01");
    ASSERT_EQ(session.services->GetObject(Text(L"Msvm_Keyboard"), 0, nullptr, cls.Put(), nullptr), S_OK);
    EXPECT_EQ(GetI4(cls.Get(), L"__GENUS"), WBEM_GENUS_CLASS);
    EXPECT_EQ(GetText(cls.Get(), L"__PATH"), L"\\\\HV-DEMO\\root\\virtualization:Msvm_Keyboard");
    EXPECT_EQ(session.services->GetObject(Text(L"Msvm_ComputerSystem.Name=\"x\""), 0, nullptr, cls.Put(), nullptr),
              HR(WBEM_E_NOT_FOUND));
    EXPECT_EQ(session.services->GetObject(Text(L"Msvm_ComputerSystem.Name=\"x"), 0, nullptr, cls.Put(), nullptr),
              HR(WBEM_E_INVALID_OBJECT_PATH));
}

TEST_F(QueryTest, ValuesTravelAsWmiCarriesThem) {
    struct Case {
        std::wstring query;
        const wchar_t* property;
        VARTYPE vt;
        CIMTYPE cim;
    } cases[] = {
        {L"Select * from Msvm_ComputerSystem", L"Name", VT_BSTR, CIM_STRING},
        {L"Select * from Msvm_ComputerSystem", L"EnabledState", VT_I4, CIM_UINT16},
        {L"Select * from Msvm_ComputerSystem", L"OnTimeInMilliseconds", VT_NULL, CIM_UINT64},  // the host's is NULL
        {L"Select * from Msvm_VideoHead", L"CurrentHorizontalResolution", VT_I4, CIM_UINT32},
        {L"Select * from Msvm_VirtualSystemSettingData", L"SettingType", VT_I4, CIM_UINT16},
        {L"Select * from Msvm_VirtualSystemManagementService", L"Started", VT_BOOL, CIM_BOOLEAN},
        {L"Select * from Msvm_SyntheticMouse", L"EnabledState", VT_I4, CIM_UINT16},
        {L"Select * from Msvm_Keyboard", L"__DERIVATION", VT_ARRAY | VT_BSTR, CIM_STRING | CIM_FLAG_ARRAY},
    };
    for (const auto& c : cases) {
        ComRef<IWbemClassObject> o = session.First(c.query);
        ASSERT_TRUE(o) << c.query;
        Variant v;
        CIMTYPE type = 0;
        ASSERT_EQ(o->Get(c.property, 0, v.Put(), &type, nullptr), S_OK) << c.property;
        EXPECT_EQ(v.Type(), c.vt) << c.property;
        EXPECT_EQ(type, c.cim) << c.property;
    }
    // EnabledState of the disabled synthetic mouse reads 3.
    EXPECT_EQ(GetI4(session.First(L"Associators of {" + MachinePath(L"Legacy DOS") +
                                  L"} Where ResultClass=Msvm_SyntheticMouse")
                        .Get(),
                    L"EnabledState"),
              3);
}

}  // namespace
}  // namespace simtest
