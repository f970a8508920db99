#pragma once
// Black-box scenarios written as rows: the steps a user takes in the unmodified vuemere.exe, and
// the transcript of what the run showed: message boxes ("caption: text"), machine listings, the
// host's log lines a row watches (device calls such as "PressKey 65" by default), and what
// observing steps saw. A row passes when the transcript is exactly the one it expects.
//
// Steps, separated by ";" (coordinates are relative to the top-left corner of the guest's image):
//   settings INTERVAL CAPTURE [FRAME]   the setting dialog ("-" leaves a box as it is)
//   open MACHINE [SERVER [USER PASSWORD]]  Connect, pick the machine, Open ("not listed M" if absent);
//                                       NAME#K: the Kth item of that name, *: the dialog's own pick
//   list SERVER...                      Connect once per server in one dialog ("listed a, b")
//   move|ldown|lup|rdown|rup X Y        a mouse message posted to the window
//   key|keyup|syskey|syskeyup VK        a key message (VK a number, or a letter)
//   tick | keymenu | COMMAND            a refresh request; the Keyboard menu opened and closed;
//                                       a menu command (full, copy-screen, disconnect,
//                                       ctrl-alt-del, shift, application, kanji, type-clipboard,
//                                       through-alt, full-screen, start, shut-down, turn-off, save-state, pause,
//                                       resume, reset, checkpoint)
//   action LETTER                       the Action menu opened, and its item of that mnemonic
//                                       chosen (nothing happens when it is greyed)
//   answer yes|no|ok|cancel             how the boxes that ask Yes or No (default no), or OK or
//                                       Cancel (default ok), are answered
//   meanwhile STEP                      STEP is taken while the next box asking Yes or No is up
//   post COMMAND                        the menu command posted, not waited for (the next step's
//                                       message comes before any timer's)
//   copy TEXT                           puts the rest of the step after one blank on the clipboard
//   held STEP                           STEP taken while this program holds the clipboard open
//   client W H                          sizes the window's client area
//   typed                               waits for the refresh that ends typing the clipboard
//   point X Y                           puts the real pointer there (before a machine is open:
//                                       the moves it makes reach the window at once, and twice)
//   save NAME [keep|replace|readonly|locked|box]  "Save Screen As" into NAME in the session's
//                                       folder ("no Save As dialog" when none came; the suggested
//                                       name's time checked against the clock of the program's TZ);
//                                       the replace question answered No (keep, then cancelled) or Yes
//                                       (replace; also on the file made read-only first, or held open
//                                       by this program until 300 ms after the dialog); box: Reset
//                                       chosen while the dialog is up, the dialog cancelled under its
//                                       box. Files left beside NAME are reported
//   clipboard | saved NAME | dpi        observe the clipboard's bitmap (or text), the PNG saved
//                                       as NAME (decoded, and compared with the clipboard's), the
//                                       window's DPI
//   watch KIND...                       log lines to transcribe: device fetch connect class
//                                       (definitions fetched) heads (the display controller and
//                                       video head queries, as "select|associators CLASS COUNT")
//                                       control (power methods) read (objects read by their path)
//                                       target (the machine a power method went to, by name)
//   window                              the window's rectangle ("= monitor" when it covers its
//                                       monitor), caption and menu bar
//   ctrl-alt-pause                      the keys typed for real (SendInput) into the console
//   title | cursor | ended              observe the window title, where the pointer is
//                                       ("cursor X,Y"), that the program ends ("ended")
//   ticking                             waits for an image request the timer makes by itself
//   shows WxH [corners|exact]           waits until the window shows the guest's image placed for
//   | shows text | shows text+line      that screen size (all four corner marks; or filling
//                                       exactly that place), or only the centred "console image
//                                       is not available." (and a line under it)
//   wire N                              "wire calls <= N" when at most N wire calls were logged
//                                       since the last such step
//   wait MS                             lets MS milliseconds pass (a back-off's delay)
//   tries                               the ConnectServer tries since a call failed with
//                                       RPC_E_DISCONNECTED, and whether any came before its
//                                       step of the back-off
//   logged TEXT                         whether the host's log holds TEXT anywhere
//   dialog                              the Connect dialog the command line opened: its server,
//                                       user, focus, list and selection
//   enter [PASSWORD]                    types the password, if any, and presses Enter there
// The overview (its items named by their text, "_" standing for a blank):
//   overview                            "&Overview..." in the console: its window and its title
//   ov COMMAND                          one of its commands (refresh, details, large, medium,
//                                       small, remove-host, open, close) or Action items (start, ...)
//   ov-add SERVER [USER PASSWORD]       "&Add Host..." ("Add Host stays open" when it does)
//   ov-widths                           the Details columns' widths in pixels
//   ov-tick | ov-wire                   a tick; a tick and its wire calls (one that lists a host's
//                                       machines is followed by one that does not)
//   ov-rows [COLUMN...]                 its items' texts, in its order (default: Name and Host)
//   ov-select NAME... | ov-key VK       selects those items; a key pressed in the list
//   ov-menu LETTER                      the shortcut menu (as Shift+F10 opens it), and its item of
//                                       that mnemonic chosen
//   ov-tiles | ov-wait-colour HOST      each tile in colour or grey; waits (as long as a host's
//                                       retry) until the tiles of HOST's items are in colour
// Every step settles the window and answers the boxes that came. Whatever the row watches, a
// device call, image request or power method that names another machine than the one opened last
// is transcribed with " (not to MACHINE)".
#include "console_session.h"

