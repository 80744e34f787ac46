#include "reader/threadlist_win.h"

#include <winsock2.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/commands_win.h"
#include "app/openthread_win.h"
#include "app/settingsdropdown_win.h"
#include "base/appstate.h"
#include "platform/commandbar.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "reader/stateicons_win.h"
#include "reader/ngdialogs_win.h"
#include "reader/ngfilter_win.h"
#include "reader/subject.h"
#include "res/resource.h"
#include "store/ngfile.h"
#include "tests/reader/threadfixture_win.h"
#include "tests/support/dibdc_win.h"
#include "tools/boardserver/boardserver.h"

namespace {

// What the test's main window saw of the drop-down menu.
struct MenuSeen {
    int popups = 0;
    UINT logOnly = 0;
    UINT threadMax = 0;
    int items = 0;
};
MenuSeen g_menu;

LRESULT CALLBACK test_main_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MEASUREITEM:
        if (ThreadListMeasureItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (ThreadListDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_NOTIFY:
        return MainWindow_notify(hwnd, reinterpret_cast<NMHDR*>(lp));
    case WM_INITMENUPOPUP: {
        HMENU popup = reinterpret_cast<HMENU>(wp);
        ++g_menu.popups;
        g_menu.logOnly = GetMenuState(popup, IDM_LOG_ONLY, MF_BYCOMMAND);
        g_menu.threadMax = GetMenuState(popup, IDM_THREAD_MAX, MF_BYCOMMAND);
        g_menu.items = GetMenuItemCount(popup);
        SetTimer(hwnd, 1, 3000, nullptr);   // in case the idle notice never comes
        break;
    }
    case WM_ENTERIDLE:
        if (wp == MSGF_MENU) EndMenu();
        break;
    case WM_TIMER:
        KillTimer(hwnd, wp);
        EndMenu();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

const wchar_t kTestClass[] = L"quorvex-threadlist-test";

void register_test_class()
{
    static bool done = false;
    if (done) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = test_main_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTestClass;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
    done = true;
}

std::string sj(const std::string& utf8) { return utf8_to_sjis(utf8); }

// A log of `responses` responses of one body line each: 3 lines apiece.
std::string log_of(int responses)
{
    std::string log;
    for (int i = 1; i <= responses; ++i) log += dat_line("n" + std::to_string(i), "body " + std::to_string(i));
    return log;
}

std::vector<std::wstring> files_in(const std::string& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(sjis_to_wide(folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

class ThreadListView : public ThreadFixture {
protected:
    void SetUp() override
    {
        ThreadFixture::SetUp();
        savedApp = AppState;
        AppState = AppStateRecord{};
        AppState.instance = GetModuleHandleW(nullptr);
        std::strcpy(Settings.ProgramDirectory, dir.path().c_str());
        Settings.SortNew = 1;
        g_menu = MenuSeen{};

        // A third board whose logs the tree does not hold yet.
        std::memcpy(allBoards, boards, sizeof boards);
        std::memset(&allBoards[2], 0, sizeof allBoards[2]);
        wcscpy(allBoards[2].name, L"news");
        wcscpy(allBoards[2].host, L"srv");
        wcscpy(allBoards[2].dir, L"news");
        allBoards[2].index = 2;
        BoardTable.items = allBoards;
        BoardTable.count = 3;
        BoardTable.capacity = 3;
        AppState.currentBoard = 0;

        register_test_class();
        main = CreateWindowExW(0, kTestClass, L"quorvex", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 320,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        AppState.hwndMain = main;
        create_thread_list();
        view = CreateThreadListView(main);
        ASSERT_NE(view, nullptr);
        AppState.OpenThreadSelector = CreateWindowExW(0, L"COMBOBOX", L"SureList",
                                                      WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 200, 200,
                                                      main, reinterpret_cast<HMENU>(IDC_OPEN_THREAD_SELECTOR),
                                                      GetModuleHandleW(nullptr), nullptr);
        AppState.responseView = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VSCROLL, 0, 0, 200, 200, main,
                                                reinterpret_cast<HMENU>(IDC_RESPONSE_VIEW),
                                                GetModuleHandleW(nullptr), nullptr);
        AppState.ListMenuBar = softkey_bar_create(main, IDR_LIST_MENU);
    }

    void TearDown() override
    {
        if (AppState.ListMenuBar) softkey_bar_destroy(AppState.ListMenuBar);
        if (main) DestroyWindow(main);
        destroy_state_images();
        delete_thread_list();
        AppState = savedApp;
        ThreadFixture::TearDown();
    }

    std::string board_dir() const { return root + "\\mobile"; }
    void write_subject(const std::string& bytes) { write_file_bytes(board_dir() + "\\subject.txt", bytes); }
    void write_acquired(const std::string& bytes) { write_file_bytes(board_dir() + "\\acquired.txt", bytes); }
    void write_favorites(const std::string& bytes) { write_file_bytes(dir.file("favorite.txt"), bytes); }
    // "subject.txt" with `rows` threads of one-word titles.
    void write_plain_rows(int rows)
    {
        std::string subject;
        for (int i = 0; i < rows; ++i) subject += std::to_string(1400000000 + i) + ".dat<>Row (1)\n";
        write_subject(subject);
    }

    const ThreadEntry& row(int i) const
    {
        const ThreadEntry* e = ProcessThreadList->at(i);
        EXPECT_NE(e, nullptr) << "row " << i;
        return *e;
    }
    int rows() const { return ProcessThreadList ? ProcessThreadList->count() : -1; }
    int selected() const { return ListView_GetNextItem(view, -1, LVNI_SELECTED); }

    int load() { return LstSure_load(L"srv", L"mobile"); }

    void select(int row)
    {
        ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    // Notifications as the list view sends them to its parent.
    void click_column(int column)
    {
        NMLISTVIEW n{};
        n.hdr.hwndFrom = view;
        n.hdr.idFrom = IDC_THREAD_LIST;
        n.hdr.code = LVN_COLUMNCLICK;
        n.iItem = -1;
        n.iSubItem = column;
        SendMessageW(main, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&n));
    }
    void activate(int row)
    {
        select(row);
        NMITEMACTIVATE n{};
        n.hdr.hwndFrom = view;
        n.hdr.idFrom = IDC_THREAD_LIST;
        n.hdr.code = LVN_ITEMACTIVATE;
        n.iItem = row;
        SendMessageW(main, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&n));
    }

    std::wstring selector_text(int i) const
    {
        wchar_t text[300] = L"";
        SendMessageW(AppState.OpenThreadSelector, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        return text;
    }

    // The standard board: four threads, two held (one with new responses).
    void four_threads()
    {
        write_subject("1000000001.dat<>First &amp; best (10)\n"
                      "1000000002.dat<>Held, nothing new (20)\n"
                      "1000000003.dat<>Held with new (25)\n"
                      "1000000004.dat<>" + sj("携帯") + " (part 2) (3)\n");
        write_acquired(kAcquired);
    }
    const std::string kAcquired = "1000000002.dat<>Held, nothing new(20)<>5\r\n"
                                  "1000000003.dat<>Held with new(20)<>12\r\n";

    AppStateRecord savedApp;
    BoardEntry allBoards[3];
    HWND main = nullptr;
    HWND view = nullptr;
};

}  // namespace

// ---- loading a board ----

TEST_F(ThreadListView, RowsCarryStateCountLastReadAndLineNumber)
{
    four_threads();
    ReportCapture capture;
    ASSERT_EQ(load(), 1);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(ListView_GetItemCount(view), 4);
    EXPECT_FALSE(ProcessThreadList->favorites);

    EXPECT_EQ(row(0).position, 0);
    EXPECT_EQ(row(0).state, ThreadNotHeld);
    EXPECT_EQ(row(0).title, L"First & best");
    EXPECT_EQ(row(0).count, 10);
    EXPECT_EQ(row(0).lastRead, -1);
    EXPECT_STREQ(row(0).fileName, L"1000000001.dat");
    EXPECT_EQ(row(0).board->dir, L"mobile");
    EXPECT_EQ(row(0).board->server, L"srv");
    EXPECT_EQ(row(0).extra, 0);

    EXPECT_EQ(row(1).state, ThreadHeld);
    EXPECT_EQ(row(1).lastRead, 5);
    EXPECT_EQ(row(2).state, ThreadHasNew);
    EXPECT_EQ(row(2).lastRead, 12);
    EXPECT_EQ(row(2).count, 25);
    EXPECT_EQ(row(3).title, L"携帯 (part 2)");
    EXPECT_EQ(row(3).extra, 3);

    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(ListView_GetNextItem(view, -1, LVNI_FOCUSED), 0);
    EXPECT_EQ(acquired(), kAcquired) << "loading never writes the held-thread list";
}

TEST_F(ThreadListView, ServerLevelLayoutReadsTheHostsDirectory)
{
    Settings.UseServerDir = 1;
    write_file_bytes(root + "\\srv\\mobile\\subject.txt", "1000000007.dat<>Seven (7)\n");
    write_file_bytes(root + "\\srv\\mobile\\acquired.txt", "1000000007.dat<>Seven(5)<>2\r\n");
    ReportCapture capture;
    ASSERT_EQ(load(), 1);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(row(0).state, ThreadHasNew);
}

TEST_F(ThreadListView, EmptySubjectGivesAnEmptyList)
{
    write_subject("");
    ReportCapture capture;
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(ListView_GetItemCount(view), 0);
    EXPECT_EQ(selected(), -1);
    EXPECT_TRUE(capture.messages().empty());
}

TEST_F(ThreadListView, MissingSubjectSaysSoAndKeepsTheOldList)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    DeleteFileA((board_dir() + "\\subject.txt").c_str());
    ReportCapture capture;
    EXPECT_EQ(load(), 0);
    expect_message(capture, sjis_to_wide(board_dir() + "\\subject.txt") + L"オープンに失敗", L"LstSure_load");
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(ListView_GetItemCount(view), 4);
}

TEST_F(ThreadListView, BoardNamesThatLeaveTheTreeAreRefused)
{
    write_file_bytes(root + "\\subject.txt", "1000000001.dat<>outside (1)\n");
    ReportCapture capture;
    EXPECT_EQ(LstSure_load(L"srv", L".."), 0);
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, L"LstSure_load");
    EXPECT_EQ(rows(), 0);
}

TEST_F(ThreadListView, LogOnlyListsHeldThreadsWithTheirLineNumbers)
{
    four_threads();
    Settings.LogOnlyMode = 1;
    ASSERT_EQ(load(), 1);
    ASSERT_EQ(rows(), 2);
    EXPECT_STREQ(row(0).fileName, L"1000000002.dat");
    EXPECT_EQ(row(0).extra, 1);
    EXPECT_EQ(row(0).position, 0);
    EXPECT_STREQ(row(1).fileName, L"1000000003.dat");
    EXPECT_EQ(row(1).extra, 2);
}

namespace {

// 300 threads; the ones at lines 150 and 250 are held.
std::string three_hundred(std::string* acquired)
{
    std::string subject;
    for (int i = 0; i < 300; ++i) subject += std::to_string(1100000000 + i) + ".dat<>t" + std::to_string(i) + " (5)\n";
    *acquired = "1100000150.dat<>t150(5)<>1\r\n1100000250.dat<>t250(5)<>1\r\n";
    return subject;
}

}  // namespace

TEST_F(ThreadListView, LimitListsThreadMaxPlusOneThenStops)
{
    std::string held;
    write_subject(three_hundred(&held));
    write_acquired(held);
    Settings.UseThreadMax = 1;
    Settings.ThreadMax = 100;
    Settings.LogsExcludedFromCount = 0;
    ASSERT_EQ(load(), 1);
    ASSERT_EQ(rows(), 101);
    EXPECT_EQ(row(100).extra, 100);
}

TEST_F(ThreadListView, LimitGoesOnWithHeldThreadsWhenLogsAreExcluded)
{
    std::string held;
    write_subject(three_hundred(&held));
    write_acquired(held);
    Settings.UseThreadMax = 1;
    Settings.ThreadMax = 100;
    Settings.LogsExcludedFromCount = 1;
    ASSERT_EQ(load(), 1);
    ASSERT_EQ(rows(), 103);
    EXPECT_EQ(row(100).extra, 100);
    EXPECT_EQ(row(101).extra, 150);
    EXPECT_EQ(row(102).extra, 250);
    EXPECT_EQ(row(102).state, ThreadHeld);
}

TEST_F(ThreadListView, AtMost2047Rows)
{
    std::string subject;
    for (int i = 0; i < 2100; ++i) subject += std::to_string(1200000000 + i) + ".dat<>t (1)\n";
    write_subject(subject);
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(rows(), 2047);
    EXPECT_EQ(ListView_GetItemCount(view), 2047);
    EXPECT_EQ(row(2046).extra, 2046);
}

TEST_F(ThreadListView, MalformedLinesAreSkippedAndNothingOutsideIsRead)
{
    // A log and a held list beside the board directory, where hostile names
    // would lead.
    write_file_bytes(root + "\\secret.dat", log_of(3));
    write_file_bytes(root + "\\acquired.txt", "secret.dat<>secret(3)<>2\r\n");
    const std::string overlong = "1000000005.dat<>" + std::string(3000, 'x') + " (4)\n";
    write_subject("1000000001.dat<>good (1)\n"
                  "..<>up (2)\n"
                  "..\\secret.dat<>sideways (3)\n"
                  "1000000003.dat<>no count\n" +
                  overlong +
                  std::string("1000000006.dat<>nul\0byte (6)\n", 29) +
                  "1000000007.dat<>unclosed (7\n"
                  "1000000008.dat<>" + std::string(257, 'y') + " (8)\n"
                  "1000000009.dat<>fine (9)");
    write_acquired("");
    const std::vector<std::wstring> before = files_in(root);
    ReportCapture capture;
    ASSERT_EQ(load(), 1);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(rows(), 2);
    EXPECT_STREQ(row(0).fileName, L"1000000001.dat");
    EXPECT_EQ(row(0).extra, 0);
    EXPECT_STREQ(row(1).fileName, L"1000000009.dat");
    EXPECT_EQ(row(1).extra, 8) << "every line counts, the skipped ones too";
    EXPECT_EQ(files_in(root), before);
    EXPECT_EQ(read_file_bytes(root + "\\acquired.txt"), "secret.dat<>secret(3)<>2\r\n");
    EXPECT_EQ(acquired(), "");
}

TEST_F(ThreadListView, SortNewAtLoadPutsNewThreadsFirst)
{
    four_threads();
    Settings.SortNew = 2;
    ASSERT_EQ(load(), 1);
    ASSERT_EQ(rows(), 4);
    EXPECT_STREQ(row(0).fileName, L"1000000003.dat");
    EXPECT_STREQ(row(1).fileName, L"1000000002.dat");
    EXPECT_STREQ(row(2).fileName, L"1000000001.dat");
    EXPECT_STREQ(row(3).fileName, L"1000000004.dat");
    EXPECT_EQ(selected(), 0);
}

// ---- sorting by column clicks ----

TEST_F(ThreadListView, CountHeaderSortsDescendingThenAscendingKeepingTheSelection)
{
    write_subject("1000000001.dat<>a (10)\n1000000002.dat<>b (20)\n1000000003.dat<>c (10)\n"
                  "1000000004.dat<>d (30)\n");
    ASSERT_EQ(load(), 1);
    select(2);   // "c"
    click_column(2);
    EXPECT_EQ(sort_direction(2), 2);
    EXPECT_EQ(row(0).title, L"d");
    EXPECT_EQ(row(1).title, L"b");
    EXPECT_EQ(row(2).title, L"a");
    EXPECT_EQ(row(3).title, L"c");
    EXPECT_EQ(selected(), 3);
    EXPECT_EQ(ListView_GetNextItem(view, -1, LVNI_FOCUSED), 3);
    click_column(2);
    EXPECT_EQ(row(0).title, L"a");
    EXPECT_EQ(row(1).title, L"c");
    EXPECT_EQ(row(2).title, L"b");
    EXPECT_EQ(row(3).title, L"d");
    EXPECT_EQ(selected(), 1);
}

TEST_F(ThreadListView, TitleHeaderAndResetAtLoad)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    click_column(1);
    EXPECT_EQ(row(0).title, L"携帯 (part 2)");
    EXPECT_EQ(row(3).title, L"First & best");
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(sort_direction(1), 1);
    EXPECT_EQ(row(0).title, L"First & best");
}

TEST_F(ThreadListView, FirstColumnTogglesSortNewAndItsCheckMark)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    HMENU popup = softkey_bar_popup(AppState.ListMenuBar, 0);
    ASSERT_NE(popup, nullptr);
    click_column(0);
    EXPECT_EQ(Settings.SortNew, 2);
    EXPECT_STREQ(row(0).fileName, L"1000000003.dat");
    EXPECT_STREQ(row(1).fileName, L"1000000002.dat");
    EXPECT_TRUE(GetMenuState(popup, IDM_SORT_NEW, MF_BYCOMMAND) & MF_CHECKED);
    click_column(0);
    EXPECT_EQ(Settings.SortNew, 1);
    EXPECT_STREQ(row(0).fileName, L"1000000001.dat");
    EXPECT_FALSE(GetMenuState(popup, IDM_SORT_NEW, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(ThreadListView, ItemTextsForTheList)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    wchar_t text[64] = L"";
    ListView_GetItemText(view, 3, 1, text, 64);
    EXPECT_STREQ(text, L"携帯 (part 2)");
    ListView_GetItemText(view, 3, 2, text, 64);
    EXPECT_STREQ(text, L"3");
    ListView_GetItemText(view, 0, 2, text, 64);
    EXPECT_STREQ(text, L"10");
}

TEST_F(ThreadListView, TypedLettersFindATitleOrNothing)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    auto find = [this](const wchar_t* text, int start, UINT flags) {
        NMLVFINDITEMW n{};
        n.hdr.hwndFrom = view;
        n.hdr.idFrom = IDC_THREAD_LIST;
        n.hdr.code = LVN_ODFINDITEMW;
        n.iStart = start;
        n.lvfi.flags = flags;
        n.lvfi.psz = text;
        return static_cast<int>(SendMessageW(main, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&n)));
    };
    const UINT partial = LVFI_STRING | LVFI_PARTIAL;
    EXPECT_EQ(find(L"held", 0, partial), 1);
    EXPECT_EQ(find(L"HELD W", 0, partial), 2);
    EXPECT_EQ(find(L"held", 2, partial), 2);
    EXPECT_EQ(find(L"first", 1, partial), -1);
    EXPECT_EQ(find(L"first", 1, partial | LVFI_WRAP), 0);
    EXPECT_EQ(find(L"携帯", 0, partial), 3);
    EXPECT_EQ(find(L"zzz", 0, partial | LVFI_WRAP), -1) << "not the first row";
    EXPECT_EQ(find(L"", 0, partial), -1);
    // The list itself asks the same way.
    LVFINDINFOW info{};
    info.flags = partial;
    info.psz = L"Held w";
    EXPECT_EQ(ListView_FindItem(view, -1, &info), 2);
}

// ---- opening a row ----

TEST_F(ThreadListView, OpeningAHeldRowShowsTheLastReadResponseAtTheTop)
{
    write_subject("1000000001.dat<>Fifty (50)\n");
    write_acquired("1000000001.dat<>Fifty(40)<>30\r\n");
    write_log("1000000001.dat", log_of(50));
    ASSERT_EQ(load(), 1);
    ReportCapture capture;
    activate(0);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(OpenThreadTable.current, 0);
    const ResponseBuffer& e = entry(0);
    EXPECT_STREQ(e.fileName, L"1000000001.dat");
    EXPECT_EQ(e.responseCount, 50);
    EXPECT_EQ(e.ReadMark, 40);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPos, static_cast<int>(e.responses[29].firstLine));
    EXPECT_EQ(e.lines[OpenThreadTable.scroll[0].nPos].response, 30);
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_EQ(SendMessageW(AppState.OpenThreadSelector, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(selector_text(0), L"Fifty");
    EXPECT_EQ(SendMessageW(AppState.OpenThreadSelector, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(acquired(), "1000000001.dat<>Fifty(40)<>30\r\n") << "a held thread keeps its line";
}

TEST_F(ThreadListView, OpeningANewRowRecordsItAndMarksEveryResponseNew)
{
    four_threads();
    write_log("1000000001.dat", log_of(10));
    ASSERT_EQ(load(), 1);
    activate(0);
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(entry(0).ReadMark, -1);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPos, 0);
    EXPECT_EQ(acquired(), kAcquired + "1000000001.dat<>First & best(10)<>1\r\n");
}

TEST_F(ThreadListView, NumericReferencesInTitlesAreShownAndKeptInTheHeldList)
{
    write_subject("1000000001.dat<>" + sj("ハート①") + "&#9829;&#x1F600;&eacute; &#0; &amp;#65; (10)\n");
    write_log("1000000001.dat", log_of(10));
    ASSERT_EQ(load(), 1);
    const std::wstring shown = L"ハート①\u2665\U0001F600\u00E9 &#0; &#65;";
    EXPECT_EQ(row(0).title, shown);
    activate(0);
    EXPECT_EQ(selector_text(0), shown);
    // What code page 932 lacks is written back as a reference, not lost (nor
    // written as a look-alike: "e" for "é").
    EXPECT_EQ(acquired(), "1000000001.dat<>" + sj("ハート①") + "&#9829;&#128512;&#233; &#0; &#65;(10)<>1\r\n");
}

TEST_F(ThreadListView, LastReadBeyondTheLogShowsItsEnd)
{
    write_subject("1000000001.dat<>Short (9)\n");
    write_acquired("1000000001.dat<>Short(9)<>9\r\n");
    write_log("1000000001.dat", log_of(5));
    ASSERT_EQ(load(), 1);
    activate(0);
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(OpenThreadTable.scroll[0].nPos, entry(0).lineCount);
}

TEST_F(ThreadListView, OpeningAnOpenThreadOnlySwitchesToIt)
{
    four_threads();
    write_log("1000000001.dat", log_of(10));
    write_log("1000000002.dat", log_of(20));
    ASSERT_EQ(load(), 1);
    activate(0);
    activate(1);
    ASSERT_EQ(OpenThreadTable.count, 2);
    EXPECT_EQ(OpenThreadTable.current, 1);
    const std::string afterTwo = acquired();
    AppState.view = ListMode;
    activate(0);
    EXPECT_EQ(OpenThreadTable.count, 2);
    EXPECT_EQ(OpenThreadTable.current, 0);
    EXPECT_EQ(SendMessageW(AppState.OpenThreadSelector, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(AppState.OpenThreadSelector, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_EQ(acquired(), afterTwo);
}

TEST_F(ThreadListView, OpeningWithoutALogSaysSoAndChangesNothing)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    ReportCapture capture;
    activate(0);
    expect_message(capture, sjis_to_wide(board_dir()) + L"\\1000000001.dat" + L"オープンに失敗", L"Resdata_read2");
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(AppState.view, ListMode);
    EXPECT_EQ(acquired(), kAcquired);
}

TEST_F(ThreadListView, NoSelectionOpensNothing)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    select(-1);
    open_selected_thread(main);
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(AppState.view, ListMode);
}

TEST_F(ThreadListView, ARowOfAnotherBoardOpensFromItsOwnBoard)
{
    // The list is of "mobile"; the current board has since changed (its own
    // list failed to load).
    four_threads();
    write_log("1000000001.dat", log_of(4));
    ASSERT_EQ(load(), 1);
    AppState.currentBoard = 2;
    activate(0);
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_STREQ(entry(0).board.dir, L"mobile");
}

TEST_F(ThreadListView, OnlineOpeningFetchesTheNewResponsesFirst)
{
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
    {
        boardserver::BoardServer server;
        ASSERT_TRUE(server.start());
        server.put_dat("mobile", "1000000001", log_of(12));
        Settings.ProxyUse = 1;
        wcscpy(Settings.ProxyName, L"127.0.0.1");
        Settings.ProxyPort = server.port();
        Settings.LineOnOff = 1;

        write_subject("1000000001.dat<>Twelve (12)\n");
        write_acquired("1000000001.dat<>Twelve(10)<>4\r\n");
        write_log("1000000001.dat", log_of(10));
        ASSERT_EQ(load(), 1);
        ReportCapture capture;
        activate(0);
        EXPECT_TRUE(capture.messages().empty());
        ASSERT_TRUE(server.wait_for_requests(1, 5000));
        auto requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target, "http://srv/mobile/dat/1000000001.dat");
        EXPECT_NE(requests[0].head.find("Range: bytes=" + std::to_string(log_of(10).size() - 1) + "-\r\n"),
                  std::string::npos);
        EXPECT_EQ(read_file_bytes(log_path("1000000001.dat")), log_of(12));
        ASSERT_EQ(OpenThreadTable.count, 1);
        EXPECT_EQ(entry(0).responseCount, 12);
        EXPECT_EQ(entry(0).ReadMark, 10) << "responses 11 and 12 are new";
        EXPECT_EQ(entry(0).lines[OpenThreadTable.scroll[0].nPos].response, 4);
        server.stop();
    }
    WSACleanup();
}

TEST_F(ThreadListView, OnlineOpeningOnABoardWithoutAServerReadsTheLocalLog)
{
    // A favourite board that stands for no board of the menu: its threads
    // are only ever read from the log tree.
    wcscpy(allBoards[2].host, L"");
    Settings.LineOnOff = 1;
    Settings.ProxyUse = 0;
    CreateDirectoryA((root + "\\news").c_str(), nullptr);
    write_file_bytes(root + "\\news\\subject.txt", "1000000001.dat<>Local (3)\n");
    write_file_bytes(root + "\\news\\1000000001.dat", log_of(3));
    AppState.currentBoard = 2;
    ASSERT_EQ(LstSure_load(L"", L"news"), 1);
    ReportCapture capture;
    activate(0);
    EXPECT_TRUE(capture.messages().empty()) << wide_to_utf8(capture.messages().empty() ? L"" : capture.messages()[0].text);
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(entry(0).responseCount, 3);
    EXPECT_EQ(AppState.view, ThreadMode);
}

// ---- favourites ----

TEST_F(ThreadListView, FavouritesListKnownBoardsWithRecordedCounts)
{
    write_acquired(kAcquired);
    write_favorites("mobile<>1000000002.dat<>Held fav\r\n"
                    "nowhere<>1000000005.dat<>Unknown board\r\n"
                    "mobile<>1000000001.dat<>Not held (12)\r\n"
                    "broken line\r\n"
                    "mobile<>..\\x.dat<>sideways\r\n"
                    "news<>1000000006.dat<>No logs yet\r\n");
    ReportCapture capture;
    ASSERT_EQ(favorite_sure_load(), 1);
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_TRUE(ProcessThreadList->favorites);
    ASSERT_EQ(rows(), 3);
    EXPECT_STREQ(row(0).fileName, L"1000000002.dat");
    EXPECT_EQ(row(0).title, L"Held fav");
    EXPECT_EQ(row(0).state, ThreadHeld);
    EXPECT_EQ(row(0).count, 20);
    EXPECT_EQ(row(0).lastRead, 5);
    EXPECT_EQ(row(0).extra, 0);
    EXPECT_EQ(row(1).title, L"Not held");
    EXPECT_EQ(row(1).state, ThreadNotHeld);
    EXPECT_EQ(row(1).count, -1);
    EXPECT_EQ(row(2).extra, 2);
    EXPECT_EQ(row(2).board->server, L"srv");
    EXPECT_EQ(row(2).board->dir, L"news");
    EXPECT_FALSE(file_exists(root + "\\news")) << "a board without logs gets no held-thread list";
}

// The fallen mark in the held-thread list gives the row its own state in
// the board's list and among the favourites, whatever the counts say.
TEST_F(ThreadListView, FallenThreadsHaveTheirOwnState)
{
    write_subject("1000000002.dat<>Fallen, nothing new (20)\n1000000003.dat<>Fallen with more (25)\n");
    write_acquired("1000000002.dat<>Fallen, nothing new(20)<>5\tfallen\r\n"
                   "1000000003.dat<>Fallen with more(20)<>12\tfallen\r\n");
    ASSERT_EQ(load(), 1);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(row(0).state, ThreadFallen);
    EXPECT_EQ(row(0).lastRead, 5);
    EXPECT_EQ(row(1).state, ThreadFallen);
    write_favorites("mobile<>1000000003.dat<>Fallen fav\n");
    ASSERT_EQ(favorite_sure_load(), 1);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(row(0).state, ThreadFallen);
    EXPECT_EQ(row(0).count, 20);
}

TEST_F(ThreadListView, FavouriteThreadWithNewCountIsNeverNewAtLoad)
{
    write_acquired("1000000003.dat<>Held with new(20)<>12\r\n");
    write_favorites("mobile<>1000000003.dat<>Held with new\n");
    ASSERT_EQ(favorite_sure_load(), 1);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(row(0).state, ThreadHeld);
}

TEST_F(ThreadListView, OpeningAFavouriteUsesItsOwnBoard)
{
    write_acquired(kAcquired);
    write_log("1000000002.dat", log_of(25));
    write_favorites("mobile<>1000000002.dat<>Held fav\r\nnews<>1000000006.dat<>No logs yet\r\n");
    ASSERT_EQ(favorite_sure_load(), 1);
    AppState.currentBoard = 2;   // the pseudo-board's own place
    activate(0);
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_STREQ(entry(0).board.dir, L"mobile");
    EXPECT_EQ(entry(0).ReadMark, 20);
    EXPECT_EQ(acquired(), kAcquired);
}

TEST_F(ThreadListView, OpeningAFavouriteNotYetHeldRecordsTheLogsCount)
{
    write_acquired("");
    write_log("1000000001.dat", log_of(7));
    write_favorites("mobile<>1000000001.dat<>Seven\r\n");
    ASSERT_EQ(favorite_sure_load(), 1);
    activate(0);
    ASSERT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(acquired(), "1000000001.dat<>Seven(7)<>1\r\n");
}

TEST_F(ThreadListView, MissingFavouriteFileSaysSo)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    ReportCapture capture;
    EXPECT_EQ(favorite_sure_load(), 0);
    expect_message(capture, sjis_to_wide(dir.file("favorite.txt")) + L"お気に入りスレファイルオープンに失敗",
                   L"favorite_sure_load");
    EXPECT_EQ(rows(), 4);
}

// ---- measuring and drawing ----

namespace {

int line_height_of(HWND view)
{
    HDC dc = GetDC(view);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0)));
    RECT r{0, 0, 100, 0};
    DrawTextW(dc, L" ", 1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(view, dc);
    return r.bottom - r.top;
}

int row_height(HWND view)
{
    RECT r{};
    ListView_GetItemRect(view, 0, &r, LVIR_BOUNDS);
    return r.bottom - r.top;
}

}  // namespace

