#pragma once
#include "console/capture_bitmap.h"
#include "console/typing_queue.h"
#include "console/machine_status.h"
#include "console/reconnect_schedule.h"
#include "dialogs/connect_dlg.h"
#include "dialogs/display_setting.h"
#include "shell/command_line.h"
#include "overview/overview_wnd.h"
#include "shell/base_wnd.h"
#include "shell/wide_string.h"
#include "wmi/byte_buffer.h"
#include "wmi/cluster_model.h"
#include "wmi/vm_conn.h"

#include <windows.h>

#include <cstdint>

enum CursorKind : int32_t { CursorNone = 0, CursorArrow = 2, CursorHidden = 3 };
enum PointerState : int32_t { PointerReleased = 0, PointerHeld = 1, PointerAway = 2 };

// The console window: the program's only top-level window. It owns the typed connection
// parameters, the connection to the host with the open machine, the display settings and the
// state of painting and input forwarding. Its message handling is spread over files by job:
// main_wnd.cpp (creation, menu, routing), refresh.cpp (timer and painting),
// connection_commands.cpp, mouse_input.cpp, keyboard_input.cpp, clipboard_typing.cpp,
// screen_capture.cpp (Copy Screen, Save Screen As), window_dpi.cpp (the monitor's DPI),
// machine_follow.cpp (the open machine's power state, jobs and the title),
// action_commands.cpp (the Action menu), reconnect.cpp (coming back after a lost connection) and
// cluster_follow.cpp (a machine that moves to another node of its cluster).
class MainWnd : public BaseWnd {
public:
    MainWnd() = default;

    // Creates and shows the window; false when CreateWindowExW fails.
    bool Create(const wchar_t* windowTitle, int nCmdShow);

    // Members in declared order.
    WideString title;
    WideString server{L"localhost"};
    WideString user;
    WideString vmName;
    WideString vmId;  // the chosen machine's identifier (Name), when the Connect dialog gave one
    WideString vmNode;          // the cluster node the machine runs on ("" = `server` itself)
    bool vmClustered = false;   // a role of a failover cluster: followed when it moves
    ClusterInfo cluster;        // the cluster of the last listing (no nodes: none)
    VmConn conn;
    UINT_PTR timerId = 0;
    uint32_t holdUntilTick = 0;
    DisplaySetting setting;
    RECT imageRect{0, 0, 0, 0};
    int32_t lastMouseX = 0;
    int32_t lastMouseY = 0;
    int32_t cursorKind = CursorNone;
    int32_t pointerState = PointerHeld;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;  // of the window's monitor (window_dpi.cpp)
    MachineStatus status;  // the open machine's power, and the request of this console under way
    Reconnection link;     // whether the open machine's host answers, and the back-off while not
    OverviewWnd overview{*this};  // the second window, while it is open; closed with this one

    bool MachineOpen() const { return static_cast<bool>(conn.settingData.object); }
    bool ImageAvailable() const { return MachineOpen() && conn.image.byteCount > 0; }
    // A tick asked for now, which unlike the timer's own says nothing of the time that passed.
    void RequestRefresh() {
        refreshRequested = true;
        PostMessageW(hwnd, WM_TIMER, 1, 0);
    }
    void UpdateCursor();
    // Opens a machine as "&Connect..." with "Open" would: that host, that logon, the machine picked
    // by its identifier (the overview's Open).
    void OpenFromOverview(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                          const wchar_t* name, const wchar_t* id);

    // full_screen.cpp. Ctrl+Alt+Pause (Ctrl+Alt+Break) and "&Full Screen" toggle it.
    void ToggleFullScreen();
    bool FullScreen() const { return fullScreen; }

    // Keeps what the command line asked for and, once the window shows, does it (startup.cpp).
    void StartWith(const CommandLine& commandLine);

    // reconnect.cpp. The connection to the open machine's host is lost: the machine stays open,
    // its picture and devices go, and later ticks try again.
    void LoseConnection();

protected:
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // refresh.cpp
    LRESULT OnTimer(WPARAM timerIdParam);
    LRESULT OnPaint();
    // A tick's picture; true when the window is to be erased (the guest was of that size before).
    bool FetchTickImage(int32_t guestWidth, int32_t guestHeight);
    // Every image fetch goes through here, so the padded copy below always matches conn.image.
    HRESULT FetchImage(WideString& errorText, float scale, int32_t width, int32_t height);
    ByteBuffer paddedPixels;  // conn.image with rows padded to 4 bytes, kept when its width is odd
    WideString tickErrorText; // reused by every tick; never shown

