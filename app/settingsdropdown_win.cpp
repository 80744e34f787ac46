#include "app/settingsdropdown_win.h"

#include "base/appstate.h"
#include "base/handles.h"
#include "reader/resnav_win.h"
#include "res/resource.h"
#include "store/settings.h"

HMENU load_settings_dropdown()
{
    HMENU menu = LoadMenuW(program_instance(), MAKEINTRESOURCEW(IDR_SETTINGS_DROPDOWN));
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (!popup) {
        if (menu) DestroyMenu(menu);
        return nullptr;
    }
    CheckMenuItem(popup, IDM_LOG_ONLY, MF_BYCOMMAND | (Settings.LogOnlyMode ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, IDM_THREAD_MAX, MF_BYCOMMAND | (Settings.UseThreadMax ? MF_CHECKED : MF_UNCHECKED));
    return menu;
}

void show_settings_dropdown(HWND main, const RECT& button)
{
    UniqueMenu menu(load_settings_dropdown());
    track_menu_below(menu.get(), button, main);
}

bool settings_dropdown_notify(HWND main, const NMHDR* header)
{
    if (!header || header->code != TBN_DROPDOWN) return false;
    const NMTOOLBARW* bar = reinterpret_cast<const NMTOOLBARW*>(header);
    if (bar->iItem != IDM_SETTINGS_MENU) return true;
    RECT button = bar->rcButton;
    MapWindowPoints(header->hwndFrom, nullptr, reinterpret_cast<POINT*>(&button), 2);
    show_settings_dropdown(main, button);
    return true;
}
