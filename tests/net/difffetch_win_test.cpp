#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/debugout.h"
#include "net/difffetch.h"
#include "net/difffetch_win.h"
#include "net/threadfetch_win.h"
#include "store/boardtable.h"
#include "store/settings.h"
#include "tests/net/loopbackfixture_win.h"
#include "tools/boardserver/reply.h"

namespace {

constexpr char kKey[] = "1065069078";
constexpr wchar_t kDat[] = L"1065069078.dat";

std::string dat_lines(int from, int to)
{
    std::string s;
    for (int i = from; i <= to; ++i) {
        s += "name<>sage<>2026/12/08 23:00:00 ID:abcdefgh<> response " + std::to_string(i) + " <>";
        if (i == 1) s += "title";
        s += "\n";
    }
    return s;
}

std::string gzip_of(const std::string& plain, const std::string& dir)
{
    std::string path = dir + "make.gz";
    gzFile f = gzopen(path.c_str(), "wb");
    if (!plain.empty()) gzwrite(f, plain.data(), static_cast<unsigned>(plain.size()));
    gzclose(f);
    return read_file_bytes(path);
}

using net_test::Message;

// The board table and the log root of one test, behind the loopback proxy.
class FetchFixture : public net_test::LoopbackProxyFixture {
protected:
    void SetUp() override
    {
        savedBoards_ = BoardTable;
        ASSERT_NO_FATAL_FAILURE(LoopbackProxyFixture::SetUp());
        use_log_root();
        CreateDirectoryA((root_ + "\\mobile").c_str(), nullptr);

        boards_.resize(2);
        lstrcpynW(boards_[0].name, L"モバイル", kBoardFieldUnits);
        lstrcpynW(boards_[0].host, L"pc.2ch.net", kBoardFieldUnits);
        lstrcpynW(boards_[0].dir, L"mobile", kBoardFieldUnits);
        BoardTable.items = boards_.data();
        BoardTable.count = 1;
        BoardTable.capacity = 2;
        logPath_ = root_ + "\\mobile\\" + kKey + ".dat";
    }

    void TearDown() override
    {
        BoardTable = savedBoards_;
        LoopbackProxyFixture::TearDown();
    }

    // The thread's log fetched while the server answers every request with
    // `rawReply`, the messages of earlier fetches forgotten.
    void fetch_answered_with(const std::string& rawReply)
    {
        reports_.clear();
        boardserver::Behaviour raw;
        raw.rawReply = rawReply;
        server_.set_behaviour("", raw);
        Resdata_get(0, kDat);
    }

    void scheme_chosen() override { boards_[0].secure = secure_; }

    BoardArray savedBoards_;
    std::vector<BoardEntry> boards_;
    std::string logPath_;
};

// The fetch paths run over plain HTTP and over TLS alike.
using FetchBothSchemes = net_test::BothSchemes<FetchFixture>;

const char kUnrangedHead[] =
    "GET http://pc.2ch.net/mobile/dat/1065069078.dat HTTP/1.0\r\n"
    "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
    "Host: 127.0.0.1\r\n"
    "Accept: */*\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "\r\n";

std::string ranged_head(int from)
{
    return std::string("GET http://pc.2ch.net/mobile/dat/1065069078.dat HTTP/1.0\r\n"
                       "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
                       "Host: 127.0.0.1\r\n"
                       "Range: bytes=") +
           std::to_string(from) + "-\r\n\r\n";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Schemes, FetchBothSchemes, ::testing::Bool(), net_test::scheme_name);

TEST_P(FetchBothSchemes, FirstFetchAsksForGzipAndWritesTheWholeLog)
{
    std::string dat = dat_lines(1, 200);
    server_.put_dat("mobile", kKey, dat);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), dat);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(kUnrangedHead));
    EXPECT_EQ(reqs[0].status, 200);
    // The body came compressed and was spooled as it arrived.
    std::string spooled = read_file_bytes(dir_.file("work.gz"));
    ASSERT_GE(spooled.size(), 2u);
    EXPECT_EQ(spooled.substr(0, 2), "\x1f\x8b");
    EXPECT_LT(spooled.size(), dat.size());
    EXPECT_TRUE(messages().empty());
}

