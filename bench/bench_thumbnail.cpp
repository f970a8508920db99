// Cost of one screen-image fetch (VmConn::GetThumbnail against the in-process simulated host)
// next to a plain memcpy of the same bytes, on the summary route (320x240) and the method route
// (1920x1080). Prints the figures of one run; it judges nothing.
#include "bench_util.h"
#include "hostsim/hostsim.h"
#include "wmi/vm_conn.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using bench::Seconds;

// Microseconds per memcpy of `bytes`, the destination reused as the image buffer is.
double MemcpyMicros(size_t bytes, int rounds) {
    std::vector<uint8_t> source(bytes, 0x5A), target(bytes);
    volatile uint8_t sink = 0;
    double start = Seconds();
    for (int i = 0; i < rounds; ++i) {
        source[static_cast<size_t>(i) % bytes] = static_cast<uint8_t>(i);
        std::memcpy(target.data(), source.data(), bytes);
        sink = sink + target[static_cast<size_t>(i * 7) % bytes];
    }
    return (Seconds() - start) * 1e6 / rounds;
}

// Microseconds per GuestImage::Load of a reply of `bytes`: the client's own share of a fetch.
double LoadMicros(size_t bytes, int width, int height, int rounds) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes));
    if (!array) return 0;
    Variant reply;
    reply.SetArray(VT_UI1, array);
    GuestImage image;
    image.Load(*reply.Get(), width, height);  // grows the buffer once
    double start = Seconds();
    for (int i = 0; i < rounds; ++i) image.Load(*reply.Get(), width, height);
    return (Seconds() - start) * 1e6 / rounds;
}

bool Measure(VmConn& conn, const wchar_t* machine, int width, int height, int rounds, const char* route) {
    WideString errorText;
    if (conn.OpenMachine(machine, errorText) != 0 || conn.FindVideoHead(errorText) != 0) {
        std::printf("%s: cannot open the machine: %ls\n", route, errorText.c_str());
        return false;
    }
    // One fetch first: the buffer grows once, later fetches reuse it.
    if (conn.GetThumbnail(errorText, 1.0f, width, height) != 0 || conn.image.byteCount <= 0) {
        std::printf("%s: no image: %ls\n", route, errorText.c_str());
        return false;
    }
    const size_t bytes = static_cast<size_t>(conn.image.byteCount);
    double start = Seconds();
    for (int i = 0; i < rounds; ++i) {
        conn.GetThumbnail(errorText, 1.0f, width, height);
        if ((i & 31) == 31) hostsim::TheSimulator().ClearCalls();  // keep the call log small
    }
    double fetch = (Seconds() - start) * 1e6 / rounds;
    double copy = MemcpyMicros(bytes, rounds * 20);
    double load = LoadMicros(bytes, width, height, rounds * 20);
    // What the simulated host alone spends drawing such an image, for scale.
    hostsim::Guest* guest = hostsim::TheSimulator().FindGuest("localhost", machine);
    double render = 0;
    if (guest) {
        start = Seconds();
        for (int i = 0; i < rounds; ++i) guest->Thumbnail(width, height);
        render = (Seconds() - start) * 1e6 / rounds;
    }
    std::printf("%s, %zu bytes per image\n", route, bytes);
    std::printf("  GetThumbnail %10.1f us per call\n", fetch);
    std::printf("  memcpy       %10.2f us per copy   ratio GetThumbnail / memcpy %8.1f\n", copy, fetch / copy);
    std::printf("  image copy   %10.2f us per reply  ratio GuestImage::Load / memcpy %8.2f\n", load,
                load / copy);
    std::printf("  host drawing %10.1f us per image  (simulator only; GetThumbnail minus drawing %.1f us)\n",
                render, fetch - render);
    return conn.image.byteCount == static_cast<int32_t>(bytes);
}

}  // namespace

int main() {
    bench::ComApartment apartment;
    if (FAILED(apartment.status)) return 1;
    int result = 1;
    {
        hostsim::InProcessHost host;
        if (FAILED(host.Status())) {
            std::printf("simulated host unavailable: 0x%08lX\n", static_cast<unsigned long>(host.Status()));
        } else {
            VmConn conn;
            WideString errorText;
            conn.SetCredentials(L"", L"");
            if (conn.Connect(L"", errorText) == 0 && conn.FindManagementService(errorText) == 0) {
                bool ok = Measure(conn, L"Web Server 01", 320, 240, 400, "summary route 320x240");
                ok = Measure(conn, L"Media Center HD", 1920, 1080, 40, "method route 1920x1080") && ok;
                result = ok ? 0 : 1;
            } else {
                std::printf("cannot connect: %ls\n", errorText.c_str());
            }
        }
    }
    return result;
}
