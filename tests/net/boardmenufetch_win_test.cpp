#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/boardmenu_win.h"
#include "net/difffetch_win.h"
#include "net/subjectfetch_win.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "tests/net/boardfetch_fixture_win.h"

using namespace boardfetch_test;

namespace {

const char kMenuRequest[] =
    "GET http://menu.2ch.net/bbsmenu.html HTTP/1.0\r\n"
    "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
    "Host: 127.0.0.1\r\n"
    "Accept: */*\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "\r\n";

std::wstring board_text(const BoardEntry& b)
{
    return std::wstring(b.name) + L"|" + b.host + L"|" + b.dir;
}

std::wstring category_text(const Category& c)
{
    return std::wstring(c.name) + L"|" + std::to_wstring(c.first) + L"-" + std::to_wstring(c.last);
}

class MenuFetch : public BoardFetchFixture {
protected:
    // The table as loaded from the files: favourites at category 0.
    void set_old_table()
    {
        set_boards({{L"pc.2ch.net", L"mobile", L"モバイル"}, {L"news.2ch.net", L"news", L"ニュース"}});
        CategoryTable.items[1] = CategoryTable.items[0];
        lstrcpynW(CategoryTable.items[0].name, L"お気に入り", kBoardFieldUnits);
        CategoryTable.items[0].first = 2;
        CategoryTable.items[0].last = 1;
        CategoryTable.lastCategory = 1;
        oldItems_ = BoardTable.items;
        oldBoards_.assign(BoardTable.items, BoardTable.items + BoardTable.count + 1);
        oldTable_ = BoardTable;
        oldCategories_ = CategoryTable;
    }

    void expect_old_table() const
    {
        EXPECT_EQ(BoardTable.items, oldItems_);
        EXPECT_EQ(BoardTable.count, oldTable_.count);
        EXPECT_EQ(BoardTable.capacity, oldTable_.capacity);
        ASSERT_EQ(BoardTable.items, oldItems_);
        EXPECT_EQ(std::memcmp(BoardTable.items, oldBoards_.data(), oldBoards_.size() * sizeof(BoardEntry)), 0);
        EXPECT_EQ(std::memcmp(&CategoryTable, &oldCategories_, sizeof CategoryTable), 0);
    }

    BoardEntry* oldItems_ = nullptr;
    std::vector<BoardEntry> oldBoards_;
    BoardArray oldTable_{};
    CategoryArray oldCategories_{};
};

// The board-menu fetch over both schemes.
using MenuBothSchemes = net_test::BothSchemes<MenuFetch>;

}  // namespace

INSTANTIATE_TEST_SUITE_P(Schemes, MenuBothSchemes, ::testing::Bool(), net_test::scheme_name);

TEST_P(MenuBothSchemes, RebuildsTheTableFromTheSampleMenu)
{
    set_old_table();
    EXPECT_EQ(ItaList_get(), 1);
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw, seen_head(kMenuRequest));
    EXPECT_TRUE(messages().empty());

    // The portal, the chat host and the outside site are not boards.
    ASSERT_EQ(BoardTable.count, 4);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"モバイル|pc.2ch.net|mobile");
    EXPECT_EQ(board_text(BoardTable.items[1]), L"ソフトウェア|pc.2ch.net|software");
    EXPECT_EQ(board_text(BoardTable.items[2]), L"ニュース速報|srv.2ch.net|news");
    EXPECT_EQ(board_text(BoardTable.items[3]), L"雑談|srv.2ch.net/sub|zatsudan");
    for (int32_t i = 0; i < BoardTable.count; ++i) EXPECT_EQ(BoardTable.items[i].index, i);
    // The spare record at the end is zero-filled.
    ASSERT_GE(BoardTable.capacity, 5);
    BoardEntry zero{};
    EXPECT_EQ(std::memcmp(&BoardTable.items[4], &zero, sizeof zero), 0);

    // The menu's categories from 0, no favourites; the two empty headings
    // ("チャット", then "運営" in its slot) are gone.
    ASSERT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(category_text(CategoryTable.items[0]), L"PC等|0-1");
    EXPECT_EQ(category_text(CategoryTable.items[1]), L"ニュース|2-2");
    EXPECT_EQ(category_text(CategoryTable.items[2]), L"雑談|3-3");
    Category zeroCategory{};
    EXPECT_EQ(std::memcmp(&CategoryTable.items[3], &zeroCategory, sizeof zeroCategory), 0);
}

