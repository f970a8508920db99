// vuemere.exe as a user meets it: its window, the About box through real keyboard input, exit codes.
#include "uidriver.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

using namespace uidriver;

TEST(Program, WindowIgnoresUnknownCommandsAndClosesWithExitCodeZero) {
    App app;
    ASSERT_TRUE(app.Start()) << std::string(app.Error().begin(), app.Error().end());
    EXPECT_EQ(Text(app.Window()), L"vuemere");
    wchar_t className[32] = L"";
    GetClassNameW(app.Window(), className, 32);
    EXPECT_STREQ(className, L"VUEMERE");
    // No CS_DBLCLKS: a double click reaches the guest as two clicks.
    EXPECT_EQ(GetClassLongPtrW(app.Window(), GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));

    for (int id : {1, 2, 999, 32801, 40000}) PostCommand(app.Window(), id);
    ASSERT_TRUE(Settle(app.Window()));
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(Dialogs(app.ProcessId()).empty());
    EXPECT_EQ(Text(app.Window()), L"vuemere");

    PressCloseBox(app.Window());
    DWORD exitCode = 99;
    ASSERT_TRUE(app.WaitExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// "/?" and a word the command line does not take: a usage box captioned "vuemere" before any
// window, then exit code 0 for the question and 2 for the refusal. A password is never taken.
TEST(Program, UsageBoxAndExitCodesBeforeAnyWindow) {
    const struct {
        const wchar_t* arguments;
        const wchar_t* firstLine;
        DWORD exitCode;
    } cases[] = {
        {L"/?", L"Usage:", 0},
        {L"/bogus hv-2022", L"Not understood: /bogus", 2},
        {L"hv-2022 \"Web Server 01\" surplus", L"Not understood: surplus", 2},
        {L"/password:s3cret hv-2022", L"/password:s3cret: vuemere takes no password on its command line, which every "
                                      L"process of this machine can read. Give /user:NAME and type the password into "
                                      L"the Connect dialog.", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.arguments, c.arguments + std::wcslen(c.arguments)));
        App app;
        ASSERT_TRUE(app.StartProgram(BinPath(L"vuemere.exe"), c.arguments, L"#32770"));
        MessageBoxInfo box;
        ASSERT_TRUE(ReadMessageBox(app.Window(), box));
        EXPECT_EQ(box.caption, L"vuemere");
        EXPECT_EQ(box.text.substr(0, box.text.find(L'\n')), c.firstLine);
        EXPECT_EQ(box.text.find(L"s3cret", box.text.find(L'\n')), std::wstring::npos);  // not repeated below
        EXPECT_FALSE(FindWindowW(L"VUEMERE", nullptr)) << "a console window besides the box";
        ASSERT_TRUE(Answer(app.Window(), IDOK));
        DWORD exitCode = 99;
        ASSERT_TRUE(app.WaitExit(exitCode));
        EXPECT_EQ(exitCode, c.exitCode);
    }
}

TEST(Program, AltQuestionMarkAndAltSlashOpenTheAboutBoxWhichEveryWayOfClosingCloses) {
    App app;
    ASSERT_TRUE(app.Start());
    const struct {
        wchar_t accelerator;
        const char* closeBy;
    } ways[] = {{L'?', "Escape"}, {L'/', "Enter"}, {L'?', "close box"}, {L'/', "OK button"}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.closeBy);
        // A key sent as the window has just become the foreground one can reach the X server
        // before Wine has moved X's focus to it, and go nowhere: pressed again if nothing opens.
        HWND about = nullptr;
        for (int tries = 0; tries < 3 && !about; ++tries) {
            ASSERT_TRUE(SendCharInput(app.Window(), way.accelerator, AltKey));
            about = WaitForDialog(L"バージョン情報", app.Window(), app.ProcessId(), 5000);
        }
        ASSERT_NE(about, nullptr) << "Alt+" << static_cast<char>(way.accelerator);
        MessageBoxInfo info;
        ASSERT_TRUE(ReadMessageBox(about, info));
        EXPECT_EQ(info.text, L"vuemere Version 0.36");
        EXPECT_TRUE(info.hasIcon);
        ASSERT_EQ(info.buttons.size(), 1u);
        EXPECT_EQ(info.buttons[0].text, L"OK");
        // While it is open the accelerators reach nothing: no second box.
        SendCharInput(about, way.accelerator, AltKey);
        Settle(about);
        EXPECT_EQ(Dialogs(app.ProcessId()).size(), 1u);

        const std::string by = way.closeBy;
        if (by == "Escape") PostKey(FocusOf(about), VK_ESCAPE);
        if (by == "Enter") PostKey(FocusOf(about), VK_RETURN);
        if (by == "close box") PressCloseBox(about);
        if (by == "OK button") Click(about, IDOK);
        EXPECT_TRUE(WaitGone(about));
        EXPECT_TRUE(app.Running());
    }
    PostCommand(app.Window(), 105);  // 終了(&X)
    DWORD exitCode = 99;
    ASSERT_TRUE(app.WaitExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}
