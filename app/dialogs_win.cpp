#include "app/dialogs_win.h"

#include <cwchar>

#include "app/dialogtexts.h"
#include "app/fontrules.h"
#include "app/fonts_win.h"
#include "app/selectors_win.h"
#include "base/appstate.h"
#include "base/report.h"
#include "net/boardmenu_win.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/settings.h"
#include "store/settingsline.h"

namespace {

MemoryStatusQuery g_memoryStatus = GlobalMemoryStatusEx;

// A field read with room for kDialogTextChars characters.
constexpr int kFieldUnits = static_cast<int>(kDialogTextChars) + 1;

void invalidate_response_view()
{
    if (AppState.responseView) InvalidateRect(AppState.responseView, nullptr, TRUE);
}

int32_t field_number(HWND dialog, int id)
{
    wchar_t text[kFieldUnits] = L"";
    GetDlgItemTextW(dialog, id, text, kFieldUnits);
    return dialog_number(text);
}

void set_field_number(HWND dialog, int id, int32_t value)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%ld", static_cast<long>(value));
    SetDlgItemTextW(dialog, id, text);
}

int32_t checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

void set_checked(HWND dialog, int id, int32_t value)
{
    CheckDlgButton(dialog, id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// ---- about box: one OK soft key

void fill_free_memory(HWND dialog)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    // Without an answer the field stays empty rather than showing a number
    // that was never measured.
    if (!g_memoryStatus(&status)) return;
    SetDlgItemTextW(dialog, IDC_FREE_MEMORY, free_memory_text(status.ullAvailPhys).c_str());
}

void about_init(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_OK);
    fill_free_memory(dialog);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    return soft_key_dialog(dialog, msg, wp, about_init, nullptr);
}

// ---- settings

int CALLBACK add_font_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM combo)
{
    if (!font_family_listed(font->lfCharSet, font->lfFaceName)) return 1;
    HWND box = reinterpret_cast<HWND>(combo);
    // A family may be told once per style; the list names it once.
    if (SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(font->lfFaceName)) == CB_ERR)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
    return 1;
}

void fill_font_combo(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_FONT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    if (HDC dc = GetDC(dialog)) {
        LOGFONTW want = {};
        want.lfCharSet = kShiftJisCharset;
        EnumFontFamiliesExW(dc, &want, add_font_family, reinterpret_cast<LPARAM>(combo), 0);
        ReleaseDC(dialog, dc);
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Settings.Font));
    SendMessageW(combo, CB_LIMITTEXT, kDialogTextChars, 0);
    // With no family to offer, the field shows the name in use, so that OK
    // does not put an empty name in its place.
    if (SendMessageW(combo, CB_GETCOUNT, 0, 0) <= 0) SetWindowTextW(combo, Settings.Font);
}

void settings_init(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_OK_CANCEL);
    SendDlgItemMessageW(dialog, IDC_PROXY_NAME, EM_LIMITTEXT, kDialogProxyNameChars, 0);
    for (int id : {IDC_PROXY_PORT, IDC_FONT_SIZE, IDC_THREAD_MAX, IDC_SURE_LINES})
        SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, kDialogTextChars, 0);
    SetDlgItemTextW(dialog, IDC_PROXY_NAME, Settings.ProxyName);
    set_field_number(dialog, IDC_PROXY_PORT, Settings.ProxyPort);
    set_checked(dialog, IDC_PROXY_USE, Settings.ProxyUse);
    set_field_number(dialog, IDC_FONT_SIZE, Settings.FontSize);
    fill_font_combo(dialog);
    set_checked(dialog, IDC_TOOLBAR_VISIBLE, Settings.ToolBarVisible);
    set_field_number(dialog, IDC_THREAD_MAX, Settings.ThreadMax);
    set_field_number(dialog, IDC_SURE_LINES, Settings.SureLines);
}

