#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/listupdate_win.h"
#include "base/appstate.h"
#include "base/debugout.h"
#include "net/updatecheck_win.h"
#include "reader/threadentry.h"
#include "store/settings.h"
#include "tests/net/boardfetch_fixture_win.h"
#include "tests/support/hangguard_win.h"
#include "tools/boardserver/boardsite.h"

using namespace boardfetch_test;

namespace {

constexpr char kKey[] = "1065069078";
constexpr wchar_t kDat[] = L"1065069078.dat";

std::string head_request(const std::string& dir, const std::string& key, int rangeStart)
{
    std::string r = "HEAD http://pc.2ch.net/" + dir + "/dat/" + key + ".dat HTTP/1.1\r\n"
                    "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
                    "Host: 127.0.0.1\r\n";
    if (rangeStart > 0) r += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
    else r += "Accept: */*\r\nAccept-Encoding: gzip, deflate\r\n";
    return r + "\r\n";
}

// What the server sends for `request`, asked over a socket of our own.
std::string ask_server(uint16_t port, const std::string& request)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        send(s, request.data(), static_cast<int>(request.size()), 0);
        char buf[4096];
        int n;
        while ((n = recv(s, buf, sizeof buf, 0)) > 0) reply.append(buf, static_cast<size_t>(n));
    }
    closesocket(s);
    return reply;
}

// Every caption the check's progress dialog is given, in order.
class CaptionRecorder {
public:
    CaptionRecorder()
    {
        std::lock_guard<std::mutex> hold(lock());
        seen().clear();
        set_progress_caption_hook(record);
    }
    ~CaptionRecorder() { stop(); }
    void stop() { set_progress_caption_hook(nullptr); }
    std::vector<std::wstring> captions()
    {
        std::lock_guard<std::mutex> hold(lock());
        return seen();
    }
    bool saw(const std::wstring& caption)
    {
        for (const std::wstring& c : captions())
            if (c == caption) return true;
        return false;
    }

private:
    static std::mutex& lock()
    {
        static std::mutex m;
        return m;
    }
    static std::vector<std::wstring>& seen()
    {
        static std::vector<std::wstring> v;
        return v;
    }
    static void record(const wchar_t* text)
    {
        std::lock_guard<std::mutex> hold(lock());
        if (seen().empty() || seen().back() != text) seen().push_back(text);
    }
};

class UpdateCheck : public BoardFetchFixture {
protected:
    void SetUp() override
    {
        BoardFetchFixture::SetUp();
        set_boards({{L"pc.2ch.net", L"mobile", L"モバイル"}, {L"pc.2ch.net", L"software", L"ソフトウェア"}});
        CreateDirectoryA((root_ + "\\mobile").c_str(), nullptr);
        CreateDirectoryA((root_ + "\\software").c_str(), nullptr);
        savedList_ = ProcessThreadList;
        ProcessThreadList = new ThreadList(kThreadListCapacity);
        AppState.currentBoard = 0;
        AppState.threadListView = nullptr;
    }

    void TearDown() override
    {
        delete ProcessThreadList;
        ProcessThreadList = savedList_;
        BoardFetchFixture::TearDown();
    }

    std::string log_path(const std::string& dir, const std::string& key) const
    {
        return root_ + "\\" + dir + "\\" + key + ".dat";
    }

    // A row of the list: held (lastRead >= 0) or not (-1).
    void add_row(const std::wstring& file, int32_t lastRead, int32_t extra, int32_t state = ThreadHeld,
                 const std::wstring& dir = L"mobile")
    {
        ProcessThreadList->add(std::make_unique<ThreadEntry>(state, L"title " + file, 10, lastRead, file,
                                                             make_thread_board(dir, L"pc.2ch.net"), extra));
    }

    ThreadList* savedList_ = nullptr;
};

// The update check's HEAD over both schemes.
using UpdateBothSchemes = net_test::BothSchemes<UpdateCheck>;

}  // namespace

