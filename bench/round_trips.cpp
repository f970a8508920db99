// Round trips per user action: the calls that would cross the wire to a real host, counted in the
// simulated host's log of the unmodified vuemere.exe, the same actions taken in the baseline's
// program and in this build's. Each action's calls are split into its own and those of the image
// refresh it asks for. The refresh timer is set to 60000 ms so that no tick of its own falls into
// a count.
#include "harness.h"
#include "resources/resource.h"

namespace bench {

namespace {

struct Driver {
    ConsoleSession session;
    HWND dialog = nullptr;
};

// A message posted to the window (a menu command is WM_COMMAND), or a step of its own.
struct Action {
    const char* label;  // null: a step between counted actions
    int fetches;        // the image requests it leads to, waited for
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool (*step)(Driver&);
};

// A 1024x768 guest in a 700x560 window is scaled into the area inside the 15-pixel frame; the
// middle of the window lies on the image in any case.
constexpr LPARAM Middle = MAKELPARAM(350, 280), Right3 = MAKELPARAM(353, 280), Right160 = MAKELPARAM(510, 280);

bool KeyboardMenu(Driver& d) {
    const size_t mark = d.session.Calls().size();
    PostMessageW(d.session.Window(), WM_SYSCOMMAND, SC_KEYMENU, 'k');
    // The menu asks for its modifier keys before it takes anything posted after them.
    const bool asked = uidriver::WaitUntil([&] { return CountWireCalls(d.session.Calls(), mark).own >= 8; });
    return PostMessageW(d.session.Window(), WM_CANCELMODE, 0, 0) && asked;
}

// The relative-mode machine, listed and opened after the absolute one.
bool ListAgain(Driver& d) {
    return d.session.ApplySettings(nullptr, L"320x240") && (d.dialog = OpenConnectDialog(d.session)) &&
           PressConnect(d.dialog);
}

const Action Actions[] = {
    {"Connect dialog: list the machines", 0, 0, 0, 0,
     [](Driver& d) { return (d.dialog = OpenConnectDialog(d.session)) && PressConnect(d.dialog); }},
    {"Open (absolute mouse; first image)", 2, 0, 0, 0,
     [](Driver& d) { return OpenFromList(d.dialog, L"Absolute 1024"); }},
    {"refresh, summary route (320 x 240)", 1, WM_TIMER, 1, 0},
    {"first key press (keyboard looked up)", 1, WM_KEYDOWN, 'A', 1},
    {"key release", 1, WM_KEYUP, 'A', static_cast<LPARAM>(0xC0000001)},
    {"key press", 1, WM_KEYDOWN, 'B', 1},
    {"key release", 1, WM_KEYUP, 'B', static_cast<LPARAM>(0xC0000001)},
    {"first mouse move, absolute mode", 1, WM_MOUSEMOVE, 0, Middle},
    {"mouse move, absolute mode", 1, WM_MOUSEMOVE, 0, Right3},
    {"button down, absolute mode", 1, WM_LBUTTONDOWN, MK_LBUTTON, Right3},
    {"button up, absolute mode", 1, WM_LBUTTONUP, 0, Right3},
    {"Ctrl+Alt+Del (six key calls)", 1, WM_COMMAND, IDM_CTRL_ALT_DEL, 0},
    {"opening the Keyboard menu (eight IsKeyPressed)", 0, 0, 0, 0, KeyboardMenu},
    {"Keyboard menu: Shift+", 0, WM_COMMAND, IDM_SHIFT, 0},
    {"Keyboard menu: Kanji", 1, WM_COMMAND, IDM_KANJI, 0},
    {"Settings confirmed, machine open (640 x 480)", 1, 0, 0, 0,
     [](Driver& d) { return d.session.ApplySettings(nullptr, L"640x480"); }},
    {"refresh, method route (640 x 480)", 1, WM_TIMER, 1, 0},
    {"mouse move, absolute mode, method route (no refresh)", 0, WM_MOUSEMOVE, 0, Middle},
    {nullptr, 0, 0, 0, 0, ListAgain},
    {"Open (relative mouse: PS/2 mouse looked up too)", 2, 0, 0, 0,
     [](Driver& d) { return OpenFromList(d.dialog, L"Relative 800"); }},
    {"first mouse move, relative mode", 1, WM_MOUSEMOVE, 0, Middle},
    {"mouse move, relative mode (3 px)", 1, WM_MOUSEMOVE, 0, Right3},
    {"mouse move, relative mode (157 px: two steps)", 1, WM_MOUSEMOVE, 0, Right160},
    {"button down, relative mode", 1, WM_LBUTTONDOWN, MK_LBUTTON, Right160},
    {"button up, relative mode", 1, WM_LBUTTONUP, 0, Right160},
    {"Refresh of full size", 1, WM_COMMAND, IDM_REFRESH_FULL_SIZE, 0},
    {"DisConnect", 0, WM_COMMAND, IDM_DISCONNECT, 0},
};

// Takes every action in the program: one cell per counted action ("own + refresh"), fewer when
// one failed.
std::vector<std::string> TakeActions(const Program& program) {
    std::vector<std::string> cells;
    Driver d;
    if (!StartProgram(d.session, program, Scenario({R"("elementName": "Absolute 1024", "width": 1024, "height": 768)",
                                                    R"("elementName": "Relative 800", "width": 800, "height": 600,
                                                       "mouse": "ps2")"})) ||
        !d.session.SetClientSize(700, 560) || !d.session.ApplySettings(L"60000", nullptr))
        return cells;
    for (const Action& a : Actions) {
        const size_t mark = d.session.Calls().size();
        if (!(a.step ? a.step(d) : PostMessageW(d.session.Window(), a.msg, a.wParam, a.lParam))) {
            std::printf("%s: failed at \"%s\"\n", program.label.c_str(), a.label ? a.label : "a step");
            return cells;
        }
        if (!a.label) continue;
        uidriver::WaitUntil([&] { return CountWireCalls(d.session.Calls(), mark).fetches >= a.fetches; }, 10000);
        d.session.Settle();
        Sleep(100);  // for a refresh request the last handler posted
        d.session.Settle();
        const WireCalls count = CountWireCalls(d.session.Calls(), mark);
        cells.push_back(Text("%d + %d", count.own, count.refresh));
    }
    d.session.Command(IDM_EXIT);
    uidriver::WaitUntil([&] { return !d.session.Running(); });
    const std::vector<LoggedCall> calls = d.session.Calls();
    std::printf("%s, last log line: %s\n", program.label.c_str(), calls.empty() ? "" : calls.back().line.c_str());
    return cells;
}

}  // namespace

bool RoundTrips() {
    std::printf("Round trips per user action: wire calls in the simulated host's log, own + refresh\n");
    const std::vector<Program> programs = Programs();
    std::vector<std::vector<std::string>> columns;
    for (const Program& program : programs) columns.push_back(TakeActions(program));
    Table table(Header("action", programs, {""}));
    size_t row = 0;
    for (const Action& action : Actions) {
        if (!action.label) continue;
        std::vector<std::string> cells{action.label};
        for (const auto& column : columns) cells.push_back(row < column.size() ? column[row] : "failed");
        table.Add(cells);
        ++row;
    }
    table.Print();
    return std::all_of(columns.begin(), columns.end(), [&](const auto& column) { return column.size() == row; });
}

}  // namespace bench
