// Faults, scheduled changes, the call log and the count of live objects.
#include "sim_fixture.h"


namespace simtest {
namespace {

class FaultTest : public SimTest {
protected:
    HRESULT PressKey(int code, ComRef<IWbemClassObject>* out = nullptr) {
        ComRef<IWbemClassObject> result;
        HRESULT hr = session.Call(keyboard, L"Msvm_Keyboard", L"PressKey", {{L"keyCode", code}}, result);
        if (out) *out = std::move(result);
        return hr;
    }
    std::vector<uint8_t> Thumbnail(int w, int h) {
        Variant t;
        t.SetText(SettingsPath(kWebServer).c_str());
        ComRef<IWbemClassObject> out;
        session.Call(ServicePath(), L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage",
                     {{L"TargetSystem", t}, {L"WidthPixels", w}, {L"HeightPixels", h}}, out);
        Variant image;
        if (out) out->Get(L"ImageData", 0, image.Put(), nullptr, nullptr);
        imageType = image.Type();
        return GetBytes(*image.Get());
    }
    void SetUp() override {
        SimTest::SetUp();
        keyboard = DevicePath(L"Web Server 01", L"Msvm_Keyboard");
    }
    std::wstring keyboard;
    VARTYPE imageType = VT_EMPTY;
};

TEST_F(FaultTest, HrFaultsMatchByCallClassAndMethodAfterAndCount) {
    ASSERT_EQ(sim().AddFault(R"({"call": "ExecMethod", "class": "Msvm_Keyboard", "method": "PressKey",
                                 "hr": "0x80041008", "after": 1, "count": 2})"),
              S_OK);
    std::vector<HRESULT> results;
    for (int i = 0; i < 5; ++i) results.push_back(PressKey('A'));
    EXPECT_EQ(results, (std::vector<HRESULT>{S_OK, HR(WBEM_E_INVALID_PARAMETER), HR(WBEM_E_INVALID_PARAMETER), S_OK, S_OK}));
    EXPECT_EQ(Guest(L"Web Server 01").TypedText(), L"aaa");  // a failed call does nothing

