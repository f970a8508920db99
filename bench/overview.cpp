// The overview at scale (scripts/bench overview): ten simulated hosts of 100 machines and one of
// 1,000, every wire call delayed 2 ms, the program's overview window in this process with its
// timer stopped (the benchmark makes every tick). Printed: the wire calls of each tick, the
// tick's cost T without its wire time against B (copying, converting and drawing the same visible
// thumbnails alone, into an image list of the same size and a repaint of the same list), and the
// process's private bytes after 100 and 1,000 ticks. See docs/PERFORMANCE.md.
#include "harness.h"
#include "overview/overview_wnd.h"
#include "overview/tile_pixels.h"
#include "timed_services.h"

#include <commctrl.h>

#include <cstring>

namespace bench {
namespace {

constexpr int SmallHosts = 10, Ticks = 1000;

std::string FarmScenario() {
    std::string json = R"({"hosts": [)";
    for (int i = 0; i <= SmallHosts; ++i) {
        const bool big = i == SmallHosts;
        json += Text(R"(%s{"name": "%s", "latencyMs": 2, "generate": {"count": %d, "prefix": "vm ", "width": 640, )"
                     R"("height": 480}})",
                     i ? ", " : "", big ? "big" : Text("h%02d", i + 1).c_str(), big ? 1000 : 100);
    }
    return json + "]}";
}

// Each host's services wrapped, so that the time inside its wire calls is known.
std::vector<TimedServices*> WrapServices(OverviewWnd& overview) {
    std::vector<TimedServices*> timed;
    for (auto& host : overview.Hosts()) {
        if (!host->conn.services) continue;
        auto* wrapper = new TimedServices(host->conn.services.Get());
        host->conn.services.Reset(wrapper);
        timed.push_back(wrapper);
    }
    return timed;
}

// B: the visible pictures as the host handed them over, copied, converted and put into an image
// list of the tile size, then the same list repainted.
double DrawAlone(OverviewWnd& overview, HWND list, HIMAGELIST images, HBITMAP bitmap, uint32_t* bits, int& drawn) {
    const double start = Seconds();
    std::vector<uint8_t> copy;
    drawn = 0;
    for (auto& host : overview.Hosts())
        for (OverviewMachine& machine : host->machines) {
            if (machine.picture.empty()) continue;
            copy.assign(machine.picture.begin(), machine.picture.end());
            ToTilePixels(copy.data(), machine.pictureWidth, machine.pictureHeight, false, bits);
            GdiFlush();
            ImageList_Replace(images, drawn % 64, bitmap, nullptr);
            ++drawn;
        }
    InvalidateRect(list, nullptr, FALSE);
    UpdateWindow(list);
    return MicrosSince(start);
}

}  // namespace

bool Overview() {
    ComApartment com;
    InProcessConsole console(FarmScenario());
    if (!console.ready) return false;
    OverviewWnd& overview = console.window.overview;
    std::vector<WideString> servers;
    for (int i = 1; i <= SmallHosts; ++i) {
        const std::string name = Text("h%02d", i);
        servers.emplace_back(std::wstring(name.begin(), name.end()).c_str());
    }
    servers.emplace_back(L"big");
    overview.Open(servers);
    HWND list = FindWindowExW(overview.hwnd, nullptr, WC_LISTVIEWW, nullptr);
    if (!list) return false;
    KillTimer(overview.hwnd, OverviewTimerId);
    SetWindowPos(overview.hwnd, nullptr, 0, 0, 1280, 960, SWP_NOZORDER);
    Pump();  // the first tick, asked for by Open: connections, listings, first pictures
    const std::vector<TimedServices*> timed = WrapServices(overview);
    if (timed.size() != overview.Hosts().size()) return false;

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 160, -120, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HIMAGELIST images = ImageList_Create(160, 120, ILC_COLOR32, 64, 0);
    for (int i = 0; i < 64; ++i) ImageList_Add(images, bitmap, nullptr);

    hostsim::Simulator& sim = console.Sim();
    Series plainCalls, listingCalls, tickMicros, wireMicros, clientMicros, aloneMicros, ratio;
    long long bytesAt100 = 0, bytesAt1000 = 0;
    int visible = 0;
    for (int tick = 1; tick <= Ticks; ++tick) {
        const long long callsBefore = sim.WireCallCount();
        for (TimedServices* t : timed) t->TakeWireMicros();
        const double t = MicrosOf([&] {
            SendMessageW(overview.hwnd, WM_TIMER, OverviewTimerId, 0);
            UpdateWindow(list);
        });
        double w = 0;
        for (TimedServices* s : timed) w += s->TakeWireMicros();
        const long long calls = sim.WireCallCount() - callsBefore;
        (calls > static_cast<long long>(timed.size()) ? listingCalls : plainCalls).Add(static_cast<double>(calls));
        if (calls == static_cast<long long>(timed.size())) {
            const double b = DrawAlone(overview, list, images, bitmap, static_cast<uint32_t*>(bits), visible);
            tickMicros.Add(t);
            wireMicros.Add(w);
            clientMicros.Add(t - w);
            aloneMicros.Add(b);
            ratio.Add((t - w) / b);
        }
        sim.ClearCalls();  // the simulator's in-memory log would otherwise be most of the growth measured
        Pump();
        if (tick == 100) bytesAt100 = ReadProcess(GetCurrentProcess()).privateBytes;
        if (tick == Ticks) bytesAt1000 = ReadProcess(GetCurrentProcess()).privateBytes;
    }
    ImageList_Destroy(images);
    DeleteObject(bitmap);

    std::printf("\nOverview: %d hosts of 100 machines and one of 1,000, 2 ms per wire call, %d ticks, "
                "%d thumbnails of 160x120 in sight\n\n",
                SmallHosts, Ticks, visible);
    Table calls({"Wire calls per tick", "median", "min", "max", "ticks"});
    calls.Add({"without a listing", Text("%.0f", plainCalls.Median()), Text("%.0f", plainCalls.Min()),
               Text("%.0f", plainCalls.Max()), Grouped(plainCalls.Count())});
    calls.Add({"with the hosts' listings", Text("%.0f", listingCalls.Median()), Text("%.0f", listingCalls.Min()),
               Text("%.0f", listingCalls.Max()), Grouped(listingCalls.Count())});
    calls.Print();
    std::printf("\n");
    Table cost({"Microseconds (medians of the ticks without a listing)", "value"});
    cost.Add({"T, the tick and its paint", Text("%.0f", tickMicros.Median())});
    cost.Add({"W, inside the wire calls (the host's work and its 2 ms)", Text("%.0f", wireMicros.Median())});
    cost.Add({"T - W, the client's share", Text("%.0f", clientMicros.Median())});
    cost.Add({"B, the same thumbnails copied, converted, drawn and painted alone", Text("%.0f", aloneMicros.Median())});
    cost.Add({"(T - W) / B (median of each tick's own ratio)", Text("%.2f", ratio.Median())});
    cost.Print();
    std::printf("\n");
    Table memory({"Private bytes", "value"});
    memory.Add({"after 100 ticks", Grouped(bytesAt100)});
    memory.Add({"after 1,000 ticks", Grouped(bytesAt1000)});
    memory.Add({"growth", Text("%+.2f %%", bytesAt100 > 0 ? 100.0 * static_cast<double>(bytesAt1000 - bytesAt100) /
                                                                static_cast<double>(bytesAt100)
                                                          : 0.0)});
    memory.Print();
    return plainCalls.Median() > 0 && bytesAt100 > 0;
}

}  // namespace bench
