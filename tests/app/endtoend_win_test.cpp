// The whole road on the real main window: board list, category, board,
// thread, reload, post, update check, delete, exit and the next start, and
// the same road offline without a single connection.
#include "tests/support/mainfixture_win.h"

#include <functional>

#include "app/commands_win.h"
#include "app/dialogs_win.h"
#include "platform/commandbar.h"
#include "reader/anchorindex.h"
#include "reader/conversation.h"

using namespace mainwindow_test;
using boardserver::FallenAnswer;
using boardserver::PastLog;
using boardserver::PostMode;
using boardserver::PostOutcome;
using boardserver::PostSettings;

namespace {

const wchar_t kFirstTitle[] = L"春は来る？CE用2chブラウザ「Velmo」Part10";
const char kFirstTitleUtf8[] = "春は来る？CE用2chブラウザ「Velmo」Part10";
const wchar_t kEditorCaption[] = L"メッセージの編集";

// Two responses as the server's log gains them.
std::string two_responses()
{
    return sj("名無しさん") + "<>sage<>2006/12/09 08:40:00 ID:Grown001<> " + sj("増えた一つ目") + " <>\n" +
           sj("名無しさん") + "<><>2006/12/09 08:41:00 ID:Grown002<> " + sj("増えた二つ目") + " <>\n";
}

void post(HWND dialog, WORD id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::vector<std::wstring> texts(const std::vector<ReportedMessage>& messages)
{
    std::vector<std::wstring> out;
    for (const ReportedMessage& m : messages) out.push_back(m.caption + L": " + m.text);
    return out;
}

bool contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

class EndToEnd : public MainWindowFixture {
protected:
    // The server's own bytes of a file of the sample.
    std::string served(const std::string& path) const { return server_.file(path); }

    void set_post_mode(PostMode mode)
    {
        PostSettings ps;
        ps.mode = mode;
        ps.date = "2006/12/09 09:00:00 ID:Qv0Post0";
        server_.set_post_settings(ps);
    }
};

// Runs `act` every tick of a thread timer until it returns true.
class Repeat {
public:
    explicit Repeat(std::function<bool()> act) : act_(std::move(act))
    {
        current() = this;
        timer_ = SetTimer(nullptr, 0, 40, tick);
    }
    ~Repeat()
    {
        if (timer_) KillTimer(nullptr, timer_);
        current() = nullptr;
    }

private:
    static Repeat*& current()
    {
        static Repeat* r = nullptr;
        return r;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Repeat* r = current();
        if (!r || !r->timer_) return;
        if (r->act_()) {
            KillTimer(nullptr, r->timer_);
            r->timer_ = 0;
        }
    }
    std::function<bool()> act_;
    UINT_PTR timer_ = 0;
};

}  // namespace

TEST_F(EndToEnd, BoardListCategoryBoardAndThread)
{
    write_settings(1);
    ASSERT_NE(start(), nullptr);
    // A fresh folder has no board table yet.
    EXPECT_TRUE(selector_lines(AppState.CategorySelector).empty());
    reports_.clear();

    // The board list, through its source dialog.
    DialogDriver source(L"板一覧取得先");
    source.then([](HWND d) { post(d, IDOK); });
    run_dialog_command(IDM_FETCH_BOARD_LIST, source);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://menu.2ch.net/bbsmenu.html"}));
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), sample_board_file());
    EXPECT_EQ(selector_lines(AppState.CategorySelector),
              (std::vector<std::wstring>{L"お気に入り", L"PC等", L"ニュース", L"雑談"}));

    // Category and board: the board's thread list stored and shown.
    server_.clear_requests();
    choose_mobile();
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/mobile/subject.txt"}));
    EXPECT_EQ(read_file_bytes(log_file("mobile\\subject.txt")), served("/mobile/subject.txt"));
    EXPECT_EQ(list_titles(), (std::vector<std::wstring>{kFirstTitle, L"スマートフォン総合スレ (仮)",
                                                        L"PDAで掲示板を読むスレ Part3", L"\"テスト\" & 実験スレ"}));
    EXPECT_EQ(list_view_rows(), kMobileThreads);
    EXPECT_TRUE(IsWindowVisible(AppState.threadListView));
    EXPECT_EQ(GetFocus(), AppState.threadListView);

    // The first thread: fetched, held, drawn.
    server_.clear_requests();
    activate_row(0);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/mobile/dat/1065069078.dat"}));
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == served("/mobile/dat/1065069078.dat"));
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(123)<>1\r\n");
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_TRUE(IsWindowVisible(AppState.responseView));
    EXPECT_EQ(selector_lines(AppState.OpenThreadSelector), (std::vector<std::wstring>{kFirstTitle}));
    EXPECT_EQ(window_text(AppState.OpenThreadSelector), kFirstTitle);
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses);
    int lines = 0;
    EXPECT_GT(drawn_pixels(&lines), 500);
    EXPECT_GT(lines, 5);
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages())[0]);
}

