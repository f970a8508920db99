#pragma once
#include "dialogs/display_setting.h"
#include "shell/base_dlg.h"

#include <windows.h>

// The "setting" dialog (template 131). Works on its own copy of the display settings; the
// caller copies `setting` in before the modal run and takes it back only when the run ends
// with 1 (OK with every value valid).
class SettingDlg : public BaseDlg {
public:
    SettingDlg() = default;

    DisplaySetting setting;

protected:
    INT_PTR HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnInit();
    void OnOk();
};