    // connection_commands.cpp
    void OnConnect();
    void RunConnectDialog(ConnectDlg& dialog);  // and opens what it chose
    // Opens vmName (by vmId when known) on `server` as `user` with `password`, which it wipes.
    void OpenChosenMachine(WideString& password);
    void OnSettings();
    void OnDisconnect();
    void OnRefreshFullSize();
    // Closes the open machine and forgets everything under way for it: nothing of it may reach
    // the machine opened next (typing, a job or shutdown followed, a hold, devices, its picture).
    void CloseMachine();
    uint32_t closings = 0;  // machines closed so far: a question asked before a closing is stale

    // mouse_input.cpp
    LRESULT OnMouseMove(LPARAM lParam);
    LRESULT OnMouseButton(int32_t buttonIndex, bool isDown);
    LRESULT OnMouseLeave();

    // keyboard_input.cpp
    LRESULT OnKey(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitMenuPopup(HMENU popup);
    bool OnKeyboardCommand(int commandId);  // false when the id is not a Keyboard-menu command

    // clipboard_typing.cpp
    void TypeClipboard();
    void TypeNextPiece();
    void StopTyping();
    bool OnTypingTimer(WPARAM timerIdParam);  // false when the tick is not the typing timer's
    TypingQueue typing;  // the clipboard's text not yet typed

    // screen_capture.cpp
    bool FetchCapture(GuestImage& capture, CaptureLayout& layout);  // false: a box said why
    void OnCopyScreen();
    void OnSaveScreen();
    void OnInitConsoleMenu(HMENU popup);

    // window_dpi.cpp
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    // full_screen.cpp
    static bool IsFullScreenKey(WPARAM key);  // Pause or Break with Ctrl and Alt down
    void EnterFullScreen();
    void LeaveFullScreen();
    void CoverMonitor();  // the whole monitor the window stands on, at its own pixels
    void PaintFullScreenHint(HDC dc, const RECT& area);  // under the no-image text: how to leave
    bool fullScreen = false;
    WINDOWPLACEMENT restorePlace{};  // what leaving gives back
    LONG_PTR restoreStyle = 0;
    HMENU menuBar = nullptr;  // off the window while full screen

    // startup.cpp
    void OnStartup();
    void OpenOverviewOf(const CommandLine& line);  // /overview: its servers, with /user's logon
    CommandLine startup;

    // reconnect.cpp
    void TryReconnect();  // a tick's try on the machine's own host
    // Connects to `target` and opens the machine there by its identifier, then its video head,
    // picture and mouse; on a failure the machine stays open as it was (`missing`: the host
    // answered without it).
    HRESULT Reopen(const wchar_t* target, bool& missing);

    // machine_follow.cpp
    void TakeOpenedState();  // the state the open found, and whether it gave a picture
    bool ReadState();        // one round trip; false when the host did not say
    bool FollowMachine();    // a tick, before its image: the job or shutdown under way (true: its state was read)
    void FollowBoot();       // a tick, before its image: a booting guest's screen size
    void FollowJob();
    void FollowShutdown(bool timed);
    bool refreshRequested = false;  // since the last tick
    void WatchImages();      // a tick, after its image: pictures that stop or start unexpectedly
    void ShowStatusTitle();
    void PaintStatusLine(HDC dc, const RECT& area);
    void ShowActionFailure(MachineAction action, const wchar_t* text);

    // cluster_follow.cpp
    const wchar_t* MachineNode() const;  // the server the machine was opened on
    void OnStateUnread(HRESULT hr);      // a state read failed: gone, or its node lost?
    void BeginMove();
    bool AskOwner(WideString& owner);    // false: no node to open it on now (status.moveNote says why)
    void TryMove();                      // asks the cluster, opens it on its owner, or waits the back-off
    bool clusterAsked = false;           // this connection's host was asked for its cluster

    // action_commands.cpp
    void OnActionPopup(HMENU popup);
    bool OnActionCommand(int commandId);  // false when the id is not an Action-menu command
    bool ConfirmAction(MachineAction action);
    void TakeOutcome(MachineAction action, HRESULT sent, uint32_t returnValue, const WideString& jobPath,
                     const WideString& errorText);
};
