// The settings drop-down of the command bars: menu 144 below button 40019,
// with "ログのみ" and "スレリスト数制限" ticked as the settings are.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Menu 144 with its two items ticked as the settings are; the caller
// destroys it.
HMENU load_settings_dropdown();
// Tracks menu 144 below `button` (screen coordinates), owned by `main`.
void show_settings_dropdown(HWND main, const RECT& button);
// TBN_DROPDOWN of a command bar: the drop-down of button 40019 below it.
// False for every other notification.
bool settings_dropdown_notify(HWND main, const NMHDR* header);