    // Faults on local calls and on the locator; ClearFaults ends them all.
    ASSERT_EQ(sim().AddFault(R"({"call": "GetMethod", "method": "ReleaseKey", "hr": "0x80041002"})"), S_OK);
    ASSERT_EQ(sim().AddFault(R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "Name", "hr": "0x80041001"})"), S_OK);
    ASSERT_EQ(sim().AddFault(R"({"call": "CreateInstance", "hr": "0x80040154"})"), S_OK);
    ComRef<IWbemClassObject> cls, in;
    ASSERT_EQ(session.services->GetObject(Text(L"Msvm_Keyboard"), 0, nullptr, cls.Put(), nullptr), S_OK);
    EXPECT_EQ(cls->GetMethod(L"ReleaseKey", 0, in.Put(), nullptr), HR(WBEM_E_NOT_FOUND));
    EXPECT_EQ(cls->GetMethod(L"PressKey", 0, in.Put(), nullptr), S_OK);
    ComRef<IWbemClassObject> host = session.First(L"Select * from Msvm_ComputerSystem");
    Variant v;
    EXPECT_EQ(host->Get(L"Name", 0, v.Put(), nullptr, nullptr), HR(WBEM_E_FAILED));
    EXPECT_EQ(host->Get(L"ElementName", 0, v.Put(), nullptr, nullptr), S_OK);
    ASSERT_EQ(sim().AddFault(R"({"call": "SetBlanket", "hr": "0x80070005", "count": 1})"), S_OK);
    EXPECT_EQ(session.Blanket(session.services.Get(), false), E_ACCESSDENIED);
    EXPECT_EQ(session.Blanket(session.services.Get(), false), S_OK);
    ASSERT_EQ(sim().AddFault(R"({"call": "SpawnInstance", "method": "PressKey", "hr": "0x80041001", "count": 1})"), S_OK);
    ASSERT_EQ(sim().AddFault(R"({"call": "Put", "property": "keyCode", "hr": "0x80041005", "count": 1})"), S_OK);
    ComRef<IWbemClassObject> spawned;
    EXPECT_EQ(in->SpawnInstance(0, spawned.Put()), HR(WBEM_E_FAILED));
    EXPECT_FALSE(spawned);
    ASSERT_EQ(in->SpawnInstance(0, spawned.Put()), S_OK);
    v.SetInt32(65);
    EXPECT_EQ(spawned->Put(L"keyCode", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    EXPECT_EQ(spawned->Put(L"keyCode", 0, v.Get(), 0), S_OK);
    Session other;
    EXPECT_EQ(other.Connect(kLocal), REGDB_E_CLASSNOTREG);
    sim().ClearFaults();
    EXPECT_EQ(cls->GetMethod(L"ReleaseKey", 0, in.Put(), nullptr), S_OK);
    EXPECT_EQ(other.Connect(kLocal), S_OK);

    // Malformed faults are refused.
    EXPECT_EQ(sim().AddFault(R"({"call": "ExecMethod"})"), E_INVALIDARG);
    EXPECT_EQ(sim().AddFault(R"({"call": "Teleport", "hr": "0x1"})"), E_INVALIDARG);
    EXPECT_EQ(sim().AddFault(R"({"reply": "propertyMissing"})"), E_INVALIDARG);
    EXPECT_EQ(sim().AddFault(R"({"host": "nohost", "hr": "0x1"})"), E_INVALIDARG);
}

TEST_F(FaultTest, ScenarioFaultsBelongToTheirHost) {
    Load(R"({"hosts": [
        {"name": "localhost", "aliases": [""], "hostName": "A", "machines": [{"elementName": "M"}],
         "faults": [{"call": "ExecQuery", "class": "Msvm_Keyboard", "hr": "0x80041001"},
                    {"call": "ConnectServer", "hr": "0x80070005", "after": 1}]},
        {"name": "b", "hostName": "B", "machines": [{"elementName": "M"}]}]})");
    HRESULT hr = S_OK;
    session.Query(L"Select * from Msvm_Keyboard", &hr);
    EXPECT_EQ(hr, HR(WBEM_E_FAILED));
    session.Query(L"Select * from Msvm_Ps2Mouse", &hr);
    EXPECT_EQ(hr, S_OK);
    Session b;
    ASSERT_EQ(b.Connect(L"\\\\b\\root\\virtualization"), S_OK);
    EXPECT_EQ(b.Query(L"Select * from Msvm_Keyboard", &hr).size(), 1u);
    EXPECT_EQ(hr, S_OK);
    Session second;
    EXPECT_EQ(second.Connect(kLocal), E_ACCESSDENIED);  // the second ConnectServer to A
}

TEST_F(FaultTest, DisconnectCutsWireCallsOfThatConnectionOnly) {
    ComRef<IWbemClassObject> held = session.First(L"Select * from Msvm_ComputerSystem where ElementName = 'Web Server 01'");
    ASSERT_TRUE(held);
    ASSERT_EQ(sim().AddFault(R"({"call": "ExecMethod", "method": "PressKey", "disconnect": true, "after": 1})"), S_OK);
    EXPECT_EQ(PressKey('A'), S_OK);
    EXPECT_EQ(PressKey('B'), RPC_E_DISCONNECTED);
    EXPECT_EQ(PressKey('C'), RPC_E_DISCONNECTED);  // GetObject inside fails now
    ComRef<IEnumWbemClassObject> e;
    EXPECT_EQ(session.Exec(L"Select * from Msvm_ComputerSystem", e), RPC_E_DISCONNECTED);
    // Objects already received are local copies and still answer.
    EXPECT_EQ(GetText(held.Get(), L"ElementName"), L"Web Server 01");
    EXPECT_EQ(Guest(L"Web Server 01").TypedText(), L"a");
    // A new connection is not cut.
    sim().ClearFaults();
    Session again;
    ASSERT_EQ(again.Connect(kLocal), S_OK);
    EXPECT_EQ(again.Query(L"Select * from Msvm_Keyboard").size(), 10u);  // every machine has a keyboard
}

TEST_F(FaultTest, ReplyFaultsSpoilAnswers) {
    ASSERT_EQ(Thumbnail(64, 48).size(), 64u * 48 * 2);
    ASSERT_EQ(sim().AddFault(R"({"reply": "imageNotArray", "method": "GetVirtualSystemThumbnailImage", "count": 1})"), S_OK);
    EXPECT_TRUE(Thumbnail(64, 48).empty());
    EXPECT_EQ(imageType, VT_NULL);
    ASSERT_EQ(sim().AddFault(R"({"reply": "imageShort", "count": 1})"), S_OK);
    std::vector<uint8_t> shortImage = Thumbnail(64, 48);
    EXPECT_EQ(imageType, VT_ARRAY | VT_UI1);
    EXPECT_LT(shortImage.size(), 64u * 48 * 2);
    EXPECT_GT(shortImage.size(), 0u);
    EXPECT_EQ(Thumbnail(64, 48).size(), 64u * 48 * 2);

    std::wstring controller = PathOf(L"Select * from Msvm_SyntheticDisplayController where SystemName = '" +
                                     std::wstring(kWebServer) + L"'");
    ASSERT_EQ(sim().AddFault(R"({"reply": "resolutionZero"})"), S_OK);
    ComRef<IWbemClassObject> head = session.First(L"Associators of {" + controller + L"} Where ResultClass=Msvm_VideoHead");
    ASSERT_TRUE(head);
    EXPECT_EQ(GetI4(head.Get(), L"CurrentHorizontalResolution"), 0);
    EXPECT_EQ(GetI4(head.Get(), L"CurrentVerticalResolution"), 0);

    ASSERT_EQ(sim().AddFault(R"({"reply": "propertyMissing", "property": "CurrentVerticalResolution"})"), S_OK);
    Variant v;
    EXPECT_EQ(head->Get(L"CurrentVerticalResolution", 0, v.Put(), nullptr, nullptr), HR(WBEM_E_NOT_FOUND));
    EXPECT_EQ(head->Get(L"CurrentHorizontalResolution", 0, v.Put(), nullptr, nullptr), S_OK);
}

TEST_F(FaultTest, ChangesApplyAfterTheNthWireCall) {
    Load(R"({"hosts": [{"name": "localhost", "aliases": [""], "hostName": "H",
        "machines": [{"elementName": "Dos", "mouse": "synthetic-disabled", "width": 640, "height": 480}],
        "changes": [{"after": 3, "machine": "Dos", "set": {"mouseEnabledState": 2, "width": 800, "height": 600}}]}]})");
    // Wire call 1 was ConnectServer; 2 and 3 are this query and its Next.
    ComRef<IWbemClassObject> before = session.First(L"Select * from Msvm_SyntheticMouse");
    EXPECT_EQ(GetI4(before.Get(), L"EnabledState"), 3);
    EXPECT_EQ(GetI4(session.First(L"Select * from Msvm_SyntheticMouse").Get(), L"EnabledState"), 2);
    EXPECT_EQ(GetI4(session.First(L"Select * from Msvm_VideoHead").Get(), L"CurrentHorizontalResolution"), 800);
    EXPECT_EQ(GetI4(before.Get(), L"EnabledState"), 3);  // a received object is a snapshot

    ASSERT_EQ(sim().AddChange("localhost", R"({"after": 2, "machine": "Dos", "set": {"mouse": "none"}})"), S_OK);
    EXPECT_EQ(session.Query(L"Select * from Msvm_Ps2Mouse").size(), 1u);  // wire calls 1 and 2 from now
    EXPECT_EQ(session.Query(L"Select * from Msvm_Ps2Mouse").size(), 0u);
    EXPECT_EQ(session.Query(L"Select * from Msvm_SyntheticMouse").size(), 0u);
    EXPECT_EQ(sim().AddChange("localhost", R"({"machine": "Dos", "set": {"mouse": "wireless"}})"), E_INVALIDARG);
}

