#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>

#include "store/boardtable.h"
#include "store/favorites.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

// The default contents, byte for byte in Shift-JIS.
// "お気に入りスレ\n" "モバイル,mobile\n"
const std::string kDefaultBrd =
    "\x82\xa8\x8b\x43\x82\xc9\x93\xfc\x82\xe8\x83\x58\x83\x8c\x0a"
    "\x83\x82\x83\x6f\x83\x43\x83\x8b,mobile\x0a";
// "mobile<>1065069078.dat<>春は来る？CE用2chブラウザ「Velmo」Part10\n"
const std::string kDefaultTxt =
    "mobile<>1065069078.dat<>"
    "\x8f\x74\x82\xcd\x97\x88\x82\xe9\x81\x48" "CE" "\x97\x70" "2ch"
    "\x83\x75\x83\x89\x83\x45\x83\x55\x81\x75" "Velmo" "\x81\x76" "Part10\x0a";

class FavoritesTest : public testing::Test {
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
    std::string brd() const { return read_file_bytes(path("favorite.brd")); }
    std::string txt() const { return read_file_bytes(path("favorite.txt")); }

    // Two ordinary boards and the favourites, as at start.
    void load_table()
    {
        write_file_bytes(path("2channel.brd"),
                         "2\r\nNews\t0\r\n\tsrv\tnews\tNews board\r\nMobile\t0\r\n"
                         "\tsrv2\tmobile\tMobile board\r\n");
        ItaList_load();
    }

    TempDir dir_;
    ReportCapture reports_;

private:
    char savedDirectory_[sizeof Settings.ProgramDirectory];
};

BoardEntry make_board(const wchar_t* name, const wchar_t* host, const wchar_t* dir, int index)
{
    BoardEntry b = {};
    std::wcsncpy(b.name, name, kBoardFieldUnits - 1);
    std::wcsncpy(b.host, host, kBoardFieldUnits - 1);
    std::wcsncpy(b.dir, dir, kBoardFieldUnits - 1);
    b.index = index;
    return b;
}

std::wstring text(const wchar_t* field) { return std::wstring(field); }

}  // namespace

using FavoritesCreate = FavoritesTest;
using FavoriteBoardAdd = FavoritesTest;
using FavoriteThreadAdd = FavoritesTest;
using FavoriteThreadRemove = FavoritesTest;

// ---- first start ------------------------------------------------------------

TEST_F(FavoritesCreate, FirstStartWritesTheDefaultsWithLfEnds)
{
    EXPECT_EQ(favorite_ita_create(), 1);
    EXPECT_EQ(favorite_sure_create(), 1);
    EXPECT_EQ(brd(), kDefaultBrd);
    EXPECT_EQ(txt(), kDefaultTxt);
    EXPECT_FALSE(file_exists(path("favorite.brd.new")));
    EXPECT_FALSE(file_exists(path("favorite.txt.new")));
    EXPECT_TRUE(reports_.messages().empty());

    // The favourites category then shows the two defaults.
    load_table();
    EXPECT_TRUE(reports_.messages().empty());
    ASSERT_EQ(BoardTable.count, 4);
    EXPECT_EQ(CategoryTable.items[0].first, 2);
    EXPECT_EQ(CategoryTable.items[0].last, 3);
    EXPECT_EQ(text(BoardTable.items[2].name), L"お気に入りスレ");
    EXPECT_EQ(text(BoardTable.items[3].name), L"モバイル");
    EXPECT_EQ(BoardTable.items[3].index, 1);
}

TEST_F(FavoritesCreate, SecondStartTouchesNothing)
{
    write_file_bytes(path("favorite.brd"), "Mine,news\r\n");
    write_file_bytes(path("favorite.txt"), "");
    EXPECT_EQ(favorite_ita_create(), 1);
    EXPECT_EQ(favorite_sure_create(), 1);
    EXPECT_EQ(brd(), "Mine,news\r\n");
    EXPECT_EQ(txt(), "");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(FavoritesCreate, FileThatCannotBeCreatedIsReported)
{
    std::filesystem::create_directory(path("favorite.brd.new"));
    std::filesystem::create_directory(path("favorite.txt.new"));
    EXPECT_EQ(favorite_ita_create(), 0);
    EXPECT_EQ(favorite_sure_create(), 0);
    EXPECT_FALSE(file_exists(path("favorite.brd")));
    EXPECT_FALSE(file_exists(path("favorite.txt")));
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, wpath("favorite.brd") + L"お気に入り板ファイル作成失敗");
    EXPECT_EQ(messages[0].caption, L"favorite_ita_load");
    EXPECT_EQ(messages[1].text, wpath("favorite.txt") + L"お気に入りスレファイル作成失敗");
    EXPECT_EQ(messages[1].caption, L"favorite_sure_create");
}

