#include "overview/overview_wnd.h"
#include "console/machine_status.h"
#include "resources/resource.h"

#include <algorithm>

// The Action items on the selected machines: the console's commands (ids and texts) and its rules
// of what each state allows. An action asks at most once, names the machines it will act on and
// then acts on exactly those (held by host and identifier, whatever is selected when the answer
// comes), sends one request per machine, shows each machine's progress on its tile, and reports
// every failure in one box once none is left under way. One action runs at a time.

static_assert(IDM_ACTION_CHECKPOINT - IDM_ACTION_START + 1 == MachineActionCount,
              "the Action menu's ids follow MachineAction's order");

namespace {

bool ActionOf(int id, MachineAction& action) {
    if (id < IDM_ACTION_START || id > IDM_ACTION_CHECKPOINT) return false;
    action = static_cast<MachineAction>(id - IDM_ACTION_START);
    return true;
}

const wchar_t ShutdownReason[] = L"Shut down from the vuemere overview";
const wchar_t TextNoLongerListed[] = L"no longer listed on its host";
const wchar_t TextNoShutdownService[] = L"has no working shutdown service in its guest";

}  // namespace

void OverviewWnd::EnableActions(HMENU popup) {
    if (GetMenuState(popup, IDM_ACTION_START, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
    const std::vector<LPARAM> selected = SelectedKeys();
    for (int i = 0; i < MachineActionCount; ++i) {
        const auto action = static_cast<MachineAction>(i);
        bool allowed = false;
        for (LPARAM key : selected) {
            OverviewHost* host = nullptr;
            const OverviewMachine* machine = MachineOf(key, &host);
            allowed = allowed || (machine && !host->failed && machine->tile.known && !machine->tile.jobRunning &&
                                  ActionAllowed(machine->tile.state, action));
        }
        EnableMenuItem(popup, static_cast<UINT>(IDM_ACTION_START + i),
                       MF_BYCOMMAND | (allowed && !batchRunning_ ? MF_ENABLED : MF_GRAYED));
    }
}

bool OverviewWnd::OnActionCommand(int id) {
    MachineAction action;
    if (!ActionOf(id, action)) return false;
    if (batchRunning_) return true;  // one at a time; the menu is greyed meanwhile
    // The machines that allow it, as the question will name them.
    std::vector<BatchItem> items;
    for (LPARAM key : SelectedKeys()) {
        OverviewHost* host = nullptr;
        const OverviewMachine* machine = MachineOf(key, &host);
        if (!machine || host->failed || !machine->tile.known || machine->tile.jobRunning ||
            !ActionAllowed(machine->tile.state, action))
            continue;
        BatchItem& item = items.emplace_back();
        item.host = host->serial;
        item.id = machine->id;
        item.name = machine->name;
        item.hostCaption = host->caption;
    }
    if (items.empty()) return true;
    std::vector<NamedMachine> named;
    for (const BatchItem& item : items) named.push_back({item.name.c_str(), item.hostCaption.c_str()});
    WideString question;
    bool destructive = false;
    if (BuildActionQuestion(action, named, question, destructive)) {
        batchRunning_ = true;  // the box's own loop runs ticks and menus meanwhile
        const UINT style = MB_YESNO | (destructive ? MB_ICONWARNING | MB_DEFBUTTON2 : MB_ICONQUESTION);
        const bool yes = MessageBoxW(hwnd, question.c_str(), ActionName(action), style) == IDYES;
        batchRunning_ = false;
        if (!yes || !IsWindow(hwnd)) return true;
    }
    batchRunning_ = true;
    batchAction_ = action;
    batch_ = std::move(items);
    for (BatchItem& item : batch_) {
        OverviewHost* host = FindHost(item.host);
        OverviewMachine* machine = host ? host->Find(item.id.c_str()) : nullptr;
        if (!machine || host->failed) {
            item.failure.Assign(host && host->failed ? L"its host is not answering" : TextNoLongerListed);
            continue;
        }
        VmConn& conn = host->conn;
        WideString errorText, jobPath;
        uint32_t returnValue = 0;
        HRESULT sent = conn.OpenMachineById(item.id.c_str(), errorText);
        if (sent != 0 && errorText.Empty()) errorText.Assign(TextNoLongerListed);
        if (sent == 0 && action == MachineAction::ShutDown) {
            bool usable = false;
            sent = conn.FindShutdownComponent(usable, errorText);
            if (sent == 0 && !usable) {
                item.failure.Assign(TextNoShutdownService);
                continue;
            }
        }
        if (sent == 0) sent = conn.SendAction(action, ShutdownReason, returnValue, jobPath, errorText);
        // The overview opens no machine: what the request needed is let go again.
        conn.machine.Reset(nullptr);
        conn.settingData.Reset(nullptr);
        if (sent != 0) {
            item.failure = errorText;
            AppendFailureCode(item.failure, static_cast<uint32_t>(sent));
        } else if (returnValue == MethodJobStarted && !jobPath.Empty()) {
            item.pending = true;
            machine->jobPath = jobPath;
            machine->tile.jobRunning = true;
            machine->tile.jobAction = action;
            machine->tile.jobPercent = 0;
            machine->tileDirty = true;
        } else if (returnValue != MethodCompleted && returnValue != MethodJobStarted) {
            BuildReturnCodeText(returnValue, item.failure);
        }
    }
    PostMessageW(hwnd, WM_TIMER, OverviewTimerId, 0);  // the first progress, and the state, at once
    return true;
}

void OverviewWnd::FollowJobs() {
    for (const auto& host : hosts_) {
        if (host->failed || !host->connected) continue;
        for (OverviewMachine& machine : host->machines) {
            if (!machine.tile.jobRunning) continue;
            JobStatus job;
            WideString errorText;
            const HRESULT read = host->conn.ReadJob(machine.jobPath.c_str(), job, errorText);
            const JobOutcome outcome = read == 0 ? ClassifyJobState(job.jobState) : JobOutcome::Failed;
            if (read == 0) machine.tile.jobPercent = job.percentComplete;
            machine.tileDirty = true;
            if (outcome == JobOutcome::Running) continue;
            // A job that cannot be read is not followed further: every tick would fail the same way.
            machine.tile.jobRunning = false;
            for (BatchItem& item : batch_) {
                if (item.host != host->serial || !(item.id == machine.id) || !item.pending) continue;
                item.pending = false;
                if (read != 0) {
                    item.failure = errorText;
                    AppendFailureCode(item.failure, static_cast<uint32_t>(read));
                } else if (outcome == JobOutcome::Failed) {
                    BuildJobFailureText(job.errorDescription.c_str(), job.errorCode, job.jobState, item.failure);
                }
            }
        }
    }
}

void OverviewWnd::EndBatchIfDone() {
    if (!batchRunning_ || std::any_of(batch_.begin(), batch_.end(), [](const BatchItem& i) { return i.pending; })) return;
    WideString text;
    for (const BatchItem& item : batch_)
        if (!item.failure.Empty()) AppendFailureLine({item.name.c_str(), item.hostCaption.c_str()}, item.failure.c_str(), text);
    batch_.clear();
    batchRunning_ = false;  // settled before the box, whose own loop runs ticks
    if (text.Empty()) return;
    WideString caption(L"cannot ");
    caption.Append(ActionName(batchAction_));
    MessageBoxW(hwnd, text.c_str(), caption.c_str(), MB_OK);
}
