#include "app/commands_win.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "app/commands.h"
#include "app/dialogs_win.h"
#include "app/layout_win.h"
#include "app/listupdate_win.h"
#include "app/openthread_win.h"
#include "app/selectors_win.h"
#include "app/settingsdropdown_win.h"
#include "app/shelltexts.h"
#include "base/appstate.h"
#include "base/progress_win.h"
#include "base/report.h"
#include "net/difffetch_win.h"
#include "net/replyeditor_win.h"
#include "net/subjectfetch_win.h"
#include "net/threadfetch_win.h"
#include "net/updatecheck_win.h"
#include "platform/softkeys_win.h"
#include "reader/conversation.h"
#include "reader/datread_win.h"
#include "reader/entities_win.h"
#include "reader/keyhelp_win.h"
#include "reader/opentable_win.h"
#include "reader/resdetail_win.h"
#include "reader/resnav.h"
#include "reader/resnav_win.h"
#include "reader/resview_win.h"
#include "reader/threadlist_win.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/favorites.h"
#include "store/loglistfile.h"
#include "store/settings.h"

namespace {

void focus(HWND window)
{
    if (window) SetFocus(window);
}

void redraw(HWND window)
{
    if (window) InvalidateRect(window, nullptr, TRUE);
}

void focus_and_redraw_view()
{
    focus(AppState.responseView);
    redraw(AppState.responseView);
}

void open_dropdown(HWND selector)
{
    if (!selector) return;
    SendMessageW(selector, CB_SHOWDROPDOWN, TRUE, 0);
    SetFocus(selector);
}

// The title the open-thread selector shows for the current thread (at most
// 255 characters, as a favourite keeps it).
std::wstring current_thread_title()
{
    HWND selector = AppState.OpenThreadSelector;
    const int index = OpenThreadTable.current;
    if (!selector || index < 0) return std::wstring();
    const LRESULT length = SendMessageW(selector, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length < 0) return std::wstring();
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(selector, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&title[0]));
    title.resize(got == CB_ERR || got < 0 ? 0 : static_cast<size_t>(got));
    if (title.size() > 255) title.resize(255);
    return title;
}

void show_new_list_mode()
{
    AppState.view = ListMode;
    ApplyLayout();
    focus(AppState.threadListView);
}

}  // namespace

// ---- the main window's messages ----

void MainWindow_resized(HWND main)
{
    ComputeLayout(main);
    InvalidateRect(main, nullptr, TRUE);
}

void MainWindow_focus_view()
{
    focus(AppState.view == ThreadMode ? AppState.responseView : AppState.threadListView);
}

void MainWindow_setting_changed(HWND main, WPARAM code)
{
    if (code != kSettingChangeLayout) return;
    ComputeLayout(main);
    ApplyLayout();
    InvalidateRect(main, nullptr, TRUE);
}

LRESULT MainWindow_notify(HWND main, NMHDR* header)
{
    if (header && header->idFrom == IDC_THREAD_LIST && header->code == LVN_ITEMACTIVATE) {
        open_selected_thread(main);
        return 0;
    }
    if (settings_dropdown_notify(main, header)) return 0;
    return ThreadListNotify(header);
}

void show_action_menu(HWND main) { show_action_menu_below(AppState.currentToolbar, main, main); }

// ---- program ----

void ExitProgram(HWND main)
{
    HWND progress = CreateProgressDialog(main, kProgressShuttingDown);
    for (int i = OpenThreadTable.count - 1; i >= 0; --i) {
        wchar_t caption[64];
        swprintf(caption, sizeof caption / sizeof caption[0], kProgressShuttingDownCount, i);
        SetProgressCaption(progress, caption);
        Resdata_close(i, 0);
        --OpenThreadTable.count;
        --OpenThreadTable.current;
    }
    // Counting down from a current index below the last would leave it
    // pointing before the table.
    OpenThreadTable.current = -1;
    CloseProgressDialog(progress);
    SendMessageW(main, WM_CLOSE, 0, 0);
}

void show_key_help(HWND main) { ShowKeyHelpDialog(main, AppState.view); }

void toggle_online()
{
    Settings.LineOnOff = Settings.LineOnOff ? 0 : 1;
    ShowOnlineState(Settings.LineOnOff);
}