TEST_F(ThreadListView, RowHeightFollowsSureLines)
{
    four_threads();
    const int line = line_height_of(view);
    const int icon = GetSystemMetrics(SM_CXSMICON);
    Settings.SureLines = 3;
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(row_height(view), std::max(3 * line, icon));
    // More than nine lines are kept while they fit the view, and cut to what
    // fits beyond that.
    RECT shown, header{};
    GetClientRect(view, &shown);
    GetWindowRect(ListView_GetHeader(view), &header);
    const int fitting = ((shown.bottom - shown.top) - (header.bottom - header.top)) / line;
    ASSERT_GT(fitting, 10);
    Settings.SureLines = 10;
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(row_height(view), 10 * line);
    Settings.SureLines = 1000;
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(row_height(view), fitting * line);
    Settings.SureLines = 0;
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(row_height(view), std::max(line, icon)) << "short titles take one line";
    // The title column takes what the other two leave.
    RECT client;
    GetClientRect(view, &client);
    EXPECT_EQ(ListView_GetColumnWidth(view, 1),
              client.right - ListView_GetColumnWidth(view, 0) - ListView_GetColumnWidth(view, 2));
}

TEST_F(ThreadListView, TitleColumnFollowsTheScrollBarOfEachLoad)
{
    auto expect_title_fills_client = [this](const char* when) {
        RECT client;
        GetClientRect(view, &client);
        EXPECT_EQ(ListView_GetColumnWidth(view, 1),
                  client.right - ListView_GetColumnWidth(view, 0) - ListView_GetColumnWidth(view, 2))
            << when;
        EXPECT_FALSE(GetWindowLongW(view, GWL_STYLE) & WS_HSCROLL) << when;
    };
    four_threads();
    ASSERT_EQ(load(), 1);
    EXPECT_FALSE(GetWindowLongW(view, GWL_STYLE) & WS_VSCROLL);
    expect_title_fills_client("four rows");

    write_plain_rows(200);
    ASSERT_EQ(load(), 1);
    EXPECT_TRUE(GetWindowLongW(view, GWL_STYLE) & WS_VSCROLL);
    expect_title_fills_client("200 rows, scroll bar shown");

    four_threads();
    ASSERT_EQ(load(), 1);
    EXPECT_FALSE(GetWindowLongW(view, GWL_STYLE) & WS_VSCROLL);
    expect_title_fills_client("four rows again");
}

