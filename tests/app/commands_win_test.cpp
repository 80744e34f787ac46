// The main window's commands, one by one, on the real window.
#include "tests/support/mainfixture_win.h"

#include <functional>

#include "app/commands_win.h"
#include "app/dialogs_win.h"
#include "app/settingsdropdown_win.h"
#include "base/handles.h"
#include "platform/commandbar.h"
#include "reader/threadlist_win.h"

using namespace mainwindow_test;

namespace {

class Commands : public MainWindowFixture {};

// Runs `act` once on the next timer tick, inside whatever modal loop (a
// dialog or a menu) runs by then.
std::function<void()>& pending_action()
{
    static std::function<void()> action;
    return action;
}

void CALLBACK run_pending(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto act = std::move(pending_action());
    pending_action() = nullptr;
    if (act) act();
}

void when_modal(std::function<void()> act, UINT delay = 50)
{
    pending_action() = std::move(act);
    SetTimer(nullptr, 0, delay, run_pending);
}

bool button_checked(HWND bar, int command)
{
    const int state = commandbar_button_state(bar, command);
    return state >= 0 && (state & TBSTATE_CHECKED);
}

}  // namespace

TEST_F(Commands, ThreadCommandsDoNothingWithoutAThread)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    choose_mobile();
    ASSERT_EQ(list_view_rows(), kMobileThreads);
    server_.clear_requests();
    reports_.clear();
    const std::string favorites = read_file_bytes(dir_.file("favorite.txt"));
    const std::string favoriteBoards = read_file_bytes(dir_.file("favorite.brd"));
    const std::string subject = read_file_bytes(log_file("mobile\\subject.txt"));

    DialogCaptions captions;
    DialogCloser closer;
    for (WORD id : {IDM_CLOSE_THREAD, IDM_DELETE_LOG, IDM_WRITE, IDM_COPY_DIALOG, IDM_RELOAD_THREAD,
                    IDM_ADD_FAVORITE_BOARD, IDM_ADD_FAVORITE_THREAD, IDM_JUMP_RESPONSE, IDM_JUMP_END}) {
        command(id);
        EXPECT_EQ(AppState.view, ListMode) << id;
        EXPECT_EQ(OpenThreadTable.count, 0) << id;
        EXPECT_EQ(OpenThreadTable.current, -1) << id;
    }
    EXPECT_TRUE(captions.captions().empty()) << "no dialog, no progress: " << wide_to_utf8(captions.captions()[0]);
    EXPECT_TRUE(closer.closed().empty());
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(reports_.messages()[0].text);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(ReplyEditor_modeless(), nullptr);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")), favorites);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.brd")), favoriteBoards);
    EXPECT_EQ(read_file_bytes(log_file("mobile\\subject.txt")), subject);
    EXPECT_EQ(list_view_rows(), kMobileThreads);
}

TEST_F(Commands, ClosingTheOnlyThreadReturnsToTheList)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    ASSERT_EQ(AppState.view, ThreadMode);
    ASSERT_EQ(OpenThreadTable.count, 1);

    DialogCaptions captions;
    command(IDM_CLOSE_THREAD);
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(OpenThreadTable.current, -1);
    EXPECT_EQ(AppState.view, ListMode);
    EXPECT_EQ(GetFocus(), AppState.threadListView);
    EXPECT_TRUE(IsWindowVisible(AppState.threadListView));
    EXPECT_FALSE(IsWindowVisible(AppState.responseView));
    EXPECT_TRUE(selector_lines(AppState.OpenThreadSelector).empty());
    EXPECT_EQ((std::vector<std::wstring>{L"init:処理中", L"閉じてます"}), captions.captions());
    // The reading position reached the held-thread list.
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj("春は来る？CE用2chブラウザ「Velmo」Part10") + "(123)<>1\r\n");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, ClosingTheFirstOfThreeMakesTheFormerSecondCurrent)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(3);
    ASSERT_EQ(OpenThreadTable.count, 3);
    const std::vector<std::wstring> titles = selector_lines(AppState.OpenThreadSelector);
    ASSERT_EQ(titles.size(), 3u);

    // The first chosen in the open-thread selector, then closed.
    choose(AppState.OpenThreadSelector, IDC_OPEN_THREAD_SELECTOR, 0);
    ASSERT_EQ(OpenThreadTable.current, 0);
    command(IDM_CLOSE_THREAD);
    EXPECT_EQ(OpenThreadTable.count, 2);
    EXPECT_EQ(OpenThreadTable.current, 0);
    EXPECT_EQ(selector_lines(AppState.OpenThreadSelector), (std::vector<std::wstring>{titles[1], titles[2]}));
    EXPECT_EQ(SendMessageW(AppState.OpenThreadSelector, CB_GETCURSEL, 0, 0), 0);
    EXPECT_STREQ(current_entry()->fileName, L"1066800000.dat");
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_EQ(GetFocus(), AppState.responseView);

    // Closing the last makes the one before it current.
    choose(AppState.OpenThreadSelector, IDC_OPEN_THREAD_SELECTOR, 1);
    command(IDM_CLOSE_THREAD);
    EXPECT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(OpenThreadTable.current, 0);
    EXPECT_STREQ(current_entry()->fileName, L"1066800000.dat");
    EXPECT_EQ(selector_lines(AppState.OpenThreadSelector), (std::vector<std::wstring>{titles[1]}));
}