TEST_P(FetchBothSchemes, NothingNewCostsOneOverlapByte)
{
    std::string dat = dat_of_size(1000);
    server_.put_dat("mobile", kKey, dat);
    write_file_bytes(logPath_, dat);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), dat);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(ranged_head(999)));
    EXPECT_EQ(reqs[0].status, 206);
    EXPECT_TRUE(messages().empty());
}

TEST_P(FetchBothSchemes, GrowthIsAppendedWithoutTheOverlapByte)
{
    std::string dat = dat_of_size(1000);
    std::string more = dat_lines(1, 7);
    write_file_bytes(logPath_, dat);
    server_.put_dat("mobile", kKey, dat + more);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), dat + more);
    EXPECT_EQ(requests(1)[0].raw, seen_head(ranged_head(999)));
    EXPECT_TRUE(messages().empty());
}

TEST_P(FetchBothSchemes, ServerLogShorterGives416AndAFullFetch)
{
    std::string shorter = dat_lines(1, 3);
    write_file_bytes(logPath_, dat_of_size(5000));
    server_.put_dat("mobile", kKey, shorter);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), shorter);
    auto reqs = requests(2);
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].raw, seen_head(ranged_head(4999)));
    EXPECT_EQ(reqs[0].status, 416);
    EXPECT_EQ(reqs[1].raw, seen_head(kUnrangedHead));
    expect_messages({{L"サイズが変です(416)", L"get_html_sabun"},
                     {L"あぼんがあったのかな？\n全部再取得します。", L"Resdata_get_sabun"}});
}

TEST_P(FetchBothSchemes, WholeLogAnsweredTo200MeansAFullFetch)
{
    std::string local = dat_of_size(1000);
    std::string server = dat_lines(1, 40);   // a response deleted: the log shifted
    write_file_bytes(logPath_, local);
    server_.put_dat("mobile", kKey, server);
    boardserver::Behaviour ignore;
    ignore.ignoreRange = true;
    server_.set_behaviour("", ignore);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), server);
    auto reqs = requests(2);
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].raw, seen_head(ranged_head(999)));
    EXPECT_EQ(reqs[0].status, 200);
    EXPECT_EQ(reqs[1].raw, seen_head(kUnrangedHead));
    expect_messages({{L"あぼんがあったのかな？\n全部再取得します。", L"Resdata_get_sabun"}});
}

// A notice, an error page or a login wall answered with 200 in place of the
// log: no response shape, so nothing is written. Answered to the log's own
// path it means the log is gone from there (the past-log store, answering
// the same page, has nothing either); answered as a part of the log (206) it
// is refused as it is.
TEST_F(FetchFixture, PageThatIsNoLogNeverReplacesTheLog)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    fetch_answered_with("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"
                        "<html><head><title>notice</title></head>\n<body>maintenance</body></html>\n");
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"dat落ちしたスレッドです\n過去ログ倉庫にもありません", L"Resdata_get_sabun"}});

    // The same page after a line feed passes the overlap check of a ranged
    // fetch, and is refused all the same.
    fetch_answered_with("HTTP/1.1 206 Partial Content\r\n\r\n\n<html><body>login</body></html>\n");
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"ログの形式ではありません", L"Resdata_get_sabun"}});
}

