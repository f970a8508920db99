// Keystroke to visible frame: the time from a key message reaching the console window's queue to
// the end of the paint that shows the key on the guest's screen, with every wire call delayed at
// the simulated host (installed in-process).
//
// The window is the program's own MainWnd, visible, run by this program's message loop: the key
// is WM_KEYDOWN of a letter; the window presses the key on the guest, posts a refresh request, the
// tick fetches a new image and WM_PAINT paints it. Each press is checked to be shown by the
// measured paint: the image differs from the one before and is exactly the guest's screen with the
// letter typed. The refresh timer is stopped so that no tick of its own falls into a measurement.
//
// The baseline's build of this benchmark and this build's run rounds in turn, each round a process
// of its own that prints one line per press, so that both see the same machine and load.
#include "harness.h"

#include <iterator>
#include <sstream>

namespace bench {

namespace {

constexpr int LatencyMs = 2, Presses = 26, Rounds = 4;

struct Case {
    const char* label;
    int captureWidth, captureHeight, latencyMs;
};
const Case Cases[] = {  // the last, without latency, shows what the rest of the path costs
    {"320 x 240, summary route (default), 2 ms per wire call", 320, 240, LatencyMs},
    {"1024 x 768 (x1.0), method route, 2 ms per wire call", 0, 0, LatencyMs},
    {"320 x 240, no latency", 320, 240, 0},
};
constexpr unsigned CaseCount = static_cast<unsigned>(std::size(Cases));

std::vector<uint8_t> Shown(const GuestImage& image) {
    return std::vector<uint8_t>(image.pixels.Data(), image.pixels.Data() + image.byteCount);
}

// Presses the letters in one case, running the window's messages until the paint that follows
// the key's image fetch (the log is cleared at the key: the only fetch in it is the key's);
// prints "CASE MICROSECONDS WIRE-CALLS CHECKED" for each.
bool PressKeys(InProcessConsole& console, unsigned caseIndex) {
    const Case& c = Cases[caseIndex];
    MainWnd& window = console.window;
    hostsim::Simulator& sim = console.Sim();
    console.SetCapture(c.captureWidth, c.captureHeight);
    sim.SetLatencyMs("localhost", c.latencyMs);
    hostsim::Guest* guest = sim.FindGuest("localhost", L"Office 1024");
    for (int i = 0; guest && i < Presses; ++i) {
        Pump();  // idle: nothing queued, everything painted
        const std::vector<uint8_t> before = Shown(window.conn.image);
        sim.ClearCalls();
        const double start = Seconds();
        PostMessageW(window.hwnd, WM_KEYDOWN, 'A' + i, 1);
        MSG msg{};
        while (!(msg.message == WM_PAINT && msg.hwnd == window.hwnd &&
                 sim.CountCalls("ExecMethod", "GetSummaryInformation") +
                         sim.CountCalls("ExecMethod", "GetVirtualSystemThumbnailImage") > 0)) {
            if (Seconds() > start + 5.0) return false;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                msg.message = WM_NULL;
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const double micros = MicrosSince(start);
        const BITMAPINFOHEADER& header = window.conn.image.header;
        const std::wstring typed = guest->TypedText();
        const bool checked = Shown(window.conn.image) != before && !typed.empty() && typed.back() == L'a' + i &&
                             Shown(window.conn.image) == guest->Thumbnail(header.biWidth, header.biHeight);
        std::printf("%u %.1f %d %d\n", caseIndex, micros, sim.WireCallCount(), checked ? 1 : 0);
        PostMessageW(window.hwnd, WM_KEYUP, 'A' + i, 0xC0000001);
        Pump();
    }
    return guest != nullptr;
}

struct Figures {
    Series latencyMs[CaseCount];
    int wireCalls[CaseCount] = {};
    int presses = 0, checked = 0;
};

// One round of the program's benchmark in a process of its own; its presses go into `figures`.
bool RunRound(const Program& program, Figures& figures) {
    std::string output;
    const bool ran = RunForOutput(L"\"" + program.binDir + L"\\vuemere-bench.exe\" keystroke-round", output);
    std::istringstream presses(output);
    unsigned c = 0;
    double micros = 0;
    for (int wireCalls = 0, checked = 0; presses >> c >> micros >> wireCalls >> checked && c < CaseCount;) {
        figures.latencyMs[c].Add(micros / 1000);
        figures.wireCalls[c] = wireCalls;
        figures.checked += checked;
        ++figures.presses;
    }
    return ran;
}

}  // namespace

bool KeystrokeRound() {
    ComApartment apartment;
    InProcessConsole console(Scenario({R"("elementName": "Office 1024", "width": 1024, "height": 768)"}));
    bool ok = console.ready && uidriver::SetClientSize(console.window.hwnd, 800, 600) && console.Open(L"Office 1024");
    for (unsigned c = 0; ok && c < CaseCount; ++c) ok = PressKeys(console, c);
    return ok;
}

bool Keystroke() {
    Series sleeps;  // the simulated host delays a wire call with Sleep: what that costs here
    for (int i = 0; i < 50; ++i) sleeps.Add(MicrosOf([] { Sleep(LatencyMs); }) / 1000);
    std::printf("Keystroke to visible frame; %d rounds of %d presses per case and program, taken in turn; Sleep(%d) "
                "takes %.2f ms here\n", Rounds, Presses, LatencyMs, sleeps.Median());
    const std::vector<Program> programs = Programs();
    std::vector<Figures> figures(programs.size());
    bool ok = true;
    for (int round = 0; round < Rounds; ++round)
        for (size_t k = 0; k < programs.size(); ++k) {
            const size_t p = round % 2 ? programs.size() - 1 - k : k;  // each goes first in turn
            ok = RunRound(programs[p], figures[p]) && ok;
        }
    Table table(Header("capture, latency", programs, {"wire calls", "median ms", "min - max ms"}));
    for (unsigned c = 0; c < CaseCount; ++c) {
        std::vector<std::string> row{Cases[c].label};
        for (const Figures& f : figures)
            row.insert(row.end(), {std::to_string(f.wireCalls[c]), Text("%.1f", f.latencyMs[c].Median()),
                                   Text("%.1f - %.1f", f.latencyMs[c].Min(), f.latencyMs[c].Max())});
        table.Add(row);
    }
    table.Print();
    for (size_t p = 0; p < programs.size(); ++p) {
        std::printf("%s: %d presses, %d of them checked shown by the measured paint\n", programs[p].label.c_str(),
                    figures[p].presses, figures[p].checked);
        ok = ok && figures[p].presses == Rounds * Presses * static_cast<int>(CaseCount) &&
             figures[p].checked == figures[p].presses;
    }
    return ok;
}

}  // namespace bench
