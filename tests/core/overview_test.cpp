// The overview's platform-neutral rules by worked examples: what a tile and the Details columns
// say, why a host is greyed, the one question of an action on several machines, the order of
// the items, a greyed picture, and when a host is listed or tried again.
#include "overview/details_sort.h"
#include "overview/overview_rules.h"
#include "overview/overview_text.h"
#include "overview/tile_pixels.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::wstring Str(const WideString& text) { return text.c_str(); }
}  // namespace

TEST(Overview, TextsOfTilesColumnsAndHosts) {
    WideString text;
    TileState state;
    BuildStateText(state, text);
    EXPECT_EQ(Str(text), L"");
    state.known = true;
    state.state = MachineState::Unknown;
    state.enabledState = 32781;
    BuildStateText(state, text);
    EXPECT_EQ(Str(text), L"Unknown 32781");
    state.jobRunning = true;
    state.jobPercent = 40;
    BuildStateText(state, text);
    EXPECT_EQ(Str(text), L"Starting 40%");

    const struct {
        uint32_t hr;
        const wchar_t* text;
    } failures[] = {{0x800706BA, L"hv-2022: not answering (0x800706BA)"},
                    {0x800705B4, L"hv-2022: not answering (0x800705B4)"},
                    {0x80010108, L"hv-2022: connection lost (0x80010108)"},
                    {0x80070005, L"hv-2022: logon refused (0x80070005)"},
                    {0x80041003, L"hv-2022: logon refused (0x80041003)"},
                    {0x8004101D, L"hv-2022: answer not understood (0x8004101D)"},
                    {0x8004100E, L"hv-2022: not a Hyper-V host (0x8004100E)"},
                    {0x80041001, L"hv-2022: failed (0x80041001)"}};
    for (const auto& f : failures) {
        BuildHostFailureText(L"hv-2022", f.hr, text);
        EXPECT_EQ(Str(text), f.text);
    }
    BuildUptimeText(93784005, text);  // a day, 2 h, 3 min, 4 s and a bit
    EXPECT_EQ(Str(text), L"1.02:03:04");
    BuildUptimeText(59999, text);
    EXPECT_EQ(Str(text), L"00:00:59");
    BuildCpuText(7, text);
    EXPECT_EQ(Str(text), L"7 %");
    const struct {
        uint32_t code;
        const wchar_t* text;
    } health[] = {{2, L"OK"},     {3, L"Degraded"},   {6, L"Error"}, {7, L"Non-Recoverable Error"},
                  {12, L"No Contact"}, {13, L"Lost Communication"}, {15, L"Paused"}};
    for (const auto& h : health) {
        BuildHeartbeatText(h.code, text);
        EXPECT_EQ(Str(text), h.text);
    }
    BuildHeartbeatText(99, text);
    EXPECT_EQ(Str(text), L"99");
}

TEST(Overview, AnActionAsksOnceNamingItsMachines) {
    WideString text;
    bool destructive = false;
    // One machine: as the console asks, and only where it asks.
    EXPECT_TRUE(BuildActionQuestion(MachineAction::TurnOff, {{L"Web", L"hv"}}, text, destructive));
    EXPECT_EQ(Str(text), L"Turn off Web? This is like pulling its power plug: unsaved work in the guest is lost.");
    EXPECT_TRUE(destructive);
    EXPECT_FALSE(BuildActionQuestion(MachineAction::Start, {{L"Web", L"hv"}}, text, destructive));
    // Several: always, once, every one named up to twelve.
    std::vector<NamedMachine> many;
    const wchar_t* names[] = {L"m1", L"m2", L"m3", L"m4", L"m5", L"m6", L"m7", L"m8", L"m9", L"m10", L"m11", L"m12", L"m13", L"m14"};
    for (const wchar_t* name : names) many.push_back({name, L"hv"});
    EXPECT_TRUE(BuildActionQuestion(MachineAction::Start, {many[0], many[1]}, text, destructive));
    EXPECT_EQ(Str(text), L"Start 2 machines?\n\nm1 (hv)\nm2 (hv)");
    EXPECT_FALSE(destructive);
    EXPECT_TRUE(BuildActionQuestion(MachineAction::Reset, many, text, destructive));
    EXPECT_EQ(Str(text).substr(0, 80), L"Reset 14 machines? They restart at once: unsaved work in the guests is lost.\n\nm1");
    EXPECT_EQ(Str(text).substr(Str(text).size() - 19), L"m12 (hv)\nand 2 more");
    WideString failures;
    AppendFailureLine({L"A", L"hv"}, L"access denied", failures);
    AppendFailureLine({L"B", L"hv-2"}, L"invalid state for this operation", failures);
    EXPECT_EQ(Str(failures), L"A (hv): access denied\nB (hv-2): invalid state for this operation");
}