TEST_F(Commands, OpenThreadSelectorActsOnAnAcceptedChoiceOnly)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(2);
    ASSERT_EQ(OpenThreadTable.current, 1);
    // A change of the selection that was not accepted (the list still open).
    choose(AppState.OpenThreadSelector, IDC_OPEN_THREAD_SELECTOR, 0, CBN_SELCHANGE);
    EXPECT_EQ(OpenThreadTable.current, 1);
    choose(AppState.OpenThreadSelector, IDC_OPEN_THREAD_SELECTOR, 0);
    EXPECT_EQ(OpenThreadTable.current, 0);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    // No selection: nothing.
    choose(AppState.OpenThreadSelector, IDC_OPEN_THREAD_SELECTOR, -1);
    EXPECT_EQ(OpenThreadTable.current, 0);
}

TEST_F(Commands, CategoryAndBoardSelectorsActOnAnAcceptedChoiceOnly)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    EXPECT_EQ(selector_lines(AppState.CategorySelector),
              (std::vector<std::wstring>{L"お気に入り", L"PC等", L"ニュース", L"雑談"}));
    choose(AppState.CategorySelector, IDC_CATEGORY_SELECTOR, 1, CBN_SELCHANGE);
    EXPECT_TRUE(selector_lines(AppState.BoardSelector).empty());

    choose(AppState.CategorySelector, IDC_CATEGORY_SELECTOR, 1);
    EXPECT_EQ(AppState.currentCategory, 1);
    EXPECT_EQ(selector_lines(AppState.BoardSelector), (std::vector<std::wstring>{L"モバイル", L"ソフトウェア"}));
    EXPECT_EQ(SendMessageW(AppState.BoardSelector, CB_GETCURSEL, 0, 0), 0) << "the first board selected";
    EXPECT_EQ(GetFocus(), AppState.BoardSelector);
    EXPECT_TRUE(server_.requests().empty()) << "a category alone fetches nothing";

    // The board list's own notifications other than 9 fetch nothing either.
    choose(AppState.BoardSelector, IDC_BOARD_SELECTOR, 1, CBN_SELCHANGE);
    choose(AppState.BoardSelector, IDC_BOARD_SELECTOR, 1, CBN_CLOSEUP);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(list_view_rows(), 0);

    choose(AppState.BoardSelector, IDC_BOARD_SELECTOR, 1);
    EXPECT_EQ(AppState.currentBoard, 1);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/software/subject.txt"}));
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{L"フリーソフト紹介スレ Part42", L"テキストエディタ総合 その8"}));
    EXPECT_EQ(GetFocus(), AppState.threadListView);
    EXPECT_EQ(SendMessageW(AppState.BoardSelector, CB_GETDROPPEDSTATE, 0, 0), 0) << "the list closed";
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, FavoriteThreadEntryShowsTheFavoriteThreads)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    write_file_bytes(dir_.file("favorite.txt"),
                     "mobile<>1064500000.dat<>" + sj("PDAで掲示板を読むスレ Part3") + "\n");
    choose_board(0, 0);   // "お気に入り", "お気に入りスレ"
    EXPECT_TRUE(server_.requests().empty()) << "the favourite threads are not fetched";
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{L"PDAで掲示板を読むスレ Part3"}));
    EXPECT_TRUE(ProcessThreadList->favorites);

    // The favourite board "モバイル" stands for the board of the table.
    choose_board(0, 1);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/mobile/subject.txt"}));
    EXPECT_EQ(list_view_rows(), kMobileThreads);
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, FavoriteBoardWithoutABoardIsShownFromTheLocalFilesOnly)
{
    // A favourite board that the board table does not have: no server known.
    write_file_bytes(dir_.file("favorite.brd"), sj("お気に入りスレ") + "\n" + sj("よそ") + ",yoso\n");
    ASSERT_NE(start_with_boards(1), nullptr);
    CreateDirectoryA(log_file("yoso").c_str(), nullptr);
    write_file_bytes(log_file("yoso\\subject.txt"), "1063333333.dat<>" + sj("試験") + " (5)\n");
    choose_board(0, 1);
    EXPECT_EQ(BoardTable.items[AppState.currentBoard].index, kNoBoardIndex);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{L"試験"}));
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, CtrlOTwiceRestoresTheOnlineStateAndItsMarks)
{
    ASSERT_NE(start_with_boards(0), nullptr);
    ASSERT_EQ(Settings.LineOnOff, 0);
    EXPECT_FALSE(button_checked(AppState.ListToolbar, IDM_ONLINE));

    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(accelerators, nullptr);
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    auto ctrl_o = [&] {
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        MSG m{main_, WM_KEYDOWN, 'O', 0x00180001, 0, {}};
        const int translated = TranslateAcceleratorW(main_, accelerators, &m);
        keys[VK_CONTROL] = control;
        SetKeyboardState(keys);
        settle();
        return translated;
    };

    ASSERT_TRUE(ctrl_o());
    EXPECT_EQ(Settings.LineOnOff, 1);
    EXPECT_TRUE(button_checked(AppState.ListToolbar, IDM_ONLINE));
    EXPECT_TRUE(menu_bar_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_TRUE(menu_bar_checked(AppState.ThreadMenuBar, IDM_ONLINE));

    ASSERT_TRUE(ctrl_o());
    EXPECT_EQ(Settings.LineOnOff, 0);
    EXPECT_FALSE(button_checked(AppState.ListToolbar, IDM_ONLINE));
    EXPECT_FALSE(menu_bar_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_FALSE(menu_bar_checked(AppState.ThreadMenuBar, IDM_ONLINE));

    // In ThreadMode the thread bar's button follows as well.
    command(IDM_SWITCH_VIEW);
    command(IDM_ONLINE);
    EXPECT_TRUE(button_checked(AppState.ThreadToolbar, IDM_ONLINE));
    command(IDM_ONLINE);
    EXPECT_FALSE(button_checked(AppState.ThreadToolbar, IDM_ONLINE));
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(Commands, HelpShowsTheKeysOfTheView)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    std::wstring seen;
    DialogDriver list(L"キー説明");
    list.then([&](HWND d) {
        seen = window_text(d);
        PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
    run_dialog_command(IDM_HELP, list);
    EXPECT_EQ(seen, L"キー説明");

    command(IDM_SWITCH_VIEW);
    ASSERT_EQ(AppState.view, ThreadMode);
    seen.clear();
    DialogDriver thread(L"キー操作");
    thread.then([&](HWND d) {
        seen = window_text(d);
        PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
    run_dialog_command(IDM_HELP, thread);
    EXPECT_EQ(seen, L"キー操作");
}

TEST_F(Commands, LogOnlyTogglingReloadsFromTheLocalFiles)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    command(IDM_SWITCH_VIEW);
    ASSERT_EQ(list_view_rows(), kMobileThreads);
    server_.clear_requests();

    command(IDM_LOG_ONLY);
    EXPECT_EQ(Settings.LogOnlyMode, 1);
    EXPECT_TRUE(menu_bar_checked(AppState.ListMenuBar, IDM_LOG_ONLY));
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{L"春は来る？CE用2chブラウザ「Velmo」Part10"}));
    EXPECT_EQ(list_view_rows(), 1);

    command(IDM_LOG_ONLY);
    EXPECT_EQ(Settings.LogOnlyMode, 0);
    EXPECT_FALSE(menu_bar_checked(AppState.ListMenuBar, IDM_LOG_ONLY));
    EXPECT_EQ(list_view_rows(), kMobileThreads);
    EXPECT_TRUE(server_.requests().empty()) << "online, and still no request";
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, ReloadingTheThreadListFetchesOnlyWhenOnline)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    choose_mobile();
    server_.clear_requests();
    server_.put_subject("mobile", "1066800000.dat<>" + sj("一つだけ") + " (12)\n");
    command(IDM_RELOAD_LIST);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/mobile/subject.txt"}));
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{L"一つだけ"}));

    command(IDM_ONLINE);
    server_.clear_requests();
    server_.put_subject("mobile", "1064500000.dat<>" + sj("もう一つ") + " (25)\n");
    command(IDM_RELOAD_LIST);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{L"一つだけ"})) << "the local list again";
    EXPECT_EQ(GetFocus(), AppState.threadListView);
}

