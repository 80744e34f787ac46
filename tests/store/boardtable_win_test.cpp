#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>

#include "store/boardtable.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

// A program folder of its own for each test, with the tables emptied.
class BoardTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::memcpy(savedDirectory_, Settings.ProgramDirectory, sizeof savedDirectory_);
        ASSERT_LT(dir_.path().size(), sizeof Settings.ProgramDirectory);
        std::strcpy(Settings.ProgramDirectory, dir_.path().c_str());
        if (BoardTable.items) LocalFree(BoardTable.items);
        BoardTable = {};
        std::memset(&CategoryTable, 0, sizeof CategoryTable);
    }
    void TearDown() override
    {
        std::memcpy(Settings.ProgramDirectory, savedDirectory_, sizeof savedDirectory_);
    }

    std::string path(const char* name) const { return dir_.file(name); }
    std::wstring wpath(const char* name) const { return sjis_to_wide(path(name)); }
    // Writes a file from UTF-8 test text, as Shift-JIS.
    void write_sjis(const char* name, const std::string& utf8)
    {
        write_file_bytes(path(name), utf8_to_sjis(utf8));
    }

    TempDir dir_;
    ReportCapture reports_;

private:
    char savedDirectory_[sizeof Settings.ProgramDirectory];
};

std::wstring text(const wchar_t* field) { return std::wstring(field); }

const BoardEntry& board(int i) { return BoardTable.items[i]; }
const Category& category(int i) { return CategoryTable.items[i]; }

void set_text(wchar_t (&dst)[kBoardFieldUnits], const wchar_t* src)
{
    std::wcsncpy(dst, src, kBoardFieldUnits - 1);
    dst[kBoardFieldUnits - 1] = L'\0';
}

// Builds the tables as the board-menu rebuild leaves them: categories from 0.
void rebuild_table(std::initializer_list<std::pair<const wchar_t*, std::initializer_list<
                                                                        const wchar_t*>>> cats)
{
    // As the board-menu fetch puts its table in place.
    replace_board_table(static_cast<BoardEntry*>(LocalAlloc(LPTR, 1024 * sizeof(BoardEntry))), 0, 1024);
    std::memset(&CategoryTable, 0, sizeof CategoryTable);
    CategoryTable.lastCategory = -1;   // as the menu scan starts
    int c = 0;
    for (const auto& cat : cats) {
        Category& cc = CategoryTable.items[c];
        set_text(cc.name, cat.first);
        cc.first = BoardTable.count;
        // Each board: "host dir name" separated by '|'.
        for (const wchar_t* line : cat.second) {
            std::wstring s = line;
            size_t a = s.find(L'|'), b = s.find(L'|', a + 1);
            BoardEntry& e = BoardTable.items[BoardTable.count];
            set_text(e.host, s.substr(0, a).c_str());
            set_text(e.dir, s.substr(a + 1, b - a - 1).c_str());
            set_text(e.name, s.substr(b + 1).c_str());
            e.index = BoardTable.count;
            ++BoardTable.count;
        }
        cc.last = BoardTable.count - 1;
        CategoryTable.lastCategory = c++;
    }
}

const char kFiveLines[] =
    "2\r\n"
    "News\t0\r\n"
    "\tsrv\tnews\tNews board\r\n"
    "Mobile\t0\r\n"
    "\tsrv2\tmobile\tMobile board\r\n";

}  // namespace

using BoardTableLoad = BoardTableTest;
using BoardTableFavorites = BoardTableTest;
using BoardTableSave = BoardTableTest;

// ---- loading "2channel.brd" ------------------------------------------------

