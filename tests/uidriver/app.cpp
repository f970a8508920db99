// Starting a program, finding its window, waiting for its end.
#include "uidriver.h"

namespace uidriver {

namespace {

HWND ProcessWindow(const wchar_t* windowClass, DWORD processId) {
    struct Search {
        const wchar_t* windowClass;
        DWORD processId;
        HWND found;
    } search{windowClass, processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            wchar_t name[256];
            if (pid == s.processId && IsWindowVisible(window) && GetClassNameW(window, name, 256) &&
                std::wstring(name) == s.windowClass) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::wstring BinDir() {
    wchar_t buffer[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableW(L"VUEMERE_BIN_DIR", buffer, MAX_PATH * 2);
    if (length > 0 && length < MAX_PATH * 2) return std::wstring(buffer, length);
    length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
    std::wstring path(buffer, length);
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring BinPath(const wchar_t* fileName) { return BinDir() + L"\\" + fileName; }

App::~App() {
    Close();
    if (process_) CloseHandle(process_);
}

bool App::Start(const wchar_t* arguments, DWORD timeoutMs) {
    return StartProgram(BinPath(L"vuemere.exe"), arguments, L"VUEMERE", timeoutMs);
}

bool App::StartProgram(const std::wstring& path, const wchar_t* arguments, const wchar_t* windowClass,
                       DWORD timeoutMs) {
    if (process_) {
        error_ = L"a program was already started by this object";
        return false;
    }
    std::wstring commandLine = L"\"" + path + L"\"";
    if (arguments && *arguments) commandLine += std::wstring(L" ") + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring directory = BinDir();
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info)) {
        error_ = L"cannot start " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;

    bool exited = false;
    WaitUntil(
        [&] {
            window_ = ProcessWindow(windowClass, processId_);
            exited = !window_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
            return window_ != nullptr || exited;
        },
        timeoutMs);
    if (window_) return true;
    error_ = exited ? L"the program ended before it showed a window"
                    : L"no window of class " + std::wstring(windowClass) + L" appeared in time";
    return false;
}

bool App::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool App::WaitExit(DWORD& exitCode, DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return false;
    exitCode = code;
    return true;
}

void App::Close() {
    if (!Running()) return;
    if (IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, CloseTimeoutMs) != WAIT_OBJECT_0) Kill();
}

void App::Kill() {
    if (!Running()) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, DefaultTimeoutMs);
}

}  // namespace uidriver
