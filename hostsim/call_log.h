#pragma once
// The record of every call that crossed a COM interface of the simulator: kept in memory for
// in-process tests and written as JSON lines to the file VUEMERE_SIM_LOG names.
#include "hostsim/hostsim.h"

#include <cstdio>
#include <string>
#include <vector>

namespace hostsim {

class CallLog {
public:
    // Starts over (records, numbering, counters); `keepRecords` false keeps only the counters.
    void Reset(bool keepRecords);
    // Numbers the record, keeps it and writes its line.
    void Add(CallRecord& record);
    // Writes the closing line {"call":"Exit","liveObjects":N} once per process, if a file is open.
    void WriteExit(long liveObjects);
    // Writes a line telling why the scenario could not be used.
    void WriteScenarioError(const std::string& message);

    const std::vector<CallRecord>& Records() const { return records_; }
    void ClearRecords();
    int WireCalls() const { return wireCalls_; }

private:
    void OpenFile();
    void WriteLine(const std::string& line);

    std::vector<CallRecord> records_;
    bool keepRecords_ = true;
    int seq_ = 0;
    unsigned long loadedTick_ = 0;  // GetTickCount at the scenario's load
    int wireCalls_ = 0;
    FILE* file_ = nullptr;
    bool fileTried_ = false;
    bool exitWritten_ = false;
};

// The log line of a record (one JSON object, no line end).
std::string LogLine(const CallRecord& record);

}  // namespace hostsim
