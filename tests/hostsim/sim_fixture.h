#pragma once
// Fixture of the in-process simulator tests: COM in the multithreaded apartment (as vuemere runs),
// a fresh simulator with the given scenario, and a session connected to the local host.
#include "hostsim/hostsim.h"
#include "wmi_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace simtest {

// WBEM_E_* are unsigned enumerators; tests compare them with HRESULTs.
#define HR(code) static_cast<HRESULT>(code)

constexpr wchar_t kLocal[] = L"root\\virtualization";
constexpr HRESULT kRpcUnavailable = static_cast<HRESULT>(0x800706BA);

// Machine GUIDs of the built-in scenario.
constexpr wchar_t kWebServer[] = L"E902B661-192D-4AE0-B3CD-460D78E7C36C";
constexpr wchar_t kLegacyDos[] = L"F04A105E-576A-47DF-8F74-B33AFEF9CA9D";
constexpr wchar_t kBuildAgent[] = L"DBE94A8E-1565-4151-8E72-E7EBEA768AA3";
constexpr wchar_t kGen2Web[] = L"3F2C8A41-6D0B-4E7A-9C15-2B8E4D7A1C90";       // hv-2022, provider v2
constexpr wchar_t kGen1Database[] = L"A81E5C3D-0F92-4B6A-8D47-C5E21B9F3A64";  // hv-2022, two snapshots
constexpr wchar_t kServer2012[] = L"C6047F1B-2E8D-4A59-93B7-0D5A6E1F8C23";    // hv-2012, provider both
constexpr wchar_t kV2Namespace[] = L"root\\virtualization\\v2";

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        Load({});
    }
    void TearDown() override {
        session = Session();
        host.reset();
        CoUninitialize();
    }

    // Starts over with another scenario ("" = the built-in one) and connects to the local path.
    void Load(const std::string& scenario, bool connect = true) {
        session = Session();
        host.reset();
        host = std::make_unique<hostsim::InProcessHost>(scenario);
        ASSERT_EQ(host->Status(), S_OK) << sim().LoadError();
        if (connect) {
            ASSERT_EQ(session.Connect(kLocal), S_OK);
        }
    }

    hostsim::Simulator& sim() { return hostsim::TheSimulator(); }

    hostsim::Guest& Guest(const wchar_t* machine, const char* server = "localhost") {
        hostsim::Guest* guest = sim().FindGuest(server, machine);
        EXPECT_NE(guest, nullptr);
        return *guest;
    }

    std::vector<hostsim::CallRecord> Calls(const std::string& call) {
        std::vector<hostsim::CallRecord> found;
        for (const auto& r : sim().Calls())
            if (r.call == call) found.push_back(r);
        return found;
    }

    // The path of the first object a query delivers.
    std::wstring PathOf(const std::wstring& wql) {
        ComRef<IWbemClassObject> o = session.First(wql);
        return o ? GetText(o.Get(), L"__PATH") : L"<nothing>";
    }
    std::wstring MachinePath(const std::wstring& name) {
        return PathOf(L"Select * from Msvm_ComputerSystem where ElementName = '" + name + L"'");
    }
    std::wstring DevicePath(const std::wstring& machine, const wchar_t* cls) {
        return PathOf(L"Associators of {" + MachinePath(machine) + L"} Where ResultClass=" + cls);
    }
    std::wstring SettingsPath(const std::wstring& guid) {
        return PathOf(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '" + guid +
                      L"' and SettingType = '3'");
    }
    std::wstring ServicePath() { return PathOf(L"Select * from Msvm_VirtualSystemManagementService"); }
    // The second version's query for a machine's live settings.
    static std::wstring LiveSettingsV2(const std::wstring& guid) {
        return L"Select * from Msvm_VirtualSystemSettingData where VirtualSystemIdentifier = '" + guid +
               L"' and VirtualSystemType = 'Microsoft:Hyper-V:System:Realized'";
    }

    // A fresh in-parameters instance of a method, as a client makes one before its Puts.
    ComRef<IWbemClassObject> InParams(const wchar_t* cls, const wchar_t* method) {
        ComRef<IWbemClassObject> classObject, signature, in;
        EXPECT_EQ(session.services->GetObject(Text(cls), 0, nullptr, classObject.Put(), nullptr), S_OK);
        if (classObject) {
            EXPECT_EQ(classObject->GetMethod(method, 0, signature.Put(), nullptr), S_OK);
        }
        if (signature) {
            EXPECT_EQ(signature->SpawnInstance(0, in.Put()), S_OK);
        }
        return in;
    }

    std::unique_ptr<hostsim::InProcessHost> host;
    Session session;
};

}  // namespace simtest
