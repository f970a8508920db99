#pragma once
#include "shell/wide_string.h"

#include <cstdint>

// Coming back by itself after the host went away: which failures mean the connection is lost,
// when the console tries again, and what the title and the no-image line say meanwhile. No
// platform headers, so it can be tested natively.

// Whether a failing call's HRESULT means the connection to the host is gone, rather than one call
// refused: the host went away under a live proxy, cannot be reached, or is shutting down.
bool IsConnectionLost(uint32_t hr);

enum class LinkState {
    Live,          // the machine's host answers
    Reconnecting,  // the connection was lost; tries follow the back-off
    NotFound,      // the host answers, but no longer has the machine; tried every 30 s
};

// The back-off of one outage. The first try is made at the next tick after the loss (a second
// later at the default interval); after a failed try the next is due 2, 4, 8 and 16 s later, then
// every 30 s. A machine the host no longer has is looked for every 30 s.
struct Reconnection {
    LinkState state = LinkState::Live;
    uint32_t failures = 0;  // tries made since the loss, all failed
    uint32_t dueTick = 0;   // the tick count from which the next try is due (once failures > 0)

    // The connection was lost: the next tick tries again (while trying, nothing changes).
    void Lose();
    // Whether a try is due at `now` (wrapping tick counts).
    bool Due(uint32_t now) const;
    // A try failed at `now`: the next one waits its step of the back-off.
    void TryFailed(uint32_t now);
    // The host answered but does not have the machine (any more).
    void MachineMissing(uint32_t now);
    // Connected again, or the machine was closed: nothing more to try.
    void Stop() { *this = Reconnection{}; }
    bool Live() const { return state == LinkState::Live; }
};

// Milliseconds from a failed try to the next: 2000, 4000, 8000, 16000, then 30000.
uint32_t BackoffDelayMs(uint32_t failures);
constexpr uint32_t MissingMachineRetryMs = 30000;

// Whole seconds until the next try at `now`, at least 1; `nextTickMs` is the time to the next tick,
// which makes the first try.
uint32_t SecondsToNextTry(const Reconnection& link, uint32_t now, uint32_t nextTickMs);

// " (Reconnecting)", " (Not found)": the title's suffix while the machine's host is not live.
const wchar_t* LinkTitleSuffix(LinkState state);

// The line under "console image is not available.": "Lost the connection to hv-2022; trying again
// in 8 s." or "hv-2022 no longer has Web Server 01; looking for it again in 30 s.". False while live.
bool BuildLinkLine(const wchar_t* server, const wchar_t* vmName, const Reconnection& link, uint32_t seconds,
                   WideString& out);
