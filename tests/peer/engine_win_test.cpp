// The road a person walks, on the real main window, against a real board
// engine written by others: board menu, board, thread, a post through the
// engine's confirmation page, growth by another client fetched by range, a
// thread made by another client, the update check, and offline mode; each
// over http and over https.
#include "tests/peer/peerfixture_win.h"

using namespace peer_test;

namespace {

std::vector<std::wstring> texts(const std::vector<ReportedMessage>& messages)
{
    std::vector<std::wstring> out;
    for (const ReportedMessage& m : messages) out.push_back(m.caption + L": " + m.text);
    return out;
}

class PeerEngine : public PeerFixture {
protected:
    // Online from a fresh folder to the open thread `key`.
    void walk_to_thread(const std::string& key)
    {
        ASSERT_NE(start_on_engine(1), nullptr);
        fetch_board_menu();
        choose_engine_board();
        open_thread(key);
        ASSERT_NE(current_entry(), nullptr);
    }

    // A reply written in the editor and sent through the engine's
    // confirmation page.
    void write_reply(const wchar_t* name, const wchar_t* mail, const wchar_t* message)
    {
        DialogDriver editor(L"メッセージの編集");
        editor.then([name, mail, message](HWND d) {
            SetDlgItemTextW(d, IDC_REPLY_NAME, name);
            SetDlgItemTextW(d, IDC_REPLY_MAIL, mail);
            SetDlgItemTextW(d, IDC_REPLY_MESSAGE, message);
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        run_dialog_command(IDM_WRITE, editor);
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Schemes, PeerEngine, ::testing::Bool(), scheme_name);

TEST_P(PeerEngine, BoardMenuBoardAndThread)
{
    ASSERT_NE(start_on_engine(1), nullptr);
    const std::string key = first_key();
    ASSERT_FALSE(key.empty());
    reports_.clear();
    size_t mark = engine_request_count();

    fetch_board_menu();
    auto got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, request_line("GET", "/bbsmenu.html"));
    EXPECT_EQ(got[0].status, "200");
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), engine_board_file());
    // Over https every request went through a tunnel to the engine's host.
    const std::vector<std::string> menuTunnel{"peer.2ch.net:443"};
    EXPECT_EQ(tunnels(), GetParam() ? menuTunnel : std::vector<std::string>{});
    EXPECT_EQ(selector_lines(AppState.CategorySelector), (std::vector<std::wstring>{L"お気に入り", L"ピア"}));
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages())[0]);

    // The category: its boards in the board selector.
    choose(AppState.CategorySelector, IDC_CATEGORY_SELECTOR, 1);
    EXPECT_EQ(selector_lines(AppState.BoardSelector), (std::vector<std::wstring>{L"テスト板"}));
    shot("1-board-list");

    mark = engine_request_count();
    choose(AppState.BoardSelector, IDC_BOARD_SELECTOR, 0);
    got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, request_line("GET", "/peer/subject.txt"));
    const std::string subject = engine_file("www\\peer\\subject.txt");
    EXPECT_EQ(read_file_bytes(log_file("peer\\subject.txt")), subject);
    EXPECT_EQ(list_view_rows(), static_cast<int>(count_lines(subject)));
    const int row = row_of(key);
    ASSERT_GE(row, 0);
    EXPECT_EQ(ProcessThreadList->at(row)->title, L"テストスレ");
    EXPECT_EQ(ProcessThreadList->at(row)->state, ThreadNotHeld);
    shot("2-thread-list");

    mark = engine_request_count();
    activate_row(row);
    got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, dat_request(key));
    EXPECT_EQ(got[0].range, "-");
    const std::string dat = engine_dat(key);
    const int responses = static_cast<int>(count_lines(dat));
    EXPECT_TRUE(read_file_bytes(local_dat(key)) == dat);
    EXPECT_EQ(tunnels().size(), GetParam() ? 3u : 0u) << "the menu, the thread list and the thread";
    EXPECT_EQ(read_file_bytes(log_file("peer\\acquired.txt")),
              key + ".dat<>" + sj(kThreadTitleUtf8) + "(" + std::to_string(responses) + ")<>1\r\n");
    EXPECT_EQ(AppState.view, ThreadMode);
    EXPECT_EQ(window_text(AppState.OpenThreadSelector), L"テストスレ");
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(current_entry()->responseCount, responses);
    int lines = 0;
    EXPECT_GT(drawn_pixels(&lines), 300);
    EXPECT_GE(lines, 2) << "a header line and a body line at least";
    shot("3-thread");
    EXPECT_TRUE(reports_.messages().empty()) << wide_to_utf8(texts(reports_.messages())[0]);

    // Back to the list: the thread is held now.
    command(IDM_SWITCH_VIEW);
    command(IDM_RELOAD_LIST);
    EXPECT_EQ(ProcessThreadList->at(row_of(key))->state, ThreadHeld);
}

