#include "shell/command_line.h"

#include <cwctype>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t Lower(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }

// `word` is the switch `name`, alone or followed by ":" and a value (`value`, when asked for).
bool IsSwitch(const WideString& word, const wchar_t* name, const wchar_t** value = nullptr) {
    const wchar_t* text = word.c_str();
    if (*text != L'/' && *text != L'-') return false;
    ++text;
    size_t n = 0;
    while (name[n] && text[n] && Lower(text[n]) == name[n]) ++n;
    if (name[n]) return false;
    if (!text[n]) return !value;
    if (!value || text[n] != L':') return false;
    *value = text + n + 1;
    return true;
}

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

CommandLine Refuse(CommandLine& line, const WideString& word) {
    line.outcome = CommandLine::Outcome::Refused;
    line.offending = word;
    return line;
}

}  // namespace

std::vector<WideString> SplitArguments(const wchar_t* text) {
    std::vector<WideString> words;
    if (!text) return words;
    const wchar_t* p = text;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        WideString word;
        bool quoted = false;
        while (*p && (quoted || !IsBlank(*p))) {
            if (*p == L'\\') {
                size_t slashes = 0;
                while (*p == L'\\') ++slashes, ++p;
                if (*p == L'"') {
                    // 2n backslashes and a quote: n backslashes, and the quote groups; 2n+1: n and a quote.
                    for (size_t i = 0; i < slashes / 2; ++i) word.Append(L"\\");
                    if (slashes % 2) {
                        word.Append(L"\"");
                        ++p;
                    }
                } else {
                    for (size_t i = 0; i < slashes; ++i) word.Append(L"\\");
                }
            } else if (*p == L'"') {
                if (quoted && p[1] == L'"') {  // "" inside quotes: one quote
                    word.Append(L"\"");
                    p += 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
            } else {
                word.Append(p, 1);
                ++p;
            }
        }
        words.push_back(word);
    }
    return words;
}

bool ParseMachineId(const wchar_t* text, WideString& id) {
    if (!text) return false;
    size_t length = 0;
    while (text[length]) ++length;
    const bool braced = length == 38 && text[0] == L'{' && text[37] == L'}';
    if (braced) ++text;
    else if (length != 36)
        return false;
    for (size_t i = 0; i < 36; ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != L'-' : !IsHex(text[i])) return false;
    }
    id.Assign(text, 36);
    return true;
}

CommandLine ParseCommandLine(const wchar_t* arguments, bool overviewAvailable) {
    CommandLine line;
    std::vector<WideString> names;
    for (const WideString& word : SplitArguments(arguments)) {
        const wchar_t* value = nullptr;
        const wchar_t first = word.c_str()[0];
        if (first != L'/' && first != L'-') {
            names.push_back(word);
        } else if (IsSwitch(word, L"?") || IsSwitch(word, L"h") || IsSwitch(word, L"help")) {
            line.outcome = CommandLine::Outcome::Usage;
            return line;
        } else if (IsSwitch(word, L"password") || IsSwitch(word, L"password", &value) || IsSwitch(word, L"p", &value) ||
                   IsSwitch(word, L"pass", &value) || IsSwitch(word, L"pwd", &value)) {
            line.passwordRefused = true;
            return Refuse(line, word);
        } else if (IsSwitch(word, L"user", &value) && *value && !line.hasUser) {
            line.hasUser = true;
            line.user.Assign(value);
        } else if (IsSwitch(word, L"full") && !line.full) {
            line.full = true;
        } else if (overviewAvailable && IsSwitch(word, L"overview") && !line.overview) {
            line.overview = true;
        } else {
            return Refuse(line, word);
        }
    }
    if (line.overview) {
        if (line.full) return Refuse(line, WideString(L"/full"));
        if (names.empty()) return Refuse(line, WideString(L"/overview"));
        line.servers = names;
        return line;
    }
    if (names.size() > 2) return Refuse(line, names[2]);
    if (!names.empty()) line.servers.push_back(names[0]);
    if (names.size() == 2) {
        line.machineIsId = ParseMachineId(names[1].c_str(), line.machine);
        if (!line.machineIsId) line.machine = names[1];
    }
    return line;
}

void BuildUsageText(const CommandLine& line, bool overviewAvailable, WideString& out) {
    out.Clear();
    if (line.passwordRefused) {
        out.Append(line.offending);
        out.Append(L": vuemere takes no password on its command line, which every process of this machine "
                   L"can read. Give /user:NAME and type the password into the Connect dialog.\n\n");
    } else if (line.outcome == CommandLine::Outcome::Refused) {
        out.Append(L"Not understood: ");
        out.Append(line.offending);
        out.Append(L"\n\n");
    }
    out.Append(L"Usage:\n"
               L"  vuemere [/user:NAME] [/full] [SERVER [MACHINE]]\n");
    if (overviewAvailable) out.Append(L"  vuemere /overview [/user:NAME] SERVER...\n");
    out.Append(L"\n"
               L"SERVER\tthe Hyper-V host (\".\" for this machine)\n"
               L"MACHINE\ta machine's display name, or its identifier (a GUID, with or without braces)\n"
               L"/user:NAME\tconnect as NAME (DOMAIN\\user); the Connect dialog asks for the password\n"
               L"/full\tstart in full screen (Ctrl+Alt+Pause leaves it)\n");
    if (overviewAvailable) out.Append(L"/overview\tshow every machine of the servers in the overview\n");
    out.Append(L"/?\tthis text\n"
               L"\n"
               L"SERVER and MACHINE open the machine at once with your own logon; with /user, or with SERVER "
               L"alone, the Connect dialog opens filled in.");
}