INSTANTIATE_TEST_SUITE_P(Schemes, UpdateBothSchemes, ::testing::Bool(), net_test::scheme_name);

static std::vector<std::wstring> g_debugLines;
static std::mutex g_debugLock;

TEST_P(UpdateBothSchemes, GrownLogAnswers206)
{
    write_file_bytes(log_path("mobile", kKey), dat_of_size(5000));
    server_.put_dat("mobile", kKey, dat_of_size(5200));
    g_debugLines.clear();
    set_debug_output_hook([](const wchar_t* line) {
        std::lock_guard<std::mutex> hold(g_debugLock);
        g_debugLines.push_back(line);
    });
    EXPECT_EQ(check_thread_modified(0, kDat), 1);
    set_debug_output_hook(nullptr);
    // The worker's start and end lines around the lookup's timing line.
    ASSERT_EQ(g_debugLines.size(), 3u);
    EXPECT_EQ(g_debugLines[0], L"Start find_html_modified_thread\n");
    EXPECT_EQ(g_debugLines[1].rfind(L"gethostbyname ", 0), 0u);
    EXPECT_EQ(g_debugLines[2], L"End find_html_modified_thread\n");
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(head_request("mobile", kKey, 5000)));
    EXPECT_EQ(reqs[0].status, 206);
    EXPECT_TRUE(messages().empty());
}

TEST_P(UpdateBothSchemes, UnchangedLogAnswers416)
{
    std::string dat = dat_of_size(5000);
    write_file_bytes(log_path("mobile", kKey), dat);
    server_.put_dat("mobile", kKey, dat);
    EXPECT_EQ(check_thread_modified(0, kDat), 0);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(head_request("mobile", kKey, 5000)));
    EXPECT_EQ(reqs[0].status, 416);
    EXPECT_TRUE(messages().empty());
    // The check only asks: the local log is as it was.
    EXPECT_EQ(read_file_bytes(log_path("mobile", kKey)), dat);
}

TEST_P(UpdateBothSchemes, NoLocalLogAsksWholeAndCounts200AsGrown)
{
    server_.put_dat("mobile", kKey, dat_of_size(300));
    EXPECT_EQ(check_thread_modified(0, kDat), 1);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(head_request("mobile", kKey, 0)));
    EXPECT_EQ(reqs[0].status, 200);
    EXPECT_FALSE(file_exists(log_path("mobile", kKey)));
}

TEST_F(UpdateCheck, MovedBoardShowsInTheCaptionOnly)
{
    write_file_bytes(log_path("mobile", kKey), dat_of_size(5000));
    server_.set_redirect("/mobile/dat/1065069078.dat", "http://pc9.2ch.net/mobile/dat/1065069078.dat", 302);
    CaptionRecorder captions;
    EXPECT_EQ(check_thread_modified(0, kDat), 0);
    captions.stop();
    EXPECT_EQ(requests(1)[0].status, 302);
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(captions.saw(L"移転してるかも(302)"));
    EXPECT_EQ(captions.captions().back(), L"移転してるかも(302)");
}

TEST_F(UpdateCheck, OtherFailureShowsItsCodeInTheCaption)
{
    CaptionRecorder captions;
    EXPECT_EQ(check_thread_modified(0, L"1000000000.dat"), 0);   // the server has no such log
    captions.stop();
    EXPECT_EQ(requests(1)[0].status, 404);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(captions.captions().back(), L"取得失敗(404)");
}

