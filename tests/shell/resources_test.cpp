// The program's resources read back from the module: ids, texts, layout and language.
#include "resources/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const WORD Japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

struct Item {
    UINT id;  // 0 for separators and popups
    std::wstring text;
};

std::vector<Item> ReadPopup(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = L"";
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = 128;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        bool separator = (info.fType & MFT_SEPARATOR) || text[0] == L'\0';
        if (!separator) {
            EXPECT_EQ(info.fState & MFS_GRAYED, 0u) << "no item is ever greyed";
        }
        items.push_back({(info.fType & MFT_SEPARATOR) ? 0u : info.wID, text});
    }
    return items;
}

// Reads the fixed part of a DLGTEMPLATEEX: title, position, size, font and item count.
struct DialogHeader {
    DWORD style = 0;
    WORD items = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title, font;
    WORD pointSize = 0;
};

const WORD* SkipSzOrOrd(const WORD* p, std::wstring* text = nullptr) {
    if (*p == 0xFFFF) return p + 2;
    const wchar_t* s = reinterpret_cast<const wchar_t*>(p);
    if (text) *text = s;
    return p + wcslen(s) + 1;
}

DialogHeader ReadDialog(int id) {
    DialogHeader h;
    HRSRC res = FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(id), Japanese);
    EXPECT_NE(res, nullptr) << "dialog " << id << " in language 0x0411";
    if (!res) return h;
    const WORD* p = static_cast<const WORD*>(LockResource(LoadResource(nullptr, res)));
    EXPECT_EQ(p[1], 0xFFFF) << "DIALOGEX template";
    const BYTE* b = reinterpret_cast<const BYTE*>(p);
    h.style = *reinterpret_cast<const DWORD*>(b + 12);
    h.items = *reinterpret_cast<const WORD*>(b + 16);
    const short* xy = reinterpret_cast<const short*>(b + 18);
    h.x = xy[0], h.y = xy[1], h.cx = xy[2], h.cy = xy[3];
    p = reinterpret_cast<const WORD*>(b + 26);
    p = SkipSzOrOrd(p);  // menu
    p = SkipSzOrOrd(p);  // class
    p = SkipSzOrOrd(p, &h.title);
    h.pointSize = p[0];
    p += 3;  // point size, weight, italic + charset
    h.font = reinterpret_cast<const wchar_t*>(p);
    return h;
}

std::wstring BinDir() {
    const char* dir = std::getenv("VUEMERE_BIN_DIR");
    std::string s = dir ? dir : ".";
    return std::wstring(s.begin(), s.end());
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) return L"<missing>";
    return value;
}

}  // namespace

TEST(Resources, MenuHasThePopupsItemsAndTextsInJapaneseLanguage) {
    ASSERT_NE(FindResourceExW(nullptr, RT_MENU, MAKEINTRESOURCEW(IDC_VUEMERE), Japanese), nullptr);
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_VUEMERE));
    ASSERT_NE(menu, nullptr);
    std::vector<Item> bar = ReadPopup(menu);
    ASSERT_EQ(bar.size(), 3u);
    EXPECT_EQ(bar[0].text, L"&Console");
    EXPECT_EQ(bar[1].text, L"&Keyboard");
    EXPECT_EQ(bar[2].text, L"ヘルプ(&H)");

    std::vector<Item> console = ReadPopup(GetSubMenu(menu, 0));
    std::vector<Item> expectConsole = {{32773, L"&Connect..."}, {32794, L"&DisConnect"},
                                       {32776, L"&Settings..."}, {32796, L"Re&fresh of full size"},
                                       {0, L""}, {105, L"終了(&X)"}};
    ASSERT_EQ(console.size(), expectConsole.size());
    for (size_t i = 0; i < console.size(); ++i) {
        EXPECT_EQ(console[i].id, expectConsole[i].id) << i;
        EXPECT_EQ(console[i].text, expectConsole[i].text) << i;
    }

    std::vector<Item> keyboard = ReadPopup(GetSubMenu(menu, 1));
    std::vector<Item> expectKeyboard = {
        {32779, L"Ctrl+Alt+Del"}, {0, L""}, {32786, L"Alt+"}, {32787, L"Ctrl+"}, {32788, L"Shift+"},
        {32789, L"Windows+"}, {0, L""}, {32800, L"through ALT key"}, {0, L""}, {32790, L"Application Key"},
        {32792, L"Kanji"}, {0, L""}, {32798, L"type from clipboard"}};
    ASSERT_EQ(keyboard.size(), expectKeyboard.size());
    for (size_t i = 0; i < keyboard.size(); ++i) {
        EXPECT_EQ(keyboard[i].id, expectKeyboard[i].id) << i;
        EXPECT_EQ(keyboard[i].text, expectKeyboard[i].text) << i;
    }

    std::vector<Item> help = ReadPopup(GetSubMenu(menu, 2));
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].id, 104u);
    EXPECT_EQ(help[0].text, L"バージョン情報(&A)...");
    DestroyMenu(menu);
}

