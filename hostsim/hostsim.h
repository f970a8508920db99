#pragma once
// In-process access to the simulated Hyper-V host: install it as the process's WMI locator,
// read its call log, inject faults and look at (or change) a guest's state.
//
// All state lives in one process-wide simulator guarded by one mutex: every member below may
// be called from any thread while clients talk to the simulator through COM.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

struct Machine;  // internal state of one simulated virtual machine

// One call that crossed a COM interface of the simulator (the same data as one log line).
struct CallRecord {
    int seq = 0;                 // 1, 2, ... in call order since the scenario was loaded
    std::string call;            // "ConnectServer", "SetBlanket", "ExecQuery", "Next", "GetObject", "ExecMethod",
                                 // "GetMethod", "SpawnInstance", "Get", "Put", "CreateInstance"
    std::string className;       // class of the object or call target ("__PARAMETERS" for parameter objects)
    std::string method;          // method of ExecMethod / GetMethod, or whose parameters a Put / Get touched
    std::string target;          // object path given to ExecMethod or GetObject
    std::string property;        // property name of Get / Put
    std::string query;           // WQL text of ExecQuery and of the enumerator's Next
    std::string nameSpace;       // namespace path given to ConnectServer
    std::string user;            // ConnectServer user, or the SetBlanket identity's user (never a password)
    std::string domain;          // SetBlanket identity's domain
    int authnLevel = -1;         // SetBlanket authentication level
    int impLevel = -1;           // SetBlanket impersonation level
    std::string inJson;          // ExecMethod in-parameters (Put: the value put) as JSON object text, or ""
    HRESULT hr = S_OK;           // what the call returned
    bool wire = false;           // true for calls that cross the wire on a real host
    int count = 0;               // objects delivered (ExecQuery: result set size, Next: objects returned)
    unsigned long ms = 0;        // milliseconds from the scenario's load to the call's answer
    long timeout = 0;            // Next: the time-out the client gave (-1: WBEM_INFINITE)
    std::string hostile;         // the shape of a hostile host's answer, or ""
};

// Live state of one simulated guest. Handles stay valid until the next scenario load.
class Guest {
public:
    std::wstring elementName() const;          // display name (ElementName)
    std::wstring name() const;                 // identifier GUID (Name)
    int generation() const;                    // 1, or 2 for a UEFI machine with synthetic devices only
    int width() const;                         // current screen width in pixels
    int height() const;                        // current screen height in pixels
    void SetResolution(int width, int height); // changes the screen size the video head reports
    // Makes "synthetic" or "s3" the active display controller, its screen width x height, as a
    // guest does when its video integration services load or unload. False, and nothing changed,
    // for another name or a controller the machine lacks (generation 2 has no S3 one).
    bool SwitchDisplay(const std::string& display, int width, int height);
    uint16_t mouseEnabledState() const;        // EnabledState of the synthetic mouse (2 enabled, 3 disabled)
    void SetMouseEnabledState(uint16_t state); // enables or disables the synthetic mouse
    int pointerX() const;                      // pointer position in guest pixels
    int pointerY() const;
    bool ButtonDown(int index) const;          // mouse button state, 1-based index as the devices take it
    bool KeyDown(int vk) const;                // keyboard state by virtual-key code (16/17/18: either side)
    std::wstring TypedText() const;            // what the guest's text area shows
    void ClearTypedText();                     // empties the text area
    unsigned frame() const;                    // number of screen images the host has sent so far
    // The current screen as RGB 5-6-5 pixels, width() x height(), first row at the top.
    std::vector<uint16_t> Framebuffer() const;
    // The bytes the host sends for an image of this size (tightly packed RGB 5-6-5 rows, first row at
    // the top) of the current frame, without counting a new frame.
    std::vector<uint8_t> Thumbnail(int width, int height) const;

private:
    friend struct Machine;
    explicit Guest(Machine* machine) : machine_(machine) {}
    Machine* machine_;
};

// The process-wide simulator. Scenario, fault and change JSON forms are described in docs/HOSTSIM.md.
class Simulator {
public:
    // Replaces all state (hosts, guests, faults, log, counters) by the scenario; "" = built-in default.
    // Returns S_OK or E_INVALIDARG (the reason is in LoadError()).
    HRESULT Load(const std::string& scenarioJson);
    std::string LoadError() const;             // why the last Load failed, or ""

    std::vector<CallRecord> Calls() const;     // the call log since the last Load / ClearCalls
    void ClearCalls();                         // empties the in-memory call log and its counters
    int WireCallCount() const;                 // calls in the log that crossed the wire
    // Logged calls of this kind (and, when given, of this method, case-insensitive).
    int CountCalls(const std::string& call, const std::string& method = {}) const;
    long LiveObjects() const;                  // COM objects handed out and not yet released

    // Adds a fault in the scenario's form; an optional "host" member names the host, else all hosts.
    // Returns S_OK or E_INVALIDARG for a malformed fault.
    HRESULT AddFault(const std::string& faultJson);
    void ClearFaults();                        // removes every fault of every host (a cut connection stays cut)
    // Adds a change in the scenario's form; its "after" counts wire calls to `host` from now on.
    HRESULT AddChange(const std::string& host, const std::string& changeJson);
    void SetLatencyMs(const std::string& host, int ms); // delay of every later wire call to that host

    // The guest of the first machine of `host` (name or alias, UTF-8) with that display name, or nullptr.
    Guest* FindGuest(const std::string& host, const std::wstring& elementName);
};

// The one simulator of this process.
Simulator& TheSimulator();

// Test helper: loads a scenario and registers the simulator as this process's WbemLocator class, so a
// plain CoCreateInstance(CLSID_WbemLocator, ...) reaches it. COM must already be initialised.
class InProcessHost {
public:
    explicit InProcessHost(const std::string& scenarioJson = {});
    ~InProcessHost();                          // revokes the registration
    InProcessHost(const InProcessHost&) = delete;
    InProcessHost& operator=(const InProcessHost&) = delete;
    HRESULT Status() const { return status_; } // S_OK, the Load failure, or CoRegisterClassObject's result
    Simulator& sim() const { return TheSimulator(); } // shorthand for TheSimulator()

private:
    HRESULT status_ = E_FAIL;
    DWORD cookie_ = 0;
};

}  // namespace hostsim
