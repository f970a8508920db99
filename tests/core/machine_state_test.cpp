// A machine's power as the provider's two versions report it, the values the Action menu sends,
// what each state offers, what the console's title and no-image line say of it, and which
// cluster node owns a machine.
#include "console/machine_status.h"
#include "console/reconnect_schedule.h"
#include "wmi/cluster_model.h"
#include "wmi/machine_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const ProviderVersion V1 = ProviderVersion::First, V2 = ProviderVersion::Second;
}

TEST(MachineState, EachVersionsValuesAndWhatTheyAllow) {
    const struct {
        ProviderVersion version;
        uint32_t value;
        MachineState state;
    } states[] = {
        {V1, 2, MachineState::Running},      {V1, 3, MachineState::Off},         {V1, 32769, MachineState::Saved},
        {V1, 32768, MachineState::Paused},   {V1, 32770, MachineState::Starting}, {V1, 32774, MachineState::Stopping},
        {V1, 4, MachineState::Stopping},     {V1, 6, MachineState::Unknown},      {V1, 9, MachineState::Unknown},     {V2, 6, MachineState::Saved},
        {V2, 32769, MachineState::Saved},    {V2, 9, MachineState::Paused},      {V2, 32768, MachineState::Paused},
        {V2, 10, MachineState::Starting},    {V2, 4, MachineState::Stopping},    {V2, 32774, MachineState::Unknown},
        {V2, 32779, MachineState::FastSaved}, {V2, 32781, MachineState::Unknown},
    };
    for (const auto& s : states)
        EXPECT_EQ(StateFromEnabledState(s.version, s.value), s.state) << (s.version == V1 ? "v1 " : "v2 ") << s.value;

    // RequestStateChange's values; Shut Down and Checkpoint are other methods.
    const struct {
        MachineAction action;
        int32_t v1, v2;
    } requests[] = {{MachineAction::Start, 2, 2},       {MachineAction::TurnOff, 3, 3}, {MachineAction::Save, 32769, 6},
                    {MachineAction::Pause, 32768, 9},   {MachineAction::Resume, 2, 2},  {MachineAction::Reset, 10, 11},
                    {MachineAction::ShutDown, -1, -1},  {MachineAction::Checkpoint, -1, -1}};
    for (const auto& r : requests) {
        int32_t sent = -1;
        EXPECT_EQ(RequestedStateFor(V1, r.action, sent) ? sent : -1, r.v1) << ActionName(r.action);
        sent = -1;
        EXPECT_EQ(RequestedStateFor(V2, r.action, sent) ? sent : -1, r.v2) << ActionName(r.action);
    }

    // Per state, the actions offered in menu order: Start, Shut Down, Turn Off, Save, Pause,
    // Resume, Reset, Checkpoint.
    const struct {
        MachineState state;
        const char* offered;
    } offers[] = {{MachineState::Running, "01111011"}, {MachineState::Off, "10000001"},  {MachineState::Saved, "10000001"},
                  {MachineState::Paused, "00100100"},  {MachineState::Starting, "00100000"}, {MachineState::Stopping, "00100000"},
                  {MachineState::Unknown, "00100000"}};
    // Only these stay as they are until asked: the others are read on every tick.
    for (MachineState settled : {MachineState::Running, MachineState::Off, MachineState::Saved, MachineState::Paused})
        EXPECT_TRUE(StateSettled(settled)) << StateWord(settled);
    for (MachineState moving : {MachineState::Starting, MachineState::Stopping, MachineState::Saving, MachineState::Unknown})
        EXPECT_FALSE(StateSettled(moving)) << StateWord(moving);
    for (const auto& o : offers) {
        std::string offered;
        for (int a = 0; a < MachineActionCount; ++a) offered += ActionAllowed(o.state, static_cast<MachineAction>(a)) ? '1' : '0';
        EXPECT_EQ(offered, o.offered) << StateWord(o.state);
    }

    EXPECT_EQ(ClassifyJobState(4), JobOutcome::Running);
    EXPECT_EQ(ClassifyJobState(7), JobOutcome::Succeeded);
    EXPECT_EQ(ClassifyJobState(32768), JobOutcome::Succeeded);  // completed with warnings
    EXPECT_EQ(ClassifyJobState(10), JobOutcome::Failed);
    EXPECT_EQ(ClassifyJobState(12), JobOutcome::Failed);  // nothing known to wait for
}