TEST_P(PeerEngine, PostThroughTheConfirmationPageLandsInTheEnginesLog)
{
    const std::string key = first_key();
    ASSERT_NO_FATAL_FAILURE(walk_to_thread(key));
    const int before = current_entry()->responseCount;
    reports_.clear();
    const size_t mark = engine_request_count();

    write_reply(L"試験者", L"sage", L"本物の掲示板へ届きますように");
    EXPECT_EQ(texts(reports_.messages()), (std::vector<std::wstring>{L"post_res: 書きこみが終わりました"}));

    // The confirmation page first, the resend with its cookies, then the
    // thread read again from where the log ended.
    const size_t held = read_file_bytes(local_dat(key)).size();
    auto got = engine_requests_since(mark, 3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].line, request_line("POST", "/test/bbs.cgi"));
    EXPECT_EQ(got[1].line, request_line("POST", "/test/bbs.cgi"));
    EXPECT_EQ(got[2].line, dat_request(key));
    EXPECT_EQ(got[2].status, "206");

    // The engine wrote it, with its own date and ID, as the last response.
    const std::string dat = engine_dat(key);
    const std::vector<std::string> responses = split_lines(dat);
    ASSERT_EQ(responses.size(), static_cast<size_t>(before + 1));
    EXPECT_EQ(responses.back().compare(0, 14, sj("試験者") + "<>sage<>"), 0) << responses.back();
    EXPECT_TRUE(contains(responses.back(), "<> " + sj("本物の掲示板へ届きますように") + " <>"))
        << responses.back();
    EXPECT_TRUE(read_file_bytes(local_dat(key)) == dat);
    EXPECT_EQ(held, dat.size());
    EXPECT_EQ(current_entry()->responseCount, before + 1);
    EXPECT_EQ(current_entry()->ReadMark, before) << "the post is the new response";

    // The engine's cookies, cut before their expiry, in the order it sent them.
    const std::string name = "NAME=\"%e8%a9%a6%e9%a8%93%e8%80%85\"; ";
    const std::string mail = "MAIL=\"sage\"; ";
    const std::string cookies = read_file_bytes(dir_.file("cookie.txt"));
    EXPECT_TRUE(cookies == name + mail || cookies == mail + name) << cookies;
    command(IDM_JUMP_END);
    shot("4-after-post");
}

// Shift-JIS has no emoji and no Hangul: they go as numeric references, the
// engine keeps them in its log, and the view shows the characters again.
TEST_P(PeerEngine, CharactersShiftJisLacksLandAsReferencesAndReadBackAsThemselves)
{
    const std::string key = first_key();
    ASSERT_NO_FATAL_FAILURE(walk_to_thread(key));
    const int before = current_entry()->responseCount;
    reports_.clear();

    write_reply(L"", L"sage", L"\u7D75\u6587\u5B57 \U0001F600 \uD55C\uAE00");
    EXPECT_EQ(texts(reports_.messages()), (std::vector<std::wstring>{L"post_res: 書きこみが終わりました"}));

    const std::vector<std::string> responses = split_lines(engine_dat(key));
    ASSERT_EQ(responses.size(), static_cast<size_t>(before + 1));
    EXPECT_TRUE(contains(responses.back(), "<> " + sj("絵文字") + " &#128512; &#54620;&#44544; <>")) << responses.back();
    ASSERT_EQ(current_entry()->responseCount, before + 1);

    // The response as the view shows it, in the detail dialog.
    std::wstring body;
    DialogDriver detail(L"レス表示");
    detail
        .then([&](HWND d) {
            SetDlgItemTextW(d, IDC_DETAIL_NUMBER, std::to_wstring(before + 1).c_str());
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDM_DETAIL_GET, 0), 0);
        })
        .then([&](HWND d) {
            body = window_text(GetDlgItem(d, IDC_DETAIL_BODY));
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        });
    run_dialog_command(IDM_COPY_DIALOG, detail);
    EXPECT_NE(body.find(L"\u7D75\u6587\u5B57 \U0001F600 \uD55C\uAE00"), std::wstring::npos) << wide_to_utf8(body);
}

