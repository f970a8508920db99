// The console window, black-box: the unmodified vuemere.exe in the sim Wine prefix, each test with
// its own scenario and call log, driven through its menu commands and dialogs like a user would.
#include "console/paint_geometry.h"
#include "console_session.h"
#include "hostsim/hostsim.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using uidriver::Pixels;

namespace {

// ---- Scenarios

// Guests with fixed identifiers, so that the test process's own simulator draws the same screens.
const char PixelMachine[] =
    R"({"elementName": "Pixel 320", "name": "0B1C2D3E-0000-4000-8000-000000000320", "width": 320, "height": 240})";
const char OddMachine[] =
    R"({"elementName": "Odd 321", "name": "0B1C2D3E-0000-4000-8000-000000000321", "width": 321, "height": 241})";
const char WideMachine[] =
    R"({"elementName": "Wide 640", "name": "0B1C2D3E-0000-4000-8000-000000000640", "width": 640, "height": 480})";

// One local host with the given machines (JSON objects, comma-separated), faults and extra members.
std::string Scenario(const std::string& machines, const std::string& faults = "",
                     const std::string& extra = "") {
    return R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-CONSOLE", )" + extra +
           R"("machines": [)" + machines + R"(], "faults": [)" + faults + "]}]}";
}

std::string AllMachines() { return std::string(PixelMachine) + "," + OddMachine + "," + WideMachine; }

// ---- Looking at the window

PaintRect ClientRect(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return PaintRect{r.left, r.top, r.right, r.bottom};
}

// Where the program draws a guest of this size with the default settings (white frame 15,
// frame space, small scale).
PaintRect ExpectedImageRect(HWND window, int guestWidth, int guestHeight) {
    PaintRect dest;
    PlaceImage(FrameArea(ClientRect(window), 15), guestWidth, guestHeight, 1, 2, dest);
    return dest;
}

// Whether a window pixel shows the 5-6-5 value (the display converts each channel to 8 bits).
bool Shows(uint32_t rgb, uint16_t pixel) {
    return ((rgb >> 19) & 0x1F) == ((pixel >> 11) & 0x1F) && ((rgb >> 10) & 0x3F) == ((pixel >> 5) & 0x3F) &&
           ((rgb >> 3) & 0x1F) == (pixel & 0x1F);
}

// Widens a bounding box (empty: left > right) to take in the pixel at (x, y).
void Grow(RECT& box, int x, int y) {
    box.left = std::min<LONG>(box.left, x);
    box.top = std::min<LONG>(box.top, y);
    box.right = std::max<LONG>(box.right, x + 1);
    box.bottom = std::max<LONG>(box.bottom, y + 1);
}

// Compares the window's pixels at `dest` with an image shown 1:1 there (tightly packed 5-6-5 rows,
// first row at the top). Returns the bounding box of the differing pixels in image coordinates
// (empty when they all match).
RECT Differences(const Pixels& window, const PaintRect& dest, const std::vector<uint8_t>& image, int width,
                 int height) {
    RECT box{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t at = (static_cast<size_t>(y) * width + x) * 2;
            const uint16_t pixel = static_cast<uint16_t>(image[at] | (image[at + 1] << 8));
            if (!Shows(window.At(dest.left + x, dest.top + y), pixel)) Grow(box, x, y);
        }
    }
    return box;
}

