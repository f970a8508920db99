// vuemere.exe as a user meets it: its window, menu, About box, accelerators and exit.
#include "uidriver.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace uidriver;

namespace {

const wchar_t AboutTitle[] = L"バージョン情報";

// Flattens a menu to (id, text) pairs in order, popups included with id 0.
void Flatten(const std::vector<MenuItem>& items, std::vector<std::pair<UINT, std::wstring>>& out) {
    for (const MenuItem& item : items) {
        if (item.separator) continue;
        out.emplace_back(item.id, item.text);
        Flatten(item.items, out);
    }
}

HWND WaitForAbout(const App& app) {
    return WaitForDialog(AboutTitle, app.Window(), app.ProcessId());
}

}  // namespace

TEST(Program, WindowClassTitleMenuAndExitCommand) {
    App app;
    ASSERT_TRUE(app.Start()) << std::string(app.Error().begin(), app.Error().end());
    EXPECT_EQ(Text(app.Window()), L"vuemere");
    wchar_t className[32];
    GetClassNameW(app.Window(), className, 32);
    EXPECT_STREQ(className, L"VUEMERE");

    std::vector<std::pair<UINT, std::wstring>> menu;
    Flatten(ReadMenuResource(BinPath(L"vuemere.exe"), 109), menu);
    std::vector<std::pair<UINT, std::wstring>> expected = {
        {0, L"&Console"}, {32773, L"&Connect..."}, {32794, L"&DisConnect"}, {32776, L"&Settings..."},
        {32796, L"Re&fresh of full size"}, {105, L"終了(&X)"},
        {0, L"&Keyboard"}, {32779, L"Ctrl+Alt+Del"}, {32786, L"Alt+"}, {32787, L"Ctrl+"}, {32788, L"Shift+"},
        {32789, L"Windows+"}, {32800, L"through ALT key"}, {32790, L"Application Key"}, {32792, L"Kanji"},
        {32798, L"type from clipboard"},
        {0, L"ヘルプ(&H)"}, {104, L"バージョン情報(&A)..."}};
    EXPECT_EQ(menu, expected);

    // Unknown command ids are left to default processing: nothing happens.
    for (int id : {1, 2, 999, 32801, 40000}) PostCommand(app.Window(), id);
    ASSERT_TRUE(Settle(app.Window()));
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(Dialogs(app.ProcessId()).empty());
    EXPECT_EQ(Text(app.Window()), L"vuemere");

    PostCommand(app.Window(), 105);  // 終了(&X)
    DWORD exitCode = 99;
    ASSERT_TRUE(app.WaitExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST(Program, CloseBoxEndsTheProcessWithExitCodeZeroWhateverTheCommandLine) {
    App app;
    ASSERT_TRUE(app.Start(L"/connect \\\\server --help -x 1"));
    EXPECT_EQ(Text(app.Window()), L"vuemere");  // the command line changes nothing
    EXPECT_TRUE(Dialogs(app.ProcessId()).empty());
    PressCloseBox(app.Window());
    DWORD exitCode = 99;
    ASSERT_TRUE(app.WaitExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST(Program, AltQuestionMarkAndAltSlashOpenTheAboutBoxWhichEveryWayOfClosingCloses) {
    App app;
    ASSERT_TRUE(app.Start());

    struct Way {
        wchar_t accelerator;
        const char* closeBy;
    } ways[] = {{L'?', "Escape"}, {L'/', "Enter"}, {L'?', "close box"}, {L'/', "OK button"}};
    for (const Way& way : ways) {
        SCOPED_TRACE(way.closeBy);
        ASSERT_TRUE(SendCharInput(app.Window(), way.accelerator, AltKey));
        HWND about = WaitForAbout(app);
        ASSERT_NE(about, nullptr) << "Alt+" << static_cast<char>(way.accelerator);
        MessageBoxInfo info;
        ASSERT_TRUE(ReadMessageBox(about, info));
        EXPECT_EQ(info.text, L"vuemere Version 0.36");
        EXPECT_TRUE(info.hasIcon);
        ASSERT_EQ(info.buttons.size(), 1u);
        EXPECT_EQ(info.buttons[0].text, L"OK");

        std::string by = way.closeBy;
        if (by == "Escape") PostKey(FocusOf(about), VK_ESCAPE);
        if (by == "Enter") PostKey(FocusOf(about), VK_RETURN);
        if (by == "close box") PressCloseBox(about);
        if (by == "OK button") Click(about, IDOK);
        EXPECT_TRUE(WaitGone(about));
        EXPECT_TRUE(app.Running());
        EXPECT_EQ(Text(app.Window()), L"vuemere");
    }

    // While the About box is open the accelerators reach nothing: no second box appears.
    ASSERT_TRUE(SendCharInput(app.Window(), L'?', AltKey));
    HWND about = WaitForAbout(app);
    ASSERT_NE(about, nullptr);
    SendCharInput(about, L'?', AltKey);
    SendCharInput(about, L'/', AltKey);
    Settle(about);
    EXPECT_EQ(Dialogs(app.ProcessId()).size(), 1u);
    PostKey(FocusOf(about), VK_ESCAPE);
    EXPECT_TRUE(WaitGone(about));

    PostCommand(app.Window(), 105);
    DWORD exitCode = 99;
    ASSERT_TRUE(app.WaitExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}
