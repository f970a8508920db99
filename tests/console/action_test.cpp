// The Action menu, black-box: a machine's power through the unmodified vuemere.exe against hosts of
// either provider version whose jobs end on their second read (see scenario_run.h). The title
// shows the state and each job's progress; the host's log the values sent and the reads made.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

const Row Rows[] = {
    {"Try", "open Sleeper ctl; title; shows text+line; watch control class; start; title; tick; title; shows 320x240",
     {}},
};

class Action : public testing::TestWithParam<Row> {};
TEST_P(Action, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Action, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
