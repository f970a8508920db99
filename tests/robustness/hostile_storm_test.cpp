// The hostile-host storm: the unmodified vuemere.exe against hosts that answer a quarter of all
// calls with what a broken or compromised provider could send (wrong types, arrays of another
// element type, by reference, of two dimensions, empty or claiming 2 GiB, NULLs, values out of
// range, screens of 2147483647 pixels a side, enumerations that deliver nothing, objects and
// summaries of another machine), while a user opens machines in both mouse modes and both provider
// versions, refreshes, moves, clicks and types, opens the Keyboard and Action menus, types the
// clipboard and captures the screen. The program must take every step (answer its window within
// the runner's bound throughout: no crash, no hang), never call a machine other than the one open,
// give every Next a bounded wait, keep its private bytes flat, and end with exit code 0 and no
// COM object of the host unreleased. Each seed is one storm, the same every run; seeds that ever
// failed stay in the list. VUEMERE_HOSTILE_STORM=<rounds> runs longer storms (scripts/bench).
#include "private_bytes.h"
#include "scenario_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

// A quarter of the answers hostile rarely lets a machine open (it takes some forty answers), so
// lower rates take the storm deep into refreshing, input and the Action menu. A video head's
// resolution is read seldom: seed 16 is the one that reaches it since localhost lists in reverse.
struct Storm {
    int seed;
    double rate;
};
// Seed 3 meets an array of another element type, which the others no longer reach since the
// console follows a machine gone from its host (a cluster may have moved it).
const Storm Storms[] = {{7, 0.25}, {28, 0.05}, {4242, 0.03}, {1009, 0.02}, {16, 0.03}, {3, 0.03}};
constexpr int DefaultRounds = 3;
// Every shape the simulator gives (docs/HOSTSIM.md), each met somewhere in the storms, but
// "valueWhereNull": the program reads almost no property that is NULL on a sound host.
const char* const Shapes[] = {"arrayByRef", "arrayElementType", "arrayEmpty", "arrayHuge", "arrayTwoDimensions",
                              "empty", "null", "otherMachine", "outOfRange", "resolutionExtreme", "scalarByRef",
                              "stall", "wrongType"};
constexpr long long GrowthBound = 4LL << 20;  // as the input storm's

// One round of what a user does; every step settles the window and answers the boxes that came.
const char Round[] =
    "open Alpha; tick; move 160 120; move 20 30; ldown 160 120; lup 160 120; key A; keyup A; keymenu; "
    "ctrl-alt-del; copy ab; type-clipboard; tick; action k; tick; copy-screen; "
    "settings - x1.0; tick; full; settings - 320x240; "
    "open Beta; tick; move 160 120; move 200 130; move 1 1; ldown 100 100; lup 100 100; key B; keyup B; "
    "open Gamma hv-v2; tick; move 50 50; action k; tick; tick";

TEST(HostileStorm, AHostileHostCannotCrashHangOrMisleadTheConsole) {
    const char* size = std::getenv("VUEMERE_HOSTILE_STORM");
    const int rounds = size && std::atoi(size) > 0 ? std::atoi(size) : DefaultRounds;
    int totalHostile = 0;
    size_t totalCalls = 0;
    std::map<std::string, int> met;
    for (const Storm& storm : Storms) {
        const int seed = storm.seed;
        SCOPED_TRACE("seed " + std::to_string(seed));
        ScenarioRun run(R"({"hostile": {"seed": )" + std::to_string(seed) + R"(, "rate": )" +
                        std::to_string(storm.rate) + "}}");
        ASSERT_TRUE(run.Started());
        run.watch = ScenarioRun::Device | ScenarioRun::Control;
        long long first = -1, last = -1;
        for (int round = 0; round < rounds; ++round) {
            ASSERT_TRUE(run.Run(Round)) << "round " << round << ": " << testing::PrintToString(run.transcript);
            last = PrivateBytes(run.session.ProcessId());
            if (round == 0) first = last;
        }

        std::map<std::string, int> shapes;
        int nexts = 0, unbounded = 0;
        for (const LoggedCall& call : run.session.Calls()) {
            if (!call.Field("hostile").empty()) ++shapes[call.Field("hostile")];
            if (call.Is("Next")) {
                ++nexts;
                const long timeout = std::atol(call.Field("timeout").c_str());
                unbounded += timeout <= 0 || timeout > 60000;
            }
        }
        int hostile = 0;
        std::string seen;
        for (const auto& [shape, count] : shapes) {
            hostile += count;
            met[shape] += count;
            seen += " " + shape + " " + std::to_string(count);
        }
        totalHostile += hostile;
        totalCalls += run.session.Calls().size();
        std::printf("seed %d: %zu calls, %d hostile answers:%s; private bytes after the first round %lld, growth %+lld\n",
                    seed, run.session.Calls().size(), hostile, seen.c_str(), first, last - first);
        for (const std::string& line : run.transcript)
            EXPECT_EQ(line.find("(not to "), std::string::npos) << "a call to another machine: " << line;
        EXPECT_GT(nexts, 0);
        EXPECT_EQ(unbounded, 0) << "a Next without a bounded wait";
        EXPECT_GT(first, 0);
        EXPECT_LE(last - first, GrowthBound);
        long liveObjects = -1;
        EXPECT_TRUE(run.Run("disconnect"));
        EXPECT_TRUE(run.Exit(liveObjects));
        EXPECT_EQ(liveObjects, 0);
    }
    std::printf("calls in all: %zu, hostile answers: %d\n", totalCalls, totalHostile);
    for (const char* shape : Shapes) EXPECT_GT(met[shape], 0) << "no storm met the shape " << shape;
    EXPECT_GE(totalCalls, 2000u);
}

}  // namespace
