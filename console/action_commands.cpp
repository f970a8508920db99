#include "console/main_wnd.h"
#include "resources/resource.h"

#include <algorithm>
#include <iterator>

// The Action menu: when it opens, what the open machine's state allows; its commands, sent one at
// a time (a second request before the first ends may overwrite it on the host). A command that
// arrives although the state no longer allows it is still sent: the host's answer decides.

namespace {

const struct {
    int id;
    MachineAction action;
} ActionCommands[] = {
    {IDM_ACTION_START, MachineAction::Start},       {IDM_ACTION_SHUT_DOWN, MachineAction::ShutDown},
    {IDM_ACTION_TURN_OFF, MachineAction::TurnOff},  {IDM_ACTION_SAVE, MachineAction::Save},
    {IDM_ACTION_PAUSE, MachineAction::Pause},       {IDM_ACTION_RESUME, MachineAction::Resume},
    {IDM_ACTION_RESET, MachineAction::Reset},       {IDM_ACTION_CHECKPOINT, MachineAction::Checkpoint},
};

const wchar_t ShutdownReason[] = L"Shut down from the vuemere console";

}  // namespace

void MainWnd::OnActionPopup(HMENU popup) {
    if (GetMenuState(popup, IDM_ACTION_START, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
    // Nothing is offered without a machine, while a job of this console runs, or when the host
    // does not say what state the machine is in.
    const bool offer = MachineOpen() && !status.jobRunning && ReadState();
    if (offer) ShowStatusTitle();
    for (const auto& command : ActionCommands) {
        const bool allowed = offer && ActionAllowed(status.state, command.action);
        EnableMenuItem(popup, static_cast<UINT>(command.id), MF_BYCOMMAND | (allowed ? MF_ENABLED : MF_GRAYED));
    }
}

bool MainWnd::OnActionCommand(int commandId) {
    const auto* command = std::find_if(std::begin(ActionCommands), std::end(ActionCommands),
                                       [commandId](const auto& c) { return c.id == commandId; });
    if (command == std::end(ActionCommands)) return false;
    const MachineAction action = command->action;
    // One request at a time, and only to the machine open when the command came; asked again
    // after a box, whose own message loop ran the ticks and commands meanwhile (a machine closed or
    // another opened: the answer was given for a machine that is gone).
    const auto mayAsk = [this, closed = closings] { return MachineOpen() && !status.jobRunning && closings == closed; };
    if (!mayAsk()) return true;

    uint32_t returnValue = 0;
    WideString jobPath, errorText;
    HRESULT sent = 0;
    if (action == MachineAction::ShutDown) {
        // Only the guest can shut itself down; without its service there is nothing to ask.
        bool usable = false;
        sent = conn.FindShutdownComponent(usable, errorText);
        if (sent == 0 && !usable) {
            WideString text(vmName);
            text.Append(L" has no working shutdown service in its guest: it cannot be asked to shut down.");
            ShowActionFailure(action, text.c_str());
            return true;
        }
    }
    if (sent == 0) {
        if (!ConfirmAction(action) || !mayAsk()) return true;
        sent = conn.SendAction(action, ShutdownReason, returnValue, jobPath, errorText);
    }
    TakeOutcome(action, sent, returnValue, jobPath, errorText);
    return true;
}

bool MainWnd::ConfirmAction(MachineAction action) {
    WideString question;
    UINT style = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
    switch (action) {
    case MachineAction::ShutDown:
        question.Assign(L"Shut down ");
        question.Append(vmName);
        question.Append(L"? Its guest operating system is asked to shut down.");
        style = MB_YESNO | MB_ICONQUESTION;
        break;
    case MachineAction::TurnOff:
        question.Assign(L"Turn off ");
        question.Append(vmName);
        question.Append(L"? This is like pulling its power plug: unsaved work in the guest is lost.");
        break;
    case MachineAction::Reset:
        question.Assign(L"Reset ");
        question.Append(vmName);
        question.Append(L"? It restarts at once: unsaved work in the guest is lost.");
        break;
    default: return true;
    }
    return MessageBoxW(hwnd, question.c_str(), ActionName(action), style) == IDYES;
}

void MainWnd::TakeOutcome(MachineAction action, HRESULT sent, uint32_t returnValue, const WideString& jobPath,
                          const WideString& errorText) {
    if (sent != 0) {
        WideString text(errorText);
        AppendFailureCode(text, static_cast<uint32_t>(sent));
        ShowActionFailure(action, text.c_str());
        return;
    }
    if (returnValue == MethodJobStarted && !jobPath.Empty()) {
        status.jobRunning = true;
        status.jobAction = action;
        status.jobPath = jobPath;
        status.jobPercent = 0;
        status.jobReadFailures = 0;
        status.shutdownPending = false;
        ShowStatusTitle();
        RequestRefresh();  // its first reading at once, not a whole interval later
        return;
    }
    if (returnValue == MethodCompleted || returnValue == MethodJobStarted) {
        // Done at once, or under way without a job to follow: the machine's state tells the rest,
        // for a shutdown on every tick until it is Off.
        if (action == MachineAction::ShutDown)
            status.WatchShutdown(GetTickCount64());
        else
            status.shutdownPending = false;
        if (!status.shutdownPending) ReadState();
        ShowStatusTitle();
        RequestRefresh();
        return;
    }
    WideString text;
    BuildReturnCodeText(returnValue, text);
    ShowActionFailure(action, text.c_str());
}
