// The benchmark program: runs the benchmarks named on the command line, in turn. scripts/bench
// builds and runs it; see docs/PERFORMANCE.md.
#include <cstdio>
#include <map>
#include <string>

namespace bench {
// Each prints its tables and returns false when it could not measure what it set out to.
bool RefreshPath();     // refresh.cpp
bool Keystroke();       // keystroke.cpp: both programs' rounds, taken in turn
bool KeystrokeRound();  // keystroke.cpp: one round in this process
bool RoundTrips();      // round_trips.cpp
bool Listing();         // listing.cpp
bool Overview();        // overview.cpp
}  // namespace bench

int main(int argc, char** argv) {
    const std::map<std::string, bool (*)()> benchmarks = {
        {"refresh", bench::RefreshPath}, {"keystroke", bench::Keystroke}, {"keystroke-round", bench::KeystrokeRound},
        {"round_trips", bench::RoundTrips}, {"listing", bench::Listing},
        {"overview", bench::Overview}};
    bool ok = argc > 1;
    for (int i = 1; i < argc; ++i) {
        const auto found = benchmarks.find(argv[i]);
        if (found == benchmarks.end()) std::printf("unknown benchmark: %s\n", argv[i]);
        ok = found != benchmarks.end() && found->second() && ok;
    }
    return ok ? 0 : 1;
}
