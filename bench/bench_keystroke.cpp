// Keystroke to visible frame: the time from a key message reaching the console window's queue to
// the end of the paint that shows the key on the guest's screen, with every call that crosses the
// wire delayed by 2 ms at the simulated host (installed in-process).
//
// The console window is the program's own MainWnd, visible, run by this program's message loop.
// The key is WM_KEYDOWN of a letter: the window presses the key on the guest (the guest types it),
// posts a refresh request, the tick fetches a new image and invalidates, and WM_PAINT paints it.
// The measurement ends when that WM_PAINT has been handled. It is checked to be the right paint:
// the image it painted differs from the one before the key and is exactly the guest's screen with
// the letter typed. The refresh timer is stopped so that no tick of its own falls into a
// measurement. It judges nothing.
#include "bench_console.h"

#include <cstring>
#include <vector>

namespace {

const char Scenario[] = R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-BENCH",
  "machines": [{"elementName": "Office 1024", "width": 1024, "height": 768}]}]})";

constexpr int LatencyMs = 2;
constexpr int Presses = 26;

struct Case {
    const char* label;
    int captureWidth, captureHeight;
    int latencyMs;
};

// The last row, without latency, shows what the rest of the path costs.
const Case Cases[] = {
    {"summary route 320x240 (default capture size), latency 2 ms", 320, 240, LatencyMs},
    {"method route 1024x768 (capture size x1.0), latency 2 ms", 0, 0, LatencyMs},
    {"summary route 320x240, no latency (for comparison)", 320, 240, 0},
};

std::vector<uint8_t> ImageBytes(const GuestImage& image) {
    return std::vector<uint8_t>(image.pixels.Data(), image.pixels.Data() + image.byteCount);
}

// Whether the log since it was cleared shows a fetch that came after the key press.
bool FetchedAfterKey(const std::vector<hostsim::CallRecord>& calls, int& wireCalls) {
    bool pressed = false;
    wireCalls = 0;
    for (const hostsim::CallRecord& call : calls) {
        if (call.wire) ++wireCalls;
        if (call.call != "ExecMethod") continue;
        if (call.method == "PressKey") pressed = true;
        if (pressed && (call.method == "GetSummaryInformation" || call.method == "GetVirtualSystemThumbnailImage"))
            return true;
    }
    return false;
}

// Runs the window's messages until the paint after the key's fetch has been handled; the
// microseconds from `start`, or a negative value when it does not come within five seconds.
double UntilKeyPainted(bench::InProcessConsole& console, double start, int& wireCalls) {
    const double deadline = start + 5.0;
    while (bench::Seconds() < deadline) {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (msg.message == WM_PAINT && msg.hwnd == console.window.hwnd) {
            const double micros = bench::MicrosSince(start);
            if (FetchedAfterKey(console.host.sim().Calls(), wireCalls)) return micros;
        }
    }
    return -1;
}

bool Measure(bench::InProcessConsole& console, const Case& c) {
    MainWnd& window = console.window;
    hostsim::Simulator& sim = console.host.sim();
    window.setting.width = c.captureWidth;
    window.setting.height = c.captureHeight;
    window.setting.scale = 1.0f;
    sim.SetLatencyMs("localhost", c.latencyMs);
    hostsim::Guest* guest = sim.FindGuest("localhost", L"Office 1024");
    if (!guest) return false;

    bench::Series latency;
    int wireCalls = 0, checked = 0;
    for (int i = 0; i < Presses; ++i) {
        bench::Pump();  // idle: nothing queued, everything painted
        const std::vector<uint8_t> before = ImageBytes(window.conn.image);
        const UINT key = 'A' + i;
        sim.ClearCalls();
        const double start = bench::Seconds();
        PostMessageW(window.hwnd, WM_KEYDOWN, key, 1);
        const double micros = UntilKeyPainted(console, start, wireCalls);
        if (micros < 0) {
            std::printf("%s: no paint followed key %c\n", c.label, key);
            return false;
        }
        latency.Add(micros);
        // The paint showed the image of the screen with the key typed: new, and the guest's own.
        const std::vector<uint8_t> shown = ImageBytes(window.conn.image);
        const GuestImage& image = window.conn.image;
        const std::wstring typed = guest->TypedText();
        if (shown != before && shown == guest->Thumbnail(image.header.biWidth, image.header.biHeight) &&
            !typed.empty() && typed.back() == static_cast<wchar_t>(L'a' + i))
            ++checked;
        PostMessageW(window.hwnd, WM_KEYUP, key, 0xC0000001);
        bench::Pump();
    }
    std::printf("\n%s, image %ldx%ld\n", c.label, window.conn.image.header.biWidth, window.conn.image.header.biHeight);
    std::printf("  %d key presses, %d of them checked shown by the measured paint\n", Presses, checked);
    std::printf("  key message to painted frame: median %.1f ms, min %.1f ms, max %.1f ms\n", latency.Median() / 1000,
                latency.Min() / 1000, latency.Max() / 1000);
    std::printf("  wire calls on the way: %d, i.e. %d ms of the host's latency alone\n", wireCalls,
                wireCalls * c.latencyMs);
    return checked == Presses;
}

}  // namespace

int main() {
    bench::ComApartment apartment;
    if (FAILED(apartment.status)) return 1;
    bool ok = true;
    {
        bench::InProcessConsole console(Scenario);
        if (!console.ready || !bench::SetClientSize(console.window.hwnd, 800, 600) || !console.Open(L"Office 1024"))
            return 1;
        std::printf("Keystroke to visible frame (key message to the end of the paint that shows it)\n");
        // The simulated host delays a wire call with Sleep: what that costs here, for reading the
        // figures below.
        bench::Series sleeps;
        for (int i = 0; i < 50; ++i) {
            const double start = bench::Seconds();
            Sleep(LatencyMs);
            sleeps.Add(bench::MicrosSince(start));
        }
        std::printf("Sleep(%d) on this machine: median %.1f ms, min %.1f ms, max %.1f ms\n", LatencyMs,
                    sleeps.Median() / 1000, sleeps.Min() / 1000, sleeps.Max() / 1000);
        for (const Case& c : Cases) ok = Measure(console, c) && ok;
    }
    return ok ? 0 : 1;
}