TEST(MachineState, TitlesLinesAndBoxTexts) {
    MachineStatus status;
    WideString text;
    const auto title = [&] {
        BuildWindowTitle(L"vuemere", L"Web Server 01", status, text);
        return std::wstring(text.c_str());
    };
    const auto line = [&] { return BuildNoImageLine(L"Web Server 01", status, text) ? std::wstring(text.c_str()) : L"-"; };
    EXPECT_EQ(title(), L"vuemere - Web Server 01");  // nothing known: the plain title, no line
    EXPECT_EQ(line(), L"-");
    EXPECT_FALSE(status.Take(MachineState::Off, 3));  // the first state read is no start
    EXPECT_EQ(title(), L"vuemere - Web Server 01 (Off)");
    EXPECT_EQ(line(), L"Web Server 01 is Off. Action > Start turns it on.");
    status.Take(MachineState::Saved, 6);
    EXPECT_EQ(line(), L"Web Server 01 is Saved. Action > Start restores it.");
    status.Take(MachineState::Paused, 9);
    EXPECT_EQ(line(), L"Web Server 01 is Paused. Action > Resume continues it.");
    const struct {
        MachineState state;
        const wchar_t* word;
    } passing[] = {{MachineState::Saving, L"Saving"},         {MachineState::Pausing, L"Pausing"},
                   {MachineState::Resuming, L"Resuming"},     {MachineState::FastSaved, L"Fast-saved"},
                   {MachineState::FastSaving, L"Fast-saving"}};
    for (const auto& p : passing) {  // a host reporting these: the word, and no advice in the line
        status.Take(p.state, 32773);
        EXPECT_EQ(title(), std::wstring(L"vuemere - Web Server 01 (") + p.word + L")");
        EXPECT_EQ(line(), std::wstring(L"Web Server 01 is ") + p.word + L".");
    }
    status.Take(MachineState::Unknown, 32781);
    EXPECT_EQ(title(), L"vuemere - Web Server 01 (State 32781)");
    EXPECT_EQ(line(), L"Web Server 01 is in a state this console does not know (32781).");
    status.jobRunning = true;
    status.jobAction = MachineAction::Start;
    status.jobPercent = 40;
    EXPECT_EQ(title(), L"vuemere - Web Server 01 (Starting 40%)");
    status.jobRunning = false;
    status.shutdownPending = true;
    EXPECT_EQ(title(), L"vuemere - Web Server 01 (Stopping)");
    // A shutdown the guest ignores: two minutes by the clock, or the timer's ticks of as long,
    // whichever comes first; ticks asked for count no time.
    status.WatchShutdown(1000);
    EXPECT_FALSE(status.ShutdownWaited(1000 + ShutdownWaitMs - 1, 1000, false));
    EXPECT_TRUE(status.ShutdownWaited(1000 + ShutdownWaitMs, 1000, false));
    status.WatchShutdown(5000);
    EXPECT_FALSE(status.ShutdownWaited(5001, 60000, true));
    EXPECT_FALSE(status.ShutdownWaited(5002, 60000, false));
    EXPECT_TRUE(status.ShutdownWaited(5003, 60000, true));
    EXPECT_TRUE(status.Take(MachineState::Running, 2));  // started: its screen and devices may be new
    // A booting guest's screen size is followed until it has stayed a minute, the tick count wrapping.
    status.BeginBoot(0xFFFFF000u);
    EXPECT_TRUE(status.FollowsBoot(0xFFFFF000u + MachineStatus::BootSettleMs - 1));
    status.BootSizeChanged(100);
    EXPECT_TRUE(status.FollowsBoot(100 + MachineStatus::BootSettleMs - 1));
    EXPECT_FALSE(status.FollowsBoot(100 + MachineStatus::BootSettleMs));
    EXPECT_FALSE(status.FollowsBoot(100));
    status.BeginBoot(0);
    status.Forget();
    EXPECT_FALSE(status.FollowsBoot(0));
    status.Take(MachineState::Running, 2);
    status.shutdownPending = false;
    EXPECT_EQ(title(), L"vuemere - Web Server 01");
    EXPECT_EQ(line(), L"-");

    BuildJobFailureText(L"not enough memory", 32768, 10, text);
    EXPECT_STREQ(text.c_str(), L"not enough memory");
    BuildJobFailureText(L"", 32768, 10, text);
    EXPECT_STREQ(text.c_str(), L"error code 32768");
    BuildJobFailureText(L"", 0, 9, text);
    EXPECT_STREQ(text.c_str(), L"the job ended in state 9");
    BuildReturnCodeText(32775, text);
    EXPECT_STREQ(text.c_str(), L"invalid state for this operation");
    BuildReturnCodeText(5, text);  // the second version's CreateSnapshot
    EXPECT_STREQ(text.c_str(), L"invalid state for this operation");
    BuildReturnCodeText(7, text);
    EXPECT_STREQ(text.c_str(), L"return value 7");
}

