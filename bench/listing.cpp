// The Connect dialog of the unmodified vuemere.exe listing a host of 10, 100 and 1,000 machines,
// in the baseline's program and in this build's: the wire calls of one listing, the time from
// pressing "Connect" to the list being filled, and the process's private bytes. The simulated host
// is a DLL in that process, loaded when the first listing creates the WMI locator: the growth over
// the first press is the simulator with its machines plus the listing; later presses list again
// on the loaded simulator. The host answers at once, and again with 2 ms per wire call.
#include "harness.h"
#include "resources/resource.h"

#include <memory>

namespace bench {

namespace {

constexpr int LaterPresses = 5;

struct Listed {
    bool ok = false;
    int wireCalls = 0;
    double firstMs = 0, idleMs = 0;
    Series laterMs;
    ProcessFigures open, afterFirst, end;  // the dialog open, after the first press, after the last
};

Listed List(const Program& program, int machines, int latencyMs) {
    std::vector<std::string> scenario;
    for (int i = 1; i <= machines; ++i) scenario.push_back(Text(R"("elementName": "Machine %04d")", i));
    Listed r;
    ConsoleSession session;
    HWND dialog = StartProgram(session, program, Scenario(scenario, latencyMs)) ? OpenConnectDialog(session) : nullptr;
    const std::unique_ptr<void, decltype(&CloseHandle)> process(
        dialog ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, session.ProcessId()) : nullptr,
        &CloseHandle);
    // The driver's own wait, part of every time: a settle on the idle dialog (the first one loads
    // its hook into the program).
    r.ok = process.get() && uidriver::Settle(dialog);
    r.idleMs = MicrosOf([&] { uidriver::Settle(dialog); }) / 1000;
    r.open = ReadProcess(process.get());
    auto press = [&] {  // milliseconds; the list must hold every machine
        const double ms = MicrosOf([&] { r.ok = r.ok && PressConnect(dialog); }) / 1000;
        r.ok = r.ok && uidriver::ComboItems(dialog, IDC_CONNECT_MACHINES).size() == static_cast<size_t>(machines);
        return ms;
    };
    const size_t mark = session.Calls().size();
    r.firstMs = press();
    r.afterFirst = ReadProcess(process.get());
    const WireCalls wire = CountWireCalls(session.Calls(), mark);
    r.wireCalls = wire.own + wire.refresh;
    for (int i = 0; i < LaterPresses; ++i) r.laterMs.Add(press());
    r.end = ReadProcess(process.get());
    if (!r.ok) std::printf("%s, %d machines: the listing failed or was incomplete\n", program.label.c_str(), machines);
    if (dialog) uidriver::Answer(dialog, IDCANCEL);
    session.Command(IDM_EXIT);
    uidriver::WaitUntil([&] { return !session.Running(); });
    return r;
}

}  // namespace

bool Listing() {
    Table table({"machines", "latency", "program", "wire calls", "first press ms", "later presses ms", "idle wait ms",
                 "private bytes, dialog open", "first press", "later presses", "peak"});
    bool ok = true;
    for (const int machines : {10, 100, 1000})
        for (const int latencyMs : {0, 2})
            for (const Program& program : Programs()) {
                const Listed r = List(program, machines, latencyMs);
                ok = ok && r.ok;
                table.Add({Grouped(machines), Text("%d ms", latencyMs), program.label, Grouped(r.wireCalls),
                           Text("%.1f", r.firstMs), Text("%.1f", r.laterMs.Median()), Text("%.1f", r.idleMs),
                           Grouped(r.open.privateBytes), Grouped(r.afterFirst.privateBytes - r.open.privateBytes, true),
                           Grouped(r.end.privateBytes - r.afterFirst.privateBytes, true),
                           Grouped(r.end.peakPrivateBytes)});
            }
    std::printf("Listing a host's machines in the Connect dialog, the host answering each wire call after the\n"
                "latency: wire calls of the first listing; times from pressing Connect to the list filled (the first\n"
                "includes loading the simulated host; later: median of %d; the driver's wait on the idle dialog is\n"
                "part of each); private bytes of vuemere.exe, the simulated host in it: with the dialog open, growth\n"
                "over the first press and over the later ones, peak\n", LaterPresses);
    table.Print();
    return ok;
}

}  // namespace bench
