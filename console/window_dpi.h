#pragma once
#include <windows.h>

// The console window at the DPI of its monitor. The program is per-monitor DPI aware (its
// manifest): client coordinates are physical pixels, so the guest's picture, the white frame and
// the pointer mapping need no scaling; only text drawn with the DC's default font, which is made
// for the system's DPI, does.

// The DPI of the monitor the window is on (Windows 10 1607 and later), else the system's.
UINT WindowDpi(HWND window);

// While it lives, text drawn into `dc` uses the DC's font scaled from the system's DPI to `dpi`;
// nothing changes when the two are the same.
class DpiFontScope {
public:
    DpiFontScope(HDC dc, UINT dpi);
    ~DpiFontScope();
    DpiFontScope(const DpiFontScope&) = delete;
    DpiFontScope& operator=(const DpiFontScope&) = delete;

private:
    HDC dc_;
    HFONT scaled_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