void switch_view(HWND main)
{
    AppState.view = AppState.view == ListMode ? ThreadMode : ListMode;
    ApplyLayout();
    InvalidateRect(main, nullptr, TRUE);
    redraw(AppState.responseView);
}

// ---- thread list ----

void reload_thread_list(int fetch) { open_board_list(fetch && Settings.LineOnOff ? 1 : 0); }

void check_for_updates() { update_check_command(); }

void toggle_thread_max()
{
    Settings.UseThreadMax = Settings.UseThreadMax ? 0 : 1;
    // Only an open drop-down menu can show it; menu 144 is ticked afresh
    // each time it is built.
    if (AppState.lastPopupMenu)
        CheckMenuItem(AppState.lastPopupMenu, IDM_THREAD_MAX,
                      MF_BYCOMMAND | (Settings.UseThreadMax ? MF_CHECKED : MF_UNCHECKED));
}

void remove_favorite_thread()
{
    const ThreadEntry* row = thread_list_selected_entry();
    // Copied: the reload below replaces the rows.
    const std::wstring file = row ? row->fileName : std::wstring();
    if (!file.empty()) favorite_sure_delitem(file.c_str());
    favorite_sure_load();
}

void sort_new_first(HWND)
{
    thread_list_sort_by_column(0);
}

void toggle_log_only(HWND main)
{
    Settings.LogOnlyMode = Settings.LogOnlyMode ? 0 : 1;
    SetMenuBarCheck(AppState.ListMenuBar, IDM_LOG_ONLY, Settings.LogOnlyMode == 1);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_SHOW_LOCAL_LIST, 0), 0);
}

// ---- the current thread ----

void reload_current_thread()
{
    ResponseBuffer* entry = current_thread();
    if (!entry) return;
    if (!Settings.LineOnOff) {
        focus_and_redraw_view();
        return;
    }
    const int index = OpenThreadTable.current;
    const int board = board_of_thread(BoardTable, entry->board);
    if (board < 0) {
        // Nothing is released: the thread stays readable as it is.
        std::wstring text = std::wstring(entry->fileName) + L"\n" + kTextBoardGone;
        report_message(AppState.hwndMain, text.c_str(), kCaptionReloadThread, MB_OK);
        focus_and_redraw_view();
        return;
    }
    wchar_t name[kFileNameUnits];
    std::wmemcpy(name, entry->fileName, kFileNameUnits);
    name[kFileNameUnits - 1] = L'\0';
    const int32_t responsesBefore = entry->responseCount;

    Resdata_close(index, 1);
    // A board without a server (a favourite standing for no board) has
    // nothing to fetch; its log is read again as it is. A log stored whole in
    // place of the one held is indexed afresh: the reload only extends the
    // index by the responses added.
    if (BoardTable.items[board].host[0] != L'\0') {
        const DatFetchResult fetched = Resdata_get(board, name);
        if (fetched == DatFetchResult::Replaced || fetched == DatFetchResult::Fallen)
            conversation_release(OpenThreadTable.entries[index]);
    }
    Resdata_read2(board, name, index);
    OpenThreadTable.entries[index].ReadMark = responsesBefore;
    focus_and_redraw_view();
}

void open_copy_dialog(HWND main)
{
    if (!current_thread()) return;
    ResponseDetail_open(main);
    focus(AppState.responseView);
}

void open_reply_editor(HWND main)
{
    if (!current_thread()) return;
    ReplyEditor_open(main);
}

void close_current_thread(HWND main)
{
    if (!current_thread()) return;
    HWND progress = CreateProgressDialog(main, kProgressClosing);
    const int index = OpenThreadTable.current;
    Resdata_close(index, 0);
    if (AppState.OpenThreadSelector) SendMessageW(AppState.OpenThreadSelector, CB_DELETESTRING, index, 0);

    const OpenThreadsAfterClose after = open_threads_after_close(OpenThreadTable.count, index);
    OpenThreadTable.count = after.count;
    OpenThreadTable.current = after.current;
    if (AppState.OpenThreadSelector) SendMessageW(AppState.OpenThreadSelector, CB_SETCURSEL, after.current, 0);

    if (after.current < 0) show_new_list_mode();
    else focus(AppState.responseView);
    redraw(AppState.responseView);
    CloseProgressDialog(progress);
}

