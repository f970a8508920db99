// The fault matrix: every WMI call site of the program under a failing HRESULT, the host going away
// in the middle of a session (RPC_E_DISCONNECTED), malformed replies, methods that answer a failure
// code and jobs that end in exception, each driven through the unmodified vuemere.exe in the sim
// Wine prefix with the fault in its scenario. For every case the program must keep running and
// answering, show exactly the message boxes its design gives for that failure (caption and text)
// and no others, paint nothing but the guest's picture in its place or the no-image text (with the
// state's line under it), end with exit code 0, and leave no COM object of the host unreleased.
// The log must show that the fault acted, so that no case passes by never reaching its call site.
// After a disconnect a new Connect must show the guest again; once a machine is open, the console
// comes back by itself at the next tick (its own tries are not transcribed), so what follows the
// disconnect meets a live connection again.
//
// By default a selection runs (the first case of each kind in each script, every malformed reply,
// method answer and failing job, the second provider version and the first uses of a class);
// VUEMERE_FAULT_MATRIX=full runs every case (scripts/bench does), VUEMERE_FAULT_CASE=text only
// those whose call site contains the text, VUEMERE_FAULT_COLUMN=fails|gone only that column.
#include "scenario_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

const char Hr[] = "0x80041001";            // WBEM_E_FAILED, as the host would answer
const char Disconnected[] = "0x80010108";  // RPC_E_DISCONNECTED

// The steps after the start. The Connect dialog's listing reads 4 computer systems (the host's own
// first): one ExecQuery, one Next, four reads of Name and of ElementName; a fault meant for the
// console's own calls skips those with "after". Input goes to the middle of the image.
enum Script { Listing, Open, MethodOpen, OpenSettings, OpenInput, OpenBeta, OpenOdd, OpenV2, OpenCapture, Control,
              ControlV2, Overview, ClusterOpen, ClusterMove };
const char* const Steps[] = {
    "open Alpha",
    "open Alpha; tick",
    "settings - x1.0; open Alpha; tick",
    "open Alpha; tick; settings - x1.0; tick; full",
    "open Alpha; tick; move 160 120; ldown 160 120; lup 160 120; key A; keyup A; keymenu; shift; shift; "
    "ctrl-alt-del; copy ab; type-clipboard; kanji",
    "open Beta; tick; move 160 120; move 200 130; move 100 100; ldown 160 120; lup 160 120",
    "settings - x1.0; open Odd; tick",
    "open Gamma hv-v2; tick",
    "open Alpha; tick; copy before; copy-screen; clipboard; save shot.png",
    // Worker's jobs end on their second read (the refresh a command posts, and a tick); the
    // shutdown, on the second read of the machine.
    "open Worker ctl; pause; tick; resume; tick; checkpoint; tick; answer yes; shut-down; tick; tick",
    "open Mute2 ctl-v2; checkpoint; tick",
    // The overview of a host with one machine running and three off; no machine open in the console.
    "overview; ov-add idle; ov-tick; ov-rows 0 2; ov-tiles",
    // ClB is listed through node-1's cluster and opened on node-2; ClA live-migrates from node-1
    // to node-2 while it is watched (gone at the third tick).
    "open ClB node-1; tick",
    "open ClA node-1; tick; tick; tick; tick",
};
const char LiveMove[] = R"({"host": "node-1", "machine": "ClA", "migrate": "node-2", "after": 33, "how": "live"})";
// The machine a script opens again after the host went away.
// Control's cases may end with Worker shut down: another running machine of its host is opened.
const char* const Reopen[] = {"Alpha", "Alpha", "Alpha", "Alpha", "Alpha", "Alpha", "Alpha", "Gamma hv-v2",
                              "Alpha", "Mute ctl", "Mute2 ctl-v2", "Busy idle", "ClB node-1", "ClA node-1"};

// What a case shows: the picture ("image" of a 320 x 240 guest, "image WxH [corners]", or "text"),
// then the transcript's lines (message boxes as "caption: text", "%hr" standing for the injected
// HRESULT; "not listed M"), separated by "|".
struct Case {
    const char* site;
    Script script;
    std::string match;  // the fault without its effect
    std::string failing;  // with a failing HRESULT (or the malformed reply in `match`); "" = not run
    std::string gone;     // with RPC_E_DISCONNECTED after this call; "" = not run
};

const std::string I = "image", T = "text", Line = "line";  // Line: the text and the state's line under it
std::string Box(const char* caption, const char* text = "") { return std::string("|") + caption + ": " + text; }
std::string ListingError(const char* text) { return T + Box("connect error", text) + " (%hr)|not listed Alpha"; }
const char Locator[] = "Failed to create IWbemLocator object.", Connect[] = "cannot conect for server",
           Blanket[] = "cannot set authenticate proxy object", Query[] = "Query for operating system name failed.";
const char NoImage[] = "the host sent no usable image";
const std::string SkippedNode3 = "|connect: The machines of these nodes of cluster hvc1 are not listed:\nNODE-3 (Down)";
std::string Capture(const char* text) {
    return Box("cannot capture screen", text) + "|clipboard text before" + Box("cannot capture screen", text) +
           "|no Save As dialog";
}
const std::string CannotConnect = "|cannot connect server: ", CannotService = "|cannot VirtualSystemImageService: ",
                  CannotOpen = "|cannot open vm: ", Head = Box("cannot get VideoHead"),
                  Mouse = Box("cannot get mouse device"), Image = Box("cannot get Thumbnailvm", "err"),
                  Kanji = Box("type scancode of Kanji key");
// "ab" typed from the clipboard: a piece not typed says so, and why.
std::string NotTyped(const std::string& why) {
    return Box("type from clipboard", ("typing stopped after 0 of 2 characters: " + why).c_str());
}
const std::string Typing = NotTyped("the host did not take the text (%hr)"),
                  NoKeyboard = NotTyped("Query for operating system name failed. (0x80041002)"),
                  Refused = NotTyped("the host did not take the text (0x80041008)");
