#include "robust_run.h"
#include "console/paint_geometry.h"
#include "resources/resource.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int ClientWidth = 420, ClientHeight = 320;
constexpr int WhiteFrame = 15;  // the default setting, never changed here

bool Near(uint32_t rgb, uint32_t wanted) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((rgb >> shift) & 0xFF), b = static_cast<int>((wanted >> shift) & 0xFF);
        if (std::abs(a - b) > 16) return false;
    }
    return true;
}

// The bounding box of the pixels that differ from the background (the client's top-left pixel).
RECT Drawn(const uidriver::Pixels& pixels) {
    const uint32_t background = pixels.At(0, 0);
    RECT box{pixels.width, pixels.height, 0, 0};
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.At(x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

std::string Describe(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}
}  // namespace

RobustRun::~RobustRun() {
    if (process_) CloseHandle(process_);
}

bool RobustRun::Start(const std::string& scenarioJson) {
    if (!session_.Start(scenarioJson)) return false;
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, session_.ProcessId());
    // The display's real pointer is parked away from the window: its own moves would mix with the
    // posted ones that relative mode turns into deltas.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5);
    return process_ && session_.SetClientSize(ClientWidth, ClientHeight) && Settle();
}

bool RobustRun::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(session_.Window(), msg, wParam, lParam) != FALSE;
}

bool RobustRun::Command(int id) { return session_.Command(id) && Settle(); }

bool RobustRun::Settle() {
    // A box can follow a box (Settings reports two failures one after the other).
    for (int round = 0; round < 16; ++round) {
        if (!session_.Running() || !session_.Settle()) return false;
        bool answered = false;
        for (HWND box : uidriver::Dialogs(session_.ProcessId())) {
            if (std::find(knownDialogs_.begin(), knownDialogs_.end(), box) != knownDialogs_.end()) continue;
            uidriver::MessageBoxInfo info;
            if (!uidriver::ReadMessageBox(box, info)) continue;
            boxes_.push_back(ShownBox{info.caption, info.text});
            if (!uidriver::Answer(box, IDOK)) return false;
            answered = true;
        }
        if (!answered) return true;
    }
    return false;
}

bool RobustRun::Connect(const wchar_t* machine, bool& opened, const wchar_t* server) {
    using namespace uidriver;
    opened = false;
    if (!session_.Command(IDM_CONNECT)) return false;
    HWND dialog = WaitForDialog(L"Connect", session_.Window(), session_.ProcessId());
    if (!dialog) return false;
    knownDialogs_.assign(1, dialog);
    if (!SetItemText(dialog, IDC_CONNECT_SERVER, server) || !Click(dialog, IDC_CONNECT_BUTTON) ||
        !Settle())
        return false;
    int index = -1;
    const std::vector<std::wstring> items = ComboItems(dialog, IDC_CONNECT_MACHINES);
    for (size_t i = 0; i < items.size(); ++i)
        if (machine && items[i] == machine) index = static_cast<int>(i);
    bool ended = false;
    if (index >= 0) {
        ended = SelectComboItem(dialog, IDC_CONNECT_MACHINES, index) &&
                WaitUntil([&] { return IsEnabled(dialog, IDC_CONNECT_OPEN); }) && Click(dialog, IDC_CONNECT_OPEN) &&
                WaitGone(dialog);
        opened = ended;
    } else {
        ended = Click(dialog, IDCANCEL) && WaitGone(dialog);
    }
    knownDialogs_.clear();
    return ended && Settle();
}

bool RobustRun::SetCaptureSize(const wchar_t* captureSize) {
    return session_.ApplySettings(nullptr, captureSize) && Settle();
}

bool RobustRun::Refresh() { return Post(WM_TIMER, 1, 0) && Settle(); }

RECT RobustRun::ImageCentre() const {
    return RECT{ClientWidth / 2, ClientHeight / 2, ClientWidth / 2 + 1, ClientHeight / 2 + 1};
}

bool RobustRun::AbsoluteInput() {
    const RECT c = ImageCentre();
    bool ok = Post(WM_MOUSEMOVE, 0, MAKELPARAM(c.left, c.top)) &&
              Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.left, c.top)) &&
              Post(WM_LBUTTONUP, 0, MAKELPARAM(c.left, c.top)) && Post(WM_KEYDOWN, 'A', 1) &&
              Post(WM_KEYUP, 'A', 0xC0000001) && Settle();
    // The Keyboard menu by its mnemonic: WM_INITMENUPOPUP asks the guest for the modifier keys
    // before the popup shows.
    ok = ok && Post(WM_SYSCOMMAND, SC_KEYMENU, 'k');
    uidriver::WaitUntil([] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    });
    ok = ok && Post(WM_CANCELMODE, 0, 0) && uidriver::WaitUntil([] {
             HWND menu = FindWindowW(L"#32768", nullptr);
             return !menu || !IsWindowVisible(menu);
         });
    ok = ok && Settle() && Command(IDM_SHIFT) && Command(IDM_SHIFT) && Command(IDM_CTRL_ALT_DEL) &&
         Command(IDM_TYPE_CLIPBOARD);
    return ok && Command(IDM_KANJI);
}

