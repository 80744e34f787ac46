// Boards that move to another server, against the loopback board server:
// the thread list answered by a redirect or by the move notice page, the
// question, and the board table, "2channel.brd", the favourites and the log
// folder on disk before and after; a folder move that fails half-way; and
// the quiet move of a board-menu rebuild.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/boardmenu_win.h"
#include "net/subjectfetch_win.h"
#include "store/boardmove.h"
#include "store/settings.h"
#include "tests/net/boardfetch_fixture_win.h"
#include "tools/boardserver/boardsite.h"

using namespace boardfetch_test;
using boardserver::MoveAnswer;

namespace {

const std::string kBrd = "2\r\nPC\t0\r\n\tpc.2ch.net\tmobile\tMobile\r\n\tpc.2ch.net\tsoftware\tSoftware\r\n";
const std::string kBrdMoved = "2\r\nPC\t0\r\n\tpc9.2ch.net\tmobile\tMobile\r\n\tpc.2ch.net\tsoftware\tSoftware\r\n";
const std::string kFavoriteBrd = "Mobile,mobile\r\n";
const std::string kFavoriteTxt = "mobile<>1065069078.dat<>fav\r\n";

class MovedBoard : public BoardFetchFixture {
protected:
    void SetUp() override
    {
        BoardFetchFixture::SetUp();
        // Two ordinary boards and a favourite standing for the first.
        set_boards({{L"pc.2ch.net", L"mobile", L"Mobile"}, {L"pc.2ch.net", L"software", L"Software"},
                    {L"pc.2ch.net", L"mobile", L"Mobile"}});
        write_file_bytes(dir_.file("2channel.brd"), kBrd);
        write_file_bytes(dir_.file("favorite.brd"), kFavoriteBrd);
        write_file_bytes(dir_.file("favorite.txt"), kFavoriteTxt);
    }

    // The board's files in the server layout: list, held list, one log.
    void put_server_layout_logs()
    {
        Settings.UseServerDir = 1;
        for (const char* d : {"\\pc.2ch.net", "\\pc.2ch.net\\mobile", "\\pc.2ch.net\\mobile\\dat"})
            CreateDirectoryA((root_ + d).c_str(), nullptr);
        write_file_bytes(old_dir() + "subject.txt", "1.dat<>old (1)\n");
        write_file_bytes(old_dir() + "acquired.txt", "1065069078.dat<>t(3)<>2\r\n");
        write_file_bytes(old_dir() + "dat\\1065069078.dat", dat_of_size(900));
        write_file_bytes(old_dir() + "dat\\1064500000.dat", dat_of_size(500));
    }
    std::string old_dir() const { return root_ + "\\pc.2ch.net\\mobile\\"; }
    std::string new_dir() const { return root_ + "\\pc9.2ch.net\\mobile\\"; }

    std::vector<std::string> hosts_asked()
    {
        std::vector<std::string> asked;
        for (const auto& r : server_.requests()) asked.push_back(r.host + r.path);
        return asked;
    }
    std::vector<std::wstring> table_hosts() const
    {
        std::vector<std::wstring> hosts;
        for (int32_t i = 0; i < BoardTable.count; ++i) hosts.push_back(BoardTable.items[i].host);
        return hosts;
    }
    std::vector<std::string> sorted_tree() const
    {
        std::vector<std::string> t = tree();
        std::sort(t.begin(), t.end());
        return t;
    }
};

struct MoveCase {
    const char* what;
    MoveAnswer how;
    int answer;
};

const MoveCase kMoveCases[] = {
    {"redirect, Yes", MoveAnswer::Redirect, IDYES},
    {"notice page, Yes", MoveAnswer::NoticePage, IDYES},
    {"redirect, No", MoveAnswer::Redirect, IDNO},
    {"notice page, No", MoveAnswer::NoticePage, IDNO},
};

const wchar_t kQuestion[] = L"この板は移転しました\n移転先: pc9.2ch.net\n板一覧を書き換えますか？";

}  // namespace

