#include "app/newthread_win.h"

#include <commctrl.h>

#include <cwchar>

#include "app/commands_win.h"
#include "app/listupdate_win.h"
#include "app/openthread_win.h"
#include "base/appstate.h"
#include "base/report.h"
#include "net/replyeditor_win.h"
#include "reader/threadentry.h"
#include "store/boardtable.h"

namespace {

// The board the thread list shows when it takes new threads: a board with
// a server, not the favourite threads.
bool list_board(BoardEntry* out)
{
    const int32_t board = AppState.currentBoard;
    if (board < 0 || board >= BoardTable.count || !BoardTable.items) return false;
    const BoardEntry& b = BoardTable.items[board];
    if (b.host[0] == L'\0' || std::wcsncmp(b.name, kFavoriteThreadsBoard, kBoardFieldUnits) == 0) return false;
    *out = b;
    return true;
}

void select_row(int32_t row)
{
    HWND view = AppState.threadListView;
    if (!view) return;
    ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(view, row, FALSE);
}

}  // namespace

void start_new_thread(HWND main)
{
    // A copy: the editor and the fetch run dialogs meanwhile.
    BoardEntry board;
    if (!list_board(&board)) {
        report_message(main, kTextNoBoardForThread, kCaptionNewThread, MB_OK);
        return;
    }
    wchar_t title[kNewThreadTitleUnits];
    if (NewThreadEditor_open(main, board, title) != IDOK) return;

    show_board_threads(board, 1);
    const int32_t row = ProcessThreadList ? find_new_thread_row(*ProcessThreadList, title) : -1;
    if (row < 0) {
        // The list, as fetched, stays in sight.
        if (AppState.view != ListMode) switch_view(main);
        report_message(main, kTextNewThreadNotListed, kCaptionNewThread, MB_OK);
        return;
    }
    select_row(row);
    open_selected_thread(main);
}
