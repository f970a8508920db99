// The console window, black-box: opening a machine and its picture, the settings taking effect,
// the full-size refresh, copying and saving the screen, three DPIs, hosts of either provider
// version and a host of a thousand machines. Each row runs the unmodified vuemere.exe in the sim
// Wine prefix (see scenario_run.h).
#include "scenario_run.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char Service[] = "GetObject Msvm_VirtualSystemManagementService";

// At any DPI a full-size picture in a window sized for it (the guest's size and the white frame
// of 15 pixels) takes exactly the guest's pixels, and the real pointer put on a guest pixel
// reaches that pixel. The DPI is read off the frame while the menu bar fits on one line.
const char DpiSteps[] =
    "client 800 320; dpi; watch fetch device; open Odd; client 351 271; full; shows 321x241 exact; point 160 120; ldown 0 0; lup 0 0";
std::vector<std::string> DpiTranscript(int dpi) {
    return {"dpi " + std::to_string(dpi), Summary, Summary, "GetVirtualSystemThumbnailImage 321 241", "shows 321x241 exact",
            "SetAbsolutePosition 160 120", "SetButtonState 1 true", "SetButtonState 1 false"};
}

std::string FarmListing() {
    std::string listed = "listed";
    for (int i = 0; i < 1000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, " Farm %04d,", i);
        listed += name;
    }
    return listed + " Pixel";
}

// Odd fails a step of its Connect while Alpha is open: no machine stays open (the title names Odd),
// no picture of Alpha stays, and nothing of the input and refresh after it reaches Alpha.
Row FailedOpen(const char* name, const char* fault, std::vector<std::string> shown) {
    shown.insert(shown.begin(), CaptureWarning);
    shown.insert(shown.end(), {"title vuemere - Odd", "shows text"});
    return {name, "settings - x1.0; open Alpha; watch fetch device; open Odd; key A; ldown 10 10; lup 10 10; tick; title; "
                  "shows text", shown, fault};
}
const char Thumbnail[] = "GetVirtualSystemThumbnailImage 321 241";