#include <ostream>
#include <string>
#include <vector>

// How the log of an image request of the default capture size (320 x 240) is transcribed.
inline constexpr char Summary[] = "GetSummaryInformation [0,7]";
// The warning a custom capture size brings (its default button is Cancel; it is answered OK).
inline constexpr char CaptureWarning[] =
    "setting: If custom size or scale, The performance issue is caused. \nIt becomes as worker-process hung up. In "
    "the worst case, it is necessary to reboot Hyper-V. \n\ncontinue ? [Cancel]";

// The hosts every row runs against, each with `faults` (JSON objects, comma-separated) added; a
// {"hostile": {...}} or {"generate": {...}} among them is set as a member of every host (or of the
// one its "host" names).
std::string BaseScenario(const std::string& faults = "");

struct Row {
    const char* name;
    std::string steps;
    std::vector<std::string> transcript;
    std::string faults;
    int dpi = 96;
    std::string arguments;  // the command line; its rows keep the default interval (1 s)
};

class ScenarioRun {
public:
    enum Watch : unsigned { Device = 1, Fetch = 2, Connect = 4, Class = 8, Heads = 16, Control = 32, Read = 64, Target = 128 };

    // Starts vuemere.exe on the base scenario with `faults` at `dpi`, its client area 420 x 320
    // and the refresh timer at 60,000 ms, so that only the steps ask for images.
    explicit ScenarioRun(const std::string& faults = "", int dpi = 96, const std::string& arguments = "");
    ~ScenarioRun();  // removes the files it saved
    bool Started() const { return started_; }

    // Takes the steps; false when one could not be taken at all (the program gone or not
    // answering, a dialog missing), with the step in the transcript.
    bool Run(const std::string& steps);
    bool Step(const std::vector<std::string>& words);

    // Whether the window shows what `shows` describes ("320x240", "321x241 corners", "text"),
    // waiting up to `timeoutMs`; `why` tells what it showed instead.
    bool Shows(const std::string& what, std::string& why, DWORD timeoutMs = uidriver::DefaultTimeoutMs);
    // Ends the program with its exit command: true when it ends by itself with exit code 0.
    // `liveObjects` is the count of the host's closing log line (-1 when there is none).
    bool Exit(long& liveObjects);

    ConsoleSession session;
    std::vector<std::string> transcript;
    unsigned watch = Device;

private:
    bool OverviewStep(const std::vector<std::string>& words);
    bool ConnectDialog(const std::vector<std::string>& servers, const std::wstring& machine,
                       const std::wstring& user, const std::wstring& password);
    bool Post(UINT msg, WPARAM wParam, LPARAM lParam);
    POINT ImagePoint(const std::string& x, const std::string& y) const;
    void Transcribe();  // the log lines and boxes that came since the last call
    bool SaveScreen(const std::string& name, const std::string& mode);
    std::string Clipboard();
    std::string Saved(const std::string& name);

    bool started_ = false;
    HWND overview_ = nullptr, ovList_ = nullptr;  // the overview window and its list view
    std::string opened_;  // the machine opened last
    size_t logged_ = 0, boxes_ = 0, wireMark_ = 0;
    uidriver::Pixels copied_;          // the clipboard's bitmap as last observed
    std::vector<std::wstring> saved_;  // files the steps saved
};

// Runs the row in a program of its own and compares the transcript.
void ExpectRow(const Row& row);
void PrintTo(const Row& row, std::ostream* out);  // its name, in the test's output
