#include "overview/overview_wnd.h"
#include "console/main_wnd.h"
#include "console/window_dpi.h"
#include "dialogs/add_host_dlg.h"
#include "resources/resource.h"
#include "shell/app.h"

#include <algorithm>

// The overview's window: its list view, menus and commands, its items, and opening a machine in
// the console. Its tick is overview_tick.cpp; its tiles overview_tiles.cpp; its actions
// overview_actions.cpp.

namespace {

const wchar_t ClassName[] = L"VUEMERE_OVERVIEW";
const wchar_t Title[] = L"vuemere - Overview";
const wchar_t* const ColumnTitles[DetailsColumnCount] = {L"Name", L"Host", L"State", L"CPU", L"Memory", L"Uptime",
                                                         L"Heartbeat"};
// At 96 dots per inch; scaled to the window's monitor.
const int ColumnWidths[DetailsColumnCount] = {180, 140, 110, 60, 80, 90, 100};

const struct {
    int id;
    OverviewView view;
} ViewCommands[] = {{IDM_OV_LARGE_TILES, OverviewView::LargeTiles},
                    {IDM_OV_MEDIUM_TILES, OverviewView::MediumTiles},
                    {IDM_OV_SMALL_TILES, OverviewView::SmallTiles},
                    {IDM_OV_DETAILS, OverviewView::Details}};

bool RegisterOverviewClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = BaseWnd::WndProc;
    wc.hInstance = AppInstance();
    wc.hIcon = LoadIconW(AppInstance(), MAKEINTRESOURCEW(IDI_VUEMERE));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_OVERVIEW);
    wc.lpszClassName = ClassName;
    wc.hIconSm = static_cast<HICON>(LoadImageW(AppInstance(), MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR | LR_SHARED));
    registered = RegisterClassExW(&wc) != 0;
    return registered;
}

// The console menu's "&Action" popup, copied item by item (ids and texts as they stand there)
// to the end of `target`; the overview's actions are the console's.
void AppendConsoleActions(HMENU target, bool asPopup) {
    HMENU console = LoadMenuW(AppInstance(), MAKEINTRESOURCEW(IDC_VUEMERE));
    if (!console) return;
    for (int i = 0, count = GetMenuItemCount(console); i < count; ++i) {
        HMENU popup = GetSubMenu(console, i);
        if (!popup || GetMenuState(popup, IDM_ACTION_START, MF_BYCOMMAND) == static_cast<UINT>(-1)) continue;
        HMENU into = asPopup ? CreatePopupMenu() : target;
        for (int k = 0, items = GetMenuItemCount(popup); k < items; ++k) {
            wchar_t text[128] = L"";
            const UINT id = GetMenuItemID(popup, k);
            GetMenuStringW(popup, static_cast<UINT>(k), text, 128, MF_BYPOSITION);
            if (GetMenuState(popup, static_cast<UINT>(k), MF_BYPOSITION) & MF_SEPARATOR)
                AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuW(into, MF_STRING, id, text);
        }
        if (asPopup) {
            wchar_t title[64] = L"";
            GetMenuStringW(console, static_cast<UINT>(i), title, 64, MF_BYPOSITION);
            AppendMenuW(target, MF_POPUP, reinterpret_cast<UINT_PTR>(into), title);
        }
        break;
    }
    DestroyMenu(console);
}

}  // namespace

OverviewWnd::~OverviewWnd() { ReleaseTiles(); }

void OverviewWnd::Open(const std::vector<WideString>& servers) {
    const bool fresh = !hwnd || !IsWindow(hwnd);
    if (fresh && !CreateOverviewWindow()) return;
    if (fresh && console_.conn.services) {
        auto host = std::make_unique<OverviewHost>();
        host->server = console_.server;
        host->conn.credentials.CopyFrom(console_.conn.credentials);
        AddServerHosts(std::move(host));
    }
    for (const WideString& server : servers) {
        if (ShownHost(server.c_str())) continue;
        auto host = std::make_unique<OverviewHost>();
        host->server = server;
        host->conn.SetCredentials(L"", L"");
        AddServerHosts(std::move(host));
    }
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
    PostMessageW(hwnd, WM_TIMER, OverviewTimerId, 0);  // the first tick at once
}