bool RobustRun::RelativeInput() {
    const RECT c = ImageCentre();
    return Post(WM_MOUSEMOVE, 0, MAKELPARAM(c.left, c.top)) &&
           Post(WM_MOUSEMOVE, 0, MAKELPARAM(c.left + 40, c.top + 10)) &&
           Post(WM_MOUSEMOVE, 0, MAKELPARAM(c.left - 60, c.top - 20)) &&
           Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.left, c.top)) &&
           Post(WM_LBUTTONUP, 0, MAKELPARAM(c.left, c.top)) && Settle();
}

bool RobustRun::FullSizeRefresh() { return Command(IDM_REFRESH_FULL_SIZE); }

bool RobustRun::Disconnect() { return Command(IDM_DISCONNECT); }

bool RobustRun::Shows(Picture expected, int guestWidth, int guestHeight, bool corners, std::string& why) {
    if (expected == Picture::Unchecked) return true;
    PaintRect dest{};
    PlaceImage(FrameArea(PaintRect{0, 0, ClientWidth, ClientHeight}, WhiteFrame), guestWidth, guestHeight, 1, 2, dest);
    const RECT place{dest.left, dest.top, dest.right, dest.bottom};
    // The window paints once its queue is empty; give it a moment, and ticks may repaint meanwhile.
    const bool shown = uidriver::WaitUntil(
        [&] {
            uidriver::Pixels pixels;
            if (!uidriver::CaptureClient(session_.Window(), pixels)) {
                why = "cannot capture the window";
                return false;
            }
            const RECT box = Drawn(pixels);
            if (box.right <= box.left) {
                why = "nothing drawn";
                return false;
            }
            if (expected == Picture::NoImageText) {
                const int dx = (box.left + box.right) - pixels.width, dy = (box.top + box.bottom) - pixels.height;
                const bool text = box.bottom - box.top < 40 && box.right - box.left < pixels.width - 2 * WhiteFrame &&
                                  std::abs(dx) <= 4 && std::abs(dy) <= 4;
                why = "drawn " + Describe(box) + ", not the centred line of text";
                return text;
            }
            if (box.left < place.left || box.top < place.top || box.right > place.right || box.bottom > place.bottom) {
                why = "drawn " + Describe(box) + " outside the image's place " + Describe(place);
                return false;
            }
            const int l = place.left + 2, t = place.top + 2, r = place.right - 3, b = place.bottom - 3;
            bool marks = Near(pixels.At(l, t), 0xFF0000);
            if (corners)
                marks = marks && Near(pixels.At(r, t), 0x00FF00) && Near(pixels.At(l, b), 0x0000FF) &&
                        Near(pixels.At(r, b), 0xFFFFFF);
            why = "the guest's corner marks are not at the corners of " + Describe(place);
            return marks;
        },
        3000);
    if (shown) why.clear();
    return shown;
}

bool RobustRun::Exit(long& liveObjects) {
    liveObjects = -1;
    if (!session_.Command(IDM_EXIT)) return false;
    const bool ended = WaitForSingleObject(process_, 20000) == WAIT_OBJECT_0;
    DWORD exitCode = 1;
    if (ended) GetExitCodeProcess(process_, &exitCode);
    const std::vector<LoggedCall> calls = session_.Calls();
    if (!calls.empty() && calls.back().Is("Exit")) liveObjects = std::stol(calls.back().Field("liveObjects"));
    return ended && exitCode == 0;
}

int RobustRun::CountLogged(const std::string& call, const std::string& hr, const std::string& method,
                           const std::string& property) const {
    int count = 0;
    for (const LoggedCall& logged : session_.Calls()) {
        if (logged.Field("call") != call || _stricmp(logged.Field("hr").c_str(), hr.c_str()) != 0) continue;
        if (!method.empty() && _stricmp(logged.Field("method").c_str(), method.c_str()) != 0) continue;
        if (!property.empty() && _stricmp(logged.Field("property").c_str(), property.c_str()) != 0) continue;
        ++count;
    }
    return count;
}

long long RobustRun::PrivateBytes() const {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
        return -1;
    return static_cast<long long>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage);
}