void delete_current_log(HWND main)
{
    const ResponseBuffer* entry = current_thread();
    if (!entry) return;
    if (report_message(main, kTextReallyDelete, kCaptionDeleteConfirm, kDeleteConfirmType) != IDYES) return;
    {
        LogListFile list;
        // A board whose list cannot be opened was reported; its log stays.
        if (list.setboard(entry->board.host, entry->board.dir) != 1) return;
        // A list that could not be rewritten still names the thread: its log
        // stays with it, and the thread stays open.
        if (list.delitem(entry->fileName) != 1) return;
        list.deletelog(entry->fileName);
    }
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_CLOSE_THREAD, 0), 0);
}

void add_favorite_board()
{
    const ResponseBuffer* entry = current_thread();
    if (entry) favorite_ita_add(entry->board);
}

void add_favorite_thread()
{
    const ResponseBuffer* entry = current_thread();
    if (entry) favorite_sure_add(entry->board, entry->fileName, title_for_file(current_thread_title()).c_str());
}

void jump_to_response()
{
    if (current_thread() && AppState.responseView) ResponseView_jump_dialog(AppState.responseView);
}

void jump_to_end()
{
    if (current_thread() && AppState.responseView) ResponseView_scroll(AppState.responseView, ScrollBottom, 0);
}

// ---- focus ----

void focus_category_selector()
{
    HWND selector = AppState.CategorySelector;
    if (!selector) return;
    if (GetWindowTextLengthW(selector) == 0) SendMessageW(selector, CB_SETCURSEL, 0, 0);
    open_dropdown(selector);
}

void focus_board_selector() { open_dropdown(AppState.BoardSelector); }

void focus_open_thread_selector() { open_dropdown(AppState.OpenThreadSelector); }

void focus_thread_list() { focus(AppState.threadListView); }

void focus_response_view() { focus(AppState.responseView); }

void focus_search_box()
{
    focus(AppState.view == ThreadMode ? AppState.ResponseSearchBox : AppState.ThreadSearchBox);
}

// ---- dialogs ----

// Afterwards the keys go to the view on screen: in ListMode the response
// view is hidden, and its keys would act on a thread nobody sees.
void open_settings(HWND main)
{
    ShowSettingsDialog(main);
    MainWindow_focus_view();
}

void open_debug_settings(HWND main)
{
    ShowDebugDialog(main);
    MainWindow_focus_view();
}

void open_board_list_source(HWND main)
{
    ShowBoardListSourceDialog(main);
    MainWindow_focus_view();
}

// ---- selectors ----

void category_chosen()
{
    if (!AppState.CategorySelector) return;
    const LRESULT row = SendMessageW(AppState.CategorySelector, CB_GETCURSEL, 0, 0);
    if (row < 0) return;
    AppState.currentCategory = static_cast<int32_t>(row);
    FillBoardSelector(AppState.currentCategory);
    HWND boards = AppState.BoardSelector;
    if (!boards) return;
    SendMessageW(boards, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(boards, CB_SETCURSEL, 0, 0);
    SetFocus(boards);
}

void board_chosen()
{
    HWND selector = AppState.BoardSelector;
    if (!selector) return;
    const LRESULT row = SendMessageW(selector, CB_GETCURSEL, 0, 0);
    if (row < 0) return;
    SendMessageW(selector, CB_SHOWDROPDOWN, FALSE, 0);
    AppState.savedCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

    const int32_t board = board_for_selection(CategoryTable, BoardTable, AppState.currentCategory,
                                              static_cast<int32_t>(row));
    if (board >= 0) {
        AppState.currentBoard = board;
        const BoardEntry& chosen = BoardTable.items[board];
        if (board_choice(chosen) == BoardChoice::FavoriteThreads) favorite_sure_load();
        else show_board_threads(chosen, Settings.LineOnOff);
    }
    SetCursor(AppState.savedCursor);
    focus(AppState.threadListView);
}

void open_thread_chosen()
{
    if (!AppState.OpenThreadSelector) return;
    const LRESULT row = SendMessageW(AppState.OpenThreadSelector, CB_GETCURSEL, 0, 0);
    if (row < 0 || row >= OpenThreadTable.count) return;
    OpenThreadTable.current = static_cast<int32_t>(row);
    redraw(AppState.responseView);
    focus(AppState.responseView);
}
