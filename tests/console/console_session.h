#pragma once
// One run of the unmodified vuemere.exe against the simulated host, for black-box tests: its own
// scenario file and call log, its window, and the steps a user takes in it.
#include "uidriver.h"

#include <windows.h>
#include <nlohmann/json.hpp>

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
    // The in-parameter's JSON text ("" when absent), e.g. "1024" or "[7]".
    std::string In(const char* parameter) const;
};

class ConsoleSession {
public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    // Writes the scenario ("" = the simulator's built-in one), points the simulator's log at a
    // fresh file and starts vuemere.exe (`program`, or the one in BinDir() when empty). False with
    // the reason in Error().
    bool Start(const std::string& scenarioJson, const std::wstring& program = {});
    const std::wstring& Error() const { return error_; }

    HWND Window() const { return app_.Window(); }
    DWORD ProcessId() const { return app_.ProcessId(); }
    bool Running() const { return app_.Running(); }
    std::wstring Title() const { return uidriver::Text(Window()); }
    // Waits until the window has handled what was posted to it so far.
    bool Settle() const { return uidriver::Settle(Window()); }

    // ---- The call log
    std::vector<LoggedCall> Calls() const;
    int CountFetches() const;
    // Waits until more than `count` image requests are logged; false on timeout.
    bool WaitForFetches(int count, DWORD timeoutMs = uidriver::DefaultTimeoutMs) const;

    // ---- Commands
    // "&Connect...": types `server`, presses "Connect", picks `machine`, presses "Open". False when
    // the dialog does not get that far (nothing is left open then).
    bool OpenMachine(const wchar_t* machine, const wchar_t* server = L"localhost");
    // "&Connect...": types the host and the logon, presses "Connect" and reads the machine list,
    // then cancels. A failed listing's message box ("connect error") is answered and its text
    // returned in `errorText`; the list is then empty.
    std::vector<std::wstring> ListMachines(const wchar_t* server, std::wstring& errorText,
                                           const wchar_t* user = L"", const wchar_t* password = L"");
    // "&Settings...": puts the given texts (null = leave) into the boxes and presses OK; answers
    // the performance warning with OK when it comes. False when the dialog does not close.
    bool ApplySettings(const wchar_t* interval, const wchar_t* captureSize,
                       const wchar_t* whiteFrame = nullptr);
    bool Command(int id) const { return uidriver::PostCommand(Window(), id); }

    // A message box of this program with `caption`: its text, after answering it with OK.
    // Sets `shown` to whether one came in time.
    std::wstring AnswerMessageBox(const wchar_t* caption, bool& shown) const;
    // Visible dialogs and message boxes of the program.
    size_t OpenDialogs() const { return uidriver::Dialogs(ProcessId()).size(); }

    // Resizes the window so that its client area is `width` x `height`.
    bool SetClientSize(int width, int height) const;

private:
    uidriver::App app_;
    std::wstring dir_;
    std::wstring logPath_;
    std::wstring error_;
};