namespace {

// The header's pixels as its window holds them.
std::vector<COLORREF> header_pixels(HWND view)
{
    HWND header = ListView_GetHeader(view);
    RECT r{};
    GetClientRect(header, &r);
    DibDC dib(r.right, r.bottom);
    HDC dc = GetDC(header);
    BitBlt(dib.get(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(header, dc);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x) pixels.push_back(dib.at(x, y));
    return pixels;
}

std::vector<COLORREF> header_drawn_afresh(HWND view)
{
    RedrawWindow(ListView_GetHeader(view), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return header_pixels(view);
}

}  // namespace

TEST_F(ThreadListView, HeaderShowsItsColumnsAfterEveryLoad)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    UpdateWindow(main);
    const std::vector<COLORREF> fourRows = header_drawn_afresh(view);
    ASSERT_FALSE(fourRows.empty());
    ASSERT_NE(std::count(fourRows.begin(), fourRows.end(), fourRows[0]), static_cast<long>(fourRows.size()))
        << "the header shows its captions";

    ASSERT_EQ(load(), 1);
    UpdateWindow(main);
    EXPECT_EQ(header_pixels(view), fourRows) << "a list of the same shape";

    write_plain_rows(200);
    ASSERT_EQ(load(), 1);
    UpdateWindow(main);
    const std::vector<COLORREF> shown = header_pixels(view);
    EXPECT_NE(shown, fourRows) << "the title column narrowed for the scroll bar";
    EXPECT_EQ(shown, header_drawn_afresh(view)) << "a list that changed the columns";
}

TEST_F(ThreadListView, LongTitlesMakeTallerRowsUntilShortOnesCome)
{
    std::string subject;
    for (int i = 0; i < 20; ++i) {
        std::string title;
        for (int w = 0; w < 30; ++w) title += "word ";
        subject += std::to_string(1300000000 + i) + ".dat<>" + title + " (1)\n";
    }
    write_subject(subject);
    ASSERT_EQ(load(), 1);
    EXPECT_GT(row_height(view), line_height_of(view) * 2);
    four_threads();
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(row_height(view), std::max(line_height_of(view), GetSystemMetrics(SM_CXSMICON)));
}

TEST_F(ThreadListView, ColumnsAndImages)
{
    wchar_t text[32] = L"";
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = text;
    c.cchTextMax = 32;
    ASSERT_TRUE(ListView_GetColumn(view, 1, &c));
    EXPECT_STREQ(text, L"スレタイ");
    ASSERT_TRUE(ListView_GetColumn(view, 2, &c));
    EXPECT_STREQ(text, L"レス");
    EXPECT_EQ(ListView_GetColumnWidth(view, 0), 20 + GetSystemMetrics(SM_CXSMICON));
    wchar_t windowText[32] = L"";
    GetWindowTextW(view, windowText, 32);
    EXPECT_STREQ(windowText, L"SureList");
    EXPECT_EQ(GetDlgCtrlID(view), IDC_THREAD_LIST);
    const LONG style = GetWindowLongW(view, GWL_STYLE);
    EXPECT_TRUE(style & LVS_OWNERDATA);
    EXPECT_TRUE(style & LVS_OWNERDRAWFIXED);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(view, LVSIL_SMALL)), 4);   // not held, held, new, fallen
    EXPECT_EQ(AppState.threadListView, view);
}

