// The "setting" dialog through its real template, driven from a second thread.
#include "dialogs/setting_dlg.h"
#include "driven_dialog.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace uidriver;

namespace {

const wchar_t Warning[] =
    L"If custom size or scale, The performance issue is caused. \n"
    L"It becomes as worker-process hung up. In the worst case, it is necessary to reboot Hyper-V. \n"
    L"\n"
    L"continue ?";

// What the console's Settings command does: copy in, run, copy back only on 1.
INT_PTR RunSettings(DisplaySetting& console, const std::function<void(HWND)>& drive) {
    SettingDlg dialog;
    dialog.setting = console;
    ModalRun run = RunDriven(dialog, IDD_SETTING, L"setting", drive);
    EXPECT_FALSE(run.abandoned) << "the dialog had to be cancelled by the driver";
    if (run.result == 1) console = dialog.setting;
    return run.result;
}

const wchar_t IntervalError[] = L"interval error. (100 to 60000)";
const wchar_t WhiteFrameError[] = L"white_frame error. (0 to 1000)";

void ExpectSettingError(HWND dialog, const wchar_t* text) { ExpectErrorBox(dialog, L"setting error", text); }

// Presses OK and expects the performance warning; answers it with `answer`.
void PressOkThroughWarning(HWND dialog, int answer) {
    ASSERT_TRUE(Click(dialog, IDOK));
    MessageBoxInfo box = WaitForMessageBox(L"setting", dialog);
    ASSERT_TRUE(box.window) << "no warning";
    EXPECT_EQ(box.text, Warning);
    EXPECT_TRUE(box.hasIcon);
    ASSERT_EQ(box.buttons.size(), 2u);
    EXPECT_EQ(box.buttons[0].id, IDOK);
    EXPECT_EQ(box.buttons[1].id, IDCANCEL);
    EXPECT_FALSE(box.buttons[0].isDefault);
    EXPECT_TRUE(box.buttons[1].isDefault) << "Cancel must be the default button";
    ASSERT_TRUE(Answer(box.window, answer));
}

// OK that must close the dialog at once, with no message box in between.
void PressOkAndClose(HWND dialog) {
    ASSERT_TRUE(Click(dialog, IDOK));
    EXPECT_TRUE(WaitGone(dialog));
}

void ExpectSameSetting(const DisplaySetting& a, const DisplaySetting& b) {
    EXPECT_EQ(a.interval, b.interval);
    EXPECT_EQ(a.smallThumbnail, b.smallThumbnail);
    EXPECT_EQ(a.largeThumbnail, b.largeThumbnail);
    EXPECT_EQ(a.whiteFrame, b.whiteFrame);
    EXPECT_EQ(a.scale, b.scale);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
}

const std::vector<std::wstring> Presets = {L"80x60", L"160x120", L"320x240",
                                           L"x0.25", L"x0.5",    L"x1.0"};

}  // namespace

TEST(SettingDialog, FirstOpeningShowsTheDefaultsAndOkClosesAtOnce) {
    DisplaySetting console;
    INT_PTR result = RunSettings(console, [](HWND d) {
        EXPECT_EQ(Text(d), L"setting");
        EXPECT_EQ(ItemText(d, IDC_SETTING_INTERVAL), L"1000");
        EXPECT_TRUE(IsChecked(d, IDC_SETTING_FRAME_SPACE));
        EXPECT_FALSE(IsChecked(d, IDC_SETTING_ENLARGE));
        EXPECT_FALSE(IsChecked(d, IDC_SETTING_SCROLLBAR));
        EXPECT_FALSE(IsEnabled(d, IDC_SETTING_SCROLLBAR));
        EXPECT_TRUE(IsChecked(d, IDC_SETTING_SMALL_SCALE));
        EXPECT_EQ(ItemText(d, IDC_SETTING_CAPTURE), L"320x240");
        EXPECT_EQ(ComboItems(d, IDC_SETTING_CAPTURE), Presets);
        EXPECT_EQ(Style(GetDlgItem(d, IDC_SETTING_CAPTURE)) & 3, CBS_DROPDOWN) << "the size must be editable";
        EXPECT_EQ(ItemText(d, IDC_SETTING_WHITE_FRAME), L"15");
        EXPECT_EQ(FocusOf(d), GetDlgItem(d, IDC_SETTING_INTERVAL));
        PressOkAndClose(d);
    });
    EXPECT_EQ(result, 1);
    ExpectSameSetting(console, DisplaySetting{});
}

