// The Action menu, black-box: a machine's power through the unmodified vuemere.exe against hosts of
// either provider version whose jobs end on their second read (see scenario_run.h). The title
// shows the state and each job's progress; the host's log the values sent and the reads made.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

// Every action on a machine that is off: the steps of a version's row, with its machines' names.
std::string EveryAction(const std::string& sleeper, const std::string& mute, const std::string& host) {
    return "open " + sleeper + " " + host +
           "; title; shows text+line; watch control read class; start; title; tick; title; shows 320x240; "
           "watch control device; move 10 10; pause; tick; title; shut-down; resume; tick; save-state; tick; title; "
           "shows text+line; start; tick; checkpoint; title; tick; title; shows 320x240; reset; answer yes; reset; "
           "tick; answer no; turn-off; answer yes; turn-off; tick; title; start; tick; shut-down; title; tick; title; "
           "shows text+line; open " + mute + " " + host + "; shut-down";
}

const char Job[] = "read Msvm_ConcreteJob", Machine[] = "read Msvm_ComputerSystem";
const std::string NoShutdown = " has no working shutdown service in its guest: it cannot be asked to shut down.";

// What that gives, with the requested states of the version: save, pause and reset.
std::vector<std::string> EveryActionShows(const std::string& name, const std::string& mute, const char* checkpoint,
                                          const char* save, const char* pause, const char* reset) {
    const std::string title = "title vuemere - " + name;
    const std::string resetAsked = "Reset: Reset " + name + "? It restarts at once: unsaved work in the guest is lost. [&No]";
    const std::string turnOffAsked =
        "Turn Off: Turn off " + name + "? This is like pulling its power plug: unsaved work in the guest is lost. [&No]";
    return {title + " (Off)", "shows text+line",
            // The first request fetches the machine's class; the job and the machine are read
            // on each tick until the job ends, and then the guest's screen shows; its video head is
            // read again on each tick while it boots.
            "GetObject Msvm_ComputerSystem", "RequestStateChange 2 null", "read Msvm_ConcreteJob",
            "read Msvm_ComputerSystem", title + " (Starting 50%)", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem",
            "read Msvm_VideoHead", title, "shows 320x240",
            // Its mouse was found again when it started.
            "SetAbsolutePosition 10 10", std::string("RequestStateChange ") + pause + " null", title + " (Paused)",
            // A paused guest cannot answer a shutdown request (the menu would not offer it).
            "cannot Shut Down: " + name + NoShutdown, "RequestStateChange 2 null",
            std::string("RequestStateChange ") + save + " null", title + " (Saved)", "shows text+line",
            "RequestStateChange 2 null",
            // A checkpoint shows its progress, and the live screen stays.
            checkpoint, title + " (Checkpoint 50%)", title, "shows 320x240",
            // The questions are asked each time; only Yes sends.
            resetAsked, resetAsked, std::string("RequestStateChange ") + reset + " null", turnOffAsked, turnOffAsked,
            "RequestStateChange 3 null", title + " (Off)", "RequestStateChange 2 null",
            // A shutdown has no job: the machine is read until it is Off.
            "Shut Down: Shut down " + name + "? Its guest operating system is asked to shut down. [&Yes]",
            "InitiateShutdown false \"Shut down from the vuemere console\"", title + " (Stopping)", title + " (Off)",
            "shows text+line",
            "cannot Shut Down: " + mute + NoShutdown};
}

