// The refresh path: one timer tick of the console window (the image fetch through VmConn) plus the
// paint that shows the image, against a baseline of one memcpy of the same frame plus one
// StretchDIBits of it to the same place of the same window.
//
// The window is the program's own MainWnd, visible, in this process; the simulated host is
// installed in-process. Producing a frame is the host's work, not the client's: the connection's
// services object is wrapped so that the time spent inside the calls that cross the wire on a real
// host (GetObject and ExecMethod: the host renders and returns the image) is added up during each
// tick itself, and taken off. The local calls of a fetch (GetMethod, SpawnInstance, Put, Get) work
// on objects the simulator provides; on a real system WMI's client library answers them in the
// client's process. They stay in the client's share, and are also timed on their own, made
// directly through the same interfaces, for scale. Every round times each item once, in turn, so
// they see the same load on this shared machine; the ratios are the median of each round's own
// ratio. It judges nothing.
#include "bench_console.h"
#include "timed_services.h"
#include "wmi/wmi_arrays.h"

#include <cstring>
#include <vector>

namespace {

const char Scenario[] = R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-BENCH",
  "machines": [{"elementName": "Small 320", "width": 320, "height": 240},
               {"elementName": "Office 1024", "width": 1024, "height": 768},
               {"elementName": "Full HD", "width": 1920, "height": 1080}]}]})";

struct Case {
    const char* label;
    const wchar_t* machine;
    int captureWidth, captureHeight;  // what the settings ask for
    int clientWidth, clientHeight;    // the window, white frame 15 around the image
    int rounds;
};

const Case Cases[] = {
    {"summary route 320x240, painted 1:1 (guest 320x240)", L"Small 320", 320, 240, 350, 270, 300},
    {"summary route 320x240, stretched to 1024x768 (guest 1024x768)", L"Office 1024", 320, 240, 1054, 798, 200},
    {"method route 1920x1080, painted 1:1 (guest 1920x1080)", L"Full HD", 1920, 1080, 1950, 1110, 30},
};

const wchar_t ServiceClass[] = L"Msvm_VirtualSystemManagementService";

// The local calls of one fetch, made directly: the signature, a fresh in-parameter instance, the
// puts, and the reads of the reply with the image copied out. What the client builds itself (the
// parameter values) is prepared once; one reply is fetched once, untimed, to read from.
class LocalCalls {
public:
    LocalCalls(VmConn& conn, int width, int height)
        : conn_(conn), summary_(width == 80 || width == 160 || width == 320) {
        if (summary_) {
            MakeTextArray(conn.settingData.PathText(), settings_);
            MakeInt32Array(width == 80 ? 5 : width == 160 ? 6 : 7, requested_);
        } else {
            width_.SetInt32(width);
            height_.SetInt32(height);
        }
        Bstr name(ServiceClass);
        conn.services->GetObject(name.Get(), 0, nullptr, classObject_.Put(), nullptr);
        ComRef<IWbemClassObject> inParams;
        Prepare(inParams);
        Bstr method(Method()), target(conn.managementService.PathText());
        conn.services->ExecMethod(target.Get(), method.Get(), 0, nullptr, inParams.Get(), reply_.Put(), nullptr);
    }

    // Microseconds for one fetch's local calls; false when one failed.
    bool Time(double& micros) {
        ComRef<IWbemClassObject> inParams;
        Variant summaries, image;
        const double start = bench::Seconds();
        bool ok = Prepare(inParams) && reply_;
        if (ok && summary_) {
            reply_->Get(L"SummaryInformation", 0, summaries.Put(), nullptr, nullptr);
            ComRef<IWbemClassObject> first = FirstEmbeddedObject(*summaries.Get());
            ok = first && SUCCEEDED(first->Get(L"ThumbnailImage", 0, image.Put(), nullptr, nullptr));
        } else if (ok) {
            ok = SUCCEEDED(reply_->Get(L"ImageData", 0, image.Put(), nullptr, nullptr));
        }
        micros = bench::MicrosSince(start);
        return ok;
    }

private:
    const wchar_t* Method() const { return summary_ ? L"GetSummaryInformation" : L"GetVirtualSystemThumbnailImage"; }

