// The refresh path: one timer tick of the console window (the image fetch through VmConn) plus the
// paint that shows the image, against a baseline B of one memcpy of the same frame plus one
// StretchDIBits of it to the same place of the same window, exactly as the program draws it.
//
// The window is the program's own MainWnd, visible, in this process; the simulated host is
// installed in-process. Producing a frame is the host's work, not the client's: the connection's
// services object is wrapped so that the time spent inside the calls that cross the wire on a real
// host (the host renders and returns the image) is added up during each tick itself: W, taken off.
// The local calls of a fetch (GetMethod, SpawnInstance, Put, Get) work on objects the simulator
// provides; on a real system WMI's client library answers them in the client's process, so they
// stay in the client's share. Every round times each item once, in turn, so they see the same load
// on this shared machine; the ratios are the median of each round's own ratio.
#include "harness.h"
#include "timed_services.h"

#include <cmath>
#include <cstring>
#include <iterator>

namespace bench {

namespace {

// The capture size the settings ask for; the window's client area, a white frame of 15 around the image.
struct Case {
    const char* label;
    const wchar_t* machine;
    int captureWidth, captureHeight, clientWidth, clientHeight, rounds;
};
const Case Cases[] = {
    {"320 x 240, summary route, painted 1:1", L"Small 320", 320, 240, 350, 270, 300},
    {"320 x 240, summary route, stretched to 1024 x 768", L"Office 1024", 320, 240, 1054, 798, 200},
    {"1920 x 1080, method route, painted 1:1", L"Full HD", 1920, 1080, 1950, 1110, 30},
};

// The table's rows, each a series per case.
enum Item { T, W, Fetch, Paint, Load, Memcpy, Drawing, B, ClientToB, TickToWB, ItemCount };
const char* const ItemLabels[ItemCount] = {
    "T, tick + paint (us)", "W, inside the host's wire calls (us)", "fetch alone, without W (us)",
    "paint alone, InvalidateRect + UpdateWindow (us)",
    "the image copied out of a reply, GuestImage::Load (us)", "memcpy of the frame (us)",
    "the simulator drawing the frame, part of W (us)", "B, memcpy + StretchDIBits (us)",
    "(T - W) / B, the client against the baseline", "T / (W + B), the baseline fetching from the host",
};

bool Measure(InProcessConsole& console, const Case& c, Series (&s)[ItemCount]) {
    VmConn& conn = console.window.conn;
    const HWND window = console.window.hwnd;
    console.SetCapture(c.captureWidth, c.captureHeight);
    if (!uidriver::SetClientSize(window, c.clientWidth, c.clientHeight))
        std::printf("%s: the window cannot have a %dx%d client area here\n", c.label, c.clientWidth, c.clientHeight);
    if (!console.Open(c.machine)) return false;
    auto* timed = new TimedServices(conn.services.Get());
    conn.services.Reset(timed);  // the connection now calls the host through it
    for (int i = 0; i < 5; ++i) console.Tick();  // buffers at their size, class definitions fetched
    Pump();

    const std::vector<uint8_t> frame(conn.image.pixels.Data(), conn.image.pixels.Data() + conn.image.byteCount);
    std::vector<uint8_t> target(frame.size());
    const BitmapInfo565 info = conn.image.bitmapInfo;
    const RECT to = console.window.imageRect;
    const int width = info.header.biWidth, height = info.header.biHeight;
    Variant reply;  // a reply of the frame's size, to time the copy into the image buffer on its own
    reply.SetArray(VT_UI1, SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(frame.size())));
    GuestImage image;
    image.Load(*reply.Get(), width, height);  // the buffer grows once
    hostsim::Guest* guest = console.Sim().FindGuest("localhost", c.machine);
    WideString error;
    for (int round = 0; round < c.rounds; ++round) {
        timed->TakeWireMicros();
        const double t = MicrosOf([&] { console.Tick(); }), w = timed->TakeWireMicros();
        s[T].Add(t);
        s[W].Add(w);
        s[Fetch].Add(MicrosOf([&] { conn.GetThumbnail(error, 1.0f, c.captureWidth, c.captureHeight); }) -
                     timed->TakeWireMicros());
        s[Paint].Add(MicrosOf([&] { InvalidateRect(window, nullptr, FALSE); UpdateWindow(window); }));
        s[Load].Add(MicrosOf([&] { image.Load(*reply.Get(), width, height); }));
        s[Memcpy].Add(MicrosOf([&] { std::memcpy(target.data(), frame.data(), frame.size()); }));
        s[Drawing].Add(MicrosOf([&] { guest->Thumbnail(width, height); }));
        // B: the drawing mirrored, from the last row, as the program draws the image.
        const double b = MicrosOf([&] {
            std::memcpy(target.data(), frame.data(), frame.size());
            HDC dc = GetDC(window);
            StretchDIBits(dc, to.left, to.bottom - 1, to.right - to.left, to.top - to.bottom, 0, 0, width, height,
                          target.data(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
            ReleaseDC(window, dc);
        });
        s[B].Add(b);
        s[ClientToB].Add((t - w) / b);
        s[TickToWB].Add(t / (w + b));
        console.Sim().ClearCalls();  // the in-memory call log would grow otherwise
    }
    return guest && conn.image.byteCount == static_cast<int32_t>(frame.size());
}

}  // namespace

bool RefreshPath() {
    ComApartment apartment;
    InProcessConsole console(Scenario({R"("elementName": "Small 320", "width": 320, "height": 240)",
                                       R"("elementName": "Office 1024", "width": 1024, "height": 768)",
                                       R"("elementName": "Full HD", "width": 1920, "height": 1080)"}));
    if (FAILED(apartment.status) || !console.ready) return false;
    std::printf("Refresh path: one tick plus its paint, against memcpy + StretchDIBits of the same frame; medians;\n"
                "screen %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    Series series[std::size(Cases)][ItemCount];
    bool ok = true;
    for (size_t c = 0; c < std::size(Cases); ++c) ok = Measure(console, Cases[c], series[c]) && ok;
    std::vector<std::string> header{"item"};
    for (const Case& c : Cases) header.push_back(Text("%s (%d rounds)", c.label, c.rounds));
    Table table(header);
    for (int item = 0; item < ItemCount; ++item) {
        std::vector<std::string> row{ItemLabels[item]};
        for (const auto& s : series)
            row.push_back(item >= ClientToB ? Text("%.2f", s[item].Median()) : Grouped(std::llround(s[item].Median())));
        table.Add(row);
    }
    table.Print();
    return ok;
}

}  // namespace bench
