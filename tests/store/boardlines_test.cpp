#include "store/boardlines.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "ニュース" in Shift-JIS.
const std::string kNewsSjis = "\x83\x6a\x83\x85\x81\x5b\x83\x58";
// "ソ" in Shift-JIS: its trail byte is 0x5C, the backslash.
const std::string kSoSjis = "\x83\x5c";

}  // namespace

TEST(BrdLine, HeadingAndEmptyLinesAreSkipped)
{
    EXPECT_EQ(parse_brd_line("2\n").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("2").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("12345\r\n").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("\n").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("\r\n").kind, BrdLineKind::Skip);
}

TEST(BrdLine, CategoryNameEndsAtFirstTabCrOrLf)
{
    BrdLine l = parse_brd_line("News\t0\n");
    EXPECT_EQ(l.kind, BrdLineKind::Category);
    EXPECT_EQ(l.name, "News");
    EXPECT_EQ(parse_brd_line("Mobile\r\n").name, "Mobile");
    EXPECT_EQ(parse_brd_line(kNewsSjis + "\t0").name, kNewsSjis);
    // Digits with anything else make a name.
    EXPECT_EQ(parse_brd_line("2ch\t0\n").kind, BrdLineKind::Category);
    EXPECT_EQ(parse_brd_line("2ch\t0\n").name, "2ch");
}

TEST(BrdLine, BoardLineSplitsIntoHostDirAndName)
{
    BrdLine l = parse_brd_line("\tsrv\tnews\tNews board\n");
    ASSERT_EQ(l.kind, BrdLineKind::Board);
    EXPECT_EQ(l.host, "srv");
    EXPECT_EQ(l.dir, "news");
    EXPECT_EQ(l.name, "News board");

    const std::string line = "\tsrv2/sub\tmobile\t" + kNewsSjis + "\r\n";
    l = parse_brd_line(line);
    ASSERT_EQ(l.kind, BrdLineKind::Board);
    EXPECT_EQ(l.host, "srv2/sub");
    EXPECT_EQ(l.name, kNewsSjis);
}

TEST(BrdLine, BoardLineNeedsAllThreeFields)
{
    EXPECT_EQ(parse_brd_line("\tsrv\tnews\n").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("\tsrv\n").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("\t\n").kind, BrdLineKind::Skip);
    EXPECT_EQ(parse_brd_line("\t").kind, BrdLineKind::Skip);
    // Runs of separators count as one: no empty fields.
    EXPECT_EQ(parse_brd_line("\t\tnews\tNews\n").kind, BrdLineKind::Skip);
    BrdLine l = parse_brd_line("\tsrv\t\tnews\t\tNews\n");
    ASSERT_EQ(l.kind, BrdLineKind::Board);
    EXPECT_EQ(l.dir, "news");
    EXPECT_EQ(l.name, "News");
}

TEST(BrdLine, BoardLineStopsAtCrOrLf)
{
    // What follows a CR is not part of the line.
    EXPECT_EQ(parse_brd_line("\tsrv\tnews\rNews\n").kind, BrdLineKind::Skip);
    BrdLine l = parse_brd_line("\tsrv\tnews\tNews\r\textra\n");
    ASSERT_EQ(l.kind, BrdLineKind::Board);
    EXPECT_EQ(l.name, "News");
}

TEST(FavoriteBrdLine, SplitsAtCommaTabCrLf)
{
    FavoriteBoardLine l = parse_favorite_brd_line("\x83\x82\x83\x6f\x83\x43\x83\x8b,mobile\n");
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.name, "\x83\x82\x83\x6f\x83\x43\x83\x8b");
    EXPECT_EQ(l.dir, "mobile");

    l = parse_favorite_brd_line("News\tnews\r\n");
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.name, "News");
    EXPECT_EQ(l.dir, "news");
}

TEST(FavoriteBrdLine, NameAloneHasNoDirectory)
{
    // "お気に入りスレ"
    FavoriteBoardLine l = parse_favorite_brd_line(
        "\x82\xa8\x8b\x43\x82\xc9\x93\xfc\x82\xe8\x83\x58\x83\x8c\n");
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.name, "\x82\xa8\x8b\x43\x82\xc9\x93\xfc\x82\xe8\x83\x58\x83\x8c");
    EXPECT_TRUE(l.dir.empty());
}

TEST(FavoriteBrdLine, LineWithoutFieldsIsSkipped)
{
    EXPECT_FALSE(parse_favorite_brd_line("").valid);
    EXPECT_FALSE(parse_favorite_brd_line("\n").valid);
    EXPECT_FALSE(parse_favorite_brd_line(",,\t\r\n").valid);
    // A leading comma does not make an empty name: the first field follows it.
    FavoriteBoardLine l = parse_favorite_brd_line(",mobile\n");
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.name, "mobile");
    EXPECT_TRUE(l.dir.empty());
}

