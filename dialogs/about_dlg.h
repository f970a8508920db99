#pragma once
#include <windows.h>

// The About box's dialog procedure (template 103); no object behind it.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// Shows the About box modally over `owner`.
void ShowAboutBox(HINSTANCE instance, HWND owner);
