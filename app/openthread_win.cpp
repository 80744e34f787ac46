#include "app/openthread_win.h"

#include <cwchar>
#include <string>

#include "app/layout_win.h"
#include "base/appkinds.h"
#include "base/appstate.h"
#include "base/report.h"
#include "net/threadfetch_win.h"
#include "reader/datread_win.h"
#include "reader/entities_win.h"
#include "reader/opentable_win.h"
#include "reader/resnav.h"
#include "reader/threadentry.h"
#include "reader/threadlist_win.h"
#include "store/boardtable.h"
#include "store/loglistfile.h"
#include "store/logpaths.h"
#include "store/responses.h"
#include "store/settings.h"

namespace {

// The last open thread with this log of this board, or -1.
int find_open_thread(const std::wstring& file, const BoardEntry& board)
{
    const OpenThreadTableRecord& t = OpenThreadTable;
    for (int i = t.count - 1; i >= 0; --i) {
        const ResponseBuffer& e = t.entries[i];
        if (file == e.fileName && std::wcscmp(e.board.dir, board.dir) == 0 &&
            std::wcscmp(e.board.host, board.host) == 0)
            return i;
    }
    return -1;
}

void select_in_open_thread_selector(int index)
{
    if (AppState.OpenThreadSelector) SendMessageW(AppState.OpenThreadSelector, CB_SETCURSEL, index, 0);
}

void place_view_at(int index, int32_t line)
{
    OpenThreadTableRecord& t = OpenThreadTable;
    if (!t.scroll || index >= t.scrollCapacity) return;
    t.scroll[index].nPos = line;
    Resdata_show_scroll(index);
}

// Fetches (when online) and parses the thread into a new entry of the table,
// places it at the response last read and records it as held. False when it
// could not be parsed (the reasons were shown).
bool open_new_thread(int board, const std::wstring& file, const std::wstring& title, int32_t rowCount)
{
    const bool fallen =
        Settings.LineOnOff && Resdata_get(board, file.c_str(), DatFetchMode::Open) == DatFetchResult::Fallen;
    // A thread that fell before it was ever held has nothing to show, and
    // that has been said.
    if (fallen && get_filesize(board, file.c_str()) == 0) return false;
    OpenThreadTableRecord& t = OpenThreadTable;
    if (t.count >= 1) Resdata_ReAlloc_buffer();
    // A refused growth was reported; there is no entry to parse into.
    if (!t.entries || t.count >= t.entryCapacity) return false;
    const int index = t.count;
    if (!Resdata_read2(board, file.c_str(), index)) return false;
    ResponseBuffer& entry = t.entries[index];

    const BoardEntry& b = BoardTable.items[board];
    LogListFile held;
    const bool listOpen = held.setboard(b.host, b.dir) == 1;
    const int32_t lastRead = listOpen ? held.finditem(file.c_str()) : -1;
    place_view_at(index, scroll_line_for_last_read(entry, lastRead));

    t.count = index + 1;
    t.current = index;
    if (AppState.OpenThreadSelector)
        SendMessageW(AppState.OpenThreadSelector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
    select_in_open_thread_selector(index);
    entry.ReadMark = listOpen ? held.totalitem(file.c_str()) : -1;
    // A favourite not yet held has no count of its own: the log's stands.
    if (listOpen)
        held.additem(file.c_str(), title_for_file(title).c_str(), rowCount >= 0 ? rowCount : entry.responseCount,
                     fallen);
    return true;
}

void show_thread_view()
{
    if (AppState.responseView) InvalidateRect(AppState.responseView, nullptr, TRUE);
    AppState.view = ThreadMode;
    ApplyLayout();
    if (AppState.responseView) SetFocus(AppState.responseView);
}

}  // namespace

void open_selected_thread(HWND)
{
    const ThreadEntry* e = thread_list_selected_entry();
    if (!e) return;
    // Copies: fetching runs a dialog, and the list may be drawn meanwhile.
    const std::wstring file = e->fileName, title = e->title;
    const int32_t rowCount = e->count;
    // A selected row is one of ProcessThreadList's.
    const int board = thread_list_row_board(*ProcessThreadList, *e);
    if (board < 0) {
        report_message(AppState.hwndMain, (file + L"\n" + kTextBoardGone).c_str(), kCaptionOpenThread, MB_OK);
        return;
    }
    const int open = find_open_thread(file, BoardTable.items[board]);
    if (open >= 0) {
        OpenThreadTable.current = open;
        select_in_open_thread_selector(open);
    } else if (!open_new_thread(board, file, title, rowCount)) {
        return;
    }
    show_thread_view();
}
