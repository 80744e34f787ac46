#include <gtest/gtest.h>

#include <cstring>

#include "store/responses.h"

namespace {

ResponseBuffer thread_of(ResponseLine* lines, int32_t lineCount, int32_t responses)
{
    ResponseBuffer t;
    std::memset(&t, 0, sizeof t);
    t.lines = lines;
    t.lineCount = lineCount;
    t.responseCount = responses;
    return t;
}

}  // namespace

TEST(ResponseNumber, LineInsideThePastTheEndAndNegative)
{
    ResponseLine lines[6] = {{1, HeaderLine, 1, nullptr}, {1, BodyLine, 1, nullptr}, {1, BodyLine, 1, nullptr},
                             {2, HeaderLine, 1, nullptr}, {2, BodyLine, 1, nullptr}, {2, BodyLine, 1, nullptr}};
    ResponseBuffer t = thread_of(lines, 6, 2);
    EXPECT_EQ(response_number_at_line(t, 0), 1);
    EXPECT_EQ(response_number_at_line(t, 2), 1);
    EXPECT_EQ(response_number_at_line(t, 3), 2);
    EXPECT_EQ(response_number_at_line(t, 5), 2);
    EXPECT_EQ(response_number_at_line(t, 6), 2) << "at the end: the response count";
    EXPECT_EQ(response_number_at_line(t, 600), 2);
    EXPECT_EQ(response_number_at_line(t, -3), 1);
}

TEST(ResponseNumber, EmptyOrReleasedThread)
{
    ResponseBuffer empty = thread_of(nullptr, 0, 0);
    EXPECT_EQ(response_number_at_line(empty, 0), 0);
    // Released for a reload: no lines to look at whatever the counts say.
    ResponseBuffer released = thread_of(nullptr, 12, 4);
    EXPECT_EQ(response_number_at_line(released, 3), 4);
}

TEST(ScrollRecordClamp, MaximumIsTheLineCountAndThePositionStaysInside)
{
    ScrollRecord r = new_scroll_record(10);
    EXPECT_EQ(r.cbSize, 28u);
    EXPECT_EQ(r.fMask, 7u);
    EXPECT_EQ(r.nPage, 10u);
    EXPECT_EQ(r.nMin, 0);
    EXPECT_EQ(r.nPos, 0);
    r.nPos = 50;
    clamp_scroll_record(r, 40);
    EXPECT_EQ(r.nMax, 40);
    EXPECT_EQ(r.nPos, 40);
    r.nPos = 12;
    clamp_scroll_record(r, 40);
    EXPECT_EQ(r.nPos, 12);
    clamp_scroll_record(r, 0);
    EXPECT_EQ(r.nMax, 0);
    EXPECT_EQ(r.nPos, 0);
    r.nPos = -5;
    clamp_scroll_record(r, 3);
    EXPECT_EQ(r.nPos, 0);
}

TEST(TableEntryRemoval, LaterEntriesMoveDownWithTheirScrollRecords)
{
    ResponseBuffer entries[3];
    std::memset(entries, 0, sizeof entries);
    ScrollRecord scroll[3] = {new_scroll_record(10), new_scroll_record(10), new_scroll_record(12)};
    for (int i = 0; i < 3; ++i) {
        entries[i].responseCount = 10 * (i + 1);
        entries[i].lines = reinterpret_cast<ResponseLine*>(0x1000 * (i + 1));
        scroll[i].nPos = i + 5;
    }
    remove_table_entry(entries, scroll, 3, 3, 1);
    EXPECT_EQ(entries[0].responseCount, 10);
    EXPECT_EQ(entries[1].responseCount, 30);
    EXPECT_EQ(entries[1].lines, reinterpret_cast<ResponseLine*>(0x3000));
    EXPECT_EQ(scroll[1].nPos, 7);
    EXPECT_EQ(scroll[1].nPage, 12u);
    // The vacated place holds no pointer, and a fresh record with its page.
    EXPECT_EQ(entries[2].lines, nullptr);
    EXPECT_EQ(entries[2].responseCount, 0);
    EXPECT_EQ(scroll[2].nPos, 0);
    EXPECT_EQ(scroll[2].cbSize, 28u);
    EXPECT_EQ(scroll[2].nPage, 12u);
}

TEST(TableEntryRemoval, FewerScrollRecordsThanEntriesAndBadIndexes)
{
    ResponseBuffer entries[3];
    std::memset(entries, 0, sizeof entries);
    for (int i = 0; i < 3; ++i) entries[i].responseCount = i + 1;
    ScrollRecord scroll[1] = {new_scroll_record(10)};
    scroll[0].nPos = 4;
    remove_table_entry(entries, scroll, 3, 1, 0);
    EXPECT_EQ(entries[0].responseCount, 2);
    EXPECT_EQ(entries[1].responseCount, 3);
    EXPECT_EQ(scroll[0].nPos, 4) << "no record to move in";
    remove_table_entry(entries, scroll, 2, 1, 2);
    remove_table_entry(entries, scroll, 2, 1, -1);
    remove_table_entry(nullptr, scroll, 2, 1, 0);
    EXPECT_EQ(entries[0].responseCount, 2);
    EXPECT_EQ(entries[1].responseCount, 3);
    // The last entry removed alone.
    remove_table_entry(entries, nullptr, 2, 0, 1);
    EXPECT_EQ(entries[1].responseCount, 0);
    EXPECT_EQ(entries[0].responseCount, 2);
}