// The Action menu's boxes: Shut Down's question (answered Yes), and what a command could not do.
const std::string AskDown = Box("Shut Down", "Shut down Worker? Its guest operating system is asked to shut down.") + " [&Yes]";
std::string Cannot(const char* action, const std::string& why) { return "|cannot " + std::string(action) + ": " + why; }
const std::string Send = "cannot send the request (%hr)", Unanswered = "cannot read the host's answer (%hr)",
                  JobUnread = "cannot read the job (%hr)", Lookup = "cannot look for the guest's shutdown service (%hr)",
                  NoSnapshots = "cannot find the snapshot service (%hr)", InvalidState = "invalid state for this operation",
                  NoConnection = "no connection to the server", NotConnected = "no connection to the server (0x800708CA)",
                  NoService = "Worker has no working shutdown service in its guest: it cannot be asked to shut down.";

// What the overview shows: every machine with its state and Busy's picture; the machines without
// their states (the host failed, or its answers could not be matched); the states without
// pictures; nothing (the host failed before its listing).
const std::string Seen = "|overview vuemere - Overview", Rows = "|row Busy, Running|row Idle 1, Off|row Idle 2, Off|row Idle 3, Off",
                  Plain = "|tiles Busy grey, Idle 1 grey, Idle 2 grey, Idle 3 grey";
const std::string OvShown = T + Seen + Rows + "|tiles Busy colour, Idle 1 grey, Idle 2 grey, Idle 3 grey",
                  OvNoState = T + Seen + "|row Busy, |row Idle 1, |row Idle 2, |row Idle 3, " + Plain,
                  OvNoPicture = T + Seen + Rows + Plain, OvNothing = T + Seen + "|tiles";

