#include "console/main_wnd.h"
#include "console/paint_geometry.h"
#include "console/window_dpi.h"
#include "resources/resource.h"
#include "shell/app.h"

#include <algorithm>

// The refresh timer, painting of the guest's screen, and the class cursor over the image.

namespace {
constexpr UINT_PTR RefreshTimer = 1;

// Whether conn.image can be shown: a machine is open, the image has bytes covering its declared
// size, and the guest has a size to scale by. Anything else paints as "no image".
bool ImageShowable(const MainWnd& window, DibLayout& layout) {
    if (!window.ImageAvailable()) return false;
    const VmConn& conn = window.conn;
    if (conn.guestWidth <= 0 || conn.guestHeight <= 0) return false;
    layout = PlanDib(conn.image.byteCount, conn.image.header.biWidth, conn.image.header.biHeight);
    return layout.usable;
}

PaintRect ToPaintRect(const RECT& r) { return PaintRect{r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const PaintRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
}  // namespace

HRESULT MainWnd::FetchImage(WideString& errorText, float scale, int32_t width, int32_t height) {
    const HRESULT result = conn.GetThumbnail(errorText, scale, width, height);
    // The host sends rows of width x 2 bytes; a bitmap needs them padded to 4. Copy once here
    // rather than on every paint.
    const DibLayout layout =
        PlanDib(conn.image.byteCount, conn.image.header.biWidth, conn.image.header.biHeight);
    if (layout.usable && layout.repack) {
        paddedPixels.Reserve(layout.imageBytes);
        RepackRows(conn.image.pixels.Data(), paddedPixels.Data(), layout,
                   conn.image.header.biHeight);
    }
    return result;
}

bool MainWnd::FetchTickImage(int32_t guestWidth, int32_t guestHeight) {
    const LONG oldWidth = conn.image.header.biWidth;
    const LONG oldHeight = conn.image.header.biHeight;
    DibLayout layout;
    const bool wasShowable = ImageShowable(*this, layout);
    tickErrorText.Clear();
    FetchImage(tickErrorText, setting.scale, setting.width, setting.height);  // silent
    if (IsConnectionLost(static_cast<uint32_t>(conn.lastFetchResult))) {
        LoseConnection();
        return true;
    }
    WatchImages();
    // A reply without image data keeps the header's size; without erasing, the last picture
    // would stay on screen around "console image is not available.", and that text around a
    // picture that comes back. A guest screen of another size is placed anew.
    return conn.image.header.biWidth != oldWidth || conn.image.header.biHeight != oldHeight ||
           conn.guestWidth != guestWidth || conn.guestHeight != guestHeight ||
           ImageShowable(*this, layout) != wasShowable;
}

LRESULT MainWnd::OnTimer(WPARAM timerIdParam) {
    if (timerIdParam != RefreshTimer) return 0;
    // During the hold after a full-size refresh, ticks and refresh requests do nothing.
    if (holdUntilTick != 0 && holdUntilTick > GetTickCount()) return 0;
    holdUntilTick = 0;

    bool erase = false;
    if (MachineOpen() && !link.Live()) {
        // Ticks that come early in the back-off only repaint its countdown; half an interval of
        // slack (half a second at most: a long interval's refresh requests must not run ahead of
        // the back-off) keeps a try from slipping to the tick after the one it was meant for.
        const uint32_t slack = std::min<uint32_t>(static_cast<uint32_t>(setting.interval) / 2, 500);
        if (link.Due(GetTickCount() + slack)) {
            if (status.moving)
                TryMove();
            else
                TryReconnect();
        }
        erase = true;  // the line under the no-image text counts down
    } else if (MachineOpen()) {
        const int32_t guestWidth = conn.guestWidth, guestHeight = conn.guestHeight;
        const bool stateRead = FollowMachine();
        // A clustered machine's state on every tick (once): it says when a live migration runs,
        // and when the machine has left its node.
        if (vmClustered && !stateRead && link.Live() && !status.moving) {
            ReadState();
            ShowStatusTitle();
        }
        if (link.Live() && !status.moving) FollowBoot();
        if (link.Live() && !status.moving) erase = FetchTickImage(guestWidth, guestHeight);
    }
    InvalidateRect(hwnd, nullptr, erase ? TRUE : FALSE);
    UpdateCursor();

    // A tick or request that queued up while the fetch blocked would fetch again at once.
    MSG queued;
    PeekMessageW(&queued, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
    return 0;
}

LRESULT MainWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    const PaintRect area = FrameArea(ToPaintRect(client), setting.whiteFrame);

    DibLayout layout;
    PaintRect dest;
    if (ImageShowable(*this, layout) &&
        PlaceImage(area, conn.guestWidth, conn.guestHeight, setting.smallThumbnail,
                   setting.largeThumbnail, dest)) {
        imageRect = ToRect(dest);
        const GuestImage& image = conn.image;
        const void* bits = image.pixels.Data();
        BitmapInfo565 info = image.bitmapInfo;
        if (layout.repack) {
            bits = paddedPixels.Data();
            info.header.biSizeImage = layout.imageBytes;
        }
        // The header says bottom row first, the host sends the top row first: a negative
        // destination height turns the picture over. A mirrored blit covers the rows from its
        // origin up to, not including, origin + height, so the origin is the last row of dest.
        StretchDIBits(dc, dest.left, dest.bottom - 1, dest.right - dest.left, dest.top - dest.bottom,
                      0, 0, image.header.biWidth, image.header.biHeight, bits,
                      reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    } else {
        RECT textArea = ToRect(area);
        DpiFontScope font(dc, dpi);
        DrawTextW(dc, L"console image is not available.", -1, &textArea,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        PaintStatusLine(dc, textArea);
        PaintFullScreenHint(dc, textArea);
        // Without an image the pointer cannot be mapped; the mouse devices are looked up again
        // by Connect, Settings or a full-size refresh.
        conn.syntheticMouse.Reset(nullptr);
        conn.ps2Mouse.Reset(nullptr);
        UpdateCursor();
    }
    EndPaint(hwnd, &ps);
    return 0;
}

void MainWnd::UpdateCursor() {
    int32_t choice = CursorArrow;
    DibLayout layout;
    if (conn.ps2Mouse.object && ImageShowable(*this, layout)) {
        POINT pointer;
        if (GetCursorPos(&pointer) && ScreenToClient(hwnd, &pointer) &&
            PtInRect(&imageRect, pointer)) {
            choice = CursorHidden;
        }
    }
    if (choice == cursorKind) return;
    cursorKind = choice;
    // The transparent cursor hides the local pointer over the image in relative mouse mode.
    const HCURSOR cursor = choice == CursorHidden
                               ? LoadCursorW(AppInstance(), MAKEINTRESOURCEW(IDC_TRANSPARENT))
                               : LoadCursorW(nullptr, IDC_ARROW);
    SetClassLongPtrW(hwnd, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
}
