#pragma once
// What every benchmark shares: the clock and the summary of a series of timings, the tables they
// print, the programs compared before and after, the console window in this process against the
// simulated host installed here, and the unmodified vuemere.exe driven black-box in the sim Wine
// prefix with the calls that would cross the wire counted in the simulated host's log.
// Benchmarks print figures measured side by side in one run; nothing here judges them.
#include "console/main_wnd.h"
#include "console_session.h"
#include "hostsim/hostsim.h"
#include "resources/resource.h"
#include "shell/app.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace bench {

// ---- Timing and printing

inline double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
inline double MicrosSince(double start) { return (Seconds() - start) * 1e6; }
template <typename Step>
double MicrosOf(Step step) {
    const double start = Seconds();
    step();
    return MicrosSince(start);
}

// A series of timings. The median is the figure reported: on a shared machine a few rounds are
// always slowed by other processes, and the median does not follow them.
class Series {
public:
    void Add(double value) { values_.push_back(value); }
    double Median() const { return Quantile(0.5); }
    double Min() const { return Quantile(0.0); }
    double Max() const { return Quantile(1.0); }
    long long Count() const { return static_cast<long long>(values_.size()); }
    double Quantile(double q) const {
        std::vector<double> sorted = values_;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[static_cast<size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5)];
    }

private:
    std::vector<double> values_;
};

// printf into a string (every call passes values).
template <typename... Values>
std::string Text(const char* format, Values... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), format, values...);
    return buffer;
}

