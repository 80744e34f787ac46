#include "proxyctl/vquery.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string set_profile(int value, int row)
{
    char buf[kVentRequestBytes];
    size_t n = vent_format_set_profile(buf, sizeof buf, value, row);
    return std::string(buf, n);
}

std::string mark_modified(int value, int row)
{
    char buf[kVentRequestBytes];
    size_t n = vent_format_mark_modified(buf, sizeof buf, value, row);
    return std::string(buf, n);
}

VentReplyState state_of(const std::string& received, size_t capacity)
{
    return vent_reply_state(received.data(), received.size(), capacity);
}

}  // namespace

TEST(VentRequest, FixedRequestsByteForByte)
{
    EXPECT_EQ(std::string(kVentProfileRequest), "GET vpn_prof,nr_profiles\nFROM VSLookupParams\n");
    EXPECT_EQ(kVentProfileRequest.size(), 45u);
    EXPECT_EQ(std::string(kVentTableRowRequest), "GET rowid,tablename\nFROM MetaTable\n");
    EXPECT_EQ(kVentTableRowRequest.size(), 35u);
}

TEST(VentRequest, SetRequestsFilledByteForByte)
{
    EXPECT_EQ(set_profile(1, 0), "SET vpn_prof=1\nWHERE rowid=0\nFROM VSLookupParams\n");
    EXPECT_EQ(set_profile(0, 0), "SET vpn_prof=0\nWHERE rowid=0\nFROM VSLookupParams\n");
    EXPECT_EQ(mark_modified(1, 4), "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n");
    EXPECT_EQ(mark_modified(1, 1234567), "SET modified=1\nWHERE rowid=1234567\nFROM MetaTable\n");
}

TEST(VentRequest, ExtremeValuesStillFitTheRequestBuffer)
{
    EXPECT_EQ(set_profile(INT_MIN, INT_MIN),
              "SET vpn_prof=-2147483648\nWHERE rowid=-2147483648\nFROM VSLookupParams\n");
    EXPECT_EQ(mark_modified(INT_MAX, INT_MAX),
              "SET modified=2147483647\nWHERE rowid=2147483647\nFROM MetaTable\n");
}

TEST(VentRequest, TooSmallBufferGivesNothingAndNoOverrun)
{
    const std::string whole = "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n";
    char buf[64];
    // Exactly the length leaves no room for the terminator: refused.
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(vent_format_mark_modified(buf, whole.size(), 1, 4), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[whole.size()], 'x');
    // One more byte is enough.
    EXPECT_EQ(vent_format_mark_modified(buf, whole.size() + 1, 1, 4), whole.size());
    EXPECT_EQ(std::string(buf), whole);
    EXPECT_EQ(vent_format_set_profile(buf, 0, 1, 0), 0u);
    EXPECT_EQ(buf[0], 'S');   // size 0: nothing written at all
}

TEST(VentReply, CompleteOnlyWhenEndingWithTwoLineFeeds)
{
    EXPECT_EQ(state_of("", 128), VentReplyState::More);
    EXPECT_EQ(state_of("\n", 128), VentReplyState::More);
    EXPECT_EQ(state_of("\n\n", 128), VentReplyState::Complete);
    EXPECT_EQ(state_of("status 0\n", 128), VentReplyState::More);
    EXPECT_EQ(state_of("status 0\n0\t3\t\n", 128), VentReplyState::More);
    EXPECT_EQ(state_of("status 0\n0\t3\t\n\n", 128), VentReplyState::Complete);
    EXPECT_EQ(state_of("status 0\n\r\n", 128), VentReplyState::More);
    EXPECT_EQ(state_of("status 0\n\n\nx", 128), VentReplyState::More);
}

TEST(VentReply, AllButTheLastByteMayBeFilled)
{
    std::string filler(126, 'a');
    EXPECT_EQ(vent_reply_room(0, 128), 127u);
    EXPECT_EQ(vent_reply_room(126, 128), 1u);
    EXPECT_EQ(vent_reply_room(127, 128), 0u);
    EXPECT_EQ(vent_reply_room(500, 128), 0u);
    EXPECT_EQ(vent_reply_room(0, 0), 0u);
    EXPECT_EQ(state_of(filler, 128), VentReplyState::More);
    EXPECT_EQ(state_of(filler + "a", 128), VentReplyState::Full);
    // A reply that completes in the very last usable byte is whole.
    EXPECT_EQ(state_of(std::string(125, 'a') + "\n\n", 128), VentReplyState::Complete);
}

