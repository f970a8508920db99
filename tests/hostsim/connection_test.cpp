// Reaching a simulated host: namespace paths, host names, credentials and proxy blankets.
#include "sim_fixture.h"

namespace simtest {
namespace {

using ConnectionTest = SimTest;

TEST_F(ConnectionTest, LocalAndRemotePathsReachTheirHostsInTheNamespacesTheySpeak) {
    const wchar_t* v1 = kLocal;
    struct Case {
        const wchar_t* path;
        HRESULT expected;
        const wchar_t* hostName;   // Name of the host's own computer system
        const wchar_t* nameSpace;  // what its __NAMESPACE says
    } cases[] = {
        {L"root\\virtualization", S_OK, L"HV-DEMO", v1},
        {L"ROOT\\Virtualization", S_OK, L"HV-DEMO", v1},
        {L"\\\\.\\root\\virtualization", S_OK, L"HV-DEMO", v1},
        {L"\\\\localhost\\root\\virtualization", S_OK, L"HV-DEMO", v1},
        {L"\\\\hv-demo\\root\\virtualization", S_OK, L"HV-DEMO", v1},
        {L"//localhost/root/virtualization", S_OK, L"HV-DEMO", v1},
        {L"\\\\nosuchserver\\root\\virtualization", kRpcUnavailable, nullptr, nullptr},
        {L"\\\\nosuchserver\\root\\cimv2", kRpcUnavailable, nullptr, nullptr},  // no host: no namespace to ask
        {L"root\\cimv2", HR(WBEM_E_INVALID_NAMESPACE), nullptr, nullptr},
        {L"root\\virtualization\\v2", HR(WBEM_E_INVALID_NAMESPACE), nullptr, nullptr},  // a first-version host
        {L"\\\\localhost\\root\\virtualization\\", HR(WBEM_E_INVALID_NAMESPACE), nullptr, nullptr},
        // hv-2022 speaks only the second version, hv-2012 both.
        {L"\\\\hv-2022\\root\\virtualization\\v2", S_OK, L"HV-2022", kV2Namespace},
        {L"//HV-2022/ROOT/Virtualization/V2", S_OK, L"HV-2022", kV2Namespace},
        {L"\\\\hv-2022\\root\\virtualization", HR(WBEM_E_INVALID_NAMESPACE), nullptr, nullptr},
        {L"\\\\hv-2012\\root\\virtualization", S_OK, L"HV-2012", v1},
        {L"\\\\hv-2012\\root\\virtualization\\v2", S_OK, L"HV-2012", kV2Namespace},
        {L"\\\\hv-2012\\root\\virtualization\\v3", HR(WBEM_E_INVALID_NAMESPACE), nullptr, nullptr},
    };
    for (const auto& c : cases) {
        Session s;
        EXPECT_EQ(s.Connect(c.path), c.expected) << c.path;
        if (c.expected != S_OK) {
            EXPECT_FALSE(s.services) << c.path;
            continue;
        }
        auto systems = s.Query(L"Select * from Msvm_ComputerSystem");
        ASSERT_FALSE(systems.empty()) << c.path;
        EXPECT_EQ(GetText(systems[0].Get(), L"Name"), c.hostName);
        EXPECT_EQ(GetText(systems[0].Get(), L"ElementName"), c.hostName);
        EXPECT_EQ(GetText(systems[0].Get(), L"__NAMESPACE"), c.nameSpace) << c.path;
    }
}

TEST_F(ConnectionTest, CredentialsFollowTheHostsRules) {
    const wchar_t* remote = L"\\\\oldhost\\root\\virtualization";
    struct Case {
        const wchar_t* path;
        const wchar_t* user;
        const wchar_t* password;
        HRESULT expected;
    } cases[] = {
        // The local host takes no user name at all, as WMI refuses credentials for local connections.
        {kLocal, L"admin", L"x", HR(WBEM_E_LOCAL_CREDENTIALS)},
        {L"\\\\localhost\\root\\virtualization", L"admin", L"x", HR(WBEM_E_LOCAL_CREDENTIALS)},
        {kLocal, nullptr, L"ignored without a user", S_OK},
        // oldhost lists its users: the caller's own logon and wrong passwords are refused.
        {remote, nullptr, nullptr, E_ACCESSDENIED},
        {remote, L"admin", L"wrong", E_ACCESSDENIED},
        {remote, L"admin", L"HYPER-V", E_ACCESSDENIED},
        {remote, L"admin", L"hyper-v", S_OK},
        {remote, L"ADMIN", L"hyper-v", S_OK},
        {remote, L"OLDHOST\\admin", L"hyper-v", S_OK},
        {remote, L"OTHER\\admin", L"hyper-v", E_ACCESSDENIED},
        {remote, L"LAB\\operator", L"lab-op", S_OK},
        {remote, L"operator", L"lab-op", E_ACCESSDENIED},
        // The logon is checked before the namespace: a refused one never learns which namespaces exist.
        {L"\\\\oldhost\\root\\virtualization\\v2", L"admin", L"wrong", E_ACCESSDENIED},
        {L"\\\\oldhost\\root\\virtualization\\v2", L"admin", L"hyper-v", HR(WBEM_E_INVALID_NAMESPACE)},
    };
    for (const auto& c : cases) {
        Session s;
        EXPECT_EQ(s.Connect(c.path, c.user, c.password), c.expected)
            << c.path << " " << (c.user ? c.user : L"(none)") << " " << (c.password ? c.password : L"(none)");
    }
}

TEST_F(ConnectionTest, RemoteProxiesNeedTheUsersIdentityInTheirBlanket) {
    Session s;
    ASSERT_EQ(s.Connect(L"\\\\oldhost\\root\\virtualization", L"LAB\\operator", L"lab-op"), S_OK);
    ComRef<IEnumWbemClassObject> e;
    // Without a blanket the proxy calls as the process's own logon, which oldhost refuses.
    EXPECT_EQ(s.Exec(L"Select * from Msvm_ComputerSystem", e), E_ACCESSDENIED);

    s.SetIdentity(L"LAB\\operator", L"wrong");
    ASSERT_EQ(s.Blanket(s.services.Get(), true), S_OK);
    EXPECT_EQ(s.Exec(L"Select * from Msvm_ComputerSystem", e), E_ACCESSDENIED);

    s.SetIdentity(L"LAB\\operator", L"lab-op");
    ASSERT_EQ(s.Blanket(s.services.Get(), true), S_OK);
    ASSERT_EQ(s.Exec(L"Select * from Msvm_ComputerSystem", e), S_OK);
    // The enumerator is a proxy of its own and starts with the default blanket.
    ComRef<IWbemClassObject> o;
    ULONG n = 0;
    EXPECT_EQ(e->Next(WBEM_INFINITE, 1, o.Put(), &n), E_ACCESSDENIED);
    EXPECT_EQ(n, 0u);
    ASSERT_EQ(s.Blanket(e.Get(), true), S_OK);
    EXPECT_EQ(e->Next(WBEM_INFINITE, 1, o.Put(), &n), S_OK);
    EXPECT_EQ(GetText(o.Get(), L"Name"), L"OLDHOST");

    // Setting a null identity again falls back to the process's logon.
    ASSERT_EQ(s.Blanket(s.services.Get(), false), S_OK);
    EXPECT_EQ(s.Exec(L"Select * from Msvm_ComputerSystem", e), E_ACCESSDENIED);
}

TEST_F(ConnectionTest, HostsWithoutUserListTakeAnyLogonAndAnyBlanket) {
    Load(R"({"hosts": [{"name": "open", "hostName": "OPEN", "machines": [{"elementName": "A"}]}]})", false);
    Session s;
    ASSERT_EQ(s.Connect(L"\\\\open\\root\\virtualization", L"someone", L"anything"), S_OK);
    EXPECT_EQ(s.Query(L"Select * from Msvm_ComputerSystem").size(), 2u);
    Session anonymous;
    ASSERT_EQ(anonymous.Connect(L"\\\\OPEN\\root\\virtualization"), S_OK);
    EXPECT_EQ(anonymous.Query(L"Select * from Msvm_ComputerSystem").size(), 2u);
    // A scenario without a local host has nothing behind the bare local path.
    Session local;
    EXPECT_EQ(local.Connect(kLocal), kRpcUnavailable);
}

TEST_F(ConnectionTest, ServicesAndEnumeratorsOfferClientSecurity) {
    ComRef<IClientSecurity> security;
    ASSERT_EQ(session.services->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put())), S_OK);
    ComRef<IEnumWbemClassObject> e;
    ASSERT_EQ(session.Exec(L"Select * from Msvm_ComputerSystem", e), S_OK);
    sim().ClearCalls();
    EXPECT_EQ(session.Blanket(e.Get(), false), S_OK);
    ASSERT_EQ(Calls("SetBlanket").size(), 1u);
    auto blanket = Calls("SetBlanket")[0];
    EXPECT_EQ(blanket.authnLevel, RPC_C_AUTHN_LEVEL_PKT_PRIVACY);
    EXPECT_EQ(blanket.impLevel, RPC_C_IMP_LEVEL_IMPERSONATE);
    EXPECT_EQ(blanket.user, "");
    EXPECT_FALSE(blanket.wire);

