#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/difffetch_win.h"
#include "net/subjectfetch_win.h"
#include "store/settings.h"
#include "tests/net/boardfetch_fixture_win.h"

using namespace boardfetch_test;

namespace {

const char kMobileRequest[] =
    "GET http://pc.2ch.net/mobile/subject.txt HTTP/1.0\r\n"
    "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
    "Host: 127.0.0.1\r\n"
    "Accept: */*\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "\r\n";

const std::string kOldList = "1000000000.dat<>old list (1)\r\n1000000001.dat<>kept as it was (2)\n";

class SubjectFetch : public BoardFetchFixture {
protected:
    std::string flat_subject() const { return root_ + "\\mobile\\subject.txt"; }
    std::string mobile_list() const { return server_.file("/mobile/subject.txt"); }

    // The old list in place, in the flat layout.
    void put_old_list()
    {
        CreateDirectoryA((root_ + "\\mobile").c_str(), nullptr);
        write_file_bytes(flat_subject(), kOldList);
    }
};

// The thread-list fetch over both schemes.
using SubjectBothSchemes = net_test::BothSchemes<SubjectFetch>;

}  // namespace

INSTANTIATE_TEST_SUITE_P(Schemes, SubjectBothSchemes, ::testing::Bool(), net_test::scheme_name);

TEST_P(SubjectBothSchemes, FlatLayoutStoresTheListByteForByte)
{
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", secure_), 1);
    std::string list = mobile_list();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(read_file_bytes(flat_subject()), list);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(kMobileRequest));
    EXPECT_EQ(reqs[0].status, 200);
    EXPECT_TRUE(messages().empty());
    // The board directory alone: no server level, no "dat".
    std::vector<std::string> want = {"log\\", "log\\mobile\\", "log\\mobile\\subject.txt", "work.gz"};
    std::vector<std::string> got = tree();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want);
}

TEST_F(SubjectFetch, ServerLayoutCreatesServerBoardAndDatDirectories)
{
    Settings.UseServerDir = 1;
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 1);
    EXPECT_EQ(read_file_bytes(root_ + "\\pc.2ch.net\\mobile\\subject.txt"), mobile_list());
    EXPECT_TRUE(is_directory(root_ + "\\pc.2ch.net\\mobile\\dat"));
    EXPECT_FALSE(file_exists(flat_subject()));
    EXPECT_TRUE(messages().empty());
}

TEST_F(SubjectFetch, AnyServerLayoutValueGivesTheLogsTheirDatDirectory)
{
    // The thread logs go to "dat" whenever the server level is used, so the
    // place for them is made whenever it is.
    Settings.UseServerDir = 2;
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 1);
    EXPECT_EQ(read_file_bytes(root_ + "\\pc.2ch.net\\mobile\\subject.txt"), mobile_list());
    EXPECT_TRUE(is_directory(root_ + "\\pc.2ch.net\\mobile\\dat"));
}

TEST_F(SubjectFetch, SecondLevelHostBecomesTwoNestedDirectories)
{
    Settings.UseServerDir = 1;
    EXPECT_EQ(LstSure_get(L"srv.2ch.net/sub", L"zatsudan", false), 1);
    EXPECT_EQ(read_file_bytes(root_ + "\\srv.2ch.net\\sub\\zatsudan\\subject.txt"),
              server_.file("/sub/zatsudan/subject.txt"));
    EXPECT_TRUE(is_directory(root_ + "\\srv.2ch.net\\sub\\zatsudan\\dat"));
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw.substr(0, reqs[0].raw.find("\r\n")),
              "GET http://srv.2ch.net/sub/zatsudan/subject.txt HTTP/1.0");
    EXPECT_TRUE(messages().empty());
}

TEST_P(SubjectBothSchemes, SecondFetchReplacesTheListQuietly)
{
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", secure_), 1);
    std::string newer = "1070000000.dat<>new thread (1)\n" + mobile_list();
    server_.put_subject("mobile", newer);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", secure_), 1);
    EXPECT_EQ(read_file_bytes(flat_subject()), newer);
    EXPECT_FALSE(file_exists(flat_subject() + ".new"));
    // The directories were there already (183): no message.
    EXPECT_TRUE(messages().empty());
}

TEST_F(SubjectFetch, FailedFetchLeavesTheOldListByteForByte)
{
    put_old_list();
    // A redirect that names no other server for the board is no move.
    server_.set_redirect("/mobile/subject.txt", "http://pc.2ch.net/busy.html", 302);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{L"移転してるかも(302)", L"get_html_sabun"}});

    reports_.clear();
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"nosuchboard", false), 0);
    EXPECT_FALSE(file_exists(root_ + "\\nosuchboard\\subject.txt"));
    expect_messages({{L"取得失敗(404)", L"get_html_sabun"}});
}