TEST(Overview, ItemsSortByAColumnWithUnknownValuesLast) {
    using C = DetailsColumn;
    for (const C by : {C::Cpu, C::Memory, C::Uptime, C::Heartbeat, C::State}) {
        SCOPED_TRACE(static_cast<int>(by));
        // Only the column sorted by puts `low` first; every other column, and the name, put it last.
        auto make = [&](const wchar_t* name, bool low, bool known) {
            const auto v = [&](C c) { return (c == by) == low ? 1u : 2u; };
            return DetailsRow{name, name, 1, !known ? L"" : v(C::State) == 1 ? L"Off" : L"Running", known, known, known, known,
                              v(C::Cpu), v(C::Memory), v(C::Uptime), v(C::Heartbeat)};
        };
        const DetailsRow low = make(L"b", true, true), high = make(L"a", false, true), unknown = make(L"0", true, false);
        EXPECT_LT(CompareDetailsRows(low, high, by, false), 0);
        EXPECT_GT(CompareDetailsRows(low, high, by, true), 0);
        EXPECT_GT(CompareDetailsRows(unknown, high, by, false), 0);
        EXPECT_GT(CompareDetailsRows(unknown, low, by, true), 0);  // last both ways
    }
    auto row = [](const wchar_t* name, int host) { return DetailsRow{name, name, host, L"", true, false, false, false, 5, 0, 0, 0}; };
    EXPECT_LT(CompareDetailsRows(row(L"busy", 1), row(L"Idle", 2), C::Name, false), 0);  // without regard to case
    EXPECT_GT(CompareDetailsRows(row(L"busy", 2), row(L"Idle", 1), C::Host, false), 0);
    // The same name on two hosts: by host, then never equal for two machines.
    EXPECT_LT(CompareDetailsRows(row(L"Twin", 1), row(L"twin", 2), C::Cpu, false), 0);
}

TEST(Overview, GreyedPicturesAndTheHostsPace) {
    const uint8_t red[2] = {0x00, 0xF8}, white[2] = {0xFF, 0xFF};
    uint32_t out[2] = {};
    ToTilePixels(red, 1, 1, false, out);
    ToTilePixels(white, 1, 1, false, out + 1);
    EXPECT_EQ(out[0], 0xFF0000u);
    EXPECT_EQ(out[1], 0xFFFFFFu);
    ToTilePixels(red, 1, 1, true, out);
    EXPECT_EQ(out[0] >> 16 & 0xFF, out[0] & 0xFF);  // no colour left
    EXPECT_EQ(out[0] >> 8 & 0xFF, out[0] & 0xFF);

    EXPECT_TRUE(ListingDue(false, 0));
    EXPECT_FALSE(ListingDue(true, ListingEveryTicks - 1));
    EXPECT_TRUE(ListingDue(true, ListingEveryTicks));
    EXPECT_FALSE(RetryDue(1000 + HostRetryMs - 1, 1000));
    EXPECT_TRUE(RetryDue(5u, 0xFFFFFFFFu - HostRetryMs + 6));  // across the tick count's wrap
    EXPECT_EQ(TileSizeOf(OverviewView::SmallTiles).width, 80);
    EXPECT_EQ(TileSizeOf(OverviewView::Details).width, 0);
}
