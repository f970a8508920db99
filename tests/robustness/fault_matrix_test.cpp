// The fault matrix: every WMI call site of the program under a failing HRESULT, the host going away
// in the middle of a session (RPC_E_DISCONNECTED) and malformed replies, each driven through the
// unmodified vuemere.exe in the sim Wine prefix with the fault in its scenario. For every case the
// program must keep running and answering, show exactly the message boxes the program's design
// gives for that failure (caption and text) and no others, paint nothing but the guest's picture in
// its place or the no-image text, end with exit code 0, and leave no COM object of the host
// unreleased. After a disconnect it must also recover: a new Connect shows the guest again.
//
// The log must show that the fault really acted (the call with the injected HRESULT), so that a
// case cannot pass by never reaching its call site.
//
// A run of every case takes several minutes; by default a fixed selection runs (each column of
// each phase, every case that shows a message box, every malformed reply). VUEMERE_FAULT_MATRIX=full
// runs them all (scripts/bench does).
#include "robust_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const char Hr[] = "0x80041001";            // WBEM_E_FAILED, as the host would answer
const char Disconnected[] = "0x80010108";  // RPC_E_DISCONNECTED
const char NotFound[] = "0x80041002";      // WBEM_E_NOT_FOUND

// Captions and texts of the program's message boxes.
const wchar_t ConnectError[] = L"connect error";
const wchar_t CannotConnect[] = L"cannot connect server";
const wchar_t CannotService[] = L"cannot VirtualSystemImageService";
const wchar_t CannotOpen[] = L"cannot open vm";
const wchar_t CannotHead[] = L"cannot get VideoHead";
const wchar_t CannotImage[] = L"cannot get Thumbnailvm";
const wchar_t CannotMouse[] = L"cannot get mouse device";
const wchar_t Kanji[] = L"type scancode of Kanji key";
const wchar_t LocatorText[] = L"Failed to create IWbemLocator object.";
const wchar_t ConnectText[] = L"cannot conect for server";
const wchar_t BlanketText[] = L"cannot set authenticate proxy object";
const wchar_t QueryText[] = L"Query for operating system name failed.";

// The listing shows the description followed by the code.
std::wstring WithCode(const wchar_t* text, const char* code) {
    return std::wstring(text) + L" (" + std::wstring(code, code + std::strlen(code)) + L")";
}

// Three guests: Alpha (synthetic display and mouse), Beta (S3 display, synthetic mouse disabled,
// PS/2 mouse: relative mode), Odd (an odd width). The listing reads 4 computer systems (the host's
// own first): one ExecQuery, one Next (they come in one batch), four reads of Name and of
// ElementName; a fault meant for the console's own calls skips those with "after". A second host
// speaks only the provider's second version: Gamma, of generation 2. Both hosts carry the faults;
// a case talks to one of them.
std::string Scenario(const std::string& faults) {
    return R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-FAULTS", "machines": [
      {"elementName": "Alpha", "name": "0F0F0000-0000-4000-8000-000000000001", "width": 320, "height": 240},
      {"elementName": "Beta", "name": "0F0F0000-0000-4000-8000-000000000002", "width": 320, "height": 240,
       "display": "s3", "mouse": "synthetic-disabled"},
      {"elementName": "Odd", "name": "0F0F0000-0000-4000-8000-000000000003", "width": 321, "height": 241}],
      "faults": [)" +
           faults + R"(]}, {"name": "hv-v2", "hostName": "HV-FAULTS-V2", "provider": "v2", "machines": [
      {"elementName": "Gamma", "name": "0F0F0000-0000-4000-8000-000000000004", "generation": 2, "width": 320,
       "height": 240}], "faults": [)" + faults + "]}]}";
}

enum class Kind { Hr, Disconnect, Reply };

// The steps a case takes after starting the program.
enum class Script {
    Listing,       // Connect dialog: list, then try to open Alpha
    Open,          // open Alpha (summary route), one refresh
    MethodOpen,    // capture size x1.0 first, then open Alpha: the connect fetches on the method route
    OpenSettings,  // open Alpha, refresh, Settings x1.0, refresh (method route), full-size refresh
    OpenInput,     // open Alpha, refresh, every kind of input in absolute mode, Kanji last
    OpenBeta,      // open Beta (S3 head, relative mouse), refresh, relative input
    OpenOdd,       // capture size x1.0, open Odd (321 x 241)
    OpenV2,        // open Gamma on the second-version host (its listing connects twice), one refresh
};

struct Case {
    std::string site;   // the row of the matrix
    Kind kind;
    std::string reply;  // the column entry of a malformed reply
    std::string match;  // the fault's JSON object without its effect
    Script script;
    std::vector<ShownBox> boxes;  // expected, in order
    Picture picture = Picture::Image;
    int guestWidth = 320, guestHeight = 240;  // the screen size the program places the image by
    bool corners = false;
    bool opens = true;  // the machine is listed, so "Open" can be pressed
    bool selected = false;  // runs by default, not only in the full matrix
};