bool OverviewWnd::CreateOverviewWindow() {
    if (!RegisterOverviewClass()) return false;
    hwnd = nullptr;
    HWND created = CreateWindowExW(0, ClassName, Title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 760, 560,
                                   nullptr, nullptr, AppInstance(), this);
    if (!created) return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    return true;
}

LRESULT OverviewWnd::HandleMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SIZE:
        if (list_) MoveWindow(list_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (list_) SetFocus(list_);
        return 0;
    case WM_TIMER:
        if (wParam == OverviewTimerId) OnTick();
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam))) return 0;
        break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void OverviewWnd::OnCreate() {
    AppendConsoleActions(GetMenu(hwnd), true);
    DrawMenuBar(hwnd);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE,
                            0, 0, 0, 0, hwnd, nullptr, AppInstance(), nullptr);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER | LVS_EX_FULLROWSELECT,
                 LVS_EX_DOUBLEBUFFER | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < DetailsColumnCount; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = i >= static_cast<int>(DetailsColumn::Cpu) ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = MulDiv(ColumnWidths[i], static_cast<int>(WindowDpi(hwnd)), USER_DEFAULT_SCREEN_DPI);
        column.pszText = const_cast<wchar_t*>(ColumnTitles[i]);
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    view_ = OverviewView::MediumTiles;
    ResetTiles();
    RECT client{};
    GetClientRect(hwnd, &client);
    MoveWindow(list_, 0, 0, client.right, client.bottom, FALSE);
    SetTimer(hwnd, OverviewTimerId, OverviewTickMs, nullptr);
}

void OverviewWnd::OnDestroy() {
    KillTimer(hwnd, OverviewTimerId);
    // Hosts are kept for the window's life only; their logons (passwords wiped) go with them.
    hosts_.clear();
    batch_.clear();
    batchRunning_ = false;
    list_ = nullptr;
    ReleaseTiles();
}

OverviewHost& OverviewWnd::AddHost(std::unique_ptr<OverviewHost> host) {
    host->serial = ++nextSerial_;
    if (host->caption.Empty()) host->caption = host->server;
    host->groupId = static_cast<int>(host->serial);
    LVGROUP group{};
    group.cbSize = sizeof(group);
    group.mask = LVGF_HEADER | LVGF_GROUPID;
    group.pszHeader = host->caption.Data();
    group.iGroupId = host->groupId;
    SendMessageW(list_, LVM_INSERTGROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&group));
    hosts_.push_back(std::move(host));
    // Groups say which host a tile belongs to once there is more than one.
    SendMessageW(list_, LVM_ENABLEGROUPVIEW, hosts_.size() > 1 && view_ != OverviewView::Details, 0);
    return *hosts_.back();
}

void OverviewWnd::AddServerHosts(std::unique_ptr<OverviewHost> host) {
    std::vector<std::unique_ptr<OverviewHost>> nodes = ClusterNodeHosts(*host);
    if (nodes.empty()) {
        AddHost(std::move(host));
        return;
    }
    for (auto& node : nodes)
        if (!ShownHost(node->server.c_str())) AddHost(std::move(node));
}

OverviewHost* OverviewWnd::ShownHost(const wchar_t* server) {
    for (const auto& host : hosts_)
        if (SameServer(host->server.c_str(), server)) return host.get();
    return nullptr;
}

void OverviewWnd::RelistCluster(const WideString& cluster) {
    for (const auto& host : hosts_)
        if (!cluster.Empty() && host->cluster == cluster) host->listed = false;
}

OverviewHost* OverviewWnd::FindHost(uint32_t serial) {
    for (const auto& host : hosts_)
        if (host->serial == serial) return host.get();
    return nullptr;
}