// A number with thousands separators, and its sign when `sign` is set.
inline std::string Grouped(long long number, bool sign = false) {
    std::string text = number < 0 ? "-" : sign && number > 0 ? "+" : "";
    const std::string digits = std::to_string(number < 0 ? -number : number);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

// A table printed in Markdown: the first column left-aligned, the others right-aligned.
class Table {
public:
    explicit Table(std::vector<std::string> header) : rows_{std::move(header)} {}
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void Print() const {
        std::vector<size_t> widths(rows_.front().size(), 3);
        for (const auto& row : rows_)
            for (size_t i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
        for (size_t r = 0; r < rows_.size(); ++r) {
            for (size_t i = 0; i < widths.size(); ++i)
                std::printf(i ? " %*s |" : "| %-*s |", static_cast<int>(widths[i]),
                            i < rows_[r].size() ? rows_[r][i].c_str() : "");
            for (size_t i = 0; r == 0 && i < widths.size(); ++i)
                std::printf(i ? " %s: |" : "\n| %s |", std::string(widths[i] - (i ? 1 : 0), '-').c_str());
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    std::vector<std::vector<std::string>> rows_;
};

// ---- Programs and processes

// A program compared before and after: the baseline build's (when VUEMERE_BASELINE_BIN_DIR names
// its folder), then this build's.
struct Program {
    std::string label;
    std::wstring binDir;
};
inline std::vector<Program> Programs() {
    wchar_t baseline[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(L"VUEMERE_BASELINE_BIN_DIR", baseline, MAX_PATH * 2);
    std::vector<Program> programs;
    if (length > 0 && length < MAX_PATH * 2) programs.push_back({"before", baseline});
    programs.push_back({"after", uidriver::BinDir()});
    return programs;
}

// A table's header: `first`, then each of `columns` for each program ("label: column").
inline std::vector<std::string> Header(const char* first, const std::vector<Program>& programs,
                                       std::initializer_list<const char*> columns) {
    std::vector<std::string> header{first};
    for (const Program& program : programs)
        for (const char* column : columns) header.push_back(program.label + (*column ? ": " : "") + column);
    return header;
}

// Runs a command line to its end, through the command interpreter (which takes one pair of quotes
// off the line); what it wrote to its standard output, false when it ended with a non-zero code.
inline bool RunForOutput(const std::wstring& commandLine, std::string& output) {
    FILE* pipe = _wpopen((L"\"" + commandLine + L"\"").c_str(), L"r");
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof(buffer), pipe)) output += buffer;
    return pipe && _pclose(pipe) == 0;
}

// A process's private bytes (its commit charge) and their peak; -1 where unknown. PrivateUsage,
// which Wine 8 leaves at 0; there PagefileUsage, which Windows documents as the same figure.
struct ProcessFigures {
    long long privateBytes = -1, peakPrivateBytes = -1;
};
inline ProcessFigures ReadProcess(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
        return {};
    return {static_cast<long long>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage),
            static_cast<long long>(counters.PeakPagefileUsage)};
}

// A scenario: host "localhost" (HV-BENCH) with these machines (each the members of its JSON object)
// and the delay of every wire call.
inline std::string Scenario(const std::vector<std::string>& machines, int latencyMs = 0) {
    std::string json = Text(R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-BENCH", )"
                            R"("latencyMs": %d, "machines": [)", latencyMs);
    for (const std::string& machine : machines) json += (json.back() == '[' ? "{" : ", {") + machine + "}";
    return json + "]}]}";
}

// ---- The console window in this process

// COM as the program itself starts it: default authentication, identify-level impersonation.
struct ComApartment {
    HRESULT status = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComApartment() {
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IDENTIFY,
                             nullptr, EOAC_NONE, nullptr);
    }
    ~ComApartment() {
        if (SUCCEEDED(status)) CoUninitialize();
    }
};

// Handles every message waiting for this thread (paints included), then returns.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The program's MainWnd, visible, with its menu, against the simulated host installed in this
// process. The window's timer is stopped: the benchmarks make every tick themselves.
class InProcessConsole {
public:
    explicit InProcessConsole(const std::string& scenarioJson) : host(scenarioJson) {
        RegisterWindowClass(GetModuleHandleW(nullptr), L"VUEMERE");
        ready = SUCCEEDED(host.Status()) && window.Create(L"vuemere", SW_SHOWNORMAL);
        if (ready) KillTimer(window.hwnd, 1);
        if (!ready) std::fprintf(stderr, "no simulated host (%s) or no console window\n", Sim().LoadError().c_str());
    }
    ~InProcessConsole() {
        if (window.hwnd) DestroyWindow(window.hwnd);
        Pump();
    }
    InProcessConsole(const InProcessConsole&) = delete;
    InProcessConsole& operator=(const InProcessConsole&) = delete;

    // Opens the machine as the Connect command does (connection, management service, machine,
    // video head, mouse), then lets one tick fetch and paint the first image.
    bool Open(const wchar_t* machine) {
        VmConn& conn = window.conn;
        WideString error;
        conn.SetCredentials(L"", L"");
        HRESULT hr = conn.Connect(L"localhost", error);
        if (hr == 0) hr = conn.FindManagementService(error);
        if (hr == 0) hr = conn.OpenMachine(machine, error);
        if (hr == 0) hr = conn.FindVideoHead(error);
        if (hr == 0) hr = conn.FindMouse(error);
        if (hr == 0) Tick();
        if (!window.ImageAvailable())
            std::fprintf(stderr, "cannot open %ls: %ls (0x%08lX)\n", machine, error.c_str(), hr);
        return window.ImageAvailable();
    }
    // One refresh as the timer makes it (fetch, invalidate), then the paint it asked for.
    void Tick() {
        SendMessageW(window.hwnd, WM_TIMER, 1, 0);
        UpdateWindow(window.hwnd);
    }
    // The capture size as the settings dialog leaves it (0 x 0: the guest's own).
    void SetCapture(int width, int height) {
        window.setting.width = width;
        window.setting.height = height;
        window.setting.scale = 1.0f;
    }
    hostsim::Simulator& Sim() const { return host.sim(); }

    hostsim::InProcessHost host;  // outlives the window, whose connection releases its objects
    MainWnd window;
    bool ready = false;
};

// ---- vuemere.exe, black-box

// Wire calls since a mark in the log: the action's own, and those of the image refreshes it asks
// for (GetObject of the service class and the image method).
struct WireCalls {
    int own = 0, refresh = 0, fetches = 0;
};
inline WireCalls CountWireCalls(const std::vector<LoggedCall>& calls, size_t mark) {
    WireCalls count;
    for (auto call = calls.begin() + static_cast<ptrdiff_t>(mark); call < calls.end(); ++call) {
        count.fetches += call->IsFetch();
        if (call->Field("wire") != "true") continue;
        const bool service = call->Is("GetObject") && call->Field("class") == "Msvm_VirtualSystemManagementService";
        ++(call->IsFetch() || service ? count.refresh : count.own);
    }
    return count;
}

// Starts the program's vuemere.exe with the scenario; says why not and returns false.
inline bool StartProgram(ConsoleSession& session, const Program& program, const std::string& scenarioJson) {
    if (session.Start(scenarioJson, program.binDir + L"\\vuemere.exe")) return true;
    std::fprintf(stderr, "%s: cannot start vuemere.exe: %ls\n", program.label.c_str(), session.Error().c_str());
    return false;
}

// The Connect dialog, opened with "localhost" typed as the server; null when it does not come.
inline HWND OpenConnectDialog(const ConsoleSession& session) {
    HWND dialog = session.Command(IDM_CONNECT) ? uidriver::WaitForDialog(L"Connect", session.Window()) : nullptr;
    return dialog && uidriver::SetItemText(dialog, IDC_CONNECT_SERVER, L"localhost") ? dialog : nullptr;
}

// Presses "Connect". The click runs the listing inside its handler: once the dialog takes the next
// posted message off its queue, the listing is done and the list filled (or an error shown).
inline bool PressConnect(HWND dialog) {
    return uidriver::Click(dialog, IDC_CONNECT_BUTTON) && uidriver::Settle(dialog, 120000);
}

}  // namespace bench