TEST_F(SubjectFetch, CutTransferLeavesTheOldListByteForByte)
{
    put_old_list();
    std::string list = mobile_list();
    boardserver::Behaviour announced;
    // The head announces the whole list; the connection ends half-way.
    announced.rawReply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(list.size()) + "\r\n\r\n" +
                         list.substr(0, list.size() / 2);
    announced.uses = 1;
    server_.set_behaviour("", announced);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{L"データが途中で切れています", L"get_html_sabun"}});

    // No length announced: the list that does not end its last line was cut.
    reports_.clear();
    boardserver::Behaviour unannounced;
    unannounced.rawReply = "HTTP/1.1 200 OK\r\n\r\n" + list.substr(0, list.size() - 7);
    unannounced.uses = 1;
    server_.set_behaviour("", unannounced);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{L"データが途中で切れています", L"LstSure_get"}});
    EXPECT_FALSE(file_exists(flat_subject() + ".new"));
}

TEST_F(SubjectFetch, PageThatIsNoListLeavesTheOldListByteForByte)
{
    put_old_list();
    boardserver::Behaviour page;
    page.rawReply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>error</body></html>\n";
    server_.set_behaviour("", page);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{L"スレッド一覧の形式ではありません", L"LstSure_get"}});
    EXPECT_FALSE(file_exists(flat_subject() + ".new"));
}

TEST_P(SubjectBothSchemes, DeflateCodedListIsStoredInflated)
{
    put_old_list();
    boardserver::Behaviour deflate;
    deflate.bodyCoding = "deflate";
    server_.set_behaviour("", deflate);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", secure_), 1);
    EXPECT_EQ(read_file_bytes(flat_subject()), mobile_list());
    EXPECT_TRUE(messages().empty());
}

TEST_F(SubjectFetch, RangeRefusalIsNoList)
{
    put_old_list();
    boardserver::Behaviour refuse;
    refuse.rawReply = "HTTP/1.1 416 Requested Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n";
    server_.set_behaviour("", refuse);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    // The marker's "A" never reaches the file.
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{L"サイズが変です(416)", L"get_html_sabun"}});
}

TEST_P(SubjectBothSchemes, CancelLeavesTheOldListByteForByte)
{
    put_old_list();
    boardserver::Behaviour held;
    held.hold = true;
    server_.set_behaviour("", held);
    net_test::ProgressCanceller canceller(GetTask);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", secure_), 0);
    EXPECT_TRUE(canceller.pressed());
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{L"recvエラーです", L"Error"}});
    server_.stop();
}

TEST_F(SubjectFetch, UnwritableListIsReportedWithItsPathAndKept)
{
    put_old_list();
    // The new list is written beside the old one first; that place is taken.
    ASSERT_TRUE(CreateDirectoryA((flat_subject() + ".new").c_str(), nullptr));
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    EXPECT_EQ(read_file_bytes(flat_subject()), kOldList);
    expect_messages({{widen(flat_subject()) + L"subject.txtオープンに失敗", L"LstSure_get"}});
}

TEST_F(SubjectFetch, HostileNamesCannotLeaveTheLogRoot)
{
    Settings.UseServerDir = 1;
    struct Case {
        const wchar_t* host;
        const wchar_t* dir;
    } cases[] = {
        {L"pc.2ch.net", L"../x"},   {L"pc.2ch.net", L"..\\x"}, {L"pc.2ch.net", L"a\\b"},
        {L"pc.2ch.net", L".."},     {L"pc.2ch.net", L"C:"},    {L"pc.2ch.net", L"CON"},
        {L"..", L"mobile"},         {L"a\\b", L"mobile"},      {L"../x", L"mobile"},
        {L"pc.2ch.net/../..", L"mobile"}, {L"pc.2ch.net", L"mob\xA5ile"},
    };
    std::vector<std::string> before = tree();
    for (const Case& c : cases) {
        reports_.clear();
        EXPECT_EQ(LstSure_get(c.host, c.dir, false), 0) << wide_to_utf8(c.dir);
        std::wstring text = std::wstring(L"(") + c.host + L"," + c.dir + L")ログのパスを作れません";
        expect_messages({{text, L"LstSure_get"}});
    }
    // Nothing was asked for and nothing was written, inside the root or out.
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(tree(), before);
    // The flat layout checks the host as well: it is a name on the wire.
    Settings.UseServerDir = 0;
    reports_.clear();
    EXPECT_EQ(LstSure_get(L"a\\b", L"mobile", false), 0);
    expect_messages({{L"(a\\b,mobile)ログのパスを作れません", L"LstSure_get"}});
    EXPECT_EQ(tree(), before);
}