std::vector<Case> Cases() {
    const std::string L = "|not listed Alpha";
    return {
        // The Connect dialog's listing: its failures are shown with their code; a failing
        // enumeration or property read only leaves names out.
        {"CreateInstance (WbemLocator)", Listing, R"({"call": "CreateInstance", "count": 1})", ListingError(Locator), ""},
        {"ConnectServer (listing)", Listing, R"({"call": "ConnectServer", "count": 1})", ListingError(Connect), ""},
        {"SetBlanket (listing's services)", Listing, R"({"call": "SetBlanket", "count": 1})", ListingError(Blanket), ""},
        {"ExecQuery Msvm_ComputerSystem (listing)", Listing, R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem", "count": 1})",
         ListingError(Query), ListingError(Query)},
        {"SetBlanket (listing's enumerator)", Listing, R"({"call": "SetBlanket", "after": 1, "count": 1})", ListingError(Blanket), ""},
        {"Next Msvm_ComputerSystem (listing)", Listing, R"({"call": "Next", "class": "Msvm_ComputerSystem", "count": 1})", T + L, T + L},
        // A host that delivers nothing within the wait of a Next: the step fails with that, not a freeze.
        {"Next Msvm_ComputerSystem (listing)", Listing, R"({"reply": "stall", "class": "Msvm_ComputerSystem", "count": 1})",
         T + Box("connect error", "the host did not answer (0x800705B4)") + L, ""},
        {"Get Name (listing)", Listing, R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "Name"})", T + L, ""},
        {"Get Name (listing)", Listing, R"({"reply": "propertyMissing", "class": "Msvm_ComputerSystem", "property": "Name"})", T + L, ""},
        {"Get ElementName (listing)", Listing, R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "ElementName"})", T + L, ""},
        {"Get ElementName (listing)", Listing,
         R"({"reply": "propertyMissing", "class": "Msvm_ComputerSystem", "property": "ElementName"})", T + L, ""},

        // Connect, steps a to g (summary route).
        // The listing's second locator and ConnectServer ask for the host's cluster, which it does not have.
        {"CreateInstance (WbemLocator)", Open, R"({"call": "CreateInstance", "after": 2, "count": 1})", T + CannotConnect + Locator, ""},
        {"ConnectServer", Open, R"({"call": "ConnectServer", "after": 1})", T + CannotConnect + Connect, ""},
        {"SetBlanket (services)", Open, R"({"call": "SetBlanket", "after": 2, "count": 1})", T + CannotConnect + Blanket, ""},
        {"SetBlanket (query enumerator)", Open, R"({"call": "SetBlanket", "after": 3, "count": 1})", T + CannotService + Blanket, ""},
        {"ExecQuery Msvm_VirtualSystemManagementService", Open,
         R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemManagementService"})", T + CannotService + Query, T + CannotService + Query},
        {"Next Msvm_VirtualSystemManagementService", Open, R"({"call": "Next", "class": "Msvm_VirtualSystemManagementService"})",
         T + CannotService, T + CannotService},
        {"Next Msvm_VirtualSystemManagementService", Open, R"({"reply": "stall", "class": "Msvm_VirtualSystemManagementService"})",
         T + CannotService + "the host did not answer", ""},
        {"ExecQuery Msvm_ComputerSystem (by identifier)", Open, R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem", "after": 1})",
         T + CannotOpen + Query, T + CannotOpen + Query},
        {"Next Msvm_ComputerSystem (by identifier)", Open, R"({"call": "Next", "class": "Msvm_ComputerSystem", "after": 1})",
         T + CannotOpen, T + CannotOpen},
        // Without settings no machine counts as open; the rest of the sequence fails quietly.
        {"ExecQuery Msvm_VirtualSystemSettingData", Open, R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemSettingData"})", T, T},
        {"Next Msvm_VirtualSystemSettingData", Open, R"({"call": "Next", "class": "Msvm_VirtualSystemSettingData"})", T, T},
        // Reads of __PATH: an object without its path is a target no call can reach.
        {"Get __PATH (Msvm_VirtualSystemManagementService)", Open,
         R"({"call": "Get", "class": "Msvm_VirtualSystemManagementService", "property": "__PATH"})", T, ""},
        {"Get __PATH (Msvm_ComputerSystem)", Open, R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "__PATH"})", I, ""},
        // A machine whose Name cannot be read is not known to be the one asked for: not opened.
        {"Get Name (Msvm_ComputerSystem, by identifier)", Open,
         R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "Name", "after": 4})", T + CannotOpen, ""},
        {"Get __PATH (Msvm_VirtualSystemSettingData)", Open,
         R"({"call": "Get", "class": "Msvm_VirtualSystemSettingData", "property": "__PATH"})", T, ""},
        {"Get __PATH (Msvm_VideoHead)", Open, R"({"call": "Get", "class": "Msvm_VideoHead", "property": "__PATH"})", I, ""},
        {"Get __PATH (Msvm_SyntheticMouse)", Open, R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "__PATH"})", I, ""},
        // Step e: a controller that cannot be read, or a linked head that cannot, leaves the head in
        // use to be found by the machine's identifier; a head whose state cannot be read is not
        // taken for the one in use (the first found stands); no video head found at all is no
        // error, the guest is taken as 640 x 480. Gone at the video head, the first image request
        // fails too, quietly on this route.
        {"ExecQuery Msvm_SyntheticDisplayController", Open, R"({"call": "ExecQuery", "class": "Msvm_SyntheticDisplayController"})", I, I},
        {"Next Msvm_SyntheticDisplayController", Open, R"({"call": "Next", "class": "Msvm_SyntheticDisplayController"})", I, I},
        {"Next Msvm_VideoHead (linked heads)", Open, R"({"call": "Next", "class": "Msvm_VideoHead", "count": 2})", I, I},
        {"Get EnabledState (Msvm_VideoHead)", Open, R"({"call": "Get", "class": "Msvm_VideoHead", "property": "EnabledState"})", I, ""},
        {"ExecQuery Msvm_VideoHead", Open, R"({"call": "ExecQuery", "class": "Msvm_VideoHead"})", "image 640x480", I},
        {"Next Msvm_VideoHead", Open, R"({"call": "Next", "class": "Msvm_VideoHead"})", "image 640x480", I},
        {"Next Msvm_VideoHead", Open, R"({"reply": "resolutionZero"})", T, ""},
        {"Get CurrentHorizontalResolution", Open, R"({"call": "Get", "property": "CurrentHorizontalResolution"})", T, ""},
        {"Get CurrentHorizontalResolution", Open, R"({"reply": "propertyMissing", "property": "CurrentHorizontalResolution"})", T, ""},
        {"Get CurrentVerticalResolution", Open, R"({"call": "Get", "property": "CurrentVerticalResolution"})", T + Head, ""},
        {"Get CurrentVerticalResolution", Open, R"({"reply": "propertyMissing", "property": "CurrentVerticalResolution"})", T + Head, ""},
        // Step f on the summary route: a failed request is no error, the image is simply not
        // there. A class is fetched once per connection: a failed fetch fails its first use only;
        // the refresh after it fetches again.
        {"GetObject Msvm_VirtualSystemManagementService (summary, first use)", Open,
         R"({"call": "GetObject", "class": "Msvm_VirtualSystemManagementService", "count": 1})", I, I},
        {"ExecMethod GetSummaryInformation", Open, R"({"call": "ExecMethod", "method": "GetSummaryInformation"})", T, I},
        {"GetMethod GetSummaryInformation", Open, R"({"call": "GetMethod", "method": "GetSummaryInformation"})", T, ""},
        {"Put SettingData", Open, R"({"call": "Put", "property": "SettingData"})", T, ""},
        {"ExecMethod GetSummaryInformation", Open, R"({"reply": "imageNotArray", "method": "GetSummaryInformation"})", T, ""},
        {"ExecMethod GetSummaryInformation", Open, R"({"reply": "imageShort", "method": "GetSummaryInformation"})", T, ""},
        {"Get SummaryInformation", Open, R"({"call": "Get", "property": "SummaryInformation"})", T, ""},
        {"Get SummaryInformation", Open, R"({"reply": "propertyMissing", "property": "SummaryInformation"})", T, ""},
        {"Get ThumbnailImage", Open, R"({"call": "Get", "property": "ThumbnailImage"})", T, ""},
        {"Get ThumbnailImage", Open, R"({"reply": "propertyMissing", "property": "ThumbnailImage"})", T, ""},
        // A job started instead of a picture: none this time, the last stays.
        {"Get ReturnValue (GetSummaryInformation)", Open,
         R"({"call": "Get", "method": "GetSummaryInformation", "property": "ReturnValue"})", I, ""},
        // A summary of another machine than the one asked about is not this one's picture.
        {"ExecMethod GetSummaryInformation (another machine's)", Open,
         R"({"reply": "summaryOfOther", "method": "GetSummaryInformation"})", T, ""},
        {"ExecMethod GetSummaryInformation (job started)", Open,
         R"({"reply": "jobStarted", "method": "GetSummaryInformation", "after": 1})", I, ""},
        // Step g: only a failed read of the mouse's EnabledState is an error (the machine's own is
        // read too, and has its rows below). A failed step leaves no machine open. Gone at the
        // mouse, the open's own refresh finds the connection lost and the tick connects again.
        {"ExecQuery Msvm_SyntheticMouse", Open, R"({"call": "ExecQuery", "class": "Msvm_SyntheticMouse"})", I, I},
        {"Next Msvm_SyntheticMouse", Open, R"({"call": "Next", "class": "Msvm_SyntheticMouse"})", I, I},
        {"Get EnabledState", Open, R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "EnabledState"})",
         T + Mouse, ""},
        {"Get EnabledState", Open,
         R"({"reply": "propertyMissing", "class": "Msvm_SyntheticMouse", "property": "EnabledState"})", T + Mouse, ""},

        // Step f on the method route: a failed request stops the connect with "err".
        {"GetObject Msvm_VirtualSystemManagementService (method, first use)", MethodOpen,
         R"({"call": "GetObject", "class": "Msvm_VirtualSystemManagementService", "count": 1})", T + Image, T + Image},
        {"ExecMethod GetVirtualSystemThumbnailImage", MethodOpen,
         R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage"})", T + Image, T + Image},
        {"GetMethod GetVirtualSystemThumbnailImage", MethodOpen,
         R"({"call": "GetMethod", "method": "GetVirtualSystemThumbnailImage"})", T + Image, ""},
        {"Put TargetSystem", MethodOpen, R"({"call": "Put", "property": "TargetSystem"})", T + Image, ""},
        {"ExecMethod GetVirtualSystemThumbnailImage", MethodOpen,
         R"({"reply": "imageNotArray", "method": "GetVirtualSystemThumbnailImage"})", T, ""},
        {"ExecMethod GetVirtualSystemThumbnailImage", MethodOpen,
         R"({"reply": "imageShort", "method": "GetVirtualSystemThumbnailImage"})", T, ""},
        {"ExecMethod GetVirtualSystemThumbnailImage (odd width)", OpenOdd, "", "image 321x241 corners", ""},
        {"Get ImageData", MethodOpen, R"({"call": "Get", "property": "ImageData"})", T, ""},
        {"Get ImageData", MethodOpen, R"({"reply": "propertyMissing", "property": "ImageData"})", T, ""},
        {"Get ReturnValue (GetVirtualSystemThumbnailImage)", MethodOpen,
         R"({"call": "Get", "method": "GetVirtualSystemThumbnailImage", "property": "ReturnValue"})", I, ""},
        {"ExecMethod GetVirtualSystemThumbnailImage (job started)", MethodOpen,
         R"({"reply": "jobStarted", "method": "GetVirtualSystemThumbnailImage"})", T, ""},
        {"ExecMethod GetVirtualSystemThumbnailImage (job started)", MethodOpen,
         R"({"reply": "jobStarted", "method": "GetVirtualSystemThumbnailImage", "after": 1})", I, ""},

        // Settings and the ticks after them; the connect's own lookups are let through. A failed
        // request on a tick keeps the last picture; gone at a tick, the full-size refresh finds no
        // video head (640 x 480) and fetches nothing, and the last picture stays, placed by it.
        {"Get CurrentVerticalResolution (Settings)", OpenSettings,
         R"({"call": "Get", "property": "CurrentVerticalResolution", "after": 1, "count": 1})", I + Head, ""},
        {"Get EnabledState (Settings)", OpenSettings,
         R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "EnabledState", "after": 1, "count": 1})",
         I + Mouse, ""},
        {"Settings: video head and mouse", OpenSettings,
         R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "EnabledState", "after": 1, "count": 1,
             "and": {"call": "Get", "property": "CurrentVerticalResolution", "after": 1, "count": 1}})", I + Head + Mouse, ""},
        {"ExecMethod GetVirtualSystemThumbnailImage (tick)", OpenSettings,
         R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage"})", I, I},
        {"Get ImageData (tick)", OpenSettings, R"({"call": "Get", "property": "ImageData"})", T, ""},

        // Input in absolute mode: failures are silent but the Kanji key's. Gone at a call, the
        // refresh the next input asks for finds the connection lost and the one after it connects
        // again: the rest of the input reaches the guest, and what is asked of a host that is away
        // meanwhile (typing the clipboard, the Kanji key) says so in its box.
        {"GetObject Msvm_SyntheticMouse (first use)", OpenInput, R"({"call": "GetObject", "class": "Msvm_SyntheticMouse", "count": 1})",
         I, I},
        {"GetMethod SetAbsolutePosition", OpenInput, R"({"call": "GetMethod", "method": "SetAbsolutePosition"})", I, ""},
        {"Put HorizontalPosition", OpenInput, R"({"call": "Put", "property": "HorizontalPosition"})", I, ""},
        {"ExecMethod SetAbsolutePosition", OpenInput, R"({"call": "ExecMethod", "method": "SetAbsolutePosition"})", I, I},
        {"Put buttonIndex", OpenInput, R"({"call": "Put", "property": "buttonIndex"})", I, ""},
        {"ExecMethod SetButtonState (synthetic)", OpenInput,
         R"({"call": "ExecMethod", "class": "Msvm_SyntheticMouse", "method": "SetButtonState"})", I, I},
        {"ExecQuery Msvm_Keyboard", OpenInput, R"({"call": "ExecQuery", "class": "Msvm_Keyboard"})", I + NoKeyboard, I},
        {"Next Msvm_Keyboard", OpenInput, R"({"call": "Next", "class": "Msvm_Keyboard"})",
         I + NotTyped("the machine has no keyboard (0x80041002)"), I},
        {"Get __PATH (Msvm_Keyboard)", OpenInput, R"({"call": "Get", "class": "Msvm_Keyboard", "property": "__PATH"})", I + Refused + Kanji, ""},
        {"GetObject Msvm_Keyboard (first use)", OpenInput, R"({"call": "GetObject", "class": "Msvm_Keyboard", "count": 1})", I, I},
        {"GetMethod PressKey", OpenInput, R"({"call": "GetMethod", "method": "PressKey"})", I, ""},
        {"Put keyCode", OpenInput, R"({"call": "Put", "property": "keyCode"})", I, ""},
        {"ExecMethod PressKey", OpenInput, R"({"call": "ExecMethod", "method": "PressKey"})", I, I},
        {"ExecMethod ReleaseKey", OpenInput, R"({"call": "ExecMethod", "method": "ReleaseKey"})", I, I},
        {"ExecMethod IsKeyPressed", OpenInput, R"({"call": "ExecMethod", "method": "IsKeyPressed"})", I, I + NotTyped(NotConnected)},
        {"Get keyState", OpenInput, R"({"call": "Get", "property": "keyState"})", I, ""},
        {"Get keyState", OpenInput, R"({"reply": "propertyMissing", "property": "keyState"})", I, ""},
        {"GetMethod TypeText", OpenInput, R"({"call": "GetMethod", "method": "TypeText"})", I + Typing, ""},
        {"Put asciiText", OpenInput, R"({"call": "Put", "property": "asciiText"})", I + Typing, ""},
        {"ExecMethod TypeText", OpenInput, R"({"call": "ExecMethod", "method": "TypeText"})", I + Typing,
         Line + Typing + Box("type scancode of Kanji key", NoConnection.c_str())},
        {"Get ReturnValue (TypeText)", OpenInput, R"({"call": "Get", "method": "TypeText", "property": "ReturnValue"})", I, ""},
        {"GetMethod TypeScancodes", OpenInput, R"({"call": "GetMethod", "method": "TypeScancodes"})", I + Kanji, ""},
        // As on the provider's first release, which has no such method.
        {"GetMethod TypeScancodes (missing)", OpenInput, R"({"call": "GetMethod", "method": "TypeScancodes", "hr": "0x80041002"})",
         I + Box("type scancode of Kanji key", "This function is require Hyper-V R2."), ""},
        {"SpawnInstance (TypeScancodes)", OpenInput, R"({"call": "SpawnInstance", "method": "TypeScancodes"})", I + Kanji, ""},
        {"Put Scancodes", OpenInput, R"({"call": "Put", "property": "Scancodes"})", I + Kanji, ""},
        // The last step: the failed Kanji key asks for no refresh, so the picture stays.
        {"ExecMethod TypeScancodes", OpenInput, R"({"call": "ExecMethod", "method": "TypeScancodes"})", I + Kanji, I + Kanji},

        // The second-version host: its namespace is the second one asked, and its settings are
        // found by their type. Its listing's first ConnectServer (the first version's namespace)
        // is let through, and its third (the cluster's namespace, which it lacks); the Open
        // after them goes straight to the second.
        {"ConnectServer root\\virtualization\\v2 (listing)", OpenV2, R"({"call": "ConnectServer", "after": 1})",
         T + Box("connect error", Connect) + " (%hr)|not listed Gamma", T + Box("connect error", Connect) + " (%hr)|not listed Gamma"},
        {"ConnectServer root\\virtualization\\v2", OpenV2, R"({"call": "ConnectServer", "after": 3})", T + CannotConnect + Connect,
         T + CannotConnect + Connect},
        {"ExecQuery Msvm_VirtualSystemSettingData (v2)", OpenV2, R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemSettingData"})",
         T, T},
        {"Next Msvm_VirtualSystemSettingData (v2)", OpenV2, R"({"call": "Next", "class": "Msvm_VirtualSystemSettingData"})", T, T},

        // The cluster: a listing whose cluster namespace fails halfway is the server's own; one
        // that cannot read the machines' resources lists every node, the machines as not
        // clustered. A machine that moved is looked for on the cluster: an owner that cannot be
        // read is asked for again later (the line says why); a node that cannot answer for the
        // cluster leaves the next one to. A state that cannot be read says nothing: the machine
        // stays where it was (its node lost is the failover row's, tests/console/cluster_test.cpp).
        {"ExecQuery MSCluster_Node (listing)", ClusterOpen, R"({"call": "ExecQuery", "class": "MSCluster_Node"})",
         T + "|not listed ClB", T + "|not listed ClB"},
        {"Next MSCluster_Resource (listing)", ClusterOpen, R"({"call": "Next", "class": "MSCluster_Resource"})",
         I + SkippedNode3, I + SkippedNode3},
        {"Get PrivateProperties (listing)", ClusterOpen, R"({"call": "Get", "property": "PrivateProperties"})",
         I + SkippedNode3, ""},
        {"ExecQuery MSCluster_Resource (following)", ClusterMove,
         R"({"call": "ExecQuery", "class": "MSCluster_Resource", "after": 1})", I + SkippedNode3, I + SkippedNode3},
        {"Next MSCluster_Resource (following)", ClusterMove, R"({"call": "Next", "class": "MSCluster_Resource", "after": 1})",
         Line + SkippedNode3, Line + SkippedNode3},
        {"GetObject Msvm_ComputerSystem (clustered, each tick)", ClusterMove,
         R"({"call": "GetObject", "class": "Msvm_ComputerSystem"})", T + SkippedNode3, ""},

        // Copy Screen and Save Screen As: a capture that fails, or brings no whole image, puts
        // nothing on the clipboard and opens no Save As dialog.
        {"ExecMethod GetVirtualSystemThumbnailImage (capture)", OpenCapture,
         R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage"})", I + Capture("err"), I + Capture("err")},
        {"ExecMethod GetVirtualSystemThumbnailImage (capture)", OpenCapture,
         R"({"reply": "imageShort", "method": "GetVirtualSystemThumbnailImage"})", I + Capture(NoImage), ""},
        {"ExecMethod GetVirtualSystemThumbnailImage (capture)", OpenCapture,
         R"({"reply": "imageNotArray", "method": "GetVirtualSystemThumbnailImage"})", I + Capture(NoImage), ""},

        // Machine control on Worker: pause, resume, checkpoint, shut down (see the script). Its
        // state is read when it opens, at each tick of a job and of the shutdown; a refused or
        // failed command shows its box, and the commands after it meet the state it left.
        {"Get EnabledState (Msvm_ComputerSystem)", Control,
         R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "EnabledState"})", I + AskDown, ""},
        {"GetObject Msvm_ComputerSystem (first use)", Control, R"({"call": "GetObject", "class": "Msvm_ComputerSystem", "count": 1})",
         Line + Cannot("Pause", Send) + Cannot("Resume", InvalidState) + AskDown, Line + Cannot("Pause", Send) + Cannot("Resume", NotConnected) + AskDown},
        {"GetObject Msvm_ComputerSystem (state)", Control, R"({"call": "GetObject", "class": "Msvm_ComputerSystem", "after": 1})",
         I + AskDown, I + Cannot("Resume", InvalidState) + Cannot("Checkpoint", InvalidState) + Cannot("Shut Down", NoService)},
        // A parameter that cannot be set: nothing is sent, and the Put's failure is the box's code.
        {"Put RequestedState", Control, R"({"call": "Put", "property": "RequestedState"})",
         Line + Cannot("Pause", Send) + Cannot("Resume", Send) + AskDown, ""},
        {"ExecMethod RequestStateChange", Control, R"({"call": "ExecMethod", "method": "RequestStateChange"})",
         Line + Cannot("Pause", Send) + Cannot("Resume", Send) + AskDown, Line + Cannot("Pause", Send) + Cannot("Resume", NotConnected) + AskDown},
        // The host did what it was asked, but its answer cannot be read: the machine is left pausing.
        {"Get ReturnValue (RequestStateChange)", Control,
         R"({"call": "Get", "method": "RequestStateChange", "property": "ReturnValue"})",
         I + Cannot("Pause", Unanswered) + Cannot("Resume", Unanswered) + Cannot("Checkpoint", InvalidState) +
             Cannot("Shut Down", NoService), ""},
        {"Get Job (RequestStateChange)", Control, R"({"call": "Get", "method": "RequestStateChange", "property": "Job"})",
         I + Cannot("Resume", InvalidState) + Cannot("Checkpoint", InvalidState) + Cannot("Shut Down", NoService), ""},
        {"ExecMethod RequestStateChange", Control, R"({"call": "ExecMethod", "method": "RequestStateChange", "returnValue": 32769})",
         Line + Cannot("Pause", "access denied") + Cannot("Resume", "access denied") + AskDown, ""},
        {"ExecMethod RequestStateChange", Control,
         R"({"call": "ExecMethod", "method": "RequestStateChange", "jobError": "The guest did not respond."})",
         Line + Cannot("Pause", "The guest did not respond.") + Cannot("Resume", InvalidState) + AskDown, ""},
        // A job that cannot be read three times running is not followed further (Resume, meanwhile,
        // sends nothing: one request at a time); the host gone in the middle of one.
        {"GetObject Msvm_ConcreteJob", Control, R"({"call": "GetObject", "class": "Msvm_ConcreteJob"})",
         I + Cannot("Pause", JobUnread) + Cannot("Checkpoint", InvalidState) + Cannot("Shut Down", NoService), I + Cannot("Resume", InvalidState) + Cannot("Checkpoint", InvalidState) + Cannot("Shut Down", NoService)},
        {"Get JobState", Control, R"({"call": "Get", "property": "JobState"})",
         I + Cannot("Pause", JobUnread) + Cannot("Checkpoint", InvalidState) + Cannot("Shut Down", NoService), ""},
        {"ExecMethod CreateVirtualSystemSnapshot", Control, R"({"call": "ExecMethod", "method": "CreateVirtualSystemSnapshot"})",
         Line + Cannot("Checkpoint", Send) + AskDown, I + Cannot("Checkpoint", Send) + Cannot("Shut Down", NotConnected)},
        {"GetMethod CreateVirtualSystemSnapshot", Control, R"({"call": "GetMethod", "method": "CreateVirtualSystemSnapshot"})",
         Line + Cannot("Checkpoint", Send) + AskDown, ""},
        {"ExecQuery Msvm_ShutdownComponent", Control, R"({"call": "ExecQuery", "class": "Msvm_ShutdownComponent"})",
         I + Cannot("Shut Down", Lookup), I + Cannot("Shut Down", Lookup)},
        {"Next Msvm_ShutdownComponent", Control, R"({"call": "Next", "class": "Msvm_ShutdownComponent"})",
         I + Cannot("Shut Down", Lookup), I + Cannot("Shut Down", Lookup)},
        {"Get OperationalStatus", Control, R"({"call": "Get", "property": "OperationalStatus"})", I + Cannot("Shut Down", NoService), ""},
        {"Get __PATH (Msvm_ShutdownComponent)", Control, R"({"call": "Get", "class": "Msvm_ShutdownComponent", "property": "__PATH"})",
         I + AskDown + Cannot("Shut Down", "cannot send the request (0x80041008)"), ""},
        {"GetObject Msvm_ShutdownComponent (first use)", Control,
         R"({"call": "GetObject", "class": "Msvm_ShutdownComponent", "count": 1})", I + AskDown + Cannot("Shut Down", Send), I + AskDown + Cannot("Shut Down", Send)},
        {"ExecMethod InitiateShutdown", Control, R"({"call": "ExecMethod", "method": "InitiateShutdown"})",
         I + AskDown + Cannot("Shut Down", Send), I + AskDown + Cannot("Shut Down", Send)},
        {"ExecMethod InitiateShutdown", Control, R"({"call": "ExecMethod", "method": "InitiateShutdown", "returnValue": 32782})",
         I + AskDown + Cannot("Shut Down", "a shutdown is already in progress"), ""},
        // The second version's checkpoint goes to its snapshot service.
        {"ExecQuery Msvm_VirtualSystemSnapshotService", ControlV2,
         R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemSnapshotService"})", I + Cannot("Checkpoint", NoSnapshots), Line + Cannot("Checkpoint", NoSnapshots)},
        {"Next Msvm_VirtualSystemSnapshotService", ControlV2, R"({"call": "Next", "class": "Msvm_VirtualSystemSnapshotService"})",
         I + Cannot("Checkpoint", NoSnapshots), Line + Cannot("Checkpoint", NoSnapshots)},
        {"GetObject Msvm_VirtualSystemSnapshotService (first use)", ControlV2,
         R"({"call": "GetObject", "class": "Msvm_VirtualSystemSnapshotService", "count": 1})", I + Cannot("Checkpoint", Send), Line + Cannot("Checkpoint", Send)},
        {"ExecMethod CreateSnapshot", ControlV2, R"({"call": "ExecMethod", "method": "CreateSnapshot"})",
         I + Cannot("Checkpoint", Send), Line + Cannot("Checkpoint", Send)},
        {"ExecMethod CreateSnapshot", ControlV2, R"({"call": "ExecMethod", "method": "CreateSnapshot", "returnValue": 2})",
         I + Cannot("Checkpoint", "failed"), ""},
        {"ExecMethod CreateSnapshot", ControlV2, R"({"call": "ExecMethod", "method": "CreateSnapshot", "jobError": ""})",
         I + Cannot("Checkpoint", "error code 32768"), ""},

        // The overview: no failure raises a box; a host whose listing or summary fails shows its
        // machines without state (and greyed, Host column saying why), and answers that cannot be
        // matched or pictures of the wrong size are dropped, never shown under another name.
        {"ConnectServer (Add Host)", Overview, R"({"call": "ConnectServer"})",
         T + Seen + "|connect error: cannot conect for server (%hr)|Add Host stays open|tiles", ""},
        {"ExecQuery Msvm_VirtualSystemSettingData (overview listing)", Overview,
         R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemSettingData"})", OvNothing, OvNothing},
        {"Next Msvm_VirtualSystemSettingData (overview listing)", Overview,
         R"({"call": "Next", "class": "Msvm_VirtualSystemSettingData"})", OvNothing, OvNothing},
        {"GetObject Msvm_VirtualSystemManagementService (overview, first use)", Overview,
         R"({"call": "GetObject", "class": "Msvm_VirtualSystemManagementService", "count": 1})", OvNoState, OvNoState},
        {"ExecMethod GetSummaryInformation (overview)", Overview, R"({"call": "ExecMethod", "method": "GetSummaryInformation"})",
         OvNoState, OvNoState},
        {"Get SummaryInformation (overview)", Overview, R"({"call": "Get", "property": "SummaryInformation"})", OvNoState, ""},
        {"ExecMethod GetSummaryInformation (overview)", Overview, R"({"reply": "summaryReversed"})", OvShown, ""},
        {"ExecMethod GetSummaryInformation (overview)", Overview, R"({"reply": "summaryNoName"})", OvNoState, ""},
        {"ExecMethod GetSummaryInformation (overview)", Overview, R"({"reply": "summaryNotObjects"})", OvNoState, ""},
        {"ExecMethod GetSummaryInformation (overview)", Overview, R"({"reply": "imageWrongSize"})", OvNoPicture, ""},
        {"ExecMethod GetSummaryInformation (overview)", Overview,
         R"({"reply": "imageNotArray", "method": "GetSummaryInformation"})", OvNoPicture, ""},
        {"ExecMethod GetSummaryInformation (overview)", Overview,
         R"({"reply": "imageShort", "method": "GetSummaryInformation"})", OvNoPicture, ""},

        // Beta: the S3 display controller's head (else found by the identifier), relative mode.
        {"ExecQuery Msvm_S3DisplayController", OpenBeta, R"({"call": "ExecQuery", "class": "Msvm_S3DisplayController"})", I, I},
        {"Next Msvm_S3DisplayController", OpenBeta, R"({"call": "Next", "class": "Msvm_S3DisplayController"})", I, I},
        {"Next Msvm_VideoHead (S3)", OpenBeta, R"({"reply": "resolutionZero"})", T, ""},
        {"Get EnabledState (Msvm_VideoHead, S3)", OpenBeta,
         R"({"call": "Get", "class": "Msvm_VideoHead", "property": "EnabledState"})", "image 1024x768", ""},
        {"ExecQuery Msvm_Ps2Mouse", OpenBeta, R"({"call": "ExecQuery", "class": "Msvm_Ps2Mouse"})", I, I},
        {"Next Msvm_Ps2Mouse", OpenBeta, R"({"call": "Next", "class": "Msvm_Ps2Mouse"})", I, I},
        {"Get __PATH (Msvm_Ps2Mouse)", OpenBeta, R"({"call": "Get", "class": "Msvm_Ps2Mouse", "property": "__PATH"})", I, ""},
        {"GetObject Msvm_Ps2Mouse (first use)", OpenBeta, R"({"call": "GetObject", "class": "Msvm_Ps2Mouse", "count": 1})", I, Line},
        {"GetMethod SetRelativePosition", OpenBeta, R"({"call": "GetMethod", "method": "SetRelativePosition"})", I, ""},
        {"Put horizontalDelta", OpenBeta, R"({"call": "Put", "property": "horizontalDelta"})", I, ""},
        {"ExecMethod SetRelativePosition", OpenBeta, R"({"call": "ExecMethod", "method": "SetRelativePosition"})", I, Line},
        {"Put buttonState", OpenBeta, R"({"call": "Put", "property": "buttonState"})", I, ""},
        {"ExecMethod SetButtonState (PS/2)", OpenBeta, R"({"call": "ExecMethod", "class": "Msvm_Ps2Mouse", "method": "SetButtonState"})",
         I, Line},
    };
}