TEST_F(Commands, UpdateCheckOfflineOnlySaysSo)
{
    ASSERT_NE(start_with_boards(0), nullptr);
    command(IDM_UPDATE_CHECK);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"offlineです");
    EXPECT_EQ(messages[0].caption, L"post_res");
    EXPECT_EQ(messages[0].owner, main_);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(Commands, NewFirstSortAndItsTwinToggleTheSort)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    choose_mobile();
    // The third row has been read and has more on the server.
    write_file_bytes(log_file("mobile\\acquired.txt"), "1064500000.dat<>x(20)<>3\r\n");
    command(IDM_SHOW_LOCAL_LIST);
    ASSERT_EQ(ProcessThreadList->at(2)->state, ThreadHasNew);

    command(IDM_SORT_NEW);
    EXPECT_EQ(Settings.SortNew, 2);
    EXPECT_TRUE(menu_bar_checked(AppState.ListMenuBar, IDM_SORT_NEW));
    EXPECT_STREQ(ProcessThreadList->at(0)->fileName, L"1064500000.dat") << "the thread with news first";

    // Menu 159's item does the same.
    command(IDM_SORT_NEW_ALT);
    EXPECT_EQ(Settings.SortNew, 1);
    EXPECT_FALSE(menu_bar_checked(AppState.ListMenuBar, IDM_SORT_NEW));
    EXPECT_STREQ(ProcessThreadList->at(0)->fileName, L"1065069078.dat");
}