namespace {

// One row drawn by the draw-item handler into a bitmap of the list's size.
class RowPicture {
public:
    RowPicture(HWND view, int row, UINT state) : dib_(list_width(view), list_height(view))
    {
        DRAWITEMSTRUCT d{};
        d.CtlType = ODT_LISTVIEW;
        d.CtlID = IDC_THREAD_LIST;
        d.itemID = static_cast<UINT>(row);
        d.itemAction = ODA_DRAWENTIRE;
        d.itemState = state;
        d.hwndItem = view;
        d.hDC = dib_.get();
        ListView_GetItemRect(view, row, &d.rcItem, LVIR_BOUNDS);
        rect = d.rcItem;
        ThreadListDrawItem(&d);
    }
    COLORREF at(int x, int y) const { return dib_.at(x, y); }
    RECT rect{};

private:
    static int list_width(HWND view)
    {
        RECT r;
        GetClientRect(view, &r);
        return r.right;
    }
    static int list_height(HWND view)
    {
        RECT r;
        GetClientRect(view, &r);
        return r.bottom;
    }
    DibDC dib_;
};

COLORREF even_colour()
{
    return mix_row_colour(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHT));
}

}  // namespace

TEST_F(ThreadListView, RowsAlternateTheirBackgroundAndSelectionIsHighlighted)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    RECT count0{};
    ListView_GetSubItemRect(view, 0, 2, LVIR_BOUNDS, &count0);
    {
        RowPicture even(view, 0, 0);
        EXPECT_EQ(even.at(count0.right - 1, even.rect.bottom - 1), even_colour());
    }
    {
        RowPicture odd(view, 1, 0);
        EXPECT_EQ(odd.at(count0.right - 1, odd.rect.bottom - 1), GetSysColor(COLOR_WINDOW));
    }
    {
        RowPicture chosen(view, 1, ODS_SELECTED);
        EXPECT_EQ(chosen.at(count0.right - 1, chosen.rect.bottom - 1), GetSysColor(COLOR_HIGHLIGHT));
    }
}