TEST_P(MenuBothSchemes, DeflateCodedMenuIsRead)
{
    set_old_table();
    boardserver::Behaviour deflate;
    deflate.bodyCoding = "deflate-raw";
    server_.set_behaviour("", deflate);
    EXPECT_EQ(ItaList_get(), 1);
    EXPECT_TRUE(messages().empty());
    ASSERT_EQ(BoardTable.count, 4);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"モバイル|pc.2ch.net|mobile");
}

// A 2ch-compatible site on hosts of its own: its patterns come from the
// link-filter file beside the program.
TEST_F(MenuFetch, LinkFilterFileNamesTheHostsOfTheMenu)
{
    const std::string menu = "<B>cat</B><A HREF=http://bbs.example.net/one/>one</A>"
                             "<A HREF=http://www.example.net/guide/>guide</A>"
                             "<A HREF=http://pc.2ch.net/mobile/>mobile</A>\n";
    server_.put_menu(menu);
    write_file_bytes(dir_.file("linkfilter.txt"), "example.net\r\n!www.example.net\r\n");
    EXPECT_EQ(ItaList_get(), 1);
    EXPECT_TRUE(messages().empty());
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"one|bbs.example.net|one");

    // Without the file, the service's own patterns.
    DeleteFileA(dir_.file("linkfilter.txt").c_str());
    EXPECT_EQ(ItaList_get(), 1);
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"mobile|pc.2ch.net|mobile");
}

// A board whose menu entry moved to https is the same board: the same place
// in the table, the same log directory, and the favourite board standing for
// it; only the scheme of its fetches changes.
TEST_F(MenuFetch, BoardMovedToHttpsKeepsItsLogsAndFavourite)
{
    Settings.UseServerDir = 1;
    server_.put_menu(utf8_to_sjis("<B>PC</B><A HREF=https://pc.2ch.net/mobile/>モバイル</A>\n"));
    write_file_bytes(dir_.file("favorite.brd"), utf8_to_sjis("モバイル,mobile\n"));
    set_boards({{L"pc.2ch.net", L"mobile", L"モバイル"}});
    wchar_t before[MAX_PATH];
    ASSERT_TRUE(log_thread_path_of(0, L"1065069078.dat", before, MAX_PATH));

    EXPECT_EQ(ItaList_get(), 1);
    ASSERT_EQ(ItaList_save(), 1);
    ItaList_load();
    EXPECT_TRUE(messages().empty());
    ASSERT_GE(BoardTable.count, 2);
    EXPECT_TRUE(BoardTable.items[0].secure);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"モバイル|pc.2ch.net|mobile");
    wchar_t after[MAX_PATH];
    ASSERT_TRUE(log_thread_path_of(0, L"1065069078.dat", after, MAX_PATH));
    EXPECT_EQ(std::wstring(after), std::wstring(before));
    EXPECT_EQ(BoardTable.items[1].index, 0);
    EXPECT_TRUE(BoardTable.items[1].secure);
    EXPECT_NE(read_file_bytes(dir_.file("2channel.brd")).find(utf8_to_sjis("\tpc.2ch.net\tmobile\tモバイル\thttps\r\n")),
              std::string::npos);
}

TEST_F(MenuFetch, LinkFilterFileWithoutAnAcceptedPatternIsReported)
{
    server_.put_menu("<B>cat</B><A HREF=http://pc.2ch.net/mobile/>mobile</A>\n");
    write_file_bytes(dir_.file("linkfilter.txt"), "!www.2ch.net\r\n");
    EXPECT_EQ(ItaList_get(), 1);
    expect_messages({{L"linkfilter.txtに使えるパターンがありません\n組み込みのパターンを使います", L"ItaList_get"}});
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"mobile|pc.2ch.net|mobile");
}

TEST_F(MenuFetch, FailedFetchLeavesTheTableAsItWas)
{
    set_old_table();
    server_.set_redirect("/bbsmenu.html", "http://menu9.2ch.net/bbsmenu.html", 302);
    EXPECT_EQ(ItaList_get(), 0);
    expect_old_table();
    expect_messages({{L"移転してるかも(302)", L"get_html_sabun"}, {L"bbstable取得に失敗", L"ItaList_get"}});

    // A transfer cut short is no page either, however many boards it held.
    reports_.clear();
    server_.site().clear_redirects();
    std::string menu = server_.file("/bbsmenu.html");
    boardserver::Behaviour cut;
    cut.rawReply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(menu.size()) + "\r\n\r\n" +
                   menu.substr(0, menu.size() * 3 / 4);
    server_.set_behaviour("", cut);
    EXPECT_EQ(ItaList_get(), 0);
    expect_old_table();
    expect_messages({{L"データが途中で切れています", L"get_html_sabun"}, {L"bbstable取得に失敗", L"ItaList_get"}});
}