// The fault as the scenario gives it: the match plus the effect of the kind.
std::string FaultJson(const Case& c) {
    if (c.match.empty()) return {};
    nlohmann::ordered_json fault = nlohmann::ordered_json::parse(c.match);
    if (c.kind == Kind::Hr && !fault.contains("hr") && !fault.contains("reply")) fault["hr"] = Hr;
    if (c.kind == Kind::Disconnect) {
        fault["disconnect"] = true;
        fault["count"] = 1;
    }
    return fault.dump();
}

// What the log must show for the fault to have acted: the call with the HRESULT it got.
bool FaultActed(const Case& c, const RobustRun& run, std::string& why) {
    if (c.match.empty()) return true;
    const nlohmann::ordered_json fault = nlohmann::ordered_json::parse(c.match);
    auto member = [&](const char* name) { return fault.contains(name) ? fault[name].get<std::string>() : std::string(); };
    std::string call = member("call"), hr = member("hr");
    const std::string reply = member("reply");
    if (c.kind == Kind::Hr && hr.empty() && reply.empty()) hr = Hr;
    if (c.kind == Kind::Disconnect) hr = Disconnected;
    if (reply == "propertyMissing") {
        call = "Get";
        hr = NotFound;
    } else if (reply == "imageNotArray" || reply == "imageShort") {
        call = "ExecMethod";
        hr = "0x00000000";
    } else if (reply == "resolutionZero") {
        call = "Next";
        hr = "0x00000000";
    }
    const int count = run.CountLogged(call, hr, member("method"), member("property"));
    why = "the log shows no " + call + " " + member("method") + member("property") + " answered " + hr;
    return count > 0;
}

// ---- The cases