TEST_F(EndToEnd, ReloadAfterTheLogGrewMarksTheNewResponses)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    const size_t heldBytes = read_file_bytes(mobile_dat()).size();
    server_.clear_requests();
    server_.append_dat("mobile", kMobileKey, two_responses());

    command(IDM_RELOAD_THREAD);
    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_TRUE(contains(requests[0].head, "Range: bytes=" + std::to_string(heldBytes - 1) + "-"))
        << requests[0].head;
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == server_.dat("mobile", kMobileKey));
    const ResponseBuffer* t = current_entry();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->responseCount, kFirstThreadResponses + 2);
    EXPECT_EQ(t->ReadMark, kFirstThreadResponses) << "the two that arrived are new";
    EXPECT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    EXPECT_GT(drawn_pixels(), 500);

    // Nothing more on the server: nothing new.
    command(IDM_RELOAD_THREAD);
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses + 2);
    EXPECT_EQ(current_entry()->ReadMark, kFirstThreadResponses + 2);
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages())[0]);

    // Closing records the count reached.
    command(IDM_CLOSE_THREAD);
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(125)<>1\r\n");
}

// The server's log changed under the held one (a response deleted): the
// reload fetches it whole, and the conversation is read from the new log,
// not extended from the old one.
TEST_F(EndToEnd, ReloadThatFetchesTheWholeLogAgainIndexesItAfresh)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    const size_t heldBytes = read_file_bytes(mobile_dat()).size();
    ASSERT_LT(reply_count(conversation_of(OpenThreadTable.entries[OpenThreadTable.current])->index, 1), 5)
        << "the sample's thread, indexed as it was opened";

    // Every response after the first answers it; longer than the held log,
    // and its byte before the held length is no line end.
    const int responses = kFirstThreadResponses + 2;
    std::string changed;
    for (int r = 1; r <= responses; ++r) {
        changed += sj("名無しさん") + "<><>2006/12/09 08:40:00 ID:Chang" + std::to_string(r % 10) + "<> ";
        changed += r == 1 ? std::string("first") : "&gt;&gt;1 " + std::string(200, 'x');
        changed += r == 1 ? " <>" + sj(kFirstTitleUtf8) + "\n" : " <>\n";
    }
    ASSERT_GT(changed.size(), heldBytes);
    ASSERT_NE(changed[heldBytes - 1], '\n');
    server_.put_dat("mobile", kMobileKey, changed);

    command(IDM_RELOAD_THREAD);
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == changed);
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(current_entry()->responseCount, responses);
    const ConversationIndex& index = conversation_of(OpenThreadTable.entries[OpenThreadTable.current])->index;
    EXPECT_EQ(reply_count(index, 1), responses - 1);
    EXPECT_EQ(reply_count(index, 2), 0);
}

