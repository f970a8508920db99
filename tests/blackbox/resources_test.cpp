// vuemere.exe's resources as the file carries them: one table of menus, accelerators, strings,
// dialog templates, the cursor and the version block.
#include "resources/resource.h"
#include "uidriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace uidriver;

namespace {

std::wstring Menu(const std::vector<MenuItem>& items) {
    std::wstring line;
    for (const MenuItem& item : items) {
        line += line.empty() ? L"" : L", ";
        line += item.separator ? L"-" : std::to_wstring(item.id) + L" " + item.text;
        if (!item.separator && (item.state & MFS_GRAYED)) line += L" (greyed)";
    }
    return line;
}

// Title, position, size, font, item count and window style of a DIALOGEX template.
std::wstring Dialog(HMODULE exe, int id) {
    HRSRC found = FindResourceExW(exe, RT_DIALOG, MAKEINTRESOURCEW(id), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (!found) return L"dialog " + std::to_wstring(id) + L" missing in Japanese";
    const BYTE* b = static_cast<const BYTE*>(LockResource(LoadResource(exe, found)));
    const WORD* p = reinterpret_cast<const WORD*>(b + 26);
    for (int skip = 0; skip < 2; ++skip) p = *p == 0xFFFF ? p + 2 : p + wcslen(reinterpret_cast<const wchar_t*>(p)) + 1;
    const std::wstring title = reinterpret_cast<const wchar_t*>(p);
    p += title.size() + 1;
    const short* box = reinterpret_cast<const short*>(b + 18);
    const DWORD style = *reinterpret_cast<const DWORD*>(b + 12) &
                        (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS);
    wchar_t line[200];
    swprintf(line, 200, L"dialog %d %ls at %d,%d size %dx%d font %ls %d, %d items, style %08lX", id, title.c_str(),
             box[0], box[1], box[2], box[3], reinterpret_cast<const wchar_t*>(p + 3), p[0], *reinterpret_cast<const WORD*>(b + 16),
             static_cast<unsigned long>(style));
    return line;
}

std::vector<std::wstring> ReadResources(const std::wstring& path) {
    std::vector<std::wstring> lines;
    for (const MenuItem& popup : ReadMenuResource(path, IDC_VUEMERE)) lines.push_back(L"menu " + popup.text + L": " + Menu(popup.items));

    HMODULE exe = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ACCEL keys[8];
    const int count = CopyAcceleratorTableW(LoadAcceleratorsW(exe, MAKEINTRESOURCEW(IDC_VUEMERE)), keys, 8);
    for (int i = 0; i < count; ++i) {
        lines.push_back(std::wstring((keys[i].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT)) == FALT ? L"accelerator Alt+" : L"accelerator (not Alt alone) ") +
                        static_cast<wchar_t>(keys[i].key) + L" " + std::to_wstring(keys[i].cmd));
    }
    for (int id : {IDS_APP_TITLE, IDC_VUEMERE}) {
        wchar_t text[64] = L"";
        LoadStringW(exe, id, text, 64);
        lines.push_back(L"string " + std::to_wstring(id) + L" " + text);
    }
    for (int id : {IDD_ABOUTBOX, IDD_CONNECT, IDD_SETTING}) lines.push_back(Dialog(exe, id));
    for (int id : {IDI_VUEMERE, IDI_SMALL})
        if (!LoadIconW(exe, MAKEINTRESOURCEW(id))) lines.push_back(L"icon " + std::to_wstring(id) + L" missing");

    // Wholly transparent: AND mask all ones, XOR mask all zeros.
    ICONINFO cursor{};
    BYTE bits[256] = {};
    const bool read = GetIconInfo(LoadCursorW(exe, MAKEINTRESOURCEW(IDC_TRANSPARENT)), &cursor) && !cursor.hbmColor &&
                      GetBitmapBits(cursor.hbmMask, sizeof bits, bits) == sizeof bits;
    bool transparent = read;
    for (int i = 0; i < 256; ++i) transparent = transparent && bits[i] == (i < 128 ? 0xFF : 0x00);
    lines.push_back(std::wstring(L"cursor ") + (transparent ? L"transparent" : L"visible") + L" at " +
                    std::to_wstring(cursor.xHotspot) + L"," + std::to_wstring(cursor.yHotspot));
    if (cursor.hbmMask) DeleteObject(cursor.hbmMask);
    FreeLibrary(exe);

    DWORD handle = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &handle) + 1);
    GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
        wchar_t line[120];
        swprintf(line, 120, L"version %08lX.%08lX flags %lX os %lX type %lX", fixed->dwFileVersionMS,
                 fixed->dwFileVersionLS, fixed->dwFileFlags & fixed->dwFileFlagsMask, fixed->dwFileOS, fixed->dwFileType);
        lines.push_back(line);
    }
    for (const wchar_t* name : {L"FileDescription", L"FileVersion", L"InternalName", L"OriginalFilename",
                                L"PrivateBuild", L"ProductName", L"ProductVersion"}) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
        lines.push_back(name + (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)
                                    ? L" " + std::wstring(value) : L" (missing)"));
    }
    return lines;
}

}  // namespace

TEST(Resources, AsTheProgramFileCarriesThem) {
    const std::vector<std::wstring> expected = {
        L"menu &Console: 32773 &Connect..., 32794 &DisConnect, 32776 &Settings..., 32796 Re&fresh of full size, -, "
        L"105 終了(&X)",
        L"menu &Keyboard: 32779 Ctrl+Alt+Del, -, 32786 Alt+, 32787 Ctrl+, 32788 Shift+, 32789 Windows+, -, "
        L"32800 through ALT key, -, 32790 Application Key, 32792 Kanji, -, 32798 type from clipboard",
        L"menu &Action: 32850 &Start, 32851 S&hut Down..., 32852 T&urn Off..., 32853 Sa&ve, 32854 &Pause, "
        L"32855 R&esume, 32856 &Reset..., -, 32857 Chec&kpoint",
        L"menu ヘルプ(&H): 104 バージョン情報(&A)...",
        L"accelerator Alt+? 104",
        L"accelerator Alt+/ 104",
        L"string 103 vuemere",
        L"string 109 VUEMERE",
        L"dialog 103 バージョン情報 at 22,17 size 182x62 font MS UI Gothic 9, 3 items, style 00C800C0",
        L"dialog 130 Connect at 0,0 size 246x78 font MS Shell Dlg 8, 12 items, style 80C800C8",
        L"dialog 131 setting at 0,0 size 175x134 font MS Shell Dlg 8, 18 items, style 80C800C8",
        L"cursor transparent at 0,0",
        L"version 00000000.00030006 flags 8 os 4 type 1",
        L"FileDescription vuemere",
        L"FileVersion 0, 0, 3, 6",
        L"InternalName vuemere",
        L"OriginalFilename vuemere.exe",
        L"PrivateBuild pre release",
        L"ProductName vuemere",
        L"ProductVersion 0, 0, 3, 6",
    };
    EXPECT_EQ(ReadResources(BinPath(L"vuemere.exe")), expected);
}