    bool Prepare(ComRef<IWbemClassObject>& inParams) {
        ComRef<IWbemClassObject> signature;
        if (!classObject_ || FAILED(classObject_->GetMethod(Method(), 0, signature.Put(), nullptr)) ||
            FAILED(signature->SpawnInstance(0, inParams.Put())))
            return false;
        if (summary_)
            return SUCCEEDED(inParams->Put(L"SettingData", 0, settings_.Get(), 0)) &&
                   SUCCEEDED(inParams->Put(L"RequestedInformation", 0, requested_.Get(), 0));
        return SUCCEEDED(inParams->Put(L"TargetSystem", 0, conn_.settingData.path.Get(), 0)) &&
               SUCCEEDED(inParams->Put(L"WidthPixels", 0, width_.Get(), 0)) &&
               SUCCEEDED(inParams->Put(L"HeightPixels", 0, height_.Get(), 0));
    }

    VmConn& conn_;
    const bool summary_;
    Variant settings_, requested_, width_, height_;
    ComRef<IWbemClassObject> classObject_, reply_;
};

// Baseline: the frame copied once, then one StretchDIBits of it to the image rectangle exactly as
// the program paints (mirrored, from the last row), on the window's DC.
double Baseline(HWND window, const std::vector<uint8_t>& frame, std::vector<uint8_t>& target,
                const BitmapInfo565& info, const RECT& dest) {
    const double start = bench::Seconds();
    std::memcpy(target.data(), frame.data(), frame.size());
    HDC dc = GetDC(window);
    StretchDIBits(dc, dest.left, dest.bottom - 1, dest.right - dest.left, dest.top - dest.bottom, 0, 0,
                  info.header.biWidth, info.header.biHeight, target.data(), reinterpret_cast<const BITMAPINFO*>(&info),
                  DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(window, dc);
    return bench::MicrosSince(start);
}

// The same baseline painted the way every window paints: the frame copied, the window invalidated
// and updated, and the StretchDIBits made between BeginPaint and EndPaint. The console window's
// own procedure is set aside for it, so it is the same window, size and surface.
struct WindowBaseline {
    const std::vector<uint8_t>* frame;
    std::vector<uint8_t>* target;
    const BitmapInfo565* info;
    RECT dest;
    WNDPROC original;
};
WindowBaseline* paintingBaseline = nullptr;

LRESULT CALLBACK BaselineProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WindowBaseline& b = *paintingBaseline;
    if (msg != WM_PAINT) return CallWindowProcW(b.original, window, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    StretchDIBits(dc, b.dest.left, b.dest.bottom - 1, b.dest.right - b.dest.left, b.dest.top - b.dest.bottom, 0, 0,
                  b.info->header.biWidth, b.info->header.biHeight, b.target->data(),
                  reinterpret_cast<const BITMAPINFO*>(b.info), DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
}

double PaintedBaseline(HWND window, WindowBaseline& b) {
    paintingBaseline = &b;
    b.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BaselineProc)));
    const double start = bench::Seconds();
    std::memcpy(b.target->data(), b.frame->data(), b.frame->size());
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    const double micros = bench::MicrosSince(start);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(b.original));
    return micros;
}