TEST_F(FavoritesCreate, PathThereButUnreadableIsNeverReplaced)
{
    std::filesystem::create_directory(path("favorite.txt"));
    EXPECT_EQ(favorite_sure_create(), 1);
    EXPECT_TRUE(std::filesystem::is_directory(path("favorite.txt")));
    EXPECT_TRUE(reports_.messages().empty());
}

// ---- adding a board ---------------------------------------------------------

TEST_F(FavoriteBoardAdd, SameBoardTwiceAddsOneLine)
{
    write_file_bytes(path("favorite.brd"), kDefaultBrd);
    load_table();
    BoardEntry news = make_board(L"News board", L"srv", L"news", 0);
    EXPECT_EQ(favorite_ita_add(news), 1);
    EXPECT_EQ(favorite_ita_add(news), 1);
    EXPECT_EQ(brd(), kDefaultBrd + "News board,news\r\n");
    EXPECT_TRUE(reports_.messages().empty());

    // The favourites category follows at once, without a second copy.
    ASSERT_EQ(BoardTable.count, 5);
    EXPECT_EQ(CategoryTable.items[0].first, 2);
    EXPECT_EQ(CategoryTable.items[0].last, 4);
    EXPECT_EQ(text(BoardTable.items[4].name), L"News board");
    EXPECT_EQ(text(BoardTable.items[4].host), L"srv");
    EXPECT_EQ(BoardTable.items[4].index, 0);
}

TEST_F(FavoriteBoardAdd, SameNameOnAnotherDirectoryIsNotAdded)
{
    write_file_bytes(path("favorite.brd"), kDefaultBrd);
    EXPECT_EQ(favorite_ita_add(make_board(L"モバイル", L"srv9", L"mobile2", 7)), 1);
    EXPECT_EQ(brd(), kDefaultBrd);
    EXPECT_EQ(favorite_ita_add(make_board(L"Mobile", L"srv9", L"mobile", 7)), 1);
    EXPECT_EQ(brd(), kDefaultBrd + "Mobile,mobile\r\n");
}

TEST_F(FavoriteBoardAdd, NameAsTheLoaderReadsItCounts)
{
    // A hand-edited line with a TAB for the comma names the same board.
    write_file_bytes(path("favorite.brd"), "News board\tnews\r\n");
    EXPECT_EQ(favorite_ita_add(make_board(L"News board", L"srv", L"news", 0)), 1);
    EXPECT_EQ(brd(), "News board\tnews\r\n");
}

TEST_F(FavoriteBoardAdd, LastLineWithoutLineFeedIsNotRunOn)
{
    write_file_bytes(path("favorite.brd"), "A,a\r\nB,b");
    EXPECT_EQ(favorite_ita_add(make_board(L"C", L"s", L"c", 0)), 1);
    EXPECT_EQ(brd(), "A,a\r\nB,b\r\nC,c\r\n");
}

TEST_F(FavoriteBoardAdd, BoardThatCannotStandInTheFileIsRefused)
{
    write_file_bytes(path("favorite.brd"), kDefaultBrd);
    EXPECT_EQ(favorite_ita_add(make_board(L"a,b", L"s", L"ab", 0)), 0);
    EXPECT_EQ(favorite_ita_add(make_board(L"お気に入りスレ", L"", L"", -1)), 0);
    EXPECT_EQ(favorite_ita_add(make_board(L"", L"s", L"x", 0)), 0);
    EXPECT_EQ(brd(), kDefaultBrd);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 3u);
    for (const auto& m : messages) {
        EXPECT_EQ(m.text, L"お気に入り板に登録できません");
        EXPECT_EQ(m.caption, L"favorite_ita_add");
    }
}

