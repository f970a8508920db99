#pragma once
#include <windows.h>

// Base of top-level windows with an object behind them. The window's user-data slot holds the
// object's address from WM_CREATE until WM_DESTROY; WndProc hands every message in between to
// HandleMessage. The object must outlive its window.
class BaseWnd {
public:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd = nullptr;

protected:
    BaseWnd() = default;
    ~BaseWnd();  // destroys the window if one is still recorded
    BaseWnd(const BaseWnd&) = delete;
    BaseWnd& operator=(const BaseWnd&) = delete;

    virtual LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};