TEST_F(UpdateCheck, DebugModeDumpsBothSidesAndShowsTheVerdict)
{
    Settings.DebugMode = 1;
    write_file_bytes(log_path("mobile", kKey), dat_of_size(5000));
    server_.put_dat("mobile", kKey, dat_of_size(5200));
    CaptionRecorder captions;
    EXPECT_EQ(check_thread_modified(0, kDat), 1);
    captions.stop();
    std::string request = head_request("mobile", kKey, 5000);
    EXPECT_EQ(read_file_bytes(dir_.file("snd_head_chk.txt")), request);
    // With the fixed clock the server's reply is the same each time.
    std::string reply = ask_server(server_.port(), request);
    ASSERT_EQ(reply.substr(0, 30), "HTTP/1.1 206 Partial Content\r\n");
    EXPECT_EQ(read_file_bytes(dir_.file("rcv_head_chk.txt")), reply);
    EXPECT_EQ(captions.captions().back(), L"変更されてます");
    EXPECT_TRUE(messages().empty());

    std::string dat = dat_of_size(5200);
    write_file_bytes(log_path("mobile", kKey), dat);
    CaptionRecorder again;
    EXPECT_EQ(check_thread_modified(0, kDat), 0);
    again.stop();
    EXPECT_EQ(again.captions().back(), L"変更ないです");
    EXPECT_EQ(read_file_bytes(dir_.file("snd_head_chk.txt")), head_request("mobile", kKey, 5200));
}

TEST_F(UpdateCheck, UnopenableDumpEndsTheCheck)
{
    Settings.DebugMode = 1;
    ASSERT_TRUE(CreateDirectoryA(dir_.file("rcv_head_chk.txt").c_str(), nullptr));
    server_.put_dat("mobile", kKey, dat_of_size(300));
    EXPECT_EQ(check_thread_modified(0, kDat), 0);
    expect_messages({{L"保存ファイルopen失敗", L"Error"}});
}

TEST_F(UpdateCheck, LongReplyHeadIsReadOnce)
{
    write_file_bytes(log_path("mobile", kKey), dat_of_size(5000));
    boardserver::Behaviour longHead;
    longHead.rawReply = "HTTP/1.1 206 Partial Content\r\nX-Pad: " + std::string(3000, 'p') + "\r\n\r\n";
    server_.set_behaviour("", longHead);
    EXPECT_EQ(check_thread_modified(0, kDat), 1);
    EXPECT_TRUE(messages().empty());
}

TEST_F(UpdateCheck, KeepAliveServerDoesNotHoldTheCheck)
{
    server_.put_dat("mobile", kKey, dat_of_size(300));
    boardserver::Behaviour open;
    open.neverClose = true;
    server_.set_behaviour("", open);
    // Were the check to wait for the server's close, only stopping the
    // server would end it.
    HangGuard guard(30000, [this] { server_.stop(); });
    EXPECT_EQ(check_thread_modified(0, kDat), 1);
    // The worker is done at the status line: it closed the connection that
    // the server would have kept open for ever.
    EXPECT_TRUE(server_.wait_for_requests(1, 10000));
    EXPECT_FALSE(guard.fired());
    EXPECT_TRUE(messages().empty());
    server_.stop();
}

TEST_F(UpdateCheck, CancelOrSilentServerIsNoEvidence)
{
    write_file_bytes(log_path("mobile", kKey), dat_of_size(5000));
    boardserver::Behaviour held;
    held.hold = true;
    server_.set_behaviour("", held);
    net_test::ProgressCanceller canceller(HeadTask);
    EXPECT_EQ(check_thread_modified(0, kDat), 0);
    EXPECT_TRUE(canceller.pressed());
    expect_messages({{L"recvエラーです", L"Error"}});

    reports_.clear();
    boardserver::Behaviour close;
    close.closeAtOnce = true;
    server_.set_behaviour("", close);
    EXPECT_EQ(check_thread_modified(0, kDat), 0);
    EXPECT_TRUE(messages().empty());
    server_.stop();
}

TEST_F(UpdateCheck, NamesThatCannotBeLogsAreNotAsked)
{
    EXPECT_EQ(check_thread_modified(0, L"..\\x.dat"), 0);
    EXPECT_EQ(check_thread_modified(0, L"a/b.dat"), 0);
    EXPECT_EQ(check_thread_modified(0, L"123456789012345.dat"), 0);
    EXPECT_EQ(check_thread_modified(2, kDat), 0);
    EXPECT_EQ(check_thread_modified(-1, kDat), 0);
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_TRUE(messages().empty());
}