// Checks that the window shows the guest's screen 1:1 at `dest`. The reference is drawn by this
// process's own simulator from the same scenario; only the frame counter in the top-right corner
// may differ (the two hosts have sent different numbers of frames), so every difference must lie
// in the right half of the top quarter. A picture painted from misaligned rows is sheared and
// differs everywhere, corners and title included.
void ExpectGuestScreen(const Pixels& window, const PaintRect& dest, const std::string& scenario,
                       const wchar_t* machine, const char* host = "localhost") {
    hostsim::Simulator& reference = hostsim::TheSimulator();
    ASSERT_EQ(reference.Load(scenario), S_OK) << reference.LoadError();
    hostsim::Guest* guest = reference.FindGuest(host, machine);
    ASSERT_NE(guest, nullptr);
    const int width = guest->width(), height = guest->height();
    ASSERT_EQ(dest.right - dest.left, width);
    ASSERT_EQ(dest.bottom - dest.top, height);
    ASSERT_LE(dest.right, window.width);
    ASSERT_LE(dest.bottom, window.height);
    const RECT box = Differences(window, dest, guest->Thumbnail(width, height), width, height);
    if (box.right == 0) return;  // identical
    EXPECT_GE(box.left, width / 2) << "differences from x " << box.left;
    EXPECT_LE(box.bottom, height / 4) << "differences down to y " << box.bottom;
}

// The bounding box of pixels that differ from the background (the client's top-left pixel).
RECT Drawn(const Pixels& pixels) {
    const uint32_t background = pixels.At(0, 0);
    RECT box{pixels.width, pixels.height, 0, 0};
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.At(x, y) != background) Grow(box, x, y);
    return box;
}

// "console image is not available." alone: a single line of text, centred in the client area.
bool ShowsNoImageText(HWND window) {
    Pixels pixels;
    if (!uidriver::CaptureClient(window, pixels)) return false;
    const RECT box = Drawn(pixels);
    if (box.right <= box.left) return false;
    const int textWidth = box.right - box.left, textHeight = box.bottom - box.top;
    const int dx = (box.left + box.right) - pixels.width, dy = (box.top + box.bottom) - pixels.height;
    return textHeight < 40 && textWidth < pixels.width / 2 && std::abs(dx) <= 4 && std::abs(dy) <= 4;
}

bool WaitNoImageText(HWND window) {
    return uidriver::WaitUntil([&] { return ShowsNoImageText(window); });
}

// Waits until the window shows the guest's coloured top-left corner (red) inside `dest`.
bool WaitImageShown(HWND window, const PaintRect& dest) {
    return uidriver::WaitUntil([&] {
        Pixels pixels;
        if (!uidriver::CaptureClient(window, pixels) || dest.left + 1 >= pixels.width ||
            dest.top + 1 >= pixels.height)
            return false;
        return pixels.At(dest.left + 1, dest.top + 1) == 0xFF0000;
    });
}

// ---- Reading the call log

bool AnyQueryFor(const std::vector<LoggedCall>& calls, const char* text) {
    for (const LoggedCall& call : calls)
        if (call.Is("ExecQuery") && call.Field("query").find(text) != std::string::npos) return true;
    return false;
}

std::vector<LoggedCall> Fetches(const std::vector<LoggedCall>& calls) {
    std::vector<LoggedCall> fetches;
    for (const LoggedCall& call : calls)
        if (call.IsFetch()) fetches.push_back(call);
    return fetches;
}

int MouseCalls(const std::vector<LoggedCall>& calls) {
    int count = 0;
    for (const LoggedCall& call : calls)
        if (call.Is("ExecMethod", "SetAbsolutePosition")) ++count;
    return count;
}