// In the order the fields are taken over; no value is checked for its range.
void settings_ok(HWND dialog)
{
    wchar_t text[kFieldUnits] = L"";
    GetDlgItemTextW(dialog, IDC_PROXY_NAME, text, kFieldUnits);
    copy_settings_text(Settings.ProxyName, kProxyNameUnits, text, kDialogProxyNameChars);
    Settings.ProxyPort = field_number(dialog, IDC_PROXY_PORT);
    Settings.ProxyUse = checked(dialog, IDC_PROXY_USE);

    text[0] = L'\0';
    GetWindowTextW(GetDlgItem(dialog, IDC_FONT), text, kFieldUnits);   // chosen or typed
    copy_settings_text(Settings.Font, kSettingsTextUnits, text, kDialogTextChars);
    Settings.FontSize = field_number(dialog, IDC_FONT_SIZE);
    CreateDisplayFonts(FontSearch::EveryMatch);

    Settings.ToolBarVisible = checked(dialog, IDC_TOOLBAR_VISIBLE);
    Settings.ThreadMax = field_number(dialog, IDC_THREAD_MAX);
    Settings.SureLines = field_number(dialog, IDC_SURE_LINES);
    invalidate_response_view();
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    return soft_key_dialog(dialog, msg, wp, settings_init, settings_ok);
}

// ---- debug settings

void debug_init(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_OK_CANCEL);
    set_checked(dialog, IDC_DEBUG_MODE, Settings.DebugMode);
    set_checked(dialog, IDC_LOGS_EXCLUDED, Settings.LogsExcludedFromCount);
}

void debug_ok(HWND dialog)
{
    Settings.DebugMode = checked(dialog, IDC_DEBUG_MODE);
    Settings.LogsExcludedFromCount = checked(dialog, IDC_LOGS_EXCLUDED);
    invalidate_response_view();
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK DebugDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    return soft_key_dialog(dialog, msg, wp, debug_init, debug_ok);
}

// ---- board-list source

void board_source_init(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_BOARD_SOURCE);
    wchar_t url[kSettingsTextUnits];
    copy_settings_text(url, kSettingsTextUnits, Settings.BBSTable, kDialogBBSTableChars);
    SendDlgItemMessageW(dialog, IDC_BBSTABLE, EM_LIMITTEXT, kDialogBBSTableChars, 0);
    SetDlgItemTextW(dialog, IDC_BBSTABLE, url);
}

// The table is written and read back only from a page that gave one: after a
// failed fetch the table in memory still holds the favourites as category 0,
// which the file would keep as an ordinary category and the next load would
// add a second time.
void rebuild_board_table()
{
    if (ItaList_get() != 1) return;
    ItaList_save();
    // Read back also when the write failed: the table is then the one on disk
    // again, with the favourites at position 0 where the selectors expect them.
    ItaList_load();
    FillCategorySelector();
}

void board_source_ok(HWND dialog)
{
    wchar_t url[kSettingsTextUnits] = L"";
    GetDlgItemTextW(dialog, IDC_BBSTABLE, url, static_cast<int>(kDialogBBSTableChars) + 1);
    copy_settings_text(Settings.BBSTable, kSettingsTextUnits, url, kDialogBBSTableChars);
    if (Settings.LineOnOff == 1)
        rebuild_board_table();
    else
        report_message(AppState.hwndMain, kTextOfflineMode, kCaptionInfo, MB_OK);
    invalidate_response_view();
    EndDialog(dialog, IDOK);
}

// OK is both the soft key "板一覧取得" and the button "Get".
INT_PTR CALLBACK BoardSourceDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    return soft_key_dialog(dialog, msg, wp, board_source_init, board_source_ok);
}

INT_PTR run_dialog(HWND owner, UINT templateId, DLGPROC proc)
{
    return DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(templateId), owner, proc, 0);
}

// Sent, not posted: the platform refuses to post a setting change (its
// second parameter may point at text). The dialog has ended by now, so the
// owner handles it exactly as it would a posted one.
void send_layout_change(HWND owner)
{
    if (owner) SendMessageW(owner, WM_SETTINGCHANGE, kSettingChangeLayout, 0);
}

}  // namespace

void set_memory_status_query(MemoryStatusQuery query) { g_memoryStatus = query ? query : GlobalMemoryStatusEx; }

INT_PTR ShowAboutDialog(HWND owner) { return run_dialog(owner, IDD_ABOUT, AboutDialogProc); }

INT_PTR ShowSettingsDialog(HWND owner)
{
    INT_PTR result = run_dialog(owner, IDD_SETTINGS, SettingsDialogProc);
    if (result == IDOK) send_layout_change(owner);
    return result;
}

INT_PTR ShowDebugDialog(HWND owner) { return run_dialog(owner, IDD_DEBUG_SETTINGS, DebugDialogProc); }

INT_PTR ShowBoardListSourceDialog(HWND owner)
{
    INT_PTR result = run_dialog(owner, IDD_BOARD_SOURCE, BoardSourceDialogProc);
    if (result == IDOK) send_layout_change(owner);
    return result;
}