std::vector<Case> Cases() {
    std::vector<Case> cases;
    auto add = [&](std::string site, Kind kind, std::string match, Script script, std::vector<ShownBox> boxes,
                   Picture picture = Picture::Image) -> Case& {
        Case c;
        c.site = std::move(site);
        c.kind = kind;
        c.match = std::move(match);
        c.script = script;
        c.boxes = std::move(boxes);
        c.picture = picture;
        cases.push_back(c);
        return cases.back();
    };
    auto reply = [&](std::string site, std::string name, std::string match, Script script, std::vector<ShownBox> boxes,
                     Picture picture) -> Case& {
        Case& c = add(std::move(site), Kind::Reply, std::move(match), script, std::move(boxes), picture);
        c.reply = std::move(name);
        return c;
    };
    const Picture text = Picture::NoImageText, image = Picture::Image;
    using K = Kind;
    using S = Script;

    // ---- The Connect dialog's listing: its failures are shown with their code; a failing
    // enumeration or property read only leaves names out.
    add("CreateInstance (WbemLocator)", K::Hr, R"({"call": "CreateInstance", "count": 1})", S::Listing,
        {{ConnectError, WithCode(LocatorText, Hr)}}, text).opens = false;
    add("ConnectServer (listing)", K::Hr, R"({"call": "ConnectServer", "count": 1})", S::Listing,
        {{ConnectError, WithCode(ConnectText, Hr)}}, text).opens = false;
    add("SetBlanket (listing's services)", K::Hr, R"({"call": "SetBlanket", "count": 1})", S::Listing,
        {{ConnectError, WithCode(BlanketText, Hr)}}, text).opens = false;
    add("ExecQuery Msvm_ComputerSystem (listing)", K::Hr, R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem", "count": 1})",
        S::Listing, {{ConnectError, WithCode(QueryText, Hr)}}, text).opens = false;
    add("ExecQuery Msvm_ComputerSystem (listing)", K::Disconnect, R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem"})",
        S::Listing, {{ConnectError, WithCode(QueryText, Disconnected)}}, text).opens = false;
    add("SetBlanket (listing's enumerator)", K::Hr, R"({"call": "SetBlanket", "after": 1, "count": 1})", S::Listing,
        {{ConnectError, WithCode(BlanketText, Hr)}}, text).opens = false;
    add("Next Msvm_ComputerSystem (listing)", K::Hr, R"({"call": "Next", "class": "Msvm_ComputerSystem", "count": 1})",
        S::Listing, {}, text).opens = false;
    add("Next Msvm_ComputerSystem (listing)", K::Disconnect, R"({"call": "Next", "class": "Msvm_ComputerSystem"})",
        S::Listing, {}, text).opens = false;
    add("Get Name (listing)", K::Hr, R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "Name"})", S::Listing,
        {}, text).opens = false;
    reply("Get Name (listing)", "property missing",
          R"({"reply": "propertyMissing", "class": "Msvm_ComputerSystem", "property": "Name"})", S::Listing, {}, text)
        .opens = false;
    add("Get ElementName (listing)", K::Hr, R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "ElementName"})",
        S::Listing, {}, text).opens = false;
    reply("Get ElementName (listing)", "property missing",
          R"({"reply": "propertyMissing", "class": "Msvm_ComputerSystem", "property": "ElementName"})", S::Listing, {},
          text).opens = false;

    // ---- Connect, steps a to g (summary route)
    add("CreateInstance (WbemLocator)", K::Hr, R"({"call": "CreateInstance", "after": 1, "count": 1})", S::Open,
        {{CannotConnect, LocatorText}}, text);
    add("ConnectServer", K::Hr, R"({"call": "ConnectServer", "after": 1})", S::Open, {{CannotConnect, ConnectText}}, text);
    add("SetBlanket (services)", K::Hr, R"({"call": "SetBlanket", "after": 2, "count": 1})", S::Open,
        {{CannotConnect, BlanketText}}, text);
    add("SetBlanket (query enumerator)", K::Hr, R"({"call": "SetBlanket", "after": 3, "count": 1})", S::Open,
        {{CannotService, BlanketText}}, text);
    for (K kind : {K::Hr, K::Disconnect}) {
        add("ExecQuery Msvm_VirtualSystemManagementService", kind,
            R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemManagementService"})", S::Open, {{CannotService, QueryText}},
            text);
        add("Next Msvm_VirtualSystemManagementService", kind,
            R"({"call": "Next", "class": "Msvm_VirtualSystemManagementService"})", S::Open, {{CannotService, L""}}, text);
        add("ExecQuery Msvm_ComputerSystem (by name)", kind,
            R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem", "after": 1})", S::Open, {{CannotOpen, QueryText}}, text);
        add("Next Msvm_ComputerSystem (by name)", kind, R"({"call": "Next", "class": "Msvm_ComputerSystem", "after": 1})",
            S::Open, {{CannotOpen, L""}}, text);
        // Without settings no machine counts as open; the rest of the sequence fails quietly.
        add("ExecQuery Msvm_VirtualSystemSettingData", kind,
            R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemSettingData"})", S::Open, {}, text);
        add("Next Msvm_VirtualSystemSettingData", kind, R"({"call": "Next", "class": "Msvm_VirtualSystemSettingData"})",
            S::Open, {}, text);
    }
    // Reads of __PATH: an object without its path is a target no call can reach.
    add("Get __PATH (Msvm_VirtualSystemManagementService)", K::Hr,
        R"({"call": "Get", "class": "Msvm_VirtualSystemManagementService", "property": "__PATH"})", S::Open, {}, text);
    add("Get __PATH (Msvm_ComputerSystem)", K::Hr,
        R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "__PATH"})", S::Open, {}, image);
    add("Get Name (Msvm_ComputerSystem, by name)", K::Hr,
        R"({"call": "Get", "class": "Msvm_ComputerSystem", "property": "Name", "after": 4})", S::Open, {}, text);
    add("Get __PATH (Msvm_VirtualSystemSettingData)", K::Hr,
        R"({"call": "Get", "class": "Msvm_VirtualSystemSettingData", "property": "__PATH"})", S::Open, {}, text);
    add("Get __PATH (Msvm_VideoHead)", K::Hr, R"({"call": "Get", "class": "Msvm_VideoHead", "property": "__PATH"})",
        S::Open, {}, image);
    add("Get __PATH (Msvm_SyntheticMouse)", K::Hr, R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "__PATH"})",
        S::Open, {}, image);
    // Step e: a controller that cannot be read leaves the head to be found by the machine's
    // identifier; no video head found at all is no error, the guest is taken as 640 x 480.
    for (const char* match : {R"({"call": "ExecQuery", "class": "Msvm_SyntheticDisplayController"})",
                              R"({"call": "Next", "class": "Msvm_SyntheticDisplayController"})",
                              R"({"call": "ExecQuery", "class": "Msvm_VideoHead"})",
                              R"({"call": "Next", "class": "Msvm_VideoHead"})"}) {
        const std::string site = std::string(nlohmann::json::parse(match)["call"]) + " " +
                                 std::string(nlohmann::json::parse(match)["class"]);
        Case& hr = add(site, K::Hr, match, S::Open, {}, image);
        if (site.find("VideoHead") != std::string::npos) {
            hr.guestWidth = 640;
            hr.guestHeight = 480;
        }
        // Gone at the video head: the first image request fails too, quietly on this route.
        add(site, K::Disconnect, match, S::Open, {}, text);
    }
    reply("Next Msvm_VideoHead", "zero resolution", R"({"reply": "resolutionZero"})", S::Open, {}, text);
    add("Get CurrentHorizontalResolution", K::Hr, R"({"call": "Get", "property": "CurrentHorizontalResolution"})", S::Open,
        {}, text);
    reply("Get CurrentHorizontalResolution", "property missing",
          R"({"reply": "propertyMissing", "property": "CurrentHorizontalResolution"})", S::Open, {}, text);
    add("Get CurrentVerticalResolution", K::Hr, R"({"call": "Get", "property": "CurrentVerticalResolution"})", S::Open,
        {{CannotHead, L""}}, text);
    reply("Get CurrentVerticalResolution", "property missing",
          R"({"reply": "propertyMissing", "property": "CurrentVerticalResolution"})", S::Open, {{CannotHead, L""}}, text);
    // Step f on the summary route: a failed request is no error, the image is simply not there.
    for (K kind : {K::Hr, K::Disconnect}) {
        // The class is fetched once per connection: a failed fetch fails its first use only; the
        // refresh after it fetches again.
        add("GetObject Msvm_VirtualSystemManagementService (summary, first use)", kind,
            R"({"call": "GetObject", "class": "Msvm_VirtualSystemManagementService", "count": 1})", S::Open, {},
            kind == K::Hr ? image : text);
        add("ExecMethod GetSummaryInformation", kind, R"({"call": "ExecMethod", "method": "GetSummaryInformation"})",
            S::Open, {}, text);
    }
    add("GetMethod GetSummaryInformation", K::Hr, R"({"call": "GetMethod", "method": "GetSummaryInformation"})", S::Open,
        {}, text);
    add("SpawnInstance (GetSummaryInformation)", K::Hr, R"({"call": "SpawnInstance", "method": "GetSummaryInformation"})",
        S::Open, {}, text);
    add("Put SettingData", K::Hr, R"({"call": "Put", "property": "SettingData"})", S::Open, {}, text);
    add("Put RequestedInformation", K::Hr, R"({"call": "Put", "property": "RequestedInformation"})", S::Open, {}, text);
    reply("ExecMethod GetSummaryInformation", "image not an array",
          R"({"reply": "imageNotArray", "method": "GetSummaryInformation"})", S::Open, {}, text);
    reply("ExecMethod GetSummaryInformation", "data shorter than the header",
          R"({"reply": "imageShort", "method": "GetSummaryInformation"})", S::Open, {}, text);
    add("Get SummaryInformation", K::Hr, R"({"call": "Get", "property": "SummaryInformation"})", S::Open, {}, text);
    reply("Get SummaryInformation", "property missing", R"({"reply": "propertyMissing", "property": "SummaryInformation"})",
          S::Open, {}, text);
    add("Get ThumbnailImage", K::Hr, R"({"call": "Get", "property": "ThumbnailImage"})", S::Open, {}, text);
    reply("Get ThumbnailImage", "property missing", R"({"reply": "propertyMissing", "property": "ThumbnailImage"})",
          S::Open, {}, text);
    // Step g: only a failed read of EnabledState is an error.
    add("ExecQuery Msvm_SyntheticMouse", K::Hr, R"({"call": "ExecQuery", "class": "Msvm_SyntheticMouse"})", S::Open, {},
        image);
    add("ExecQuery Msvm_SyntheticMouse", K::Disconnect, R"({"call": "ExecQuery", "class": "Msvm_SyntheticMouse"})", S::Open,
        {}, text);
    add("Next Msvm_SyntheticMouse", K::Hr, R"({"call": "Next", "class": "Msvm_SyntheticMouse"})", S::Open, {}, image);
    add("Next Msvm_SyntheticMouse", K::Disconnect, R"({"call": "Next", "class": "Msvm_SyntheticMouse"})", S::Open, {}, text);
    add("Get EnabledState", K::Hr, R"({"call": "Get", "property": "EnabledState"})", S::Open, {{CannotMouse, L""}}, image);
    reply("Get EnabledState", "property missing", R"({"reply": "propertyMissing", "property": "EnabledState"})", S::Open,
          {{CannotMouse, L""}}, image);

    // ---- Step f on the method route: a failed request stops the connect with "err".
    for (K kind : {K::Hr, K::Disconnect}) {
        add("GetObject Msvm_VirtualSystemManagementService (method, first use)", kind,
            R"({"call": "GetObject", "class": "Msvm_VirtualSystemManagementService", "count": 1})", S::MethodOpen,
            {{CannotImage, L"err"}}, kind == K::Hr ? image : text);
        add("ExecMethod GetVirtualSystemThumbnailImage", kind,
            R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage"})", S::MethodOpen, {{CannotImage, L"err"}},
            text);
    }
    add("GetMethod GetVirtualSystemThumbnailImage", K::Hr,
        R"({"call": "GetMethod", "method": "GetVirtualSystemThumbnailImage"})", S::MethodOpen, {{CannotImage, L"err"}},
        text);
    add("SpawnInstance (GetVirtualSystemThumbnailImage)", K::Hr,
        R"({"call": "SpawnInstance", "method": "GetVirtualSystemThumbnailImage"})", S::MethodOpen, {{CannotImage, L"err"}},
        text);
    for (const char* parameter : {"TargetSystem", "WidthPixels", "HeightPixels"})
        add(std::string("Put ") + parameter, K::Hr,
            std::string(R"({"call": "Put", "property": ")") + parameter + R"("})", S::MethodOpen, {{CannotImage, L"err"}},
            text);
    reply("ExecMethod GetVirtualSystemThumbnailImage", "image not an array",
          R"({"reply": "imageNotArray", "method": "GetVirtualSystemThumbnailImage"})", S::MethodOpen, {}, text);
    reply("ExecMethod GetVirtualSystemThumbnailImage", "data shorter than the header",
          R"({"reply": "imageShort", "method": "GetVirtualSystemThumbnailImage"})", S::MethodOpen, {}, text);
    {
        Case& odd = reply("ExecMethod GetVirtualSystemThumbnailImage", "odd width", "", S::OpenOdd, {}, image);
        odd.guestWidth = 321;
        odd.guestHeight = 241;
        odd.corners = true;
    }
    add("Get ImageData", K::Hr, R"({"call": "Get", "property": "ImageData"})", S::MethodOpen, {}, text);
    reply("Get ImageData", "property missing", R"({"reply": "propertyMissing", "property": "ImageData"})", S::MethodOpen,
          {}, text);

    // ---- Settings and the ticks after them. The connect's own lookups are let through.
    add("Get CurrentVerticalResolution (Settings)", K::Hr,
        R"({"call": "Get", "property": "CurrentVerticalResolution", "after": 1, "count": 1})", S::OpenSettings,
        {{CannotHead, L""}}, image);
    add("Get EnabledState (Settings)", K::Hr, R"({"call": "Get", "property": "EnabledState", "after": 1, "count": 1})",
        S::OpenSettings, {{CannotMouse, L""}}, image);
    add("Settings: video head and mouse", K::Hr,
        R"({"call": "Get", "property": "EnabledState", "after": 1, "count": 1,
            "and": {"call": "Get", "property": "CurrentVerticalResolution", "after": 1, "count": 1}})",
        S::OpenSettings, {{CannotHead, L""}, {CannotMouse, L""}}, image);
    // A failed request on a tick keeps the last picture.
    add("ExecMethod GetVirtualSystemThumbnailImage (tick)", K::Hr,
        R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage"})", S::OpenSettings, {}, image);
    {
        // Gone at a tick: the full-size refresh then finds no video head (640 x 480) and fetches
        // nothing; the last picture stays, placed by that size.
        Case& c = add("ExecMethod GetVirtualSystemThumbnailImage (tick)", K::Disconnect,
                      R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage"})", S::OpenSettings, {}, image);
        c.guestWidth = 640;
        c.guestHeight = 480;
    }
    add("Get ImageData (tick)", K::Hr, R"({"call": "Get", "property": "ImageData"})", S::OpenSettings, {}, text);

    // ---- Input in absolute mode: failures are silent, except the Kanji key's, which is shown.
    // A keyboard held without its path reaches no method either.
    struct Input {
        const char* site;
        const char* match;
        bool kanjiFails;
    };
    const Input inputs[] = {
        // Class fetches fail the class's first use only (see above).
        {"GetObject Msvm_SyntheticMouse (first use)",
         R"({"call": "GetObject", "class": "Msvm_SyntheticMouse", "count": 1})", false},
        {"GetMethod SetAbsolutePosition", R"({"call": "GetMethod", "method": "SetAbsolutePosition"})", false},
        {"SpawnInstance (SetAbsolutePosition)", R"({"call": "SpawnInstance", "method": "SetAbsolutePosition"})", false},
        {"Put HorizontalPosition", R"({"call": "Put", "property": "HorizontalPosition"})", false},
        {"Put VerticalPosition", R"({"call": "Put", "property": "VerticalPosition"})", false},
        {"ExecMethod SetAbsolutePosition", R"({"call": "ExecMethod", "method": "SetAbsolutePosition"})", false},
        {"GetMethod SetButtonState (synthetic)",
         R"({"call": "GetMethod", "class": "Msvm_SyntheticMouse", "method": "SetButtonState"})", false},
        {"SpawnInstance (SetButtonState, synthetic)",
         R"({"call": "SpawnInstance", "class": "Msvm_SyntheticMouse", "method": "SetButtonState"})", false},
        {"Put buttonIndex", R"({"call": "Put", "property": "buttonIndex"})", false},
        {"Put isDown", R"({"call": "Put", "property": "isDown"})", false},
        {"ExecMethod SetButtonState (synthetic)",
         R"({"call": "ExecMethod", "class": "Msvm_SyntheticMouse", "method": "SetButtonState"})", false},
        {"Get ReturnValue (SetButtonState)", R"({"call": "Get", "method": "SetButtonState", "property": "ReturnValue"})",
         false},
        {"ExecQuery Msvm_Keyboard", R"({"call": "ExecQuery", "class": "Msvm_Keyboard"})", false},
        {"Next Msvm_Keyboard", R"({"call": "Next", "class": "Msvm_Keyboard"})", false},
        {"Get __PATH (Msvm_Keyboard)", R"({"call": "Get", "class": "Msvm_Keyboard", "property": "__PATH"})", true},
        {"GetObject Msvm_Keyboard (first use)", R"({"call": "GetObject", "class": "Msvm_Keyboard", "count": 1})",
         false},
        {"GetMethod PressKey", R"({"call": "GetMethod", "method": "PressKey"})", false},
        {"SpawnInstance (PressKey)", R"({"call": "SpawnInstance", "method": "PressKey"})", false},
        {"Put keyCode", R"({"call": "Put", "property": "keyCode"})", false},
        {"ExecMethod PressKey", R"({"call": "ExecMethod", "method": "PressKey"})", false},
        {"Get ReturnValue (PressKey)", R"({"call": "Get", "method": "PressKey", "property": "ReturnValue"})", false},
        {"GetMethod ReleaseKey", R"({"call": "GetMethod", "method": "ReleaseKey"})", false},
        {"ExecMethod ReleaseKey", R"({"call": "ExecMethod", "method": "ReleaseKey"})", false},
        {"GetMethod IsKeyPressed", R"({"call": "GetMethod", "method": "IsKeyPressed"})", false},
        {"ExecMethod IsKeyPressed", R"({"call": "ExecMethod", "method": "IsKeyPressed"})", false},
        {"Get keyState", R"({"call": "Get", "property": "keyState"})", false},
        {"GetMethod TypeText", R"({"call": "GetMethod", "method": "TypeText"})", false},
        {"Put asciiText", R"({"call": "Put", "property": "asciiText"})", false},
        {"ExecMethod TypeText", R"({"call": "ExecMethod", "method": "TypeText"})", false},
        {"GetMethod TypeScancodes", R"({"call": "GetMethod", "method": "TypeScancodes"})", true},
        {"SpawnInstance (TypeScancodes)", R"({"call": "SpawnInstance", "method": "TypeScancodes"})", true},
        {"Put Scancodes", R"({"call": "Put", "property": "Scancodes"})", true},
        {"ExecMethod TypeScancodes", R"({"call": "ExecMethod", "method": "TypeScancodes"})", true},
    };
    for (const Input& input : inputs) {
        std::vector<ShownBox> boxes;
        if (input.kanjiFails) boxes.push_back({Kanji, L""});
        add(input.site, K::Hr, input.match, S::OpenInput, boxes, image);
        const std::string call = nlohmann::json::parse(input.match)["call"];
        if (call != "ExecQuery" && call != "Next" && call != "GetObject" && call != "ExecMethod") continue;
        // Gone at this call: the rest of the input fails quietly, and so do the refreshes; the
        // Kanji key fails with an empty text once the keyboard has been found, as it has by then
        // unless the connection went before the first key press.
        const std::string site = input.site;
        const bool keyboardFound = site.find("Mouse") == std::string::npos && site.find("Position") == std::string::npos &&
                                   site.find("SetButtonState") == std::string::npos && call != "ExecQuery" &&
                                   call != "Next";
        std::vector<ShownBox> goneBoxes;
        if (keyboardFound) goneBoxes.push_back({Kanji, L""});
        add(input.site, K::Disconnect, input.match, S::OpenInput, goneBoxes, text);
    }
    reply("GetMethod TypeScancodes", "method missing (first release)",
          R"({"call": "GetMethod", "method": "TypeScancodes", "hr": "0x80041002"})", S::OpenInput,
          {{Kanji, L"This function is require Hyper-V R2."}}, image);
    reply("Get keyState", "property missing", R"({"reply": "propertyMissing", "property": "keyState"})", S::OpenInput, {},
          image);

    // ---- The second-version host: its namespace is the second one asked, and its settings are
    // found by their type. Its listing's first ConnectServer (the first version's namespace) is let
    // through; the Open after it goes straight to the second.
    for (K kind : {K::Hr, K::Disconnect}) {
        add("ConnectServer root\\virtualization\\v2 (listing)", kind, R"({"call": "ConnectServer", "after": 1})",
            S::OpenV2, {{ConnectError, WithCode(ConnectText, kind == K::Hr ? Hr : Disconnected)}}, text)
            .opens = false;
        add("ConnectServer root\\virtualization\\v2", kind, R"({"call": "ConnectServer", "after": 2})", S::OpenV2,
            {{CannotConnect, ConnectText}}, text);
        add("ExecQuery Msvm_VirtualSystemSettingData (v2)", kind,
            R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemSettingData"})", S::OpenV2, {}, text);
        add("Next Msvm_VirtualSystemSettingData (v2)", kind, R"({"call": "Next", "class": "Msvm_VirtualSystemSettingData"})",
            S::OpenV2, {}, text);
    }

    // ---- Beta: the S3 display controller's head, relative mode.
    for (const char* match : {R"({"call": "ExecQuery", "class": "Msvm_S3DisplayController"})",
                              R"({"call": "Next", "class": "Msvm_S3DisplayController"})"}) {
        const std::string site = std::string(nlohmann::json::parse(match)["call"]) + " Msvm_S3DisplayController";
        add(site, K::Hr, match, S::OpenBeta, {}, image);  // the head is found by the identifier
        add(site, K::Disconnect, match, S::OpenBeta, {}, text);
    }
    reply("Next Msvm_VideoHead (S3)", "zero resolution", R"({"reply": "resolutionZero"})", S::OpenBeta, {}, text);
    const Input relative[] = {
        {"ExecQuery Msvm_Ps2Mouse", R"({"call": "ExecQuery", "class": "Msvm_Ps2Mouse"})", false},
        {"Next Msvm_Ps2Mouse", R"({"call": "Next", "class": "Msvm_Ps2Mouse"})", false},
        {"Get __PATH (Msvm_Ps2Mouse)", R"({"call": "Get", "class": "Msvm_Ps2Mouse", "property": "__PATH"})", false},
        {"GetObject Msvm_Ps2Mouse (first use)", R"({"call": "GetObject", "class": "Msvm_Ps2Mouse", "count": 1})",
         false},
        {"GetMethod SetRelativePosition", R"({"call": "GetMethod", "method": "SetRelativePosition"})", false},
        {"SpawnInstance (SetRelativePosition)", R"({"call": "SpawnInstance", "method": "SetRelativePosition"})", false},
        {"Put horizontalDelta", R"({"call": "Put", "property": "horizontalDelta"})", false},
        {"Put verticalDelta", R"({"call": "Put", "property": "verticalDelta"})", false},
        {"ExecMethod SetRelativePosition", R"({"call": "ExecMethod", "method": "SetRelativePosition"})", false},
        {"GetMethod SetButtonState (PS/2)", R"({"call": "GetMethod", "class": "Msvm_Ps2Mouse", "method": "SetButtonState"})",
         false},
        {"Put buttonState", R"({"call": "Put", "property": "buttonState"})", false},
        {"ExecMethod SetButtonState (PS/2)",
         R"({"call": "ExecMethod", "class": "Msvm_Ps2Mouse", "method": "SetButtonState"})", false},
    };
    for (const Input& input : relative) {
        add(input.site, K::Hr, input.match, S::OpenBeta, {}, image);
        const std::string call = nlohmann::json::parse(input.match)["call"];
        if (call == "ExecQuery" || call == "Next" || call == "GetObject" || call == "ExecMethod")
            add(input.site, K::Disconnect, input.match, S::OpenBeta, {}, text);
    }

    // The default selection: per script, the first case of each kind; and every case that shows a
    // message box or carries a malformed reply.
    std::map<std::pair<int, int>, bool> seen;
    for (Case& c : cases) {
        const auto key = std::make_pair(static_cast<int>(c.script), static_cast<int>(c.kind));
        c.selected = !c.boxes.empty() || c.kind == K::Reply || !seen[key];
        seen[key] = true;
    }
    return cases;
}

