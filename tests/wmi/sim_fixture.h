#pragma once
// VmConn against the simulated host, installed in this process. Every test gets a fresh host and
// a fresh VmConn; once the VmConn is gone the host must have no live objects left.
#include "hostsim/hostsim.h"
#include "wmi/provider_namespace.h"
#include "wmi/vm_conn.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

class SimTest : public ::testing::Test {
protected:
    // The built-in scenario unless a test loads its own with LoadHost.
    void SetUp() override { LoadHost({}); }

    void LoadHost(const std::string& scenarioJson) {
        conn.reset();
        host.reset();
        KnownNamespaces().Forget();  // what the process learnt of the last test's hosts
        host = std::make_unique<hostsim::InProcessHost>(scenarioJson);
        ASSERT_EQ(host->Status(), S_OK) << sim().LoadError();
        conn = std::make_unique<VmConn>();
    }

    void TearDown() override {
        conn.reset();
        if (host) {
            EXPECT_EQ(sim().LiveObjects(), 0) << "COM objects still alive after the VmConn is gone";
        }
        host.reset();
    }

    hostsim::Simulator& sim() { return hostsim::TheSimulator(); }

    // Connects to the default host and opens `machine`, as the connect command does.
    void Open(const wchar_t* machine) {
        conn->SetCredentials(L"", L"");
        ASSERT_EQ(conn->Connect(L"", errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn->FindManagementService(errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn->OpenMachine(machine, errorText), 0) << errorText.c_str();
        ASSERT_TRUE(conn->settingData.object);
    }

    hostsim::Guest& Guest(const wchar_t* machine) {
        hostsim::Guest* guest = sim().FindGuest("localhost", machine);
        EXPECT_NE(guest, nullptr);
        return *guest;
    }

    // The logged calls of one kind (and method, when given), in order.
    std::vector<hostsim::CallRecord> Calls(const std::string& call, const std::string& method = {}) {
        std::vector<hostsim::CallRecord> found;
        for (const hostsim::CallRecord& r : sim().Calls()) {
            if (r.call == call && (method.empty() || r.method == method)) found.push_back(r);
        }
        return found;
    }
    // The in-parameters of the logged method executions, in order.
    std::vector<nlohmann::json> Executions(const std::string& method) {
        std::vector<nlohmann::json> in;
        for (const hostsim::CallRecord& r : Calls("ExecMethod", method)) {
            in.push_back(r.inJson.empty() ? nlohmann::json::object() : nlohmann::json::parse(r.inJson));
        }
        return in;
    }
    std::vector<std::string> Queries() {
        std::vector<std::string> texts;
        for (const hostsim::CallRecord& r : Calls("ExecQuery")) texts.push_back(r.query);
        return texts;
    }
    void AddFault(const std::string& faultJson) { ASSERT_EQ(sim().AddFault(faultJson), S_OK) << faultJson; }

    std::unique_ptr<hostsim::InProcessHost> host;
    std::unique_ptr<VmConn> conn;
    WideString errorText;
};

// Object paths and names of the built-in scenario are plain ASCII.
inline std::string Ascii(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text);
    return out;
}

constexpr HRESULT WbemInvalidNamespace = static_cast<HRESULT>(0x8004100E);
constexpr HRESULT WbemNotFoundCode = static_cast<HRESULT>(0x80041002);
constexpr HRESULT RpcDisconnected = static_cast<HRESULT>(0x80010108);
constexpr HRESULT AccessDenied = static_cast<HRESULT>(0x80070005);
