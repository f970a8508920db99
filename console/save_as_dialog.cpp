#include "console/save_as_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

#include <cwchar>

namespace {

constexpr size_t PathRoom = 32767;  // the longest path Windows takes

struct SaveAsRequest {
    HWND owner;
    WideString* path;
    bool chosen;
};

DWORD WINAPI SaveAsThread(void* param) {
    SaveAsRequest& request = *static_cast<SaveAsRequest*>(param);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = L"PNG image (*.png)\0*.png\0";
    dialog.lpstrFile = request.path->Data();
    dialog.nMaxFile = static_cast<DWORD>(request.path->Capacity() + 1);
    dialog.lpstrDefExt = L"png";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    request.chosen = GetSaveFileNameW(&dialog) != FALSE;
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

// While the dialog is up its owner stays disabled, whoever enables it: the dialog itself does when
// it closes (Wine's always), also while a box of the owner's that came meanwhile is still up.
LRESULT CALLBACK KeepDisabled(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_ENABLE && wParam) EnableWindow(window, FALSE);
    return DefSubclassProc(window, msg, wParam, lParam);
}

}  // namespace

bool AskSavePath(HWND owner, WideString& path) {
    path.Reserve(PathRoom);
    SaveAsRequest request{owner, &path, false};
    // The dialog enables its owner again when it closes. A box of the owner's that came meanwhile
    // (ticks and commands go on) must keep it disabled: the owner is disabled here and held so, and
    // enabled again below, once no box of this thread is left above.
    const bool ownerWasEnabled = !EnableWindow(owner, FALSE);
    const UINT_PTR holdId = reinterpret_cast<UINT_PTR>(&request);  // one hold per dialog, nested ones too
    SetWindowSubclass(owner, KeepDisabled, holdId, 0);
    HANDLE thread = CreateThread(nullptr, 0, SaveAsThread, &request, 0, nullptr);
    if (!thread) {
        RemoveWindowSubclass(owner, KeepDisabled, holdId);
        if (ownerWasEnabled) EnableWindow(owner, TRUE);
        return false;
    }

    // The dialog sends its owner messages (it disables it while it is open): keep taking them.
    bool quit = false;
    WPARAM quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;  // for the main loop, once the dialog is gone
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    RemoveWindowSubclass(owner, KeepDisabled, holdId);
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);  // the dialog went while its owner was disabled: back to it
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    path.SetLength(request.chosen ? std::wcslen(path.c_str()) : 0);
    return request.chosen;
}