// With the alternative menu bars the new-first item is 40072: its tick
// follows the sort at start, after the menu command and after a click on
// the header of column 0.
TEST_F(Commands, SortTwinCarriesItsCheckMarkInMenu159)
{
    ASSERT_NE(start_with_boards(1, "Flag: 2\r\nSortNew: 2\r\n"), nullptr);
    HMENU menu = softkey_bar_popup(AppState.ListMenuBar, 0);
    ASSERT_NE(menu, nullptr);
    auto ticked = [&] { return (GetMenuState(menu, IDM_SORT_NEW_ALT, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    EXPECT_TRUE(ticked()) << "at start";
    choose_mobile();
    command(IDM_SORT_NEW_ALT);
    EXPECT_EQ(Settings.SortNew, 1);
    EXPECT_FALSE(ticked()) << "after the menu command";
    command(IDM_SORT_NEW_ALT);
    EXPECT_EQ(Settings.SortNew, 2);
    EXPECT_TRUE(ticked()) << "after the menu command";

    NMLISTVIEW click{};
    click.hdr = {AppState.threadListView, IDC_THREAD_LIST, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = 0;
    SendMessageW(main_, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Settings.SortNew, 1);
    EXPECT_FALSE(ticked()) << "after the header";
    SendMessageW(main_, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(ticked()) << "after the header";
}

TEST_F(Commands, SearchAndItsTwinFocusTheSearchBoxOfTheView)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    command(IDM_SEARCH);
    EXPECT_EQ(GetFocus(), AppState.ThreadSearchBox);
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadSearchBox));
    command(IDM_FOCUS_THREAD_LIST);
    EXPECT_EQ(GetFocus(), AppState.threadListView);
    command(IDM_SWITCH_VIEW);
    command(IDM_SEARCH_ALT);
    EXPECT_EQ(GetFocus(), AppState.ResponseSearchBox);
    command(IDM_FOCUS_RESPONSE_VIEW);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    // Ctrl+6 does nothing.
    command(IDM_CTRL6);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    EXPECT_EQ(AppState.view, ThreadMode);
}

TEST_F(Commands, SelectorCommandsOpenAndFocusTheSelectors)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    ASSERT_EQ(window_text(AppState.CategorySelector), L"");
    command(IDM_FOCUS_CATEGORY);
    EXPECT_EQ(SendMessageW(AppState.CategorySelector, CB_GETCURSEL, 0, 0), 0) << "its first entry";
    EXPECT_EQ(window_text(AppState.CategorySelector), L"お気に入り");
    EXPECT_NE(SendMessageW(AppState.CategorySelector, CB_GETDROPPEDSTATE, 0, 0), 0);
    SendMessageW(AppState.CategorySelector, CB_SHOWDROPDOWN, FALSE, 0);

    // A category already shown stays.
    SendMessageW(AppState.CategorySelector, CB_SETCURSEL, 2, 0);
    command(IDM_FOCUS_CATEGORY);
    EXPECT_EQ(SendMessageW(AppState.CategorySelector, CB_GETCURSEL, 0, 0), 2);
    SendMessageW(AppState.CategorySelector, CB_SHOWDROPDOWN, FALSE, 0);

    command(IDM_FOCUS_BOARD);
    EXPECT_NE(SendMessageW(AppState.BoardSelector, CB_GETDROPPEDSTATE, 0, 0), 0);
    SendMessageW(AppState.BoardSelector, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(GetFocus(), AppState.BoardSelector);

    command(IDM_SWITCH_VIEW);
    command(IDM_FOCUS_OPEN_THREADS);
    EXPECT_NE(SendMessageW(AppState.OpenThreadSelector, CB_GETDROPPEDSTATE, 0, 0), 0);
    SendMessageW(AppState.OpenThreadSelector, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(GetFocus(), AppState.OpenThreadSelector);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(Commands, SwitchingTheViewSwapsWindowsBarsAndFocus)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    EXPECT_TRUE(IsWindowVisible(AppState.ListMenuBar));
    command(IDM_SWITCH_VIEW);
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_TRUE(IsWindowVisible(AppState.responseView));
    EXPECT_TRUE(IsWindowVisible(AppState.OpenThreadSelector));
    EXPECT_FALSE(IsWindowVisible(AppState.threadListView));
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_EQ(AppState.currentToolbar, AppState.ThreadToolbar);
    EXPECT_EQ(GetFocus(), AppState.responseView);

    // The main window passes the focus on to the view of its mode.
    SetFocus(main_);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    command(IDM_SWITCH_VIEW);
    EXPECT_EQ(AppState.view, ListMode);
    SetFocus(main_);
    EXPECT_EQ(GetFocus(), AppState.threadListView);
    EXPECT_EQ(AppState.currentToolbar, AppState.ListToolbar);
}

TEST_F(Commands, RotationLaysTheWindowsOutForTheNewSize)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    RECT before{};
    GetWindowRect(AppState.BoardSelector, &before);
    SetWindowPos(main_, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
    settle();
    RECT client{};
    GetClientRect(main_, &client);
    // A size change alone recomputes, but moves nothing yet.
    EXPECT_EQ(AppState.selectorWidth, client.right / 2 - 2);
    RECT same{};
    GetWindowRect(AppState.BoardSelector, &same);
    EXPECT_EQ(same.left, before.left);

    // Another setting change is ignored; 0x3002 places everything.
    SendMessageW(main_, WM_SETTINGCHANGE, 0x3001, 0);
    GetWindowRect(AppState.BoardSelector, &same);
    EXPECT_EQ(same.left, before.left);
    SendMessageW(main_, WM_SETTINGCHANGE, kSettingChangeLayout, 0);
    RECT after{};
    GetWindowRect(AppState.BoardSelector, &after);
    POINT origin{0, 0};
    ClientToScreen(main_, &origin);
    EXPECT_EQ(after.left - origin.x, AppState.selectorWidth + 1);
    EXPECT_EQ(after.right - after.left, AppState.selectorWidth);
    RECT list{};
    GetWindowRect(AppState.threadListView, &list);
    EXPECT_EQ(list.right - list.left, client.right);
}

TEST_F(Commands, OwnerDrawAndNotificationsReachTheThreadList)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    choose_mobile();
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_LISTVIEW;
    measure.CtlID = IDC_THREAD_LIST;
    EXPECT_EQ(SendMessageW(main_, WM_MEASUREITEM, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_GT(measure.itemHeight, 0u);

    // The list finds a title by its first letters; the answer is the row.
    NMLVFINDITEMW find{};
    find.hdr.hwndFrom = AppState.threadListView;
    find.hdr.idFrom = IDC_THREAD_LIST;
    find.hdr.code = LVN_ODFINDITEMW;
    find.iStart = 0;
    find.lvfi.flags = LVFI_STRING | LVFI_PARTIAL;
    find.lvfi.psz = L"PDA";
    EXPECT_EQ(SendMessageW(main_, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&find)), 2);
    find.lvfi.psz = L"存在しない";
    EXPECT_EQ(SendMessageW(main_, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&find)), -1);

    // A column click sorts: the counts, larger first at the first click.
    NMLISTVIEW click{};
    click.hdr = {AppState.threadListView, IDC_THREAD_LIST, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = 2;
    SendMessageW(main_, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&click));
    std::vector<std::wstring> files;
    for (int i = 0; i < ProcessThreadList->count(); ++i) files.push_back(ProcessThreadList->at(i)->fileName);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"1065069078.dat", L"1064500000.dat", L"1066800000.dat",
                                                L"1063333333.dat"}));
}