TEST(SettingDialog, InitialisationFollowsTheValuesHandedIn) {
    DisplaySetting console;
    console.interval = 250;
    console.smallThumbnail = 7;  // anything but 1 checks "enlarge zoom"
    console.largeThumbnail = UseScrollbar;
    console.whiteFrame = 0;
    console.SetCapture(CaptureSize{0.25f, 0, 0});
    INT_PTR result = RunSettings(console, [](HWND d) {
        EXPECT_EQ(ItemText(d, IDC_SETTING_INTERVAL), L"250");
        EXPECT_FALSE(IsChecked(d, IDC_SETTING_FRAME_SPACE));
        EXPECT_TRUE(IsChecked(d, IDC_SETTING_ENLARGE));
        EXPECT_TRUE(IsChecked(d, IDC_SETTING_SCROLLBAR));
        EXPECT_FALSE(IsChecked(d, IDC_SETTING_SMALL_SCALE));
        EXPECT_EQ(ItemText(d, IDC_SETTING_CAPTURE), L"x0.25");
        EXPECT_EQ(ComboItems(d, IDC_SETTING_CAPTURE), Presets) << "x0.25 is found among the presets";
        EXPECT_EQ(ItemText(d, IDC_SETTING_WHITE_FRAME), L"0");
        PressOkThroughWarning(d, IDOK);
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(console.smallThumbnail, EnlargeZoom);
    EXPECT_EQ(console.largeThumbnail, UseScrollbar);
    EXPECT_EQ(console.scale, 0.25f);
    EXPECT_EQ(console.width, 0);
}

TEST(SettingDialog, IntervalOutsideTheRangeIsRefusedBeforeTheCaptureSizeIsLookedAt) {
    DisplaySetting console;
    INT_PTR result = RunSettings(console, [](HWND d) {
        // A custom size would bring the warning: it must not come after an interval error.
        ASSERT_TRUE(SetItemText(d, IDC_SETTING_CAPTURE, L"640x480"));
        for (const wchar_t* bad : {L"99", L"60001", L"", L"abc", L"-5", L"4294967396"}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
            ASSERT_TRUE(SetItemText(d, IDC_SETTING_INTERVAL, bad));
            ASSERT_TRUE(Click(d, IDOK));
            ExpectSettingError(d, IntervalError);
            EXPECT_EQ(ItemText(d, IDC_SETTING_INTERVAL), bad) << "what was typed stays";
            EXPECT_EQ(ItemText(d, IDC_SETTING_CAPTURE), L"640x480");
        }
        ASSERT_TRUE(Click(d, IDCANCEL));
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 2);
    ExpectSameSetting(console, DisplaySetting{});
}

// Values in range, and the summary sizes, close the dialog at OK without any message box.
TEST(SettingDialog, AcceptedValuesCloseAtOnce) {
    const struct {
        int box;
        const wchar_t* text;
        int32_t stored, height;  // the interval, the white frame, or the capture width and height
    } cases[] = {
        {IDC_SETTING_INTERVAL, L"100", 100},       {IDC_SETTING_INTERVAL, L"60000", 60000},
        {IDC_SETTING_INTERVAL, L"500ms", 500},     {IDC_SETTING_INTERVAL, L" 500", 500},
        {IDC_SETTING_WHITE_FRAME, L"0", 0},        {IDC_SETTING_WHITE_FRAME, L"1000", 1000},
        {IDC_SETTING_WHITE_FRAME, L"", 0},         {IDC_SETTING_CAPTURE, L"80x60", 80, 60},
        {IDC_SETTING_CAPTURE, L"160x120", 160, 120}, {IDC_SETTING_CAPTURE, L"320x240", 320, 240},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        DisplaySetting console;
        if (c.box == IDC_SETTING_CAPTURE) console.SetCapture(CaptureSize{0.5f, 0, 0});  // a change to a summary size
        INT_PTR result = RunSettings(console, [&](HWND d) {
            ASSERT_TRUE(SetItemText(d, c.box, c.text));
            PressOkAndClose(d);
        });
        EXPECT_EQ(result, 1);
        if (c.box == IDC_SETTING_INTERVAL) {
            EXPECT_EQ(console.interval, c.stored);
        } else if (c.box == IDC_SETTING_WHITE_FRAME) {
            EXPECT_EQ(console.whiteFrame, c.stored);
        } else {
            EXPECT_EQ(console.width, c.stored);
            EXPECT_EQ(console.height, c.height);
            EXPECT_EQ(console.scale, 1.0f);
        }
    }
}

TEST(SettingDialog, CustomSizeNeedsTheWarningAnsweredOk) {
    DisplaySetting console;
    console.SetCapture(CaptureSize{0.5f, 0, 0});
    INT_PTR result = RunSettings(console, [](HWND d) {
        ASSERT_TRUE(SetItemText(d, IDC_SETTING_CAPTURE, L"640x480"));
        PressOkThroughWarning(d, IDCANCEL);
        EXPECT_TRUE(IsWindowVisible(d)) << "Cancel on the warning leaves the dialog open";
        EXPECT_EQ(ItemText(d, IDC_SETTING_CAPTURE), L"640x480");
        PressOkThroughWarning(d, IDOK);
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(console.width, 640);
    EXPECT_EQ(console.height, 480);
    EXPECT_EQ(console.scale, 1.0f);
}

// The parsing rules are tabled in the core tests; here, that OK reads the box's whole text with them.
TEST(SettingDialog, ScalesAndUnreadableTextsAreStoredAsTheirScale) {
    const struct {
        const wchar_t* text;
        float scale;
    } cases[] = {{L"x3.99", 3.99f}, {L"xnan", 0.5f}, {L"320 x 240", 0.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        DisplaySetting console;
        INT_PTR result = RunSettings(console, [&](HWND d) {
            ASSERT_TRUE(SetItemText(d, IDC_SETTING_CAPTURE, c.text));
            PressOkThroughWarning(d, IDOK);
            ExpectCloses(d);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(console.scale, c.scale);
        EXPECT_EQ(console.width, 0);
        EXPECT_EQ(console.height, 0);
    }
}

TEST(SettingDialog, ReopeningShowsTheStoredSizeAddingItWhenNoPresetBeginsWithIt) {
    const struct {
        const wchar_t* typed;
        const wchar_t* shown;
        bool added;
    } cases[] = {{L"x1.0", L"x1.00", true}, {L"0x0", L"x1.00", true}, {L"x0.25", L"x0.25", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.typed)));
        DisplaySetting console;
        ASSERT_EQ(RunSettings(console,
                              [&](HWND d) {
                                  ASSERT_TRUE(SetItemText(d, IDC_SETTING_CAPTURE, c.typed));
                                  PressOkThroughWarning(d, IDOK);
                                  ExpectCloses(d);
                              }),
                  1);
        RunSettings(console, [&](HWND d) {
            EXPECT_EQ(ItemText(d, IDC_SETTING_CAPTURE), c.shown);
            std::vector<std::wstring> expected = Presets;
            if (c.added) expected.push_back(c.shown);
            EXPECT_EQ(ComboItems(d, IDC_SETTING_CAPTURE), expected);
            ASSERT_TRUE(Click(d, IDCANCEL));
            ExpectCloses(d);
        });
    }
}

TEST(SettingDialog, WhiteFrameIsCheckedAfterTheWarning) {
    DisplaySetting console;
    INT_PTR result = RunSettings(console, [](HWND d) {
        ASSERT_TRUE(SetItemText(d, IDC_SETTING_CAPTURE, L"640x480"));
        for (const wchar_t* bad : {L"1001", L"-1", L"4294967296"}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
            ASSERT_TRUE(SetItemText(d, IDC_SETTING_WHITE_FRAME, bad));
            PressOkThroughWarning(d, IDOK);
            ExpectSettingError(d, WhiteFrameError);
            EXPECT_EQ(ItemText(d, IDC_SETTING_WHITE_FRAME), bad);
        }
        // Fixed, OK again brings the warning again.
        ASSERT_TRUE(SetItemText(d, IDC_SETTING_WHITE_FRAME, L"1000"));
        PressOkThroughWarning(d, IDOK);
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(console.whiteFrame, 1000);
    EXPECT_EQ(console.width, 640);
}

TEST(SettingDialog, WhiteFrameErrorWithoutAWarningFirst) {
    DisplaySetting console;
    INT_PTR result = RunSettings(console, [](HWND d) {
        ASSERT_TRUE(SetItemText(d, IDC_SETTING_WHITE_FRAME, L"1001"));
        ASSERT_TRUE(Click(d, IDOK));
        ExpectSettingError(d, WhiteFrameError);  // a summary size: no warning first
        ASSERT_TRUE(Click(d, IDCANCEL));
        ExpectCloses(d);
    });
    EXPECT_EQ(result, 2);
}

TEST(SettingDialog, RadioChoicesAreStored) {
    DisplaySetting console;
    INT_PTR result = RunSettings(console, [](HWND d) {
        ASSERT_TRUE(Click(d, IDC_SETTING_ENLARGE));
        ASSERT_TRUE(WaitUntil([&] { return IsChecked(d, IDC_SETTING_ENLARGE); }));
        EXPECT_FALSE(IsChecked(d, IDC_SETTING_FRAME_SPACE));
        EXPECT_FALSE(Click(d, IDC_SETTING_SCROLLBAR)) << "use scrollbar cannot be chosen";
        PressOkAndClose(d);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(console.smallThumbnail, EnlargeZoom);
    EXPECT_EQ(console.largeThumbnail, SmallScale);
}

// After an OK that failed half-way (interval, radios and capture size already written to the
// dialog's copy), every way out but OK returns 2 and the caller keeps its values.
TEST(SettingDialog, CancelEscapeAndCloseBoxChangeNothing) {
    for (size_t way = 0; way < std::size(LeaveWays); ++way) {
        SCOPED_TRACE(way);
        DisplaySetting console;
        INT_PTR result = RunSettings(console, [&](HWND d) {
            ASSERT_TRUE(SetItemText(d, IDC_SETTING_INTERVAL, L"500"));
            ASSERT_TRUE(SetItemText(d, IDC_SETTING_CAPTURE, L"640x480"));
            ASSERT_TRUE(SetItemText(d, IDC_SETTING_WHITE_FRAME, L"2000"));
            ASSERT_TRUE(Click(d, IDC_SETTING_ENLARGE));
            PressOkThroughWarning(d, IDOK);
            ExpectSettingError(d, WhiteFrameError);
            ASSERT_TRUE(LeaveWays[way](d));
            ExpectCloses(d);
        });
        EXPECT_EQ(result, 2);
        ExpectSameSetting(console, DisplaySetting{});
    }
}