TEST(Resources, AcceleratorsAreAltQuestionMarkAndAltSlashAsCharacters) {
    ASSERT_NE(FindResourceExW(nullptr, RT_ACCELERATOR, MAKEINTRESOURCEW(IDC_VUEMERE), Japanese), nullptr);
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_VUEMERE));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4];
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 4), 2);
    EXPECT_EQ(entries[0].key, L'?');
    EXPECT_EQ(entries[1].key, L'/');
    for (const ACCEL& a : entries) {
        if (&a == entries + 2) break;
        EXPECT_EQ(a.cmd, 104);
        EXPECT_EQ(a.fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT);  // a character key, with Alt
    }
    DestroyAcceleratorTable(table);
}

TEST(Resources, StringsIconsAndCursor) {
    wchar_t text[128];
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_APP_TITLE, text, 128), 7);
    EXPECT_STREQ(text, L"vuemere");
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDC_VUEMERE, text, 128), 7);
    EXPECT_STREQ(text, L"VUEMERE");
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VUEMERE)), nullptr);
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SMALL)), nullptr);

    // Cursor 132 is wholly transparent: AND mask all ones, XOR mask all zeros, hotspot (0, 0).
    HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_TRANSPARENT));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_EQ(info.xHotspot, 0u);
    EXPECT_EQ(info.yHotspot, 0u);
    ASSERT_EQ(info.hbmColor, nullptr) << "monochrome";
    BYTE bits[4 * 64];
    ASSERT_EQ(GetBitmapBits(info.hbmMask, sizeof(bits), bits), static_cast<LONG>(sizeof(bits)));
    for (int i = 0; i < 128; ++i) ASSERT_EQ(bits[i], 0xFF) << "AND mask byte " << i;
    for (int i = 128; i < 256; ++i) ASSERT_EQ(bits[i], 0x00) << "XOR mask byte " << i;
    DeleteObject(info.hbmMask);
}

TEST(Resources, DialogTemplatesHaveTheirTitlesSizesFontsAndItems) {
    DialogHeader about = ReadDialog(IDD_ABOUTBOX);
    EXPECT_EQ(about.title, L"バージョン情報");
    EXPECT_EQ(about.x, 22);
    EXPECT_EQ(about.y, 17);
    EXPECT_EQ(about.cx, 182);
    EXPECT_EQ(about.cy, 62);
    EXPECT_EQ(about.pointSize, 9);
    EXPECT_EQ(about.font, L"MS UI Gothic");
    EXPECT_EQ(about.items, 3);
    EXPECT_EQ(about.style & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));

    DialogHeader connect = ReadDialog(IDD_CONNECT);
    EXPECT_EQ(connect.title, L"Connect");
    EXPECT_EQ(connect.cx, 246);
    EXPECT_EQ(connect.cy, 78);
    EXPECT_EQ(connect.items, 12);
    DialogHeader setting = ReadDialog(IDD_SETTING);
    EXPECT_EQ(setting.title, L"setting");
    EXPECT_EQ(setting.cx, 175);
    EXPECT_EQ(setting.cy, 134);
    EXPECT_EQ(setting.items, 18);
    for (const DialogHeader* d : {&connect, &setting}) {
        EXPECT_EQ(d->pointSize, 8);
        EXPECT_EQ(d->font, L"MS Shell Dlg");
        DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
        EXPECT_EQ(d->style & wanted, wanted) << std::string(d->title.begin(), d->title.end());
    }
}

TEST(Resources, VersionBlockOfTheProgram) {
    std::wstring exe = BinDir() + L"\\vuemere.exe";
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u) << "no version resource in vuemere.exe";
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030006u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00000000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00030006u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, static_cast<DWORD>(VS_FF_PRIVATEBUILD));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);

    EXPECT_EQ(VersionString(block, L"FileVersion"), L"0, 0, 3, 6");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"0, 0, 3, 6");
    EXPECT_EQ(VersionString(block, L"FileDescription"), L"vuemere");
    EXPECT_EQ(VersionString(block, L"InternalName"), L"vuemere");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"vuemere");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"vuemere.exe");
    EXPECT_EQ(VersionString(block, L"PrivateBuild"), L"pre release");
}
