// The Connect dialog through its real template against the simulated host, installed in this
// process as the WMI locator. Driven from a second thread.
#include "dialogs/connect_dlg.h"
#include "driven_dialog.h"
#include "hostsim/hostsim.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <vector>

using namespace uidriver;

namespace {

// Machines in the order the host enumerates them; "HV-TEST" itself is not one of them.
const char Scenario[] = R"({"hosts": [
  {"name": "localhost", "aliases": ["", "."], "hostName": "HV-TEST",
   "machines": [{"elementName": "web"}, {"elementName": "Alpha"}, {"elementName": "beta 2"},
                {"elementName": "Twin"}, {"elementName": "Twin"}, {"elementName": "beta 10"}]},
  {"name": "secure", "hostName": "SECURE", "users": [{"user": "LAB\\admin", "password": "s3cret"}],
   "machines": [{"elementName": "Vault"}, {"elementName": "Web Server"}]},
  {"name": "empty", "hostName": "EMPTY", "machines": []}
]})";

const std::vector<std::wstring> LocalMachines = {L"Alpha", L"beta 10", L"beta 2", L"Twin", L"Twin", L"web"};

class ConnectDialog : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        // As the program does at start-up: process-wide default security.
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
    }

    void SetUp() override { ASSERT_EQ(host.Status(), S_OK) << host.sim().LoadError(); }

    // What the console's Connect command does: seed (never the old password), run, copy back on 1.
    INT_PTR RunConnect(const std::function<void(HWND)>& drive) {
        ConnectDlg dialog;
        dialog.server = server.c_str();
        dialog.user = user.c_str();
        dialog.password = L"";
        dialog.vmName = vmName.c_str();
        ModalRun run = RunDriven(dialog, IDD_CONNECT, L"Connect", drive);
        EXPECT_FALSE(run.abandoned) << "the dialog had to be cancelled by the driver";
        if (run.result == 1) {
            server = dialog.server.c_str();
            user = dialog.user.c_str();
            password = dialog.password.c_str();
            vmName = dialog.vmName.c_str();
        }
        return run.result;
    }

    hostsim::InProcessHost host{Scenario};
    // The console's values.
    std::wstring server = L"localhost";
    std::wstring user;
    std::wstring password;
    std::wstring vmName;
};

// Presses "Connect" and waits until the listing has run (or its message box is up).
void PressConnect(HWND d) {
    ASSERT_TRUE(Click(d, IDC_CONNECT_BUTTON));
    ASSERT_TRUE(Settle(d));
}

void TypeCredentials(HWND d, const wchar_t* server, const wchar_t* user, const wchar_t* password) {
    ASSERT_TRUE(SetItemText(d, IDC_CONNECT_SERVER, server));
    ASSERT_TRUE(SetItemText(d, IDC_CONNECT_USER, user));
    ASSERT_TRUE(SetItemText(d, IDC_CONNECT_PASSWORD, password));
}

// Expects the "connect error" box with `text`, answers it, and checks the state it leaves.
void ExpectConnectError(HWND d, const wchar_t* text) {
    ExpectErrorBox(d, L"connect error", text);
    ASSERT_TRUE(Settle(d));
    EXPECT_TRUE(ComboItems(d, IDC_CONNECT_MACHINES).empty());
    EXPECT_EQ(ComboSelection(d, IDC_CONNECT_MACHINES), -1);
    EXPECT_FALSE(IsEnabled(d, IDC_CONNECT_OPEN));
}

void Cancel(HWND d) {
    ASSERT_TRUE(Click(d, IDCANCEL));
    ExpectCloses(d);
}

}  // namespace

