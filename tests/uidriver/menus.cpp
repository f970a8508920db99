// Reading a module's menu resource.
#include "uidriver.h"

namespace uidriver {

namespace {
std::vector<MenuItem> ReadMenu(HMENU menu) {
    std::vector<MenuItem> items;
    int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;
        MenuItem item;
        item.separator = (info.fType & MFT_SEPARATOR) != 0;
        HMENU submenu = info.hSubMenu;  // the text query below may overwrite info
        item.id = submenu ? 0 : info.wID;
        item.state = info.fState;
        if (!item.separator && info.cch > 0) {
            std::wstring text(info.cch + 1, L'\0');
            info.fMask = MIIM_STRING;
            info.dwTypeData = text.data();
            info.cch = static_cast<UINT>(text.size());
            if (GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) text.resize(info.cch);
            item.text = text;
        }
        if (submenu) item.items = ReadMenu(submenu);
        items.push_back(std::move(item));
    }
    return items;
}
}  // namespace

std::vector<MenuItem> ReadMenuResource(const std::wstring& modulePath, int menuId) {
    std::vector<MenuItem> items;
    HMODULE module = LoadLibraryExW(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return items;
    if (HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(menuId))) {
        items = ReadMenu(menu);
        DestroyMenu(menu);
    }
    FreeLibrary(module);
    return items;
}

}  // namespace uidriver