// Either sign of a move asks once where the board went. Yes moves every
// record of the board (the favourite's too) and its line in "2channel.brd"
// and fetches the list from the new server; No changes nothing. The
// favourite files name no server and stay byte for byte either way.
TEST_F(MovedBoard, RedirectOrNoticePageAsksAndYesMovesTheBoard)
{
    for (const MoveCase& c : kMoveCases) {
        SCOPED_TRACE(c.what);
        set_boards({{L"pc.2ch.net", L"mobile", L"Mobile"}, {L"pc.2ch.net", L"software", L"Software"},
                    {L"pc.2ch.net", L"mobile", L"Mobile"}});
        write_file_bytes(dir_.file("2channel.brd"), kBrd);
        DeleteFileA((root_ + "\\mobile\\subject.txt").c_str());
        server_.site().clear_redirects();
        server_.site().move_board("pc.2ch.net", "mobile", "pc9.2ch.net", c.how);
        server_.clear_requests();
        reports_.clear();
        reports_.set_answer(c.answer);
        std::wstring movedTo;

        const int written = LstSure_get(L"pc.2ch.net", L"mobile", false, &movedTo);

        const bool yes = c.answer == IDYES;
        expect_messages({{kQuestion, kCaptionBoardMoved}});
        EXPECT_EQ(written, yes ? 1 : 0);
        EXPECT_EQ(movedTo, yes ? L"pc9.2ch.net" : L"");
        std::vector<std::string> asked{"pc.2ch.net/mobile/subject.txt"};
        if (yes) asked.push_back("pc9.2ch.net/mobile/subject.txt");
        EXPECT_EQ(hosts_asked(), asked);
        const std::wstring moved = yes ? L"pc9.2ch.net" : L"pc.2ch.net";
        EXPECT_EQ(table_hosts(), (std::vector<std::wstring>{moved, L"pc.2ch.net", moved}));
        EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), yes ? kBrdMoved : kBrd);
        EXPECT_FALSE(file_exists(dir_.file("2channel.brd.new")));
        EXPECT_EQ(read_file_bytes(dir_.file("favorite.brd")), kFavoriteBrd);
        EXPECT_EQ(read_file_bytes(dir_.file("favorite.txt")), kFavoriteTxt);
        EXPECT_EQ(read_file_bytes(root_ + "\\mobile\\subject.txt"), yes ? server_.file("/mobile/subject.txt") : "");
    }
}

// With the server layout the log folder moves: every file copied, then the
// old ones deleted, the old folders gone.
TEST_F(MovedBoard, ServerLayoutMovesTheLogFolder)
{
    put_server_layout_logs();
    const std::string log = read_file_bytes(old_dir() + "dat\\1065069078.dat");
    server_.site().move_board("pc.2ch.net", "mobile", "pc9.2ch.net", MoveAnswer::NoticePage);
    reports_.set_answer(IDYES);
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 1);

    EXPECT_EQ(sorted_tree(), (std::vector<std::string>{
                                 "2channel.brd", "favorite.brd", "favorite.txt", "log\\", "log\\pc9.2ch.net\\",
                                 "log\\pc9.2ch.net\\mobile\\", "log\\pc9.2ch.net\\mobile\\acquired.txt",
                                 "log\\pc9.2ch.net\\mobile\\dat\\", "log\\pc9.2ch.net\\mobile\\dat\\1064500000.dat",
                                 "log\\pc9.2ch.net\\mobile\\dat\\1065069078.dat",
                                 "log\\pc9.2ch.net\\mobile\\subject.txt", "work.gz"}));
    EXPECT_EQ(read_file_bytes(new_dir() + "dat\\1065069078.dat"), log);
    EXPECT_EQ(read_file_bytes(new_dir() + "acquired.txt"), "1065069078.dat<>t(3)<>2\r\n");
    EXPECT_EQ(read_file_bytes(new_dir() + "subject.txt"), server_.file("/mobile/subject.txt"));
    expect_messages({{kQuestion, kCaptionBoardMoved}});
}