TEST_F(ThreadListView, EachStateDrawsItsIcon)
{
    four_threads();
    ASSERT_EQ(load(), 1);
    HIMAGELIST images = ListView_GetImageList(view, LVSIL_SMALL);
    const int icon = GetSystemMetrics(SM_CXSMICON);
    for (int r = 0; r < 3; ++r) {   // rows 0, 1, 2 carry states 0, 1, 2
        RowPicture drawn(view, r, 0);
        RECT at{};
        ListView_GetItemRect(view, r, &at, LVIR_ICON);
        // The same image over the same background, drawn apart.
        DibDC expected(icon, icon);
        HBRUSH brush = CreateSolidBrush(r % 2 ? GetSysColor(COLOR_WINDOW) : even_colour());
        RECT all{0, 0, icon, icon};
        FillRect(expected.get(), &all, brush);
        DeleteObject(brush);
        ImageList_Draw(images, row(r).state, expected.get(), 0, 0, ILD_TRANSPARENT);
        int differing = 0, nonBackground = 0;
        for (int y = 0; y < icon; ++y)
            for (int x = 0; x < icon; ++x) {
                COLORREF want = expected.at(x, y);
                if (drawn.at(at.left + x, at.top + y) != want) ++differing;
                if (want != expected.at(0, 0)) ++nonBackground;
            }
        EXPECT_EQ(differing, 0) << "row " << r;
        EXPECT_GT(nonBackground, 10) << "the icon is drawn, not empty";
    }
}