bool Measure(bench::InProcessConsole& console, const Case& c) {
    MainWnd& window = console.window;
    VmConn& conn = window.conn;
    window.setting.width = c.captureWidth;
    window.setting.height = c.captureHeight;
    window.setting.scale = 1.0f;
    if (!bench::SetClientSize(window.hwnd, c.clientWidth, c.clientHeight))
        std::printf("%s: the window cannot have a %dx%d client area here\n", c.label, c.clientWidth, c.clientHeight);
    if (!console.Open(c.machine)) return false;
    auto* timed = new bench::TimedServices(conn.services.Get());
    conn.services.Reset(timed);  // the connection now calls the host through it
    for (int i = 0; i < 5; ++i) console.Tick();  // buffers at their size, caches warm
    bench::Pump();

    const RECT dest = window.imageRect;
    RECT onScreen = dest;
    MapWindowPoints(window.hwnd, nullptr, reinterpret_cast<POINT*>(&onScreen), 2);
    const bool visible = onScreen.right <= GetSystemMetrics(SM_CXSCREEN) &&
                         onScreen.bottom <= GetSystemMetrics(SM_CYSCREEN);

    const std::vector<uint8_t> frame(conn.image.pixels.Data(), conn.image.pixels.Data() + conn.image.byteCount);
    std::vector<uint8_t> target(frame.size());
    const BitmapInfo565 info = conn.image.bitmapInfo;
    const int imageWidth = info.header.biWidth, imageHeight = info.header.biHeight;
    LocalCalls local(conn, imageWidth, imageHeight);
    hostsim::Guest* guest = console.host.sim().FindGuest("localhost", c.machine);
    WindowBaseline painted{&frame, &target, &info, dest, nullptr};

    bench::Series tick, wire, fetch, paint, peek, localCalls, drawing, baseline, paintedBaseline;
    // Each round's own ratios: the items of one round ran within milliseconds of each other.
    bench::Series clientToBaseline, tickToWirePlusBaseline, clientToPainted;
    WideString error;
    for (int round = 0; round < c.rounds; ++round) {
        timed->TakeWireMicros();
        double start = bench::Seconds();
        console.Tick();
        const double t = bench::MicrosSince(start);
        const double w = timed->TakeWireMicros();
        tick.Add(t);
        wire.Add(w);

        start = bench::Seconds();
        conn.GetThumbnail(error, 1.0f, c.captureWidth, c.captureHeight);
        fetch.Add(bench::MicrosSince(start) - timed->TakeWireMicros());

        start = bench::Seconds();
        InvalidateRect(window.hwnd, nullptr, FALSE);
        UpdateWindow(window.hwnd);
        paint.Add(bench::MicrosSince(start));

        MSG queued;
        start = bench::Seconds();
        PeekMessageW(&queued, window.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
        peek.Add(bench::MicrosSince(start));

        double l = 0;
        if (!local.Time(l)) {
            std::printf("%s: a local call failed\n", c.label);
            return false;
        }
        localCalls.Add(l);

        start = bench::Seconds();
        guest->Thumbnail(imageWidth, imageHeight);
        drawing.Add(bench::MicrosSince(start));

        const double b = Baseline(window.hwnd, frame, target, info, dest);
        const double bp = PaintedBaseline(window.hwnd, painted);
        baseline.Add(b);
        paintedBaseline.Add(bp);
        clientToBaseline.Add((t - w) / b);
        tickToWirePlusBaseline.Add(t / (w + b));
        clientToPainted.Add((t - w) / bp);
        console.host.sim().ClearCalls();  // the in-memory call log would grow otherwise
    }

    std::printf("\n%s\n", c.label);
    std::printf("  image %dx%d, %zu bytes, painted at (%ld,%ld)-(%ld,%ld)%s; %d rounds, us\n", imageWidth, imageHeight,
                frame.size(), dest.left, dest.top, dest.right, dest.bottom,
                visible ? "" : " [partly off screen: enlarge the X screen]", c.rounds);
    std::printf("  %-38s %9s %9s %9s\n", "", "median", "min", "max");
    auto row = [](const char* name, const bench::Series& s, const char* note) {
        std::printf("  %-38s %9.0f %9.0f %9.0f  %s\n", name, s.Median(), s.Min(), s.Max(), note);
    };
    row("T  tick + paint", tick, "SendMessage(WM_TIMER 1) + UpdateWindow");
    row("W  of which inside the host's calls", wire, "GetObject + ExecMethod (the host renders the image)");
    row("   fetch alone, without W", fetch, "VmConn::GetThumbnail");
    row("   paint alone", paint, "InvalidateRect + UpdateWindow");
    row("   PeekMessage (the tick's step 7)", peek, "no tick queued");
    row("   local calls of a fetch, on their own", localCalls, "GetMethod, SpawnInstance, Put, Get (image copied out)");
    row("   the simulator drawing the frame", drawing, "part of W");
    row("B  baseline", baseline, "memcpy + StretchDIBits on GetDC/ReleaseDC");
    row("Bp baseline painted in WM_PAINT", paintedBaseline, "memcpy + InvalidateRect + UpdateWindow");
    std::printf("  ratios, median of each round's own:   (T-W)/B %5.2f   T/(W+B) %5.2f   (T-W)/Bp %5.2f\n",
                clientToBaseline.Median(), tickToWirePlusBaseline.Median(), clientToPainted.Median());
    std::printf("  target: within 1.25x of the baseline\n");
    return conn.image.byteCount == static_cast<int32_t>(frame.size());
}

}  // namespace

int main() {
    bench::ComApartment apartment;
    if (FAILED(apartment.status)) return 1;
    bool ok = true;
    {
        bench::InProcessConsole console(Scenario);
        if (!console.ready) return 1;
        std::printf("Refresh path: one tick plus its paint, against memcpy + StretchDIBits of the same frame\n");
        std::printf("screen %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        for (const Case& c : Cases) ok = Measure(console, c) && ok;
    }
    return ok ? 0 : 1;
}