TEST(VentStatus, ReadsTheNumberAfterTheWord)
{
    int s = -1;
    ASSERT_TRUE(vent_read_status("status 0\n", &s));
    EXPECT_EQ(s, 0);
    ASSERT_TRUE(vent_read_status("status\t \t17\tmore\n", &s));
    EXPECT_EQ(s, 17);
    ASSERT_TRUE(vent_read_status("status -3", &s));
    EXPECT_EQ(s, -3);
    ASSERT_TRUE(vent_read_status("Xstatus 5\n", &s));   // the first "status", wherever it starts
    EXPECT_EQ(s, 5);
    EXPECT_FALSE(vent_read_status("xstatus status 5\n", &s)); // "status" then "status"
    ASSERT_TRUE(vent_read_status("status 2 status 0\n", &s));
    EXPECT_EQ(s, 2);
}

TEST(VentStatus, FailsWithoutWordOrNumber)
{
    int s = 99;
    EXPECT_FALSE(vent_read_status("", &s));
    EXPECT_FALSE(vent_read_status("Status 0\n", &s));
    EXPECT_FALSE(vent_read_status("status\n0\n", &s));       // number on the next line does not count
    EXPECT_FALSE(vent_read_status("status \t \n", &s));
    EXPECT_FALSE(vent_read_status("status", &s));
    EXPECT_FALSE(vent_read_status("ok\nstatus 0\n", &s));    // only the first line is searched
    EXPECT_FALSE(vent_read_status("status abc\n", &s));
    EXPECT_FALSE(vent_read_status("status 0x\n", &s));
    EXPECT_FALSE(vent_read_status("status 0\r\n", &s));
    EXPECT_FALSE(vent_read_status("status 99999999999\n", &s));
    EXPECT_FALSE(vent_read_status("status -\n", &s));
    EXPECT_EQ(s, 99);
}

TEST(VentDecimal, WholeNumbersWithinIntRangeOnly)
{
    int v = 0;
    ASSERT_TRUE(vent_parse_decimal("2147483647", &v));
    EXPECT_EQ(v, INT_MAX);
    ASSERT_TRUE(vent_parse_decimal("-2147483648", &v));
    EXPECT_EQ(v, INT_MIN);
    ASSERT_TRUE(vent_parse_decimal("+7", &v));
    EXPECT_EQ(v, 7);
    ASSERT_TRUE(vent_parse_decimal("007", &v));
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(vent_parse_decimal("2147483648", &v));
    EXPECT_FALSE(vent_parse_decimal("-2147483649", &v));
    EXPECT_FALSE(vent_parse_decimal("", &v));
    EXPECT_FALSE(vent_parse_decimal("+", &v));
    EXPECT_FALSE(vent_parse_decimal(" 1", &v));
    EXPECT_FALSE(vent_parse_decimal("1 ", &v));
    EXPECT_FALSE(vent_parse_decimal(std::string_view("1\0", 2), &v));
}

TEST(VentProfileReply, ZeroTabThreeTabCountsAsOn)
{
    VentProfile p{-1, -1};
    ASSERT_TRUE(vent_parse_profile("status 0\n0\t3\t\n\n", &p));
    EXPECT_EQ(p.vpn_prof, 0);
    EXPECT_EQ(p.nr_profiles, 3);
}

TEST(VentProfileReply, ReadsBothFieldsAndIgnoresTheRest)
{
    VentProfile p{-1, -1};
    ASSERT_TRUE(vent_parse_profile("status\t0\n1\t2\textra\tfields\n\n", &p));
    EXPECT_EQ(p.vpn_prof, 1);
    EXPECT_EQ(p.nr_profiles, 2);
    // A reply cut by a closed connection still has its value line.
    ASSERT_TRUE(vent_parse_profile("status 0\n0\t5\t", &p));
    EXPECT_EQ(p.vpn_prof, 0);
    EXPECT_EQ(p.nr_profiles, 5);
}