TEST_F(BoardTableLoad, FiveLineFileGivesTwoCategoriesAndFavouritesAfterThem)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    write_sjis("favorite.brd", "お気に入りスレ\nモバイル,mobile\n");

    EXPECT_EQ(ItaList_load(), 0);
    EXPECT_TRUE(reports_.messages().empty());

    EXPECT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(text(category(0).name), L"お気に入り");
    EXPECT_EQ(category(0).first, 2);
    EXPECT_EQ(category(0).last, 3);
    EXPECT_EQ(text(category(1).name), L"News");
    EXPECT_EQ(category(1).first, 0);
    EXPECT_EQ(category(1).last, 0);
    EXPECT_EQ(text(category(2).name), L"Mobile");
    EXPECT_EQ(category(2).first, 1);
    EXPECT_EQ(category(2).last, 1);

    ASSERT_EQ(BoardTable.count, 4);
    EXPECT_EQ(BoardTable.capacity, kBoardTableInitialCapacity);
    EXPECT_EQ(text(board(0).host), L"srv");
    EXPECT_EQ(text(board(0).dir), L"news");
    EXPECT_EQ(text(board(0).name), L"News board");
    EXPECT_EQ(board(0).index, 0);
    EXPECT_EQ(text(board(1).host), L"srv2");
    EXPECT_EQ(text(board(1).dir), L"mobile");
    EXPECT_EQ(text(board(1).name), L"Mobile board");
    EXPECT_EQ(board(1).index, 1);

    // The favourite-thread pseudo-board: no host, no directory, no board.
    EXPECT_EQ(text(board(2).name), L"お気に入りスレ");
    EXPECT_EQ(text(board(2).host), L"");
    EXPECT_EQ(text(board(2).dir), L"");
    EXPECT_EQ(board(2).index, kNoBoardIndex);
    // "モバイル,mobile" stands for the board of directory mobile.
    EXPECT_EQ(text(board(3).name), L"モバイル");
    EXPECT_EQ(text(board(3).host), L"srv2");
    EXPECT_EQ(text(board(3).dir), L"mobile");
    EXPECT_EQ(board(3).index, 1);
}

TEST_F(BoardTableLoad, LfOnlyAndShiftJisNamesReadAlike)
{
    write_sjis("2channel.brd",
               "2\nニュース\t0\n\tsrv.example\tnewsplus\tニュース速報\n\n"
               "モバイル\t0\r\n\tsrv2/sub\tmobile\tモバイル板\n");
    write_sjis("favorite.brd", "");
    ItaList_load();
    EXPECT_TRUE(reports_.messages().empty());
    ASSERT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(text(category(1).name), L"ニュース");
    EXPECT_EQ(text(category(2).name), L"モバイル");
    ASSERT_EQ(BoardTable.count, 2);
    EXPECT_EQ(text(board(0).name), L"ニュース速報");
    EXPECT_EQ(text(board(0).host), L"srv.example");
    EXPECT_EQ(text(board(1).host), L"srv2/sub");
    EXPECT_EQ(text(board(1).name), L"モバイル板");
    EXPECT_EQ(category(2).first, 1);
    EXPECT_EQ(category(2).last, 1);
}

