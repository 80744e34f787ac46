// The shipped quorvex.exe itself walks the road a person walks against the
// real board engine. It runs as a process of its own from a fresh folder
// whose settings reach the engine through the proxy setting and start
// online; the test gives it what a person gives (menu commands, keys,
// choices in the selectors, answers to its dialogs) and judges it by what a
// person and the files show: the program's files, the engine's own files and
// access log, and the screen.
#include "app/shelltexts.h"
#include "tests/peer/peerfixture_win.h"
#include "tests/support/programprocess_win.h"

using namespace peer_test;

namespace {

// Bounds that only a hung run reaches: a step of a sound run on a loaded
// machine takes a few seconds at most.
constexpr DWORD kStepMs = 60000;
constexpr int kStepRounds = 6000;   // rounds of pump_until, about a minute

const wchar_t kReply[] = L"本物の掲示板へ届きますように";

class ShippedProgram : public ::testing::Test, protected EngineAccess, public Secure {
protected:
    void SetUp() override
    {
        WSADATA wsa;   // for the other client's posts and the probe
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
        find_engine(GetParam());
    }
    void TearDown() override
    {
        program_.end();
        WSACleanup();
    }

    // Starts the program on the engine, online, with no favourite yet, and
    // answers the first start's report that no board table is there yet.
    void start_program()
    {
        write_file_bytes(dir_.file("quorvex.ini"), engine_settings(1));
        write_file_bytes(dir_.file("favorite.txt"), "");
        // The program defers to a main window of its kind already open in
        // this Wine session: it brings that one forward and ends.
        ASSERT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr)
            << "another program's main window is open in this Wine session";
        ASSERT_TRUE(program_.start(wine_file(QUORVEX_EXE), dir_.path())) << QUORVEX_EXE;
        EXPECT_TRUE(contains(wide_to_utf8(answer_message(L"ItaList_load")), "2channel.brd"));
        ASSERT_TRUE(wait([&] {
            main_ = program_.window(kMainWindowClass);
            return main_ && no_dialog();
        })) << "no main window: " << program_.shown_dialogs();
    }

    // ---- a person's hand ----

    // Waits for `done`; gives up at once when the program has ended.
    template <typename Done>
    bool wait(Done done)
    {
        return pump_until([&] { return done() || !program_.running(); }, kStepRounds) && done();
    }

    bool no_dialog() const { return program_.dialog(nullptr) == nullptr; }
    HWND child(int id) const { return GetDlgItem(main_, id); }