    DWORD authn = 0, imp = 0;
    ASSERT_EQ(CoQueryProxyBlanket(e.Get(), nullptr, nullptr, nullptr, &authn, &imp, nullptr, nullptr), S_OK);
    EXPECT_EQ(authn, static_cast<DWORD>(RPC_C_AUTHN_LEVEL_PKT_PRIVACY));
    EXPECT_EQ(imp, static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE));
}

TEST_F(ConnectionTest, ConnectAndBlanketLinesCarryUsersButNeverPasswords) {
    sim().ClearCalls();
    Session s;
    ASSERT_EQ(s.Connect(L"\\\\oldhost\\root\\virtualization", L"LAB\\operator", L"lab-op"), S_OK);
    s.SetIdentity(L"LAB\\operator", L"lab-op");
    ASSERT_EQ(s.Blanket(s.services.Get(), true), S_OK);
    Session refused;
    EXPECT_EQ(refused.Connect(L"\\\\oldhost\\root\\virtualization", L"admin", L"secret-wrong"), E_ACCESSDENIED);

    auto connects = Calls("ConnectServer");
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(connects[0].nameSpace, "\\\\oldhost\\root\\virtualization");
    EXPECT_EQ(connects[0].user, "LAB\\operator");
    EXPECT_TRUE(connects[0].wire);
    EXPECT_EQ(connects[1].hr, E_ACCESSDENIED);
    auto blankets = Calls("SetBlanket");
    ASSERT_EQ(blankets.size(), 1u);
    EXPECT_EQ(blankets[0].user, "operator");
    EXPECT_EQ(blankets[0].domain, "LAB");
    for (const auto& r : sim().Calls()) {
        for (const std::string* field : {&r.user, &r.domain, &r.inJson, &r.nameSpace, &r.query, &r.target}) {
            EXPECT_EQ(field->find("lab-op"), std::string::npos) << r.call;
            EXPECT_EQ(field->find("secret-wrong"), std::string::npos) << r.call;
        }
    }
}