TEST_F(FavoriteBoardAdd, FileThatCannotBeOpenedIsReported)
{
    std::filesystem::create_directory(path("favorite.brd"));
    EXPECT_EQ(favorite_ita_add(make_board(L"News", L"s", L"news", 0)), 0);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, wpath("favorite.brd") + L"お気に入り板ファイルオープン失敗");
    EXPECT_EQ(messages[0].caption, L"favorite_ita_add");
}

// ---- adding a thread --------------------------------------------------------

TEST_F(FavoriteThreadAdd, SameThreadTwiceAddsOneLine)
{
    write_file_bytes(path("favorite.txt"), kDefaultTxt);
    BoardEntry news = make_board(L"News board", L"srv", L"news", 0);
    EXPECT_EQ(favorite_sure_add(news, L"1234567890.dat", L"ニュース【速報】"), 1);
    EXPECT_EQ(favorite_sure_add(news, L"1234567890.dat", L"ニュース【速報】"), 1);
    EXPECT_EQ(txt(), kDefaultTxt + "news<>1234567890.dat<>" +
                         utf8_to_sjis("ニュース【速報】") + "\r\n");
    EXPECT_TRUE(reports_.messages().empty());
    // Closed both times: the file can be replaced at once.
    EXPECT_TRUE(std::filesystem::remove(path("favorite.txt")));
}

TEST_F(FavoriteThreadAdd, ComparisonIsByFileNameOnly)
{
    write_file_bytes(path("favorite.txt"), kDefaultTxt);
    EXPECT_EQ(favorite_sure_add(make_board(L"N", L"s", L"news", 0), L"1065069078.dat", L"x"), 1);
    EXPECT_EQ(txt(), kDefaultTxt);
}

TEST_F(FavoriteThreadAdd, TitleIsCutToTwoHundredFiftyFiveCharacters)
{
    write_file_bytes(path("favorite.txt"), "");
    std::wstring title(300, L'あ');
    EXPECT_EQ(favorite_sure_add(make_board(L"N", L"s", L"news", 0), L"1.dat", title.c_str()), 1);
    std::string expected = "news<>1.dat<>";
    for (int i = 0; i < 255; ++i) expected += "\x82\xa0";
    EXPECT_EQ(txt(), expected + "\r\n");
}

TEST_F(FavoriteThreadAdd, LastLineWithoutLineFeedIsNotRunOn)
{
    write_file_bytes(path("favorite.txt"), "a<>1.dat<>T");
    EXPECT_EQ(favorite_sure_add(make_board(L"N", L"s", L"news", 0), L"2.dat", L"U"), 1);
    EXPECT_EQ(txt(), "a<>1.dat<>T\r\nnews<>2.dat<>U\r\n");
}

TEST_F(FavoriteThreadAdd, ThreadThatCannotStandInTheFileIsRefused)
{
    write_file_bytes(path("favorite.txt"), kDefaultTxt);
    BoardEntry news = make_board(L"N", L"s", L"news", 0);
    EXPECT_EQ(favorite_sure_add(news, L"12345678901.dat", L"T"), 0);   // 15 bytes
    EXPECT_EQ(favorite_sure_add(news, L"..\\1.dat", L"T"), 0);
    EXPECT_EQ(favorite_sure_add(news, L"1<>.dat", L"T"), 0);
    EXPECT_EQ(favorite_sure_add(news, nullptr, L"T"), 0);
    EXPECT_EQ(favorite_sure_add(news, L"1.dat", L"two\nlines"), 0);
    EXPECT_EQ(favorite_sure_add(make_board(L"お気に入りスレ", L"", L"", -1), L"1.dat", L"T"), 0);
    EXPECT_EQ(txt(), kDefaultTxt);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 6u);
    for (const auto& m : messages) {
        EXPECT_EQ(m.text, L"お気に入りスレに登録できません");
        EXPECT_EQ(m.caption, L"favorite_sure_add");
    }
}