OverviewMachine* OverviewWnd::MachineOf(LPARAM key, OverviewHost** owner) {
    for (const auto& host : hosts_)
        for (OverviewMachine& machine : host->machines)
            if (machine.key == key) {
                if (owner) *owner = host.get();
                return &machine;
            }
    return nullptr;
}

int OverviewWnd::ItemOf(LPARAM key) const {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = key;
    return static_cast<int>(SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

std::vector<LPARAM> OverviewWnd::SelectedKeys() const {
    std::vector<LPARAM> keys;
    for (int i = -1; (i = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) keys.push_back(item.lParam);
    }
    return keys;
}

bool OverviewWnd::SyncItems(OverviewHost& host, const std::vector<RemovedMachine>& removed) {
    for (const RemovedMachine& gone : removed) {
        const int item = ItemOf(gone.key);
        if (item >= 0) SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(item), 0);
        if (gone.imageIndex >= 0) freeSlots_.push_back(gone.imageIndex);
    }
    bool added = false;
    for (OverviewMachine& machine : host.machines) {
        LVITEMW item{};
        item.pszText = machine.name.Data();
        if (machine.itemMissing) {
            item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE | LVIF_GROUPID;
            item.iItem = INT32_MAX;
            item.lParam = machine.key;
            item.iImage = I_IMAGECALLBACK;
            item.iGroupId = host.groupId;
            machine.itemMissing = SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0;
            added = true;
        } else if (machine.renamed) {
            item.iItem = ItemOf(machine.key);
            if (item.iItem >= 0) SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(item.iItem), reinterpret_cast<LPARAM>(&item));
        }
        machine.renamed = false;
    }
    if (added || !removed.empty()) Sort();
    return added || !removed.empty();
}

void OverviewWnd::ShowHostHeader(const OverviewHost& host) {
    WideString header(host.caption);
    if (host.failed) BuildHostFailureText(host.caption.c_str(), static_cast<uint32_t>(host.failure), header);
    LVGROUP group{};
    group.cbSize = sizeof(group);
    group.mask = LVGF_HEADER;
    group.pszHeader = header.Data();
    SendMessageW(list_, LVM_SETGROUPINFO, static_cast<WPARAM>(host.groupId), reinterpret_cast<LPARAM>(&group));
    // The Host column says it too: it shows wherever groups do not.
    InvalidateRect(list_, nullptr, FALSE);
}

void OverviewWnd::Sort() {
    struct Context {
        OverviewWnd* self;
        WideString a, b;
    } context{this, {}, {}};
    SendMessageW(list_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
                 reinterpret_cast<LPARAM>(+[](LPARAM left, LPARAM right, LPARAM param) -> int {
                     Context& c = *reinterpret_cast<Context*>(param);
                     OverviewHost *hostA = nullptr, *hostB = nullptr;
                     const OverviewMachine* a = c.self->MachineOf(left, &hostA);
                     const OverviewMachine* b = c.self->MachineOf(right, &hostB);
                     if (!a || !b) return a ? -1 : b ? 1 : 0;
                     BuildStateText(a->tile, c.a);
                     BuildStateText(b->tile, c.b);
                     auto row = [](const OverviewMachine& m, const OverviewHost& h, const WideString& state) {
                         return DetailsRow{m.name.c_str(), m.id.c_str(), static_cast<int32_t>(h.serial), state.c_str(),
                                           m.hasCpu, m.hasMemory, m.hasUptime, m.hasHeartbeat, m.cpu, m.memory,
                                           m.uptime, m.heartbeat};
                     };
                     return CompareDetailsRows(row(*a, *hostA, c.a), row(*b, *hostB, c.b), c.self->sortColumn_,
                                               c.self->sortDescending_);
                 }));
}