// The scenario's faults for one kind: the match with its effect, and a second fault under "and".
std::string Faults(const std::string& match, bool gone) {
    if (match.empty()) return "";
    nlohmann::json fault = nlohmann::json::parse(match), second;
    if (fault.contains("and")) {
        second = fault["and"];
        fault.erase("and");
        second["hr"] = Hr;
    }
    if (gone) {
        fault["disconnect"] = true;
        fault["count"] = 1;
    } else if (!fault.contains("hr") && !fault.contains("reply") && !fault.contains("returnValue") &&
               !fault.contains("jobError")) {
        fault["hr"] = Hr;
    }
    return fault.dump() + (second.is_null() ? "" : "," + second.dump());
}

// Whether the log shows the fault acting: its call answered with the HRESULT it was given (a
// malformed reply: the call it spoils, answered as a success).
bool FaultActed(const std::string& match, bool gone, ScenarioRun& run) {
    if (match.empty()) return true;
    const nlohmann::json fault = nlohmann::json::parse(match);
    auto member = [&](const char* name) { return fault.value(name, std::string()); };
    const std::string reply = member("reply");
    std::string call = member("call"), hr = gone ? Disconnected : fault.value("hr", std::string(Hr));
    if (!reply.empty()) {
        call = reply == "propertyMissing" ? "Get" : reply == "resolutionZero" || reply == "stall" ? "Next" : "ExecMethod";
        hr = reply == "propertyMissing" ? "0x80041002" : reply == "stall" ? "0x00040004" : "0x00000000";
    }
    if (fault.contains("returnValue") || fault.contains("jobError")) hr = "0x00000000";  // the method answers
    auto matches = [&](const LoggedCall& logged, const char* name) {
        return member(name).empty() || _stricmp(logged.Field(name).c_str(), member(name).c_str()) == 0;
    };
    for (const LoggedCall& logged : run.session.Calls())
        if (logged.Field("call") == call && _stricmp(logged.Field("hr").c_str(), hr.c_str()) == 0 &&
            matches(logged, "method") && matches(logged, "property"))
            return true;
    return false;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    for (size_t at = 0, bar; at <= text.size(); at = bar + 1) {
        bar = std::min(text.find('|', at), text.size());
        parts.push_back(text.substr(at, bar - at));
    }
    return parts;
}