const Row Rows[] = {
    FailedOpen("OpenFailingAtTheConnectionClosesTheMachineBefore", R"({"call": "ConnectServer", "after": 5, "count": 1, "hr": "0x80041001"})",
               {"cannot connect server: cannot conect for server"}),
    FailedOpen("OpenFailingAtTheServiceClosesTheMachineBefore",
               R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemManagementService", "after": 1, "hr": "0x80041001"})",
               {"cannot VirtualSystemImageService: Query for operating system name failed."}),
    FailedOpen("OpenFailingAtTheMachineClosesTheMachineBefore",
               R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem", "after": 3, "hr": "0x80041001"})",
               {"cannot open vm: Query for operating system name failed."}),
    FailedOpen("OpenFailingAtTheVideoHeadClosesBothMachines",
               R"({"call": "Get", "property": "CurrentVerticalResolution", "after": 1, "hr": "0x80041001"})", {"cannot get VideoHead: "}),
    FailedOpen("OpenFailingAtTheFirstImageClosesBothMachines",
               R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage", "after": 2, "hr": "0x80041001"})",
               {Thumbnail + std::string(" 0x80041001"), "cannot get Thumbnailvm: err"}),
    FailedOpen("OpenFailingAtTheMouseClosesBothMachines",
               R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "EnabledState", "after": 1, "hr": "0x80041001"})",
               {Thumbnail, "cannot get mouse device: "}),
    // Not a failure: the machine opens, without a picture until the host sends one.
    FailedOpen("AJobInsteadOfTheFirstImageShowsNoPictureOfTheMachineBefore",
               R"({"reply": "jobStarted", "method": "GetVirtualSystemThumbnailImage", "after": 2})",
               {Thumbnail, Thumbnail, Thumbnail}),
    {"OpenNamesTheMachineAndPaintsItsScreen", "title; shows text; watch fetch; open Alpha; title; shows 320x240",
     {"title vuemere", "shows text", Summary, Summary, "title vuemere - Alpha", "shows 320x240"}},
    // The capture size is what the next Open asks for (160 x 120: summary item 6); an interval
    // takes effect at once.
    {"SettingsTakeEffect", "watch fetch; settings 60000 160x120; open Alpha; watch; settings 100 -; ticking",
     {"GetSummaryInformation [0,6]", "GetSummaryInformation [0,6]", "ticking"}},
    // "Re&fresh of full size" asks for the guest's own size (321 x 241: the method route) and
    // holds that picture against ticks until a click; DisConnect shows the text, and both
    // commands do nothing without a machine.
    {"FullSizeIsHeldUntilAClickAndDisconnectShowsNoImage",
     "watch fetch device; open Odd; full; tick; ldown 10 10; lup 10 10; tick; disconnect; tick; full; title; shows text",
     {Summary, Summary, "GetVirtualSystemThumbnailImage 321 241", "SetButtonState 1 true", "SetButtonState 1 false",
      Summary, "title vuemere", "shows text"}},
    // "Co&py Screen" and "Save Screen &As...": one image of the guest's own size each, in one round
    // trip, the view left as it was (the next tick fetches as before); a bitmap every program
    // pastes, a PNG of the same pixels under a suggested name, and the dialog's own question
    // before it replaces a file.
    {"CopyAndSaveTheScreen",
     "open Odd; wire 99; watch fetch; copy-screen; wire 1; clipboard; held copy-screen; clipboard; tick; save shot.png; "
     "saved shot.png; "
     "save shot.png keep; save shot.png locked; saved shot.png; save shot.png readonly; save noext; saved noext.png; "
     "save box.png box",
     {"wire calls <= 99", "GetVirtualSystemThumbnailImage 321 241", "wire calls <= 1",
      "clipboard 321x241 24-bit bottom-up, corners red green blue white",
      // Another program holding the clipboard: a box says so, and the copy before stays.
      Thumbnail, "cannot copy screen: the clipboard is in use by another program",
      "clipboard 321x241 24-bit bottom-up, corners red green blue white", Summary, "GetVirtualSystemThumbnailImage 321 241", "suggested Odd <time>.png",
      "saved shot.png 321x241, corners red green blue white, the copy's pixels but the frame counter",
      "GetVirtualSystemThumbnailImage 321 241", "suggested Odd <time>.png", "asked before replacing shot.png, kept",
      // Replaced after Yes, by a whole file only, though another program holds it open for a
      // moment: a file that cannot be replaced stays as it was, and nothing is left beside it. A
      // name without an extension gets ".png". While the dialog is up, the console's own boxes
      // keep working and keep it disabled.
      Thumbnail, "suggested Odd <time>.png", "asked before replacing shot.png, changed",
      "saved shot.png 321x241, corners red green blue white, the copy's pixels but the frame counter", Thumbnail,
      "suggested Odd <time>.png", "cannot save screen: cannot write the file (0x80070005)",
      "asked before replacing shot.png, kept", Thumbnail, "suggested Odd <time>.png",
      "saved noext.png 321x241, corners red green blue white, the copy's pixels but the frame counter", Thumbnail,
      "suggested Odd <time>.png", "console disabled under its box",
      "Reset: Reset Odd? It restarts at once: unsaved work in the guest is lost. [&No]"}},
    // Wine's LogPixels: 100 %, 150 % and 200 %.
    {"FullSizeAndClicksAt96Dpi", DpiSteps, DpiTranscript(96), "", 96},
    {"FullSizeAndClicksAt144Dpi", DpiSteps, DpiTranscript(144), "", 144},
    {"FullSizeAndClicksAt192Dpi", DpiSteps, DpiTranscript(192), "", 192},
    // Listed in batches (sorted), and a class definition crosses the wire once per connection: a
    // failed fetch is not kept, and a new connection fetches it again.
    {"ClassesAreFetchedOncePerConnectionAndListingsComeInBatches",
     "list farm; wire 20; watch class fetch; open Pixel farm; tick; tick; open Pixel farm; tick",
     {FarmListing(), "wire calls <= 20", Service + std::string(" 0x80041001"), Service, Summary, Summary, Summary,
      Service, Summary, Summary, Summary},
     R"({"call": "GetObject", "class": "Msvm_VirtualSystemManagementService", "hr": "0x80041001", "count": 1})"},
    // The first version's namespace is asked first, the second's when the host has none; what a
    // server answered is remembered (its name in any case), and the error shown is the one that
    // says what to fix. A checkpointed machine shows its live screen.
    {"EachHostIsSpokenToInTheNamespaceItAnswers",
     "watch connect; list hv-both no-hyperv locked-v2 gone-v2 hv-v2; open Checkpointed HV-V2; shows 320x240",
     {R"(connect \\hv-both\root\virtualization)", R"(connect \\hv-both\root\MSCluster 0x8004100E)", "listed Both",
      R"(connect \\no-hyperv\root\virtualization 0x8004100E)", R"(connect \\no-hyperv\root\virtualization\v2 0x8004100E)",
      "connect error: cannot conect for server (0x8004100E)", "listed",
      R"(connect \\locked-v2\root\virtualization 0x8004100E)", R"(connect \\locked-v2\root\virtualization\v2 0x80041003)",
      "connect error: cannot conect for server (0x80041003)", "listed",
      R"(connect \\gone-v2\root\virtualization 0x8004100E)", R"(connect \\gone-v2\root\virtualization\v2 0x800706BA)",
      "connect error: cannot conect for server (0x800706BA)", "listed",
      R"(connect \\hv-v2\root\virtualization 0x8004100E)", R"(connect \\hv-v2\root\virtualization\v2)",
      R"(connect \\hv-v2\root\MSCluster 0x8004100E)", "listed Checkpointed, Gamma, NoMouse",
      R"(connect \\HV-V2\root\virtualization\v2)", R"(connect \\HV-V2\root\MSCluster 0x8004100E)",
      R"(connect \\HV-V2\root\virtualization\v2)", "shows 320x240"}},
    // A generation 1 machine has both display controllers; the head of the active one gives the
    // screen's size (the guest starts on its S3 display, then switches to the synthetic one), and
    // both versions link each controller to its head. This host's images carry a length prefix.
    {"TheActiveDisplaysHeadGivesTheScreensSize",
     "watch heads fetch; open Boot hv-real; shows 720x400; full; keymenu; keymenu; keymenu; full; shows 1024x768 corners",
     {"select Msvm_SyntheticDisplayController 1", "associators Msvm_VideoHead 1", "select Msvm_S3DisplayController 1",
      "associators Msvm_VideoHead 1", Summary, Summary, "shows 720x400", "select Msvm_SyntheticDisplayController 1",
      "associators Msvm_VideoHead 1", "select Msvm_S3DisplayController 1", "associators Msvm_VideoHead 1",
      "GetVirtualSystemThumbnailImage 720 400", "select Msvm_SyntheticDisplayController 1",
      "associators Msvm_VideoHead 1", "GetVirtualSystemThumbnailImage 1024 768", "shows 1024x768 corners"}},
    // A guest that starts from Off, or is reset: its screen's size is followed as it boots, from
    // BIOS text on the S3 display to its desktop on the synthetic one, picture and pointer alike.
    {"ABootingGuestIsFollowedToItsDesktopsSize",
     "open Booter ctl; watch heads read device; start; tick; shows 720x400 corners; tick; shows 640x480 corners; tick; "
     "shows 1024x768 corners; move 189 142; open Rebooter ctl; answer yes; reset; tick; shows 720x400 corners",
     {"read Msvm_ConcreteJob", "read Msvm_ComputerSystem", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem",
      // Started: the head in use is looked up, then read again on each tick.
      "select Msvm_SyntheticDisplayController 1", "associators Msvm_VideoHead 1", "select Msvm_S3DisplayController 1",
      "associators Msvm_VideoHead 1", "read Msvm_VideoHead", "shows 720x400 corners", "read Msvm_VideoHead",
      "shows 640x480 corners",
      // The S3 display's head is no longer in use: the synthetic one's is looked up.
      "read Msvm_VideoHead", "select Msvm_SyntheticDisplayController 1", "associators Msvm_VideoHead 1",
      "shows 1024x768 corners", "SetAbsolutePosition 512 384", "read Msvm_VideoHead",
      // Another machine, running: a reset makes it boot.
      "select Msvm_SyntheticDisplayController 1", "associators Msvm_VideoHead 1",
      "Reset: Reset Rebooter? It restarts at once: unsaved work in the guest is lost. [&No]", "read Msvm_ConcreteJob",
      "read Msvm_ComputerSystem", "read Msvm_ConcreteJob", "read Msvm_ComputerSystem", "read Msvm_VideoHead",
      "select Msvm_SyntheticDisplayController 1", "associators Msvm_VideoHead 1", "select Msvm_S3DisplayController 1",
      "associators Msvm_VideoHead 1", "shows 720x400 corners"}},
    // Two machines of one name: each opens as picked, and the Connect dialog picks the one
    // opened last again.
    {"MachinesThatShareANameOpenAsPicked",
     "watch fetch; open Twin#1 hv-real; full; open Twin#2 hv-real; full; open * hv-real; full; title",
     {Summary, Summary, "GetVirtualSystemThumbnailImage 321 241", Summary, Summary,
      "GetVirtualSystemThumbnailImage 320 240", Summary, Summary, "GetVirtualSystemThumbnailImage 320 240",
      "title vuemere - Twin"}},
};

class Console : public testing::TestWithParam<Row> {};
TEST_P(Console, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Console, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
