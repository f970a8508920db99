// The simulated host refuses what a real host refuses: namespaces it lacks, logons it does not
// list, queries that are malformed or of the other provider version, values that do not fit a
// parameter's type, misnamed and missing parameters, calls on the wrong kind of object. No
// client test can show this: a client that makes no mistake never meets these answers.
#include "hostsim/hostsim.h"
#include "wmi/bstr.h"
#include "wmi/wmi_arrays.h"
#include "wmi/host_values.h"
#include "wmi/wmi_call.h"
#include "wmi/wmi_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kWebServer[] = L"E902B661-192D-4AE0-B3CD-460D78E7C36C";
constexpr wchar_t kGen1Database[] = L"A81E5C3D-0F92-4B6A-8D47-C5E21B9F3A64";  // hv-2022, two checkpoints
constexpr wchar_t kOldHost[] = L"\\\\oldhost\\root\\virtualization";        // users admin and LAB\operator

HRESULT Hr(WBEMSTATUS status) { return static_cast<HRESULT>(status); }

class SimStrictness : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host->Status(), S_OK);
        credentials.SetCredentials(L"", L"");
        ASSERT_EQ(ConnectSecured(L"root\\virtualization", credentials, v1, errorText), S_OK);
        ASSERT_EQ(ConnectSecured(L"\\\\hv-2022\\root\\virtualization\\v2", credentials, v2, errorText), S_OK);
    }

    // ExecQuery's result; `count` gets the number of objects delivered.
    HRESULT Query(IWbemServices* services, const std::wstring& wql, size_t& count) {
        ComRef<IEnumWbemClassObject> results;
        const HRESULT hr = OpenQuery(services, credentials, wql.c_str(), results, errorText);
        std::vector<ComRef<IWbemClassObject>> objects;
        if (results) NextObjects(results.Get(), 100, objects, errorText);
        count = objects.size();
        return hr;
    }
    std::wstring PathOf(IWbemServices* services, const std::wstring& wql) {
        ComRef<IWbemClassObject> object = QueryFirst(services, credentials, wql.c_str(), errorText);
        Variant path;
        if (object) ReadProperty(object.Get(), L"__PATH", path);
        return path.Text() ? path.Text() : L"<none>";
    }
    std::wstring DeviceOf(const wchar_t* cls, const wchar_t* machineGuid, IWbemServices* services = nullptr) {
        return PathOf(services ? services : v1.Get(),
                      std::wstring(L"Select * from ") + cls + L" where SystemName = '" + machineGuid + L"'");
    }

    std::unique_ptr<hostsim::InProcessHost> host = std::make_unique<hostsim::InProcessHost>();
    WmiCredentials credentials;
    ComRef<IWbemServices> v1, v2;  // the demo host, and hv-2022 (the provider's second version only)
    ClassCache classes;
    WideString errorText;
};

