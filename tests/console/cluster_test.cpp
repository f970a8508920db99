// Failover clusters, black-box: the Connect dialog given a node or the cluster's name, and the
// console following a machine that moves between nodes (see scenario_run.h). Cluster hvc1 has
// node-1 (ClA, and Local1 which is not clustered), node-2 (ClB) and node-3, which is down.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

std::string Move(const char* how) {
    return std::string(R"({"host": "node-1", "machine": "ClA", "migrate": "node-2", "after": 33, "how": ")") + how +
           "\"}";
}

// ClA is watched on node-1 (each tick reads its state, then its image) until it has moved and
// a key reaches it on node-2.
const std::string Follow = "open ClA node-1; watch connect read device; tick; title; tick; title; tick; title; "
                           "tick; title; key A; tick; title; shows 320x240";
const char* const Skipped[] = {"connect: The machines of these nodes of cluster hvc1 are not listed:", "NODE-3 (Down)"};
const char* const OnNode2[] = {"connect \\\\NODE-1\\root\\MSCluster", "connect \\\\NODE-2\\root\\virtualization\\v2"};

// What every move ends with: the machine's state read on node-2 on each tick, the key typed
// reaching it there, its picture shown.
std::vector<std::string> Followed(std::initializer_list<std::string> move) {
    std::vector<std::string> t{Skipped[0], Skipped[1], "read Msvm_ComputerSystem", "title vuemere - ClA"};
    t.insert(t.end(), move);
    for (const char* line : {"title vuemere - ClA", "PressKey 65", "read Msvm_ComputerSystem", "read Msvm_ComputerSystem",
                             "title vuemere - ClA", "shows 320x240"})
        t.push_back(line);
    return t;
}

