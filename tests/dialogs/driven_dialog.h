#pragma once
// Runs one of the program's dialogs modally on the test thread while a second thread drives it
// through the UI driver, as a user would.
#include "uidriver.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

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

// Every way out of a dialog but OK: Cancel, Escape and the close box.
inline const std::function<bool(HWND)> LeaveWays[] = {
    [](HWND d) { return uidriver::Click(d, IDCANCEL); },
    [](HWND d) { return PressEscape(d); },
    [](HWND d) { return uidriver::PressCloseBox(d); },
};

// Expects an error box of `caption` owned by `dialog`: `text`, a single OK button and no icon.
// Answers it and checks that the dialog is still open.
inline void ExpectErrorBox(HWND dialog, const wchar_t* caption, const std::wstring& text) {
    uidriver::MessageBoxInfo box = uidriver::WaitForMessageBox(caption, dialog);
    ASSERT_TRUE(box.window) << "no error box";
    EXPECT_EQ(box.text, text);
    ASSERT_EQ(box.buttons.size(), 1u);
    EXPECT_EQ(box.buttons[0].id, IDOK);
    EXPECT_FALSE(box.hasIcon);
    ASSERT_TRUE(uidriver::Answer(box.window, IDOK));
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog closed";
}
