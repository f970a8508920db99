#include "console_session.h"
#include "resources/resource.h"

#include <cstring>
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

std::string ValueText(const nlohmann::ordered_json* value) {
    if (!value) return {};
    return value->is_string() ? value->get<std::string>() : value->dump();
}
}  // namespace

LoggedCall::LoggedCall(std::string text)
    : line(std::move(text)), json(nlohmann::ordered_json::parse(line, nullptr, false)) {}

std::string LoggedCall::Field(const char* name) const { return ValueText(Member(json, name)); }

bool LoggedCall::Is(const char* call, const char* method) const {
    return Field("call") == call && (!method || _stricmp(Field("method").c_str(), method) == 0);
}

bool LoggedCall::IsFetch() const {
    return Is("ExecMethod", "GetSummaryInformation") || Is("ExecMethod", "GetVirtualSystemThumbnailImage");
}

std::string LoggedCall::In(const char* parameter) const {
    const nlohmann::ordered_json* in = Member(json, "in");
    return in ? ValueText(Member(*in, parameter)) : std::string();
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
    app_.Kill();
    DeleteFileW(logPath_.c_str());
    DeleteFileW((dir_ + L"\\scenario.json").c_str());
    RemoveDirectoryW(dir_.c_str());
}

bool ConsoleSession::Start(const std::string& scenarioJson, const std::wstring& program) {
    if (scenarioJson.empty()) {
        SetEnvironmentVariableW(L"VUEMERE_SIM_SCENARIO", nullptr);
    } else {
        const std::wstring scenarioPath = dir_ + L"\\scenario.json";
        std::ofstream(scenarioPath.c_str(), std::ios::binary) << scenarioJson;
        SetEnvironmentVariableW(L"VUEMERE_SIM_SCENARIO", scenarioPath.c_str());
    }
    DeleteFileW(logPath_.c_str());
    SetEnvironmentVariableW(L"VUEMERE_SIM_LOG", logPath_.c_str());
    if (!(program.empty() ? app_.Start() : app_.StartProgram(program, L"", L"VUEMERE"))) {
        error_ = app_.Error();
        return false;
    }
    // Keep the real pointer off the window: a window appearing under it gets mouse messages,
    // and mouse messages ask for refreshes that the tests count.
    RECT frame{};
    GetWindowRect(Window(), &frame);
    SetCursorPos(frame.right + 10, frame.bottom + 10);
    return true;
}

std::vector<LoggedCall> ConsoleSession::Calls() const {
    std::vector<LoggedCall> calls;
    // The program keeps the log open for writing; share it.
    HANDLE file = CreateFileW(logPath_.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    int count = 0;
    for (const LoggedCall& call : Calls())
        if (call.IsFetch()) ++count;
    return count;
}

bool ConsoleSession::WaitForFetches(int count, DWORD timeoutMs) const {
    return uidriver::WaitUntil([&] { return CountFetches() > count; }, timeoutMs);
}

bool ConsoleSession::OpenMachine(const wchar_t* machine, const wchar_t* server) {
    using namespace uidriver;
    if (!Command(IDM_CONNECT)) return false;
    HWND dialog = WaitForDialog(L"Connect", Window(), ProcessId());
    if (!dialog) return false;
    int index = -1;
    const bool listed = SetItemText(dialog, IDC_CONNECT_SERVER, server) &&
                        Click(dialog, IDC_CONNECT_BUTTON) && WaitUntil([&] {
                            const auto items = ComboItems(dialog, IDC_CONNECT_MACHINES);
                            for (size_t i = 0; i < items.size(); ++i)
                                if (items[i] == machine) index = static_cast<int>(i);
                            return index >= 0;
                        });
    if (listed && SelectComboItem(dialog, IDC_CONNECT_MACHINES, index) &&
        WaitUntil([&] { return IsEnabled(dialog, IDC_CONNECT_OPEN); }) && Click(dialog, IDC_CONNECT_OPEN) &&
        WaitGone(dialog))
        return true;
    if (IsWindow(dialog)) Answer(dialog, IDCANCEL);
    return false;
}

std::vector<std::wstring> ConsoleSession::ListMachines(const wchar_t* server, std::wstring& errorText,
                                                       const wchar_t* user, const wchar_t* password) {
    using namespace uidriver;
    errorText.clear();
    std::vector<std::wstring> items;
    if (!Command(IDM_CONNECT)) return items;
    HWND dialog = WaitForDialog(L"Connect", Window(), ProcessId());
    if (!dialog) return items;
    SetItemText(dialog, IDC_CONNECT_SERVER, server);
    SetItemText(dialog, IDC_CONNECT_USER, user);
    SetItemText(dialog, IDC_CONNECT_PASSWORD, password);
    // The listing runs inside the button's handler: once the dialog has taken everything posted,
    // the list is filled or the error box is up.
    if (Click(dialog, IDC_CONNECT_BUTTON) && uidriver::Settle(dialog)) {
        HWND box = WaitForDialog(L"connect error", dialog, ProcessId(), 0);
        if (box) {
            MessageBoxInfo info;
            if (ReadMessageBox(box, info)) errorText = info.text;
            Answer(box, IDOK);
        } else {
            items = ComboItems(dialog, IDC_CONNECT_MACHINES);
        }
    }
    Answer(dialog, IDCANCEL);
    WaitGone(dialog);
    return items;
}

bool ConsoleSession::ApplySettings(const wchar_t* interval, const wchar_t* captureSize,
                                   const wchar_t* whiteFrame) {
    using namespace uidriver;
    if (!Command(IDM_SETTINGS)) return false;
    HWND dialog = WaitForDialog(L"setting", Window(), ProcessId());
    if (!dialog) return false;
    if (interval) SetItemText(dialog, IDC_SETTING_INTERVAL, interval);
    if (captureSize) SetItemText(dialog, IDC_SETTING_CAPTURE, captureSize);
    if (whiteFrame) SetItemText(dialog, IDC_SETTING_WHITE_FRAME, whiteFrame);
    if (!Click(dialog, IDOK)) return false;
    // Either the dialog closes, or the performance warning comes first.
    WaitUntil([&] {
        if (!IsWindow(dialog)) return true;
        HWND warning = WaitForDialog(L"setting", dialog, ProcessId(), 0);
        if (warning) Answer(warning, IDOK);
        return false;
    });
    if (!IsWindow(dialog)) return true;
    Answer(dialog, IDCANCEL);
    return false;
}

std::wstring ConsoleSession::AnswerMessageBox(const wchar_t* caption, bool& shown) const {
    uidriver::MessageBoxInfo box = uidriver::WaitForMessageBox(caption, Window(), ProcessId());
    shown = box.window != nullptr;
    if (shown) uidriver::Answer(box.window, IDOK);
    return box.text;
}

bool ConsoleSession::SetClientSize(int width, int height) const {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(Window(), GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrW(Window(), GWL_EXSTYLE)));
    if (!SetWindowPos(Window(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                      SWP_NOZORDER | SWP_NOACTIVATE))
        return false;
    return uidriver::WaitUntil([&] {
        RECT client{};
        GetClientRect(Window(), &client);
        return client.right == width && client.bottom == height;
    });
}
