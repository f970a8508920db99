// vuemere.exe's resources as the file carries them: one table of menus, accelerators, strings,
// dialog templates, icons, the application manifest, the cursor and the version block.
#include "resources/resource.h"
#include "uidriver.h"

#include <gtest/gtest.h>

#include <cstring>

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

// Each size of an icon group that loads as an icon of that size.
std::wstring IconSizes(HMODULE exe, int id) {
    std::wstring line = L"icon " + std::to_wstring(id) + L":";
    HRSRC group = FindResourceW(exe, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    BYTE* directory = group ? static_cast<BYTE*>(LockResource(LoadResource(exe, group))) : nullptr;
    for (int i = 0; directory && i < reinterpret_cast<const WORD*>(directory)[2]; ++i) {
        const int size = directory[6 + 14 * i] ? directory[6 + 14 * i] : 256;
        const int image = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(image), RT_ICON);
        HICON icon = found ? CreateIconFromResourceEx(static_cast<BYTE*>(LockResource(LoadResource(exe, found))),
                                                      SizeofResource(exe, found), TRUE, 0x00030000, size, size, 0)
                           : nullptr;
        ICONINFO info{};
        BITMAP bitmap{};
        if (icon && GetIconInfo(icon, &info) && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) &&
            bitmap.bmWidth == size && bitmap.bmHeight == size)
            line += L" " + std::to_wstring(size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (icon) DestroyIcon(icon);
    }
    return line;
}

// The application manifest as Windows reads it when it starts the program: through the
// activation context made from it.
void ReadManifest(HMODULE exe, const std::wstring& path, std::vector<std::wstring>& lines) {
    std::wstring found;
    EnumResourceNamesW(exe, RT_MANIFEST, [](HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR text) -> BOOL {
        return EnumResourceLanguagesW(module, type, name, [](HMODULE, LPCWSTR, LPCWSTR id, WORD language, LONG_PTR out) -> BOOL {
            *reinterpret_cast<std::wstring*>(out) += L" id " + std::to_wstring(reinterpret_cast<ULONG_PTR>(id)) +
                                                     L" language " + std::to_wstring(language);
            return TRUE;
        }, text);
    }, reinterpret_cast<LONG_PTR>(&found));
    lines.push_back(L"manifests:" + found);
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE) return lines.push_back(L"manifest not taken");
    alignas(8) BYTE buffer[4096];
    SIZE_T size = 0;
    // The program's own identity first, then what it depends on: name and (major) version.
    for (DWORD index = 1; QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, buffer,
                                       sizeof buffer, &size); ++index) {
        const std::wstring identity =
            reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer)->lpAssemblyEncodedAssemblyIdentity;
        const size_t version = identity.find(L"version=\"") + 9;
        lines.push_back((index == 1 ? L"manifest assembly " : L"manifest dependency ") + identity.substr(0, identity.find(L',')) +
                        L" " + identity.substr(version, index == 1 ? identity.find(L'"', version) - version : 1));
    }
    wchar_t aware[64] = L"", awareness[64] = L"";
    QueryActCtxSettingsW(0, context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", aware, 64, &size);
    QueryActCtxSettingsW(0, context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", awareness, 64,
                         &size);
    lines.push_back(L"manifest dpiAwareness " + std::wstring(awareness) + L"; dpiAware " + aware);
    const auto* run = reinterpret_cast<ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(buffer);
    if (QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, buffer, sizeof buffer, &size))
        lines.push_back(std::wstring(L"manifest run level ") +
                        (run->RunLevel == ACTCTX_RUN_LEVEL_AS_INVOKER ? L"as invoker" : L"other") +
                        (run->UiAccess ? L", UI access" : L", no UI access"));
    // Supported systems: their identifiers anywhere in the compatibility information.
    std::wstring systems = L"manifest supports";
    if (QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, buffer, sizeof buffer, &size)) {
        const struct {
            GUID id;
            const wchar_t* name;
        } known[] = {{{0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}}, L" 7"},
                     {{0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}}, L" 8"},
                     {{0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}}, L" 8.1"},
                     {{0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}, L" 10-11"}};
        for (const auto& os : known)
            for (SIZE_T at = 0; at + sizeof(GUID) <= size; ++at)
                if (std::memcmp(buffer + at, &os.id, sizeof(GUID)) == 0) systems += os.name;
    }
    lines.push_back(systems);
    ReleaseActCtx(context);
}

std::vector<std::wstring> ReadResources(const std::wstring& path) {
    std::vector<std::wstring> lines;
    for (int id : {IDC_VUEMERE, IDR_OVERVIEW})
        for (const MenuItem& popup : ReadMenuResource(path, id)) lines.push_back(L"menu " + popup.text + L": " + Menu(popup.items));

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
    for (int id : {IDD_ABOUTBOX, IDD_CONNECT, IDD_SETTING, IDD_ADD_HOST}) lines.push_back(Dialog(exe, id));
    for (int id : {IDI_VUEMERE, IDI_SMALL}) lines.push_back(IconSizes(exe, id));
    ReadManifest(exe, path, lines);

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
        L"menu &Console: 32773 &Connect..., 32794 &DisConnect, 32776 &Settings..., 32796 Re&fresh of full size, "
        L"32810 Co&py Screen, 32811 Save Screen &As..., 32812 &Full Screen, 32860 &Overview..., -, 105 終了(&X)",
        L"menu &Keyboard: 32779 Ctrl+Alt+Del, -, 32786 Alt+, 32787 Ctrl+, 32788 Shift+, 32789 Windows+, -, "
        L"32800 through ALT key, -, 32790 Application Key, 32792 Kanji, -, 32798 type from clipboard",
        L"menu &Action: 32850 &Start, 32851 S&hut Down..., 32852 T&urn Off..., 32853 Sa&ve, 32854 &Pause, "
        L"32855 R&esume, 32856 &Reset..., -, 32857 Chec&kpoint",
        L"menu ヘルプ(&H): 104 バージョン情報(&A)...",
        // The overview's own; its Action popup is the console's, added when the window is made.
        L"menu &Host: 32861 &Add Host..., 32862 &Remove Host, 32863 Re&fresh\tF5, -, 32864 &Close",
        L"menu &View: 32865 &Large Tiles, 32866 &Medium Tiles, 32867 &Small Tiles, 32868 &Details",
        L"accelerator Alt+? 104",
        L"accelerator Alt+/ 104",
        L"string 103 vuemere",
        L"string 109 VUEMERE",
        L"dialog 103 バージョン情報 at 22,17 size 182x62 font MS UI Gothic 9, 3 items, style 00C800C0",
        L"dialog 130 Connect at 0,0 size 246x78 font MS Shell Dlg 8, 12 items, style 80C800C8",
        L"dialog 131 setting at 0,0 size 175x134 font MS Shell Dlg 8, 18 items, style 80C800C8",
        L"dialog 141 Add Host at 0,0 size 186x78 font MS Shell Dlg 8, 8 items, style 80C800C8",
        L"icon 107: 16 20 24 32 40 48 64 256",
        L"icon 108: 16 20 24 32 40 48 64 256",
        L"manifests: id 1 language 0",
        L"manifest assembly vuemere 0.0.3.6",
        L"manifest dependency Microsoft.Windows.Common-Controls 6",
        L"manifest dpiAwareness PerMonitorV2, PerMonitor; dpiAware true/pm",
        L"manifest run level as invoker, no UI access",
        L"manifest supports 7 8 8.1 10-11",
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
