// Reading and setting controls, clicking, keys, message boxes.
#include "uidriver.h"

#include <commctrl.h>

namespace uidriver {

namespace {

constexpr DWORD SendTimeoutMs = 10000;

// SendMessage that gives up on a hung or busy window instead of blocking the test.
bool SendTimeout(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, SendTimeoutMs, &answer))
        return false;
    result = static_cast<LRESULT>(answer);
    return true;
}

LRESULT SendOr(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT fallback) {
    LRESULT result = fallback;
    return SendTimeout(window, msg, wParam, lParam, result) ? result : fallback;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256];
    int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

INPUT KeyInput(UINT vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(vk);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return input;
}

bool SendKeyInput(HWND window, UINT vk, unsigned modifiers, DWORD timeoutMs) {
    if (!IsWindow(window)) return false;
    SetForegroundWindow(window);
    if (!WaitUntil([&] { return GetForegroundWindow() == window; }, timeoutMs)) return false;

    static const struct {
        unsigned flag;
        UINT vk;
    } modifierKeys[] = {{CtrlKey, VK_CONTROL}, {AltKey, VK_MENU}, {ShiftKey, VK_SHIFT}};
    std::vector<INPUT> inputs;
    for (const auto& m : modifierKeys)
        if (modifiers & m.flag) inputs.push_back(KeyInput(m.vk, true));
    inputs.push_back(KeyInput(vk, true));
    inputs.push_back(KeyInput(vk, false));
    for (auto m = std::rbegin(modifierKeys); m != std::rend(modifierKeys); ++m)
        if (modifiers & m->flag) inputs.push_back(KeyInput(m->vk, false));
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

}  // namespace

std::wstring Text(HWND window) {
    LRESULT length = SendOr(window, WM_GETTEXTLENGTH, 0, 0, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendOr(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 0);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? Text(item) : std::wstring();
}

bool SetItemText(HWND dialog, int id, const wchar_t* text) {
    HWND item = GetDlgItem(dialog, id);
    LRESULT result = FALSE;
    return item && SendTimeout(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), result) && result;
}

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    HWND combo = GetDlgItem(dialog, id);
    if (!combo) return items;
    LRESULT count = SendOr(combo, CB_GETCOUNT, 0, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendOr(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, CB_ERR);
        if (length < 0) break;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        LRESULT copied = SendOr(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(text.data()), CB_ERR);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        items.push_back(text);
    }
    return items;
}

bool SelectComboItem(HWND dialog, int id, int index) {
    HWND combo = GetDlgItem(dialog, id);
    LRESULT result = CB_ERR;
    if (!combo || !IsWindowEnabled(combo) ||
        !SendTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, result) || result != index)
        return false;
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

bool IsEnabled(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowEnabled(item);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return false;
    return PostMessageW(button, BM_CLICK, 0, 0);
}

bool PostCommand(HWND window, int id) {
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool SetClientSize(HWND window, int width, int height) {
    // The frame as the window has it now (its caption and menu bar at its own DPI); a menu bar
    // may wrap differently at the new width, so measure again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        RECT frame{}, client{};
        if (!GetWindowRect(window, &frame) || !GetClientRect(window, &client)) return false;
        if (!SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                          frame.bottom - frame.top + height - client.bottom, SWP_NOZORDER | SWP_NOACTIVATE))
            return false;
        if (WaitUntil([&] { return GetClientRect(window, &client) && client.right == width && client.bottom == height; },
                      attempt == 0 ? 2000 : DefaultTimeoutMs))
            return true;
    }
    return false;
}