// Faults of a case: a case may carry a second fault under "and".
std::string ScenarioFaults(const Case& c) {
    if (c.match.empty()) return {};
    nlohmann::ordered_json match = nlohmann::ordered_json::parse(c.match);
    std::string second;
    if (match.contains("and")) {
        second = match["and"].dump();
        match.erase("and");
    }
    Case first = c;
    first.match = match.dump();
    Case other = c;
    other.match = second;
    return FaultJson(first) + (second.empty() ? "" : "," + FaultJson(other));
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t ch : text) out += ch < 0x80 ? static_cast<char>(ch) : '?';
    return out;
}

std::string BoxesText(const std::vector<ShownBox>& boxes) {
    std::string out = "[";
    for (const ShownBox& b : boxes) out += (out.size() > 1 ? ", " : "") + Narrow(b.caption) + ": \"" + Narrow(b.text) + "\"";
    return out + "]";
}

// Runs one case; returns "" when it passed, else what went wrong.
std::string RunCase(const Case& c) {
    RobustRun run;
    if (!run.Start(Scenario(ScenarioFaults(c)))) return "cannot start: " + Narrow(run.Error());
    bool opened = false;
    bool stepped = true;
    const wchar_t* machine = c.script == Script::OpenBeta  ? L"Beta"
                             : c.script == Script::OpenOdd ? L"Odd"
                             : c.script == Script::OpenV2  ? L"Gamma"
                                                           : L"Alpha";
    if (c.script == Script::MethodOpen || c.script == Script::OpenOdd) stepped = run.SetCaptureSize(L"x1.0");
    const wchar_t* server = c.script == Script::OpenV2 ? L"hv-v2" : L"localhost";
    stepped = stepped && run.Connect(machine, opened, server);
    if (stepped && opened) {
        stepped = run.Refresh();
        if (c.script == Script::OpenSettings)
            stepped = stepped && run.SetCaptureSize(L"x1.0") && run.Refresh() && run.FullSizeRefresh();
        if (c.script == Script::OpenInput) stepped = stepped && run.AbsoluteInput();
        if (c.script == Script::OpenBeta) stepped = stepped && run.RelativeInput();
    }
    if (!stepped) return "a step could not be taken (program gone or not answering); boxes so far " + BoxesText(run.Boxes());
    std::string problems;
    if (opened != c.opens) problems += opened ? "the machine could be opened; " : "the machine was not listed; ";
    if (run.Boxes() != c.boxes)
        problems += "message boxes " + BoxesText(run.Boxes()) + ", expected " + BoxesText(c.boxes) + "; ";
    std::string why;
    if (!run.Shows(c.picture, c.guestWidth, c.guestHeight, c.corners, why)) problems += "picture: " + why + "; ";
    if (!FaultActed(c, run, why)) problems += why + "; ";
    if (c.kind == Kind::Disconnect) {
        // A new connection works again: the guest shows up.
        const size_t boxes = run.Boxes().size();
        bool reopened = false;
        if (!run.Connect(c.script == Script::OpenV2 ? L"Gamma" : L"Alpha", reopened, server) || !reopened ||
            !run.Refresh())
            problems += "cannot connect again after the disconnect; ";
        else if (run.Boxes().size() != boxes)
            problems += "reconnecting showed " + BoxesText(run.Boxes()) + "; ";
        else if (!run.Shows(Picture::Image, 320, 240, false, why))
            problems += "after reconnecting: " + why + "; ";
    }
    long liveObjects = -1;
    if (!problems.empty() && std::getenv("VUEMERE_FAULT_CASE")) {
        for (const LoggedCall& call : run.Session().Calls())
            if (call.Field("wire") == "true") std::printf("    %s\n", call.line.substr(0, 160).c_str());
    }
    if (!run.Disconnect()) problems += "not answering at the end; ";
    if (!run.Exit(liveObjects)) problems += "did not end with exit code 0; ";
    if (liveObjects != 0) problems += "live objects at exit: " + std::to_string(liveObjects) + "; ";
    return problems;
}