TEST(VentProfileReply, MalformedRepliesFail)
{
    VentProfile p{42, 42};
    EXPECT_FALSE(vent_parse_profile("status 1\n0\t3\t\n\n", &p));     // status not 0
    EXPECT_FALSE(vent_parse_profile("status 0\n\n", &p));              // no value line
    EXPECT_FALSE(vent_parse_profile("status 0", &p));                  // no second line at all
    EXPECT_FALSE(vent_parse_profile("status 0\n0\t3\n\n", &p));        // one TAB only
    EXPECT_FALSE(vent_parse_profile("status 0\n0\n3\t\t\n", &p));      // TABs on a later line
    EXPECT_FALSE(vent_parse_profile("status 0\n\t3\t\n\n", &p));       // empty vpn_prof is not 0
    EXPECT_FALSE(vent_parse_profile("status 0\nx\t3\t\n\n", &p));
    EXPECT_FALSE(vent_parse_profile("status 0\n0\tmany\t\n\n", &p));
    EXPECT_FALSE(vent_parse_profile("0\t3\t\n\n", &p));                // no status line
    EXPECT_EQ(p.vpn_prof, 42);
    EXPECT_EQ(p.nr_profiles, 42);
}

TEST(VentTableRows, FindsVSLookupParamsAfterMetaTable)
{
    int row = -1;
    ASSERT_TRUE(vent_find_table_row("status 0\n1\tMetaTable\t\n4\tVSLookupParams\t\n\n",
                                    kVentProfileTable, &row));
    EXPECT_EQ(row, 4);
}

TEST(VentTableRows, FirstExactMatchWins)
{
    int row = -1;
    const char* reply =
        "status 0\n"
        "2\tVSLookupParamsX\t\n"
        "3\tvslookupparams\t\n"
        "5\t VSLookupParams\t\n"
        "6\tVSLookupParams\t\n"
        "7\tVSLookupParams\t\n"
        "\n";
    ASSERT_TRUE(vent_find_table_row(reply, kVentProfileTable, &row));
    EXPECT_EQ(row, 6);
}

TEST(VentTableRows, LinesWithoutTwoTabsArePassedOver)
{
    int row = -1;
    const char* reply =
        "status 0\n"
        "garbage\n"
        "9\tVSLookupParams\n"           // one TAB: not a row
        "\tVSLookupParams\n"
        "8\tVSLookupParams\textra\t\n"
        "\n";
    ASSERT_TRUE(vent_find_table_row(reply, kVentProfileTable, &row));
    EXPECT_EQ(row, 8);
}

TEST(VentTableRows, RowsWithoutAUsableRowidArePassedOver)
{
    int row = -1;
    const char* reply =
        "status 0\n"
        "\tVSLookupParams\t\n"
        "x\tVSLookupParams\t\n"
        "-1\tVSLookupParams\t\n"
        "99999999999\tVSLookupParams\t\n"
        "12\tVSLookupParams\t\n"
        "\n";
    ASSERT_TRUE(vent_find_table_row(reply, kVentProfileTable, &row));
    EXPECT_EQ(row, 12);
}

TEST(VentTableRows, FailuresLeaveTheRowAlone)
{
    int row = 77;
    EXPECT_FALSE(vent_find_table_row("status 0\n1\tMetaTable\t\n\n", kVentProfileTable, &row));
    EXPECT_FALSE(vent_find_table_row("status 2\n4\tVSLookupParams\t\n\n", kVentProfileTable, &row));
    EXPECT_FALSE(vent_find_table_row("4\tVSLookupParams\t\n\n", kVentProfileTable, &row));
    EXPECT_FALSE(vent_find_table_row("status 0", kVentProfileTable, &row));
    EXPECT_FALSE(vent_find_table_row("", kVentProfileTable, &row));
    // The status line itself is never a row.
    EXPECT_FALSE(vent_find_table_row("status 0\t4\tVSLookupParams\t\n\n", kVentProfileTable, &row));
    // A last line without its LF (the connection closed mid-line) is not a row.
    EXPECT_FALSE(vent_find_table_row("status 0\n4\tVSLookupParams\t", kVentProfileTable, &row));
    EXPECT_EQ(row, 77);
}

TEST(VentTableRows, ReadsOnlyWithinTheGivenLength)
{
    // The bytes after the given length hold a match that must not be seen.
    const std::string whole = "status 0\n1\tMetaTable\t\n4\tVSLookupParams\t\n\n";
    int row = -1;
    std::string_view cut(whole.data(), whole.find("4\t"));
    EXPECT_FALSE(vent_find_table_row(cut, kVentProfileTable, &row));
    std::string_view cut_status(whole.data(), 7);   // "status " with the 0 beyond
    int s = -1;
    EXPECT_FALSE(vent_read_status(cut_status, &s));
}
