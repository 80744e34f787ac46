// The thread list brought up to date: the board selector's board reloaded
// (fetched first when asked), and the update check over the held rows.
#pragma once
#include <windows.h>

#include "store/boardtable.h"

// Not the dialogs' "Info": the announcement of the update check says "info".
constexpr wchar_t kCaptionCheckInfo[] = L"info";
constexpr wchar_t kTextCheckAnnounce[] = L"更新チェックします";
constexpr wchar_t kTextOffline[] = L"offlineです";
// The favourite-thread pseudo-board's display name.
constexpr wchar_t kFavoriteThreadsBoard[] = L"お気に入りスレ";

// Checks every held row of the current thread list, one HEAD after the
// other, and gives the grown ones the new-responses state; with SortNew 2
// they then come first. Redraws the list view.
void update_check_list();

// Shows the thread list of `board` from its local files, fetched first when
// `fetch` is set and the board has a server.
void show_board_threads(const BoardEntry& board, int fetch);

// Reloads the thread list of the board selected in the board selector: for
// an ordinary board the thread list is fetched first when `fetch` is set and
// shown from the local files either way; for the favourite threads `fetch`
// runs the update check and nothing else is reloaded.
void open_board_list(int fetch);

// The update-check command: offline it only says so.
void update_check_command();