TEST_F(Commands, ThreadListLimitTogglesAndTheDropDownShowsIt)
{
    ASSERT_NE(start_with_boards(1, "ThreadMax: 2\r\n"), nullptr);
    choose_mobile();
    ASSERT_EQ(list_view_rows(), kMobileThreads);
    command(IDM_THREAD_MAX);
    EXPECT_EQ(Settings.UseThreadMax, 1);
    UniqueMenu menu(load_settings_dropdown());
    ASSERT_NE(menu.get(), nullptr);
    EXPECT_TRUE(GetMenuState(menu.get(), IDM_THREAD_MAX, MF_BYCOMMAND) & MF_CHECKED);
    command(IDM_SHOW_LOCAL_LIST);
    EXPECT_EQ(list_view_rows(), 3) << "the limit is passed by one";
    command(IDM_THREAD_MAX);
    EXPECT_EQ(Settings.UseThreadMax, 0);
    command(IDM_SHOW_LOCAL_LIST);
    EXPECT_EQ(list_view_rows(), kMobileThreads);
}

TEST_F(Commands, FavoritesOfTheCurrentThread)
{
    write_file_bytes(dir_.file("favorite.brd"), sj("お気に入りスレ") + "\n");
    write_file_bytes(dir_.file("favorite.txt"), "");
    ASSERT_NE(start_with_boards(1), nullptr);
    ASSERT_EQ(CategoryTable.items[0].last - CategoryTable.items[0].first, 0);
    open_mobile_threads(2);
    ASSERT_STREQ(current_entry()->fileName, L"1066800000.dat");
    command(IDM_ADD_FAVORITE_THREAD);
    command(IDM_ADD_FAVORITE_THREAD);   // once only
    command(IDM_ADD_FAVORITE_BOARD);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")),
              "mobile<>1066800000.dat<>" + sj("スマートフォン総合スレ (仮)") + "\r\n");
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.brd")), sj("お気に入りスレ") + "\n" + sj("モバイル") + ",mobile\r\n");
    EXPECT_EQ(CategoryTable.items[0].last - CategoryTable.items[0].first, 1) << "the favourite boards reloaded";
    EXPECT_TRUE(reports_.messages().empty());

    // Removing the selected favourite shows the favourite threads.
    command(IDM_SWITCH_VIEW);
    choose_board(0, 0);
    ASSERT_EQ(list_view_rows(), 1);
    ListView_SetItemState(AppState.threadListView, 0, LVIS_SELECTED, LVIS_SELECTED);
    command(IDM_REMOVE_FAVORITE_THREAD);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")), "");
    EXPECT_EQ(list_view_rows(), 0);
    EXPECT_TRUE(ProcessThreadList->favorites);
}