// Servers answer "deflate" in the zlib wrapper or raw; either is inflated,
// in a whole fetch and in a ranged one.
TEST_P(FetchBothSchemes, DeflateCodedLogIsInflated)
{
    for (const char* coding : {"deflate", "deflate-raw"}) {
        SCOPED_TRACE(coding);
        DeleteFileA(logPath_.c_str());
        server_.clear_requests();
        std::string dat = dat_lines(1, 120);
        server_.put_dat("mobile", kKey, dat);
        boardserver::Behaviour deflate;
        deflate.bodyCoding = coding;
        server_.set_behaviour("", deflate);
        Resdata_get(0, kDat);
        EXPECT_EQ(read_file_bytes(logPath_), dat);
        std::string more = dat_lines(121, 130);
        server_.append_dat("mobile", kKey, more);
        Resdata_get(0, kDat);
        EXPECT_EQ(read_file_bytes(logPath_), dat + more);
        auto reqs = requests(2);
        ASSERT_EQ(reqs.size(), 2u);
        EXPECT_EQ(reqs[1].status, 206);
        EXPECT_TRUE(messages().empty());
    }
}

// A coding the client cannot read never reaches the log as its bytes.
TEST_F(FetchFixture, UnknownCodingIsRefusedAndTheLogKept)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    server_.put_dat("mobile", kKey, local + dat_lines(1, 3));
    boardserver::Behaviour brotli;
    brotli.bodyCoding = "br";
    server_.set_behaviour("", brotli);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"読めない圧縮形式です", L"get_html unzip"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});
}

TEST_F(FetchFixture, CorruptOrCutDeflateLeavesTheLogAsItWas)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    std::string coded = boardserver::deflate_bytes(dat_lines(1, 300), true);
    fetch_answered_with("HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n" + coded.substr(0, coded.size() / 2));
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"データが途中で切れています", L"get_html unzip"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});

    fetch_answered_with("HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n\xff\xff\xff\xff plain text");
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"展開に失敗しました", L"get_html unzip"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});
}

// A favourite thread of a board whose directory this log root never had:
// the directories are made and the log written, in either layout.
TEST_F(FetchFixture, MissingBoardDirectoriesAreMadeBeforeTheLogIsWritten)
{
    std::string dat = dat_lines(1, 20);
    server_.put_dat("other", kKey, dat);
    lstrcpynW(boards_[1].name, L"other", kBoardFieldUnits);
    lstrcpynW(boards_[1].host, L"pc.2ch.net", kBoardFieldUnits);
    lstrcpynW(boards_[1].dir, L"other", kBoardFieldUnits);
    BoardTable.count = 2;
    Resdata_get(1, kDat);
    EXPECT_EQ(read_file_bytes(root_ + "\\other\\" + kKey + ".dat"), dat);

    Settings.UseServerDir = 1;
    Resdata_get(1, kDat);
    EXPECT_EQ(read_file_bytes(root_ + "\\pc.2ch.net\\other\\dat\\" + kKey + ".dat"), dat);
    EXPECT_TRUE(messages().empty());
}

// A redirect of the log is taken for a fallen thread: the store is asked,
// has nothing, and that is said once.
TEST_F(FetchFixture, RedirectedLogLeavesTheLogAlone)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    server_.set_redirect("/mobile/dat/1065069078.dat", "http://new.2ch.net/mobile/dat/1065069078.dat", 302);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"dat落ちしたスレッドです\n過去ログ倉庫にもありません", L"Resdata_get_sabun"}});
}

TEST_F(FetchFixture, OneByteLogIsFetchedWhole)
{
    std::string dat = dat_lines(1, 5);
    write_file_bytes(logPath_, "\n");
    server_.put_dat("mobile", kKey, dat);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), dat);
    EXPECT_EQ(requests(1)[0].raw, kUnrangedHead);
}

TEST_F(FetchFixture, UnfinishedLastResponseWaitsForTheNextFetch)
{
    std::string local = dat_of_size(1000);
    std::string whole = dat_lines(1, 4);
    std::string half = "name<>sage<>2026/12/08 23:00:01<> half a resp";
    write_file_bytes(logPath_, local);
    server_.put_dat("mobile", kKey, local + whole + half);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), local + whole);
    server_.append_dat("mobile", kKey, "onse <>\n");
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), local + whole + half + "onse <>\n");
    EXPECT_TRUE(messages().empty());
}