bool PostKey(HWND window, UINT vk) {
    if (!window) return false;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    return PostMessageW(window, WM_KEYDOWN, vk, scan | 1) &&
           PostMessageW(window, WM_KEYUP, vk, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

bool PressCloseBox(HWND window) { return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool SendCharInput(HWND window, wchar_t ch, unsigned modifiers, DWORD timeoutMs) {
    SHORT scan = VkKeyScanW(ch);
    if (scan == -1) return false;
    unsigned needed = HIBYTE(scan);
    if (needed & 1) modifiers |= ShiftKey;
    if (needed & 2) modifiers |= CtrlKey;
    if (needed & 4) modifiers |= AltKey;
    return SendKeyInput(window, LOBYTE(scan), modifiers, timeoutMs);
}

bool ReadMessageBox(HWND box, MessageBoxInfo& info) {
    if (!IsWindow(box)) return false;
    info = MessageBoxInfo{};
    info.window = box;
    info.caption = Text(box);
    for (HWND child : Children(box)) {
        if (GetParent(child) != box || !IsWindowVisible(child)) continue;
        std::wstring className = ClassOf(child);
        LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (className == L"Static") {
            if ((style & SS_TYPEMASK) == SS_ICON)
                info.hasIcon = info.hasIcon || SendOr(child, STM_GETICON, 0, 0, 0) != 0;
            else if (info.text.empty())
                info.text = Text(child);
        } else if (className == L"Button") {
            DialogButton button;
            button.id = GetDlgCtrlID(child);
            button.text = Text(child);
            button.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            info.buttons.push_back(button);
        }
    }
    return true;
}

bool Answer(HWND box, int id, DWORD timeoutMs) {
    return Click(box, id) && WaitGone(box, timeoutMs);
}

}  // namespace uidriver

namespace uidriver {

namespace {

// A block of memory in the process that owns `window`, for messages whose parameters point.
class RemoteBlock {
public:
    RemoteBlock(HWND window, SIZE_T size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process_) at_ = static_cast<BYTE*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBlock() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    bool Ok() const { return at_ != nullptr; }
    BYTE* At(SIZE_T offset = 0) const { return at_ + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
        return offset + size <= size_ && WriteProcessMemory(process_, at_ + offset, data, size, nullptr);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const {
        return offset + size <= size_ && ReadProcessMemory(process_, at_ + offset, data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    BYTE* at_ = nullptr;
    SIZE_T size_;
};

constexpr SIZE_T TextOffset = 512, TextChars = 1024;

}  // namespace

std::vector<std::vector<std::wstring>> ListViewRows(HWND list, int columns) {
    std::vector<std::vector<std::wstring>> rows;
    RemoteBlock block(list, TextOffset + TextChars * sizeof(wchar_t));
    if (!block.Ok()) return rows;
    const LRESULT count = SendOr(list, LVM_GETITEMCOUNT, 0, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::vector<std::wstring>& row = rows.emplace_back();
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = reinterpret_cast<wchar_t*>(block.At(TextOffset));
            item.cchTextMax = static_cast<int>(TextChars);
            wchar_t text[TextChars] = L"";
            LRESULT length = 0;
            if (!block.Write(0, &item, sizeof item) ||
                !SendTimeout(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(block.At()), length) ||
                !block.Read(TextOffset, text, sizeof text))
                length = 0;
            text[TextChars - 1] = L'\0';
            row.push_back(length > 0 ? std::wstring(text) : std::wstring());
        }
    }
    return rows;
}

bool ListViewSelect(HWND list, const std::vector<int>& items) {
    RemoteBlock block(list, sizeof(LVITEMW));
    if (!block.Ok()) return false;
    auto set = [&](int index, UINT state, UINT mask) {
        LVITEMW item{};
        item.state = state;
        item.stateMask = mask;
        LRESULT done = 0;
        return block.Write(0, &item, sizeof item) &&
               SendTimeout(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(block.At()), done) && done;
    };
    if (!set(-1, 0, LVIS_SELECTED | LVIS_FOCUSED)) return false;
    for (size_t i = 0; i < items.size(); ++i)
        if (!set(items[i], LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0), LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0)))
            return false;
    return true;
}

bool ListViewImageRect(HWND list, int item, RECT& rect) {
    RemoteBlock block(list, sizeof(RECT));
    RECT asked{LVIR_ICON, 0, 0, 0};
    LRESULT done = 0;
    return block.Ok() && block.Write(0, &asked, sizeof asked) &&
           SendTimeout(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(block.At()), done) &&
           done && block.Read(0, &rect, sizeof rect);
}

}  // namespace uidriver