TEST_F(Commands, AFavouriteThreadKeepsWhatTheCodePageLacksAsReferences)
{
    write_file_bytes(dir_.file("favorite.brd"), sj("お気に入りスレ") + "\n");
    write_file_bytes(dir_.file("favorite.txt"), "");
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(2);
    // The title as shown after "&#128512;" and "&#9829;" were decoded.
    const int index = OpenThreadTable.current;
    SendMessageW(AppState.OpenThreadSelector, CB_DELETESTRING, index, 0);
    SendMessageW(AppState.OpenThreadSelector, CB_INSERTSTRING, index,
                 reinterpret_cast<LPARAM>(L"絵文字\U0001F600と\u2665"));
    command(IDM_ADD_FAVORITE_THREAD);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")),
              "mobile<>1066800000.dat<>" + sj("絵文字") + "&#128512;" + sj("と") + "&#9829;\r\n");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, JumpsInTheCurrentThread)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    const ResponseBuffer* t = current_entry();
    ASSERT_EQ(t->responseCount, kFirstThreadResponses);
    command(IDM_JUMP_END);
    const ScrollRecord& record = OpenThreadTable.scroll[OpenThreadTable.current];
    ASSERT_GE(record.nPos, 0);
    ASSERT_LT(record.nPos, t->lineCount);
    EXPECT_EQ(t->lines[record.nPos].response, kFirstThreadResponses);
    EXPECT_EQ(t->lines[record.nPos].kind, HeaderLine);

    DialogDriver jump(L"レス番ジャンプ");
    jump.then([](HWND d) {
        SetDlgItemTextW(d, IDC_JUMP_NUMBER, L"10");
        PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
    run_dialog_command(IDM_JUMP_RESPONSE, jump);
    EXPECT_EQ(t->lines[OpenThreadTable.scroll[OpenThreadTable.current].nPos].response, 10);
    EXPECT_EQ(GetFocus(), AppState.responseView);
}

TEST_F(Commands, CopyDialogShowsTheResponseAtTheTop)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    std::wstring number;
    DialogDriver detail(L"レス表示");
    detail.then([&](HWND d) {
        number = control_text(d, IDC_DETAIL_NUMBER);
        PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    });
    run_dialog_command(IDM_COPY_DIALOG, detail);
    EXPECT_EQ(number, L"1");
    EXPECT_EQ(GetFocus(), AppState.responseView);
}

