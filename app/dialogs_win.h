// The settings and information dialogs of the main window. Each runs modal
// over `owner` (the main window), gets its soft-key bar at initialisation and
// destroys it, clearing AppState.dialogMenuBar, when it goes away. Each
// returns how it ended: 1 (OK), 2 (cancel), or -1 when it could not be shown.
#pragma once
#include <windows.h>

// The setting change (WM_SETTINGCHANGE with this first parameter) after which
// the main window computes and applies its layout again.
constexpr WPARAM kSettingChangeLayout = 0x3002;

// About box (template 105): the available physical memory in KB.
INT_PTR ShowAboutDialog(HWND owner);

// Settings (template 109). OK stores every field in Settings, builds the
// display fonts again and invalidates the response view; once the dialog has
// ended, the setting change kSettingChangeLayout goes to `owner`, so a
// changed tool-bar setting shows at once. Cancel changes nothing.
INT_PTR ShowSettingsDialog(HWND owner);

// Debug settings (template 146): DebugMode and LogsExcludedFromCount, taken
// over only on OK.
INT_PTR ShowDebugDialog(HWND owner);

// Board-list source (template 148). OK keeps the URL in Settings.BBSTable.
// Online it rebuilds the board table from that page, and only when the page
// gave a table writes "2channel.brd", loads it again and refills the category
// selector; a failed fetch writes nothing. Offline it says
// "Offlineモードです" / "Info" (owner the main window) and fetches nothing.
// After OK the setting change kSettingChangeLayout goes to `owner`.
INT_PTR ShowBoardListSourceDialog(HWND owner);

// Tests choose what the platform says about its memory.
using MemoryStatusQuery = BOOL(WINAPI*)(LPMEMORYSTATUSEX status);
void set_memory_status_query(MemoryStatusQuery query);