// Moves the mouse over the middle of the image as the system would report it.
void MoveMouse(const ConsoleSession& session, const PaintRect& dest) {
    const int x = (dest.left + dest.right) / 2, y = (dest.top + dest.bottom) / 2;
    PostMessageW(session.Window(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    session.Settle();
}

class Console : public ::testing::Test {
protected:
    // Starts the program with `scenario`.
    void Launch(const std::string& scenario) {
        ASSERT_TRUE(session.Start(scenario)) << std::string(session.Error().begin(), session.Error().end());
    }
    ConsoleSession session;
};

// ---- Opening a machine

TEST_F(Console, OpenNamesTheMachineFetchesAndPaintsItsScreen) {
    const std::string scenario = Scenario(AllMachines());
    Launch(scenario);
    EXPECT_EQ(session.Title(), L"vuemere");
    EXPECT_TRUE(WaitNoImageText(session.Window()));
    ASSERT_TRUE(session.SetClientSize(700, 560));

    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    EXPECT_EQ(session.Title(), L"vuemere - Pixel 320");
    ASSERT_TRUE(session.WaitForFetches(0));
    // The default capture size 320x240 takes the summary route.
    const LoggedCall first = Fetches(session.Calls()).front();
    EXPECT_TRUE(first.Is("ExecMethod", "GetSummaryInformation")) << first.line;
    EXPECT_EQ(first.In("RequestedInformation"), "[7]") << first.line;

    // A 320 x 240 guest in a larger window with frame space: 1:1, centred inside the white frame.
    const PaintRect dest = ExpectedImageRect(session.Window(), 320, 240);
    EXPECT_EQ(dest.left, (700 - 320) / 2);
    ASSERT_TRUE(WaitImageShown(session.Window(), dest));
    Pixels pixels;
    ASSERT_TRUE(uidriver::CaptureClient(session.Window(), pixels));
    ExpectGuestScreen(pixels, dest, scenario, L"Pixel 320");
    // Outside the image only the background shows.
    const RECT drawn = Drawn(pixels);
    EXPECT_EQ(drawn.left, dest.left);
    EXPECT_EQ(drawn.top, dest.top);
    EXPECT_EQ(drawn.right, dest.right);
    EXPECT_EQ(drawn.bottom, dest.bottom);
    if (::testing::Test::HasFailure()) uidriver::SaveBmp(pixels, L"console-open-failure.bmp");
}

TEST_F(Console, OddWidthImagesArePaintedWithAlignedRows) {
    const std::string scenario = Scenario(AllMachines());
    Launch(scenario);
    ASSERT_TRUE(session.SetClientSize(700, 560));
    // Scale 1.0 asks for the guest's own size: 321 x 241, rows of 642 bytes.
    ASSERT_TRUE(session.ApplySettings(nullptr, L"x1.0"));
    ASSERT_TRUE(session.OpenMachine(L"Odd 321"));
    ASSERT_TRUE(session.WaitForFetches(0));
    const LoggedCall first = Fetches(session.Calls()).front();
    EXPECT_TRUE(first.Is("ExecMethod", "GetVirtualSystemThumbnailImage")) << first.line;
    EXPECT_EQ(first.In("WidthPixels"), "321");
    EXPECT_EQ(first.In("HeightPixels"), "241");

    const PaintRect dest = ExpectedImageRect(session.Window(), 321, 241);
    ASSERT_TRUE(WaitImageShown(session.Window(), dest));
    Pixels pixels;
    ASSERT_TRUE(uidriver::CaptureClient(session.Window(), pixels));
    ExpectGuestScreen(pixels, dest, scenario, L"Odd 321");
    if (::testing::Test::HasFailure()) uidriver::SaveBmp(pixels, L"console-odd-failure.bmp");
}

// Each step of the connect sequence that can fail shows its caption with the operation's error
// text, and the steps after it do not run. The window names the chosen machine in every case.
TEST_F(Console, ConnectStopsAtTheFirstFailingStep) {
    struct Case {
        const char* step;
        const char* fault;
        const wchar_t* caption;
        const char* nextQuery;  // a query of the step after the failing one; null: checked below
    };
    const Case cases[] = {
        // The Connect dialog's own listing connects first; the console's connection is the second.
        {"a", R"({"call": "ConnectServer", "after": 1, "hr": "0x80070005"})", L"cannot connect server",
         "Msvm_VirtualSystemManagementService"},
        {"b", R"({"call": "ExecQuery", "class": "Msvm_VirtualSystemManagementService", "hr": "0x80041003"})",
         L"cannot VirtualSystemImageService", "ElementName"},
        // The listing queries the machines first; opening one by name is the second query.
        {"c", R"({"call": "ExecQuery", "class": "Msvm_ComputerSystem", "after": 1, "hr": "0x80041003"})",
         L"cannot open vm", "DisplayController"},
        {"e", R"({"reply": "propertyMissing", "property": "CurrentVerticalResolution"})",
         L"cannot get VideoHead", nullptr},
        {"f", R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage", "hr": "0x80041008"})",
         L"cannot get Thumbnailvm", "Mouse"},
        {"g", R"({"call": "Get", "property": "EnabledState", "hr": "0x80041002"})", L"cannot get mouse device",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("step ") + c.step);
        ConsoleSession run;
        ASSERT_TRUE(run.Start(Scenario(PixelMachine, c.fault)));
        const std::string step = c.step;
        // No timer ticks, so every image request in the log comes from the connect sequence. Step
        // f fails only on the method route: a capture size other than the three presets.
        ASSERT_TRUE(run.ApplySettings(L"60000", step == "f" ? L"640x480" : nullptr));
        ASSERT_TRUE(run.OpenMachine(L"Pixel 320"));
        bool shown = false;
        const std::wstring text = run.AnswerMessageBox(c.caption, shown);
        ASSERT_TRUE(shown);
        EXPECT_EQ(run.Title(), L"vuemere - Pixel 320");
        ASSERT_TRUE(run.Settle());
        const std::vector<LoggedCall> calls = run.Calls();
        if (c.nextQuery) {
            EXPECT_FALSE(AnyQueryFor(calls, c.nextQuery));
        }
        if (step == "f") {
            EXPECT_EQ(text, L"err");
        } else if (step == "e" || step == "g") {
            // A failed property read writes no text of its own: the box has an empty body.
            EXPECT_EQ(text, L"");
        } else {
            EXPECT_FALSE(text.empty());  // the query's or the connection's description
        }
        // Steps a to e end before the first image request; f and g after exactly one (a fully
        // successful Connect would post a refresh request and fetch again).
        EXPECT_EQ(Fetches(calls).size(), step == "f" || step == "g" ? 1u : 0u);
        if (step == "a" || step == "b") {
            EXPECT_TRUE(WaitNoImageText(run.Window()));  // nothing was opened
        }
        EXPECT_EQ(run.OpenDialogs(), 0u);
        EXPECT_TRUE(run.Running());
    }
}

// ---- Settings

TEST_F(Console, SettingsWithoutAMachineChangeOnlyTheSettings) {
    Launch(Scenario(PixelMachine));
    ASSERT_TRUE(session.ApplySettings(L"500", L"160x120"));
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.OpenDialogs(), 0u);  // no device lookup, so no message box
    EXPECT_TRUE(session.Calls().empty());  // nothing reached the host
    EXPECT_EQ(session.Title(), L"vuemere");

    // The new capture size is what the next connection asks for.
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(0));
    const LoggedCall first = Fetches(session.Calls()).front();
    EXPECT_EQ(first.In("RequestedInformation"), "[6]") << first.line;
}