// Runs one case; returns "" when it passed, else what went wrong.
std::string RunCase(const Case& c, bool gone) {
    const std::string expected = gone ? c.gone : c.failing;
    const std::string faults = Faults(c.match, gone);
    ScenarioRun run(c.script != ClusterMove ? faults : faults.empty() ? LiveMove : faults + "," + LiveMove);
    run.watch = 0;
    if (!run.Started() || !run.Run(Steps[c.script])) return "a step could not be taken";
    std::string problems;
    std::vector<std::string> shown, wanted = Split(expected);
    for (const std::string& line : run.transcript)
        if (line.rfind("setting: ", 0) != 0) shown.push_back(line);  // the warning of the capture size x1.0
    const std::string picture = wanted.front() == T   ? "text"
                                : wanted.front() == Line ? "text+line"
                                : wanted.front() == I ? "320x240"
                                                      : wanted.front().substr(6);
    wanted.erase(wanted.begin());
    for (std::string& line : wanted)
        if (line.find("%hr") != std::string::npos) line.replace(line.find("%hr"), 3, gone ? Disconnected : Hr);
    if (shown != wanted) problems += "shown " + testing::PrintToString(shown) + "; ";
    std::string why;
    if (!run.Shows(picture, why)) problems += "picture: " + why + "; ";
    if (!FaultActed(c.match, gone, run)) problems += "the log shows no call answered with the fault; ";
    if (gone) {
        // A new connection works again: the guest shows up.
        const size_t lines = run.transcript.size();
        const std::string machine = Reopen[c.script];
        // A cluster's listing says again which node it skipped.
        const bool reopened = run.Run("open " + machine + "; tick");
        while (run.transcript.size() > lines && "|" + run.transcript.back() == SkippedNode3) run.transcript.pop_back();
        if (!reopened || run.transcript.size() != lines || !run.Shows("320x240", why))
            problems += "after reconnecting: " + why + " " + testing::PrintToString(run.transcript) + "; ";
    }
    long liveObjects = -1;
    if (!run.Run("disconnect")) problems += "not answering at the end; ";
    if (!run.Exit(liveObjects)) problems += "did not end with exit code 0; ";
    if (liveObjects != 0) problems += "live objects at exit: " + std::to_string(liveObjects) + "; ";
    return problems;
}

