// The Connect and setting dialogs, black-box: what they show and refuse in the unmodified
// vuemere.exe (see scenario_run.h). What the settings change is the console's rows' business.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

const Row Rows[] = {
    {"SettingErrorsAndTheWarning", "settings 99 -; settings - 640x480",
     {"setting error: interval error. (100 to 60000)", CaptureWarning}},
    // A white frame out of range keeps the dialog open; Cancel of the warning does too, and
    // cancelling the dialog then leaves the capture size as it was (the summary's 320 x 240).
    {"AWhiteFrameOutOfRangeAndTheWarningCancelled", "settings - - 1001; answer cancel; settings - 640x480 -; watch fetch; open Alpha",
     {"setting error: white_frame error. (0 to 1000)", CaptureWarning, Summary, Summary}},
    // A failed listing empties the list; the box in which the password was typed is a password
    // box, and the password is never shown again.
    // localhost lists its machines last first: Alpha's index in the sorted box is neither its
    // place in the listing nor the index the box gave it when it came in.
    {"ConnectDialog",
     R"(list localhost no-hyperv; open Vault secure LAB\admin s3cret; list secure; watch fetch; open Alpha; title; )"
     "open *; title",
     {"listed Alpha, Beta, Odd", "connect error: cannot conect for server (0x8004100E)", "listed",
      "connect error: cannot conect for server (0x80070005)", "listed", Summary, Summary, "title vuemere - Alpha", Summary, Summary,
      "title vuemere - Alpha"}},
    // A host that lists 10,001 machines: a box says that only the first 10,000 are shown, and the
    // last one it lists is not.
    {"AHostOfMoreThanTenThousandMachines", "open Many-9000 farm",
     {"connect: The host lists more than 10000 machines; only the first 10000 are shown.", "not listed Many-9000"},
     R"({"host": "farm", "generate": {"count": 9000, "prefix": "Many-", "width": 320, "height": 240}})"},
};

class Dialogs : public testing::TestWithParam<Row> {};
TEST_P(Dialogs, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, Dialogs, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