TEST_F(Console, SettingsReportFailingLookupsAndKeepRefreshing) {
    // The connect sequence's lookups succeed; the video head fails at the next two lookups, the
    // mouse at the next one.
    Launch(Scenario(PixelMachine,
                    R"({"reply": "propertyMissing", "property": "CurrentVerticalResolution", "after": 1, "count": 2},
                       {"call": "Get", "property": "EnabledState", "after": 1, "count": 1, "hr": "0x80041002"})"));
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(1));

    // Both fail: two message boxes, one after the other.
    ASSERT_TRUE(session.Command(IDM_SETTINGS));
    HWND dialog = uidriver::WaitForDialog(L"setting", session.Window(), session.ProcessId());
    ASSERT_NE(dialog, nullptr);
    // The timer keeps fetching while the dialog is open.
    EXPECT_TRUE(session.WaitForFetches(session.CountFetches()));
    ASSERT_TRUE(uidriver::Click(dialog, IDOK));
    uidriver::MessageBoxInfo box =
        uidriver::WaitForMessageBox(L"cannot get VideoHead", session.Window(), session.ProcessId());
    ASSERT_NE(box.window, nullptr);
    // ... and while a message box is open.
    EXPECT_TRUE(session.WaitForFetches(session.CountFetches()));
    ASSERT_TRUE(uidriver::Answer(box.window, IDOK));
    bool shown = false;
    session.AnswerMessageBox(L"cannot get mouse device", shown);
    EXPECT_TRUE(shown);
    EXPECT_EQ(session.OpenDialogs(), 0u);

    // Only the video head fails: one message box, then the refresh goes on.
    ASSERT_TRUE(session.ApplySettings(nullptr, nullptr));
    session.AnswerMessageBox(L"cannot get VideoHead", shown);
    EXPECT_TRUE(shown);
    const int fetches = session.CountFetches();
    EXPECT_TRUE(session.WaitForFetches(fetches));
    EXPECT_EQ(session.OpenDialogs(), 0u);
    EXPECT_EQ(session.Title(), L"vuemere - Pixel 320");
}