TEST_P(FetchBothSchemes, CancelLeavesTheLogAsItWas)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    server_.put_dat("mobile", kKey, local + dat_lines(1, 3));
    boardserver::Behaviour held;
    held.hold = true;
    server_.set_behaviour("", held);
    static std::atomic<int> workerEnds;
    workerEnds = 0;
    set_debug_output_hook([](const wchar_t* line) {
        if (std::wstring(line) == L"End get_html_sabun_thread\n") ++workerEnds;
    });
    // The close button of the progress dialog, pressed while the fetch waits.
    net_test::ProgressCanceller canceller(GetTask);
    Resdata_get(0, kDat);
    set_debug_output_hook(nullptr);
    EXPECT_TRUE(canceller.pressed());
    // The worker saw the cancel at the end of the second in which it came,
    // and ended; its dialog is closed.
    EXPECT_EQ(canceller.slices(), 1);
    EXPECT_EQ(workerEnds.load(), 1);
    EXPECT_EQ(GetTask.dialog, nullptr);
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"recvエラーです", L"Error"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});
    server_.stop();
}

TEST_F(FetchFixture, CutTransferLeavesTheLogAsItWas)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    fetch_answered_with("HTTP/1.1 206 Partial Content\r\nContent-Length: 500\r\n\r\n\n" + dat_lines(1, 2));
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"データが途中で切れています", L"get_html_sabun"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});
}

TEST_F(FetchFixture, CutGzipStreamLeavesTheLogAsItWas)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    std::string gz = gzip_of(dat_lines(1, 300), dir_.path());
    // No Content-Length: only the stream itself shows that it was cut.
    fetch_answered_with("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + gz.substr(0, gz.size() / 2));
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"データが途中で切れています", L"get_html unzip"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});
}

TEST_F(FetchFixture, NoReplyOrNoStatusIsAFailure)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    boardserver::Behaviour close;
    close.closeAtOnce = true;
    server_.set_behaviour("", close);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"応答ヘッダを受け取れませんでした", L"get_html_sabun"},
                     {L"スレdat取得失敗", L"Resdata_get_sabun"}});

    fetch_answered_with(boardserver::kGarbageReply);
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"取得失敗(0)", L"get_html_sabun"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});

    fetch_answered_with("HTTP/1.1 200 OK\r\nX: " + std::string(40000, 'x'));
    EXPECT_EQ(read_file_bytes(logPath_), local);
    expect_messages({{L"応答ヘッダが長すぎます", L"get_html_sabun"}, {L"スレdat取得失敗", L"Resdata_get_sabun"}});
}

TEST_F(FetchFixture, HeadSplitAcrossBlocksIsAssembled)
{
    std::string dat = dat_lines(1, 30);
    server_.put_dat("mobile", kKey, dat);
    boardserver::Behaviour split;
    split.splitHead = 4;
    split.splitPauseMs = 50;
    server_.set_behaviour("", split);
    Resdata_get(0, kDat);
    EXPECT_EQ(read_file_bytes(logPath_), dat);
    EXPECT_TRUE(messages().empty());
}

TEST_F(FetchFixture, HugeBodyIsRefusedAtTheCap)
{
    boardserver::Behaviour huge;
    huge.hugeBody = kFetchBodyMax + 100000;
    server_.set_behaviour("", huge);
    uint32_t length = 77;
    std::atomic<uint8_t> flag{0};
    char* data = get_html_sabun(nullptr, L"http://pc.2ch.net/mobile/dat/1065069078.dat", &length, 0, &flag);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    expect_messages({{L"データが大きすぎます(32768KB)", L"get_html_sabun"}});
    EXPECT_LE(read_file_bytes(dir_.file("work.gz")).size(), kFetchBodyMax);
}