TEST_F(EndToEnd, PostThroughTheConfirmationLandsInTheLog)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    set_post_mode(PostMode::Normal);   // the confirmation page until the cookies come back
    open_mobile_threads(1);
    reports_.clear();

    DialogDriver editor(kEditorCaption);
    editor.then([](HWND d) {
        SetDlgItemTextW(d, IDC_REPLY_NAME, L"試験者");
        SetDlgItemTextW(d, IDC_REPLY_MAIL, L"sage");
        SetDlgItemTextW(d, IDC_REPLY_MESSAGE, L"届きますように");
        post(d, IDOK);
    });
    run_dialog_command(IDM_WRITE, editor);

    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].outcome, PostOutcome::Confirm);
    EXPECT_EQ(posts[1].outcome, PostOutcome::Success);
    EXPECT_TRUE(posts[1].hadCookieLine);
    EXPECT_EQ(posts[1].from, sj("試験者"));
    EXPECT_EQ(posts[1].message, sj("届きますように"));
    EXPECT_EQ(posts[1].bbs, "mobile");
    EXPECT_EQ(posts[1].key, kMobileKey);
    EXPECT_EQ(texts(reports_.messages()), (std::vector<std::wstring>{L"post_res: 書きこみが終わりました"}));
    EXPECT_TRUE(file_exists(dir_.file("cookie.txt")));

    // The editor posted 40014: the thread was read again with the post.
    const std::string log = read_file_bytes(mobile_dat());
    EXPECT_TRUE(log == server_.dat("mobile", kMobileKey));
    EXPECT_EQ(log.substr(log.size() - posts[1].appended.size()), posts[1].appended);
    const ResponseBuffer* t = current_entry();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->responseCount, kFirstThreadResponses + 1);
    EXPECT_EQ(t->ReadMark, kFirstThreadResponses);
}

TEST_F(EndToEnd, ModelessEditorPostsThroughTheMessageLoop)
{
    ASSERT_NE(start_with_boards(1, "Flag: 1\r\n"), nullptr);
    set_post_mode(PostMode::Success);
    open_mobile_threads(1);
    const std::string servedBefore = served("/mobile/dat/1065069078.dat");
    command(IDM_WRITE);
    HWND editor = ReplyEditor_modeless();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(AppState.view, ThreadMode) << "the thread stays readable";

    HWND name = GetDlgItem(editor, IDC_REPLY_NAME);
    HWND focusAfterTab = nullptr;
    bool tabStayedInTheEditor = false;
    int step = 0;
    bool posted = false;
    Repeat script([&] {
        switch (step++) {
        case 0:
            SetFocus(name);
            // Tab goes through the loop to the dialog, which moves on.
            PostMessageW(name, WM_KEYDOWN, VK_TAB, 0);
            return false;
        case 1:
            focusAfterTab = GetFocus();
            tabStayedInTheEditor = IsChild(editor, focusAfterTab) != FALSE;
            SetDlgItemTextW(editor, IDC_REPLY_MESSAGE, L"読みながら書く");
            post(editor, IDOK);
            return false;
        default:
            if (ReplyEditor_modeless()) return step > 200;
            posted = true;
            PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
            return true;
        }
    });
    const int code = RunMessageLoop(main_);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(posted);
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_NE(focusAfterTab, name);
    EXPECT_TRUE(tabStayedInTheEditor);
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, sj("読みながら書く"));
    // The modeless kind reloads nothing: the log stays as read, and the
    // exit records the count the reader saw.
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == servedBefore);
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(123)<>1\r\n");
}

TEST_F(EndToEnd, UpdateCheckMarksAGrownFavourite)
{
    write_file_bytes(dir_.file("favorite.txt"), "");
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    command(IDM_ADD_FAVORITE_THREAD);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")),
              "mobile<>1065069078.dat<>" + sj(kFirstTitleUtf8) + "\r\n");
    command(IDM_CLOSE_THREAD);
    ASSERT_EQ(AppState.view, ListMode);

    choose_board(0, 0);   // "お気に入り", "お気に入りスレ"
    ASSERT_EQ(list_view_rows(), 1);
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHeld);

    // Nothing new yet: the check leaves it held.
    server_.clear_requests();
    command(IDM_UPDATE_CHECK);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"HEAD http://pc.2ch.net/mobile/dat/1065069078.dat"}));
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHeld);

    const std::string held = served("/mobile/dat/1065069078.dat");
    server_.append_dat("mobile", kMobileKey, two_responses());
    command(IDM_UPDATE_CHECK);
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew);

    // The list's reload on the favourite threads announces the check.
    reports_.clear();
    command(IDM_RELOAD_LIST);
    EXPECT_EQ(texts(reports_.messages()), (std::vector<std::wstring>{L"info: 更新チェックします"}));
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew);
    // The local log is not touched by a check.
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == held);
}