TEST_P(PeerEngine, ReloadFetchesOnlyTheBytesAnotherClientAdded)
{
    const std::string key = first_key();
    ASSERT_NO_FATAL_FAILURE(walk_to_thread(key));
    const int before = current_entry()->responseCount;
    const size_t held = read_file_bytes(local_dat(key)).size();
    const std::string reply = other_client_reply(key, "別の読み手から一言");
    ASSERT_TRUE(contains(reply, sj("書きこみが終わりました"))) << reply;
    const std::string dat = engine_dat(key);
    ASSERT_GT(dat.size(), held);

    const size_t mark = engine_request_count();
    command(IDM_RELOAD_THREAD);
    auto got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, dat_request(key));
    EXPECT_EQ(got[0].range, "bytes=" + std::to_string(held - 1) + "-");
    EXPECT_EQ(got[0].status, "206");
    EXPECT_EQ(got[0].bytes, std::to_string(dat.size() - held + 1)) << "the overlap byte and the new bytes";
    EXPECT_TRUE(read_file_bytes(local_dat(key)) == dat);
    EXPECT_EQ(current_entry()->responseCount, before + 1);
    EXPECT_EQ(current_entry()->ReadMark, before);
    EXPECT_GT(drawn_pixels(), 300);
}

TEST_P(PeerEngine, AThreadMadeByAnotherClientAppearsOnTheListsReload)
{
    ASSERT_NE(start_on_engine(1), nullptr);
    fetch_board_menu();
    choose_engine_board();
    const int rowsBefore = list_view_rows();
    const std::string reply = other_client_thread("よそで立ったスレ", "立てました");
    ASSERT_TRUE(contains(reply, sj("書きこみが終わりました"))) << reply;
    const std::string subject = engine_file("www\\peer\\subject.txt");
    const std::string made = engine_keys().front();

    const size_t mark = engine_request_count();
    command(IDM_RELOAD_LIST);
    auto got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, request_line("GET", "/peer/subject.txt"));
    EXPECT_EQ(got[0].status, "200");
    EXPECT_EQ(read_file_bytes(log_file("peer\\subject.txt")), subject);
    EXPECT_EQ(list_view_rows(), rowsBefore + 1);
    const int row = row_of(made);
    ASSERT_GE(row, 0);
    EXPECT_EQ(ProcessThreadList->at(row)->title, L"よそで立ったスレ");
    EXPECT_EQ(ProcessThreadList->at(row)->count, 1);
    EXPECT_EQ(ProcessThreadList->at(row)->state, ThreadNotHeld);
}

