// A console to live in, black-box: started from a shortcut's command line; coming back by itself
// when the host goes away under the open machine (its connection answers RPC_E_DISCONNECTED from a
// tick's image request on) and comes back: the console keeps the machine, says so in its title and
// under the no-image text, and tries again on the back-off.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

// The open's own image request and the refresh it asks for go through; the next tick's loses the
// connection.
const char Lost[] = R"({"call": "ExecMethod", "method": "GetSummaryInformation", "after": 2, "disconnect": true, "count": 1})";

const Row Rows[] = {
    // The next tick tries again, finds the machine by its identifier and shows it; input goes to it.
    // The Keyboard menu asks the guest for its held keys only once it is back.
    {"TheHostGoesAwayAndComesBack",
     "open Alpha; watch connect fetch device; tick; title; shows text+line; keymenu; tick; title; shows 320x240; keymenu; key A",
     {std::string(Summary) + " 0x80010108", "title vuemere - Alpha (Reconnecting)", "shows text+line",
      "connect \\\\localhost\\root\\virtualization", Summary, "title vuemere - Alpha", "shows 320x240",
      "IsKeyPressed 160", "IsKeyPressed 161", "IsKeyPressed 162", "IsKeyPressed 163", "IsKeyPressed 164",
      "IsKeyPressed 165", "IsKeyPressed 91", "IsKeyPressed 92", "PressKey 65", Summary},
     Lost},
    // A host that stays away: the tries follow the back-off at the default interval, no storm, and
    // the picture is back with the try that succeeds. The password typed never reaches the log.
    {"TriesFollowTheBackOff",
     "settings 1000 -; open Vault secure LAB\\admin s3cret; shows text+line; title; shows 320x240; title; tries; "
     "logged s3cret",
     {"shows text+line", "title vuemere - Vault (Reconnecting)", "shows 320x240", "title vuemere - Vault",
      "3 tries, none early", "log holds s3cret: no"},
     std::string(Lost) + R"(, {"call": "ConnectServer", "after": 3, "count": 2, "hr": "0x800706BA"})"},
    // The host comes back without the machine (deleted, or moved off it): "(Not found)", and no
    // new try before its 30 s, whatever the ticks.
    {"TheMachineIsGoneFromTheHost", "open Nomad moved; watch connect; tick; tick; title; shows text+line; tick; tick; title",
     {"connect \\\\moved\\root\\virtualization", "connect \\\\moved\\root\\MSCluster 0x8004100E",
      "title vuemere - Nomad (Not found)", "shows text+line",
      "title vuemere - Nomad (Not found)"},
     R"({"call": "ExecMethod", "method": "GetSummaryInformation", "after": 2, "disconnect": true, "count": 1})"},
    // DisConnect ends the tries; a new Connect starts anew.
    {"DisConnectStopsTrying", "open Alpha; watch connect; tick; disconnect; tick; tick; title; open Odd; title",
     {"title vuemere", "connect \\\\localhost\\root\\virtualization",
      "connect \\\\localhost\\root\\MSCluster 0x8004100E", "connect \\\\localhost\\root\\virtualization",
      "title vuemere - Odd"},
     Lost},
};

