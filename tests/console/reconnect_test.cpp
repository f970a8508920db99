// Coming back by itself, black-box: the host goes away under the open machine (its connection
// answers RPC_E_DISCONNECTED from a tick's image request on) and comes back; the console keeps the
// machine, says so in its title and under the no-image text, and tries again on the back-off.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

// The open's own image request and the refresh it asks for go through; the next tick's loses the
// connection.
const char Lost[] = R"({"call": "ExecMethod", "method": "GetSummaryInformation", "after": 2, "disconnect": true, "count": 1})";

const Row Rows[] = {
    // The next tick tries again, finds the machine by its identifier and shows it; input goes to it.
    {"TheHostGoesAwayAndComesBack",
     "open Alpha; watch connect fetch device; tick; title; shows text+line; tick; title; shows 320x240; key A",
     {"GetSummaryInformation [7] 0x80010108", "title vuemere - Alpha (Reconnecting)", "shows text+line",
      "connect \\\\localhost\\root\\virtualization", Summary, "title vuemere - Alpha", "shows 320x240",
      "PressKey 65", Summary},
     Lost},
    // A host that stays away: the tries follow the back-off at the default interval, no storm, and
    // the picture is back with the try that succeeds. The password typed never reaches the log.
    {"TriesFollowTheBackOff",
     "settings 1000 -; open Vault secure LAB\\admin s3cret; shows text+line; title; shows 320x240; title; tries; "
     "logged s3cret",
     {"shows text+line", "title vuemere - Vault (Reconnecting)", "shows 320x240", "title vuemere - Vault",
      "3 tries, none early", "log holds s3cret: no"},
     std::string(Lost) + R"(, {"call": "ConnectServer", "after": 2, "count": 2, "hr": "0x800706BA"})"},
    // DisConnect ends the tries; a new Connect starts anew.
    {"DisConnectStopsTrying", "open Alpha; watch connect; tick; disconnect; tick; tick; title; open Odd; title",
     {"title vuemere", "connect \\\\localhost\\root\\virtualization", "connect \\\\localhost\\root\\virtualization",
      "title vuemere - Odd"},
     Lost},
};

class Reconnect : public testing::TestWithParam<Row> {};
TEST_P(Reconnect, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Reconnect, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