// Which node owns a machine, as the cluster's answer says it: by identifier only, and nothing
// trusted when the answer contradicts itself.
TEST(ClusterOwner, ByIdentifierOnly) {
    ClusterInfo cluster;
    auto vm = [&](const wchar_t* id, const wchar_t* owner) {
        ClusterVm v;
        v.vmId.Assign(id);
        v.ownerNode.Assign(owner);
        cluster.vms.push_back(v);
    };
    vm(L"", L"NODE-9");  // a resource without VmId names nothing
    vm(L"{6a1d3c58-9e24-4b7f-a0c6-3d8e52f1b947}", L"NODE-2");
    vm(L"B35E8F07-4C1A-4D96-8E2B-7A0C9F3D6E15", L"NODE-1");
    vm(L"B35E8F07-4C1A-4D96-8E2B-7A0C9F3D6E15", L"node-1");  // twice, one owner: no contradiction
    vm(L"2C7B9E40-D58A-4F31-B6E9-0A4D1C83F726", L"NODE-1");
    vm(L"2c7b9e40-d58a-4f31-b6e9-0a4d1c83f726", L"NODE-2");
    vm(L"E4F81A26-7B3C-4E05-9D6A-C2B70F5E8A31", L"");
    const struct {
        const wchar_t* id;
        OwnerLookup result;
        const wchar_t* node;
    } cases[] = {
        {L"6A1D3C58-9E24-4B7F-A0C6-3D8E52F1B947", OwnerLookup::Found, L"NODE-2"},  // braces and case differ
        {L"B35E8F07-4C1A-4D96-8E2B-7A0C9F3D6E15", OwnerLookup::Found, L"NODE-1"},
        {L"2C7B9E40-D58A-4F31-B6E9-0A4D1C83F726", OwnerLookup::Ambiguous, L""},
        {L"E4F81A26-7B3C-4E05-9D6A-C2B70F5E8A31", OwnerLookup::NoOwner, L""},
        {L"6A1D3C58-9E24-4B7F-A0C6-3D8E52F1B94", OwnerLookup::NotListed, L""},  // one digit short
        {L"", OwnerLookup::NotListed, L""},
    };
    for (const auto& c : cases) {
        WideString node;
        EXPECT_EQ(FindOwnerNode(cluster, c.id, node), c.result) << c.id;
        EXPECT_STREQ(node.c_str(), c.node) << c.id;
    }
    EXPECT_TRUE(NodeServesMachines(NodeUp));
    EXPECT_TRUE(NodeServesMachines(NodePaused));
    EXPECT_FALSE(NodeServesMachines(NodeDown));
    EXPECT_FALSE(NodeServesMachines(NodeJoining));
    EXPECT_FALSE(NodeServesMachines(-1));
    // How the Connect dialog names a node it skips.
    EXPECT_STREQ(NodeStateName(NodeJoining), L"Joining");
    EXPECT_STREQ(NodeStateName(-1), L"state unknown");

    MachineStatus status;
    status.Take(MachineState::Running, 2);
    WideString text;
    status.migrating = true;
    BuildWindowTitle(L"vuemere", L"cl-a", status, text);
    EXPECT_STREQ(text.c_str(), L"vuemere - cl-a (Migrating)");
    status.moving = true;
    BuildWindowTitle(L"vuemere", L"cl-a", status, text);
    EXPECT_STREQ(text.c_str(), L"vuemere - cl-a (Moving)");
    status.moveTarget.Assign(L"NODE-2");
    status.moveNote.Assign(L"NODE-2 does not have it yet. Trying again in 2 s.");
    BuildWindowTitle(L"vuemere", L"cl-a", status, text);
    EXPECT_STREQ(text.c_str(), L"vuemere - cl-a (Moving to NODE-2)");
    ASSERT_TRUE(BuildNoImageLine(L"cl-a", status, text));
    EXPECT_STREQ(text.c_str(), L"cl-a is moving to NODE-2. NODE-2 does not have it yet. Trying again in 2 s.");
}

