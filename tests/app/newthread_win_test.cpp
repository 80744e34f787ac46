// A new thread from the thread list on the real main window: the editor from
// the command, the post through the confirmation page, the list fetched
// again and the new thread opened; and what is said when there is no board
// or the list does not show the thread.
#include "tests/support/mainfixture_win.h"

#include "app/newthread_win.h"

using namespace mainwindow_test;
using boardserver::PostMode;
using boardserver::PostOutcome;
using boardserver::PostSettings;

namespace {

const wchar_t kEditorCaption[] = L"新規スレッド作成";
// The server's clock is the new thread's key.
const std::string kNewKey = std::to_string(kClock);

class NewThread : public MainWindowFixture {
protected:
    void set_post_mode(PostMode mode)
    {
        PostSettings ps;
        ps.mode = mode;
        ps.date = "2006/12/09 09:00:00 ID:Qv0Post0";
        server_.set_post_settings(ps);
    }

    // The command run with the editor filled in and posted.
    void post_new_thread(const wchar_t* title)
    {
        DialogDriver editor(kEditorCaption);
        editor.then([title](HWND d) {
            SetDlgItemTextW(d, IDC_NEW_THREAD_TITLE, title);
            SetDlgItemTextW(d, IDC_REPLY_NAME, L"立てた人");
            SetDlgItemTextW(d, IDC_REPLY_MESSAGE, L"一つ目");
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        run_dialog_command(IDM_NEW_THREAD, editor);
    }

    std::vector<std::wstring> said() const
    {
        std::vector<std::wstring> out;
        for (const ReportedMessage& m : reports_.messages()) out.push_back(m.caption + L": " + m.text);
        return out;
    }
};

}  // namespace

TEST_F(NewThread, PostedThenTheListIsFetchedAndTheThreadOpened)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    set_post_mode(PostMode::Normal);
    choose_mobile();
    const std::string subjectBefore = read_file_bytes(log_file("mobile\\subject.txt"));
    server_.clear_requests();
    reports_.clear();

    post_new_thread(L"新しい話題 & \"引用\"");

    // Two posts (the confirmation and the resend), the list, the new log.
    EXPECT_EQ(request_targets(),
              (std::vector<std::string>{"POST http://pc.2ch.net/test/bbs.cgi", "POST http://pc.2ch.net/test/bbs.cgi",
                                        "GET http://pc.2ch.net/mobile/subject.txt",
                                        "GET http://pc.2ch.net/mobile/dat/" + kNewKey + ".dat"}));
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].outcome, PostOutcome::Confirm);
    EXPECT_EQ(posts[1].outcome, PostOutcome::Success);
    EXPECT_EQ(posts[1].subject, sj("新しい話題 & \"引用\""));
    EXPECT_EQ(posts[1].key, kNewKey);
    EXPECT_EQ(said(), (std::vector<std::wstring>{L"post_res: 書きこみが終わりました"}));

    // On disk: the list with the thread first, and its log as served.
    const std::string firstLine = kNewKey + ".dat<>" + sj("新しい話題 & &quot;引用&quot;") + " (1)\n";
    EXPECT_EQ(read_file_bytes(log_file("mobile\\subject.txt")), firstLine + subjectBefore);
    EXPECT_EQ(read_file_bytes(mobile_dat(kNewKey)), server_.dat("mobile", kNewKey));

    // The thread is open and shown, its title in the open-thread selector.
    EXPECT_EQ(AppState.view, ThreadMode);
    const ResponseBuffer* t = current_entry();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::wstring(t->fileName), std::wstring(kNewKey.begin(), kNewKey.end()) + L".dat");
    EXPECT_EQ(t->responseCount, 1);
    EXPECT_EQ(selector_lines(AppState.OpenThreadSelector), (std::vector<std::wstring>{L"新しい話題 & \"引用\""}));
    EXPECT_EQ(NewThreadDraft.title[0], 0);
}

TEST_F(NewThread, AThreadTheListDoesNotShowIsSaidAndTheListStays)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    // A page without a marker counts as posted, but no thread was made.
    set_post_mode(PostMode::NoMarker);
    open_mobile_threads(1);   // from ThreadMode
    server_.clear_requests();
    reports_.clear();

    post_new_thread(L"消えたスレ");

    EXPECT_EQ(request_targets(),
              (std::vector<std::string>{"POST http://pc.2ch.net/test/bbs.cgi",
                                        "GET http://pc.2ch.net/mobile/subject.txt"}));
    EXPECT_EQ(said(), (std::vector<std::wstring>{L"new_thread: 立てたスレがスレ一覧に見つかりません"}));
    EXPECT_EQ(AppState.view, ListMode);
    EXPECT_EQ(list_view_rows(), kMobileThreads);
    ASSERT_NE(current_entry(), nullptr);
    EXPECT_EQ(std::wstring(current_entry()->fileName), L"1065069078.dat");
}

TEST_F(NewThread, WithoutABoardThatTakesPostsOnlySaysSo)
{
    ASSERT_NE(start_with_boards(1), nullptr);
    choose_board(0, 0);   // "お気に入り", "お気に入りスレ"
    server_.clear_requests();
    reports_.clear();
    DialogCloser closer;
    command(IDM_NEW_THREAD);
    EXPECT_TRUE(closer.closed().empty());
    EXPECT_EQ(said(), (std::vector<std::wstring>{L"new_thread: スレを立てる板を選んでください"}));
    EXPECT_EQ(server_.accepted_connections(), 0u);
}
