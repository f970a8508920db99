// The overview, black-box: every machine of several hosts in one window of the unmodified
// vuemere.exe, live, one summary call per host per tick, opening a machine in the console,
// actions on several machines at once, and a host that stops answering (see scenario_run.h).
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

const Row Rows[] = {
    // The console's host first, then one of the provider's second version: one item per machine,
    // names exact, the host of each said (Wine draws no groups); a tick costs one call per host.
    // Remove Host takes the selected machine's host away, and Refresh lists the other anew: Odd,
    // renamed Even on its host meanwhile, is shown by its new name.
    {"EveryMachineOfTwoHostsInOneWindow",
     "open Alpha; overview; ov-add hv-v2; ov-rows 0 1 2; ov-wire; ov-tiles; "
     "ov-select Gamma; ov remove-host; ov-rows; ov refresh; ov-tick; ov-rows",
     {"overview vuemere - Overview", "row Alpha, localhost, Running", "row Beta, localhost, Running",
      "row Checkpointed, hv-v2, Running", "row Gamma, hv-v2, Running", "row NoMouse, hv-v2, Running",
      "row Odd, localhost, Running", "tick wire calls 2",
      "tiles Alpha colour, Beta colour, Checkpointed colour, Gamma colour, NoMouse colour, Odd colour",
      "row Alpha, localhost", "row Beta, localhost", "row Odd, localhost",
      "row Alpha, localhost", "row Beta, localhost", "row Even, localhost"},
     R"({"host": "localhost", "after": 28, "machine": "Odd", "set": {"elementName": "Even"}})"},
    // Details asks for no pictures; a click on a header sorts, a second click the other way. Enter opens the machine in the
    // console, by its identifier (two machines share the name Twin). A host that is not one, or a
    // host shown already, adds nothing.
    {"DetailsAndOpeningAMachine",
     "overview; ov-add hv-real; ov details; ov-tick; ov-rows 0 1 2 3 4 5 6; ov-sort 3; ov-sort 3; ov-rows 0 3; "
     "ov-sort 0; ov-rows 0 3; ov-add no-hyperv; ov-add HV-REAL; "
     "ov-select Twin; ov-key 13; title; shows 320x240",
     {"overview vuemere - Overview", "row Boot, hv-real, Running, 2 %, 1024 MB, 01:00:00, OK",
      "row Twin, hv-real, Running, 15 %, 1024 MB, 01:00:00, OK",
      "row Twin, hv-real, Running, 28 %, 1024 MB, 01:00:00, OK", "row Twin, 28 %", "row Twin, 15 %", "row Boot, 2 %",
      "row Boot, 2 %", "row Twin, 15 %", "row Twin, 28 %", "connect error: cannot conect for server (0x8004100E)", "Add Host stays open", "title vuemere - Twin",
      "shows 320x240"}},
    // Start on three selected machines that are off asks once, naming them, and starts exactly
    // those three, though the selection changed while the question was up; each tile shows its
    // progress until its job ends. Idle 1, turned off again, shows its state's tile, not its last
    // picture (tiles are looked at unselected: a selected one is tinted).
    {"StartOnThreeMachinesAsksOnceAndStartsThem",
     "overview; ov-add idle; ov-select Idle_1 Idle_2 Idle_3 Busy; meanwhile ov-select Busy; watch control target; answer yes; "
     "ov start; ov-rows 0 2; ov-tick; ov-tick; ov-rows 0 2; ov-select Idle_1; ov turn-off; ov-tick; ov-tick; ov-select Busy; ov-tiles",
     {"overview vuemere - Overview",
      "Start: Start 3 machines?\n\nIdle 1 (idle)\nIdle 2 (idle)\nIdle 3 (idle) [&Yes]",
      "RequestStateChange 2 null to Idle 1", "RequestStateChange 2 null to Idle 2", "RequestStateChange 2 null to Idle 3",
      "row Busy, Running", "row Idle 1, Starting 50%", "row Idle 2, Starting 50%", "row Idle 3, Starting 50%",
      "row Busy, Running", "row Idle 1, Running", "row Idle 2, Running", "row Idle 3, Running",
      "Turn Off: Turn off Idle 1? This is like pulling its power plug: unsaved work in the guest is lost. [&No]",
      "RequestStateChange 3 null to Idle 1", "tiles Busy colour, Idle 1 grey, Idle 2 colour, Idle 3 colour"}},
    // An action that one machine refuses: the others are done, and one box at the end names the
    // machine and why. Start is chosen in the list's shortcut menu.
    {"AnActionRefusedForOneMachineIsSummedUpInOneBox",
     "overview; ov-add idle; ov-select Idle_1 Idle_2 Idle_3; answer yes; ov-menu s; ov-tick; ov-tick; ov-rows 0 2",
     {"overview vuemere - Overview",
      "Start: Start 3 machines?\n\nIdle 1 (idle)\nIdle 2 (idle)\nIdle 3 (idle) [&Yes]",
      "cannot Start: Idle 2 (idle): invalid state for this operation",
      "row Busy, Running", "row Idle 1, Running", "row Idle 2, Off", "row Idle 3, Running"},
     R"({"host": "idle", "call": "ExecMethod", "method": "RequestStateChange", "after": 1, "count": 1, "returnValue": 32775})"},
    // Why an action fails for one machine and not for the others: a job that ends in exception,
    // a request the host fails, a job that cannot be read any more, a guest without a shutdown
    // service, a host that stopped answering while the question was up.
    {"EveryWayAnActionFailsForOneMachine",
     "overview; ov-add ctl; ov-select Mute Worker Rebooter; answer yes; ov turn-off; ov-tick; ov-tick; ov-rows 0 2; "
     "ov-select Mute; ov shut-down; ov-add flaky; ov-select Flaky_A; meanwhile ov-tick; ov turn-off",
     {"overview vuemere - Overview",
      "Turn Off: Turn off 3 machines? This is like pulling their power plugs: unsaved work in the guests is lost.\n\n"
      "Mute (ctl)\nRebooter (ctl)\nWorker (ctl) [&No]",
      "cannot Turn Off: Mute (ctl): The guest did not stop.\nRebooter (ctl): cannot send the request (0x80041001)\n"
      "Worker (ctl): cannot read the job (0x80041001)",
      "row Booter, Off", "row Mute, Running", "row Rebooter, Running", "row Sleeper, Off", "row Worker, Stopping",
      "Shut Down: Shut down Mute? Its guest operating system is asked to shut down. [&Yes]",
      "cannot Shut Down: Mute (ctl): has no working shutdown service in its guest",
      "Turn Off: Turn off Flaky A? This is like pulling its power plug: unsaved work in the guest is lost. [&No]",
      "cannot Turn Off: Flaky A (flaky): its host is not answering"},
     R"({"host": "ctl", "call": "ExecMethod", "method": "RequestStateChange", "count": 1, "jobError": "The guest did not stop."}, )"
     R"({"host": "ctl", "call": "ExecMethod", "method": "RequestStateChange", "after": 1, "count": 1, "hr": "0x80041001"}, )"
     R"({"host": "ctl", "call": "GetObject", "class": "Msvm_ConcreteJob", "after": 3, "count": 1, "hr": "0x80041001"})"},
    // A host that stops answering while the jobs of an action run on it: the box names each machine.
    {"AHostThatGoesAwayWhileAnActionRuns", "overview; ov-add flaky; ov-select Flaky_A Flaky_B; answer yes; ov turn-off",
     {"overview vuemere - Overview",
      "Turn Off: Turn off 2 machines? This is like pulling their power plugs: unsaved work in the guests is lost.\n\n"
      "Flaky A (flaky)\nFlaky B (flaky) [&No]",
      "cannot Turn Off: Flaky A (flaky): flaky: not answering (0x800706BA)\nFlaky B (flaky): flaky: not answering (0x800706BA)"}},
    // A host that stops answering greys its tiles and says why, without a box, while the other
    // host goes on; it is tried again by itself and comes back.
    {"AHostThatGoesAwayGreysAndComesBackByItself",
     "overview; ov-add flaky; ov-add localhost; ov-tick; ov-rows; ov-tiles; ov-wait-colour flaky; ov-rows",
     {"overview vuemere - Overview", "row Alpha, localhost", "row Beta, localhost",
      "row Flaky A, flaky: not answering (0x800706BA)", "row Flaky B, flaky: not answering (0x800706BA)",
      "row Odd, localhost", "tiles Alpha colour, Beta colour, Flaky A grey, Flaky B grey, Odd colour",
      "flaky back in colour", "row Alpha, localhost", "row Beta, localhost", "row Flaky A, flaky",
      "row Flaky B, flaky", "row Odd, localhost"}},
    // A node of a cluster stands for every node: one group each ("hvc1 / NODE-2", said in the
    // Host column), one call per node that answers per tick. ClA live-migrates to node-2: its
    // node no longer knows it, every node lists again and its tile moves to node-2's group.
    {"AClusterOneGroupPerNodeAndAMachineThatMoves",
     "overview; ov-add node-1; ov-rows; ov-wire; ov-wire; ov-wire; ov-wire; ov-rows",
     {"overview vuemere - Overview", "row ClA, hvc1 / NODE-1", "row ClB, hvc1 / NODE-2", "row Local1, hvc1 / NODE-1",
      "tick wire calls 2", "tick wire calls 2", "tick wire calls 4", "tick wire calls 2", "row ClA, hvc1 / NODE-2",
      "row ClB, hvc1 / NODE-2", "row Local1, hvc1 / NODE-1"},
     R"({"host": "node-1", "machine": "ClA", "migrate": "node-2", "after": 22, "how": "live"})"},
    // Details on a monitor at 150 %: the columns as wide as their text, at its pixels.
    {"TheColumnsAtTheMonitorsDpi", "overview; ov details; ov-widths",
     {"overview vuemere - Overview", "widths 270, 210, 165, 90, 120, 135, 150"}, "", 144},
};

class Overview : public testing::TestWithParam<Row> {};
TEST_P(Overview, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Overview, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