    // Sends what a person's choice sends and waits until the program has
    // handled it (and everything it started, dialogs of its own included).
    void send(HWND to, UINT msg, WPARAM wp, LPARAM lp)
    {
        EXPECT_TRUE(handled_within(to, msg, wp, lp, kStepMs))
            << "message " << msg << " not handled: " << program_.shown_dialogs();
    }
    void command(WORD id) { send(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // For a command that opens a dialog the test then answers.
    void post(WORD id) { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // A row of a selector accepted, as the combo box reports it.
    void choose(WORD selector, int row)
    {
        send(child(selector), CB_SETCURSEL, row, 0);
        send(main_, WM_COMMAND, MAKEWPARAM(selector, CBN_SELENDOK), reinterpret_cast<LPARAM>(child(selector)));
    }
    void key(HWND window, UINT vk)
    {
        EXPECT_TRUE(press_key(window, vk, kStepMs)) << "key " << vk << " not handled: " << program_.shown_dialogs();
    }
    // The thread list's row `row` opened with the keys: to the list, the
    // first row, down to the row, Enter.
    void open_row(int row)
    {
        command(IDM_FOCUS_THREAD_LIST);
        HWND list = child(IDC_THREAD_LIST);
        key(list, VK_END);
        key(list, VK_HOME);
        for (int i = 0; i < row; ++i) key(list, VK_DOWN);
        key(list, VK_RETURN);
    }

    // The dialog with `caption` once shown, or null.
    HWND wait_dialog(const wchar_t* caption)
    {
        HWND d = nullptr;
        wait([&] { return (d = program_.dialog(caption)) != nullptr; });
        return d;
    }
    // Presses OK on the dialog with `caption` once shown; false when none came.
    bool press_ok(const wchar_t* caption)
    {
        HWND d = wait_dialog(caption);
        if (d) press_button(d, IDOK);
        return d != nullptr;
    }
    // What the message box with `caption` says, once its OK has closed it.
    std::wstring answer_message(const wchar_t* caption)
    {
        HWND box = wait_dialog(caption);
        if (!box) return L"(no message " + std::wstring(caption) + L")";
        const std::wstring text = dialog_texts(box);
        press_button(box, IDOK);
        if (!wait([&] { return !IsWindow(box) || !IsWindowVisible(box); })) return L"(not closed) " + text;
        return text;
    }
    // The reply editor filled in and sent.
    void write_reply(const wchar_t* name, const wchar_t* mail, const wchar_t* message)
    {
        post(IDM_WRITE);
        HWND editor = wait_dialog(L"メッセージの編集");
        ASSERT_NE(editor, nullptr) << program_.shown_dialogs();
        SetDlgItemTextW(editor, IDC_REPLY_NAME, name);
        SetDlgItemTextW(editor, IDC_REPLY_MAIL, mail);
        SetDlgItemTextW(editor, IDC_REPLY_MESSAGE, message);
        press_button(editor, IDOK);
    }

    // ---- what a person and the files show ----

    int list_rows() { return static_cast<int>(SendMessageW(child(IDC_THREAD_LIST), LVM_GETITEMCOUNT, 0, 0)); }
    int selector_rows(WORD selector) { return static_cast<int>(SendMessageW(child(selector), CB_GETCOUNT, 0, 0)); }
    // The response view's page as the screen shows it holds a header line
    // and a body line at least.
    bool thread_drawn() { return drawn_pixel_count(capture_window(child(IDC_RESPONSE_VIEW), true)) > 300; }

    std::string log_file(const std::string& relative) const { return read_file_bytes(dir_.file("log\\" + relative)); }
    std::string local_dat(const std::string& key) const { return log_file("peer\\" + key + ".dat"); }
    // The row of the stored thread list that shows `key`.
    int stored_row(const std::string& key) const
    {
        const std::vector<std::string> lines = split_lines(log_file("peer\\subject.txt"));
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].compare(0, key.size() + 6, key + ".dat<>") == 0) return static_cast<int>(i);
        return -1;
    }
    void shot(const char* name) const { EngineAccess::shot(main_, name); }

    TempDir dir_;
    ProgramProcess program_;
    HWND main_ = nullptr;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Schemes, ShippedProgram, ::testing::Bool(), scheme_name);

TEST_P(ShippedProgram, WalksAPersonsRoadOnlineAndThenOffline)
{
    ASSERT_NO_FATAL_FAILURE(start_program());
    const std::string key = first_key();
    ASSERT_FALSE(key.empty());

    // 設定 > 板一覧取得, and the source dialog's OK: the engine's menu.
    auto got = requests_of([&] {
        post(IDM_FETCH_BOARD_LIST);
        EXPECT_TRUE(press_ok(L"板一覧取得先")) << program_.shown_dialogs();
        EXPECT_TRUE(wait([&] { return no_dialog() && selector_rows(IDC_CATEGORY_SELECTOR) == 2; }))
            << program_.shown_dialogs();
    });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, request_line("GET", "/bbsmenu.html"));
    EXPECT_EQ(got[0].status, "200");
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), engine_board_file());
    const std::vector<std::string> menuTunnel{"peer.2ch.net:443"};
    EXPECT_EQ(tunnels(), GetParam() ? menuTunnel : std::vector<std::string>{});

    // The category: its boards dropped down.
    choose(IDC_CATEGORY_SELECTOR, 1);
    EXPECT_EQ(sent_window_text(child(IDC_CATEGORY_SELECTOR)), L"ピア");
    EXPECT_EQ(selector_rows(IDC_BOARD_SELECTOR), 1);
    EXPECT_EQ(sent_window_text(child(IDC_BOARD_SELECTOR)), L"テスト板");
    EXPECT_TRUE(SendMessageW(child(IDC_BOARD_SELECTOR), CB_GETDROPPEDSTATE, 0, 0));
    shot("exe-1-board-list");

    // The board: its thread list fetched and stored.
    got = requests_of([&] { choose(IDC_BOARD_SELECTOR, 0); });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, request_line("GET", "/peer/subject.txt"));
    std::string subject = engine_file("www\\peer\\subject.txt");
    EXPECT_EQ(log_file("peer\\subject.txt"), subject);
    EXPECT_EQ(list_rows(), static_cast<int>(count_lines(subject)));
    shot("exe-2-thread-list");

    // The thread: fetched whole, held, drawn.
    const int row = stored_row(key);
    ASSERT_GE(row, 0);
    got = requests_of([&] { open_row(row); });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, dat_request(key));
    EXPECT_EQ(got[0].range, "-");
    std::string dat = engine_dat(key);
    EXPECT_TRUE(local_dat(key) == dat);
    EXPECT_EQ(log_file("peer\\acquired.txt"),
              key + ".dat<>" + sj(kThreadTitleUtf8) + "(" + std::to_string(count_lines(dat)) + ")<>1\r\n");
    EXPECT_TRUE(IsWindowVisible(child(IDC_RESPONSE_VIEW)));
    EXPECT_EQ(sent_window_text(child(IDC_OPEN_THREAD_SELECTOR)), L"テストスレ");
    EXPECT_TRUE(wait([&] { return thread_drawn(); }));
    shot("exe-3-thread");

    // A reply through the engine's confirmation page, found in its own log.
    const size_t responses = count_lines(dat);
    got = requests_of(
        [&] {
            write_reply(L"試験者", L"sage", kReply);
            EXPECT_EQ(answer_message(L"post_res"), L"書きこみが終わりました");
            EXPECT_TRUE(wait([&] {
                dat = engine_dat(key);
                return no_dialog() && count_lines(dat) == responses + 1 && local_dat(key) == dat;
            })) << program_.shown_dialogs();
        },
        3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].line, request_line("POST", "/test/bbs.cgi"));
    EXPECT_EQ(got[1].line, request_line("POST", "/test/bbs.cgi"));
    EXPECT_EQ(got[2].line, dat_request(key));
    EXPECT_EQ(got[2].status, "206");
    const std::string mine = split_lines(dat).back();
    EXPECT_EQ(mine.compare(0, 14, sj("試験者") + "<>sage<>"), 0) << mine;
    EXPECT_TRUE(contains(mine, "<> " + utf8_to_sjis(wide_to_utf8(kReply)) + " <>")) << mine;
    command(IDM_JUMP_END);
    EXPECT_TRUE(wait([&] { return thread_drawn(); }));
    shot("exe-4-after-post");

    // Another client's reply: the reload fetches from the last byte held on.
    const size_t held = local_dat(key).size();
    ASSERT_TRUE(contains(other_client_reply(key, "別の読み手から一言"), sj("書きこみが終わりました")));
    dat = engine_dat(key);
    ASSERT_GT(dat.size(), held);
    got = requests_of([&] { command(IDM_RELOAD_THREAD); });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, dat_request(key));
    EXPECT_EQ(got[0].range, "bytes=" + std::to_string(held - 1) + "-");
    EXPECT_EQ(got[0].status, "206");
    EXPECT_EQ(got[0].bytes, std::to_string(dat.size() - held + 1)) << "the overlap byte and the new bytes";
    EXPECT_TRUE(local_dat(key) == dat);
    shot("exe-5-reloaded");

    // A thread another client made: on the list once it is reloaded.
    ASSERT_TRUE(contains(other_client_thread("よそで立ったスレ", "立てました"), sj("書きこみが終わりました")));
    subject = engine_file("www\\peer\\subject.txt");
    const std::string made = engine_keys().front();
    command(IDM_SWITCH_VIEW);
    got = requests_of([&] { command(IDM_RELOAD_LIST); });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, request_line("GET", "/peer/subject.txt"));
    EXPECT_EQ(got[0].status, "200");
    EXPECT_EQ(log_file("peer\\subject.txt"), subject);
    EXPECT_TRUE(contains(subject, made + ".dat<>" + sj("よそで立ったスレ") + " (1)\n")) << subject;
    EXPECT_EQ(list_rows(), static_cast<int>(count_lines(subject)));

    // A favourite that grew: the update check marks its row.
    command(IDM_SWITCH_VIEW);
    command(IDM_ADD_FAVORITE_THREAD);
    EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")), "peer<>" + key + ".dat<>" + sj(kThreadTitleUtf8) + "\r\n");
    command(IDM_CLOSE_THREAD);
    EXPECT_TRUE(contains(log_file("peer\\acquired.txt"), "(" + std::to_string(count_lines(dat)) + ")<>"))
        << "the thread's count kept as it closed";
    choose(IDC_CATEGORY_SELECTOR, 0);   // "お気に入り"
    choose(IDC_BOARD_SELECTOR, 0);      // "お気に入りスレ"
    ASSERT_EQ(list_rows(), 1);
    const std::string favourite = local_dat(key);
    got = requests_of([&] { command(IDM_UPDATE_CHECK); });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, update_check_request(key));
    EXPECT_EQ(got[0].range, "bytes=" + std::to_string(favourite.size()) + "-");
    EXPECT_EQ(got[0].status, "416") << "nothing new yet";
    const ScreenPixels unmarked = capture_window(child(IDC_THREAD_LIST));
    ASSERT_TRUE(contains(other_client_reply(key, "お気に入りが伸びる"), sj("書きこみが終わりました")));
    got = requests_of([&] { command(IDM_UPDATE_CHECK); });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, "206");
    EXPECT_TRUE(wait([&] { return capture_window(child(IDC_THREAD_LIST)) != unmarked; }))
        << "the row looks as before the check";
    EXPECT_TRUE(local_dat(key) == favourite) << "a check fetches no log";
    shot("exe-6-update-check");

    // Offline (オンライン unticked), the same road reaches no server, though
    // the thread grew meanwhile.
    command(IDM_ONLINE);
    ASSERT_TRUE(contains(other_client_reply(key, "オフラインには見えない"), sj("書きこみが終わりました")));
    const size_t mark = engine_request_count();
    const size_t tunnelled = tunnels().size();
    post(IDM_FETCH_BOARD_LIST);
    ASSERT_TRUE(press_ok(L"板一覧取得先")) << program_.shown_dialogs();
    EXPECT_EQ(answer_message(L"Info"), L"Offlineモードです");
    EXPECT_TRUE(wait([&] { return no_dialog(); })) << program_.shown_dialogs();
    choose(IDC_CATEGORY_SELECTOR, 1);
    choose(IDC_BOARD_SELECTOR, 0);
    command(IDM_RELOAD_LIST);
    post(IDM_UPDATE_CHECK);
    EXPECT_EQ(answer_message(L"post_res"), L"offlineです");
    open_row(stored_row(key));
    EXPECT_TRUE(IsWindowVisible(child(IDC_RESPONSE_VIEW)));
    command(IDM_RELOAD_THREAD);
    ASSERT_NO_FATAL_FAILURE(write_reply(L"", L"", L"届かない"));
    EXPECT_EQ(answer_message(L"post_res"), L"onlineモードにしてください");
    EXPECT_TRUE(wait([&] { return no_dialog(); })) << program_.shown_dialogs();
    EXPECT_TRUE(engine_requests_before_probe(mark).empty());
    EXPECT_EQ(tunnels().size(), tunnelled) << "no CONNECT either";
    EXPECT_TRUE(local_dat(key) == favourite);

    // 終了: the settings kept, offline as left.
    post(IDM_EXIT);
    ASSERT_TRUE(program_.wait_exit(kStepMs)) << program_.shown_dialogs();
    EXPECT_TRUE(contains(read_file_bytes(dir_.file("quorvex.ini")), "LineOnOff: 0\r\n"));
}
