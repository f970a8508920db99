// Memory and handles across 10,000 refreshes with changing capture sizes, then after DisConnect and
// exit.
//
// Measured, in two settings:
// - vuemere.exe itself, black-box in the sim Wine prefix: its private bytes and handle count, read
//   from this process through a handle to it (see Take below for how under Wine); the capture size changed through the settings dialog every 250 refreshes; each
//   refresh a posted refresh request, waited for. At exit: the exit code, and the simulated host's
//   closing log line with the COM objects it handed out and never got back.
// - the program's console window in this process (MainWnd with the simulated host installed
//   in-process), the capture size changed at every tick, where the host's live COM objects can be
//   read at every step. Private bytes here include the simulator and this program.
// Under Wine GetGuiResources is a stub that returns 0, so no GDI or USER object counts are given.
// It judges nothing.
#include "bench_console.h"
#include "console_session.h"
#include "resources/resource.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char Scenario[] = R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-BENCH",
  "machines": [{"elementName": "VGA 640", "width": 640, "height": 480}]}]})";
constexpr long long LargestFrame = 640LL * 480 * 2;

// Summary route, method route, odd width (rows repacked), scale forms.
struct Size {
    const wchar_t* text;
    float scale;
    int width, height;
};
const Size Sizes[] = {{L"320x240", 1.0f, 320, 240}, {L"640x480", 1.0f, 640, 480}, {L"160x120", 1.0f, 160, 120},
                      {L"x0.5", 0.5f, 0, 0},        {L"80x60", 1.0f, 80, 60},     {L"639x479", 1.0f, 639, 479},
                      {L"x1.0", 1.0f, 0, 0}};
constexpr int SizeCount = sizeof(Sizes) / sizeof(Sizes[0]);

int Refreshes() {
    const char* text = std::getenv("VUEMERE_BENCH_REFRESHES");  // a shorter run for trying things
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 10000;
}

struct Snapshot {
    long long privateBytes = -1;
    long long handles = -1;
    long liveObjects = -1;  // -1: not known here
};

// The handles a process holds, from the system's handle table (NtQuerySystemInformation,
// SystemHandleInformation); -1 when it cannot be read.
long long HandlesFromSystemTable(DWORD processId) {
    struct Entry {
        ULONG processId;
        BYTE objectType;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    using QueryFunction = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    constexpr ULONG SystemHandleInformation = 16;
    constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004L);
    std::vector<BYTE> buffer(1 << 20);
    LONG status;
    while ((status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr)) ==
           InfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const Entry* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    long long held = 0;
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].processId == processId) ++held;
    return held;
}

// Private bytes: PrivateUsage, which Wine 8 leaves at 0; there PagefileUsage, which Windows
// documents as the same figure (the process's commit charge) and Wine fills. Handles:
// GetProcessHandleCount, which Wine 8 answers with 0; there the system's handle table.
Snapshot Take(HANDLE process) {
    Snapshot s;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
        s.privateBytes = static_cast<long long>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage);
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles != 0)
        s.handles = handles;
    else
        s.handles = HandlesFromSystemTable(GetProcessId(process));
    return s;
}

void PrintHeader() {
    std::printf("  %-46s %14s %12s %8s %8s %12s\n", "checkpoint", "private bytes", "growth", "handles", "growth",
                "live objects");
}

void Print(const char* checkpoint, const Snapshot& s, const Snapshot& base) {
    std::printf("  %-46s %14lld %+12lld %8lld %+8lld", checkpoint, s.privateBytes, s.privateBytes - base.privateBytes,
                s.handles, s.handles - base.handles);
    if (s.liveObjects >= 0)
        std::printf(" %12ld\n", s.liveObjects);
    else
        std::printf(" %12s\n", "-");
}

// ---- vuemere.exe, black-box

bool Refresh(ConsoleSession& session) {
    PostMessageW(session.Window(), WM_TIMER, 1, 0);
    return session.Settle();
}