TEST(FaultMatrix, EveryCallSiteKeepsTheProgramSound) {
    const char* mode = std::getenv("VUEMERE_FAULT_MATRIX");
    const char* only = std::getenv("VUEMERE_FAULT_CASE");
    const char* column = std::getenv("VUEMERE_FAULT_COLUMN");  // "fails" or "gone": that column only
    const bool full = mode && std::string(mode) == "full";

    std::map<std::pair<int, bool>, bool> seen;
    int ran = 0, passed = 0, total = 0;
    std::printf("\nFault matrix: vuemere.exe against the simulated host, one run per case\n");
    for (const Case& c : Cases()) {
        for (bool gone : {false, true}) {
            if ((gone ? c.gone : c.failing).empty()) continue;
            if (column && std::string(column) != (gone ? "gone" : "fails")) continue;
            ++total;
            const bool first = !seen[{c.script, gone}];
            seen[{c.script, gone}] = true;
            const bool selected = first || c.match.find("reply") != std::string::npos ||
                                  c.match.find("returnValue") != std::string::npos ||
                                  c.match.find("jobError") != std::string::npos ||
                                  c.script == OpenV2 || std::string(c.site).find("first use") != std::string::npos;
            if (only ? std::string(c.site).find(only) == std::string::npos : !full && !selected) continue;
            const std::string problems = RunCase(c, gone);
            ++ran;
            passed += problems.empty();
            std::printf("%-66s | %-18s | %s\n", c.site, gone ? "RPC_E_DISCONNECTED" : "fails", problems.empty() ? "pass" : "FAIL");
            if (!problems.empty()) ADD_FAILURE() << c.site << (gone ? " / RPC_E_DISCONNECTED: " : ": ") << problems;
        }
    }
    std::printf("cases: %d in the matrix, %d run (%s), %d passed\n", total, ran,
                full ? "every case" : "the selection; VUEMERE_FAULT_MATRIX=full runs every case", passed);
    EXPECT_EQ(passed, ran);
}

}  // namespace
