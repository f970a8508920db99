#pragma once
#include "shell/wide_string.h"

#include <windows.h>

// The standard Save As dialog for a PNG picture, owned by `owner` and suggesting `path` (a file
// name); it asks the user before an existing file is replaced. True with the chosen path in
// `path`; false when the user cancels or the dialog cannot be shown.
//
// The shell's file dialogs want a single-threaded COM apartment, and the console's thread is in
// the multithreaded one: the dialog runs on a thread of its own while this thread goes on
// handling its windows' messages (painting, the refresh timer), as in any modal dialog.
bool AskSavePath(HWND owner, WideString& path);