TEST_F(ConnectDialog, FirstOpeningAndKeysThatDoNothing) {
    INT_PTR result = RunConnect([](HWND d) {
        EXPECT_EQ(Text(d), L"Connect");
        EXPECT_EQ(ItemText(d, IDC_CONNECT_SERVER), L"localhost");
        EXPECT_EQ(ItemText(d, IDC_CONNECT_USER), L"");
        EXPECT_EQ(ItemText(d, IDC_CONNECT_PASSWORD), L"");
        EXPECT_TRUE(Style(GetDlgItem(d, IDC_CONNECT_PASSWORD)) & ES_PASSWORD);
        EXPECT_TRUE(ComboItems(d, IDC_CONNECT_MACHINES).empty());
        EXPECT_FALSE(IsEnabled(d, IDC_CONNECT_OPEN));
        EXPECT_EQ(FocusOf(d), GetDlgItem(d, IDC_CONNECT_SERVER));

        // Enter in an edit box sends IDOK, which the dialog leaves alone; "Open" without a
        // selection does nothing even when the command arrives.
        ASSERT_TRUE(PostKey(GetDlgItem(d, IDC_CONNECT_SERVER), VK_RETURN));
        ASSERT_TRUE(PostKey(GetDlgItem(d, IDC_CONNECT_PASSWORD), VK_RETURN));
        ASSERT_TRUE(PostCommand(d, IDOK));
        ASSERT_TRUE(PostCommand(d, IDC_CONNECT_OPEN));
        ASSERT_TRUE(Settle(d));
        EXPECT_TRUE(IsWindowVisible(d));
        EXPECT_EQ(Dialogs(GetCurrentProcessId()).size(), 1u) << "a message box came up";
        EXPECT_FALSE(Click(d, IDC_CONNECT_OPEN)) << "Open must be disabled";

        ASSERT_TRUE(PressEscape(d));
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(host.sim().CountCalls("ConnectServer"), 0) << "nothing is listed before Connect";
}

TEST_F(ConnectDialog, FailedListingsShowTheTextAndTheCode) {
    INT_PTR result = RunConnect([&](HWND d) {
        // No such host: DCOM's "RPC server unavailable".
        TypeCredentials(d, L"nosuchhost", L"", L"x");
        PressConnect(d);
        ExpectConnectError(d, L"cannot conect for server (0x800706BA)");
        EXPECT_EQ(ItemText(d, IDC_CONNECT_SERVER), L"nosuchhost") << "the boxes keep what was typed";
        EXPECT_EQ(ItemText(d, IDC_CONNECT_PASSWORD), L"x");

        // Wrong password.
        TypeCredentials(d, L"secure", L"LAB\\admin", L"wrong");
        PressConnect(d);
        ExpectConnectError(d, L"cannot conect for server (0x80070005)");

        // A good listing first, then one whose query fails: the list is emptied again.
        TypeCredentials(d, L"secure", L"LAB\\admin", L"s3cret");
        PressConnect(d);
        EXPECT_EQ(ComboItems(d, IDC_CONNECT_MACHINES).size(), 2u);
        ASSERT_EQ(host.sim().AddFault(R"({"host": "secure", "call": "ExecQuery", "hr": "0x80041017"})"), S_OK);
        ASSERT_TRUE(SelectComboItem(d, IDC_CONNECT_MACHINES, 0));
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(d, IDC_CONNECT_OPEN); }));
        PressConnect(d);
        ExpectConnectError(d, L"Query for operating system name failed. (0x80041017)");
        Cancel(d);
    });
    EXPECT_EQ(result, 2);
}

TEST_F(ConnectDialog, ListingIsSortedAndLeavesOpenDisabledWithoutTheLastChoice) {
    INT_PTR result = RunConnect([](HWND d) {
        PressConnect(d);
        EXPECT_EQ(ComboItems(d, IDC_CONNECT_MACHINES), LocalMachines) << "sorted, the host left out";
        EXPECT_EQ(ComboSelection(d, IDC_CONNECT_MACHINES), -1);
        EXPECT_FALSE(IsEnabled(d, IDC_CONNECT_OPEN));
        EXPECT_EQ(Dialogs(GetCurrentProcessId()).size(), 1u) << "no message box on success";

        // The user's choice enables "Open"; a new listing disables it again.
        ASSERT_TRUE(SelectComboItem(d, IDC_CONNECT_MACHINES, 1));
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(d, IDC_CONNECT_OPEN); }));
        PressConnect(d);
        EXPECT_FALSE(IsEnabled(d, IDC_CONNECT_OPEN));
        EXPECT_EQ(ComboItems(d, IDC_CONNECT_MACHINES), LocalMachines) << "listed once, not twice";

        // A host with no machines: an empty list and no message.
        ASSERT_TRUE(SetItemText(d, IDC_CONNECT_SERVER, L"empty"));
        PressConnect(d);
        EXPECT_TRUE(ComboItems(d, IDC_CONNECT_MACHINES).empty());
        EXPECT_FALSE(IsEnabled(d, IDC_CONNECT_OPEN));
        EXPECT_EQ(Dialogs(GetCurrentProcessId()).size(), 1u);
        Cancel(d);
    });
    EXPECT_EQ(result, 2);
}