TEST_F(BoardTableLoad, TwoFieldBoardLineIsSkippedWithoutWideningItsCategory)
{
    write_file_bytes(path("2channel.brd"),
                     "2\r\nNews\t0\r\n\tsrv\tnews\r\n\tsrv\tnews2\tNews 2\r\nEmpty\t0\r\n"
                     "\tsrv\tonly\r\n");
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    ASSERT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(category(1).first, 0);
    EXPECT_EQ(category(1).last, 0);
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(text(board(0).dir), L"news2");
    // A category whose only board line was malformed has no board.
    EXPECT_EQ(category(2).first, 1);
    EXPECT_EQ(category(2).last, 0);
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(BoardTableLoad, FieldsLongerThanThirtyTwoCharactersAreCutAtACharacter)
{
    std::string longAscii(40, 'a');
    std::string longKana;
    for (int i = 0; i < 40; ++i) longKana += "あ";
    write_sjis("2channel.brd", "2\n" + longKana + "\t0\n\t" + longAscii + "\t" + longAscii +
                                   "\t" + longKana + "\n");
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(text(board(0).host), std::wstring(32, L'a'));
    EXPECT_EQ(text(board(0).dir), std::wstring(32, L'a'));
    EXPECT_EQ(text(board(0).name), std::wstring(32, L'あ'));
    EXPECT_EQ(text(category(1).name), std::wstring(32, L'あ'));
}

TEST_F(BoardTableLoad, OverlongLineIsSkippedWholeAndItsTailIsNoCategory)
{
    std::string longLine = "\tsrv\tnews\t" + std::string(3000, 'x') + "\r\n";
    write_file_bytes(path("2channel.brd"),
                     "2\r\nNews\t0\r\n" + longLine + "\tsrv\tnews2\tNews 2\r\n");
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    EXPECT_EQ(CategoryTable.lastCategory, 1);
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(text(board(0).dir), L"news2");
    EXPECT_EQ(category(1).first, 0);
    EXPECT_EQ(category(1).last, 0);
}

TEST_F(BoardTableLoad, ArrayGrowsByTenPastItsFirstThousandTwentyFour)
{
    std::string file = "2\r\nMany\t0\r\n";
    for (int i = 0; i < 1100; ++i)
        file += "\tsrv\tdir" + std::to_string(i) + "\tBoard " + std::to_string(i) + "\r\n";
    write_file_bytes(path("2channel.brd"), file);
    write_file_bytes(path("favorite.brd"), "X,dir1099\r\n");
    ItaList_load();
    EXPECT_TRUE(reports_.messages().empty());
    ASSERT_EQ(BoardTable.count, 1101);
    EXPECT_EQ(BoardTable.capacity, 1104);
    EXPECT_EQ(category(1).last, 1099);
    EXPECT_EQ(text(board(1099).name), L"Board 1099");
    EXPECT_EQ(board(1099).index, 1099);
    EXPECT_EQ(board(1100).index, 1099);
    EXPECT_EQ(category(0).first, 1100);
    EXPECT_EQ(category(0).last, 1100);
}

TEST_F(BoardTableLoad, FiftiethCategoryAndItsBoardsAreIgnored)
{
    std::string file = "2\r\n";
    for (int c = 1; c <= 60; ++c)
        file += "Cat" + std::to_string(c) + "\t0\r\n\tsrv\td" + std::to_string(c) + "\tB" +
                std::to_string(c) + "\r\n";
    write_file_bytes(path("2channel.brd"), file);
    write_file_bytes(path("favorite.brd"), "F,d55\r\nG,d49\r\n");
    ItaList_load();
    EXPECT_TRUE(reports_.messages().empty());
    EXPECT_EQ(CategoryTable.lastCategory, kCategoryMax - 1);
    EXPECT_EQ(text(category(49).name), L"Cat49");
    EXPECT_EQ(category(49).first, 48);
    EXPECT_EQ(category(49).last, 48);
    // Only the 49 boards of the categories kept; then the favourites.
    ASSERT_EQ(BoardTable.count, 51);
    EXPECT_EQ(text(board(48).dir), L"d49");
    EXPECT_EQ(text(board(49).name), L"F");
    EXPECT_EQ(board(49).index, kNoBoardIndex);   // d55 was not loaded
    EXPECT_EQ(text(board(50).name), L"G");
    EXPECT_EQ(board(50).index, 48);
    EXPECT_EQ(category(0).first, 49);
    EXPECT_EQ(category(0).last, 50);
}

TEST_F(BoardTableLoad, MissingFileIsReportedAndTheTablesStay)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    ASSERT_EQ(BoardTable.count, 2);
    std::filesystem::remove(path("2channel.brd"));
    write_file_bytes(path("favorite.brd"), "X,news\r\n");
    reports_.clear();

    EXPECT_EQ(ItaList_load(), 0);
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, wpath("2channel.brd") + L"オープンに失敗");
    EXPECT_EQ(reports_.messages()[0].caption, L"ItaList_load");
    EXPECT_EQ(reports_.messages()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(BoardTable.count, 2);
    EXPECT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(text(board(1).dir), L"mobile");
}

TEST_F(BoardTableLoad, MissingFavouritesFileLeavesCategoryZeroEmpty)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    ItaList_load();
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text,
              wpath("favorite.brd") + L"お気に入り板ファイルオープン失敗");
    EXPECT_EQ(reports_.messages()[0].caption, L"favorite_ita_load");
    EXPECT_EQ(BoardTable.count, 2);
    EXPECT_EQ(text(category(0).name), L"お気に入り");
    EXPECT_EQ(category(0).first, -1);
    EXPECT_EQ(category(0).last, -1);
    EXPECT_EQ(favorite_ita_load(), 0);
}