// ---- DisConnect and the full-size refresh

TEST_F(Console, FullSizeRefreshHoldsThenDisconnectShowsNoImage) {
    Launch(Scenario(AllMachines()));
    // Many ticks: every 100 ms.
    ASSERT_TRUE(session.ApplySettings(L"100", nullptr));
    // Without a machine both commands do nothing.
    ASSERT_TRUE(session.Command(IDM_REFRESH_FULL_SIZE));
    ASSERT_TRUE(session.Command(IDM_DISCONNECT));
    ASSERT_TRUE(session.Settle());
    EXPECT_TRUE(session.Calls().empty());
    EXPECT_EQ(session.Title(), L"vuemere");

    ASSERT_TRUE(session.OpenMachine(L"Wide 640"));
    ASSERT_TRUE(session.WaitForFetches(2));

    // The full-size request asks for the guest's resolution ...
    ASSERT_TRUE(session.Command(IDM_REFRESH_FULL_SIZE));
    ASSERT_TRUE(session.Settle());
    std::vector<LoggedCall> fetches = Fetches(session.Calls());
    size_t full = fetches.size();
    while (full > 0 && !fetches[full - 1].Is("ExecMethod", "GetVirtualSystemThumbnailImage")) --full;
    ASSERT_GT(full, 0u);
    EXPECT_EQ(fetches[full - 1].In("WidthPixels"), "640");
    EXPECT_EQ(fetches[full - 1].In("HeightPixels"), "480");
    // ... and holds it: ticks every 100 ms (and refresh requests) fetch nothing for 5000 ms. Two
    // seconds in, the full-size request is still the last one.
    const size_t afterFull = Fetches(session.Calls()).size();
    EXPECT_EQ(afterFull, full);
    PostMessageW(session.Window(), WM_TIMER, 1, 0);
    Sleep(2000);
    EXPECT_EQ(Fetches(session.Calls()).size(), afterFull);
    // The first tick after the hold fetches at the configured size again.
    ASSERT_TRUE(session.WaitForFetches(static_cast<int>(afterFull)));
    fetches = Fetches(session.Calls());
    EXPECT_TRUE(fetches[afterFull].Is("ExecMethod", "GetSummaryInformation")) << fetches[afterFull].line;
    EXPECT_EQ(fetches[afterFull].In("RequestedInformation"), "[7]");

    // DisConnect: the title goes back, the text shows centred, the ticks stop fetching.
    ASSERT_TRUE(session.Command(IDM_DISCONNECT));
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.Title(), L"vuemere");
    EXPECT_TRUE(WaitNoImageText(session.Window()));
    const size_t calls = session.Calls().size();
    // The second time changes nothing.
    ASSERT_TRUE(session.Command(IDM_DISCONNECT));
    ASSERT_TRUE(session.Command(IDM_REFRESH_FULL_SIZE));
    ASSERT_TRUE(session.Settle());
    Sleep(500);  // five ticks
    EXPECT_EQ(session.Calls().size(), calls);
    EXPECT_EQ(session.Title(), L"vuemere");
    EXPECT_TRUE(ShowsNoImageText(session.Window()));
}

