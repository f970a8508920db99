// Mouse and keyboard forwarding, black-box: posted input and menu commands in the unmodified
// vuemere.exe, the device calls they become in the simulated host's log (see scenario_run.h). The
// guests are 320 x 240, shown 1:1 at the default capture size, so image and guest coordinates are
// the same.
#include "scenario_run.h"

#include <gtest/gtest.h>

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

const std::string LongPiece2 = "TypeText \"\\r\\n" + std::string(200, 'b') + "\xc3\xa9" + std::string(53, 'c') + "\"";

const Row Rows[] = {
    // Nothing goes out before the first image; then moves map through the image (clamped to its
    // edges outside it) and buttons act where the pointer was left, released outside or not.
    {"AbsoluteMouse", "move 100 50; ldown 100 50; key A; open Alpha; move 100 50; move -10 250; ldown 100 50; lup -20 -30; "
                      "rdown 5 5; rup 5 5; shows 320x240",
     {"SetAbsolutePosition 100 50", "SetAbsolutePosition 0 239", "SetButtonState 1 true", "SetButtonState 1 false",
      "SetButtonState 2 true", "SetButtonState 2 false", "shows 320x240"}},
    // Beta's synthetic mouse is disabled: relative mode through its PS/2 mouse (S3 display). The
    // guest follows by the difference (upward positive); pushed past the edge, it moves a tenth of
    // its screen and the local pointer is put back on the edge, until Shift, Ctrl or Alt lets it
    // go. The real pointer waits on the image, as the user's would.
    {"RelativeMouse", "point 100 50; open Beta; move 100 50; move 325 50; cursor; key 165; move 360 90; cursor; shows 320x240",
     {"SetRelativePosition 100 -50", "SetRelativePosition 32 0", "cursor 320,50", "PressKey 165",
      "SetRelativePosition 32 -40", "cursor 320,50", "shows 320x240"}},
    // Raw key codes, system keys while "through ALT key" is on, the Keyboard menu's sequences and
    // sticky Shift (both released when both are down), its eight questions when it opens; keys
    // go to the machine opened last; with the switch off, Alt+F4 closes vuemere.
    {"KeysAndTheKeyboardMenu",
     "open Alpha; key 16; key H; keyup H; keyup 16; syskey 18; syskey 115; syskeyup 115; syskeyup 18; ctrl-alt-del; "
     "shift; key 161; shift; keymenu; application; open Odd; key B; through-alt; syskey 115; ended",
     {"PressKey 16", "PressKey 72", "ReleaseKey 72", "ReleaseKey 16", "PressKey 18", "PressKey 115", "ReleaseKey 115",
      "ReleaseKey 18", "PressKey 164", "PressKey 162", "PressKey 46", "ReleaseKey 46", "ReleaseKey 162",
      "ReleaseKey 164", "IsKeyPressed 160", "IsKeyPressed 161", "PressKey 160", "PressKey 161", "IsKeyPressed 160",
      "IsKeyPressed 161", "ReleaseKey 160", "ReleaseKey 161", "IsKeyPressed 160", "IsKeyPressed 161",
      "IsKeyPressed 162", "IsKeyPressed 163", "IsKeyPressed 164", "IsKeyPressed 165", "IsKeyPressed 91",
      "IsKeyPressed 92", "PressKey 93", "ReleaseKey 93", "PressKey 66", "ended"}},
    // A host of the provider's first release has no TypeScancodes: the Kanji key says so. A short
    // clipboard text goes in one call, line end and all; the first version types ASCII only.
    {"KanjiAndTheClipboard", "open Old oldhost; kanji; copy caf\xe9 ab\r\nc; type-clipboard; open Alpha; kanji",
     {"type scancode of Kanji key: This function is require Hyper-V R2.", "TypeText \"caf? ab\\r\\nc\"",
      "TypeScancodes [41]"}},
    // A long one in pieces a host takes, in order; a line end is never split, and the second
    // version takes text beyond ASCII as it is. A piece the host fails ends the typing: the rest
    // would leave a hole.
    {"ALongClipboardIsTypedInPieces",
     "open Gamma hv-v2; copy " + std::string(255, 'a') + "\r\n" + std::string(200, 'b') + "\xe9" +
         std::string(142, 'c') + "; type-clipboard; typed; type-clipboard; typed",
     {"TypeText \"" + std::string(255, 'a') + "\"", LongPiece2, "TypeText \"" + std::string(89, 'c') + "\"",
      "TypeText \"" + std::string(255, 'a') + "\"", LongPiece2 + " 0x80041001",
      "type from clipboard: typing stopped after 255 of 600 characters: the host did not take the text (0x80041001)"},
     R"({"call": "ExecMethod", "method": "TypeText", "after": 4, "count": 1, "hr": "0x80041001"})"},
    // A machine without a keyboard types nothing, and a host that takes fewer characters a call
    // refuses a piece: typing stops there and says where; the text typed in pieces on a machine
    // stops when the machine is opened again.
    {"TypingStopsWhereAPieceIsNotTyped",
     "open Keyless narrow; copy " + std::string(600, 'k') + "; type-clipboard; open Narrow narrow; copy " +
         std::string(256, 'a') + std::string(200, '\xe9') + "; type-clipboard; typed; copy " + std::string(100000, 'x') +
         "; watch; type-clipboard; open Narrow narrow; watch device; tick",
     {"type from clipboard: typing stopped after 0 of 600 characters: the machine has no keyboard (0x80041002)",
      "TypeText \"" + std::string(256, 'a') + "\"", "TypeText \"" + Repeat("\xc3\xa9", 200) + "\"",
      "type from clipboard: typing stopped after 256 of 456 characters: the host did not type the text (0x80041001)"}},
    // Generation 2 machines of a host that speaks only the provider's second version open, refresh
    // and take keys and the absolute mouse; one whose synthetic mouse is not enabled takes keys
    // only, silently.
    {"Generation2MachinesOfASecondVersionHost",
     "watch fetch device; open Gamma hv-v2; title; tick; move 100 50; key A; keyup A; shows 320x240; watch device; "
     "open NoMouse hv-v2; move 10 10; ldown 10 10; lup 10 10; key B; keyup B",
     {Summary, Summary, "title vuemere - Gamma", Summary, "SetAbsolutePosition 100 50", Summary, "PressKey 65", Summary,
      "ReleaseKey 65", Summary, "shows 320x240", "PressKey 66", "ReleaseKey 66"}},
};

class InputBlackBox : public testing::TestWithParam<Row> {};
TEST_P(InputBlackBox, Row) { ExpectRow(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Rows, InputBlackBox, testing::ValuesIn(Rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
