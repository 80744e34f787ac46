#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/nglist.h"

TEST(NgListLine, ReadsEachKindAndRefusesWhatBreaksTheFormat)
{
    struct Case {
        std::string line;
        bool ok;
        NgKind kind;
        std::string text;
        int32_t day;
    } cases[] = {
        {"word\tspam", true, NgKind::Word, "spam", 0},
        {"name\t\x96\xbc\x96\xb3\x82\xb5", true, NgKind::Name, "\x96\xbc\x96\xb3\x82\xb5", 0},
        {"mail\tage", true, NgKind::Mail, "age", 0},
        {"id\tAbCd0123\t20261209", true, NgKind::Id, "AbCd0123", 20261209},
        {"title\t[PR] sale", true, NgKind::Title, "[PR] sale", 0},
        {"word\ttwo words", true, NgKind::Word, "two words", 0},
        {"word", false, NgKind::Word, "", 0},                    // no tab
        {"word\t", false, NgKind::Word, "", 0},                  // empty text
        {"Word\tspam", false, NgKind::Word, "", 0},              // kinds are lower case
        {"noun\tspam", false, NgKind::Word, "", 0},
        {"word\tspam\textra", false, NgKind::Word, "", 0},       // a tab inside the text
        {"id\tAbCd0123", false, NgKind::Word, "", 0},            // an ID needs its day
        {"id\tAbCd0123\t2026129", false, NgKind::Word, "", 0},   // seven digits
        {"id\tAbCd0123\t20261332", false, NgKind::Word, "", 0},  // no such day
        {"id\tAbCd0123\t20270229", false, NgKind::Word, "", 0},  // not a leap year
        {"id\t\t20261209", false, NgKind::Word, "", 0},
        {"word\t" + std::string(kNgEntryBytes + 1, 'x'), false, NgKind::Word, "", 0},
        {std::string("word\ta\0b", 8), false, NgKind::Word, "", 0},
    };
    for (const Case& c : cases) {
        NgEntry e{NgKind::Mail, "untouched", 7};
        ASSERT_EQ(parse_ng_line(c.line, &e), c.ok) << c.line;
        if (!c.ok) {
            EXPECT_EQ(e.text, "untouched") << "a refused line leaves the entry as it was";
            continue;
        }
        EXPECT_EQ(e.kind, c.kind) << c.line;
        EXPECT_EQ(e.text, c.text) << c.line;
        EXPECT_EQ(e.day, c.day) << c.line;
        EXPECT_EQ(format_ng_line(e), c.line) << "written back as read";
        EXPECT_TRUE(ng_entry_valid(e));
    }
}

TEST(NgListFile, SkipsEmptyLinesQuietlyAndCountsMalformedOnes)
{
    const std::string bytes = "word\tspam\r\n\r\nbogus line\r\nid\tXyZ\t20261208\nname\tfoo\ttoo many\r\ntitle\tPR";
    NgFileRead read = parse_ng_file(bytes);
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.unread, (std::vector<std::string>{"bogus line", "name\tfoo\ttoo many"}));
    EXPECT_EQ(read.entries[1].text, "XyZ");
    EXPECT_EQ(read.entries[2].text, "PR") << "an unended last line is read";
    EXPECT_EQ(ng_file_bytes(read.entries), "word\tspam\r\nid\tXyZ\t20261208\r\ntitle\tPR\r\n");
    EXPECT_EQ(parse_ng_file(ng_file_bytes(read.entries)).entries.size(), 3u) << "what is written reads back";
    EXPECT_TRUE(parse_ng_file("").unread.empty());
}

TEST(NgListLapse, AnIdIsInForceForItsDaysThenLapses)
{
    const NgEntry id{NgKind::Id, "AbCd", 20261230};
    struct Case {
        int32_t today;
        int32_t lapseDays;
        bool lapsed;
    } cases[] = {
        {20261230, 2, false}, {20261231, 2, false}, {20270101, 2, true},   // across a year's end
        {20270101, 3, false}, {20270102, 3, true},  {20261229, 2, false},  // a day before it was added
        {20300101, 0, false},                                               // 0 keeps it for good
        {20261231, 1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ng_entry_lapsed(id, c.today, c.lapseDays), c.lapsed) << c.today << " " << c.lapseDays;
    EXPECT_FALSE(ng_entry_lapsed(NgEntry{NgKind::Word, "w", 0}, 20991231, 1)) << "only IDs lapse";
    EXPECT_EQ(ng_days_between(20240228, 20240301), 2) << "a leap day counts";
    EXPECT_EQ(ng_days_between(20230228, 20230301), 1);
}
