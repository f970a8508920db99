#pragma once
#include "shell/wide_string.h"
#include "wmi/machine_state.h"

#include <cstdint>

// What the console knows of the open machine's power, and the one request of its own that is
// under way, with the texts it shows from them. No platform headers, so it can be tested natively.
struct MachineStatus {
    bool known = false;                          // a state has been read since the machine was opened
    MachineState state = MachineState::Unknown;
    uint32_t enabledState = 0;                   // the value read, shown for states not known here
    bool jobRunning = false;                     // a job this console started, followed on the ticks
    MachineAction jobAction = MachineAction::Start;
    WideString jobPath;                          // the job reference the method returned
    int32_t jobPercent = 0;
    int jobReadFailures = 0;                     // reads of the job that failed in a row
    bool shutdownPending = false;                // an accepted Shut Down, until the machine is Off
    uint64_t shutdownSinceMs = 0;                // ... accepted at this tick count
    uint64_t shutdownTickedMs = 0;               // ... and watched for the intervals of this many ticks
    bool imagesArriving = false;                 // whether the last fetch gave a picture
    bool migrating = false;                      // its host says a live migration is under way
    bool moving = false;                         // gone from its node: being looked for on the cluster
    WideString moveTarget;                       // the node it is moving to, once the cluster said
    WideString moveNote;                         // why it is not open again yet ("" while nothing failed)
    bool booting = false;                        // the guest started afresh: its screen's size is followed
    uint32_t bootSizeSince = 0;                  // GetTickCount() when that size last changed

    // How long the screen's size must stay the same before a booting guest counts as at its desktop.
    static constexpr uint32_t BootSettleMs = 60000;

    // A new machine, or none: nothing known, nothing under way.
    void Forget();
    // Takes a state read from the host; true when it brings the machine to Running from another
    // known state (its screen and devices may have changed).
    bool Take(MachineState newState, uint32_t value);
    // An accepted Shut Down, watched from `nowMs` on.
    void WatchShutdown(uint64_t nowMs);
    // A tick during that watch, of the refresh timer (`timed`: it came an interval of `intervalMs`
    // after the one before, at least) or asked for. True once the guest has had ShutdownWaitMs,
    // by the clock or by the timer's ticks, whichever says so first.
    bool ShutdownWaited(uint64_t nowMs, uint32_t intervalMs, bool timed);
    // The guest starts afresh at `now` (started from Off, or reset): on its way to its desktop its
    // screen takes sizes of its own (BIOS text, a boot loader's), which only its video head tells.
    void BeginBoot(uint32_t now);
    // Whether a tick at `now` reads the head again: while booting, until the size has stayed the
    // same for BootSettleMs. A running machine's tick costs no more than its image.
    bool FollowsBoot(uint32_t now);
    void BootSizeChanged(uint32_t now) { bootSizeSince = now; }
};

// How long an accepted Shut Down may leave the guest running before the console says so.
constexpr uint64_t ShutdownWaitMs = 2 * 60 * 1000;

// The window text: `title` + " - " + the machine's name, and while the machine is not Running or
// something is under way, one suffix: " (Off)", " (Starting 40%)", " (Stopping)", " (Migrating)",
// " (Moving to NODE-2)", " (State 32781)" for a state this program does not know, ...
void BuildWindowTitle(const wchar_t* title, const wchar_t* vmName, const MachineStatus& status, WideString& out);

// The line painted under "console image is not available." ("Web Server 01 is Off. Action >
// Start turns it on.", "cl-a is moving to NODE-2."); false when there is none to say (nothing
// known, or Running).
bool BuildNoImageLine(const wchar_t* vmName, const MachineStatus& status, WideString& out);

// The body of the box for a job that ended badly: its description, else its error code, else its
// state.
void BuildJobFailureText(const wchar_t* description, uint32_t errorCode, uint32_t jobState, WideString& out);

// A method's refusal as the box says it: "invalid state for this operation", "return value 7".
void BuildReturnCodeText(uint32_t returnValue, WideString& out);

// " (0x80010108)": a failing call's HRESULT as the boxes show it after their text.
void AppendFailureCode(WideString& out, uint32_t hr);
