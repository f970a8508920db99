#include "overview/overview_wnd.h"
#include "overview/tile_pixels.h"

#include <algorithm>
#include <cstring>

// The tiles: one image list at the view's size, one slot per machine, replaced in place when a
// picture or a state changed; every tile is drawn into one 32-bit bitmap first. A machine that
// shows no picture gets a plain tile naming its state; an action under way adds a band with its
// progress; a host that is not answering keeps its machines' last pictures, grey.

namespace {
constexpr COLORREF PlainTile = RGB(224, 224, 224);
constexpr COLORREF Band = RGB(48, 48, 48);
}  // namespace

void OverviewWnd::ResetTiles() {
    ReleaseTiles();
    freeSlots_.clear();
    for (const auto& host : hosts_)
        for (OverviewMachine& machine : host->machines) {
            machine.imageIndex = -1;
            machine.tileDirty = true;
            machine.picture.clear();  // of the old size
        }
    const TileSize size = TileSizeOf(view_);
    if (size.width == 0) {
        SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
        return;
    }
    images_ = ImageList_Create(size.width, size.height, ILC_COLOR32, 16, 16);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
    // Room for the label under each tile.
    SendMessageW(list_, LVM_SETICONSPACING, 0, MAKELPARAM(size.width + 16, size.height + 40));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;  // first row at the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    tileBitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    tileBits_ = static_cast<uint32_t*>(bits);
}

void OverviewWnd::ReleaseTiles() {
    // The list view does not own an image list it was given.
    if (list_ && IsWindow(list_)) SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    if (images_) ImageList_Destroy(images_);
    images_ = nullptr;
    if (tileBitmap_) DeleteObject(tileBitmap_);
    tileBitmap_ = nullptr;
    tileBits_ = nullptr;
}

void OverviewWnd::DrawDirtyTiles() {
    if (!images_ || !tileBits_) return;
    bool drawn = false;
    for (const auto& host : hosts_)
        for (OverviewMachine& machine : host->machines)
            if (machine.tileDirty && !machine.itemMissing) {
                DrawTile(*host, machine);
                drawn = true;
            }
    // One repaint of what is shown, double-buffered by the list view.
    if (drawn) InvalidateRect(list_, nullptr, FALSE);
}

void OverviewWnd::DrawTile(const OverviewHost& host, OverviewMachine& machine) {
    machine.tileDirty = false;
    const TileSize size = TileSizeOf(view_);
    RECT all{0, 0, size.width, size.height};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, tileBitmap_);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    GdiFlush();
    const bool picture = machine.pictureWidth == size.width && machine.pictureHeight == size.height &&
                         machine.picture.size() == static_cast<size_t>(size.width) * size.height * 2;
    if (picture) {
        ToTilePixels(machine.picture.data(), size.width, size.height, host.failed, tileBits_);
    } else {
        HBRUSH brush = CreateSolidBrush(PlainTile);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        TileState state = machine.tile;
        state.jobRunning = false;
        WideString text;
        BuildStateText(state, text);
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, text.c_str(), -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (machine.tile.jobRunning) {
        WideString progress;
        BuildStateText(machine.tile, progress);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        RECT band{0, size.height - metrics.tmHeight - 4, size.width, size.height};
        HBRUSH brush = CreateSolidBrush(Band);
        FillRect(dc, &band, brush);
        DeleteObject(brush);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, progress.c_str(), -1, &band, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    GdiFlush();
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    if (machine.imageIndex < 0 && !freeSlots_.empty()) {
        machine.imageIndex = freeSlots_.back();
        freeSlots_.pop_back();
    }
    if (machine.imageIndex >= 0)
        ImageList_Replace(images_, machine.imageIndex, tileBitmap_, nullptr);
    else
        machine.imageIndex = ImageList_Add(images_, tileBitmap_, nullptr);
}
