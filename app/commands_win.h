// What the main window's commands do: each command of the menus, soft keys,
// command-bar buttons, accelerators and selectors is one function here,
// called by the main window procedure. Commands that need an open thread do
// nothing while none is current.
#pragma once
#include <windows.h>

constexpr wchar_t kProgressClosing[] = L"閉じてます";
constexpr wchar_t kTextReallyDelete[] = L"本当に削除しますか？";
constexpr wchar_t kCaptionDeleteConfirm[] = L"削除確認";
constexpr UINT kDeleteConfirmType = MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION;
// A thread whose board is no longer in the board table (it was rebuilt)
// cannot be fetched again; it stays open as it is.
constexpr wchar_t kCaptionReloadThread[] = L"reload_current_thread";
// The selectors report an accepted choice with this notification only.
constexpr WORD kSelectionAccepted = CBN_SELENDOK;

// ---- the main window's messages ----

// Size change: the layout rectangles again; the windows move at the next
// ApplyLayout.
void MainWindow_resized(HWND main);
// The focus goes on to the view of the current mode.
void MainWindow_focus_view();
// Setting change 0x3002 (screen rotated, settings or board list changed):
// rectangles and layout again. Other setting changes are ignored.
void MainWindow_setting_changed(HWND main, WPARAM code);
// WM_NOTIFY: the thread list's item activation opens the selected row's
// thread; the drop-down button 40019 of the command bars shows the settings
// drop-down; everything else goes to the thread list (ThreadListNotify).
LRESULT MainWindow_notify(HWND main, NMHDR* header);

// Enter in the main window: the action menu (menu 147) below button 40019
// of the current command bar, owned by the main window; the chosen item
// arrives as an ordinary command.
void show_action_menu(HWND main);

// ---- program ----

// 40002: closes every open thread behind a progress dialog counting them
// down ("%d 終了処理中"), then closes the main window.
void ExitProgram(HWND main);
// 40003: key help, dialog 133 in ListMode, 134 in ThreadMode.
void show_key_help(HWND main);
// 40010: online and offline; the button and both menu bars follow.
void toggle_online();
// 40011: ListMode and ThreadMode.
void switch_view(HWND main);

// ---- thread list ----

// 40012 (fetch when online) and 40070 (local files only): the thread list of
// the board in the board selector again.
void reload_thread_list(int fetch);
// 40013: the update check; offline it only says so.
void check_for_updates();
// 40046: the thread-list limit on and off.
void toggle_thread_max();
// 40047: the selected row leaves the favourite threads; the favourite-thread
// list is shown.
void remove_favorite_thread();
// 40073: the new-first sort, as a click on the header of column 0 sorts.
void sort_new_first(HWND main);
// 1042: log-only on and off, then the list again from the local files
// (40070 posted to `main`).
void toggle_log_only(HWND main);

// ---- the current thread (each does nothing without one) ----

// 40014: online, the log's new part is fetched and parsed into the same
// entry, the responses that arrived drawn as new; offline only the view is
// redrawn and focused.
void reload_current_thread();
// 40015: the response detail dialog, then the view takes the focus.
void open_copy_dialog(HWND main);
// 40016: the reply editor, modeless or modal as Settings.Flag bit 0 says.
void open_reply_editor(HWND main);
// 40017: releases the current thread behind "閉じてます"; the thread before
// it becomes current, or ListMode when none is left.
void close_current_thread(HWND main);
// 40018: after "本当に削除しますか？" answered Yes, the thread's line of its
// held-thread list and its log go, and the thread is closed (40017 sent to
// `main`). Anything but Yes changes nothing.
void delete_current_log(HWND main);
// 40041, 40042: the thread's board, the thread itself, among the favourites.
void add_favorite_board();
void add_favorite_thread();
// 40043: the jump dialog; 40044: to the last response.
void jump_to_response();
void jump_to_end();

// ---- focus ----

// 40030: the category selector opened (its first entry selected when it
// shows none) and focused; 40031, 40032: the board and open-thread selectors
// opened and focused.
void focus_category_selector();
void focus_board_selector();
void focus_open_thread_selector();
// 40033, 40034: the thread list view, the response view.
void focus_thread_list();
void focus_response_view();
// 40035: the search box of the current mode.
void focus_search_box();

// ---- dialogs ----

// 40036, 40040, 40069: the settings, debug settings and board-list source
// dialogs (the first and last tell the main window to lay itself out again
// after OK); then the view of the current mode takes the focus.
void open_settings(HWND main);
void open_debug_settings(HWND main);
void open_board_list_source(HWND main);

// ---- selectors (on the selection-accepted notification only) ----

// 1001: the category's boards in the board selector, opened on the first.
void category_chosen();
// 1002: the board's thread list, fetched first when online; the favourite
// threads for the favourite-thread entry.
void board_chosen();
// 1003: the chosen open thread becomes current.
void open_thread_chosen();