const Row Rows[] = {
    {"EveryActionOnAFirstVersionHost", EveryAction("Sleeper", "Mute", "ctl"),
     EveryActionShows("Sleeper", "Mute", "CreateVirtualSystemSnapshot", "32769", "32768", "10")},
    {"EveryActionOnASecondVersionHost", EveryAction("Sleeper2", "Mute2", "ctl-v2"),
     EveryActionShows("Sleeper2", "Mute2", "CreateSnapshot \"\" 2 null", "6", "9", "11")},
    // The menu offers what the state allows, read when it opens: nothing without a machine or
    // while a job of this console runs (nor is the state read then, and a command that comes
    // anyway sends nothing: one request at a time).
    {"TheMenuOffersWhatTheStateAllows",
     "watch control read; action s; open Sleeper ctl; action v; action s; action s; save-state; tick; action s; action p; tick; "
     "action e; action r",
     {"read Msvm_ComputerSystem", "read Msvm_ComputerSystem", "RequestStateChange 2 null", "read Msvm_ConcreteJob",
      "read Msvm_ComputerSystem", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem", "read Msvm_VideoHead",
      "read Msvm_ComputerSystem", "read Msvm_ComputerSystem", "RequestStateChange 32768 null", "read Msvm_ConcreteJob",
      "read Msvm_ComputerSystem", "read Msvm_VideoHead", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem",
      "read Msvm_VideoHead", "read Msvm_ComputerSystem", "RequestStateChange 2 null", "read Msvm_ConcreteJob",
      "read Msvm_ComputerSystem", "read Msvm_VideoHead"}},
    // A job that ends in exception (the first on each host), a refused transition (a command the
    // menu would not have offered is still sent) and a method that answers a failure code show
    // their boxes.
    {"FailuresShowTheirBoxes",
     "open Sleeper ctl; start; tick; title; start; tick; start; checkpoint; open Sleeper2 ctl-v2; start; tick; start; "
     "tick; pause; tick; checkpoint",
     {"cannot Start: The virtual machine could not start: not enough memory.", "title vuemere - Sleeper (Off)",
      "cannot Start: invalid state for this operation", "cannot Checkpoint: access denied",
      "cannot Start: The virtual machine could not start: not enough memory.",
      // The second version's snapshot service answers in codes of its own (5: invalid state).
      "cannot Checkpoint: invalid state for this operation"},
     R"({"call": "ExecMethod", "method": "RequestStateChange", "jobError": "The virtual machine could not start: not enough memory.", "count": 1},
        {"call": "ExecMethod", "method": "CreateVirtualSystemSnapshot", "returnValue": 32769})"},
    // A machine that is not running opens without the box of a failed first image; a running one
    // still shows it.
    {"AMachineNotRunningOpensWithoutTheImagesBox", "settings - x1.0; open Sleeper ctl; title; open Worker ctl; title",
     {CaptureWarning, "title vuemere - Sleeper (Off)", "cannot get Thumbnailvm: err", "title vuemere - Worker"},
     R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage", "hr": "0x80041001"})"},
    // A job under way goes on on the host when its machine is closed, unwatched; opened again,
    // the machine shows the state it is in, read on every tick while it is on its way.
    {"AJobIsLeftToTheHostWhenItsMachineCloses",
     "watch read; open Sleeper ctl; start; disconnect; tick; title; open Sleeper ctl; tick; title",
     {Job, Machine, "title vuemere", Machine, Machine, "title vuemere - Sleeper (Starting)"}},
    // An answer given after another machine was opened, or the machine closed, sends nothing.
    {"AnAnswerActsOnlyOnTheMachineItNamed",
     "open Worker ctl; watch control; answer yes; meanwhile open Mute ctl; reset; title; open Worker ctl; "
     "meanwhile disconnect; turn-off; title",
     {"Reset: Reset Worker? It restarts at once: unsaved work in the guest is lost. [&No]", "title vuemere - Mute",
      "Turn Off: Turn off Worker? This is like pulling its power plug: unsaved work in the guest is lost. [&No]",
      "title vuemere"}},
    // Nothing under way for a machine reaches the one opened next: the job followed, a full-size
    // hold, a modifier the Keyboard menu holds (the next guest's keys cannot be asked), the
    // shutdown watched and the shutdown service found.
    {"NothingOfAMachineReachesTheNextOpened",
     "open Sleeper ctl; watch control read; start; open Worker ctl; tick; title; full; shift; keymenu; "
     "watch control read device; answer yes; shut-down; watch control read device fetch; open Mute ctl; tick; title; shift; shut-down",
     {"RequestStateChange 2 null", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem", "title vuemere - Worker",
      "Shut Down: Shut down Worker? Its guest operating system is asked to shut down. [&Yes]",
      "InitiateShutdown false \"Shut down from the vuemere console\"", Summary, Summary,
      Summary, "title vuemere - Mute", "IsKeyPressed 160 0x80041001", "IsKeyPressed 161 0x80041001", "PressKey 160",
      "cannot Shut Down: Mute" + NoShutdown},
     R"({"call": "ExecMethod", "method": "IsKeyPressed", "after": 10, "hr": "0x80041001"})"},
    // Someone else turns the machine off and on: pictures that stop or come back make the console
    // read the state once; a running machine's refresh stays one round trip, a booting guest's
    // also reads its video head.
    {"AMachineStoppedAndStartedByAnother",
     "open Flicker shared; watch read device; wire 21; tick; wire 1; tick; title; shows text+line; tick; tick; title; "
     "move 10 10; shows 320x240",
     {"wire calls <= 21", "wire calls <= 1", "read Msvm_ComputerSystem", "title vuemere - Flicker (Off)", "shows text+line",
      "read Msvm_ComputerSystem", "title vuemere - Flicker", "SetAbsolutePosition 10 10", "read Msvm_VideoHead",
      "shows 320x240"}},
    // What a real host sends: jobs starting (3) and running (4) before they end in 32768 (a
    // success); a guest shutting down as the first version's 4 (Stopping), which can still be
    // turned off; a degraded shutdown service that works; a state this console does not know,
    // followed on every tick until it is one it knows, and from which the machine can be turned off.
    {"WhatARealHostSends",
     "watch control read; open Critical ctl-real; title; action u; tick; title; tick; title; open Slow ctl-real; start; title; tick; "
     "title; tick; tick; title; answer yes; open Aging ctl-real; shut-down; open Aging ctl-real; title; action u; tick; "
     "tick; tick; tick; title",
     {"read Msvm_ComputerSystem", "title vuemere - Critical (State 32781)", "read Msvm_ComputerSystem",
      "Turn Off: Turn off Critical? This is like pulling its power plug: unsaved work in the guest is lost. [&No]",
      Machine, "title vuemere - Critical (State 32781)", Machine, "read Msvm_VideoHead", "title vuemere - Critical",
      "RequestStateChange 2 null", Job, Machine, "title vuemere - Slow (Starting 25%)", Job, Machine,
      "title vuemere - Slow (Starting 50%)", Job, Machine, Job, Machine, "read Msvm_VideoHead", "title vuemere - Slow",
      "Shut Down: Shut down Aging? Its guest operating system is asked to shut down. [&Yes]",
      "InitiateShutdown false \"Shut down from the vuemere console\"", Machine, Machine, "title vuemere - Aging (Stopping)",
      Machine, "Turn Off: Turn off Aging? This is like pulling its power plug: unsaved work in the guest is lost. [&No]",
      "RequestStateChange 3 null", Job, Machine, Job, Machine, Job, Machine, Job, Machine, "title vuemere - Aging (Off)"}},
    // A guest that accepts Shut Down but keeps running: after two minutes (two ticks of the
    // runner's minute) the console stops waiting and says so; Turn Off is offered.
    {"AGuestThatDoesNotShutDown",
     "open Worker ctl; watch control read; answer yes; shut-down; title; tick; title; tick; title; action u",
     {"Shut Down: Shut down Worker? Its guest operating system is asked to shut down. [&Yes]",
      "InitiateShutdown false \"Shut down from the vuemere console\"", "read Msvm_ComputerSystem",
      "title vuemere - Worker (Stopping)", "read Msvm_ComputerSystem", "title vuemere - Worker (Stopping)",
      "read Msvm_ComputerSystem",
      "cannot Shut Down: Worker did not shut down within 2 minutes: its guest is still running. Action > Turn Off turns it off.",
      "title vuemere - Worker", "read Msvm_ComputerSystem",
      "Turn Off: Turn off Worker? This is like pulling its power plug: unsaved work in the guest is lost. [&No]",
      "RequestStateChange 3 null", Job, Machine},
     R"({"call": "ExecMethod", "method": "InitiateShutdown", "returnValue": 0})"},
    // A job whose reference cannot be read twice is read again on the next ticks and followed to
    // its end; the third failure in a row ends it with a box (the fault matrix).
    {"AJobReadAgainAfterFailedReads", "open Worker ctl; watch control read; pause; tick; title; tick; title; tick; title",
     {"RequestStateChange 32768 null", "read Msvm_ConcreteJob 0x80041001", "read Msvm_ConcreteJob 0x80041001",
      "title vuemere - Worker (Pausing 0%)", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem",
      "title vuemere - Worker (Pausing 50%)", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem",
      "title vuemere - Worker (Paused)"},
     R"({"call": "GetObject", "class": "Msvm_ConcreteJob", "count": 2, "hr": "0x80041001"})"},
};

class Action : public testing::TestWithParam<Row> {};
TEST_P(Action, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Action, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