// The command line (rows at the default interval: they watch no image requests).
Row Started(const char* name, const char* arguments, std::string steps, std::vector<std::string> transcript) {
    return Row{name, "tick; " + steps, std::move(transcript), "", 96, arguments};
}
const Row CommandLineRows[] = {
    // SERVER and MACHINE: opened at once with the caller's logon, no dialog; by identifier, the
    // one of two machines of one name that it names.
    Started("ByName", "localhost Alpha", "title; shows 320x240 corners; key A", {"title vuemere - Alpha", "shows 320x240 corners", "PressKey 65"}),
    // A machine of a cluster named through another node opens on the node that runs it.
    Started("AClusterMachineThroughAnotherNode", "node-1 ClB", "title; shows 320x240", {"title vuemere - ClB", "shows 320x240"}),
    Started("ByIdentifierWithBraces", "hv-real {0f0f0000-0000-4000-8000-00000000000c}", "title; shows 321x241 corners",
            {"title vuemere - Twin", "shows 321x241 corners"}),
    // A name two machines share, and a host that cannot be reached: the dialog, filled in, and why.
    Started("ASharedNameOpensTheDialog", "hv-real Twin", "dialog; title",
            {"connect error: hv-real has 2 machines named Twin: pick one and press Open.",
             "Connect hv-real user , focus server, listed Boot, Twin, Twin, selected none", "title vuemere"}),
    Started("AMachineTheHostLacks", "hv-real Nobody", "dialog",
            {"connect error: hv-real has no machine Nobody.", "Connect hv-real user , focus server, listed Boot, Twin, Twin, selected none"}),
    Started("AHostThatCannotBeReached", "gone-v2 Alpha", "dialog",
            {"connect error: cannot conect for server (0x800706BA)", "Connect gone-v2 user , focus server, listed, selected none"}),
    // /overview: those hosts' machines in the overview, no machine opened in the console.
    Started("TheOverviewOfServers", "/overview idle moved", "overview; ov-tick; ov-rows; title",
            {"overview vuemere - Overview", "row Busy, idle", "row Idle 1, idle", "row Idle 2, idle", "row Idle 3, idle",
             "row Nomad, moved", "title vuemere"}),
    // /overview with /user: Add Host asks the password once; every host named connects with that logon.
    Started("TheOverviewOfServersWithOneLogon", "/overview /user:LAB\\admin secure secure-2",
            "dialog; enter s3cret; overview; ov-tick; ov-rows; logged s3cret",
            {"Add Host secure user LAB\\admin, focus password", "overview vuemere - Overview", "row Vault, secure",
             "row Vault 2, secure-2", "log holds s3cret: no"}),
    // SERVER alone: the dialog lists its machines.
    Started("AServerAlone", "hv-v2", "dialog", {"Connect hv-v2 user , focus server, listed Checkpointed, Gamma, NoMouse, selected none"}),
    // /user: the dialog filled in, the password asked first; Enter lists and selects the machine
    // named, Enter again opens it.
    Started("AUserTypesThePassword", "/user:LAB\\admin secure Vault", "dialog; enter s3cret; dialog; enter; title; shows 320x240",
            {"Connect secure user LAB\\admin, focus password, listed, selected none",
             "Connect secure user LAB\\admin, focus password, listed Vault, selected Vault", "title vuemere - Vault",
             "shows 320x240"}),
};

// Full screen: on and off by the menu, by Ctrl+Alt+Pause and from /full; the window covers its
// monitor with no caption or menu, the picture placed in it, Alt+F4 goes to the guest (though Alt
// combinations are the console's own, "through Alt" turned off), and leaving
// gives back the window as it was. Without a machine the text says how to leave.
const Row FullScreenRows[] = {
    {"OnAndOff", "open Alpha; through-alt; watch target; window; full-screen; window; shows 320x240; watch device; "
     "syskey 115; watch target; title; ctrl-alt-pause; window; shows 320x240",
     {"window 428x366 at 0,0, caption, menu", "window = monitor, no caption, no menu", "shows 320x240", "PressKey 115",
      "title vuemere - Alpha", "window 428x366 at 0,0, caption, menu", "shows 320x240"}},
    Started("FromTheCommandLine", "/full localhost Alpha", "window; title; disconnect; shows text+line; ctrl-alt-pause; window",
            {"window = monitor, no caption, no menu", "title vuemere - Alpha", "shows text+line",
             "window 960x768 at 0,0, caption, menu"}),
};

class LiveConsole : public testing::TestWithParam<Row> {};
TEST_P(LiveConsole, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(CommandLine, LiveConsole, testing::ValuesIn(CommandLineRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(FullScreen, LiveConsole, testing::ValuesIn(FullScreenRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Reconnect, LiveConsole, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
