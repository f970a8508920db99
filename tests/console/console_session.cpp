#include "console_session.h"
#include "resources/resource.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {
// The member `name` of a JSON object, names compared as WMI does (any case); null when absent.
const nlohmann::ordered_json* Member(const nlohmann::ordered_json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (_stricmp(it.key().c_str(), name) == 0) return &it.value();
    return nullptr;
}
// A dialog the user types into (Connect, setting, Save As) rather than a message box: the steps
// that open one fill it in themselves.
bool TakesText(HWND dialog) {
    bool found = false;
    EnumChildWindows(dialog, [](HWND child, LPARAM param) -> BOOL {
        wchar_t name[16];
        if (GetClassNameW(child, name, 16) && _wcsicmp(name, L"Edit") == 0) *reinterpret_cast<bool*>(param) = true;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

LoggedCall::LoggedCall(std::string text)
    : line(std::move(text)), json(nlohmann::ordered_json::parse(line, nullptr, false)) {}

std::string LoggedCall::Field(const char* name) const {
    const nlohmann::ordered_json* value = Member(json, name);
    if (!value) return {};
    return value->is_string() ? value->get<std::string>() : value->dump();
}

bool LoggedCall::Is(const char* call, const char* method) const {
    return Field("call") == call && (!method || _stricmp(Field("method").c_str(), method) == 0);
}

bool LoggedCall::IsFetch() const {
    return Is("ExecMethod", "GetSummaryInformation") || Is("ExecMethod", "GetVirtualSystemThumbnailImage");
}

ConsoleSession::ConsoleSession() {
    static int sessions = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"vuemere-console-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++sessions);
    CreateDirectoryW(dir_.c_str(), nullptr);
    logPath_ = dir_ + L"\\calls.jsonl";
}

ConsoleSession::~ConsoleSession() {
    app_.Close();
    DeleteFileW(logPath_.c_str());
    DeleteFileW((dir_ + L"\\scenario.json").c_str());
    RemoveDirectoryW(dir_.c_str());
}

bool ConsoleSession::Start(const std::string& scenarioJson, const std::wstring& program, int dpi,
                           const std::wstring& arguments) {
    // Only Wine's: on Windows this value is the user's own display setting.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        const DWORD logPixels = static_cast<DWORD>(dpi);
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &logPixels,
                        sizeof(logPixels));
    }
    if (scenarioJson.empty()) {
        SetEnvironmentVariableW(L"VUEMERE_SIM_SCENARIO", nullptr);
    } else {
        const std::wstring scenarioPath = dir_ + L"\\scenario.json";
        std::ofstream(scenarioPath.c_str(), std::ios::binary) << scenarioJson;
        SetEnvironmentVariableW(L"VUEMERE_SIM_SCENARIO", scenarioPath.c_str());
    }
    DeleteFileW(logPath_.c_str());
    SetEnvironmentVariableW(L"VUEMERE_SIM_LOG", logPath_.c_str());
    if (!(program.empty() ? app_.Start(arguments.c_str()) : app_.StartProgram(program, arguments.c_str(), L"VUEMERE"))) {
        error_ = app_.Error();
        return false;
    }
    // Keep the real pointer off the window: a window appearing under it gets mouse messages,
    // which become device calls and refresh requests that the tests count.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5);
    return true;
}

bool ConsoleSession::SettleAndAnswer(const std::vector<HWND>& keep) {
    // A box can follow a box (Settings reports two failures one after the other), and a handler
    // may post a message (a refresh request) behind the first settling: two quiet rounds end it.
    for (int round = 0, quiet = 0; round < 16; ++round) {
        if (!Running() || !Settle()) return false;
        bool answered = false;
        for (HWND box : uidriver::Dialogs(ProcessId())) {
            uidriver::MessageBoxInfo info;
            if (std::find(keep.begin(), keep.end(), box) != keep.end() ||
                std::find(held_.begin(), held_.end(), box) != held_.end() || TakesText(box) ||
                !uidriver::ReadMessageBox(box, info))
                continue;
            ShownBox shown{info.caption, info.text, L"", Calls().size()};
            int answer = IDOK;
            for (const uidriver::DialogButton& button : info.buttons) {
                if (button.isDefault && info.buttons.size() > 1) shown.defaultButton = button.text;
                if (button.id == IDYES) answer = yesNoAnswer;
                else if (button.id == IDCANCEL && answer == IDOK) answer = okCancelAnswer;
            }
            boxes_.push_back(shown);
            if (answer != IDOK && meanwhile) {
                const std::function<void()> steps = std::move(meanwhile);
                meanwhile = nullptr;
                held_.push_back(box);
                steps();
                held_.pop_back();
            }
            if (!uidriver::Answer(box, answer)) return false;
            answered = true;
        }
        quiet = answered ? 0 : quiet + 1;
        // Then the paint the handlers asked for: input is mapped through the image's place, which
        // painting sets, and painting comes only after every queued message.
        if (quiet == 2) return uidriver::WaitUntil([&] { return !GetUpdateRect(Window(), nullptr, FALSE); });
    }
    return false;
}

std::vector<LoggedCall> ConsoleSession::Calls() const {
    std::vector<LoggedCall> calls;
    // The program keeps the log open for writing; share it.
    HANDLE file = CreateFileW(logPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return calls;
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.back() == '}') calls.push_back(LoggedCall{line});  // whole lines only
    }
    return calls;
}

int ConsoleSession::CountFetches() const {
    const std::vector<LoggedCall> calls = Calls();
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [](const LoggedCall& c) { return c.IsFetch(); }));
}

bool ConsoleSession::ApplySettings(const wchar_t* interval, const wchar_t* captureSize, const wchar_t* whiteFrame) {
    using namespace uidriver;
    if (!Command(IDM_SETTINGS)) return false;
    HWND dialog = WaitForDialog(L"setting", Window(), ProcessId());
    if (!dialog) return false;
    if (interval) SetItemText(dialog, IDC_SETTING_INTERVAL, interval);
    if (captureSize) SetItemText(dialog, IDC_SETTING_CAPTURE, captureSize);
    if (whiteFrame) SetItemText(dialog, IDC_SETTING_WHITE_FRAME, whiteFrame);
    // OK validates inside its handler: once the window has taken it, the dialog is gone or a box
    // (the performance warning, an error) is up, and after the warning the next one may be.
    if (!Click(dialog, IDOK) || !SettleAndAnswer({dialog})) return false;
    if (!IsWindow(dialog)) return true;
    Answer(dialog, IDCANCEL);
    return false;
}

bool OpenFromList(HWND dialog, const wchar_t* machine, int occurrence) {
    using namespace uidriver;
    if (std::wstring(machine) != L"*") {
        const std::vector<std::wstring> items = ComboItems(dialog, IDC_CONNECT_MACHINES);
        auto found = items.begin();
        // A cluster's machines are listed with their node: "cl-a (NODE-2)".
        const std::wstring withNode = std::wstring(machine) + L" (";
        for (int seen = 0; found != items.end(); ++found)
            if ((*found == machine || found->rfind(withNode, 0) == 0) && ++seen == occurrence) break;
        if (found == items.end() ||
            !SelectComboItem(dialog, IDC_CONNECT_MACHINES, static_cast<int>(found - items.begin())))
            return false;
    }
    return WaitUntil([&] { return IsEnabled(dialog, IDC_CONNECT_OPEN); }) && Click(dialog, IDC_CONNECT_OPEN) &&
           WaitGone(dialog);
}