// ---- favourite boards -------------------------------------------------------

TEST_F(BoardTableFavorites, EmptyFileLeavesAnEmptyRangeAtTheEnd)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    EXPECT_TRUE(reports_.messages().empty());
    EXPECT_EQ(BoardTable.count, 2);
    EXPECT_EQ(category(0).first, 2);
    EXPECT_EQ(category(0).last, 1);
}

// The boards are examined one at a time, each on its name and then on its
// directory; the first board that matches either way wins.
TEST_F(BoardTableFavorites, EachBoardTriedByNameThenDirectoryAndTheFirstMatchWins)
{
    write_file_bytes(path("2channel.brd"),
                     "2\r\nA\t0\r\n\tsrv1\tmobile\tPhones\r\n\tsrv2\tnews\tNews\r\n"
                     "\tsrv3\tother\tMobile\r\n");
    write_file_bytes(path("favorite.brd"),
                     "Renamed,news\r\n"      // by directory
                     "Mobile,mobile\r\n"     // directory of board 0 comes before the name of board 2
                     "Gone,nowhere\r\n"      // no board
                     "Mobile\r\n"            // name alone
                     "News,other\r\n");      // name of board 1 comes before the directory of board 2
    ItaList_load();
    ASSERT_EQ(BoardTable.count, 8);
    EXPECT_EQ(text(board(3).name), L"Renamed");
    EXPECT_EQ(text(board(3).host), L"srv2");
    EXPECT_EQ(text(board(3).dir), L"news");
    EXPECT_EQ(board(3).index, 1);

    EXPECT_EQ(text(board(4).name), L"Mobile");
    EXPECT_EQ(text(board(4).host), L"srv1");
    EXPECT_EQ(text(board(4).dir), L"mobile");
    EXPECT_EQ(board(4).index, 0);

    EXPECT_EQ(text(board(5).name), L"Gone");
    EXPECT_EQ(text(board(5).host), L"");
    EXPECT_EQ(text(board(5).dir), L"nowhere");
    EXPECT_EQ(board(5).index, kNoBoardIndex);

    EXPECT_EQ(text(board(6).host), L"srv3");
    EXPECT_EQ(text(board(6).dir), L"other");
    EXPECT_EQ(board(6).index, 2);

    EXPECT_EQ(text(board(7).host), L"srv2");
    EXPECT_EQ(text(board(7).dir), L"news");
    EXPECT_EQ(board(7).index, 1);
    EXPECT_EQ(category(0).first, 3);
    EXPECT_EQ(category(0).last, 7);
}

TEST_F(BoardTableFavorites, LinesWithoutANameAreSkipped)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    write_file_bytes(path("favorite.brd"), "\r\n,,\r\n\t\r\nX,news\r\n");
    ItaList_load();
    ASSERT_EQ(BoardTable.count, 3);
    EXPECT_EQ(category(0).first, 2);
    EXPECT_EQ(category(0).last, 2);
}

TEST_F(BoardTableFavorites, LaterLoadReplacesTheEarlierFavourites)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    write_sjis("favorite.brd", "お気に入りスレ\nモバイル,mobile\n");
    ItaList_load();
    ASSERT_EQ(BoardTable.count, 4);

    write_sjis("favorite.brd", "お気に入りスレ\nモバイル,mobile\nNews,news\n");
    EXPECT_EQ(favorite_ita_load(), 1);
    ASSERT_EQ(BoardTable.count, 5);
    EXPECT_EQ(category(0).first, 2);
    EXPECT_EQ(category(0).last, 4);
    EXPECT_EQ(text(board(4).name), L"News");
    EXPECT_EQ(board(4).index, 0);

    // Shorter again: the range shrinks with it, the ordinary boards stay.
    write_sjis("favorite.brd", "News,news\n");
    EXPECT_EQ(favorite_ita_load(), 1);
    ASSERT_EQ(BoardTable.count, 3);
    EXPECT_EQ(category(0).first, 2);
    EXPECT_EQ(category(0).last, 2);
    EXPECT_EQ(text(board(2).name), L"News");
    EXPECT_EQ(text(board(1).name), L"Mobile board");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(BoardTableFavorites, LoadWithoutABoardFileStillHoldsTheFavourites)
{
    write_file_bytes(path("favorite.brd"), "X,news\r\n");
    EXPECT_EQ(favorite_ita_load(), 1);
    ASSERT_NE(BoardTable.items, nullptr);
    ASSERT_EQ(BoardTable.count, 1);
    EXPECT_EQ(board(0).index, kNoBoardIndex);
    EXPECT_EQ(category(0).first, 0);
    EXPECT_EQ(category(0).last, 0);
}

