#include "store/loglist.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const char kExample[] = "1065069078.dat<>Test (round 2)(57)<>12\n";

}  // namespace

TEST(AcquiredLine, KeyIsTheTextBeforeTheFirstSeparator)
{
    std::string_view key;
    ASSERT_TRUE(acquired_key(kExample, &key));
    EXPECT_EQ(key, "1065069078.dat");
    ASSERT_TRUE(acquired_key("<>x", &key));
    EXPECT_EQ(key, "");
    EXPECT_FALSE(acquired_key("1065069078.dat\n", &key));
    EXPECT_FALSE(acquired_key("a<b>c\n", &key));
}

TEST(AcquiredLine, ExampleEntry)
{
    AcquiredEntry e;
    ASSERT_TRUE(acquired_parse(kExample, &e));
    EXPECT_EQ(e.name, "1065069078.dat");
    EXPECT_EQ(e.title, "Test (round 2)");
    EXPECT_EQ(e.count, 57);
    EXPECT_EQ(e.lastRead, 12);
    Lines lines{kExample};
    EXPECT_EQ(acquired_find(lines, "1065069078.dat"), 12);
    EXPECT_EQ(acquired_total(lines, "1065069078.dat"), 57);
    EXPECT_EQ(acquired_find(lines, "1065069078"), -1);
    EXPECT_EQ(acquired_total(lines, "1065069078.da"), -1);
    EXPECT_EQ(acquired_find(Lines{}, "1065069078.dat"), -1);
}

TEST(AcquiredLine, LastMatchingLineWins)
{
    Lines lines{"1.dat<>a(5)<>2\n", "2.dat<>b(9)<>9\n", "1.dat<>a(7)<>3\n", "3.dat<>c(1)<>1"};
    EXPECT_EQ(acquired_find(lines, "1.dat"), 3);
    EXPECT_EQ(acquired_total(lines, "1.dat"), 7);
    EXPECT_EQ(acquired_find(lines, "3.dat"), 1);   // last line without its line feed
}

TEST(AcquiredLine, MalformedLinesNeverMatch)
{
    Lines lines{"1.dat\n",                 // no separator
                "1.dat<>no count<>5\n",    // a title without "("
                "1.dat<>only(4)\n",        // no last-read field
                "\n", ""};
    EXPECT_EQ(acquired_find(lines, "1.dat"), -1);
    EXPECT_EQ(acquired_total(lines, "1.dat"), -1);
    // A malformed line after a good one does not hide it.
    lines.insert(lines.begin(), "1.dat<>good(8)<>6\n");
    EXPECT_EQ(acquired_find(lines, "1.dat"), 6);
    EXPECT_EQ(acquired_total(lines, "1.dat"), 8);
}

TEST(AcquiredLine, IndexAnswersAsTheScanDoes)
{
    Lines lines{"1.dat<>good(8)<>6\n", "2.dat<>b(9)<>9\n", "1.dat<>no count<>5\n",
                "1.dat<>a(7)<>3\n", "3.dat<>t (x) y(2)<>4", "4.dat\n", "5.dat<>only(4)\n"};
    AcquiredIndex index = acquired_index(lines);
    for (const char* name : {"1.dat", "2.dat", "3.dat", "4.dat", "5.dat", "6.dat"}) {
        auto found = index.find(name);
        int lastRead = found == index.end() ? -1 : found->second.lastRead;
        int count = found == index.end() ? -1 : found->second.count;
        EXPECT_EQ(lastRead, acquired_find(lines, name)) << name;
        EXPECT_EQ(count, acquired_total(lines, name)) << name;
    }
    // A line added later wins over the earlier ones, as in the list itself.
    acquired_index_add(index, "2.dat<>b(12)<>1\n");
    EXPECT_EQ(index.at("2.dat").count, 12);
    EXPECT_EQ(index.at("2.dat").lastRead, 1);
}

TEST(AcquiredLine, CountFollowsTheLastParenthesisAndLastReadTheLastSeparator)
{
    // A title holding "<>" and parentheses of its own.
    Lines lines{"9.dat<>a<>b (c)(33)<>7\n"};
    EXPECT_EQ(acquired_find(lines, "9.dat"), 7);
    EXPECT_EQ(acquired_total(lines, "9.dat"), 33);
    Lines odd{"9.dat<>t(12x)<>4y\n", "8.dat<>t()<>\n"};
    EXPECT_EQ(acquired_total(odd, "9.dat"), 12);
    EXPECT_EQ(acquired_find(odd, "9.dat"), 4);
    EXPECT_EQ(acquired_total(odd, "8.dat"), 0);
    EXPECT_EQ(acquired_find(odd, "8.dat"), 0);
}

