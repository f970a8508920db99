#pragma once
// Small helpers the benchmark programs share: a clock, the summary of a series of timings, a COM
// apartment and the console window placed at a given client size.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// Seconds on the performance counter.
inline double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

// Microseconds from `start` (a Seconds() value) to now.
inline double MicrosSince(double start) { return (Seconds() - start) * 1e6; }

// A series of timings in microseconds. The median is the figure reported: on a shared machine a
// few rounds are always slowed by other processes, and the median does not follow them.
class Series {
public:
    void Add(double micros) { values_.push_back(micros); }
    size_t Count() const { return values_.size(); }
    double At(size_t index) const { return values_[index]; }
    double Median() const { return Quantile(0.5); }
    double Min() const { return Quantile(0.0); }
    double Max() const { return Quantile(1.0); }
    double Quantile(double q) const {
        if (values_.empty()) return 0;
        std::vector<double> sorted = values_;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5)];
    }

private:
    std::vector<double> values_;
};

struct ComApartment {
    HRESULT status;
    ComApartment() : status(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
        // As the program itself starts COM: default authentication, identify-level impersonation.
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
    }
    ~ComApartment() {
        if (SUCCEEDED(status)) CoUninitialize();
    }
};

// Resizes a top-level window with a menu so that its client area is width x height.
inline bool SetClientSize(HWND window, int width, int height) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(window, &client);
    return client.right == width && client.bottom == height;
}

// Handles every message waiting for this thread (paints included), then returns.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace bench