void OverviewWnd::GetDisplayInfo(NMLVDISPINFOW& info) {
    OverviewHost* host = nullptr;
    OverviewMachine* machine = MachineOf(info.item.lParam, &host);
    if (!machine) return;
    if (info.item.mask & LVIF_IMAGE) info.item.iImage = machine->imageIndex;
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
    WideString text;
    switch (static_cast<DetailsColumn>(info.item.iSubItem)) {
    case DetailsColumn::Name: text = machine->name; break;
    case DetailsColumn::Host:
        if (host->failed)
            BuildHostFailureText(host->caption.c_str(), static_cast<uint32_t>(host->failure), text);
        else
            text = host->caption;
        break;
    case DetailsColumn::State: BuildStateText(machine->tile, text); break;
    case DetailsColumn::Cpu: if (machine->hasCpu) BuildCpuText(machine->cpu, text); break;
    case DetailsColumn::Memory: if (machine->hasMemory) BuildMemoryText(machine->memory, text); break;
    case DetailsColumn::Uptime: if (machine->hasUptime) BuildUptimeText(machine->uptime, text); break;
    case DetailsColumn::Heartbeat: if (machine->hasHeartbeat) BuildHeartbeatText(machine->heartbeat, text); break;
    }
    lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
}

LRESULT OverviewWnd::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != list_) return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        GetDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case LVN_ITEMACTIVATE:  // a double click, or Enter
        OpenSelected();
        return 0;
    case LVN_COLUMNCLICK: {
        const auto column = static_cast<DetailsColumn>(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        sortDescending_ = column == sortColumn_ && !sortDescending_;
        sortColumn_ = column;
        Sort();
        return 0;
    }
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_F5) Refresh();
        return 0;
    }
    return 0;
}

void OverviewWnd::OnContextMenu(LPARAM lParam) {
    if (SelectedKeys().empty()) return;
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {
        // From the keyboard (Shift+F10, the Application key): at the focused item.
        RECT rect{};
        const int focused = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        rect.left = LVIR_ICON;
        if (focused < 0 || !SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&rect)))
            rect = RECT{0, 0, 0, 0};
        at = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(list_, &at);
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, IDM_OV_OPEN, L"&Open");
    SetMenuDefaultItem(menu, IDM_OV_OPEN, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendConsoleActions(menu, false);
    EnableActions(menu);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
    DestroyMenu(menu);
}

void OverviewWnd::OnInitMenuPopup(HMENU popup) {
    EnableActions(popup);
    for (const auto& command : ViewCommands)
        if (GetMenuState(popup, static_cast<UINT>(command.id), MF_BYCOMMAND) != static_cast<UINT>(-1))
            CheckMenuRadioItem(popup, IDM_OV_LARGE_TILES, IDM_OV_DETAILS,
                               static_cast<UINT>(ViewCommands[static_cast<int>(view_)].id), MF_BYCOMMAND);
    const bool any = !SelectedKeys().empty();
    EnableMenuItem(popup, IDM_OV_REMOVE_HOST, MF_BYCOMMAND | (any ? MF_ENABLED : MF_GRAYED));
}

bool OverviewWnd::OnCommand(int id) {
    for (const auto& command : ViewCommands)
        if (command.id == id) {
            SetView(command.view);
            return true;
        }
    switch (id) {
    case IDM_OV_ADD_HOST: OnAddHost(); return true;
    case IDM_OV_REMOVE_HOST: OnRemoveHost(); return true;
    case IDM_OV_REFRESH: Refresh(); return true;
    case IDM_OV_CLOSE: DestroyWindow(hwnd); return true;
    case IDM_OV_OPEN: OpenSelected(); return true;
    default: return OnActionCommand(id);
    }
}

