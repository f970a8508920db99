// The refresh path: one timer tick of the console window (the image fetch through VmConn) plus the
// paint that shows the image, against a baseline of one memcpy of the same frame plus one
// StretchDIBits of it to the same place of the same window.
//
// The window is the program's own MainWnd, visible, in this process; the simulated host is
// installed in-process. Producing a frame is the host's work, not the client's: the host's share
// is timed on its own as the wire calls of one fetch (GetObject of the service class and the
// ExecMethod that renders and returns the image), made directly through the same COM interface,
// and reported next to the tick. Each round times all five items in turn, so every figure sees the
// same load on this shared machine; the medians are printed. It judges nothing.
#include "bench_console.h"
#include "console/paint_geometry.h"
#include "wmi/wmi_arrays.h"
#include "wmi/wmi_call.h"

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
    {"summary route 320x240, painted 1:1 (guest 320x240)", L"Small 320", 320, 240, 350, 270, 200},
    {"summary route 320x240, stretched to 1024x768 (guest 1024x768)", L"Office 1024", 320, 240, 1054, 798, 100},
    {"method route 1920x1080, painted 1:1 (guest 1920x1080)", L"Full HD", 1920, 1080, 1950, 1110, 25},
};

// One fetch taken apart by who does the work. The host's share is the two calls that cross the
// wire (GetObject of the service class, and the ExecMethod that renders and returns the image).
// The local calls (GetMethod, SpawnInstance, Put, Get) work on objects the simulator provides; on
// a real system WMI's client library answers them in the client's process. Both are made here
// directly through the same COM interfaces, with what the client itself builds (the parameter
// values) prepared once outside the timing.
class FetchParts {
public:
    FetchParts(VmConn& conn, int width, int height)
        : conn_(conn), summary_((width == 80 && height == 60) || (width == 160 && height == 120) ||
                                (width == 320 && height == 240)) {
        if (summary_) {
            MakeTextArray(conn.settingData.PathText(), settings_);
            MakeInt32Array(width == 80 ? 5 : width == 160 ? 6 : 7, requested_);
        } else {
            width_.SetInt32(width);
            height_.SetInt32(height);
        }
        Bstr name(ServiceClass);
        conn.services->GetObject(name.Get(), 0, nullptr, classObject_.Put(), nullptr);
        MethodName();
        double ignored;
        Local(ignored);  // leaves in-parameters for the host calls
    }

    // Microseconds for GetObject of the class plus ExecMethod; false when the host refused.
    bool Host(double& micros) {
        Bstr name(ServiceClass);
        Bstr method(MethodName());
        Bstr target(conn_.managementService.PathText());
        ComRef<IWbemClassObject> classObject;
        const double start = bench::Seconds();
        HRESULT hr = conn_.services->GetObject(name.Get(), 0, nullptr, classObject.Put(), nullptr);
        if (SUCCEEDED(hr))
            hr = conn_.services->ExecMethod(target.Get(), method.Get(), 0, nullptr, inParams_.Get(), outParams_.Put(),
                                            nullptr);
        micros = bench::MicrosSince(start);
        return hr == 0 && outParams_;
    }

