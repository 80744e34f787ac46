#include "net/boardmenu.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"

namespace {

const MenuLinkFilter kDefaults = default_menu_link_filter();

std::unique_ptr<BoardMenu> scan(const std::string& page, const MenuLinkFilter& filter = kDefaults)
{
    auto m = std::make_unique<BoardMenu>();
    scan_board_menu(page.data(), page.size(), filter, m.get());
    return m;
}

std::string board_text(const MenuBoard& b)
{
    return std::string(b.host) + "|" + b.dir + "|" + b.name;
}

}  // namespace

TEST(BoardMenuScan, HeadingWithTwoLinksMakesOneCategory)
{
    auto m = scan(
        "<HTML><BR><B>PC等</B><BR>\n"
        "<A HREF=http://pc.2ch.net/mobile/>モバイル</A><br>\n"
        "<A HREF=http://pc.2ch.net/pc/ TARGET=_blank>PC</A><br>\n");
    EXPECT_EQ(m->stop, MenuStop::None);
    ASSERT_EQ(m->lastCategory, 0);
    EXPECT_STREQ(m->categories[0].name, "PC等");
    EXPECT_EQ(m->categories[0].first, 0);
    EXPECT_EQ(m->categories[0].last, 1);
    ASSERT_EQ(m->boards.size(), 2u);
    EXPECT_EQ(board_text(m->boards[0]), "pc.2ch.net|mobile|モバイル");
    EXPECT_EQ(board_text(m->boards[1]), "pc.2ch.net|pc|PC");
}

// A board that moved to https is the same board: same host and directory,
// only its scheme is kept beside them.
TEST(BoardMenuScan, LinkSchemeIsKeptWithTheBoard)
{
    auto m = scan(
        "<B>PC</B><BR>\n"
        "<A HREF=https://pc.2ch.net/mobile/>モバイル</A><br>\n"
        "<A HREF=http://pc.2ch.net/pc/>PC</A><br>\n"
        "<A HREF=HTTPS://pc.2ch.net/news/>News</A><br>\n");
    ASSERT_EQ(m->boards.size(), 3u);
    EXPECT_EQ(board_text(m->boards[0]), "pc.2ch.net|mobile|モバイル");
    EXPECT_TRUE(m->boards[0].secure);
    EXPECT_FALSE(m->boards[1].secure);
    EXPECT_TRUE(m->boards[2].secure);
}

TEST(BoardMenuScan, EmptyHeadingGivesItsSlotToTheNext)
{
    auto m = scan(
        "<B>Empty</B><br><b>News</b>\n"
        "<A HREF=http://news.2ch.net/news/>ニュース</A>\n"
        "<B>Last</B><br>");
    ASSERT_EQ(m->lastCategory, 0);
    EXPECT_STREQ(m->categories[0].name, "News");
    EXPECT_EQ(m->categories[0].first, 0);
    EXPECT_EQ(m->categories[0].last, 0);
    EXPECT_EQ(m->stop, MenuStop::None);
}

TEST(BoardMenuScan, CategoriesFollowOneAnother)
{
    auto m = scan(
        "<B>A</B><A HREF=http://a.2ch.net/x/>X</A><A HREF=http://a.2ch.net/y/>Y</A>"
        "<B>B</B><A HREF=http://b.bbspink.com/z/>Z</A>");
    ASSERT_EQ(m->lastCategory, 1);
    EXPECT_EQ(m->categories[0].first, 0);
    EXPECT_EQ(m->categories[0].last, 1);
    EXPECT_STREQ(m->categories[1].name, "B");
    EXPECT_EQ(m->categories[1].first, 2);
    EXPECT_EQ(m->categories[1].last, 2);
}