bool BlackBox(int refreshes) {
    std::printf("\nvuemere.exe (black-box), guest 640x480, largest frame %lld bytes, %d refreshes\n", LargestFrame,
                refreshes);
    ConsoleSession session;
    if (!session.Start(Scenario)) {
        std::printf("cannot start vuemere.exe: %ls\n", session.Error().c_str());
        return false;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, session.ProcessId());
    if (!process) {
        std::printf("cannot open the process: %lu\n", GetLastError());
        return false;
    }
    PrintHeader();
    const Snapshot started = Take(process);
    Print("started, nothing open", started, started);

    // Ticks of the program's own timer would come on top of the counted refreshes.
    bool ok = session.ApplySettings(L"60000", nullptr) && session.OpenMachine(L"VGA 640");
    for (const Size& size : Sizes) {
        ok = ok && session.ApplySettings(nullptr, size.text);
        for (int i = 0; ok && i < 3; ++i) ok = Refresh(session);
    }
    if (!ok) {
        std::printf("cannot open the machine and fetch every size\n");
        CloseHandle(process);
        return false;
    }
    const Snapshot before = Take(process);
    Print("open, every capture size fetched once (before)", before, started);

    const int fetchesBefore = session.CountFetches();
    int sizeIndex = 0;
    for (int i = 0; ok && i < refreshes; ++i) {
        if (i % 250 == 249) ok = session.ApplySettings(nullptr, Sizes[++sizeIndex % SizeCount].text);
        ok = ok && Refresh(session);
        if (i == refreshes / 2 - 1) Print("half way", Take(process), before);
    }
    const int fetched = session.CountFetches() - fetchesBefore;
    const Snapshot after = Take(process);
    Print("after the refreshes", after, before);

    ok = ok && session.Command(IDM_DISCONNECT) && session.Settle();
    for (int i = 0; ok && i < 10; ++i) ok = Refresh(session);
    Print("after DisConnect and 10 ticks", Take(process), before);

    session.Command(IDM_EXIT);
    const bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    const std::vector<LoggedCall> calls = session.Calls();
    const std::string exitLine = calls.empty() ? "" : calls.back().line;
    std::printf("  image requests logged during the refreshes: %d (size changed %d times)\n", fetched,
                refreshes / 250);
    std::printf("  exit: %s, exit code %lu; simulator's last log line: %s\n", ended ? "ended" : "still running",
                exitCode, exitLine.c_str());
    std::printf("  growth over the refreshes: %+lld bytes = %.2f largest frames; handles %+lld\n",
                after.privateBytes - before.privateBytes,
                static_cast<double>(after.privateBytes - before.privateBytes) / LargestFrame,
                after.handles - before.handles);
    return ok && ended;
}

// ---- The console window in this process

Snapshot TakeHere(bench::InProcessConsole& console) {
    Snapshot s = Take(GetCurrentProcess());
    s.liveObjects = console.host.sim().LiveObjects();
    return s;
}

bool InProcess(int refreshes) {
    std::printf("\nconsole window in this process, guest 640x480, capture size changed at every tick, %d ticks\n",
                refreshes);
    bool ok = true;
    Snapshot started, before;
    long liveAfterExit = -1;
    {
        bench::InProcessConsole console(Scenario);
        if (!console.ready) return false;
        PrintHeader();
        started = TakeHere(console);
        Print("window created, nothing open", started, started);
        MainWnd& window = console.window;
        auto setSize = [&](const Size& size) {
            window.setting.scale = size.scale;
            window.setting.width = size.width;
            window.setting.height = size.height;
        };
        if (!console.Open(L"VGA 640")) return false;
        for (const Size& size : Sizes) {
            setSize(size);
            console.Tick();
        }
        console.host.sim().ClearCalls();
        const uint32_t capacityBefore = window.conn.image.pixels.Capacity();
        before = TakeHere(console);
        Print("open, every capture size fetched once (before)", before, started);
        for (int i = 0; i < refreshes; ++i) {
            setSize(Sizes[i % SizeCount]);
            console.Tick();
            console.host.sim().ClearCalls();  // the simulator's in-memory log
            if (i == refreshes / 2 - 1) Print("half way", TakeHere(console), before);
        }
        bench::Pump();
        const Snapshot after = TakeHere(console);
        Print("after the ticks", after, before);
        ok = window.ImageAvailable();

        SendMessageW(window.hwnd, WM_COMMAND, IDM_DISCONNECT, 0);
        for (int i = 0; i < 10; ++i) console.Tick();
        Print("after DisConnect and 10 ticks", TakeHere(console), before);
        std::printf("  growth over the ticks: %+lld bytes = %.2f largest frames; handles %+lld; live objects %ld -> %ld\n",
                    after.privateBytes - before.privateBytes,
                    static_cast<double>(after.privateBytes - before.privateBytes) / LargestFrame,
                    after.handles - before.handles, before.liveObjects, after.liveObjects);
        std::printf("  the image buffer: %u bytes before, %u after (it grows only for a larger image)\n",
                    capacityBefore, window.conn.image.pixels.Capacity());
    }
    // The window and its connection are gone: every object the host handed out is back.
    liveAfterExit = hostsim::TheSimulator().LiveObjects();
    std::printf("  after the window is destroyed: live objects %ld\n", liveAfterExit);
    return ok && liveAfterExit == 0;
}

}  // namespace

int main() {
    const int refreshes = Refreshes();
    std::printf("Memory and handles. Private bytes: GetProcessMemoryInfo PrivateUsage, or PagefileUsage (the same\n"
                "commit charge) where Wine leaves PrivateUsage 0. Handles: GetProcessHandleCount, or the system's\n"
                "handle table (NtQuerySystemInformation) where Wine answers 0. Live objects: the simulated host's\n"
                "count of COM objects handed out and not released. No GDI/USER counts: GetGuiResources is a stub\n"
                "under Wine.\n");
    bool ok = BlackBox(refreshes);
    {
        bench::ComApartment apartment;
        if (FAILED(apartment.status)) return 1;
        ok = InProcess(refreshes) && ok;
    }
    return ok ? 0 : 1;
}