const Row Rows[] = {
    {"TheWholeClusterFromOneNodeOrItsName", "watch connect; list node-2 hvc1",
     {"connect \\\\node-2\\root\\virtualization 0x8004100E", "connect \\\\node-2\\root\\virtualization\\v2",
      "connect \\\\node-2\\root\\MSCluster", "connect \\\\NODE-1\\root\\virtualization 0x8004100E",
      "connect \\\\NODE-1\\root\\virtualization\\v2", "connect \\\\NODE-2\\root\\virtualization\\v2", Skipped[0],
      Skipped[1], "listed ClA (NODE-1), ClB (NODE-2), Local1 (NODE-1)",
      "connect \\\\hvc1\\root\\virtualization 0x8004100E", "connect \\\\hvc1\\root\\virtualization\\v2",
      "connect \\\\hvc1\\root\\MSCluster", "connect \\\\NODE-1\\root\\virtualization\\v2",
      "connect \\\\NODE-2\\root\\virtualization\\v2", Skipped[0], Skipped[1],
      "listed ClA (NODE-1), ClB (NODE-2), Local1 (NODE-1)"}},
    // A node that is up but does not answer: its machines are not listed, and the box says why.
    {"ANodeThatDoesNotAnswerIsNamed", "list node-1",
     {Skipped[0], "NODE-2 (does not answer: 0x800706BA)", Skipped[1], "listed ClA (NODE-1), Local1 (NODE-1)"},
     R"({"host": "node-2", "call": "ConnectServer", "hr": "0x800706BA"})"},
    {"OpensOnTheNodeThatOwnsIt", "open ClB node-1; watch connect; title; shows 320x240; open ClB node-1",
     {Skipped[0], Skipped[1], "title vuemere - ClB", "shows 320x240", "connect \\\\node-1\\root\\virtualization\\v2",
      "connect \\\\node-1\\root\\MSCluster", "connect \\\\NODE-1\\root\\virtualization\\v2",
      "connect \\\\NODE-2\\root\\virtualization\\v2", Skipped[0], Skipped[1],
      "connect \\\\NODE-2\\root\\virtualization\\v2"}},
    // A machine of another host opened from the overview is opened there, not on the node of
    // the cluster machine open before.
    {"TheOverviewOpensOnItsOwnHostAfterANode", "open ClB node-1; overview; ov-add localhost; ov-select Alpha; ov open; title; shows 320x240",
     {Skipped[0], Skipped[1], "overview vuemere - Overview", "title vuemere - Alpha", "shows 320x240"}},
    // One call more to list (the cluster's namespace, refused), none while watching: a tick is its image.
    {"AHostOutsideAnyClusterCostsOneCallToList",
     "watch connect; list localhost; open Alpha; wire 99; tick; tick; wire 2; open Local1 node-1; wire 99; tick; wire 1",
     {"connect \\\\localhost\\root\\virtualization", "connect \\\\localhost\\root\\MSCluster 0x8004100E",
      "listed Alpha, Beta, Odd", "connect \\\\localhost\\root\\virtualization",
      "connect \\\\localhost\\root\\MSCluster 0x8004100E", "connect \\\\localhost\\root\\virtualization",
      "wire calls <= 99", "wire calls <= 2", "connect \\\\node-1\\root\\virtualization 0x8004100E",
      "connect \\\\node-1\\root\\virtualization\\v2", "connect \\\\node-1\\root\\MSCluster",
      "connect \\\\NODE-1\\root\\virtualization\\v2", "connect \\\\NODE-2\\root\\virtualization 0x8004100E",
      "connect \\\\NODE-2\\root\\virtualization\\v2", Skipped[0], Skipped[1],
      "connect \\\\NODE-1\\root\\virtualization\\v2", "wire calls <= 99", "wire calls <= 1"}},
    // Gone from node-1 (not found there): the cluster names its owner, and it opens there.
    {"ALiveMigrationIsFollowed", Follow,
     Followed({"read Msvm_ComputerSystem", "title vuemere - ClA (Migrating)", "read Msvm_ComputerSystem",
               "read Msvm_ComputerSystem 0x80041002", OnNode2[0], OnNode2[1], "title vuemere - ClA",
               "read Msvm_ComputerSystem"}),
     Move("live")},
    {"AQuickMigrationIsFollowed", Follow,
     Followed({"read Msvm_ComputerSystem", "title vuemere - ClA (Saving)", "read Msvm_ComputerSystem",
               "title vuemere - ClA (Saved)", "read Msvm_ComputerSystem 0x80041002", OnNode2[0], OnNode2[1]}),
     Move("quick")},
    // Its node stops answering: the next node in the cluster's order says where it went. The
    // machine boots afresh there, so each tick also follows its screen's size.
    {"AFailoverIsFollowed", Follow,
     {Skipped[0], Skipped[1], "read Msvm_ComputerSystem", "title vuemere - ClA", "read  0x80010108",
      "connect \\\\NODE-1\\root\\MSCluster 0x800706BA", "connect \\\\NODE-2\\root\\MSCluster", OnNode2[1],
      "title vuemere - ClA (Starting)", "read Msvm_ComputerSystem", "read Msvm_VideoHead", "title vuemere - ClA",
      "read Msvm_ComputerSystem", "read Msvm_VideoHead", "title vuemere - ClA", "PressKey 65", "read Msvm_ComputerSystem", "read Msvm_VideoHead",
      "read Msvm_ComputerSystem", "read Msvm_VideoHead", "title vuemere - ClA", "shows 320x240"},
     Move("failover")},
    // The tick in which it is gone: its state and an image request on node-1 (no picture: the
    // machine left during the tick), the read that finds it gone, the cluster's answer (a
    // connection, a query, one Next), one connection to node-2 and the usual open, then at once
    // in the same tick the picture; no node is listed.
    {"FromGoneToThePictureOnItsNewNode", "open ClA node-1; tick; tick; wire 999; watch fetch connect read; tick; wire 21; title",
     {Skipped[0], Skipped[1], "wire calls <= 999", "read Msvm_ComputerSystem", Summary,
      "read Msvm_ComputerSystem 0x80041002", OnNode2[0], OnNode2[1], Summary, "wire calls <= 21",
      "title vuemere - ClA"},
     Move("live")},
    // Its new node does not answer at first: it says so, drops what is typed meanwhile and tries again.
    {"TheNewNodeIsTriedAgainAfterItsDelay",
     "open ClA node-1; tick; tick; watch connect device; tick; title; key A; tick; title; wait 2100; tick; title; "
     "key B; shows 320x240",
     {Skipped[0], Skipped[1], OnNode2[0], "connect \\\\NODE-2\\root\\virtualization\\v2 0x800706BA",
      "title vuemere - ClA (Moving to NODE-2)", "title vuemere - ClA (Moving to NODE-2)", OnNode2[0], OnNode2[1],
      "title vuemere - ClA", "PressKey 66", "shows 320x240"},
     Move("live") + R"(, {"host": "node-2", "call": "ConnectServer", "after": 2, "count": 1, "hr": "0x800706BA"})"},
    // A machine of a node that is no role of the cluster, gone when its node comes back: the
    // cluster is asked once, and it is "(Not found)" as on a host outside any cluster.
    {"AMachineOutsideTheClusterGoneFromItsNode", "open Local1 node-1; watch connect; tick; tick; title; tick; tick; title",
     {Skipped[0], Skipped[1], "connect \\\\NODE-1\\root\\virtualization\\v2", "connect \\\\NODE-1\\root\\MSCluster",
      "title vuemere - Local1 (Not found)", "title vuemere - Local1 (Not found)"},
     R"({"host": "node-1", "after": 20, "machine": "Local1", "set": {"present": false}}, )"
     R"({"host": "node-1", "call": "ExecMethod", "method": "GetSummaryInformation", "after": 2, "disconnect": true, "count": 1})"},
    // Its node fails over while no other node answers: every node is asked in the cluster's order,
    // it is moving to no node known, and every node is asked again after the back-off's delay.
    {"NoNodeOfTheClusterAnswers", "open ClA node-1; watch connect; tick; tick; tick; title; wait 2100; tick; title",
     {Skipped[0], Skipped[1], "connect \\\\NODE-1\\root\\MSCluster 0x800706BA", "connect \\\\NODE-2\\root\\MSCluster 0x800706BA",
      "connect \\\\NODE-3\\root\\MSCluster 0x800706BA", "title vuemere - ClA (Moving)",
      "connect \\\\NODE-1\\root\\MSCluster 0x800706BA", "connect \\\\NODE-2\\root\\MSCluster 0x800706BA",
      "connect \\\\NODE-3\\root\\MSCluster 0x800706BA", "title vuemere - ClA (Moving)"},
     Move("failover") + R"(, {"host": "node-2", "call": "ConnectServer", "after": 2, "hr": "0x800706BA"})"},
};

class Cluster : public testing::TestWithParam<Row> {};
TEST_P(Cluster, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Cluster, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