TEST_F(FaultTest, LogRecordsEveryCallAndMarksWireCalls) {
    sim().ClearCalls();
    ASSERT_EQ(PressKey(65), S_OK);
    // DevicePath ran a query and Nexts before; ClearCalls again to look at one method call alone.
    auto calls = sim().Calls();
    std::vector<std::string> sequence;
    for (const auto& r : calls) sequence.push_back(r.call + (r.wire ? "*" : ""));
    EXPECT_EQ(sequence, (std::vector<std::string>{"GetObject*", "GetMethod", "SpawnInstance", "Put", "ExecMethod*"}));
    EXPECT_EQ(sim().WireCallCount(), 2);
    EXPECT_EQ(sim().CountCalls("ExecMethod", "presskey"), 1);
    const auto& exec = calls.back();
    EXPECT_EQ(exec.className, "Msvm_Keyboard");
    EXPECT_EQ(exec.method, "PressKey");
    EXPECT_EQ(exec.inJson, R"({"keyCode":65})");
    EXPECT_NE(exec.target.find("Msvm_Keyboard.CreationClassName="), std::string::npos);
    EXPECT_EQ(calls[3].property, "keyCode");
    EXPECT_EQ(calls[3].method, "PressKey");
    EXPECT_EQ(calls[3].className, "__PARAMETERS");
    for (int i = 1; i < static_cast<int>(calls.size()); ++i) EXPECT_EQ(calls[i].seq, calls[i - 1].seq + 1);

    // (The lines the DLL writes to VUEMERE_SIM_LOG are read back in dll_test.cpp.)
}

TEST_F(FaultTest, LiveObjectsReturnToZeroWhenTheClientLetsGo) {
    {
        ComRef<IWbemClassObject> out;
        Variant settings, requests;
        SetTextArray(settings, {SettingsPath(kWebServer)});
        SetI4Array(requests, {7});
        ASSERT_EQ(session.Call(ServicePath(), L"Msvm_VirtualSystemManagementService", L"GetSummaryInformation",
                               {{L"SettingData", settings}, {L"RequestedInformation", requests}}, out),
                  S_OK);
        ComRef<IEnumWbemClassObject> e;
        ASSERT_EQ(session.Exec(L"Select * from Msvm_ComputerSystem", e), S_OK);
        ComRef<IWbemClassObject> first;
        ULONG n = 0;
        e->Next(WBEM_INFINITE, 1, first.Put(), &n);
        // locator, services, enumerator, first object, out-parameters and the embedded summary
        EXPECT_GE(sim().LiveObjects(), 6);
    }
    session = Session();
    EXPECT_EQ(sim().LiveObjects(), 0);
}

}  // namespace
}  // namespace simtest