TEST_F(FetchFixture, InflatedSizeIsCapped)
{
    std::string local = dat_of_size(1000);
    write_file_bytes(logPath_, local);
    std::string bomb = gzip_of(std::string(kFetchBodyMax + 1, '\n'), dir_.path());
    ASSERT_LT(bomb.size(), 200000u);
    boardserver::Behaviour b;
    b.rawReply = "HTTP/1.1 200 OK\r\n\r\n" + bomb;
    server_.set_behaviour("", b);
    uint32_t length = 77;
    std::atomic<uint8_t> flag{0};
    char* data = get_html_sabun(nullptr, L"http://pc.2ch.net/mobile/dat/1065069078.dat", &length, 0, &flag);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    expect_messages({{L"データが大きすぎます(32768KB)", L"get_html unzip"}});
}

TEST_F(FetchFixture, DirectCallGives416MarkerAndDumps)
{
    write_file_bytes(logPath_, dat_of_size(5000));
    server_.put_dat("mobile", kKey, dat_lines(1, 2));
    std::atomic<uint8_t> flag{0};
    uint32_t length = 99;
    char* marker = get_html_sabun(nullptr, L"http://pc.2ch.net/mobile/dat/1065069078.dat", &length, 4999, &flag);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(marker[0], 'A');
    EXPECT_EQ(marker[1], '\0');
    EXPECT_EQ(LocalSize(marker), 2u);
    LocalFree(marker);
    expect_messages({{L"サイズが変です(416)", L"get_html_sabun"}});

    reports_.clear();
    Settings.DebugMode = 1;
    std::string dat = dat_lines(1, 50);
    server_.put_dat("mobile", kKey, dat);
    char* data = get_html_sabun(nullptr, L"http://pc.2ch.net/mobile/dat/1065069078.dat", &length, 0, &flag);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, length), dat);
    EXPECT_EQ(LocalSize(data), dat.size());
    LocalFree(data);
    EXPECT_EQ(read_file_bytes(dir_.file("snd_head.txt")), kUnrangedHead);
    EXPECT_EQ(read_file_bytes(dir_.file("rcv_data_unzipped.txt")), dat);
    std::string head = read_file_bytes(dir_.file("rcv_head.txt"));
    EXPECT_EQ(head.compare(0, 17, "HTTP/1.1 200 OK\r\n"), 0) << head;
    ASSERT_GE(head.size(), 3u);
    EXPECT_EQ(head.substr(head.size() - 3), "\r\n\r");
    EXPECT_NE(head.find("Content-Encoding: gzip\r\n"), std::string::npos);
    EXPECT_TRUE(messages().empty());
}

TEST_F(FetchFixture, PlainBodyPassesThroughUnchanged)
{
    boardserver::Behaviour plain;
    plain.rawReply = std::string("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n") + "sub\x82\xa0ject<>1\n";
    server_.set_behaviour("", plain);
    std::atomic<uint8_t> flag{0};
    uint32_t length = 0;
    char* data = get_html_sabun(nullptr, L"http://pc.2ch.net/mobile/subject.txt", &length, 0, &flag);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, length), "sub\x82\xa0ject<>1\n");
    LocalFree(data);
    // An empty body gives nothing, with no message of its own.
    plain.rawReply = "HTTP/1.0 200 OK\r\n\r\n";
    server_.set_behaviour("", plain);
    EXPECT_EQ(get_html_sabun(nullptr, L"http://pc.2ch.net/mobile/subject.txt", &length, 0, &flag), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(FetchFixture, HostileThreadNameNeverLeavesTheLogRoot)
{
    server_.put_file("/mobile/dat/../../x.dat", "x\n");
    Resdata_get(0, L"..\\..\\x.dat");
    Resdata_get(0, L"../x.dat");
    Resdata_get(5, kDat);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_FALSE(file_exists(dir_.file("x.dat")));
    std::vector<Message> got = messages();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].text, L"..\\..\\x.datオープンに失敗");
    EXPECT_EQ(got[0].caption, L"Resdata_get");
    EXPECT_EQ(got[2].text, L"スレdat取得失敗");
}
