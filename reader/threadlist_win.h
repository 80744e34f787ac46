// The thread list: its view (an owner-data, owner-drawn report list view,
// control 1004), the loads that fill its ThreadList from a board's
// "subject.txt" or from "favorite.txt", sorting by column, the selected row
// and its board.
#pragma once
#include "base/report.h"
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "reader/threadentry.h"

// ---- start and end (the main window's creation and destruction) ----
// The rows themselves live in ProcessThreadList (create_thread_list at start,
// delete_thread_list at the end).

// The list view "SureList" (control 1004) over the parent's client area,
// with its columns and its image list of the four state icons. Also stored
// in AppState.threadListView. Null when it cannot be created.
// The image list outlives the view; destroy_state_images (stateicons_win.h)
// frees it at the end.
HWND CreateThreadListView(HWND parent);

// ---- loads ----

// Lists the board's local "subject.txt" (host and directory as in its
// BoardEntry), marked from the board's held-thread list. 1 when the file was
// read; 0 after a message, the previous list then stays.
int LstSure_load(const wchar_t* host, const wchar_t* dir);
// Lists the favourite threads of "favorite.txt". 1 or 0 as above.
int favorite_sure_load();

// ---- the main window's routing ----

// WM_MEASUREITEM for control 1004: the row height. False for other controls.
bool ThreadListMeasureItem(HWND parent, MEASUREITEMSTRUCT* item);
// WM_DRAWITEM for control 1004: one row. False for other controls.
bool ThreadListDrawItem(const DRAWITEMSTRUCT* item);
// WM_NOTIFY: the list's column clicks (sort), item texts and the search by
// typed letters (the item activation that opens a thread and the drop-down
// button 40019 of the command bars are the main window's, MainWindow_notify).
// Returns the message's result: for the letter search the row found or -1 (a
// 0 would jump to the first row at every key), 0 for everything else.
LRESULT ThreadListNotify(NMHDR* header);

// ---- the pieces behind them ----

// Puts a freshly loaded list behind the view (sorted new-first when that is
// the setting), its first row selected; the loads end here.
void thread_list_show_new(std::unique_ptr<ThreadList> list);

// Sets aside the rows whose titles the NG lists hide (and brings back those
// they no longer hide), shows how many are set aside in the title column's
// header, and redraws the list keeping the selected thread selected when it
// is still shown.
void thread_list_apply_ng();

// The row selected in the thread list view, or null.
const ThreadEntry* thread_list_selected_entry();

// The board table's index of the board a row belongs to: the one its list was
// loaded for (the current board, or for a favourite the index it carries)
// while that board still has the row's server and directory; else the first
// board that has them; -1 when none has.
int32_t thread_list_row_board(const ThreadList& list, const ThreadEntry& row);

// The tick of the new-first item of the list's menu bar (40073, or 40072 in
// menu 159) as Settings.SortNew is.
void thread_list_show_sort_mark();
// A click on the header of `column`: toggles its direction and sorts, keeping
// the selected thread selected; column 0 is the new-first sort (SortNew and
// the tick of its menu item).
void thread_list_sort_by_column(int column);

// ---- texts ----

constexpr wchar_t kCaptionLstSureLoad[] = L"LstSure_load";
constexpr wchar_t kCaptionFavoriteSureLoad[] = L"favorite_sure_load";
constexpr wchar_t kHeaderTitle[] = L"スレタイ";
constexpr wchar_t kHeaderTitleHidden[] = L"スレタイ (NG %d)";   // with rows hidden
constexpr wchar_t kHeaderCount[] = L"レス";
constexpr wchar_t kListWindowText[] = L"SureList";