TEST(BoardMenuScan, DeeperLinkJoinsServerAndSub)
{
    auto m = scan("<B>地域</B><A HREF=http://www.machi.to/tawara/kanto/>関東</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(board_text(m->boards[0]), "www.machi.to/tawara|kanto|関東");
}

TEST(BoardMenuScan, FileNameAfterBoardIsIgnored)
{
    auto m = scan("<B>c</B><A HREF=http://srv.2ch.net/board/index.html>Board</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(board_text(m->boards[0]), "srv.2ch.net|board|Board");
}

TEST(BoardMenuScan, LinkWithoutBoardDirectoryIsSkipped)
{
    auto m = scan(
        "<B>c</B><A HREF=http://srv.2ch.net/ TARGET=_blank>Top</A>"
        "<A HREF=http://srv.2ch.net>Bare</A>"
        "<A HREF=http:>None</A>"
        "<A HREF=http://srv.2ch.net/ok/>OK</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(board_text(m->boards[0]), "srv.2ch.net|ok|OK");
    EXPECT_EQ(m->refused, 0u);
}

TEST(BoardMenuScan, LowerCaseAttributeIsNotALink)
{
    auto m = scan("<B>c</B><a href=http://srv.2ch.net/b/>b</a>");
    EXPECT_TRUE(m->boards.empty());
    EXPECT_EQ(m->lastCategory, -1);
}

TEST(BoardMenuScan, HostFilterKeepsServiceHostsOnly)
{
    EXPECT_TRUE(menu_link_accepted("http://pc.2ch.net/mobile/", kDefaults));
    EXPECT_TRUE(menu_link_accepted("http://pie.bbspink.com/adult/", kDefaults));
    EXPECT_TRUE(menu_link_accepted("http://www.machi.to/tawara/", kDefaults));
    EXPECT_FALSE(menu_link_accepted("http://www.2ch.net/guide/", kDefaults));
    EXPECT_FALSE(menu_link_accepted("http://irc.2ch.net/chat/", kDefaults));
    EXPECT_FALSE(menu_link_accepted("http://example.com/b/", kDefaults));
    EXPECT_FALSE(menu_link_accepted("http://PC.2CH.NET/b/", kDefaults));
    auto m = scan(
        "<B>c</B>"
        "<A HREF=http://www.2ch.net/guide/>Guide</A>"
        "<A HREF=http://irc.2ch.net/chat/>Chat</A>"
        "<A HREF=http://example.com/x/>Out</A>"
        "<A HREF=http://pc.2ch.net/in/>In</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(board_text(m->boards[0]), "pc.2ch.net|in|In");
}

TEST(BoardMenuScan, LinksBeforeFirstHeadingBelongToNoCategory)
{
    auto m = scan("<A HREF=http://pc.2ch.net/a/>A</A><B>c</B><A HREF=http://pc.2ch.net/b/>B</A>");
    ASSERT_EQ(m->boards.size(), 2u);
    ASSERT_EQ(m->lastCategory, 0);
    EXPECT_EQ(m->categories[0].first, 1);
    EXPECT_EQ(m->categories[0].last, 1);
}

TEST(BoardMenuScan, PageEndingInsideTagKeepsWhatWasFound)
{
    auto m = scan("<B>c</B><A HREF=http://pc.2ch.net/a/>A</A><A HREF=http://pc.2ch.net/b/");
    EXPECT_EQ(m->stop, MenuStop::EndInsideTag);
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(m->categories[0].last, 0);

    m = scan("<B>c</B><A HREF=http://pc.2ch.net/a/>A without end");
    EXPECT_EQ(m->stop, MenuStop::EndInsideTag);
    EXPECT_TRUE(m->boards.empty());
    EXPECT_EQ(m->lastCategory, -1);   // the heading without boards is dropped

    m = scan("<A HREF=http://pc.2ch.net/a/>A</A><B>unfinished");
    EXPECT_EQ(m->stop, MenuStop::EndInsideTag);
    EXPECT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(m->lastCategory, -1);

    for (const char* tail : {"<", "<B", "<B>", "F", "F=", "F=x"}) {
        m = scan(tail);
        EXPECT_TRUE(m->boards.empty()) << tail;
        EXPECT_EQ(m->lastCategory, -1) << tail;
    }
    m = scan("");
    EXPECT_EQ(m->stop, MenuStop::None);
    BoardMenu empty;
    scan_board_menu(nullptr, 0, kDefaults, &empty);
    EXPECT_TRUE(empty.boards.empty());
}

TEST(BoardMenuScan, LongTextsAreCutAtCharacterBoundary)
{
    // 20 double-byte characters (40 bytes): 17 fit in 35 bytes.
    std::string longName;
    for (int i = 0; i < 20; ++i) longName += "\x83\x41";   // "ア"
    auto m = scan("<B>" + longName + "</B><A HREF=http://pc.2ch.net/b/>x" + longName + "</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(std::string(m->categories[0].name), longName.substr(0, 34));
    // "x" and 17 characters make 35 bytes.
    EXPECT_EQ(std::string(m->boards[0].name), "x" + longName.substr(0, 34));
    std::string ascii(50, 'n');
    m = scan("<B>" + ascii + "<A HREF=http://pc.2ch.net/b/>" + ascii + "</A>");
    EXPECT_EQ(std::string(m->categories[0].name), ascii.substr(0, 35));
    EXPECT_EQ(std::string(m->boards[0].name), ascii.substr(0, 35));
}

TEST(BoardMenuScan, OverlongHostOrDirectoryIsRefusedNotCut)
{
    std::string host = std::string(30, 'h') + ".2ch.net";   // 38 bytes
    auto m = scan("<B>c</B><A HREF=http://" + host + "/b/>B</A><A HREF=http://pc.2ch.net/" +
                  std::string(33, 'd') + "/>D</A><A HREF=http://pc.2ch.net/" + std::string(32, 'd') +
                  "/>E</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(std::string(m->boards[0].dir), std::string(32, 'd'));
    EXPECT_EQ(m->refused, 2u);
    // Joined server and sub must fit as a whole too.
    m = scan("<B>c</B><A HREF=http://" + std::string(20, 's') + ".machi.to/" + std::string(10, 'u') + "/b/>B</A>");
    EXPECT_TRUE(m->boards.empty());
    EXPECT_EQ(m->refused, 1u);
}

TEST(BoardMenuScan, HostileNamesNeverBecomeBoards)
{
    auto m = scan(
        "<B>c</B>"
        "<A HREF=http://pc.2ch.net/..>dots</A>"
        "<A HREF=http://../..2ch.net>up</A>"
        "<A HREF=http://pc.2ch.net/a\\..\\..\\windows/>bs</A>"
        "<A HREF=http://pc.2ch.net/C:/>drive</A>"
        "<A HREF=http://pc.2ch.net/CON/>device</A>"
        "<A HREF=http://pc.2ch.net/a|b/>pipe</A>"
        "<A HREF=http://pc.2ch.net/a\tb/>tab</A>"
        "<A HREF=http://pc.2ch.net/" + std::string("a\0b", 3) + "/>nul</A>"
        "<A HREF=\"http://pc.2ch.net/q/\">quoted</A>"
        "<A HREF=http://pc.2ch.net/ok/>ok</A>");
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(board_text(m->boards[0]), "pc.2ch.net|ok|ok");
    EXPECT_GE(m->refused, 8u);
}

TEST(BoardMenuScan, FiftyFirstHeadingStopsTheScan)
{
    std::string page;
    for (int i = 0; i < kCategoryMax + 1; ++i) {
        page += "<B>c" + std::to_string(i) + "</B><A HREF=http://pc.2ch.net/b" + std::to_string(i) + "/>n</A>";
    }
    auto m = scan(page);
    EXPECT_EQ(m->stop, MenuStop::TooManyCategories);
    EXPECT_EQ(m->lastCategory, kCategoryMax - 1);
    EXPECT_EQ(m->boards.size(), static_cast<size_t>(kCategoryMax));
    EXPECT_EQ(m->categories[kCategoryMax - 1].first, kCategoryMax - 1);
    EXPECT_EQ(m->categories[kCategoryMax - 1].last, kCategoryMax - 1);
    // Empty headings reuse their slot, so many of them in a row cost one.
    std::string empties;
    for (int i = 0; i < 200; ++i) empties += "<b>e</b>";
    m = scan(empties + "<B>real</B><A HREF=http://pc.2ch.net/b/>n</A>");
    EXPECT_EQ(m->stop, MenuStop::None);
    ASSERT_EQ(m->lastCategory, 0);
    EXPECT_STREQ(m->categories[0].name, "real");
}

TEST(BoardMenuScan, BoardCountIsBounded)
{
    std::string page = "<B>c</B>";
    for (size_t i = 0; i < kMenuBoardMax + 5; ++i) page += "<A HREF=http://pc.2ch.net/b/>n</A>";
    auto m = scan(page);
    EXPECT_EQ(m->stop, MenuStop::TooManyBoards);
    EXPECT_EQ(m->boards.size(), kMenuBoardMax);
    EXPECT_EQ(m->categories[0].last, static_cast<int32_t>(kMenuBoardMax) - 1);
}

TEST(BoardMenuScan, RescanResetsTheRecord)
{
    BoardMenu m;
    std::string a = "<B>c</B><A HREF=http://pc.2ch.net/b/>n</A>";
    scan_board_menu(a.data(), a.size(), kDefaults, &m);
    ASSERT_EQ(m.boards.size(), 1u);
    scan_board_menu("x", 1, kDefaults, &m);
    EXPECT_TRUE(m.boards.empty());
    EXPECT_EQ(m.lastCategory, -1);
    EXPECT_EQ(m.categories[0].name[0], '\0');
}

TEST(BoardMenuScan, RealShapedPage)
{
    std::string page = read_file_bytes(std::string(QUORVEX_SOURCE_DIR) + "/fuzz/corpus/boardmenu/bbsmenu.html");
    ASSERT_FALSE(page.empty());
    auto m = scan(page);
    EXPECT_EQ(m->stop, MenuStop::None);
    // The portal and chat links are dropped, and so are the outside link and
    // the links without a board directory; "チャット" receives nothing and
    // gives its slot to the next heading.
    ASSERT_EQ(m->boards.size(), 6u);
    EXPECT_EQ(std::string(m->boards[0].host) + "|" + m->boards[0].dir, "headline.2ch.net|bbynamazu");
    EXPECT_EQ(std::string(m->boards[1].host) + "|" + m->boards[1].dir, "live.2ch.net|eq");
    EXPECT_EQ(board_text(m->boards[3]), "pc.2ch.net|pc|PC");
    EXPECT_EQ(std::string(m->boards[4].host) + "|" + m->boards[4].dir, "www.machi.to/tawara|kanto");
    EXPECT_EQ(std::string(m->boards[5].host) + "|" + m->boards[5].dir, "pie.bbspink.com|adult");
    ASSERT_EQ(m->lastCategory, 3);
    const int32_t ranges[4][2] = {{0, 1}, {2, 3}, {4, 4}, {5, 5}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m->categories[i].first, ranges[i][0]) << i;
        EXPECT_EQ(m->categories[i].last, ranges[i][1]) << i;
    }
    EXPECT_STREQ(m->categories[1].name, "PC\x93\x99");   // "PC等" in Shift-JIS
}

// The filter of a site on other hosts, from the link-filter file.
TEST(MenuLinkFilterFile, PatternsOneALineWithRejectedOnesAfterABang)
{
    MenuLinkFilter f;
    ASSERT_TRUE(parse_menu_link_filter("example.net\r\n  \r\n!www.example.net \n\tboards.example.org\n!\n", &f));
    EXPECT_EQ(f.accepted, (std::vector<std::string>{"example.net", "boards.example.org"}));
    EXPECT_EQ(f.rejected, (std::vector<std::string>{"www.example.net"}));
    EXPECT_TRUE(menu_link_accepted("http://pc.example.net/b/", f));
    EXPECT_FALSE(menu_link_accepted("http://www.example.net/guide/", f));
    EXPECT_FALSE(menu_link_accepted("http://pc.2ch.net/mobile/", f));
    auto m = scan("<B>c</B><A HREF=http://pc.example.net/b/>B</A><A HREF=http://pc.2ch.net/mobile/>M</A>", f);
    ASSERT_EQ(m->boards.size(), 1u);
    EXPECT_EQ(board_text(m->boards[0]), "pc.example.net|b|B");
}

TEST(MenuLinkFilterFile, NoAcceptedPatternOrAnOversizedFileIsNoFilter)
{
    MenuLinkFilter f = kDefaults;
    for (const std::string& text : {std::string(), std::string("\r\n\n"), std::string("!www.2ch.net\n"),
                                    std::string(kLinkFilterBytesMax + 1, 'x')}) {
        EXPECT_FALSE(parse_menu_link_filter(text, &f)) << text.size();
        EXPECT_EQ(f.accepted, kDefaults.accepted);
        EXPECT_EQ(f.rejected, kDefaults.rejected);
    }
}

TEST(MenuLinkFilterFile, DefaultsAreTheServicesFivePatterns)
{
    EXPECT_EQ(kDefaults.accepted, (std::vector<std::string>{"2ch.net", "bbspink.com", "machi.to"}));
    EXPECT_EQ(kDefaults.rejected, (std::vector<std::string>{"www.2ch.net", "irc.2ch.net"}));
}
