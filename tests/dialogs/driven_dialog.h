#pragma once
// Runs one of the program's dialogs modally on the test thread while a second thread drives it
// through the UI driver, as a user would.
#include "uidriver.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

template <class Dialog>
uidriver::ModalRun RunDriven(Dialog& dialog, int templateId, const wchar_t* title,
                             const std::function<void(HWND)>& drive) {
    const DWORD process = GetCurrentProcessId();
    return uidriver::RunModalDriven(
        [&] { return dialog.RunModal(GetModuleHandleW(nullptr), templateId, nullptr); },
        [&] {
            HWND window = uidriver::WaitForDialog(title, nullptr, process);
            if (!window) {
                ADD_FAILURE() << "the dialog did not show";
                return;
            }
            drive(window);
        });
}

// The dialog a run is about to end: waits for it to close. The driver's last step.
inline void ExpectCloses(HWND dialog) {
    EXPECT_TRUE(uidriver::WaitGone(dialog)) << "the dialog stayed open";
}

// Escape as typed into the control that has the focus.
inline bool PressEscape(HWND dialog) {
    HWND focus = uidriver::FocusOf(dialog);
    return uidriver::PostKey(focus ? focus : dialog, VK_ESCAPE);
}