void OverviewWnd::SetView(OverviewView view) {
    if (view == view_) return;
    view_ = view;
    const DWORD style = view == OverviewView::Details ? LVS_REPORT : LVS_ICON;
    SetWindowLongPtrW(list_, GWL_STYLE, (GetWindowLongPtrW(list_, GWL_STYLE) & ~LVS_TYPEMASK) | style);
    SendMessageW(list_, LVM_ENABLEGROUPVIEW, hosts_.size() > 1 && view != OverviewView::Details, 0);
    ResetTiles();
    // Wine's list view does not erase what the old view drew.
    InvalidateRect(list_, nullptr, TRUE);
    PostMessageW(hwnd, WM_TIMER, OverviewTimerId, 0);  // the pictures of the new size at once
}

void OverviewWnd::OpenSelected() {
    int item = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
    if (item < 0) item = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (item < 0) return;
    LVITEMW lv{};
    lv.mask = LVIF_PARAM;
    lv.iItem = item;
    OverviewHost* host = nullptr;
    OverviewMachine* machine = SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv)) ? MachineOf(lv.lParam, &host)
                                                                                                 : nullptr;
    if (!machine) return;
    // Copies: the console's connect runs message loops (its boxes) in which a tick may change the list.
    const WideString server(host->server), user(host->conn.credentials.userName), name(machine->name), id(machine->id);
    WideString password;
    host->conn.credentials.password.Reveal(password);
    SetForegroundWindow(console_.hwnd);
    console_.OpenFromOverview(server.c_str(), user.c_str(), password.c_str(), name.c_str(), id.c_str());
    password.Wipe();
}

void OverviewWnd::OnAddHost() {
    AddHostDlg dialog;
    std::unique_ptr<OverviewHost> tried;
    OverviewHost* shown = nullptr;
    dialog.tryHost = [&](const WideString& server, const WideString& user, const WideString& password,
                         WideString& errorText) -> HRESULT {
        shown = ShownHost(server.c_str());
        if (shown) return 0;
        tried = std::make_unique<OverviewHost>();
        tried->server = server;
        tried->conn.SetCredentials(user.c_str(), password.c_str());
        return ConnectHost(*tried, errorText);
    };
    if (dialog.RunModal(AppInstance(), IDD_ADD_HOST, hwnd) != IDOK) return;
    if (shown) {
        // Already shown: its machines are selected, as its group would be.
        for (int i = -1; (i = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_ALL))) >= 0;) {
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = i;
            OverviewHost* owner = nullptr;
            SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            const bool mine = MachineOf(item.lParam, &owner) && owner == shown;
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED;
            state.state = mine ? LVIS_SELECTED : 0;
            SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&state));
        }
        return;
    }
    if (!tried) return;
    AddServerHosts(std::move(tried));  // with the connection that answered in the dialog
    PostMessageW(hwnd, WM_TIMER, OverviewTimerId, 0);
}

void OverviewWnd::OnRemoveHost() {
    std::vector<uint32_t> serials;
    for (LPARAM key : SelectedKeys()) {
        OverviewHost* host = nullptr;
        if (MachineOf(key, &host) && std::find(serials.begin(), serials.end(), host->serial) == serials.end())
            serials.push_back(host->serial);
    }
    for (uint32_t serial : serials) {
        OverviewHost* host = FindHost(serial);
        std::vector<RemovedMachine> removed;
        for (const OverviewMachine& machine : host->machines) removed.push_back({machine.key, machine.imageIndex});
        host->machines.clear();
        SyncItems(*host, removed);
        SendMessageW(list_, LVM_REMOVEGROUP, static_cast<WPARAM>(host->groupId), 0);
        hosts_.erase(std::find_if(hosts_.begin(), hosts_.end(), [&](const auto& h) { return h->serial == serial; }));
    }
    SendMessageW(list_, LVM_ENABLEGROUPVIEW, hosts_.size() > 1 && view_ != OverviewView::Details, 0);
}

void OverviewWnd::Refresh() {
    // Every host asked at once: the failed ones tried again, every listing read again.
    for (const auto& host : hosts_) {
        host->listed = false;
        if (host->failed) host->failedAt = GetTickCount() - HostRetryMs;
    }
    PostMessageW(hwnd, WM_TIMER, OverviewTimerId, 0);
}