TEST_F(Commands, EnterInTheMainWindowOpensTheActionMenuBelowTheBarButton)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    ASSERT_EQ(AppState.currentToolbar, AppState.ThreadToolbar);
    RECT button{};
    ASSERT_TRUE(commandbar_button_rect(AppState.ThreadToolbar, IDM_SETTINGS_MENU, &button));
    MapWindowPoints(AppState.ThreadToolbar, HWND_DESKTOP, reinterpret_cast<POINT*>(&button), 2);
    ASSERT_TRUE(take_focus(main_, AppState.responseView));

    RECT menuRect{};
    std::vector<UINT> items;
    bool shown = false;
    when_modal([&] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        shown = menu && IsWindowVisible(menu);
        if (!shown) {
            EndMenu();
            return;
        }
        GetWindowRect(menu, &menuRect);
        HMENU popup = GetSubMenu(AppState.lastPopupMenu, 0);
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) items.push_back(GetMenuItemID(popup, i));
        // "スレ一覧表示", the sixth item.
        for (int k = 0; k < 5; ++k) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        when_modal([] { EndMenu(); }, 2000);
    });
    SendMessageW(main_, WM_KEYDOWN, VK_RETURN, 0);
    pending_action() = nullptr;
    settle();
    EXPECT_TRUE(shown);
    EXPECT_EQ(menuRect.left, button.left);
    EXPECT_EQ(menuRect.top, button.bottom);
    const std::vector<UINT> expected = {IDCANCEL, IDM_CLOSE_THREAD, IDM_RELOAD_THREAD, IDM_ADD_FAVORITE_THREAD,
                                        0, IDM_SWITCH_VIEW, 0, IDM_WRITE, IDM_COPY_DIALOG, IDM_JUMP_RESPONSE,
                                        IDM_JUMP_END};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(AppState.view, ListMode) << "the chosen item arrived as a command";
    EXPECT_EQ(AppState.lastPopupMenu, nullptr);
    EXPECT_EQ(OpenThreadTable.count, 1);
}