TEST(AcquiredLine, AddedLine)
{
    EXPECT_EQ(acquired_added_line("1065069078.dat", "Test (round 2)", 57), "1065069078.dat<>Test (round 2)(57)<>1\n");
    EXPECT_EQ(acquired_added_line("1.dat", "", 0), "1.dat<>(0)<>1\n");
    // A line break in a title would split the entry.
    EXPECT_EQ(acquired_added_line("1.dat", "a\nb\rc\td", 2), "1.dat<>a b c d(2)<>1\n");
    // Shift-JIS bytes stay as they are.
    EXPECT_EQ(acquired_added_line("1.dat", "\x83\x65\x83\x58\x83\x67", 3), "1.dat<>\x83\x65\x83\x58\x83\x67(3)<>1\n");
}

TEST(AcquiredLine, ChangeRewritesCountAndLastReadKeepingTheTitle)
{
    Lines lines{"1.dat<>other(3)<>2\n", kExample, "2.dat<>x(1)<>1"};
    EXPECT_EQ(acquired_change(lines, "1065069078.dat", 60, 40), 1);
    EXPECT_EQ(lines, (Lines{"1.dat<>other(3)<>2\n", "1065069078.dat<>Test (round 2)(60)<>40\n", "2.dat<>x(1)<>1"}));
    EXPECT_EQ(acquired_change(lines, "nothing.dat", 1, 1), 0);
    EXPECT_EQ(lines[1], "1065069078.dat<>Test (round 2)(60)<>40\n");
}

TEST(AcquiredLine, ChangedLineLongerThanTheOldIsWhole)
{
    Lines lines{"1.dat<>t(1)<>1\n"};
    acquired_change(lines, "1.dat", INT_MAX, 2000000000);
    EXPECT_EQ(lines[0], "1.dat<>t(2147483647)<>2000000000\n");
    std::string title(1500, 'T');
    Lines longTitle{"2.dat<>" + title + "(1)<>1\n"};
    acquired_change(longTitle, "2.dat", 1001, 1000);
    EXPECT_EQ(longTitle[0], "2.dat<>" + title + "(1001)<>1000\n");
}

TEST(AcquiredLine, ChangeLeavesMalformedLinesUntouched)
{
    Lines lines{"1.dat<>no count<>5\n", "1.dat\n", "1.dat<>t(2)<>2\n", "1.dat<>only(4)"};
    Lines before = lines;
    EXPECT_EQ(acquired_change(lines, "1.dat", 9, 8), 1);
    EXPECT_EQ(lines[0], before[0]);
    EXPECT_EQ(lines[1], before[1]);
    EXPECT_EQ(lines[2], "1.dat<>t(9)<>8\n");
    EXPECT_EQ(lines[3], before[3]);
}

TEST(AcquiredLine, ChangeWritesNegativeNumbersAsZero)
{
    Lines lines{"1.dat<>t(2)<>2\n"};
    acquired_change(lines, "1.dat", -5, -1);
    EXPECT_EQ(lines[0], "1.dat<>t(0)<>0\n");
}

TEST(AcquiredLine, DeleteDropsEveryLineOfTheName)
{
    Lines lines{"1.dat<>a(1)<>1\n", "2.dat<>b(2)<>2\n", "1.dat<>a(3)<>3\n", "1.dat<>broken\n", "1.dat\n",
                "21.dat<>c(4)<>4\n"};
    EXPECT_EQ(acquired_delete(lines, "1.dat"), 3);
    EXPECT_EQ(lines, (Lines{"2.dat<>b(2)<>2\n", "1.dat\n", "21.dat<>c(4)<>4\n"}));
    Lines same = lines;
    EXPECT_EQ(acquired_delete(lines, "9.dat"), 0);
    EXPECT_EQ(lines, same);
}

TEST(AcquiredLine, FileBytesEndEveryLineWithCrLf)
{
    EXPECT_EQ(acquired_file_bytes(Lines{"a<>t(1)<>1\n", "b<>u(2)<>2"}), "a<>t(1)<>1\r\nb<>u(2)<>2\r\n");
    EXPECT_EQ(acquired_file_bytes(Lines{"\n"}), "\r\n");
    EXPECT_EQ(acquired_file_bytes(Lines{}), "");
    std::string withNul("a\0b\n", 4);
    EXPECT_EQ(acquired_file_bytes(Lines{withNul}), std::string("a\0b\r\n", 5));
}