const char* KindName(Kind kind) {
    return kind == Kind::Hr ? "failing HRESULT" : kind == Kind::Disconnect ? "RPC_E_DISCONNECTED" : "malformed reply";
}

class FaultMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Typing the clipboard needs text on it.
        if (!OpenClipboard(nullptr)) return;
        EmptyClipboard();
        const wchar_t text[] = L"ab";
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
        std::memcpy(GlobalLock(block), text, sizeof(text));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }
};

TEST_F(FaultMatrix, EveryCallSiteKeepsTheProgramSound) {
    const char* mode = std::getenv("VUEMERE_FAULT_MATRIX");
    const bool full = mode && std::string(mode) == "full";
    // VUEMERE_FAULT_CASE=text runs only the cases whose call site contains the text.
    const char* only = std::getenv("VUEMERE_FAULT_CASE");
    const std::vector<Case> cases = Cases();

    // Rows in first-seen order; each cell lists its cases' results.
    std::vector<std::string> rows;
    std::map<std::string, std::map<int, std::string>> cells;
    int ran = 0, passed = 0;
    for (const Case& c : cases) {
        if (cells.find(c.site) == cells.end()) rows.push_back(c.site);
        std::string& cell = cells[c.site][static_cast<int>(c.kind)];
        if (only ? c.site.find(only) == std::string::npos : !full && !c.selected) continue;
        const std::string problems = RunCase(c);
        ++ran;
        const bool ok = problems.empty();
        if (ok) ++passed;
        const std::string label = c.kind == Kind::Reply ? c.reply : std::string("");
        cell += (cell.empty() ? "" : ", ") + (label.empty() ? "" : label + " ") + (ok ? "pass" : "FAIL");
        if (!ok) ADD_FAILURE() << c.site << " / " << KindName(c.kind) << (label.empty() ? "" : " (" + label + ")") << ": " << problems;
    }

    std::printf("\nFault matrix (%s): vuemere.exe against the simulated host, one run per case\n",
                full ? "every case" : "default selection; VUEMERE_FAULT_MATRIX=full runs every case");
    std::printf("%-52s | %-16s | %-18s | %s\n", "call site", "failing HRESULT", "RPC_E_DISCONNECTED", "malformed reply");
    for (const std::string& row : rows) {
        auto cell = [&](Kind kind) {
            auto found = cells[row].find(static_cast<int>(kind));
            if (found == cells[row].end()) return std::string("-");
            return found->second.empty() ? std::string("(not run)") : found->second;
        };
        std::printf("%-52s | %-16s | %-18s | %s\n", row.c_str(), cell(Kind::Hr).c_str(), cell(Kind::Disconnect).c_str(),
                    cell(Kind::Reply).c_str());
    }
    std::printf("cases: %zu in the matrix, %d run, %d passed\n", cases.size(), ran, passed);
    EXPECT_EQ(passed, ran);
}

}  // namespace
