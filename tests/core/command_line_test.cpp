// The command line by worked examples: Windows' splitting rules, the switches, machine
// identifiers with or without braces, and what is refused (with the usage box's first words).
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Joined(const std::vector<WideString>& words) {
    std::wstring text;
    for (const WideString& w : words) text += L"[" + std::wstring(w.c_str()) + L"]";
    return text;
}

// The parse as one line of text: outcome, switches, servers, machine.
std::wstring Parsed(const wchar_t* arguments, bool overview = true) {
    const CommandLine line = ParseCommandLine(arguments, overview);
    if (line.outcome == CommandLine::Outcome::Usage) return L"usage";
    if (line.outcome == CommandLine::Outcome::Refused)
        return std::wstring(line.passwordRefused ? L"password " : L"refused ") + line.offending.c_str();
    std::wstring text = line.overview ? L"overview" : L"console";
    if (line.full) text += L" full";
    if (line.hasUser) text += std::wstring(L" user=") + line.user.c_str();
    text += L" " + Joined(line.servers);
    if (!line.machine.Empty()) text += std::wstring(line.machineIsId ? L" id=" : L" name=") + line.machine.c_str();
    return text;
}

}  // namespace

TEST(CommandLine, ArgumentsAreSplitAsWindowsSplitsThem) {
    const struct {
        const wchar_t* text;
        const wchar_t* words;
    } cases[] = {
        {L"", L""},
        {L"  hv-2022   \t Web ", L"[hv-2022][Web]"},
        {L"hv \"Web Server 01\"", L"[hv][Web Server 01]"},
        {L"hv Web\" \"Server", L"[hv][Web Server]"},                    // quotes group inside a word
        {L"a\\\\b \"c\\\\\"", L"[a\\\\b][c\\]"},                        // backslashes double only before a quote
        {L"\"say \\\"hi\\\"\"", L"[say \"hi\"]"},                       // an escaped quote
        {L"\"a \"\"quoted\"\" word\"", L"[a \"quoted\" word]"},         // "" inside quotes
        {L"\"\"", L"[]"},                                               // an empty argument
        {L"\"unclosed quote", L"[unclosed quote]"},
    };
    for (const auto& c : cases) EXPECT_EQ(Joined(SplitArguments(c.text)), c.words) << c.text;
}

TEST(CommandLine, SwitchesServersMachinesAndWhatIsRefused) {
    const struct {
        const wchar_t* arguments;
        const wchar_t* parsed;
    } cases[] = {
        {L"", L"console "},
        {L"hv-2022", L"console [hv-2022]"},
        {L"hv-2022 \"Web Server 01\"", L"console [hv-2022] name=Web Server 01"},
        {L"hv-2022 {0F0F0000-0000-4000-8000-00000000000a}", L"console [hv-2022] id=0F0F0000-0000-4000-8000-00000000000a"},
        {L"hv-2022 0F0F0000-0000-4000-8000-00000000000A", L"console [hv-2022] id=0F0F0000-0000-4000-8000-00000000000A"},
        {L"hv {0F0F0000-0000-4000-8000-00000000000A", L"console [hv] name={0F0F0000-0000-4000-8000-00000000000A"},
        {L"hv 0F0F0000-0000-4000-8000-00000000000G", L"console [hv] name=0F0F0000-0000-4000-8000-00000000000G"},
        {L"/USER:LAB\\admin -Full hv Web", L"console full user=LAB\\admin [hv] name=Web"},
        {L"/user:\"LAB\\the admin\" hv", L"console user=LAB\\the admin [hv]"},
        {L"/overview /user:ops hv-1 hv-2 hv-3", L"overview user=ops [hv-1][hv-2][hv-3]"},
        {L"/?", L"usage"},
        {L"hv -? /bogus", L"usage"},
        {L"/bogus hv", L"refused /bogus"},
        {L"hv Web extra", L"refused extra"},
        {L"/user: hv", L"refused /user:"},
        {L"/user:a /user:b", L"refused /user:b"},
        {L"/full:yes", L"refused /full:yes"},
        {L"/overview", L"refused /overview"},
        {L"/overview /full hv", L"refused /full"},
        {L"/password:s3cret hv Web", L"password /password:s3cret"},
        {L"hv Web -PASSWORD", L"password -PASSWORD"},
        {L"/p:s3cret", L"password /p:s3cret"},
    };
    for (const auto& c : cases) EXPECT_EQ(Parsed(c.arguments), c.parsed) << c.arguments;
    // A build without the overview does not know its switch.
    EXPECT_EQ(Parsed(L"/overview hv", false), L"refused /overview");

    WideString usage;
    BuildUsageText(ParseCommandLine(L"hv Web extra", true), true, usage);
    EXPECT_EQ(std::wstring(usage.c_str()).rfind(L"Not understood: extra\n\nUsage:\n", 0), 0u) << usage.c_str();
    BuildUsageText(ParseCommandLine(L"/password:x", true), true, usage);
    EXPECT_NE(std::wstring(usage.c_str()).find(L"takes no password on its command line"), std::wstring::npos);
    BuildUsageText(ParseCommandLine(L"/?", false), false, usage);
    EXPECT_EQ(std::wstring(usage.c_str()).find(L"overview"), std::wstring::npos);
}
