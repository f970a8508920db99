#pragma once
// One run of the unmodified vuemere.exe against the simulated host for the robustness tests: the
// steps a user takes (listing, opening a machine, input, settings), every message box that comes
// up on the way recorded and answered, and what is left at the end (the window's picture, the exit
// code, the host's count of COM objects never released).
#include "console_session.h"

#include <windows.h>

#include <string>
#include <vector>

// A message box as the user saw it.
struct ShownBox {
    std::wstring caption;
    std::wstring text;
    bool operator==(const ShownBox& other) const { return caption == other.caption && text == other.text; }
};

// What the window shows in its client area.
enum class Picture {
    Unchecked,
    NoImageText,  // "console image is not available." alone, centred
    Image,        // the guest's screen, nowhere but where the program places it
};

class RobustRun {
public:
    RobustRun() = default;
    ~RobustRun();
    RobustRun(const RobustRun&) = delete;
    RobustRun& operator=(const RobustRun&) = delete;

    // Starts vuemere.exe with the scenario and a client area of 420 x 320. False with the reason
    // in Error().
    bool Start(const std::string& scenarioJson);
    const std::wstring& Error() const { return session_.Error(); }
    ConsoleSession& Session() { return session_; }
    const std::vector<ShownBox>& Boxes() const { return boxes_; }

    // ---- Steps. Each waits until the window has handled it and answers every message box that
    // came up meanwhile. False when the step could not be taken at all (a window missing, the
    // program gone), which is a failure of its own.

    // "&Connect...", the server, "Connect". With `machine`, selects it and presses "Open" when it
    // is listed (`opened` tells), otherwise cancels the dialog.
    bool Connect(const wchar_t* machine, bool& opened, const wchar_t* server = L"localhost");
    // "&Settings..." with a new capture size.
    bool SetCaptureSize(const wchar_t* captureSize);
    // A refresh request, as commands and input post it.
    bool Refresh();
    // Moves, a click and keys on the image; the Keyboard menu opened and closed, its sticky Shift
    // twice, Ctrl+Alt+Del, typing the clipboard, and last the Kanji key.
    bool AbsoluteInput();
    // Pointer moves and a click in relative mode.
    bool RelativeInput();
    bool FullSizeRefresh();
    bool Disconnect();
    bool Command(int id);

    // Whether the window's client area shows `expected`. For an image, `guestWidth` x
    // `guestHeight` is the screen size the program placed it by: nothing may be drawn outside that
    // place, and its top-left corner must show the guest's red corner mark. `corners` also checks
    // the other three marks (green, blue, white), which a picture painted from misaligned rows
    // would not show in place.
    bool Shows(Picture expected, int guestWidth, int guestHeight, bool corners, std::string& why);

    // Ends the program with "終了(&X)". True when it ended by itself with exit code 0; `liveObjects`
    // is the count from the host's closing log line (-1 when there is none).
    bool Exit(long& liveObjects);

    // Log lines whose call is `call` and whose hr is `hr` ("0x80041001"), narrowed by method and
    // property when given (any case).
    int CountLogged(const std::string& call, const std::string& hr, const std::string& method = {},
                    const std::string& property = {}) const;

    // Private bytes of the program: PrivateUsage, or PagefileUsage (the same commit charge on
    // Windows) where Wine leaves PrivateUsage 0. -1 when it cannot be read.
    long long PrivateBytes() const;

    // Waits until the window has handled what was posted, answering each message box it shows
    // (and the boxes that follow one). False when the program stops responding.
    bool Settle();
    bool Post(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    RECT ImageCentre() const;

    ConsoleSession session_;
    HANDLE process_ = nullptr;
    std::vector<ShownBox> boxes_;
    std::vector<HWND> knownDialogs_;  // the Connect or setting dialog while one is open
};