TEST_F(ConnectionTest, LocatorAndServicesFailTheirContractChecks) {
    ComRef<IWbemLocator> locator;
    ASSERT_EQ(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                               reinterpret_cast<void**>(locator.Put())),
              S_OK);
    EXPECT_EQ(locator->ConnectServer(nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr),
              HR(WBEM_E_INVALID_PARAMETER));
    // Only WQL is understood, and an enumerator needs somewhere to go.
    ComRef<IEnumWbemClassObject> e;
    EXPECT_EQ(session.services->ExecQuery(Text(L"SQL"), Text(L"Select * from Msvm_ComputerSystem"), 0, nullptr,
                                          e.Put()),
              HR(WBEM_E_INVALID_QUERY_TYPE));
    EXPECT_EQ(session.services->ExecQuery(Text(L"WQL"), Text(L"Select * from Msvm_ComputerSystem"), 0, nullptr,
                                          nullptr),
              HR(WBEM_E_INVALID_PARAMETER));
    ComRef<IUnknown> aggregate;
    EXPECT_EQ(CoCreateInstance(CLSID_WbemLocator, reinterpret_cast<IUnknown*>(locator.Get()), CLSCTX_INPROC_SERVER,
                               IID_IUnknown, reinterpret_cast<void**>(aggregate.Put())),
              CLASS_E_NOAGGREGATION);
}

}  // namespace
}  // namespace simtest