TEST_F(SimStrictness, ConnectionsNeedANamespaceOfTheHostAndALogonItLists) {
    const struct {
        const wchar_t* path;
        const wchar_t* user;
        const wchar_t* password;
        HRESULT expected;
    } cases[] = {
        {L"\\\\hv-2022\\root\\virtualization", L"", L"", Hr(WBEM_E_INVALID_NAMESPACE)},  // second version only
        {L"root\\virtualization\\v2", L"", L"", Hr(WBEM_E_INVALID_NAMESPACE)},            // first version only
        {L"\\\\hv-2012\\root\\virtualization\\v2", L"", L"", S_OK},                       // both
        {L"root\\cimv2", L"", L"", Hr(WBEM_E_INVALID_NAMESPACE)},
        {L"\\\\nosuchserver\\root\\virtualization", L"", L"", static_cast<HRESULT>(0x800706BA)},
        {L"root\\virtualization", L"admin", L"x", Hr(WBEM_E_LOCAL_CREDENTIALS)},
        {kOldHost, L"", L"", E_ACCESSDENIED},  // the caller's own logon
        {kOldHost, L"admin", L"HYPER-V", E_ACCESSDENIED},
        {kOldHost, L"OLDHOST\\admin", L"hyper-v", S_OK},
        {kOldHost, L"operator", L"lab-op", E_ACCESSDENIED},  // LAB\operator is no local account
        // The logon is checked first: a refused one learns nothing about the namespaces.
        {L"\\\\oldhost\\root\\virtualization\\v2", L"admin", L"wrong", E_ACCESSDENIED},
        {L"\\\\oldhost\\root\\virtualization\\v2", L"admin", L"hyper-v", Hr(WBEM_E_INVALID_NAMESPACE)},
    };
    for (const auto& c : cases) {
        WmiCredentials logon;
        logon.SetCredentials(c.user, c.password);
        ComRef<IWbemServices> services;
        EXPECT_EQ(ConnectSecured(c.path, logon, services, errorText), c.expected)
            << testing::PrintToString(std::wstring(c.path)) << " as " << testing::PrintToString(std::wstring(c.user));
    }

    // A proxy whose blanket carries no identity calls as the process's logon: refused there.
    WmiCredentials logon, none;
    logon.SetCredentials(L"LAB\\operator", L"lab-op");
    none.SetCredentials(L"", L"");
    ComRef<IWbemServices> old;
    ASSERT_EQ(ConnectSecured(kOldHost, logon, old, errorText), S_OK);
    ComRef<IEnumWbemClassObject> results;
    ASSERT_EQ(OpenQuery(old.Get(), none, L"Select * from Msvm_ComputerSystem", results, errorText), S_OK);
    std::vector<ComRef<IWbemClassObject>> objects;
    NextObjects(results.Get(), 1, objects, errorText);
    EXPECT_TRUE(objects.empty()) << "an enumerator without the user's identity";
    ASSERT_EQ(ApplyConnectionBlanket(old.Get(), none), S_OK);
    EXPECT_EQ(OpenQuery(old.Get(), none, L"Select * from Msvm_ComputerSystem", results, errorText), E_ACCESSDENIED);
}

