// The input storm: 10,000 random mouse and key messages posted to the window of the unmodified
// vuemere.exe while it refreshes every 100 ms against the simulated host, half of them in absolute
// mouse mode and half in relative mode. The program must keep answering, show no message box, keep
// its private bytes bounded, and end with exit code 0 and no COM object of the host unreleased.
// VUEMERE_INPUT_STORM=<n> posts n messages instead (scripts/bench runs a longer storm).
#include "robust_run.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

const char Scenario[] = R"({"hosts": [{"name": "localhost", "aliases": ["", "."], "hostName": "HV-STORM", "machines": [
  {"elementName": "Alpha", "width": 320, "height": 240},
  {"elementName": "Beta", "width": 320, "height": 240, "display": "s3", "mouse": "synthetic-disabled"}]}]})";

// Growth of private bytes from the first sample to the last that counts as stable: the program's
// buffers have their size after the first refreshes; what a leak of a few hundred bytes per
// message would add over the storm is well above this.
constexpr long long GrowthBound = 4LL << 20;
constexpr int Batch = 100;
const wchar_t AboutCaption[] = L"\u30D0\u30FC\u30B8\u30E7\u30F3\u60C5\u5831";  // "バージョン情報"  // messages posted before waiting for the window to take them

// One random message a user's mouse or keyboard could have produced, on or off the image.
struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

Message RandomMessage(std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 9), x(-40, 460), y(-40, 360), key(0x08, 0xFE);
    const LPARAM point = MAKELPARAM(x(random), y(random));
    switch (kind(random)) {
    case 0:
    case 1:
    case 2: return {WM_MOUSEMOVE, 0, point};
    case 3: return {WM_LBUTTONDOWN, MK_LBUTTON, point};
    case 4: return {WM_LBUTTONUP, 0, point};
    case 5: return {random() % 2 ? UINT{WM_RBUTTONDOWN} : UINT{WM_MBUTTONDOWN}, 0, point};
    case 6: return {random() % 2 ? UINT{WM_RBUTTONUP} : UINT{WM_MBUTTONUP}, 0, point};
    case 7: return {WM_KEYDOWN, static_cast<WPARAM>(key(random)), 1};
    case 8: return {WM_KEYUP, static_cast<WPARAM>(key(random)), static_cast<LPARAM>(0xC0000001)};
    default: {
        // System keys (Alt held): they go to the guest while "through ALT key" is on, as it is.
        const bool down = random() % 2;
        return {down ? UINT{WM_SYSKEYDOWN} : UINT{WM_SYSKEYUP}, static_cast<WPARAM>(key(random)),
                static_cast<LPARAM>(down ? 0x20000001 : 0xE0000001)};
    }
    }
}

int StormSize() {
    const char* text = std::getenv("VUEMERE_INPUT_STORM");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 10000;
}

TEST(InputStorm, RandomInputWhileRefreshingEvery100ms) {
    const int total = StormSize();
    RobustRun run;
    ASSERT_TRUE(run.Start(Scenario));
    ASSERT_TRUE(run.Session().ApplySettings(L"100", nullptr));
    bool opened = false;
    ASSERT_TRUE(run.Connect(L"Alpha", opened));
    ASSERT_TRUE(opened);

    std::mt19937 random(20240611);  // the same storm every run
    long long first = -1, last = -1, highest = 0;
    const int fetchesBefore = run.Session().CountFetches();
    std::printf("input storm: %d messages, refresh every 100 ms\n", total);
    for (int sent = 0; sent < total; sent += Batch) {
        if (sent == total / 2) {
            // The second half in relative mode.
            ASSERT_TRUE(run.Connect(L"Beta", opened));
            ASSERT_TRUE(opened);
        }
        for (int i = 0; i < Batch; ++i) {
            const Message m = RandomMessage(random);
            ASSERT_TRUE(run.Post(m.msg, m.wParam, m.lParam));
        }
        ASSERT_TRUE(run.Settle()) << "the window stopped answering after " << sent + Batch << " messages";
        if (sent + Batch == 1000 || sent + Batch >= total || (sent + Batch) % 2000 == 0) {
            const long long bytes = run.PrivateBytes();
            if (first < 0) first = bytes;
            last = bytes;
            highest = std::max(highest, bytes);
            std::printf("  after %5d messages: private bytes %lld\n", sent + Batch, bytes);
        }
    }
    // Release whatever the storm left pressed, then let a few ticks pass.
    ASSERT_TRUE(run.Post(WM_LBUTTONUP, 0, 0) && run.Post(WM_RBUTTONUP, 0, 0) && run.Post(WM_MBUTTONUP, 0, 0));
    ASSERT_TRUE(run.Settle());
    Sleep(300);
    const int fetched = run.Session().CountFetches() - fetchesBefore;
    std::printf("  image requests during the storm: %d; growth from 1000 messages to the end: %+lld bytes "
                "(highest %lld)\n",
                fetched, last - first, highest);

    // Alt+"?" and Alt+"/" are the About box's accelerators; random system keys hit them now and
    // then, and the box is answered like any other. No other box may come up.
    int aboutBoxes = 0;
    for (const ShownBox& box : run.Boxes()) {
        if (box.caption == AboutCaption)
            ++aboutBoxes;
        else
            ADD_FAILURE() << "a message box came up: " << std::string(box.caption.begin(), box.caption.end());
    }
    std::printf("  About boxes opened by Alt+\"/\" or Alt+\"?\": %d\n", aboutBoxes);
    EXPECT_GT(fetched, total / Batch);  // it refreshed all along
    EXPECT_GT(first, 0);
    EXPECT_LE(last - first, GrowthBound);
    long liveObjects = -1;
    EXPECT_TRUE(run.Disconnect());
    EXPECT_TRUE(run.Exit(liveObjects));
    EXPECT_EQ(liveObjects, 0);
}

}  // namespace