TEST(AcquiredLine, LastReadAtClose)
{
    // Inside the thread: the response shown on the top line.
    EXPECT_EQ(acquired_last_read_at_close(10, 200, 40, 60), 40);
    EXPECT_EQ(acquired_last_read_at_close(0, 200, 1, 60), 1);
    // At or past the last line: the response count.
    EXPECT_EQ(acquired_last_read_at_close(200, 200, 999, 60), 60);
    EXPECT_EQ(acquired_last_read_at_close(5000, 200, 999, 60), 60);
    // A negative line (never produced by the view) counts as the top.
    EXPECT_EQ(acquired_last_read_at_close(-3, 200, 999, 60), 1);
}

TEST(AcquiredLine, Numbers)
{
    EXPECT_EQ(acquired_number("12\n"), 12);
    EXPECT_EQ(acquired_number(" 7)"), 7);
    EXPECT_EQ(acquired_number("abc"), 0);
    EXPECT_EQ(acquired_number(""), 0);
    EXPECT_EQ(acquired_number("-4"), -4);
    EXPECT_EQ(acquired_number("99999999999"), INT_MAX);
    EXPECT_EQ(acquired_number("-99999999999"), INT_MIN);
}

// The fallen mark follows the last read, where an older reader's number
// stops: such a reader sees the entry exactly as before. Each line read by
// the old rules (acquired_number over the last field) and by the new.
TEST(AcquiredLine, FallenMarkIsInvisibleToTheOldReading)
{
    struct Case {
        const char* line;
        int count, lastRead;
        bool fallen;
    };
    const Case cases[] = {
        {"1.dat<>t(5)<>3\tfallen\n", 5, 3, true},
        {"1.dat<>a<>b (c)(33)<>7\tfallen", 33, 7, true},        // title with "<>", no line feed
        {"1.dat<>t(5)<>3\n", 5, 3, false},
        {"1.dat<>t(5)<>3 fallen\n", 5, 3, false},                 // a blank is not the mark
        {"1.dat<>t(5)<>\tfallen\n", 5, 0, true},                 // no digits
        {"1.dat<>t\tfallen(5)<>3\n", 5, 3, false},               // in the title it is title
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        AcquiredEntry e;
        ASSERT_TRUE(acquired_parse(c.line, &e));
        EXPECT_EQ(e.count, c.count);
        EXPECT_EQ(e.lastRead, c.lastRead);
        EXPECT_EQ(e.fallen, c.fallen);
        std::string_view line(c.line);
        EXPECT_EQ(acquired_number(line.substr(line.rfind("<>") + 2)), c.lastRead) << "the old reading";
        EXPECT_EQ(acquired_index(Lines{c.line}).at("1.dat").fallen, c.fallen);
    }
}

TEST(AcquiredLine, MarkFallenKeepsTheMarkThroughLaterChanges)
{
    Lines lines{"1.dat<>other(3)<>2\n", kExample, "2.dat<>x(1)<>1"};
    EXPECT_EQ(acquired_mark_fallen(lines, "1065069078.dat"), 1);
    EXPECT_EQ(lines[1], "1065069078.dat<>Test (round 2)(57)<>12\tfallen\n");
    EXPECT_EQ(acquired_mark_fallen(lines, "1065069078.dat"), 0) << "marked already";
    EXPECT_EQ(acquired_mark_fallen(lines, "nothing.dat"), 0);
    // Closing the thread rewrites its numbers, never its mark.
    EXPECT_EQ(acquired_change(lines, "1065069078.dat", 60, 40), 1);
    EXPECT_EQ(lines, (Lines{"1.dat<>other(3)<>2\n", "1065069078.dat<>Test (round 2)(60)<>40\tfallen\n",
                            "2.dat<>x(1)<>1"}));
    EXPECT_EQ(acquired_added_line("3.dat", "t", 4, true), "3.dat<>t(4)<>1\tfallen\n");
    // And taken away again, the numbers as they were.
    EXPECT_EQ(acquired_mark_fallen(lines, "1065069078.dat", false), 1);
    EXPECT_EQ(lines[1], "1065069078.dat<>Test (round 2)(60)<>40\n");
    EXPECT_EQ(acquired_mark_fallen(lines, "1065069078.dat", false), 0) << "not marked";
}