TEST_F(UpdateCheck, ListMarksGrownHeldRowsAndSortsThemFirst)
{
    Settings.SortNew = 2;
    // Row 0: held, unchanged. Row 1: not held. Row 2: held, grown. Row 3:
    // held without a local log. The extra fields are line numbers, not boards.
    write_file_bytes(log_path("mobile", "1000000000"), dat_of_size(800));
    server_.put_dat("mobile", "1000000000", dat_of_size(800));
    server_.put_dat("mobile", "1000000001", dat_of_size(900));
    write_file_bytes(log_path("mobile", "1000000002"), dat_of_size(1000));
    server_.put_dat("mobile", "1000000002", dat_of_size(1300));
    server_.put_dat("mobile", "1000000003", dat_of_size(400));
    add_row(L"1000000000.dat", 5, 7);
    add_row(L"1000000001.dat", -1, 8, ThreadNotHeld);
    add_row(L"1000000002.dat", 3, 9);
    add_row(L"1000000003.dat", 0, 10);
    update_check_list();

    auto reqs = requests(3);
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(reqs[0].raw, head_request("mobile", "1000000000", 800));
    EXPECT_EQ(reqs[1].raw, head_request("mobile", "1000000002", 1000));
    EXPECT_EQ(reqs[2].raw, head_request("mobile", "1000000003", 0));
    EXPECT_TRUE(messages().empty());

    ThreadList& list = *ProcessThreadList;
    ASSERT_EQ(list.count(), 4);
    // New first, in load order among equals; then held; then not held.
    EXPECT_STREQ(list.at(0)->fileName, L"1000000002.dat");
    EXPECT_STREQ(list.at(1)->fileName, L"1000000003.dat");
    EXPECT_STREQ(list.at(2)->fileName, L"1000000000.dat");
    EXPECT_STREQ(list.at(3)->fileName, L"1000000001.dat");
    EXPECT_EQ(list.at(0)->state, ThreadHasNew);
    EXPECT_EQ(list.at(1)->state, ThreadHasNew);
    EXPECT_EQ(list.at(2)->state, ThreadHeld);
    EXPECT_EQ(list.at(3)->state, ThreadNotHeld);
}

TEST_F(UpdateCheck, ListNeverLowersAStateAndKeepsOrderWithoutNewFirst)
{
    Settings.SortNew = 1;
    std::string dat = dat_of_size(600);
    write_file_bytes(log_path("mobile", "1000000000"), dat);
    write_file_bytes(log_path("mobile", "1000000001"), dat);
    server_.put_dat("mobile", "1000000000", dat);
    server_.put_dat("mobile", "1000000001", dat_of_size(700));
    add_row(L"1000000000.dat", 4, 0, ThreadHasNew);   // new from the list's counts already
    add_row(L"1000000001.dat", 4, 1);
    update_check_list();
    ThreadList& list = *ProcessThreadList;
    EXPECT_STREQ(list.at(0)->fileName, L"1000000000.dat");
    EXPECT_EQ(list.at(0)->state, ThreadHasNew);
    EXPECT_EQ(list.at(1)->state, ThreadHasNew);
}

TEST_F(UpdateCheck, FavouriteRowsAskTheirOwnBoard)
{
    ProcessThreadList->favorites = true;
    write_file_bytes(log_path("software", kKey), dat_of_size(2000));
    server_.put_dat("software", kKey, dat_of_size(2100));
    add_row(kDat, 1, 1, ThreadHeld, L"software");   // board 1 though the current board is 0
    add_row(kDat, 1, 5, ThreadHeld, L"gone");       // a board the table no longer has: not asked
    update_check_list();
    auto reqs = requests(1);
    EXPECT_EQ(server_.accepted_connections(), 1u) << "the row of the board the table no longer has was not asked";
    reqs = server_.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, head_request("software", kKey, 2000));
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew);
    EXPECT_EQ(ProcessThreadList->at(1)->state, ThreadHeld);
}

