#include "hostsim/call_log.h"

#include "hostsim/engine.h"

#include <nlohmann/json.hpp>

#include <windows.h>

#include <cstdlib>

namespace hostsim {

std::string LogLine(const CallRecord& r) {
    nlohmann::ordered_json j;
    j["seq"] = r.seq;
    j["call"] = r.call;
    if (!r.className.empty()) j["class"] = r.className;
    if (!r.method.empty()) j["method"] = r.method;
    if (!r.target.empty()) j["target"] = r.target;
    if (!r.property.empty()) j["property"] = r.property;
    if (!r.query.empty()) j["query"] = r.query;
    if (r.call == "ExecQuery" || r.call == "Next") j["count"] = r.count;
    if (r.call == "Next") j["timeout"] = r.timeout;
    if (r.call == "ConnectServer") {
        j["namespace"] = r.nameSpace;
        j["user"] = r.user.empty() ? nullptr : nlohmann::ordered_json(r.user);
    }
    if (r.call == "SetBlanket") {
        j["authnLevel"] = r.authnLevel;
        j["impLevel"] = r.impLevel;
        j["user"] = r.user.empty() ? nullptr : nlohmann::ordered_json(r.user);
        j["domain"] = r.domain.empty() ? nullptr : nlohmann::ordered_json(r.domain);
    }
    if (!r.inJson.empty()) j["in"] = nlohmann::ordered_json::parse(r.inJson, nullptr, false);
    char hr[16];
    snprintf(hr, sizeof hr, "0x%08lX", static_cast<unsigned long>(r.hr));
    j["hr"] = hr;
    j["wire"] = r.wire;
    if (r.wire) j["ms"] = r.ms;  // when the host answered: back-offs and outages are measured by it
    if (!r.hostile.empty()) j["hostile"] = r.hostile;
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void CallLog::Reset(bool keepRecords) {
    records_.clear();
    keepRecords_ = keepRecords;
    seq_ = 0;
    loadedTick_ = GetTickCount();
    wireCalls_ = 0;
    OpenFile();
}

void CallLog::ClearRecords() {
    records_.clear();
    wireCalls_ = 0;
}

void CallLog::Add(CallRecord& record) {
    record.seq = ++seq_;
    record.ms = GetTickCount() - loadedTick_;
    if (record.wire) ++wireCalls_;
    WriteLine(LogLine(record));
    if (keepRecords_) records_.push_back(record);
}

void CallLog::OpenFile() {
    if (fileTried_) return;
    fileTried_ = true;
    const char* path = std::getenv("VUEMERE_SIM_LOG");
    if (!path || !*path) return;
    file_ = std::fopen(path, "ab");
    if (file_) std::atexit([] { Engine::Instance().WriteExitLine(); });
}

void CallLog::WriteLine(const std::string& line) {
    if (!file_) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void CallLog::WriteExit(long liveObjects) {
    if (!file_ || exitWritten_) return;
    exitWritten_ = true;
    WriteLine("{\"call\":\"Exit\",\"liveObjects\":" + std::to_string(liveObjects) + "}");
}

void CallLog::WriteScenarioError(const std::string& message) {
    OpenFile();
    nlohmann::ordered_json j;
    j["call"] = "Scenario";
    j["error"] = message;
    WriteLine(j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace hostsim