// A lost connection: which codes mean it, when the console tries again, and what it says meanwhile.
TEST(MachineState, ALostConnectionIsTriedAgainOnItsBackOff) {
    for (uint32_t lost : {0x80010108u, 0x800706BAu, 0x800706BEu, 0x800706BFu, 0x80041015u, 0x80041033u})
        EXPECT_TRUE(IsConnectionLost(lost)) << std::hex << lost;
    // A call refused or failed by a host that answers is no lost connection.
    for (uint32_t refused : {0u, 0x80041001u, 0x80041002u, 0x80070005u, 0x80041003u, 0x8004100Eu})
        EXPECT_FALSE(IsConnectionLost(refused)) << std::hex << refused;

    Reconnection link;
    WideString text;
    const auto line = [&](uint32_t now) {
        return BuildLinkLine(L"hv-2022", L"Web", link, SecondsToNextTry(link, now, 1000), text) ? std::wstring(text.c_str())
                                                                                               : L"-";
    };
    EXPECT_FALSE(link.Due(0));
    EXPECT_EQ(line(0), L"-");
    const uint32_t start = 0xFFFFF000u;  // the tick count wraps on the way
    link.Lose();
    EXPECT_TRUE(link.Due(start));  // the next tick tries
    EXPECT_EQ(line(start), L"Lost the connection to hv-2022; trying again in 1 s.");
    // After each failed try: 2, 4, 8, 16, then every 30 s, and never earlier.
    uint32_t now = start;
    for (uint32_t wait : {2000u, 4000u, 8000u, 16000u, 30000u, 30000u}) {
        link.TryFailed(now);
        EXPECT_FALSE(link.Due(now + wait - 1)) << wait;
        EXPECT_EQ(line(now + wait - 1500), L"Lost the connection to hv-2022; trying again in 2 s.") << wait;
        now += wait;
        EXPECT_TRUE(link.Due(now)) << wait;
    }
    EXPECT_STREQ(LinkTitleSuffix(link.state), L" (Reconnecting)");
    link.Lose();  // losing again while trying keeps the back-off
    EXPECT_FALSE(link.Due(now - 1));

    link.MachineMissing(now);
    EXPECT_STREQ(LinkTitleSuffix(link.state), L" (Not found)");
    EXPECT_EQ(line(now), L"hv-2022 no longer has Web; looking for it again in 30 s.");
    EXPECT_FALSE(link.Due(now + 29999));
    EXPECT_TRUE(link.Due(now + 30000));
    link.Stop();
    EXPECT_TRUE(link.Live());
    EXPECT_STREQ(LinkTitleSuffix(link.state), L"");
}