TEST_F(UpdateCheck, RowsFollowTheirBoardWhenTheCurrentOneNoLongerHasThem)
{
    // The list was loaded for "software"; the current board index now names
    // another board (the table was rebuilt under the list).
    AppState.currentBoard = 0;
    write_file_bytes(log_path("software", kKey), dat_of_size(2000));
    server_.put_dat("software", kKey, dat_of_size(2100));
    server_.put_dat("mobile", kKey, dat_of_size(2100));
    add_row(kDat, 1, 0, ThreadHeld, L"software");
    update_check_list();
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, head_request("software", kKey, 2000));
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew);
}

TEST_F(UpdateCheck, CommandOfflineOnlySaysSo)
{
    Settings.LineOnOff = 0;
    write_file_bytes(log_path("mobile", kKey), dat_of_size(500));
    server_.put_dat("mobile", kKey, dat_of_size(600));
    add_row(kDat, 1, 0);
    update_check_command();
    expect_messages({{L"offlineです", L"post_res"}});
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHeld);

    reports_.clear();
    Settings.LineOnOff = 1;
    update_check_command();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(requests(1).size(), 1u);
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadHasNew);
}

namespace {

// The board selector of the main window, a drop-down list of the current
// category's boards.
class OpenBoardList : public UpdateCheck {
protected:
    void SetUp() override
    {
        UpdateCheck::SetUp();
        set_boards({{L"pc.2ch.net", L"mobile", L"モバイル"},
                    {L"pc.2ch.net", L"software", L"ソフトウェア"},
                    {L"", L"", L"お気に入りスレ"}});
        parent_ = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        AppState.BoardSelector = CreateWindowW(L"COMBOBOX", L"Ita", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 200,
                                               parent_, nullptr, nullptr, nullptr);
        ASSERT_NE(AppState.BoardSelector, nullptr);
        for (int i = 0; i < BoardTable.count; ++i)
            SendMessageW(AppState.BoardSelector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(BoardTable.items[i].name));
        AppState.currentCategory = 0;
        AppState.currentBoard = -1;
    }

    void TearDown() override
    {
        DestroyWindow(parent_);
        UpdateCheck::TearDown();
    }

    void select(int row) { SendMessageW(AppState.BoardSelector, CB_SETCURSEL, row, 0); }

    static int lines_of(const std::string& s)
    {
        int n = 0;
        for (char c : s) n += c == '\n';
        return n;
    }

    HWND parent_ = nullptr;
};

}  // namespace

TEST_F(OpenBoardList, FetchesThenShowsTheSelectedBoard)
{
    select(1);
    open_board_list(1);
    EXPECT_EQ(AppState.currentBoard, 1);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw.substr(0, reqs[0].raw.find("\r\n")), "GET http://pc.2ch.net/software/subject.txt HTTP/1.0");
    std::string list = server_.file("/software/subject.txt");
    EXPECT_EQ(read_file_bytes(root_ + "\\software\\subject.txt"), list);
    ASSERT_NE(ProcessThreadList, nullptr);
    EXPECT_EQ(ProcessThreadList->count(), lines_of(list));
    EXPECT_EQ(ProcessThreadList->at(0)->board->server, L"pc.2ch.net");
    EXPECT_EQ(ProcessThreadList->at(0)->board->dir, L"software");
    EXPECT_EQ(widen(list.substr(0, list.find("<>"))), ProcessThreadList->at(0)->fileName);
    EXPECT_TRUE(messages().empty());
}

TEST_F(OpenBoardList, WithoutFetchShowsTheLocalListOnly)
{
    write_file_bytes(root_ + "\\mobile\\subject.txt", "1000000000.dat<>local (3)\n1000000001.dat<>two (4)\n");
    select(0);
    open_board_list(0);
    EXPECT_EQ(AppState.currentBoard, 0);
    ASSERT_EQ(ProcessThreadList->count(), 2);
    EXPECT_STREQ(ProcessThreadList->at(1)->fileName, L"1000000001.dat");
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_TRUE(messages().empty());
}