// ---- Refresh requests

TEST_F(Console, TwoQueuedRefreshRequestsFetchOnce) {
    // Every wire call takes a while, so the second request queues up while the first one fetches.
    Launch(Scenario(PixelMachine, "", R"("latencyMs": 150, )"));
    ASSERT_TRUE(session.ApplySettings(L"60000", nullptr));  // no timer ticks during the test
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    // The connect sequence fetches once and posts a refresh request: two fetches.
    ASSERT_TRUE(session.WaitForFetches(1));
    ASSERT_TRUE(session.Settle());
    const int before = session.CountFetches();
    EXPECT_EQ(before, 2);

    PostMessageW(session.Window(), WM_TIMER, 1, 0);
    PostMessageW(session.Window(), WM_TIMER, 1, 0);
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.CountFetches(), before + 1);

    // A timer message of another id is not a refresh.
    PostMessageW(session.Window(), WM_TIMER, 2, 0);
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.CountFetches(), before + 1);
}

// ---- Round trips

int WireCalls(const std::vector<LoggedCall>& calls, size_t from = 0) {
    int count = 0;
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].Field("wire") == "true") ++count;
    return count;
}

int ClassFetches(const std::vector<LoggedCall>& calls, const char* className) {
    int count = 0;
    for (const LoggedCall& call : calls)
        if (call.Is("GetObject") && call.Field("class") == className) ++count;
    return count;
}

// A class definition crosses the wire once per connection, a failed fetch is not kept, and a long
// listing comes in batches: a host of 1,000 machines lists sorted in at most 20 wire calls.
TEST_F(Console, ClassesAreFetchedOncePerConnectionAndListingsComeInBatches) {
    std::string machines = PixelMachine;
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Farm %04d", (i * 7919) % 1000);  // not in sorted order
        machines += std::string(R"(,{"elementName": ")") + name + R"("})";
    }
    const char Service[] = "Msvm_VirtualSystemManagementService";
    Launch(Scenario(machines, std::string(R"({"call": "GetObject", "class": ")") + Service +
                                  R"(", "hr": "0x80041001", "count": 1})"));
    ASSERT_TRUE(session.ApplySettings(L"60000", nullptr));  // no ticks of the timer's own

    std::wstring errorText;
    const std::vector<std::wstring> listed = session.ListMachines(L"localhost", errorText);
    ASSERT_EQ(listed.size(), 1001u) << std::string(errorText.begin(), errorText.end());
    EXPECT_EQ(listed.front(), L"Farm 0000");
    EXPECT_EQ(listed[999], L"Farm 0999");
    EXPECT_EQ(listed.back(), L"Pixel 320");
    EXPECT_LE(WireCalls(session.Calls()), 20);

    // The connect's first image finds no class (the host fails the fetch); the refresh it posts
    // fetches it again, and later refreshes use the kept one.
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(0));
    for (int i = 0; i < 3; ++i) {
        PostMessageW(session.Window(), WM_TIMER, 1, 0);
        ASSERT_TRUE(session.Settle());
    }
    std::vector<LoggedCall> calls = session.Calls();
    EXPECT_EQ(ClassFetches(calls, Service), 2);
    EXPECT_EQ(session.CountFetches(), 4);  // the refresh after the connect, and three requests
    // A reconnect drops what the old connection kept: its first image fetches the class again.
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(5));
    PostMessageW(session.Window(), WM_TIMER, 1, 0);
    ASSERT_TRUE(session.Settle());
    calls = session.Calls();
    EXPECT_EQ(ClassFetches(calls, Service), 3);
    EXPECT_EQ(session.CountFetches(), 7);
}

// ---- Hosts of either provider version

std::vector<std::string> ConnectedNamespaces(const std::vector<LoggedCall>& calls, size_t from = 0) {
    std::vector<std::string> found;
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].Is("ConnectServer")) found.push_back(calls[i].Field("namespace") + " " + calls[i].Field("hr"));
    return found;
}