    // Microseconds for the local calls of one fetch: the signature, a fresh in-parameter instance,
    // the puts, and the reads of the reply (the image copied out of it). False when one failed.
    bool Local(double& micros) {
        ComRef<IWbemClassObject> signature, inParams;
        Variant reply, image;
        const double start = bench::Seconds();
        bool ok = SUCCEEDED(classObject_->GetMethod(MethodName(), 0, signature.Put(), nullptr)) &&
                  SUCCEEDED(signature->SpawnInstance(0, inParams.Put()));
        if (ok && summary_) {
            ok = SUCCEEDED(inParams->Put(L"SettingData", 0, settings_.Get(), 0)) &&
                 SUCCEEDED(inParams->Put(L"RequestedInformation", 0, requested_.Get(), 0));
        } else if (ok) {
            ok = SUCCEEDED(inParams->Put(L"TargetSystem", 0, conn_.settingData.path.Get(), 0)) &&
                 SUCCEEDED(inParams->Put(L"WidthPixels", 0, width_.Get(), 0)) &&
                 SUCCEEDED(inParams->Put(L"HeightPixels", 0, height_.Get(), 0));
        }
        if (ok && outParams_) {
            if (summary_) {
                outParams_->Get(L"SummaryInformation", 0, reply.Put(), nullptr, nullptr);
                ComRef<IWbemClassObject> first = FirstEmbeddedObject(*reply.Get());
                ok = first && SUCCEEDED(first->Get(L"ThumbnailImage", 0, image.Put(), nullptr, nullptr));
            } else {
                ok = SUCCEEDED(outParams_->Get(L"ImageData", 0, image.Put(), nullptr, nullptr));
            }
        }
        micros = bench::MicrosSince(start);
        inParams_ = std::move(inParams);
        return ok;
    }

private:
    const wchar_t* MethodName() const {
        return summary_ ? L"GetSummaryInformation" : L"GetVirtualSystemThumbnailImage";
    }
    static constexpr const wchar_t* ServiceClass = L"Msvm_VirtualSystemManagementService";
    VmConn& conn_;
    const bool summary_;
    Variant settings_, requested_, width_, height_;
    ComRef<IWbemClassObject> classObject_, inParams_, outParams_;
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
    if (!bench::SetClientSize(window.hwnd, c.clientWidth, c.clientHeight)) {
        std::printf("%s: the window cannot have a %dx%d client area here\n", c.label, c.clientWidth, c.clientHeight);
    }
    if (!console.Open(c.machine)) return false;
    for (int i = 0; i < 5; ++i) console.Tick();  // buffers at their size, caches warm
    bench::Pump();

    const RECT dest = window.imageRect;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT onScreen = dest;
    MapWindowPoints(window.hwnd, nullptr, reinterpret_cast<POINT*>(&onScreen), 2);
    const bool visible = onScreen.right <= screenWidth && onScreen.bottom <= screenHeight;

    const std::vector<uint8_t> frame(conn.image.pixels.Data(), conn.image.pixels.Data() + conn.image.byteCount);
    std::vector<uint8_t> target(frame.size());
    const BitmapInfo565 info = conn.image.bitmapInfo;
    const int imageWidth = info.header.biWidth, imageHeight = info.header.biHeight;
    FetchParts parts(conn, imageWidth, imageHeight);
    hostsim::Guest* guest = console.host.sim().FindGuest("localhost", c.machine);