// ---- writing "2channel.brd" -------------------------------------------------

TEST_F(BoardTableSave, WritesEveryCategoryAndBoardByteForByte)
{
    rebuild_table({{L"ニュース", {L"srv|news|ニュース速報", L"srv2/sub|bizplus|ビジネス"}},
                   {L"Mobile", {L"srv3|mobile|モバイル"}}});
    EXPECT_EQ(ItaList_save(), 1);
    EXPECT_TRUE(reports_.messages().empty());
    EXPECT_EQ(read_file_bytes(path("2channel.brd")),
              utf8_to_sjis("2\r\nニュース\t0\r\n\tsrv\tnews\tニュース速報\r\n"
                           "\tsrv2/sub\tbizplus\tビジネス\r\nMobile\t0\r\n"
                           "\tsrv3\tmobile\tモバイル\r\n"));
    EXPECT_FALSE(file_exists(path("2channel.brd.new")));
}

TEST_F(BoardTableSave, SameNamedNeighbourCategoriesMergeIntoOne)
{
    rebuild_table({{L"News", {L"s|a|A"}}, {L"News", {L"s|b|B"}}, {L"Other", {L"s|c|C"}}});
    EXPECT_EQ(ItaList_save(), 1);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")),
              "2\r\nNews\t0\r\n\ts\ta\tA\r\n\ts\tb\tB\r\nOther\t0\r\n\ts\tc\tC\r\n");
}

TEST_F(BoardTableSave, WrittenTableLoadsBackAsCategoriesFromOne)
{
    rebuild_table({{L"ニュース", {L"srv|news|ニュース速報"}}, {L"Mobile", {L"srv3|mobile|モバイル"}}});
    ASSERT_EQ(ItaList_save(), 1);
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    ASSERT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(text(category(1).name), L"ニュース");
    EXPECT_EQ(text(category(2).name), L"Mobile");
    ASSERT_EQ(BoardTable.count, 2);
    EXPECT_EQ(text(board(0).name), L"ニュース速報");
    EXPECT_EQ(text(board(1).host), L"srv3");
}

// A board served over https keeps its scheme in a fourth field through a save
// and a load; its favourite takes the scheme with the board it stands for.
TEST_F(BoardTableSave, SecureBoardKeepsItsSchemeAndItsFavourite)
{
    rebuild_table({{L"Mobile", {L"pc.2ch.net|mobile|モバイル", L"pc.2ch.net|pc|PC"}}});
    BoardTable.items[0].secure = true;
    ASSERT_EQ(ItaList_save(), 1);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")),
              utf8_to_sjis("2\r\nMobile\t0\r\n\tpc.2ch.net\tmobile\tモバイル\thttps\r\n\tpc.2ch.net\tpc\tPC\r\n"));
    write_sjis("favorite.brd", "モバイル,mobile\n");
    ItaList_load();
    ASSERT_EQ(BoardTable.count, 3);
    EXPECT_TRUE(board(0).secure);
    EXPECT_EQ(text(board(0).host), L"pc.2ch.net");
    EXPECT_EQ(text(board(0).dir), L"mobile");
    EXPECT_EQ(text(board(0).name), L"モバイル");
    EXPECT_FALSE(board(1).secure);
    EXPECT_EQ(board(2).index, 0);
    EXPECT_TRUE(board(2).secure);
}