TEST_F(ThreadListView, StateIconsDiffer)
{
    HIMAGELIST images = ListView_GetImageList(view, LVSIL_SMALL);
    const int icon = GetSystemMetrics(SM_CXSMICON);
    std::vector<std::vector<COLORREF>> pictures;
    for (int i = 0; i < 3; ++i) {
        DibDC dc(icon, icon);
        RECT all{0, 0, icon, icon};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ImageList_Draw(images, i, dc.get(), 0, 0, ILD_TRANSPARENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < icon; ++y)
            for (int x = 0; x < icon; ++x) pixels.push_back(dc.at(x, y));
        pictures.push_back(pixels);
    }
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
    EXPECT_NE(pictures[0], pictures[2]);
}

// ---- the settings drop-down ----

TEST_F(ThreadListView, DropDownMenuShowsTheModes)
{
    Settings.LogOnlyMode = 1;
    Settings.UseThreadMax = 0;
    HMENU menu = load_settings_dropdown();
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    EXPECT_TRUE(GetMenuState(popup, IDM_LOG_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(popup, IDM_THREAD_MAX, MF_BYCOMMAND) & MF_CHECKED);
    wchar_t text[64] = L"";
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"設定");
    DestroyMenu(menu);
    Settings.LogOnlyMode = 0;
    Settings.UseThreadMax = 1;
    menu = load_settings_dropdown();
    popup = GetSubMenu(menu, 0);
    EXPECT_FALSE(GetMenuState(popup, IDM_LOG_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(popup, IDM_THREAD_MAX, MF_BYCOMMAND) & MF_CHECKED);
    DestroyMenu(menu);
}

TEST_F(ThreadListView, DropDownButtonTracksTheMenu)
{
    HWND bar = commandbar_create(GetModuleHandleW(nullptr), main, IDC_LIST_TOOLBAR);
    ASSERT_NE(bar, nullptr);
    commandbar_add_bitmap(bar, GetModuleHandleW(nullptr), IDB_LIST_TOOLBAR, LIST_TOOLBAR_IMAGES);
    TBBUTTON button{};
    button.iBitmap = 4;
    button.idCommand = IDM_SETTINGS_MENU;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_DROPDOWN;
    ASSERT_TRUE(commandbar_add_buttons(bar, 1, &button));
    Settings.UseThreadMax = 1;

    NMTOOLBARW n{};
    n.hdr.hwndFrom = bar;
    n.hdr.idFrom = IDC_LIST_TOOLBAR;
    n.hdr.code = TBN_DROPDOWN;
    n.iItem = IDM_SETTINGS_MENU;
    commandbar_button_rect(bar, IDM_SETTINGS_MENU, &n.rcButton);
    SendMessageW(main, WM_NOTIFY, IDC_LIST_TOOLBAR, reinterpret_cast<LPARAM>(&n));
    EXPECT_EQ(g_menu.popups, 1);
    EXPECT_FALSE(g_menu.logOnly & MF_CHECKED);
    EXPECT_TRUE(g_menu.threadMax & MF_CHECKED);
    EXPECT_EQ(g_menu.items, 16);
    EXPECT_EQ(AppState.lastPopupMenu, nullptr) << "the menu is gone once it closed";

    // Another button's drop-down is not ours.
    n.iItem = IDM_ONLINE;
    SendMessageW(main, WM_NOTIFY, IDC_LIST_TOOLBAR, reinterpret_cast<LPARAM>(&n));
    EXPECT_EQ(g_menu.popups, 1);
    commandbar_destroy(bar);
}

// ---- the NG lists ----

TEST_F(ThreadListView, TitlesTheNgListsHideLeaveTheListWithTheirCountInTheHeader)
{
    ProcessNgLists = NgLists{};
    set_ng_filter_source(program_ng_filter);
    auto header = [&] {
        wchar_t text[64] = L"";
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT;
        c.pszText = text;
        c.cchTextMax = 64;
        ListView_GetColumn(view, 1, &c);
        return std::wstring(text);
    };
    four_threads();
    ASSERT_EQ(ng_lists_add(NgKind::Title, "HELD"), 1);   // case folded: two rows
    ASSERT_EQ(load(), 1);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(row(0).title, L"First & best");
    EXPECT_EQ(row(1).title.substr(0, 2), L"携帯");
    EXPECT_EQ(header(), L"スレタイ (NG 2)");

    select(1);
    ASSERT_EQ(ng_add_shown(NgKind::Title, L"  ＦＩＲＳＴ \r\nrest"), 1) << "the first line, its blanks dropped";
    EXPECT_EQ(read_file_bytes(dir.file("ng.txt")), "title\tHELD\r\ntitle\t\x82\x65\x82\x68\x82\x71\x82\x72\x82\x73\r\n");
    ASSERT_EQ(rows(), 1) << "the list follows the change at once";
    EXPECT_EQ(header(), L"スレタイ (NG 3)");
    EXPECT_EQ(selected(), 0);

    ASSERT_EQ(ng_lists_remove({0, 1}), 1);
    ng_lists_changed();
    ASSERT_EQ(rows(), 4) << "rows no longer hidden come back in their order";
    EXPECT_EQ(row(1).title, L"Held, nothing new");
    EXPECT_EQ(header(), L"スレタイ");
    EXPECT_EQ(row(selected()).title.substr(0, 2), L"携帯") << "the selected thread stays selected";
    set_ng_filter_source(nullptr);
    ProcessNgLists = NgLists{};
}
