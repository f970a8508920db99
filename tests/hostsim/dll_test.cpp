// The simulator as the registered WbemLocator DLL of the sim Wine prefix: reached with plain
// CoCreateInstance, configured by VUEMERE_SIM_SCENARIO and logging to VUEMERE_SIM_LOG.
#include "wmi_session.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <string>
#include <vector>

namespace simtest {
namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n && n < 1024 ? buffer : L"";
}

struct ChildRun {
    DWORD exitCode = 999;
    std::string output;
    std::vector<nlohmann::json> log;
};

// Runs hostsim_client with `args` under the given scenario (nullptr: none set) and a fresh log.
ChildRun RunClient(const std::wstring& args, const wchar_t* scenario, const wchar_t* logName) {
    ChildRun run;
    std::wstring dir = Env(L"VUEMERE_BIN_DIR");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring logPath = std::wstring(temp) + logName, outPath = logPath + L".out";
    DeleteFileW(logPath.c_str());
    SetEnvironmentVariableW(L"VUEMERE_SIM_LOG", logPath.c_str());
    SetEnvironmentVariableW(L"VUEMERE_SIM_SCENARIO", scenario);

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + dir + L"\\hostsim_client.exe\" " + args;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(out);
    SetEnvironmentVariableW(L"VUEMERE_SIM_LOG", nullptr);

    std::ifstream outFile(outPath.c_str());
    run.output.assign(std::istreambuf_iterator<char>(outFile), {});
    std::ifstream logFile(logPath.c_str());
    for (std::string line; std::getline(logFile, line);) run.log.push_back(nlohmann::json::parse(line, nullptr, false));
    return run;
}

std::vector<nlohmann::json> Lines(const ChildRun& run, const std::string& call) {
    std::vector<nlohmann::json> found;
    for (const auto& j : run.log)
        if (j.is_object() && j.value("call", "") == call) found.push_back(j);
    return found;
}

TEST(SimPrefix, PlainCoCreateInstanceReachesTheScenarioOfTheEnvironment) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        Session s;
        ASSERT_EQ(s.Connect(L"root\\virtualization"), S_OK);
        std::vector<std::wstring> names;
        for (auto& m : s.Query(L"Select * from Msvm_ComputerSystem")) names.push_back(GetText(m.Get(), L"ElementName"));
        EXPECT_EQ(names, (std::vector<std::wstring>{L"DLL-HOST", L"Alpha", L"Beta"}));
        ComRef<IClientSecurity> security;
        EXPECT_EQ(s.services->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put())), S_OK);
    }
    CoUninitialize();
}

TEST(SimPrefix, ClientRunIsLoggedLineByLineUpToTheExitCount) {
    std::wstring scenario = Env(L"VUEMERE_SIM_SCENARIO");
    ChildRun run = RunClient(L"secure ops pa55-word", scenario.c_str(), L"hostsim_dll_test.log");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("machine Gamma"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("press 0x00000000"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("image 0x00000000 384"), std::string::npos) << run.output;  // 16 x 12 x 2

    ASSERT_FALSE(run.log.empty());
    for (const auto& j : run.log) {
        ASSERT_TRUE(j.is_object()) << "a line is not JSON";
        EXPECT_EQ(j.dump().find("pa55-word"), std::string::npos) << j.dump();
    }
    auto connect = Lines(run, "ConnectServer");
    ASSERT_EQ(connect.size(), 1u);
    EXPECT_EQ(connect[0]["namespace"], "\\\\secure\\root\\virtualization");
    EXPECT_EQ(connect[0]["user"], "ops");
    EXPECT_EQ(connect[0]["wire"], true);
    auto blankets = Lines(run, "SetBlanket");
    ASSERT_FALSE(blankets.empty());
    EXPECT_EQ(blankets[0]["user"], "ops");
    EXPECT_EQ(blankets[0]["domain"], ".");
    auto queries = Lines(run, "ExecQuery");
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries[0]["query"], "Select * from Msvm_ComputerSystem");
    EXPECT_EQ(queries[0]["count"], 2);
    nlohmann::json press;
    for (const auto& j : Lines(run, "ExecMethod"))
        if (j["method"] == "PressKey") press = j;
    ASSERT_TRUE(press.is_object());
    EXPECT_EQ(press["class"], "Msvm_Keyboard");
    EXPECT_EQ(press["in"], nlohmann::json::parse(R"({"keyCode":65})"));
    EXPECT_EQ(press["hr"], "0x00000000");
    for (const auto& get : Lines(run, "Get")) EXPECT_EQ(get["wire"], false);
    EXPECT_EQ(run.log.back(), nlohmann::json::parse(R"({"call":"Exit","liveObjects":0})"));
    for (size_t i = 1; i + 1 < run.log.size(); ++i) EXPECT_EQ(run.log[i]["seq"], run.log[i - 1]["seq"].get<int>() + 1);
}

TEST(SimPrefix, WithoutAScenarioTheDllRunsTheDemo) {
    ChildRun run = RunClient(L"", nullptr, L"hostsim_dll_default.log");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("machine Web Server 01\nmachine Legacy DOS"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("image 0x00000000 384"), std::string::npos) << run.output;
}

TEST(SimPrefix, AnUnreadableScenarioFailsTheLocatorAndSaysWhy) {
    ChildRun run = RunClient(L"", L"Z:\\no\\such\\scenario.json", L"hostsim_dll_bad.log");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("connect 0x80070057"), std::string::npos) << run.output;  // E_INVALIDARG
    auto errors = Lines(run, "Scenario");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0]["error"].get<std::string>().find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace simtest