// The first version's namespace is asked first, the second's when the host has none; what a
// server answered is remembered, and the error shown is the one that says what to fix.
TEST_F(Console, EachHostIsSpokenToInTheNamespaceItAnswers) {
    const std::string scenario = R"({"hosts": [
      {"name": "hv-2022", "hostName": "HV-2022", "provider": "v2", "machines": [
        {"elementName": "Checkpointed", "name": "0B1C2D3E-0000-4000-8000-000000002022", "width": 320,
         "height": 240, "snapshots": 2}]},
      {"name": "hv-2012", "provider": "both", "machines": [{"elementName": "Both"}]},
      {"name": "no-hyperv", "machines": [], "faults": [{"call": "ConnectServer", "hr": "0x8004100E"}]},
      {"name": "locked-v2", "provider": "v2", "machines": [],
       "faults": [{"call": "ConnectServer", "after": 1, "hr": "0x80041003"}]},
      {"name": "gone-v2", "provider": "v2", "machines": [],
       "faults": [{"call": "ConnectServer", "after": 1, "hr": "0x800706BA"}]}]})";
    Launch(scenario);
    ASSERT_TRUE(session.ApplySettings(L"60000", nullptr));
    const std::string V1 = "\\\\%s\\root\\virtualization 0x%s", V2 = "\\\\%s\\root\\virtualization\\v2 0x%s";
    auto at = [](const std::string& form, const char* server, const char* hr) {
        char text[128];
        std::snprintf(text, sizeof text, form.c_str(), server, hr);
        return std::string(text);
    };
    const char Ok[] = "00000000", NoNamespace[] = "8004100E";
    struct Case {
        const char* server;
        std::vector<std::wstring> machines;
        const wchar_t* error;
        std::vector<std::string> namespaces;
    } cases[] = {
        {"hv-2012", {L"Both"}, L"", {at(V1, "hv-2012", Ok)}},
        {"no-hyperv", {}, L"cannot conect for server (0x8004100E)",
         {at(V1, "no-hyperv", NoNamespace), at(V2, "no-hyperv", NoNamespace)}},
        {"locked-v2", {}, L"cannot conect for server (0x80041003)",
         {at(V1, "locked-v2", NoNamespace), at(V2, "locked-v2", "80041003")}},
        {"gone-v2", {}, L"cannot conect for server (0x800706BA)",
         {at(V1, "gone-v2", NoNamespace), at(V2, "gone-v2", "800706BA")}},
        {"hv-2022", {L"Checkpointed"}, L"", {at(V1, "hv-2022", NoNamespace), at(V2, "hv-2022", Ok)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        const size_t from = session.Calls().size();
        std::wstring errorText;
        const std::wstring server(c.server, c.server + std::strlen(c.server));
        EXPECT_EQ(session.ListMachines(server.c_str(), errorText), c.machines);
        EXPECT_EQ(errorText, c.error);
        EXPECT_EQ(ConnectedNamespaces(session.Calls(), from), c.namespaces);
    }

    // The Open after a listing (which lists again) goes straight to the namespace the server
    // answered: one ConnectServer each. The live screen shows, not a checkpoint's.
    const size_t from = session.Calls().size();
    ASSERT_TRUE(session.SetClientSize(700, 560));
    ASSERT_TRUE(session.OpenMachine(L"Checkpointed", L"hv-2022"));
    EXPECT_EQ(ConnectedNamespaces(session.Calls(), from),
              (std::vector<std::string>{at(V2, "hv-2022", Ok), at(V2, "hv-2022", Ok)}));
    ASSERT_TRUE(session.WaitForFetches(1));
    const PaintRect dest = ExpectedImageRect(session.Window(), 320, 240);
    ASSERT_TRUE(WaitImageShown(session.Window(), dest));
    Pixels pixels;
    ASSERT_TRUE(uidriver::CaptureClient(session.Window(), pixels));
    ExpectGuestScreen(pixels, dest, scenario, L"Checkpointed", "hv-2022");
}

// ---- Pictures that cannot be shown

// A video head that reports 0 x 0 gives nothing to scale by: the window shows the text and drops
// the mouse, and the mouse works again once Settings looks the devices up anew.
TEST_F(Console, ZeroResolutionShowsNoImageUntilSettingsLookAgain) {
    Launch(Scenario(PixelMachine, R"({"reply": "resolutionZero", "count": 1})"));
    ASSERT_TRUE(session.SetClientSize(700, 560));
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(1));
    EXPECT_TRUE(WaitNoImageText(session.Window()));
    EXPECT_EQ(session.OpenDialogs(), 0u);
    const PaintRect dest = ExpectedImageRect(session.Window(), 320, 240);
    MoveMouse(session, dest);
    EXPECT_EQ(MouseCalls(session.Calls()), 0);

    ASSERT_TRUE(session.ApplySettings(nullptr, nullptr));
    ASSERT_TRUE(WaitImageShown(session.Window(), dest));
    MoveMouse(session, dest);
    EXPECT_TRUE(uidriver::WaitUntil([&] { return MouseCalls(session.Calls()) > 0; }));
    EXPECT_TRUE(session.Running());
}

