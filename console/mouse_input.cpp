#include "console/main_wnd.h"
#include "console/pointer_mapping.h"

#include <windowsx.h>

// Mouse messages become device calls on the open machine at once; their results are ignored.
// Absolute mode while the synthetic mouse is held, relative mode while only the PS/2 mouse is.

namespace {

bool ImageRectUsable(const RECT& rect, int32_t guestWidth, int32_t guestHeight) {
    return AxisUsable(rect.left, rect.right, guestWidth) && AxisUsable(rect.top, rect.bottom, guestHeight);
}

// Relative mode: keeps the local pointer on the image while it is held there. The guest pointer
// has already been pushed toward the edge; putting the local pointer back makes a movement of its
// own, which is dropped rather than forwarded.
void HoldPointer(MainWnd& window, int32_t x, int32_t y) {
    if (window.pointerState == PointerReleased) return;
    const RECT& image = window.imageRect;
    POINT point{x, y};
    if (PtInRect(&image, point)) window.pointerState = PointerHeld;
    if (window.pointerState == PointerHeld) {
        POINT held{ClampAxis(x, image.left, image.right), ClampAxis(y, image.top, image.bottom)};
        if (held.x != x || held.y != y) {
            ClientToScreen(window.hwnd, &held);
            SetCursorPos(held.x, held.y);
            MSG dropped;
            PeekMessageW(&dropped, window.hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);
        }
    }
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window.hwnd, HOVER_DEFAULT};
    TrackMouseEvent(&track);
}

}  // namespace

LRESULT MainWnd::OnMouseMove(LPARAM lParam) {
    if (!ImageAvailable()) return 0;
    const int32_t x = GET_X_LPARAM(lParam);
    const int32_t y = GET_Y_LPARAM(lParam);
    const int32_t width = conn.guestWidth;
    const int32_t height = conn.guestHeight;

    // Until the image has been drawn into a real rectangle there is nothing to map onto.
    if (ImageRectUsable(imageRect, width, height)) {
        WideString errorText;
        if (conn.syntheticMouse.object) {
            conn.SetAbsolutePosition(AbsoluteAxis(x, imageRect.left, imageRect.right, width),
                                     AbsoluteAxis(y, imageRect.top, imageRect.bottom, height), errorText);
        } else if (conn.ps2Mouse.object) {
            RelativeAxis moveX = RelativeMove(x, imageRect.left, imageRect.right, width, lastMouseX);
            RelativeAxis moveY = RelativeMove(y, imageRect.top, imageRect.bottom, height, lastMouseY);
            conn.SetRelativePosition(moveX.delta, moveY.delta, errorText);
            lastMouseX = moveX.last;
            lastMouseY = moveY.last;
            HoldPointer(*this, x, y);
        }
    }

    if (conn.summaryRequest != 0) RequestRefresh();
    return 0;
}

LRESULT MainWnd::OnMouseButton(int32_t buttonIndex, bool isDown) {
    if (!ImageAvailable()) return 0;
    WideString errorText;
    // The button acts where the last movement left the guest pointer.
    conn.SetButtonState(buttonIndex, isDown, errorText);
    // Capture keeps the button-up coming here when it happens outside the window.
    if (isDown)
        SetCapture(hwnd);
    else if (GetCapture() == hwnd)
        ReleaseCapture();
    if (conn.summaryRequest != 0) RequestRefresh();
    if (holdUntilTick != 0) {
        // A click ends the hold of a full-size image.
        holdUntilTick = 0;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    return 0;
}

LRESULT MainWnd::OnMouseLeave() {
    if (!ImageAvailable()) return 0;
    pointerState = conn.ps2Mouse.object ? PointerAway : PointerHeld;
    return 0;
}