TEST_F(Commands, OtherKeysInTheMainWindowDoNothing)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    DialogCloser closer;
    SendMessageW(main_, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(main_, WM_KEYDOWN, 'A', 0);
    settle();
    EXPECT_TRUE(closer.closed().empty());
    EXPECT_EQ(AppState.view, ListMode);
}

TEST_F(Commands, SettingsDialogsHandTheKeysBackToTheViewOnScreen)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    std::vector<WPARAM> seen;
    auto cancel = [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); };
    {
        DialogDriver settings(L"設定");
        settings.then(cancel);
        run_dialog_command(IDM_SETTINGS, settings);
        EXPECT_EQ(GetFocus(), AppState.threadListView) << "ListMode: the thread list, not the hidden view";
    }
    {
        DialogDriver debug(L"ダイアログ");
        debug.then(cancel);
        run_dialog_command(IDM_DEBUG_SETTINGS, debug);
        EXPECT_EQ(GetFocus(), AppState.threadListView);
    }
    command(IDM_SWITCH_VIEW);
    {
        DialogDriver source(L"板一覧取得先");
        source.then(cancel);
        run_dialog_command(IDM_FETCH_BOARD_LIST, source);
        EXPECT_EQ(GetFocus(), AppState.responseView);
    }
    // OK in the settings dialog lays the window out again: a hidden tool bar
    // takes the selectors to the top.
    DialogDriver settings(L"設定");
    settings.then([](HWND d) {
        CheckDlgButton(d, IDC_TOOLBAR_VISIBLE, BST_UNCHECKED);
        PostMessageW(d, WM_COMMAND, IDOK, 0);
    });
    run_dialog_command(IDM_SETTINGS, settings);
    EXPECT_EQ(Settings.ToolBarVisible, 0);
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    RECT selector{};
    GetWindowRect(AppState.OpenThreadSelector, &selector);
    POINT origin{0, 0};
    ClientToScreen(main_, &origin);
    EXPECT_EQ(selector.top, origin.y);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(Commands, ReloadFindsTheThreadsBoardAfterTheTableWasRebuilt)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    // The table rebuilt with "モバイル" further down.
    write_file_bytes(dir_.file("2channel.brd"), "2\r\n" + sj("ニュース") + "\t0\r\n" +
                                                    "\tsrv.2ch.net\tnews\t" + sj("ニュース速報") + "\r\n" +
                                                    sj("PC等") + "\t0\r\n" + "\tpc.2ch.net\tmobile\t" +
                                                    sj("モバイル") + "\r\n");
    ItaList_load();
    ASSERT_EQ(std::wstring(BoardTable.items[0].dir), L"news");
    server_.clear_requests();
    server_.append_dat("mobile", kMobileKey, sj("名無し") + "<><>2006/12/09<> " + sj("一つ") + " <>\n");
    command(IDM_RELOAD_THREAD);
    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "http://pc.2ch.net/mobile/dat/1065069078.dat");
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses + 1);
    EXPECT_EQ(std::wstring(current_entry()->board.dir), L"mobile");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(Commands, ReloadOfAThreadWhoseBoardIsGoneKeepsItReadable)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    write_file_bytes(dir_.file("2channel.brd"),
                     "2\r\n" + sj("ニュース") + "\t0\r\n" + "\tsrv.2ch.net\tnews\t" + sj("ニュース速報") + "\r\n");
    ItaList_load();
    server_.clear_requests();
    command(IDM_RELOAD_THREAD);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"1065069078.dat\nこのスレの板が板一覧にありません");
    EXPECT_EQ(messages[0].caption, L"reload_current_thread");
    EXPECT_EQ(messages[0].owner, main_);
    EXPECT_TRUE(server_.requests().empty());
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_NE(current_entry()->lines, nullptr) << "still readable";
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses);
    EXPECT_GT(drawn_pixels(), 500);
    EXPECT_EQ(GetFocus(), AppState.responseView);
}