TEST(FavoriteTxtLine, SecondPieceIsTheFileName)
{
    FavoriteThreadLine l = split_favorite_txt_line("mobile<>1065069078.dat<>Title\n");
    EXPECT_EQ(l.dir, "mobile");
    EXPECT_EQ(l.file, "1065069078.dat");
    EXPECT_EQ(l.title, "Title");
    // Each "<" or ">" separates and runs count as one.
    l = split_favorite_txt_line("mobile<<>>>123.dat>Title");
    EXPECT_EQ(l.file, "123.dat");
    EXPECT_EQ(l.title, "Title");
    l = split_favorite_txt_line("mobile<>123.dat\r\n");
    EXPECT_EQ(l.file, "123.dat");
    EXPECT_TRUE(l.title.empty());
    l = split_favorite_txt_line("mobile only\n");
    EXPECT_TRUE(l.file.empty());
}

TEST(FavoriteTxtLine, FieldBetweenFirstAndSecondSeparator)
{
    std::string_view field;
    ASSERT_TRUE(favorite_txt_second_field("mobile<>123.dat<>Title\n", &field));
    EXPECT_EQ(field, "123.dat");
    ASSERT_TRUE(favorite_txt_second_field("<><>", &field));
    EXPECT_TRUE(field.empty());
    // A title may hold further separators.
    ASSERT_TRUE(favorite_txt_second_field("a<>b<>c<>d", &field));
    EXPECT_EQ(field, "b");
}

TEST(FavoriteTxtLine, LineWithoutBothSeparatorsNamesNoThread)
{
    std::string_view field;
    EXPECT_FALSE(favorite_txt_second_field("mobile<>123.dat\n", &field));
    EXPECT_FALSE(favorite_txt_second_field("mobile 123.dat Title\n", &field));
    EXPECT_FALSE(favorite_txt_second_field("", &field));
    EXPECT_FALSE(favorite_txt_second_field("mobile<>123.dat\n<>x", &field));
    EXPECT_FALSE(favorite_txt_second_field("a<>", &field));
    // "<>" must be the pair, not "<" and ">" apart.
    EXPECT_FALSE(favorite_txt_second_field("a<b>c<>d", &field));
}

TEST(BrdFormat, LinesAreWrittenByteForByte)
{
    char out[kBrdLineBytes];
    EXPECT_EQ(format_brd_heading(out, sizeof out), 2);
    EXPECT_STREQ(out, "2\n");
    EXPECT_EQ(format_brd_category_line(out, sizeof out, kNewsSjis.c_str()), 11);
    EXPECT_EQ(std::string(out), kNewsSjis + "\t0\n");
    EXPECT_EQ(format_brd_board_line(out, sizeof out, "srv", "news", "News board", false), 21);
    EXPECT_STREQ(out, "\tsrv\tnews\tNews board\n");
    EXPECT_EQ(format_favorite_brd_line(out, sizeof out, "News", "news"), 10);
    EXPECT_STREQ(out, "News,news\n");
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mobile", "123.dat", "T"), 19);
    EXPECT_STREQ(out, "mobile<>123.dat<>T\n");
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mobile", "123.dat", ""), 18);
    EXPECT_STREQ(out, "mobile<>123.dat<>\n");
}

TEST(BrdFormat, FieldsThatWouldNotReadBackAreRefused)
{
    char out[kBrdLineBytes];
    EXPECT_EQ(format_brd_category_line(out, sizeof out, ""), -1);
    EXPECT_EQ(format_brd_category_line(out, sizeof out, "123"), -1);
    EXPECT_EQ(format_brd_category_line(out, sizeof out, "a\tb"), -1);
    EXPECT_EQ(format_brd_board_line(out, sizeof out, "srv", "", "News", false), -1);
    EXPECT_EQ(format_brd_board_line(out, sizeof out, "srv", "news", "a\nb", false), -1);
    EXPECT_EQ(format_brd_board_line(out, sizeof out, "s\rv", "news", "News", false), -1);
    EXPECT_EQ(format_brd_board_line(out, sizeof out, nullptr, "news", "News", false), -1);
    EXPECT_EQ(format_favorite_brd_line(out, sizeof out, "a,b", "news"), -1);
    EXPECT_EQ(format_favorite_brd_line(out, sizeof out, "News", ""), -1);
    EXPECT_EQ(format_favorite_brd_line(out, sizeof out, "News", "ne\tws"), -1);
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mob<ile", "1.dat", "T"), -1);
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mobile", "1>dat", "T"), -1);
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "", "1.dat", "T"), -1);
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mobile", "", "T"), -1);
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mobile", "1.dat", "T\nx"), -1);
    // Separators in the title are harmless: the fields before it stand.
    EXPECT_EQ(format_favorite_txt_line(out, sizeof out, "mobile", "1.dat", "a<>b"), 20);
}

