// The main window's switchboard: every menu item, soft key, command-bar
// button, accelerator and selector arrives here and goes on to the function
// that does the work. Nothing is decided here beyond where a message goes.
#include "app/mainwindow_win.h"

#include <commctrl.h>

#include "app/commands.h"
#include "app/commands_win.h"
#include "app/dialogs_win.h"
#include "app/newthread_win.h"
#include "app/startup_win.h"
#include "platform/softkeys_win.h"
#include "reader/ngdialogs_win.h"
#include "reader/threadlist_win.h"
#include "res/resource.h"

namespace {

// A selector reports here; only an accepted choice counts.
LRESULT on_selector(WPARAM wp, void (*chosen)())
{
    if (HIWORD(wp) == kSelectionAccepted) chosen();
    return 0;
}

LRESULT on_command(HWND hwnd, WPARAM wp, LPARAM lp)
{
    switch (command_for(LOWORD(wp))) {
    case IDM_ABOUT: ShowAboutDialog(hwnd); return 0;
    case IDM_EXIT: ExitProgram(hwnd); return 0;
    case IDM_HELP: show_key_help(hwnd); return 0;
    case IDM_ONLINE: toggle_online(); return 0;
    case IDM_SWITCH_VIEW: switch_view(hwnd); return 0;
    case IDM_RELOAD_LIST: reload_thread_list(1); return 0;
    case IDM_UPDATE_CHECK: check_for_updates(); return 0;
    case IDM_RELOAD_THREAD: reload_current_thread(); return 0;
    case IDM_COPY_DIALOG: open_copy_dialog(hwnd); return 0;
    case IDM_WRITE: open_reply_editor(hwnd); return 0;
    case IDM_NEW_THREAD: start_new_thread(hwnd); return 0;
    case IDM_CLOSE_THREAD: close_current_thread(hwnd); return 0;
    case IDM_DELETE_LOG: delete_current_log(hwnd); return 0;
    case IDM_FOCUS_CATEGORY: focus_category_selector(); return 0;
    case IDM_FOCUS_BOARD: focus_board_selector(); return 0;
    case IDM_FOCUS_OPEN_THREADS: focus_open_thread_selector(); return 0;
    case IDM_FOCUS_THREAD_LIST: focus_thread_list(); return 0;
    case IDM_FOCUS_RESPONSE_VIEW: focus_response_view(); return 0;
    case IDM_SEARCH: focus_search_box(); return 0;
    case IDM_SETTINGS: open_settings(hwnd); return 0;
    case IDM_DEBUG_SETTINGS: open_debug_settings(hwnd); return 0;
    case IDM_ADD_FAVORITE_BOARD: add_favorite_board(); return 0;
    case IDM_ADD_FAVORITE_THREAD: add_favorite_thread(); return 0;
    case IDM_JUMP_RESPONSE: jump_to_response(); return 0;
    case IDM_JUMP_END: jump_to_end(); return 0;
    case IDM_THREAD_MAX: toggle_thread_max(); return 0;
    case IDM_REMOVE_FAVORITE_THREAD: remove_favorite_thread(); return 0;
    case IDM_FETCH_BOARD_LIST: open_board_list_source(hwnd); return 0;
    case IDM_SHOW_LOCAL_LIST: reload_thread_list(0); return 0;
    case IDM_SORT_NEW: sort_new_first(hwnd); return 0;
    case IDM_LOG_ONLY: toggle_log_only(hwnd); return 0;
    case IDM_NG_ADD_TITLE: NgTitle_open(hwnd); return 0;
    case IDM_NG_LIST: NgList_open(hwnd); return 0;
    case IDC_CATEGORY_SELECTOR: return on_selector(wp, category_chosen);
    case IDC_BOARD_SELECTOR: return on_selector(wp, board_chosen);
    case IDC_OPEN_THREAD_SELECTOR: return on_selector(wp, open_thread_chosen);
    }
    // 40060 (Ctrl+6), 40019 and the rest: nothing of ours.
    return DefWindowProcW(hwnd, WM_COMMAND, wp, lp);
}

LRESULT on_measure_item(HWND hwnd, WPARAM wp, LPARAM lp)
{
    if (ThreadListMeasureItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
    return DefWindowProcW(hwnd, WM_MEASUREITEM, wp, lp);
}

LRESULT on_draw_item(HWND hwnd, WPARAM wp, LPARAM lp)
{
    if (ThreadListDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
    return DefWindowProcW(hwnd, WM_DRAWITEM, wp, lp);
}

LRESULT on_key_down(HWND hwnd, WPARAM key)
{
    if (key == VK_RETURN) show_action_menu(hwnd);
    return 0;
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    TranslateBackKey(msg, wp, lp);
    switch (msg) {
    case WM_CREATE: return RunCreationSequence(hwnd);
    case WM_DESTROY: RunDestructionSequence(hwnd); return 0;
    case WM_SIZE: MainWindow_resized(hwnd); return 0;
    case WM_SETFOCUS: MainWindow_focus_view(); return 0;
    case WM_SETTINGCHANGE: MainWindow_setting_changed(hwnd, wp); return 0;
    case WM_MEASUREITEM: return on_measure_item(hwnd, wp, lp);
    case WM_DRAWITEM: return on_draw_item(hwnd, wp, lp);
    case WM_NOTIFY: return MainWindow_notify(hwnd, reinterpret_cast<NMHDR*>(lp));
    case WM_KEYDOWN: return on_key_down(hwnd, wp);
    case WM_COMMAND: return on_command(hwnd, wp, lp);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