TEST_F(EndToEnd, DeleteAsksAndRemovesOnlyAfterYes)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(2);
    command(IDM_SWITCH_VIEW);
    command(IDM_SWITCH_VIEW);
    const std::string log = read_file_bytes(mobile_dat("1066800000"));
    const std::string held = read_file_bytes(log_file("mobile\\acquired.txt"));
    ASSERT_FALSE(log.empty());
    ASSERT_TRUE(contains(held, "1066800000.dat<>"));
    server_.clear_requests();
    reports_.clear();

    reports_.set_answer(IDNO);
    command(IDM_DELETE_LOG);
    auto asked = reports_.messages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, L"本当に削除しますか？");
    EXPECT_EQ(asked[0].caption, L"削除確認");
    EXPECT_EQ(asked[0].type, static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION));
    EXPECT_EQ(asked[0].owner, main_);
    EXPECT_TRUE(read_file_bytes(mobile_dat("1066800000")) == log);
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")), held);
    EXPECT_EQ(OpenThreadTable.count, 2);
    EXPECT_STREQ(current_entry()->fileName, L"1066800000.dat");

    reports_.clear();
    reports_.set_answer(IDYES);
    command(IDM_DELETE_LOG);
    EXPECT_EQ(reports_.messages().size(), 1u);
    EXPECT_FALSE(file_exists(mobile_dat("1066800000")));
    EXPECT_TRUE(file_exists(mobile_dat()));
    // The other thread's line stays; the deleted one's is gone for good.
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(123)<>1\r\n");
    EXPECT_EQ(OpenThreadTable.count, 1);
    EXPECT_STREQ(current_entry()->fileName, L"1065069078.dat");
    EXPECT_EQ(selector_lines(AppState.OpenThreadSelector), (std::vector<std::wstring>{kFirstTitle}));
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(EndToEnd, ExitCountsDownAndTheModesReachTheNextStart)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(2);
    command(IDM_SWITCH_VIEW);
    command(IDM_LOG_ONLY);
    command(IDM_THREAD_MAX);
    command(IDM_SORT_NEW);
    command(IDM_ONLINE);
    ASSERT_EQ(Settings.SortNew, 2);
    take_quit_message();

    DialogCaptions captions;
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_TRUE(take_quit_message());
    EXPECT_EQ(captions.captions(), (std::vector<std::wstring>{L"init:処理中", L"終了処理中", L"1 終了処理中",
                                                              L"0 終了処理中", L"init:処理中", L"終了処理中"}));
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(OpenThreadTable.current, -1);
    const std::string ini = read_file_bytes(dir_.file("quorvex.ini"));
    for (const char* line : {"UseThreadMax: 1\r\n", "LogOnlyMode: 1\r\n", "LineOnOff: 0\r\n", "SortNew: 2\r\n"})
        EXPECT_TRUE(contains(ini, line)) << line << ini;
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(123)<>1\r\n" + "1066800000.dat<>" +
                  sj("スマートフォン総合スレ (仮)") + "(12)<>1\r\n");

    // The next start: the modes as they were left.
    reset_process_records();
    server_.clear_requests();
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(Settings.LineOnOff, 0);
    EXPECT_EQ(Settings.LogOnlyMode, 1);
    EXPECT_EQ(Settings.UseThreadMax, 1);
    EXPECT_TRUE(menu_bar_checked(AppState.ListMenuBar, IDM_LOG_ONLY));
    EXPECT_TRUE(menu_bar_checked(AppState.ListMenuBar, IDM_SORT_NEW));
    EXPECT_FALSE(menu_bar_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_FALSE(commandbar_button_state(AppState.ListToolbar, IDM_ONLINE) & TBSTATE_CHECKED);
    // Offline and log-only: the two held threads, from the local files.
    choose_mobile();
    EXPECT_EQ(list_view_rows(), 2);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(EndToEnd, OfflineTheRoadTouchesNoSocket)
{
    // Local files of an earlier session; the program starts offline.
    write_file_bytes(dir_.file("favorite.txt"), "");
    CreateDirectoryA(log_file("").c_str(), nullptr);
    CreateDirectoryA(log_file("mobile").c_str(), nullptr);
    write_file_bytes(log_file("mobile\\subject.txt"), served("/mobile/subject.txt"));
    write_file_bytes(mobile_dat(), served("/mobile/dat/1065069078.dat"));
    write_file_bytes(log_file("mobile\\acquired.txt"), "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(100)<>50\r\n");
    ASSERT_NE(start_with_boards(0), nullptr);
    reports_.clear();

    DialogDriver source(L"板一覧取得先");
    source.then([](HWND d) { post(d, IDOK); });
    run_dialog_command(IDM_FETCH_BOARD_LIST, source);
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), sample_board_file());

    choose_mobile();
    EXPECT_EQ(list_view_rows(), kMobileThreads);
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew) << "123 listed, 100 held";
    command(IDM_RELOAD_LIST);
    command(IDM_UPDATE_CHECK);
    activate_row(0);
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses);
    EXPECT_EQ(current_entry()->ReadMark, 100);
    EXPECT_EQ(current_entry()->lines[OpenThreadTable.scroll[0].nPos].response, 50) << "where reading stopped";
    command(IDM_RELOAD_THREAD);
    EXPECT_EQ(current_entry()->ReadMark, 100) << "offline a reload changes nothing";

    DialogDriver editor(kEditorCaption);
    editor.then([](HWND d) {
        SetDlgItemTextW(d, IDC_REPLY_MESSAGE, L"届かない");
        post(d, IDOK);
    });
    run_dialog_command(IDM_WRITE, editor);
    command(IDM_LOG_ONLY);
    command(IDM_LOG_ONLY);
    command(IDM_CLOSE_THREAD);
    command(IDM_EXIT);

    EXPECT_EQ(texts(reports_.messages()),
              (std::vector<std::wstring>{L"Info: Offlineモードです", L"post_res: offlineです",
                                         L"post_res: onlineモードにしてください"}));
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_TRUE(server_.posts().empty());
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == served("/mobile/dat/1065069078.dat"));
}