TEST_P(PeerEngine, ANewThreadMadeHereIsListedForAnotherClientAndOpened)
{
    ASSERT_NE(start_on_engine(1), nullptr);
    fetch_board_menu();
    choose_engine_board();
    reports_.clear();
    const size_t mark = engine_request_count();

    DialogDriver editor(L"新規スレッド作成");
    editor.then([this](HWND d) {
        SetDlgItemTextW(d, IDC_NEW_THREAD_TITLE, L"ここで立てたスレ");
        SetDlgItemTextW(d, IDC_REPLY_NAME, L"試験者");
        SetDlgItemTextW(d, IDC_REPLY_MESSAGE, L"一つ目の書き込み");
        EngineAccess::shot(d, "new-thread-editor");
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    run_dialog_command(IDM_NEW_THREAD, editor);
    EXPECT_EQ(texts(reports_.messages()), (std::vector<std::wstring>{L"post_res: 書きこみが終わりました"}));

    // Another client finds it at the head of the engine's list.
    const std::string listed =
        http_exchange(port_, "GET /peer/subject.txt HTTP/1.0\r\nHost: peer.2ch.net\r\n\r\n");
    const std::string body = listed.substr(listed.find("\r\n\r\n") + 4);
    const std::string first = body.substr(0, body.find('\n'));
    const std::string tail = ".dat<>" + sj("ここで立てたスレ") + " (1)";
    ASSERT_TRUE(first.size() > tail.size() && first.compare(first.size() - tail.size(), tail.size(), tail) == 0)
        << first;
    const std::string key = first.substr(0, first.size() - tail.size());

    // The confirmation page, the resend, the list, the new thread's log.
    auto got = engine_requests_since(mark, 4);
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[0].line, request_line("POST", "/test/bbs.cgi"));
    EXPECT_EQ(got[1].line, request_line("POST", "/test/bbs.cgi"));
    EXPECT_EQ(got[2].line, request_line("GET", "/peer/subject.txt"));
    EXPECT_EQ(got[3].line, dat_request(key));
    EXPECT_EQ(engine_file("www\\peer\\subject.txt"), body);
    EXPECT_EQ(read_file_bytes(log_file("peer\\subject.txt")), body);

    // Opened: the engine's log as it is, one response, its title shown.
    EXPECT_EQ(AppState.view, ThreadMode);
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(std::wstring(current_entry()->fileName), sjis_to_wide(key + ".dat"));
    EXPECT_EQ(current_entry()->responseCount, 1);
    EXPECT_TRUE(read_file_bytes(local_dat(key)) == engine_dat(key));
    EXPECT_TRUE(contains(engine_dat(key), sj("一つ目の書き込み")));
    EXPECT_EQ(window_text(AppState.OpenThreadSelector), L"ここで立てたスレ");
    EXPECT_GT(drawn_pixels(), 300);
    shot("new-thread-opened");
}

TEST_P(PeerEngine, UpdateCheckMarksAFavouriteThatGrew)
{
    write_file_bytes(dir_.file("favorite.txt"), "");
    const std::string key = first_key();
    ASSERT_NO_FATAL_FAILURE(walk_to_thread(key));
    command(IDM_ADD_FAVORITE_THREAD);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")), "peer<>" + key + ".dat<>" + sj(kThreadTitleUtf8) + "\r\n");
    command(IDM_CLOSE_THREAD);
    choose_board(0, 0);   // "お気に入り", "お気に入りスレ"
    ASSERT_EQ(list_view_rows(), 1);
    const size_t held = read_file_bytes(local_dat(key)).size();

    size_t mark = engine_request_count();
    command(IDM_UPDATE_CHECK);
    auto got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, update_check_request(key));
    EXPECT_EQ(got[0].range, "bytes=" + std::to_string(held) + "-") << "from the first byte not held";
    EXPECT_EQ(got[0].status, "416");
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHeld) << "nothing new yet";

    ASSERT_TRUE(contains(other_client_reply(key, "お気に入りが伸びる"), sj("書きこみが終わりました")));
    mark = engine_request_count();
    command(IDM_UPDATE_CHECK);
    got = engine_requests_since(mark, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, update_check_request(key));
    EXPECT_EQ(got[0].status, "206");
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew);
    EXPECT_EQ(read_file_bytes(local_dat(key)).size(), held) << "a check fetches no log";
}

TEST_P(PeerEngine, OfflineTheRoadReachesNoServer)
{
    write_file_bytes(dir_.file("favorite.txt"), "");
    const std::string key = first_key();
    ASSERT_NO_FATAL_FAILURE(walk_to_thread(key));
    const std::string held = read_file_bytes(local_dat(key));
    const int responses = current_entry()->responseCount;
    command(IDM_CLOSE_THREAD);
    command(IDM_ONLINE);
    reports_.clear();
    ASSERT_TRUE(contains(other_client_reply(key, "オフラインには見えない"), sj("書きこみが終わりました")));
    const size_t mark = engine_request_count();
    const size_t tunnelled = tunnels().size();

    fetch_board_menu();
    choose_engine_board();
    command(IDM_RELOAD_LIST);
    command(IDM_UPDATE_CHECK);
    open_thread(key);
    EXPECT_EQ(current_entry()->responseCount, responses);
    command(IDM_RELOAD_THREAD);
    DialogDriver editor(L"メッセージの編集");
    editor.then([](HWND d) {
        SetDlgItemTextW(d, IDC_REPLY_MESSAGE, L"届かない");
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    run_dialog_command(IDM_WRITE, editor);

    EXPECT_TRUE(engine_requests_before_probe(mark).empty());
    EXPECT_EQ(tunnels().size(), tunnelled) << "no CONNECT either";
    EXPECT_EQ(texts(reports_.messages()),
              (std::vector<std::wstring>{L"Info: Offlineモードです", L"post_res: offlineです",
                                         L"post_res: onlineモードにしてください"}));
    EXPECT_EQ(current_entry()->responseCount, responses);
    EXPECT_TRUE(read_file_bytes(local_dat(key)) == held);
}
