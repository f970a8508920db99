// The input storm: 10,000 random mouse and key messages posted to the window of the unmodified
// vuemere.exe while it refreshes every 100 ms against the simulated host, half of them in absolute
// mouse mode and half in relative mode. The program must keep answering, show no message box but
// the About box (random Alt+"/" and Alt+"?" open it) and the Action menu's questions (random Alt+A
// and a letter; answered No), keep refreshing, keep its private bytes bounded, and end with exit
// code 0 and no COM object of the host unreleased.
// VUEMERE_INPUT_STORM=<n> posts n messages instead (scripts/bench runs a longer storm).
#include "private_bytes.h"
#include "scenario_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// Growth of private bytes from the 1,000th message to the end: the program's buffers have their
// size after the first refreshes; a leak of a few hundred bytes per message would pass this.
constexpr long long GrowthBound = 4LL << 20;
constexpr int Batch = 100;  // messages posted before waiting for the window to take them
const wchar_t AboutCaption[] = L"\u30D0\u30FC\u30B8\u30E7\u30F3\u60C5\u5831";  // "バージョン情報"

// One random message a user's mouse or keyboard could have produced, on or off the image. System
// keys (Alt held) go to the guest while "through ALT key" is on, as it is.
MSG RandomMessage(std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 9), x(-40, 460), y(-40, 360), key(0x08, 0xFE);
    const LPARAM point = MAKELPARAM(x(random), y(random));
    switch (kind(random)) {
    case 0: case 1: case 2: return {nullptr, WM_MOUSEMOVE, 0, point, 0, {}};
    case 3: return {nullptr, WM_LBUTTONDOWN, MK_LBUTTON, point, 0, {}};
    case 4: return {nullptr, WM_LBUTTONUP, 0, point, 0, {}};
    case 5: return {nullptr, random() % 2 ? UINT{WM_RBUTTONDOWN} : UINT{WM_MBUTTONDOWN}, 0, point, 0, {}};
    case 6: return {nullptr, random() % 2 ? UINT{WM_RBUTTONUP} : UINT{WM_MBUTTONUP}, 0, point, 0, {}};
    case 7: return {nullptr, WM_KEYDOWN, static_cast<WPARAM>(key(random)), 1, 0, {}};
    case 8: return {nullptr, WM_KEYUP, static_cast<WPARAM>(key(random)), static_cast<LPARAM>(0xC0000001), 0, {}};
    default: {
        const bool down = random() % 2;
        return {nullptr, down ? UINT{WM_SYSKEYDOWN} : UINT{WM_SYSKEYUP}, static_cast<WPARAM>(key(random)),
                static_cast<LPARAM>(down ? 0x20000001 : 0xE0000001), 0, {}};
    }
    }
}

// Character messages go to the system, so a random Alt+letter can reach a menu mnemonic and open
// the Connect, setting or Save As dialog (a longer storm does); it is cancelled, as a user would.
int CancelDialogs(ConsoleSession& session) {
    int cancelled = 0;
    if (!session.Settle()) return 0;
    for (HWND dialog : uidriver::Dialogs(session.ProcessId())) {
        wchar_t caption[32] = L"";
        GetWindowTextW(dialog, caption, 32);
        if ((wcscmp(caption, L"Connect") == 0 || wcscmp(caption, L"setting") == 0 || wcscmp(caption, L"Save As") == 0) &&
            uidriver::Answer(dialog, IDCANCEL))
            ++cancelled;
    }
    return cancelled;
}

TEST(InputStorm, RandomInputWhileRefreshingEvery100ms) {
    const char* size = std::getenv("VUEMERE_INPUT_STORM");
    const int total = size && std::atoi(size) > 0 ? std::atoi(size) : 10000;
    ScenarioRun run;
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.Run("settings 100 -; open Alpha"));
    ConsoleSession& session = run.session;

    std::mt19937 random(20240611);  // the same storm every run
    long long first = -1, last = -1, highest = 0;
    int dialogs = 0;
    const int fetchesBefore = session.CountFetches();
    std::printf("input storm: %d messages, refresh every 100 ms\n", total);
    for (int sent = 0; sent < total; sent += Batch) {
        if (sent == total / 2) {
            ASSERT_TRUE(run.Run("open Beta"));  // the second half in relative mode
        }
        for (int i = 0; i < Batch; ++i) {
            const MSG m = RandomMessage(random);
            ASSERT_TRUE(PostMessageW(session.Window(), m.message, m.wParam, m.lParam));
        }
        dialogs += CancelDialogs(session);
        ASSERT_TRUE(session.SettleAndAnswer()) << "the window stopped answering after " << sent + Batch << " messages";
        if (sent + Batch == 1000 || sent + Batch >= total || (sent + Batch) % 2000 == 0) {
            last = PrivateBytes(session.ProcessId());
            if (first < 0) first = last;
            highest = std::max(highest, last);
            std::printf("  after %5d messages: private bytes %lld\n", sent + Batch, last);
        }
    }
    // Release whatever the storm left pressed.
    ASSERT_TRUE(run.Run("lup 0 0; rup 0 0"));
    const int fetched = session.CountFetches() - fetchesBefore;
    int expectedBoxes = 0;
    for (const ShownBox& box : session.Boxes()) {
        // The Action menu's questions, answered No, are what random Alt+letters can open too.
        if (box.caption == AboutCaption || box.caption == L"Shut Down" || box.caption == L"Turn Off" ||
            box.caption == L"Reset")
            ++expectedBoxes;
        else
            ADD_FAILURE() << "a message box came up: " << std::string(box.caption.begin(), box.caption.end());
    }
    std::printf("  image requests: %d; About boxes and questions: %d; dialogs cancelled: %d; private bytes from 1000 messages to "
                "the end: %+lld (highest %lld)\n", fetched, expectedBoxes, dialogs, last - first, highest);
    EXPECT_GT(fetched, total / Batch);  // it refreshed all along
    EXPECT_GT(first, 0);
    EXPECT_LE(last - first, GrowthBound);
    long liveObjects = -1;
    EXPECT_TRUE(run.Run("disconnect"));
    EXPECT_TRUE(run.Exit(liveObjects));
    EXPECT_EQ(liveObjects, 0);
}

}  // namespace