TEST_F(EndToEnd, DeleteKeepsTheLogWhenItsListCannotBeRewritten)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    open_mobile_threads(1);
    const std::string list = log_file("mobile\\acquired.txt");
    const std::string held = read_file_bytes(list);
    // A folder where the list's new copy would be written.
    ASSERT_TRUE(CreateDirectoryA((list + ".new").c_str(), nullptr));
    reports_.clear();
    reports_.set_answer(IDYES);
    command(IDM_DELETE_LOG);
    RemoveDirectoryA((list + ".new").c_str());
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, L"削除確認");
    EXPECT_EQ(messages[1].text, sjis_to_wide(list) + L"オープンに失敗");
    EXPECT_EQ(messages[1].caption, L"filelist_changeitem");
    EXPECT_EQ(messages[1].owner, main_);
    EXPECT_EQ(read_file_bytes(list), held);
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == served("/mobile/dat/1065069078.dat"));
    EXPECT_EQ(OpenThreadTable.count, 1);
    EXPECT_EQ(AppState.view, ThreadMode);
}

// A thread that fell out of its board on the real window: opened, its past
// log comes from the store and it is held as fallen; the list shows it so;
// opened again it asks nothing, and only the reload asks again.
TEST_F(EndToEnd, FallenThreadIsReadFromThePastLogStoreAndAskedAgainOnlyByHand)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    const std::string whole = server_.dat("mobile", kMobileKey);
    server_.site().fall_thread("mobile", kMobileKey, FallenAnswer::Redirect, PastLog::Gzipped);
    choose_mobile();
    server_.clear_requests();
    activate_row(0);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/mobile/dat/1065069078.dat",
                                                           "GET http://pc.2ch.net/mobile/kako/1065/10650/1065069078.dat.gz"}));
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == whole);
    EXPECT_EQ(read_file_bytes(log_file("mobile\\acquired.txt")),
              "1065069078.dat<>" + sj(kFirstTitleUtf8) + "(123)<>1\tfallen\r\n");
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses);
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages())[0]);

    command(IDM_CLOSE_THREAD);
    choose_mobile();
    ASSERT_NE(ProcessThreadList->at(0), nullptr);
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadFallen);
    server_.clear_requests();
    activate_row(0);
    EXPECT_TRUE(server_.requests().empty()) << "a fallen thread is opened from its log";
    EXPECT_EQ(current_entry()->responseCount, kFirstThreadResponses);

    command(IDM_RELOAD_THREAD);
    EXPECT_EQ(request_targets(), (std::vector<std::string>{"GET http://pc.2ch.net/mobile/dat/1065069078.dat",
                                                           "GET http://pc.2ch.net/mobile/kako/1065/10650/1065069078.dat.gz"}));
    EXPECT_TRUE(read_file_bytes(mobile_dat()) == whole);
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages())[0]);
}