TEST_F(BoardTableSave, NoCategoryWritesNothingAndTheOldFileStays)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    rebuild_table({});
    EXPECT_EQ(ItaList_save(), 1);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")), kFiveLines);
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(BoardTableSave, AMenuOfOneCategoryIsWrittenAndLoadsBack)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    rebuild_table({{L"News", {L"s|a|A"}}});
    EXPECT_EQ(ItaList_save(), 1);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")), "2\r\nNews\t0\r\n\ts\ta\tA\r\n");
    write_file_bytes(path("favorite.brd"), "");
    ItaList_load();
    ASSERT_EQ(CategoryTable.lastCategory, 1);
    EXPECT_EQ(text(category(1).name), L"News");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(BoardTableSave, FailedRewriteIsReportedAndKeepsTheOldFile)
{
    write_file_bytes(path("2channel.brd"), kFiveLines);
    std::filesystem::create_directory(path("2channel.brd.new"));
    rebuild_table({{L"News", {L"s|a|A"}}, {L"Other", {L"s|c|C"}}});
    EXPECT_EQ(ItaList_save(), 0);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")), kFiveLines);
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, wpath("2channel.brd") + L"オープンに失敗");
    EXPECT_EQ(reports_.messages()[0].caption, L"ItaList_save");
}

// The first rebuild, when the file cannot be written: nothing to read back,
// yet the favourites come first as after every load, and the menu's
// categories follow them.
TEST_F(BoardTableSave, UnwrittenFirstTableStillGetsTheFavouritesFirst)
{
    std::filesystem::create_directory(path("2channel.brd.new"));
    write_file_bytes(path("favorite.brd"), "Fav,news\r\n");
    rebuild_table({{L"News", {L"s|a|A", L"s|news|N"}}, {L"Other", {L"s|c|C"}}});
    EXPECT_EQ(ItaList_save(), 0);
    ItaList_load();
    EXPECT_FALSE(std::filesystem::exists(path("2channel.brd")));
    ASSERT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(text(category(0).name), L"お気に入り");
    EXPECT_EQ(text(category(1).name), L"News");
    EXPECT_EQ(category(1).first, 0);
    EXPECT_EQ(category(1).last, 1);
    EXPECT_EQ(text(category(2).name), L"Other");
    ASSERT_EQ(BoardTable.count, 4);
    EXPECT_EQ(category(0).first, 3);
    EXPECT_EQ(category(0).last, 3);
    EXPECT_EQ(board(3).index, 1);
    // The reasons were said: the write and the read.
    ASSERT_EQ(reports_.messages().size(), 2u);
    EXPECT_EQ(reports_.messages()[1].caption, L"ItaList_load");

    // A load that fails later leaves a loaded table as it was.
    reports_.clear();
    ItaList_load();
    EXPECT_EQ(CategoryTable.lastCategory, 2);
    EXPECT_EQ(BoardTable.count, 4);
}

TEST_F(BoardTableSave, BoardsThatWouldNotReadBackAreLeftOut)
{
    rebuild_table({{L"News", {L"s|a|A", L"s||Nodir", L"s|b|Tab\there", L"s|c|C"}},
                   {L"", {L"s|d|D"}},          // no name: joins News
                   {L"12", {L"s|e|E"}},        // would read as a heading
                   {L"Last\tpart", {L"s|f|F"}}});
    EXPECT_EQ(ItaList_save(), 1);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")),
              "2\r\nNews\t0\r\n\ts\ta\tA\r\n\ts\tc\tC\r\n\ts\td\tD\r\n\ts\te\tE\r\n"
              "Last\t0\r\n\ts\tf\tF\r\n");
}

TEST_F(BoardTableSave, RangesOutsideTheTableAreBounded)
{
    rebuild_table({{L"News", {L"s|a|A"}}, {L"Other", {L"s|c|C"}}});
    CategoryTable.items[1].last = 500;
    CategoryTable.items[0].first = -7;
    EXPECT_EQ(ItaList_save(), 1);
    EXPECT_EQ(read_file_bytes(path("2channel.brd")),
              "2\r\nNews\t0\r\n\ts\ta\tA\r\nOther\t0\r\n\ts\tc\tC\r\n");
}
