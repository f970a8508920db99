#include "console/machine_status.h"

#include <cwchar>

namespace {

void AppendNumber(WideString& out, const wchar_t* format, uint32_t value) {
    // Room for the longest format and ten digits: a text cut short by swprintf is not terminated.
    wchar_t text[64];
    if (std::swprintf(text, 64, format, static_cast<unsigned>(value)) < 0) return;
    out.Append(text);
}

// "Off", "State 32781": the state as the title and the no-image line name it; a value this
// program does not know by its number.
void AppendStateWord(WideString& out, const MachineStatus& status) {
    if (status.state == MachineState::Unknown && status.enabledState != 0)
        AppendNumber(out, L"State %u", status.enabledState);
    else
        out.Append(StateWord(status.state));
}

}  // namespace

void MachineStatus::Forget() {
    known = false;
    state = MachineState::Unknown;
    enabledState = 0;
    jobRunning = false;
    jobPath.Clear();
    jobPercent = 0;
    jobReadFailures = 0;
    shutdownPending = false;
    shutdownSinceMs = shutdownTickedMs = 0;
    imagesArriving = false;
    migrating = false;
    moving = false;
    moveTarget.Clear();
    moveNote.Clear();
    booting = false;
}

void MachineStatus::WatchShutdown(uint64_t nowMs) {
    shutdownPending = true;
    shutdownSinceMs = nowMs;
    shutdownTickedMs = 0;
}

bool MachineStatus::ShutdownWaited(uint64_t nowMs, uint32_t intervalMs, bool timed) {
    if (timed) shutdownTickedMs += intervalMs;
    return nowMs - shutdownSinceMs >= ShutdownWaitMs || shutdownTickedMs >= ShutdownWaitMs;
}

bool MachineStatus::Take(MachineState newState, uint32_t value) {
    const bool started = known && state != MachineState::Running && newState == MachineState::Running;
    known = true;
    state = newState;
    enabledState = value;
    return started;
}

void MachineStatus::BeginBoot(uint32_t now) {
    booting = true;
    bootSizeSince = now;
}

bool MachineStatus::FollowsBoot(uint32_t now) {
    // Unsigned: the tick count wraps after 49.7 days.
    if (booting && now - bootSizeSince >= BootSettleMs) booting = false;
    return booting;
}

void BuildWindowTitle(const wchar_t* title, const wchar_t* vmName, const MachineStatus& status, WideString& out) {
    out.Assign(title);
    out.Append(L" - ");
    out.Append(vmName);
    if (status.moving) {
        out.Append(status.moveTarget.Empty() ? L" (Moving" : L" (Moving to ");
        out.Append(status.moveTarget);
        out.Append(L")");
    } else if (status.jobRunning) {
        out.Append(L" (");
        out.Append(ActionProgressWord(status.jobAction));
        AppendNumber(out, L" %u%%)", static_cast<uint32_t>(status.jobPercent));
    } else if (status.shutdownPending) {
        out.Append(L" (Stopping)");
    } else if (status.known && status.state != MachineState::Running) {
        out.Append(L" (");
        AppendStateWord(out, status);
        out.Append(L")");
    } else if (status.migrating) {
        out.Append(L" (Migrating)");
    }
}

bool BuildNoImageLine(const wchar_t* vmName, const MachineStatus& status, WideString& out) {
    if (status.moving) {
        out.Assign(vmName);
        out.Append(status.moveTarget.Empty() ? L" is moving to another node" : L" is moving to ");
        out.Append(status.moveTarget);
        out.Append(L".");
        if (!status.moveNote.Empty()) {
            out.Append(L" ");
            out.Append(status.moveNote);
        }
        return true;
    }
    if (!status.known || status.state == MachineState::Running) return false;
    out.Assign(vmName);
    if (status.state == MachineState::Unknown) {
        out.Append(L" is in a state this console does not know");
        if (status.enabledState != 0) AppendNumber(out, L" (%u)", status.enabledState);
        out.Append(L".");
        return true;
    }
    out.Append(L" is ");
    AppendStateWord(out, status);
    out.Append(L".");
    switch (status.state) {
    case MachineState::Off: out.Append(L" Action > Start turns it on."); break;
    case MachineState::Saved: out.Append(L" Action > Start restores it."); break;
    case MachineState::Paused: out.Append(L" Action > Resume continues it."); break;
    default: break;
    }
    return true;
}

void BuildJobFailureText(const wchar_t* description, uint32_t errorCode, uint32_t jobState, WideString& out) {
    out.Clear();
    if (description && *description) {
        out.Assign(description);
    } else if (errorCode != 0) {
        AppendNumber(out, L"error code %u", errorCode);
    } else {
        AppendNumber(out, L"the job ended in state %u", jobState);
    }
}

void AppendFailureCode(WideString& out, uint32_t hr) { AppendNumber(out, L" (0x%08X)", hr); }

void BuildReturnCodeText(uint32_t returnValue, WideString& out) {
    out.Clear();
    if (const wchar_t* known = ReturnCodeText(returnValue))
        out.Assign(known);
    else
        AppendNumber(out, L"return value %u", returnValue);
}