TEST_F(SimStrictness, QueriesOfTheOtherVersionOrMalformedAreRefused) {
    const std::wstring webSettings = std::wstring(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '") +
                                     kWebServer + L"' and SettingType = '3'";
    const std::wstring dbSettingsV1 = std::wstring(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '") +
                                      kGen1Database + L"' and SettingType = '3'";
    const std::wstring dbSettingsV2 =
        std::wstring(L"Select * from Msvm_VirtualSystemSettingData where VirtualSystemIdentifier = '") + kGen1Database +
        L"' and VirtualSystemType = 'Microsoft:Hyper-V:System:Realized'";
    const std::wstring dbMachine = std::wstring(L"\\\\HV-2022\\root\\virtualization:Msvm_ComputerSystem.CreationClassName=") +
                                   L"\"Msvm_ComputerSystem\",Name=\"" + kGen1Database + L"\"";
    const struct {
        IWbemServices* services;
        std::wstring query;
        HRESULT expected;
        size_t count;
    } cases[] = {
        {v1.Get(), webSettings, S_OK, 1},  // the live settings, not the snapshot's
        {v2.Get(), dbSettingsV1, Hr(WBEM_E_INVALID_QUERY), 0},
        {v2.Get(), dbSettingsV2, S_OK, 1},
        {v1.Get(), dbSettingsV2, Hr(WBEM_E_INVALID_QUERY), 0},
        {v1.Get(), L"Select * from Msvm_ComputerSystem Where ElementName = 'a' or Name = 'b'", Hr(WBEM_E_INVALID_QUERY), 0},
        {v1.Get(), L"Select * from Msvm_ComputerSystem Where ElementName <> 'a'", Hr(WBEM_E_INVALID_QUERY), 0},
        {v1.Get(), L"Select * from Msvm_ComputerSystem Where NoSuchProperty = 'a'", Hr(WBEM_E_INVALID_QUERY), 0},
        {v1.Get(), L"Select * from Msvm_NoSuchClass", Hr(WBEM_E_INVALID_CLASS), 0},
        {v1.Get(), L"Associators of {x} Where AssocClass=Msvm_SystemDevice", Hr(WBEM_E_INVALID_QUERY), 0},
        {v1.Get(), L"Associators of {Msvm_ComputerSystem.CreationClassName=\"Msvm_ComputerSystem\",Name=\"nope\"}"
                   L" Where ResultClass=Msvm_Keyboard", Hr(WBEM_E_NOT_FOUND), 0},
        // A path of the other namespace names none of the connection's objects.
        {v2.Get(), L"Associators of {" + dbMachine + L"} Where ResultClass=Msvm_Keyboard", Hr(WBEM_E_NOT_FOUND), 0},
        // Both versions link a display controller to its head; class names are of any case.
        {v1.Get(), L"associators of {" + DeviceOf(L"msvm_syntheticdisplaycontroller", kWebServer) +
                   L"} WHERE resultClass=MSVM_VIDEOHEAD", S_OK, 1},
        {v2.Get(), L"Associators of {" + DeviceOf(L"Msvm_SyntheticDisplayController", kGen1Database, v2.Get()) +
                   L"} WHERE resultClass=Msvm_VideoHead", S_OK, 1},
        {v1.Get(), L"Select * from msvm_ps2mouse where SystemName = 'F04A105E-576A-47DF-8F74-B33AFEF9CA9D'", S_OK, 1},
        // A generation 1 machine has both display controllers and heads, the inactive ones disabled;
        // generation 2 the synthetic ones only.
        {v2.Get(), std::wstring(L"Select * from CIM_LogicalDevice where SystemName = '") + kGen1Database +
                   L"' and EnabledState = 3", S_OK, 2},
        {v2.Get(), L"Select * from Msvm_VideoHead where SystemName = '3F2C8A41-6D0B-4E7A-9C15-2B8E4D7A1C90'", S_OK, 1},
    };
    for (const auto& c : cases) {
        size_t count = 99;
        EXPECT_EQ(Query(c.services, c.query, count), c.expected) << testing::PrintToString(c.query);
        EXPECT_EQ(count, c.count) << testing::PrintToString(c.query);
    }
    ComRef<IWbemClassObject> object;
    EXPECT_EQ(v2->GetObject(Bstr(dbMachine.c_str()).Get(), 0, nullptr, object.Put(), nullptr), Hr(WBEM_E_INVALID_NAMESPACE));
    // The class a real host lists as Msvm_PS2Mouse, asked for in any case, in a path too.
    std::wstring mouse = DeviceOf(L"MSVM_PS2MOUSE", L"F04A105E-576A-47DF-8F74-B33AFEF9CA9D");
    for (wchar_t& c : mouse) c = static_cast<wchar_t>(towlower(c));
    ASSERT_EQ(v1->GetObject(Bstr(mouse.c_str()).Get(), 0, nullptr, object.Put(), nullptr), S_OK) << mouse;
    Variant cls;
    ReadProperty(object.Get(), L"__CLASS", cls);
    EXPECT_STREQ(cls.Text(), L"Msvm_PS2Mouse");
    // As in Wine's WMI: property names of any case, and a Next that delivers fewer objects than
    // asked for answers WBEM_S_FALSE.
    EXPECT_EQ(object->Get(L"SYSTEMNAME", 0, cls.Put(), nullptr, nullptr), S_OK);
    ComRef<IEnumWbemClassObject> results;
    ASSERT_EQ(OpenQuery(v1.Get(), credentials, L"Select * from Msvm_VirtualSystemManagementService", results, errorText), S_OK);
    IWbemClassObject* objects[2] = {};
    ULONG delivered = 0;
    EXPECT_EQ(results->Next(WBEM_INFINITE, 2, objects, &delivered), Hr(WBEM_S_FALSE));
    ASSERT_EQ(delivered, 1u);
    objects[0]->Release();
}

TEST_F(SimStrictness, ParametersTakeOnlyValuesOfTheirDeclaredTypeAndName) {
    enum Kind { Int, Bool, Text, Bytes };
    const struct {
        const wchar_t* cls;
        const wchar_t* method;
        const wchar_t* parameter;
        Kind kind;
        int value;
        HRESULT expected;
    } cases[] = {
        {L"Msvm_Ps2Mouse", L"SetRelativePosition", L"horizontalDelta", Int, 200, Hr(WBEM_E_TYPE_MISMATCH)},  // sint8
        {L"Msvm_Ps2Mouse", L"SetRelativePosition", L"HorizontalDelta", Int, -120, S_OK},  // names in any case
        {L"Msvm_Ps2Mouse", L"SetScrollPosition", L"scrollPositionDelta", Int, 200, Hr(WBEM_E_TYPE_MISMATCH)},
        {L"Msvm_SyntheticMouse", L"SetScrollPosition", L"scrollPositionDelta", Int, 200, S_OK},  // sint32 here
        {L"Msvm_Keyboard", L"TypeKey", L"keyCode", Int, 65, S_OK},  // the first version has it too
        {L"Msvm_SyntheticMouse", L"SetButtonState", L"isDown", Int, 1, Hr(WBEM_E_TYPE_MISMATCH)},  // boolean
        {L"Msvm_SyntheticMouse", L"SetButtonState", L"isDown", Bool, 1, S_OK},
        {L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage", L"WidthPixels", Int, 70000,
         Hr(WBEM_E_TYPE_MISMATCH)},  // uint16
        {L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage", L"WidthPixels", Int, -1,
         Hr(WBEM_E_TYPE_MISMATCH)},
        {L"Msvm_Keyboard", L"PressKey", L"keyCode", Int, -1, S_OK},  // uint32 travels in VT_I4
        {L"Msvm_Keyboard", L"PressKey", L"keyCode", Bool, 1, Hr(WBEM_E_TYPE_MISMATCH)},
        {L"Msvm_Keyboard", L"PressKey", L"keyCode", Text, 5, Hr(WBEM_E_TYPE_MISMATCH)},
        {L"Msvm_Keyboard", L"TypeScancodes", L"Scancodes", Int, 0x1E, Hr(WBEM_E_TYPE_MISMATCH)},  // a scalar for an array
        {L"Msvm_Keyboard", L"TypeScancodes", L"Scancodes", Bytes, 300, Hr(WBEM_E_TYPE_MISMATCH)},  // uint8 elements
        {L"Msvm_Keyboard", L"TypeScancodes", L"Scancodes", Bytes, 0x9E, S_OK},
        {L"Msvm_Keyboard", L"PressKey", L"noSuchParameter", Int, 5, Hr(WBEM_E_NOT_FOUND)},
    };
    for (const auto& c : cases) {
        MethodCall call(v1.Get(), classes);
        ASSERT_EQ(call.Prepare(c.cls, c.method), S_OK);
        Variant value;
        if (c.kind == Int) value.SetInt32(c.value);
        if (c.kind == Bool) value.SetBool(c.value != 0);
        if (c.kind == Text) value.SetText(std::to_wstring(c.value).c_str());
        if (c.kind == Bytes) {
            value.SetArray(VT_I4, SafeArrayCreateVector(VT_I4, 0, 1));
            LONG first = 0, element = c.value;
            SafeArrayPutElement(V_ARRAY(value.Get()), &first, &element);
        }
        EXPECT_EQ(call.Put(c.parameter, value), c.expected)
            << testing::PrintToString(std::wstring(c.method) + L"." + c.parameter) << " = " << c.value;
    }
}

TEST_F(SimStrictness, MethodsNeedEveryParameterAnInstanceAndSensibleValues) {
    const std::wstring mouse = DeviceOf(L"Msvm_SyntheticMouse", kWebServer);
    // Only the horizontal position: the vertical one is missing.
    MethodCall half(v1.Get(), classes);
    ASSERT_EQ(half.Prepare(L"Msvm_SyntheticMouse", L"SetAbsolutePosition"), S_OK);
    ASSERT_EQ(half.PutInt32(L"horizontalPosition", 10), S_OK);
    EXPECT_EQ(half.Execute(mouse.c_str()), Hr(WBEM_E_INVALID_PARAMETER));
    EXPECT_EQ(half.Execute(L"Msvm_SyntheticMouse"), Hr(WBEM_E_INVALID_OPERATION));  // not a static method
    EXPECT_EQ(half.Execute(L"Msvm_NoSuchClass.Name=\"x\""), Hr(WBEM_E_INVALID_CLASS));
    ASSERT_EQ(half.PutInt32(L"verticalPosition", 20), S_OK);
    std::wstring gone = mouse;
    gone.replace(gone.find(kWebServer), 8, L"00000000");
    EXPECT_EQ(half.Execute(gone.c_str()), Hr(WBEM_E_NOT_FOUND));
    EXPECT_EQ(half.Execute(mouse.c_str()), S_OK);
    // Signatures come from the class, never from an instance.
    ComRef<IWbemClassObject> keyboard = QueryFirst(v1.Get(), credentials, L"Select * from Msvm_Keyboard", errorText);
    ComRef<IWbemClassObject> in;
    ASSERT_TRUE(keyboard);
    EXPECT_EQ(keyboard->GetMethod(L"PressKey", 0, in.Put(), nullptr), Hr(WBEM_E_NOT_FOUND));

    // Values the device or the service cannot take answer 32773 (invalid parameter); a disabled
    // mouse answers 32775 (invalid state).
    const std::wstring settings = PathOf(v1.Get(), std::wstring(L"Select * from Msvm_VirtualSystemSettingData where "
                                                                L"SystemName = '") + kWebServer + L"' and SettingType = 3");
    const std::wstring machine = PathOf(v1.Get(), std::wstring(L"Select * from Msvm_ComputerSystem where Name = '") +
                                                      kWebServer + L"'");
    const std::wstring service = PathOf(v1.Get(), L"Select * from Msvm_VirtualSystemManagementService");
    const std::wstring dosMouse = DeviceOf(L"Msvm_SyntheticMouse", L"F04A105E-576A-47DF-8F74-B33AFEF9CA9D");
    const std::wstring webKeyboard = DeviceOf(L"Msvm_Keyboard", kWebServer);
    const std::wstring keyboardV2 = DeviceOf(L"Msvm_Keyboard", kGen1Database, v2.Get());
    const struct {
        const wchar_t* cls;
        const wchar_t* method;
        std::wstring target;
        std::wstring text;  // TargetSystem or asciiText, when given
        std::vector<std::pair<const wchar_t*, int>> values;
        int returnValue;
        IWbemServices* services = nullptr;  // the demo host's first version when not given
    } cases[] = {
        {L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage", service, settings,
         {{L"WidthPixels", 80}, {L"HeightPixels", 60}}, 0},
        {L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage", service, machine,
         {{L"WidthPixels", 80}, {L"HeightPixels", 60}}, 32773},  // not a settings object
        {L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage", service, settings,
         {{L"WidthPixels", 0}, {L"HeightPixels", 60}}, 32773},
        // A text a host cannot take types nothing: the first version takes ASCII only (1: not
        // translatable), a call at most 512 ASCII characters, a character beyond ASCII counting two.
        {L"Msvm_Keyboard", L"TypeText", webKeyboard, std::wstring(512, L'a'), {}, 0},
        {L"Msvm_Keyboard", L"TypeText", webKeyboard, std::wstring(513, L'a'), {}, 32773},
        {L"Msvm_Keyboard", L"TypeText", webKeyboard, L"caf\x00E9", {}, 1},
        {L"Msvm_Keyboard", L"TypeText", keyboardV2, std::wstring(256, L'\x00E9'), {}, 0, v2.Get()},
        {L"Msvm_Keyboard", L"TypeText", keyboardV2, std::wstring(257, L'\x00E9'), {}, 32773, v2.Get()},
        {L"Msvm_SyntheticMouse", L"ClickButton", mouse, {}, {{L"buttonIndex", 6}}, 32773},
        {L"Msvm_Keyboard", L"PressKey", webKeyboard, {}, {{L"keyCode", 255}}, 32773},
        {L"Msvm_SyntheticMouse", L"SetButtonState", mouse, {}, {{L"buttonIndex", 9}, {L"isDown", 1}}, 32773},
        {L"Msvm_SyntheticMouse", L"SetAbsolutePosition", dosMouse, {},
         {{L"horizontalPosition", 10}, {L"verticalPosition", 10}}, 32775},
        // TimeoutPeriod may stay NULL; each version has values of its own, and a running machine
        // cannot be started.
        {L"Msvm_ComputerSystem", L"RequestStateChange", machine, {}, {{L"RequestedState", 6}}, 32773},
        {L"Msvm_ComputerSystem", L"RequestStateChange", machine, {}, {{L"RequestedState", 2}}, 32775},
    };
    for (const auto& c : cases) {
        ClassCache ofThisHost;
        MethodCall call(c.services ? c.services : v1.Get(), ofThisHost);
        ASSERT_EQ(call.Prepare(c.cls, c.method), S_OK);
        if (!c.text.empty()) call.PutText(std::wstring(c.cls) == L"Msvm_Keyboard" ? L"asciiText" : L"TargetSystem", c.text.c_str());
        for (const auto& [name, value] : c.values) {
            if (std::wstring(name) == L"isDown") call.PutBool(name, value != 0);
            else call.PutInt32(name, value);
        }
        ASSERT_EQ(call.Execute(c.target.c_str()), S_OK) << testing::PrintToString(std::wstring(c.method));
        Variant returnValue;
        uint32_t code = UINT32_MAX;
        EXPECT_TRUE(SUCCEEDED(call.Read(L"ReturnValue", returnValue)) && AsUint32(*returnValue.Get(), code));
        EXPECT_EQ(static_cast<int32_t>(code), c.returnValue) << testing::PrintToString(std::wstring(c.method) + L" on " + c.target);
    }

    // Without SettingData the summary covers every machine of the host.
    MethodCall all(v1.Get(), classes);
    ASSERT_EQ(all.Prepare(L"Msvm_VirtualSystemManagementService", L"GetSummaryInformation"), S_OK);
    Variant codes, summaries;
    ASSERT_EQ(MakeInt32Array(1, codes), S_OK);
    all.Put(L"RequestedInformation", codes);
    ASSERT_EQ(all.Execute(service.c_str()), S_OK);
    all.Read(L"SummaryInformation", summaries);
    ASSERT_EQ(summaries.Type(), VT_ARRAY | VT_UNKNOWN);
    EXPECT_EQ(V_ARRAY(summaries.Get())->rgsabound[0].cElements, 11u) << "the demo host's machines";

    // The PS/2 mouse counts upward as positive, as the real device does.
    hostsim::Guest* dos = hostsim::TheSimulator().FindGuest("localhost", L"Legacy DOS");
    ASSERT_NE(dos, nullptr);
    const int y = dos->pointerY();
    MethodCall move(v1.Get(), classes);
    ASSERT_EQ(move.Prepare(L"Msvm_Ps2Mouse", L"SetRelativePosition"), S_OK);
    move.PutInt32(L"horizontalDelta", 0);
    move.PutInt32(L"verticalDelta", 10);
    ASSERT_EQ(move.Execute(DeviceOf(L"Msvm_Ps2Mouse", L"F04A105E-576A-47DF-8F74-B33AFEF9CA9D").c_str()), S_OK);
    EXPECT_EQ(dos->pointerY(), y - 10);
}

// The demo's cluster hvc1 (node-1: cl-a, cl-web and a machine that is not clustered; node-2:
// cl-db): its namespace needs packet privacy, every node and the cluster's name answer for the
// whole cluster, a machine's resources carry its identifier in their private properties, and a
// live migration shows on the source, then moves the machine and its owner.
TEST_F(SimStrictness, TheClusterNamespaceAsTheVendorDescribesIt) {
    ComRef<IWbemServices> standalone, node2, byName;
    EXPECT_EQ(ConnectSecured(L"root\\MSCluster", credentials, standalone, errorText), Hr(WBEM_E_INVALID_NAMESPACE));
    ASSERT_EQ(ConnectSecured(L"\\\\node-2\\root\\MSCluster", credentials, node2, errorText), S_OK);
    ASSERT_EQ(ConnectSecured(L"\\\\hvc1\\root\\MSCluster", credentials, byName, errorText), S_OK);
    const struct {
        const wchar_t* wql;
        size_t count;
    } queries[] = {
        {L"Select * from MSCluster_Node", 2},
        {L"Select * from MSCluster_Resource", 6},  // each machine's and its configuration's
        {L"Select * from MSCluster_Resource where Type = 'Virtual Machine'", 3},
        {L"Select * from MSCluster_ResourceGroup where GroupType = 111", 3},
        {L"Select * from MSCluster_ClusterToNode", 2},
        {L"Associators of {MSCluster_Node.Name=\"NODE-2\"} where ResultClass = MSCluster_ResourceGroup", 1},
        {L"Associators of {MSCluster_ResourceGroup.Name=\"cl-a\"} where ResultClass = MSCluster_Resource", 2},
    };
    for (const auto& q : queries)
        for (IWbemServices* services : {node2.Get(), byName.Get()}) {
            size_t count = 0;
            EXPECT_EQ(Query(services, q.wql, count), S_OK) << testing::PrintToString(std::wstring(q.wql));
            EXPECT_EQ(count, q.count) << testing::PrintToString(std::wstring(q.wql));
        }
    size_t count = 0;
    EXPECT_EQ(Query(node2.Get(), L"Select * from MSCluster_Resource where PrivateProperties.VmId = 'x'", count),
              Hr(WBEM_E_INVALID_QUERY));
    ComRef<IWbemClassObject> resource = QueryFirst(
        node2.Get(), credentials, L"Select * from MSCluster_Resource where Name = 'Virtual Machine cl-a'", errorText);
    ASSERT_TRUE(resource);
    Variant properties, owner, vmId;
    ReadProperty(resource.Get(), L"OwnerNode", owner);
    ASSERT_EQ(ReadProperty(resource.Get(), L"PrivateProperties", properties), S_OK);
    ASSERT_EQ(V_VT(properties.Get()), VT_UNKNOWN);
    ComRef<IWbemClassObject> embedded;
    V_UNKNOWN(properties.Get())->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(embedded.Put()));
    ASSERT_TRUE(embedded);
    ReadProperty(embedded.Get(), L"VmId", vmId);
    EXPECT_STREQ(owner.Text(), L"NODE-1");
    EXPECT_STREQ(vmId.Text(), L"6A1D3C58-9E24-4B7F-A0C6-3D8E52F1B947");

    // Below packet privacy the namespace refuses every call.
    ASSERT_EQ(CoSetProxyBlanket(node2.Get(), RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                                RPC_C_AUTHN_LEVEL_PKT_INTEGRITY, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE),
              S_OK);
    ComRef<IEnumWbemClassObject> refused;
    Bstr wql(L"WQL"), text(L"Select * from MSCluster_Node");
    EXPECT_EQ(node2->ExecQuery(wql.Get(), text.Get(), WBEM_FLAG_FORWARD_ONLY, nullptr, refused.Put()), E_ACCESSDENIED);

    // A live migration: "migrating" on the source for a few calls, then on the target, same machine.
    ComRef<IWbemServices> source;
    ASSERT_EQ(ConnectSecured(L"\\\\node-1\\root\\virtualization\\v2", credentials, source, errorText), S_OK);
    ASSERT_EQ(hostsim::TheSimulator().AddChange("node-1", R"({"after": 0, "machine": "cl-a", "migrate": "node-2", "how": "live"})"),
              S_OK);
    const std::wstring machine = L"Select * from Msvm_ComputerSystem where Name = '6A1D3C58-9E24-4B7F-A0C6-3D8E52F1B947'";
    Query(source.Get(), machine, count);  // the change starts once this call is answered
    ComRef<IWbemClassObject> migrating = QueryFirst(source.Get(), credentials, machine.c_str(), errorText);
    ASSERT_TRUE(migrating);
    Variant status;
    ReadProperty(migrating.Get(), L"OperationalStatus", status);
    ASSERT_EQ(V_VT(status.Get()), VT_ARRAY | VT_I4);
    LONG second = 1, value = 0;
    EXPECT_EQ(SafeArrayGetElement(V_ARRAY(status.Get()), &second, &value), S_OK);
    EXPECT_EQ(value, 32774);
    for (int call = 0; call < 4; ++call) Query(source.Get(), machine, count);
    EXPECT_EQ(count, 0u);
    ComRef<IWbemServices> target;
    ASSERT_EQ(ConnectSecured(L"\\\\node-2\\root\\virtualization\\v2", credentials, target, errorText), S_OK);
    EXPECT_EQ(Query(target.Get(), machine, count), S_OK);
    EXPECT_EQ(count, 1u);
    resource = QueryFirst(byName.Get(), credentials,
                          L"Select * from MSCluster_Resource where Name = 'Virtual Machine cl-a'", errorText);
    ASSERT_TRUE(resource);
    ReadProperty(resource.Get(), L"OwnerNode", owner);
    EXPECT_STREQ(owner.Text(), L"NODE-2");

    EXPECT_EQ(hostsim::TheSimulator().Load(R"({"hosts": [{"name": "a"}], "clusters": [{"name": "c", "nodes": ["a", "b"]}]})"),
              E_INVALIDARG);
    EXPECT_EQ(hostsim::TheSimulator().LoadError(), "scenario.clusters[0] \"c\": node \"b\" is no host of the scenario");
}

TEST_F(SimStrictness, AScenarioWithAMisspeltMemberDoesNotLoad) {
    EXPECT_EQ(hostsim::TheSimulator().Load(R"({"hosts": [{"name": "a", "machines": [{"elementName": "m", "widht": 5}]}]})"),
              E_INVALIDARG);
    EXPECT_EQ(hostsim::TheSimulator().LoadError(), "scenario.hosts[0].machines[0]: unknown member \"widht\"");
}

}  // namespace