TEST_F(OpenBoardList, FailedFetchStillShowsTheLocalList)
{
    std::string local = "1000000000.dat<>local (3)\n";
    write_file_bytes(root_ + "\\mobile\\subject.txt", local);
    server_.set_redirect("/mobile/subject.txt", "http://pc.2ch.net/busy.html", 302);
    select(0);
    open_board_list(1);
    EXPECT_EQ(read_file_bytes(root_ + "\\mobile\\subject.txt"), local);
    ASSERT_EQ(ProcessThreadList->count(), 1);
    EXPECT_STREQ(ProcessThreadList->at(0)->fileName, L"1000000000.dat");
    expect_messages({{L"移転してるかも(302)", L"get_html_sabun"}});
}

// A board followed to its new server is listed from there at once.
TEST_F(OpenBoardList, MovedBoardIsListedFromItsNewServer)
{
    server_.site().move_board("pc.2ch.net", "mobile", "pc9.2ch.net", boardserver::MoveAnswer::NoticePage);
    reports_.set_answer(IDYES);
    select(0);
    open_board_list(1);
    EXPECT_STREQ(BoardTable.items[0].host, L"pc9.2ch.net");
    ASSERT_EQ(ProcessThreadList->count(), 4);
    EXPECT_EQ(ProcessThreadList->at(0)->board->server, L"pc9.2ch.net");
    EXPECT_EQ(messages().size(), 1u) << "the question alone";
}

TEST_F(OpenBoardList, FavouriteThreadsAreCheckedOnlyWhenFetching)
{
    ProcessThreadList->favorites = true;
    write_file_bytes(log_path("mobile", kKey), dat_of_size(700));
    server_.put_dat("mobile", kKey, dat_of_size(750));
    add_row(kDat, 2, 0);
    ThreadList* list = ProcessThreadList;
    select(2);

    open_board_list(0);
    EXPECT_EQ(AppState.currentBoard, 2);
    EXPECT_EQ(ProcessThreadList, list);   // nothing reloaded
    EXPECT_EQ(list->at(0)->state, ThreadHeld);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());

    open_board_list(1);
    expect_messages({{L"更新チェックします", L"info"}});
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, head_request("mobile", kKey, 700));
    EXPECT_EQ(ProcessThreadList, list);
    EXPECT_EQ(list->at(0)->state, ThreadHasNew);
}

TEST_F(OpenBoardList, NoSelectionChangesNothing)
{
    AppState.currentBoard = 1;
    select(-1);
    open_board_list(1);
    EXPECT_EQ(AppState.currentBoard, 1);
    AppState.currentCategory = 7;   // beyond the table's categories
    select(0);
    open_board_list(1);
    EXPECT_EQ(AppState.currentBoard, 1);
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_TRUE(messages().empty());
}

// A fallen thread is asked nothing, even when the server has grown a log of
// that name: only its reload by hand fetches it again.
TEST_F(UpdateCheck, FallenRowsAreNeverAsked)
{
    write_file_bytes(log_path("mobile", "1000000000"), dat_of_size(800));
    write_file_bytes(log_path("mobile", "1000000001"), dat_of_size(800));
    server_.put_dat("mobile", "1000000000", dat_of_size(900));
    server_.put_dat("mobile", "1000000001", dat_of_size(900));
    add_row(L"1000000000.dat", 5, 0, ThreadFallen);
    add_row(L"1000000001.dat", 5, 1);
    update_check_list();
    auto reqs = requests(1);
    EXPECT_EQ(server_.accepted_connections(), 1u);
    ASSERT_EQ(server_.requests().size(), 1u);
    EXPECT_EQ(server_.requests()[0].raw, head_request("mobile", "1000000001", 800));
    EXPECT_EQ(ProcessThreadList->at(0)->state, ThreadFallen);
    EXPECT_EQ(ProcessThreadList->at(1)->state, ThreadHasNew);
}
