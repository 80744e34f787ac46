#include "app/listupdate_win.h"

#include <cwchar>
#include <string>

#include "base/appstate.h"
#include "base/report.h"
#include "net/post_win.h"
#include "net/subjectfetch_win.h"
#include "net/updatecheck_win.h"
#include "reader/threadentry.h"
#include "reader/threadlist_win.h"
#include "store/settings.h"

void update_check_list()
{
    ThreadList* list = ProcessThreadList;
    if (list) {
        // The count is taken once: the rows do not change during the check.
        int32_t rows = list->count();
        for (int32_t row = 0; row < rows; ++row) {
            ThreadEntry* entry = list->at(row);
            // A fallen thread is checked no more: only its reload by hand asks.
            if (!entry || entry->lastRead == -1 || entry->state == ThreadFallen) continue;
            int32_t board = thread_list_row_board(*list, *entry);
            if (board < 0) continue;
            if (check_thread_modified(board, entry->fileName) == 1) entry->state = ThreadHasNew;
        }
        if (Settings.SortNew == 2) list->sort(0, false);
    }
    if (AppState.threadListView) InvalidateRect(AppState.threadListView, nullptr, TRUE);
}

void update_check_command()
{
    if (!Settings.LineOnOff) {
        report_message(AppState.hwndMain, kTextOffline, kCaptionPostRes, MB_OK);
        return;
    }
    update_check_list();
}

namespace {

// The board the board selector shows selected, as an index into BoardTable;
// -1 when nothing is selected or the selection names no board.
int32_t selected_board()
{
    if (!AppState.BoardSelector) return -1;
    SendMessageW(AppState.BoardSelector, CB_SHOWDROPDOWN, FALSE, 0);
    LRESULT row = SendMessageW(AppState.BoardSelector, CB_GETCURSEL, 0, 0);
    if (row < 0) return -1;
    return board_for_selection(CategoryTable, BoardTable, AppState.currentCategory, static_cast<int32_t>(row));
}

void reload_board(int32_t boardIndex, int fetch)
{
    const BoardEntry& board = BoardTable.items[boardIndex];
    if (std::wcsncmp(board.name, kFavoriteThreadsBoard, kBoardFieldUnits) == 0) {
        if (!fetch) return;
        report_message(AppState.hwndMain, kTextCheckAnnounce, kCaptionCheckInfo, MB_OK);
        update_check_list();
        return;
    }
    show_board_threads(board, fetch);
}

}  // namespace

void show_board_threads(const BoardEntry& board, int fetch)
{
    // Copies: the fetch runs a dialog, and nothing may pull the record away
    // from under the load that follows.
    wchar_t host[kBoardFieldUnits], dir[kBoardFieldUnits];
    std::wmemcpy(host, board.host, kBoardFieldUnits);
    std::wmemcpy(dir, board.dir, kBoardFieldUnits);
    host[kBoardFieldUnits - 1] = L'\0';
    dir[kBoardFieldUnits - 1] = L'\0';
    // A board without a server (a favourite board that stands for none) has
    // nothing to fetch; its local list is still shown.
    std::wstring movedTo;
    if (fetch && host[0] != L'\0') LstSure_get(host, dir, board.secure, &movedTo);
    // A board that moved is listed from its new place.
    if (!movedTo.empty()) lstrcpynW(host, movedTo.c_str(), kBoardFieldUnits);
    LstSure_load(host, dir);
}

void open_board_list(int fetch)
{
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    int32_t board = selected_board();
    if (board >= 0) {
        AppState.currentBoard = board;
        reload_board(board, fetch);
    }
    SetCursor(previous);
    if (AppState.threadListView) SetFocus(AppState.threadListView);
}
