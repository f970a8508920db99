#pragma once
#include "shell/wide_string.h"

#include <vector>

// The program's command line:
//   vuemere [/user:NAME] [/full] [SERVER [MACHINE]]
//   vuemere /overview [/user:NAME] SERVER...
// Arguments are split by the rules Windows programs share (CommandLineToArgvW): blanks separate
// them, double quotes group, a backslash escapes a quote only when it stands right before one.
// Switches begin with "/" or "-" and are compared without regard to case. No platform headers, so
// it can be tested natively.

// The words of `text` (the arguments, without the program's name) by those rules.
std::vector<WideString> SplitArguments(const wchar_t* text);

// Whether `text` is a machine identifier: a GUID, with or without braces; `id` then receives it
// without them.
bool ParseMachineId(const wchar_t* text, WideString& id);

struct CommandLine {
    enum class Outcome {
        Run,      // start (with nothing asked of it when no argument was given)
        Usage,    // "/?": the usage box, exit code 0
        Refused,  // a word it does not take: the usage box naming it, exit code 2
    };
    Outcome outcome = Outcome::Run;
    WideString offending;            // the word refused
    bool passwordRefused = false;    // the word was a password switch
    bool full = false;               // /full: start in full screen
    bool overview = false;           // /overview: the servers go to the overview
    bool hasUser = false;            // /user:NAME was given (the Connect dialog asks the password)
    WideString user;
    std::vector<WideString> servers; // at most one unless /overview
    WideString machine;              // a display name, or the identifier without braces
    bool machineIsId = false;
};

// Reads the arguments; `overviewAvailable` says whether /overview is a switch of this build.
CommandLine ParseCommandLine(const wchar_t* arguments, bool overviewAvailable);

// The usage box's text; for a refused word, it begins by naming it.
void BuildUsageText(const CommandLine& commandLine, bool overviewAvailable, WideString& out);