// A copy that fails half-way (a log held open by another program) loses
// nothing: the copies made go again, the old folder stays whole, the table
// and "2channel.brd" stay as they were, and the failure is told.
TEST_F(MovedBoard, FolderMoveFailingHalfWayLosesNothing)
{
    put_server_layout_logs();
    const std::vector<std::string> before = sorted_tree();
    const std::string log = read_file_bytes(old_dir() + "dat\\1065069078.dat");
    server_.site().move_board("pc.2ch.net", "mobile", "pc9.2ch.net", MoveAnswer::Redirect);
    reports_.set_answer(IDYES);
    HANDLE held = CreateFileA((old_dir() + "dat\\1065069078.dat").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::wstring movedTo;
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false, &movedTo), 0);
    CloseHandle(held);

    EXPECT_EQ(movedTo, L"");
    expect_messages({{kQuestion, kCaptionBoardMoved},
                     {L"(pc.2ch.net,mobile)\n" + std::wstring(kTextLogFolderNotMoved), kCaptionBoardMoved}});
    EXPECT_EQ(read_file_bytes(old_dir() + "dat\\1065069078.dat"), log);
    EXPECT_EQ(read_file_bytes(old_dir() + "acquired.txt"), "1065069078.dat<>t(3)<>2\r\n");
    std::vector<std::string> after = sorted_tree();
    // Only the new folders, empty, are there beside everything that was
    // (and the fetch's spool).
    std::vector<std::string> want = before;
    want.push_back("work.gz");
    for (const char* d : {"log\\pc9.2ch.net\\", "log\\pc9.2ch.net\\mobile\\", "log\\pc9.2ch.net\\mobile\\dat\\"})
        want.push_back(d);
    std::sort(want.begin(), want.end());
    EXPECT_EQ(after, want);
    EXPECT_EQ(table_hosts(), (std::vector<std::wstring>{L"pc.2ch.net", L"pc.2ch.net", L"pc.2ch.net"}));
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), kBrd);
}

// A list that is no list and names no other server is refused as before.
TEST_F(MovedBoard, PageNamingNoOtherServerIsNoMove)
{
    server_.put_subject("mobile", "<html><a href=\"http://pc.2ch.net/mobile/\">here</a></html>\n");
    EXPECT_EQ(LstSure_get(L"pc.2ch.net", L"mobile", false), 0);
    expect_messages({{kTextSubjectNotAList, kCaptionLstSureGet}});
    EXPECT_EQ(table_hosts(), (std::vector<std::wstring>{L"pc.2ch.net", L"pc.2ch.net", L"pc.2ch.net"}));
}

// A menu that lists a board under another server moves its log folder
// without a question; other boards' folders stay.
TEST_F(MovedBoard, MenuRebuildMovesTheFolderQuietly)
{
    put_server_layout_logs();
    CreateDirectoryA((root_ + "\\pc.2ch.net\\software").c_str(), nullptr);
    write_file_bytes(root_ + "\\pc.2ch.net\\software\\subject.txt", "2.dat<>kept (1)\n");
    server_.put_menu("<HTML><BODY>\n<B>PC</B><br>\n<A HREF=http://pc9.2ch.net/mobile/>Mobile</A><br>\n"
                     "<A HREF=http://pc.2ch.net/software/>Software</A><br>\n</BODY></HTML>\n");
    EXPECT_EQ(ItaList_get(), 1);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(table_hosts(), (std::vector<std::wstring>{L"pc9.2ch.net", L"pc.2ch.net"}));
    EXPECT_FALSE(is_directory(root_ + "\\pc.2ch.net\\mobile"));
    EXPECT_EQ(read_file_bytes(new_dir() + "dat\\1065069078.dat"), dat_of_size(900));
    EXPECT_EQ(read_file_bytes(new_dir() + "subject.txt"), "1.dat<>old (1)\n");
    EXPECT_EQ(read_file_bytes(root_ + "\\pc.2ch.net\\software\\subject.txt"), "2.dat<>kept (1)\n");
}
