#include "console/main_wnd.h"
#include "wmi/host_values.h"

// The open machine's power as the console follows it. Its state is read when the machine is
// opened (from the object the open found), when the Action menu opens, on each tick while a job
// of this console or an accepted shutdown is under way or while the machine is on its way between
// states (or in one this console does not know), and once when pictures stop or start
// although the state known did not lead to expect it (someone else started, stopped or saved it).
// A running machine's tick costs nothing more than its image, except while its guest boots: then
// each tick also reads its video head again, since the screen's size changes on the way to the
// desktop (BIOS text, a boot loader's picture, often on the emulated display) and only the head
// says so.

namespace {
// The states in which the host sends pictures.
bool GivesImages(MachineState state) { return state == MachineState::Running || state == MachineState::Paused; }
}  // namespace

void MainWnd::TakeOpenedState() {
    uint32_t value = 0;
    WideString errorText;
    if (conn.OpenedMachineState(value, errorText) == 0)
        status.Take(StateFromEnabledState(conn.providerVersion, value), value);
    status.imagesArriving = ImageAvailable();
    ShowStatusTitle();
}

bool MainWnd::ReadState() {
    uint32_t value = 0;
    WideString errorText;
    const HRESULT read = conn.ReadMachineState(value, errorText);
    if (read != 0) {
        OnStateUnread(read);  // the state known before stays
        return false;
    }
    status.migrating = conn.migrating;
    const bool resumed = status.state == MachineState::Paused || status.state == MachineState::Pausing ||
                         status.state == MachineState::Resuming;
    if (status.Take(StateFromEnabledState(conn.providerVersion, value), value)) {
        // It has started, by this console or by anyone: the guest's resolution may be new and its
        // synthetic mouse enabled now.
        if (!resumed) status.BeginBoot(GetTickCount());
        conn.FindVideoHead(errorText);
        conn.FindMouse(errorText);
        RequestRefresh();
    }
    return true;
}

void MainWnd::FollowBoot() {
    if (!status.FollowsBoot(GetTickCount())) return;
    const int32_t width = conn.guestWidth, height = conn.guestHeight;
    WideString errorText;
    conn.ReadVideoHead(errorText);  // a failure leaves the size known before
    if (conn.guestWidth != width || conn.guestHeight != height) status.BootSizeChanged(GetTickCount());
}

bool MainWnd::FollowMachine() {
    // A tick of the timer, not one asked for: at least an interval has passed since the last.
    const bool timed = !refreshRequested;
    refreshRequested = false;
    if (status.jobRunning) {
        FollowJob();
    } else if (status.shutdownPending) {
        FollowShutdown(timed);
    } else if (status.known && !StateSettled(status.state)) {
        // On its way, or in a state this console does not know: read until it settles.
        ReadState();
        ShowStatusTitle();
    } else {
        return false;
    }
    return true;
}

void MainWnd::FollowJob() {
    JobStatus job;
    WideString errorText;
    const HRESULT read = conn.ReadJob(status.jobPath.c_str(), job, errorText);
    if (IsConnectionLost(static_cast<uint32_t>(read))) {
        LoseConnection();  // no box: the console comes back by itself, and the job is not its to follow then
        return;
    }
    // A read that did not get through is tried again on the next ticks; after that, or when the
    // host's answer could not be understood (it would read the same again), the job is not
    // followed any further: every tick would fail the same way.
    if (read != 0 && read != WbemTypeMismatch && ++status.jobReadFailures < JobReadTries) return;
    const JobOutcome outcome = read == 0 ? ClassifyJobState(job.jobState) : JobOutcome::Failed;
    if (read == 0) {
        status.jobPercent = job.percentComplete;
        status.jobReadFailures = 0;
    }
    status.jobRunning = outcome == JobOutcome::Running;
    // A reset keeps the machine Running: only its job says the guest boots again.
    if (outcome == JobOutcome::Succeeded && status.jobAction == MachineAction::Reset) status.BeginBoot(GetTickCount());
    ReadState();
    ShowStatusTitle();
    // The box runs a message loop of its own, whose ticks must find the job already settled.
    if (read != 0) {
        AppendFailureCode(errorText, static_cast<uint32_t>(read));
        ShowActionFailure(status.jobAction, errorText.c_str());
    } else if (outcome == JobOutcome::Failed) {
        WideString text;
        BuildJobFailureText(job.errorDescription.c_str(), job.errorCode, job.jobState, text);
        ShowActionFailure(status.jobAction, text.c_str());
    }
}

void MainWnd::FollowShutdown(bool timed) {
    // Until it is Off; a shutdown that cannot be watched, or that something else overtook, is not
    // watched any longer. A guest still Running after its time ignored the request (or cannot
    // finish): the user is told, and may turn it off.
    const bool read = ReadState();
    if (!read || (status.state != MachineState::Running && status.state != MachineState::Stopping))
        status.shutdownPending = false;
    const bool ignored = status.shutdownPending && status.state == MachineState::Running &&
                         status.ShutdownWaited(GetTickCount64(), static_cast<uint32_t>(setting.interval), timed);
    if (ignored) status.shutdownPending = false;
    ShowStatusTitle();
    if (!ignored) return;
    WideString text(vmName);
    text.Append(L" did not shut down within 2 minutes: its guest is still running. Action > Turn Off turns it off.");
    ShowActionFailure(MachineAction::ShutDown, text.c_str());
}

void MainWnd::WatchImages() {
    const bool arriving = ImageAvailable();
    if (arriving == status.imagesArriving) return;
    status.imagesArriving = arriving;
    if (status.jobRunning || status.shutdownPending) return;  // its state is read on every tick
    if (status.known && GivesImages(status.state) == arriving) return;
    ReadState();
    ShowStatusTitle();
}

void MainWnd::ShowStatusTitle() {
    if (!MachineOpen()) return;
    WideString text;
    if (link.Live() || status.moving) {  // a move's title says where to
        BuildWindowTitle(title.c_str(), vmName.c_str(), status, text);
    } else {
        text.Assign(title.c_str());
        text.Append(L" - ");
        text.Append(vmName);
        text.Append(LinkTitleSuffix(link.state));
    }
    SetWindowTextW(hwnd, text.c_str());
}

void MainWnd::PaintStatusLine(HDC dc, const RECT& area) {
    WideString line;
    if (!MachineOpen()) return;
    const bool said = link.Live() || status.moving
                          ? BuildNoImageLine(vmName.c_str(), status, line)
                          : BuildLinkLine(MachineNode(), vmName.c_str(), link,
                                                  SecondsToNextTry(link, GetTickCount(), static_cast<uint32_t>(setting.interval)),
                                                  line);
    if (!said) return;
    // Under the centred "console image is not available.", half a line apart.
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT below{area.left, (area.top + area.bottom) / 2 + metrics.tmHeight, area.right, area.bottom};
    DrawTextW(dc, line.c_str(), -1, &below, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void MainWnd::ShowActionFailure(MachineAction action, const wchar_t* text) {
    WideString caption(L"cannot ");
    caption.Append(ActionName(action));
    MessageBoxW(hwnd, text, caption.c_str(), MB_OK);
}