TEST_F(FavoriteThreadAdd, FileThatCannotBeOpenedIsReported)
{
    std::filesystem::create_directory(path("favorite.txt"));
    EXPECT_EQ(favorite_sure_add(make_board(L"N", L"s", L"news", 0), L"1.dat", L"T"), 0);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, wpath("favorite.txt") + L"お気に入りスレファイルオープンに失敗");
    EXPECT_EQ(messages[0].caption, L"favorite_sure_add");
}

// ---- removing a thread ------------------------------------------------------

TEST_F(FavoriteThreadRemove, EveryLineOfThatFileNameGoesWhateverItsBoard)
{
    write_file_bytes(path("favorite.txt"),
                     "news<>1.dat<>One\r\nmobile<>2.dat<>Two\nbiz<>1.dat<>One again\r\n"
                     "news<>3.dat<>Three\r\n");
    EXPECT_EQ(favorite_sure_delitem(L"1.dat"), 1);
    EXPECT_EQ(txt(), "mobile<>2.dat<>Two\r\nnews<>3.dat<>Three\r\n");
    EXPECT_FALSE(file_exists(path("favorite.txt.new")));
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(FavoriteThreadRemove, LinesWithoutBothSeparatorsAreKept)
{
    const std::string longTitle(2500, 'x');
    write_file_bytes(path("favorite.txt"),
                     "news<>1.dat\r\n1.dat\r\nnews<>1.dat<>gone\r\nkept<>2.dat<>" + longTitle +
                         "\r\ngone<>1.dat<>" + longTitle + "\r\n\r\nlast<>1.dat");
    EXPECT_EQ(favorite_sure_delitem(L"1.dat"), 1);
    EXPECT_EQ(txt(), "news<>1.dat\r\n1.dat\r\nkept<>2.dat<>" + longTitle +
                         "\r\n\r\nlast<>1.dat");
}

TEST_F(FavoriteThreadRemove, JapaneseTitlesAreKeptByteForByte)
{
    write_file_bytes(path("favorite.txt"), kDefaultTxt + "news<>1.dat<>T\r\n");
    EXPECT_EQ(favorite_sure_delitem(L"1.dat"), 1);
    std::string expected = kDefaultTxt;
    expected.insert(expected.size() - 1, "\r");
    EXPECT_EQ(txt(), expected);
}

TEST_F(FavoriteThreadRemove, FailedRewriteLeavesTheOldFileIntact)
{
    const std::string before = kDefaultTxt + "news<>1.dat<>T\r\n";
    write_file_bytes(path("favorite.txt"), before);
    std::filesystem::create_directory(path("favorite.txt.new"));
    EXPECT_EQ(favorite_sure_delitem(L"1.dat"), 0);
    EXPECT_EQ(txt(), before);
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, wpath("favorite.txt") + L"オープンに失敗");
    EXPECT_EQ(messages[0].caption, L"favorite_sure_delitem");
}

TEST_F(FavoriteThreadRemove, MissingFileIsReported)
{
    EXPECT_EQ(favorite_sure_delitem(L"1.dat"), 0);
    EXPECT_FALSE(file_exists(path("favorite.txt")));
    auto messages = reports_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, wpath("favorite.txt") + L"お気に入りスレファイルオープンに失敗");
    EXPECT_EQ(messages[0].caption, L"favorite_sure_delitem");
}

TEST_F(FavoriteThreadRemove, NoSelectedRowDoesNothing)
{
    write_file_bytes(path("favorite.txt"), kDefaultTxt);
    EXPECT_EQ(favorite_sure_delitem(nullptr), 0);
    EXPECT_EQ(favorite_sure_delitem(L""), 0);
    EXPECT_EQ(txt(), kDefaultTxt);
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(FavoriteThreadRemove, AddedThenRemovedLeavesTheRest)
{
    write_file_bytes(path("favorite.txt"), kDefaultTxt);
    BoardEntry news = make_board(L"N", L"s", L"news", 0);
    ASSERT_EQ(favorite_sure_add(news, L"5.dat", L"T"), 1);
    ASSERT_EQ(favorite_sure_delitem(L"1065069078.dat"), 1);
    EXPECT_EQ(txt(), "news<>5.dat<>T\r\n");
}
