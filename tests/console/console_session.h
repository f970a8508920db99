#pragma once
// One run of the unmodified vuemere.exe against the simulated host, for black-box tests and the
// benchmarks: its own scenario file and call log, its window, the dialogs a user goes through, and
// every message box it shows, answered and kept.
#include "uidriver.h"

#include <windows.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

// One line of the simulator's call log (a flat JSON object; "in" holds the method's parameters).
struct LoggedCall {
    explicit LoggedCall(std::string text);
    std::string line;
    nlohmann::ordered_json json;  // discarded (not an object) when the line is not JSON

    // The value of a top-level member (any case): a string's contents, or the JSON text of a
    // number, boolean, array or object. Empty when the member is missing.
    std::string Field(const char* name) const;
    bool Is(const char* call, const char* method = nullptr) const;  // method: case-insensitive
    bool IsFetch() const;  // an image request of either route
};

// A message box as the user saw it, and how many log lines the host had written when it came.
struct ShownBox {
    std::wstring caption;
    std::wstring text;
    std::wstring defaultButton;  // only for a box of more than one button
    size_t loggedBefore = 0;
};

class ConsoleSession {
public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    // Writes the scenario ("" = the simulator's built-in one), points the simulator's log at a
    // fresh file and starts vuemere.exe (`program`, or the one in BinDir() when empty) at `dpi`
    // (Wine's LogPixels, which a program reads when it starts). False with the reason in Error().
    bool Start(const std::string& scenarioJson, const std::wstring& program = {}, int dpi = 96,
               const std::wstring& arguments = {});
    // The session's own folder (its scenario, log and whatever a test saves there).
    const std::wstring& Dir() const { return dir_; }
    const std::wstring& Error() const { return error_; }

    HWND Window() const { return app_.Window(); }
    DWORD ProcessId() const { return app_.ProcessId(); }
    bool Running() const { return app_.Running(); }
    bool WaitExit(DWORD& exitCode) { return app_.WaitExit(exitCode); }
    // Waits until the window has handled what was posted to it so far.
    bool Settle() const { return uidriver::Settle(Window()); }
    // The same, answering with OK every message box of the program but the dialogs in `keep`,
    // and the boxes that follow one. False when the program stops answering.
    bool SettleAndAnswer(const std::vector<HWND>& keep = {});
    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    int yesNoAnswer = IDNO;  // how a box that asks Yes or No is answered
    int okCancelAnswer = IDOK;  // and one that asks OK or Cancel
    // Runs once, while the next box that asks Yes or No is up, before it is answered (the box is
    // left alone meanwhile, also by the settling the hook does).
    std::function<void()> meanwhile;

    std::vector<LoggedCall> Calls() const;
    int CountFetches() const;
    bool Command(int id) const { return uidriver::PostCommand(Window(), id); }
    bool SetClientSize(int width, int height) const { return uidriver::SetClientSize(Window(), width, height); }

    // "&Settings...": puts the given texts (null = leave) into the boxes and presses OK, answering
    // the boxes that come with OK. True when the dialog closed; when an error kept it open, it is
    // cancelled.
    bool ApplySettings(const wchar_t* interval, const wchar_t* captureSize, const wchar_t* whiteFrame = nullptr);

private:
    uidriver::App app_;
    std::wstring dir_;
    std::wstring logPath_;
    std::wstring error_;
    std::vector<ShownBox> boxes_;
    std::vector<HWND> held_;  // boxes waiting for `meanwhile` to end
};

// The Connect dialog of a running program: selects the listed `machine` (its `occurrence`th item
// when several have that name; "*" selects nothing, the dialog's own choice stands), presses
// "Open" and waits for the dialog to close. False when the machine is not listed or the dialog
// stays open.
bool OpenFromList(HWND dialog, const wchar_t* machine, int occurrence = 1);