    WindowBaseline painted{&frame, &target, &info, dest, nullptr};
    bench::Series tick, fetch, paint, hostShare, localShare, drawing, baseline, paintedBaseline, peek;
    // Ratios of each round's own figures: the items of one round ran within milliseconds of each
    // other, so they saw about the same load.
    bench::Series clientToBaseline, tickToHostPlusBaseline, ownToBaseline, ownToPainted;
    WideString error;
    for (int round = 0; round < c.rounds; ++round) {
        double start = bench::Seconds();
        console.Tick();
        tick.Add(bench::MicrosSince(start));

        start = bench::Seconds();
        conn.GetThumbnail(error, 1.0f, c.captureWidth, c.captureHeight);
        fetch.Add(bench::MicrosSince(start));

        start = bench::Seconds();
        InvalidateRect(window.hwnd, nullptr, FALSE);
        UpdateWindow(window.hwnd);
        paint.Add(bench::MicrosSince(start));

        double micros = 0;
        if (!parts.Host(micros)) {
            std::printf("%s: the host refused the direct call\n", c.label);
            return false;
        }
        hostShare.Add(micros);
        if (!parts.Local(micros)) {
            std::printf("%s: a local call failed\n", c.label);
            return false;
        }
        localShare.Add(micros);

        start = bench::Seconds();
        guest->Thumbnail(imageWidth, imageHeight);
        drawing.Add(bench::MicrosSince(start));

        baseline.Add(Baseline(window.hwnd, frame, target, info, dest));
        paintedBaseline.Add(PaintedBaseline(window.hwnd, painted));

        // A step every tick takes: the look for a queued tick (none is queued here).
        MSG queued;
        start = bench::Seconds();
        PeekMessageW(&queued, window.hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
        peek.Add(bench::MicrosSince(start));
        const size_t last = tick.Count() - 1;
        const double t = tick.At(last), h = hostShare.At(last), l = localShare.At(last);
        clientToBaseline.Add((t - h) / baseline.At(last));
        tickToHostPlusBaseline.Add(t / (h + baseline.At(last)));
        ownToBaseline.Add((t - h - l) / baseline.At(last));
        ownToPainted.Add((t - h - l) / paintedBaseline.At(last));
        console.host.sim().ClearCalls();  // the in-memory call log would grow otherwise
    }
    const bool sameSize = conn.image.byteCount == static_cast<int32_t>(frame.size());

    std::printf("\n%s\n", c.label);
    std::printf("  image %dx%d, %zu bytes, painted at (%ld,%ld)-(%ld,%ld)%s; %d rounds, us\n", imageWidth,
                imageHeight, frame.size(), dest.left, dest.top, dest.right, dest.bottom,
                visible ? "" : " [partly off screen: enlarge the X screen]", c.rounds);
    std::printf("  %-36s %9s %9s %9s\n", "", "median", "min", "max");
    auto row = [](const char* name, const bench::Series& s, const char* note) {
        std::printf("  %-36s %9.0f %9.0f %9.0f  %s\n", name, s.Median(), s.Min(), s.Max(), note);
    };
    row("T  tick + paint", tick, "SendMessage(WM_TIMER 1) + UpdateWindow");
    row("   of which fetch", fetch, "VmConn::GetThumbnail alone");
    row("   of which paint", paint, "InvalidateRect + UpdateWindow alone");
    row("   of which PeekMessage (step 7)", peek, "no tick queued");
    row("H  host: wire calls of a fetch", hostShare, "GetObject + ExecMethod, as the simulator answers");
    row("   of which drawing the frame", drawing, "the simulator's image alone");
    row("L  local calls on the host's objects", localShare, "GetMethod, SpawnInstance, Put, Get (image copied out)");
    row("B  baseline", baseline, "memcpy + StretchDIBits on GetDC/ReleaseDC");
    row("Bp baseline painted in WM_PAINT", paintedBaseline,
        "memcpy + InvalidateRect + UpdateWindow (BeginPaint, StretchDIBits, EndPaint)");
    auto ratio = [&](const char* name, double (bench::Series::*pick)() const, const char* note) {
        const double t = (tick.*pick)(), h = (hostShare.*pick)(), l = (localShare.*pick)();
        const double b = (baseline.*pick)(), bp = (paintedBaseline.*pick)();
        std::printf("  %-7s client T-H %7.0f   (T-H)/B %5.2f   T/(H+B) %5.2f   (T-H-L)/B %5.2f   (T-H-L)/Bp %5.2f  %s\n",
                    name, t - h, (t - h) / b, t / (h + b), (t - h - l) / b, (t - h - l) / bp, note);
    };
    ratio("median", &bench::Series::Median, "(medians of the rows above)");
    ratio("min", &bench::Series::Min, "(the least disturbed round of each row)");
    std::printf("  %-7s client T-H %7s   (T-H)/B %5.2f   T/(H+B) %5.2f   (T-H-L)/B %5.2f   (T-H-L)/Bp %5.2f  %s\n",
                "paired", "", clientToBaseline.Median(), tickToHostPlusBaseline.Median(), ownToBaseline.Median(),
                ownToPainted.Median(), "(median of each round's own ratio)  target <= 1.25");
    return sameSize;
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