TEST_P(MenuBothSchemes, CancelLeavesTheTableAsItWas)
{
    set_old_table();
    boardserver::Behaviour held;
    held.hold = true;
    server_.set_behaviour("", held);
    net_test::ProgressCanceller canceller(GetTask);
    EXPECT_EQ(ItaList_get(), 0);
    EXPECT_TRUE(canceller.pressed());
    expect_old_table();
    expect_messages({{L"recvエラーです", L"Error"}, {L"bbstable取得に失敗", L"ItaList_get"}});
    server_.stop();
}

TEST_F(MenuFetch, PageWithoutBoardsLeavesTheTableAsItWas)
{
    set_old_table();
    // Headings without boards, links only to other sites, and boards before
    // any heading: nothing a table can be made of.
    server_.put_menu("<HTML><B>empty</B><br><A HREF=http://www.example.com/x/>x</A>"
                     "<B>also empty</B></HTML>");
    EXPECT_EQ(ItaList_get(), 0);
    expect_old_table();
    expect_messages({{L"板一覧に板が見つかりません", L"ItaList_get"}});

    reports_.clear();
    server_.put_menu("<A HREF=http://pc.2ch.net/mobile/>m</A>\n");
    EXPECT_EQ(ItaList_get(), 0);
    expect_old_table();
    expect_messages({{L"板一覧に板が見つかりません", L"ItaList_get"}});
}

TEST_F(MenuFetch, HostileMenuCannotNameAPlaceOutsideTheLogRoot)
{
    set_old_table();
    server_.put_menu(utf8_to_sjis("<B>PC等</B>\n"
                                  "<A HREF=http://pc.2ch.net/../x/>up</A>\n"
                                  "<A HREF=http://pc.2ch.net/a\\b/>backslash</A>\n"
                                  "<A HREF=http://pc.2ch.net/../>dots</A>\n"
                                  "<A HREF=http://..2ch.net/x/>host</A>\n"
                                  "<A HREF=http://pc.2ch.net/C:/>drive</A>\n"
                                  "<A HREF=http://pc.2ch.net/mobile/>モバイル</A>\n"));
    EXPECT_EQ(ItaList_get(), 1);
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(board_text(BoardTable.items[0]), L"モバイル|pc.2ch.net|mobile");
    expect_messages({{L"使えない名前の板を5件とばしました", L"ItaList_get"}});

    // Every board the table now holds stays inside the root, in both layouts.
    for (int layout = 0; layout <= 1; ++layout) {
        Settings.UseServerDir = layout;
        for (int32_t i = 0; i < BoardTable.count; ++i)
            EXPECT_EQ(LstSure_get(BoardTable.items[i].host, BoardTable.items[i].dir, false), 1);
    }
    std::vector<std::string> files = tree();
    for (const std::string& f : files) EXPECT_TRUE(f == "work.gz" || f.rfind("log\\", 0) == 0) << f;
    EXPECT_TRUE(file_exists(root_ + "\\mobile\\subject.txt"));
    EXPECT_TRUE(file_exists(root_ + "\\pc.2ch.net\\mobile\\subject.txt"));
}

TEST_F(MenuFetch, FiftyCategoriesFillTheTableAndNoMore)
{
    std::string menu;
    for (int c = 0; c < 55; ++c) {
        menu += "<B>c" + std::to_string(c) + "</B>\n";
        menu += "<A HREF=http://pc.2ch.net/b" + std::to_string(c) + "/>b" + std::to_string(c) + "</A>\n";
    }
    server_.put_menu(menu);
    EXPECT_EQ(ItaList_get(), 1);
    ASSERT_EQ(CategoryTable.lastCategory, kCategoryMax - 1);
    ASSERT_EQ(BoardTable.count, kCategoryMax);
    EXPECT_EQ(category_text(CategoryTable.items[49]), L"c49|49-49");
    EXPECT_EQ(board_text(BoardTable.items[49]), L"b49|pc.2ch.net|b49");
    EXPECT_TRUE(messages().empty());
}