// A secure board's line carries a fourth field that a reader of three fields
// passes over: host, directory and name read the same either way.
TEST(BrdFormat, SecureBoardKeepsItsSchemeInAFourthField)
{
    char out[kBrdLineBytes];
    EXPECT_EQ(format_brd_board_line(out, sizeof out, "srv", "news", "News board", true), 27);
    EXPECT_STREQ(out, "\tsrv\tnews\tNews board\thttps\n");
    BrdLine secure = parse_brd_line(out);
    ASSERT_EQ(secure.kind, BrdLineKind::Board);
    EXPECT_EQ(secure.host, "srv");
    EXPECT_EQ(secure.dir, "news");
    EXPECT_EQ(secure.name, "News board");
    EXPECT_TRUE(secure.secure);
    EXPECT_FALSE(parse_brd_line("\tsrv\tnews\tNews board\r\n").secure);
    EXPECT_FALSE(parse_brd_line("\tsrv\tnews\tNews board\thttp\n").secure);
    EXPECT_FALSE(parse_brd_line("\tsrv\tnews\tNews board\thttpsx\n").secure);
    EXPECT_TRUE(parse_brd_line("\tsrv\tnews\tNews board\thttps\r\n").secure);
}

TEST(BrdFormat, LineThatDoesNotFitIsRefusedNotCut)
{
    char out[32];
    EXPECT_EQ(format_brd_board_line(out, 21, "srv", "news", "News board", false), -1);
    EXPECT_EQ(format_brd_board_line(out, 22, "srv", "news", "News board", false), 21);
    EXPECT_EQ(format_favorite_txt_line(out, 16, "mobile", "123.dat", "Title"), -1);
}

TEST(BrdFormat, WrittenLinesReadBackAsWritten)
{
    char out[kBrdLineBytes];
    ASSERT_GT(format_brd_board_line(out, sizeof out, "srv2/sub", "mobile", kNewsSjis.c_str(), false), 0);
    BrdLine b = parse_brd_line(out);
    ASSERT_EQ(b.kind, BrdLineKind::Board);
    EXPECT_EQ(b.host, "srv2/sub");
    EXPECT_EQ(b.dir, "mobile");
    EXPECT_EQ(b.name, kNewsSjis);

    ASSERT_GT(format_brd_category_line(out, sizeof out, kNewsSjis.c_str()), 0);
    BrdLine c = parse_brd_line(out);
    ASSERT_EQ(c.kind, BrdLineKind::Category);
    EXPECT_EQ(c.name, kNewsSjis);

    ASSERT_GT(format_favorite_brd_line(out, sizeof out, kNewsSjis.c_str(), "news"), 0);
    FavoriteBoardLine f = parse_favorite_brd_line(out);
    EXPECT_EQ(f.name, kNewsSjis);
    EXPECT_EQ(f.dir, "news");

    ASSERT_GT(format_favorite_txt_line(out, sizeof out, "news", "1.dat", kNewsSjis.c_str()), 0);
    std::string_view field;
    ASSERT_TRUE(favorite_txt_second_field(out, &field));
    EXPECT_EQ(field, "1.dat");
    EXPECT_EQ(split_favorite_txt_line(out).file, "1.dat");
    EXPECT_EQ(split_favorite_txt_line(out).title, kNewsSjis);
}

TEST(ThreadFileName, OnlyShortPlainNamesPass)
{
    EXPECT_TRUE(thread_file_name_ok("1065069078.dat"));
    EXPECT_TRUE(thread_file_name_ok("1.dat"));
    EXPECT_FALSE(thread_file_name_ok("10650690781.dat"));   // 15 bytes
    EXPECT_FALSE(thread_file_name_ok(""));
    EXPECT_FALSE(thread_file_name_ok(".."));
    EXPECT_FALSE(thread_file_name_ok("..\\x.dat"));
    EXPECT_FALSE(thread_file_name_ok("a/b.dat"));
    EXPECT_FALSE(thread_file_name_ok("c:x.dat"));
    EXPECT_FALSE(thread_file_name_ok("1<>.dat"));
    EXPECT_FALSE(thread_file_name_ok(kSoSjis + ".dat"));
}