TEST_F(ConnectDialog, TheLastChoiceIsSelectedOnlyOnAnExactMatch) {
    const struct {
        const wchar_t* last;
        bool selected;
    } cases[] = {{L"beta 2", true}, {L"Twin", true}, {L"Web", false}, {L"beta", false}, {L"beta 2 ", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.last)));
        vmName = c.last;
        INT_PTR result = RunConnect([&](HWND d) {
            PressConnect(d);
            EXPECT_EQ(ComboSelection(d, IDC_CONNECT_MACHINES) >= 0, c.selected);
            EXPECT_EQ(ItemText(d, IDC_CONNECT_MACHINES), c.selected ? c.last : L"");
            EXPECT_EQ(IsEnabled(d, IDC_CONNECT_OPEN), c.selected);
            Cancel(d);
        });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(vmName, c.last) << "Cancel changes nothing";
    }
}

TEST_F(ConnectDialog, OpenHandsBackWhatTheLastConnectRead) {
    INT_PTR result = RunConnect([](HWND d) {
        TypeCredentials(d, L"secure", L"LAB\\admin", L"s3cret");
        PressConnect(d);
        ASSERT_EQ(ComboItems(d, IDC_CONNECT_MACHINES), (std::vector<std::wstring>{L"Vault", L"Web Server"}));
        ASSERT_TRUE(SelectComboItem(d, IDC_CONNECT_MACHINES, 1));
        // Typed after the listing: not read by "Open".
        TypeCredentials(d, L"elsewhere", L"someone", L"other");
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(d, IDC_CONNECT_OPEN); }));
        ASSERT_TRUE(Click(d, IDC_CONNECT_OPEN));
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(server, L"secure");
    EXPECT_EQ(user, L"LAB\\admin");
    EXPECT_EQ(password, L"s3cret");
    EXPECT_EQ(vmName, L"Web Server");

    // The next opening shows the server and user handed back, never the password, and an
    // empty list until "Connect", which then finds the last choice again.
    result = RunConnect([](HWND d) {
        EXPECT_EQ(ItemText(d, IDC_CONNECT_SERVER), L"secure");
        EXPECT_EQ(ItemText(d, IDC_CONNECT_USER), L"LAB\\admin");
        EXPECT_EQ(ItemText(d, IDC_CONNECT_PASSWORD), L"");
        EXPECT_TRUE(ComboItems(d, IDC_CONNECT_MACHINES).empty());
        EXPECT_FALSE(IsEnabled(d, IDC_CONNECT_OPEN));
        ASSERT_TRUE(SetItemText(d, IDC_CONNECT_PASSWORD, L"s3cret"));
        PressConnect(d);
        EXPECT_EQ(ComboSelection(d, IDC_CONNECT_MACHINES), 1);
        EXPECT_EQ(ItemText(d, IDC_CONNECT_MACHINES), L"Web Server");
        EXPECT_TRUE(IsEnabled(d, IDC_CONNECT_OPEN));
        ASSERT_TRUE(Click(d, IDC_CONNECT_OPEN));
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(vmName, L"Web Server");
}

TEST_F(ConnectDialog, CancelEscapeAndCloseBoxReturnTwoAfterAListing) {
    vmName = L"Alpha";
    for (size_t way = 0; way < std::size(LeaveWays); ++way) {
        SCOPED_TRACE(way);
        INT_PTR result = RunConnect([&](HWND d) {
            TypeCredentials(d, L"localhost", L"", L"typed");
            PressConnect(d);
            ASSERT_TRUE(IsEnabled(d, IDC_CONNECT_OPEN));
            ASSERT_TRUE(SelectComboItem(d, IDC_CONNECT_MACHINES, 5));
            ASSERT_TRUE(LeaveWays[way](d));
            ExpectCloses(d);
        });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(server, L"localhost");
        EXPECT_EQ(password, L"");
        EXPECT_EQ(vmName, L"Alpha");
    }
}

TEST_F(ConnectDialog, ShowsTheWaitCursorWhileListing) {
    host.sim().SetLatencyMs("localhost", 300);
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    HCURSOR during = nullptr;
    INT_PTR result = RunConnect([&](HWND d) {
        ASSERT_TRUE(Click(d, IDC_CONNECT_BUTTON));
        // The listing blocks the dialog for the host's latency; look at the cursor meanwhile.
        WaitUntil([&] {
            CURSORINFO info{};
            info.cbSize = sizeof(info);
            if (GetCursorInfo(&info)) during = info.hCursor;
            return during == wait;
        }, 5000);
        ASSERT_TRUE(Settle(d));
        EXPECT_EQ(ComboItems(d, IDC_CONNECT_MACHINES).size(), LocalMachines.size());
        Cancel(d);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(during, wait);
}
