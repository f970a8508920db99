#pragma once
#include "shell/wide_string.h"

#include <windows.h>

// Process-wide values set once at start-up.
HINSTANCE AppInstance();
const WideString& AppClassName();

// Stores the module handle and the class name, then registers the console window's class.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* className);

// Reads the whole text of a dialog's control into `text`, growing it as needed.
void ReadDlgItemText(HWND dialog, int id, WideString& text);