// Image data shorter than its size says is never read past its end: no image, the mouse dropped;
// once the method route delivers whole images again, Settings bring picture and mouse back.
TEST_F(Console, ShortImageDataShowsNoImage) {
    Launch(Scenario(PixelMachine, R"({"reply": "imageShort", "method": "GetSummaryInformation"})"));
    ASSERT_TRUE(session.SetClientSize(700, 560));
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(2));
    EXPECT_TRUE(WaitNoImageText(session.Window()));
    const PaintRect dest = ExpectedImageRect(session.Window(), 320, 240);
    MoveMouse(session, dest);
    EXPECT_EQ(MouseCalls(session.Calls()), 0);
    EXPECT_EQ(session.OpenDialogs(), 0u);

    ASSERT_TRUE(session.ApplySettings(nullptr, L"x1.0"));
    ASSERT_TRUE(WaitImageShown(session.Window(), dest));
    MoveMouse(session, dest);
    EXPECT_TRUE(uidriver::WaitUntil([&] { return MouseCalls(session.Calls()) > 0; }));
}

// A Connect that fails at the host after an earlier success leaves the old machine open without a
// host connection: ticks fail quietly, before any call reaches the host.
TEST_F(Console, LostHostConnectionAfterASuccessIsQuiet) {
    // ConnectServer: the listing, the console, the second listing, then the console again (fails).
    Launch(Scenario(AllMachines(), R"({"call": "ConnectServer", "after": 3, "hr": "0x800706BA"})",
                    R"()"));
    ASSERT_TRUE(session.ApplySettings(L"100", nullptr));
    ASSERT_TRUE(session.OpenMachine(L"Pixel 320"));
    ASSERT_TRUE(session.WaitForFetches(2));

    ASSERT_TRUE(session.OpenMachine(L"Wide 640"));
    bool shown = false;
    EXPECT_FALSE(session.AnswerMessageBox(L"cannot connect server", shown).empty());
    ASSERT_TRUE(shown);
    EXPECT_EQ(session.Title(), L"vuemere - Wide 640");
    const size_t calls = session.Calls().size();
    Sleep(1000);  // ten ticks
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.Calls().size(), calls);
    EXPECT_EQ(session.OpenDialogs(), 0u);

    // The machine is still open: the commands that need one still act, and quietly.
    ASSERT_TRUE(session.Command(IDM_REFRESH_FULL_SIZE));
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.OpenDialogs(), 0u);
    ASSERT_TRUE(session.Command(IDM_DISCONNECT));
    ASSERT_TRUE(session.Settle());
    EXPECT_EQ(session.Title(), L"vuemere");
    EXPECT_TRUE(WaitNoImageText(session.Window()));
    EXPECT_TRUE(session.Running());
}

}  // namespace
