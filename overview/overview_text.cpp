#include "overview/overview_text.h"

#include <cwchar>

namespace {

void AppendNumber(WideString& out, const wchar_t* format, unsigned long long value) {
    wchar_t text[48];
    std::swprintf(text, 48, format, value);
    out.Append(text);
}

struct Wording {
    const wchar_t* verb;  // starts the question: "Turn off" 5 machines?
    const wchar_t* one;   // what the console's question adds for one machine (nullptr: it asks none)
    const wchar_t* many;  // what the question adds for several
    bool destructive;
};
const Wording Wordings[MachineActionCount] = {
    {L"Start", nullptr, L"", false},
    {L"Shut down", L"Its guest operating system is asked to shut down.",
     L"Their guest operating systems are asked to shut down.", false},
    {L"Turn off", L"This is like pulling its power plug: unsaved work in the guest is lost.",
     L"This is like pulling their power plugs: unsaved work in the guests is lost.", true},
    {L"Save", nullptr, L"", false},
    {L"Pause", nullptr, L"", false},
    {L"Resume", nullptr, L"", false},
    {L"Reset", L"It restarts at once: unsaved work in the guest is lost.",
     L"They restart at once: unsaved work in the guests is lost.", true},
    {L"Checkpoint", nullptr, L"A checkpoint of each is taken.", false},
};

// The question names this many machines; a longer selection is counted after them.
constexpr size_t NamesShown = 12;

}  // namespace

void BuildStateText(const TileState& state, WideString& out) {
    out.Clear();
    if (state.jobRunning) {
        out.Assign(ActionProgressWord(state.jobAction));
        AppendNumber(out, L" %llu%%", static_cast<unsigned long long>(state.jobPercent < 0 ? 0 : state.jobPercent));
        return;
    }
    if (!state.known) return;
    out.Assign(StateWord(state.state));
    if (state.state == MachineState::Unknown && state.enabledState != 0) AppendNumber(out, L" %llu", state.enabledState);
}

void BuildHostFailureText(const wchar_t* caption, uint32_t hr, WideString& out) {
    const wchar_t* why = L"failed";
    switch (hr) {
    case 0x800706BA: why = L"not answering"; break;                 // RPC server unavailable
    case 0x800705B4: why = L"not answering"; break;                 // no answer in time
    case 0x80010108: why = L"connection lost"; break;               // RPC_E_DISCONNECTED
    case 0x80070005: case 0x80041003: why = L"logon refused"; break;  // access denied
    case 0x8004100E: why = L"not a Hyper-V host"; break;            // no such namespace
    case 0x8004101D: why = L"answer not understood"; break;         // a summary that is not one
    default: break;
    }
    out.Assign(caption);
    out.Append(L": ");
    out.Append(why);
    AppendNumber(out, L" (0x%08llX)", hr);
}

void BuildCpuText(uint32_t percent, WideString& out) {
    out.Clear();
    AppendNumber(out, L"%llu %%", percent);
}

void BuildMemoryText(uint64_t megabytes, WideString& out) {
    out.Clear();
    AppendNumber(out, L"%llu MB", megabytes);
}

void BuildUptimeText(uint64_t milliseconds, WideString& out) {
    const uint64_t seconds = milliseconds / 1000;
    const uint64_t days = seconds / 86400;
    out.Clear();
    if (days > 0) AppendNumber(out, L"%llu.", days);
    AppendNumber(out, L"%02llu", seconds / 3600 % 24);
    AppendNumber(out, L":%02llu", seconds / 60 % 60);
    AppendNumber(out, L":%02llu", seconds % 60);
}

void BuildHeartbeatText(uint32_t code, WideString& out) {
    switch (code) {
    case 2: out.Assign(L"OK"); return;
    case 3: out.Assign(L"Degraded"); return;
    case 6: out.Assign(L"Error"); return;
    case 7: out.Assign(L"Non-Recoverable Error"); return;
    case 12: out.Assign(L"No Contact"); return;
    case 13: out.Assign(L"Lost Communication"); return;
    case 15: out.Assign(L"Paused"); return;
    default: out.Clear(); AppendNumber(out, L"%llu", code); return;
    }
}

bool BuildActionQuestion(MachineAction action, const std::vector<NamedMachine>& machines, WideString& out,
                         bool& destructive) {
    const Wording& wording = Wordings[static_cast<int>(action)];
    destructive = wording.destructive;
    out.Clear();
    if (machines.empty() || (machines.size() == 1 && !wording.one)) return false;
    out.Assign(wording.verb);
    if (machines.size() == 1) {
        out.Append(L" ");
        out.Append(machines.front().name);
        out.Append(L"? ");
        out.Append(wording.one);
        return true;
    }
    AppendNumber(out, L" %llu machines?", machines.size());
    if (*wording.many) {
        out.Append(L" ");
        out.Append(wording.many);
    }
    out.Append(L"\n");
    for (size_t i = 0; i < machines.size() && i < NamesShown; ++i) {
        out.Append(L"\n");
        out.Append(machines[i].name);
        out.Append(L" (");
        out.Append(machines[i].host);
        out.Append(L")");
    }
    if (machines.size() > NamesShown) AppendNumber(out, L"\nand %llu more", machines.size() - NamesShown);
    return true;
}

void AppendFailureLine(const NamedMachine& machine, const wchar_t* why, WideString& out) {
    if (!out.Empty()) out.Append(L"\n");
    out.Append(machine.name);
    out.Append(L" (");
    out.Append(machine.host);
    out.Append(L"): ");
    out.Append(why);
}
