#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "reader/resnav.h"

namespace {

// A parsed thread made by hand: response k has `bodyLines[k-1]` body lines
// and the blank line after it.
struct HandThread {
    std::vector<ResponseLine> lines;
    std::vector<Response> responses;
    ResponseBuffer b{};
    explicit HandThread(const std::vector<int>& bodyLines)
    {
        static char text[] = "x";
        for (size_t k = 0; k < bodyLines.size(); ++k) {
            Response r{};
            r.firstLine = static_cast<uint32_t>(lines.size());
            responses.push_back(r);
            int number = static_cast<int>(k) + 1;
            lines.push_back({number, HeaderLine, 1, text});
            for (int i = 0; i < bodyLines[k]; ++i) lines.push_back({number, BodyLine, 1, text});
            lines.push_back({number, BodyLine, 1, text});
        }
        b.lines = lines.data();
        b.responses = responses.data();
        b.responseCount = static_cast<int32_t>(responses.size());
        b.lineCount = static_cast<int32_t>(lines.size());
        b.ReadMark = 100;
    }
    ScrollRecord record(int32_t position) const
    {
        ScrollRecord r = new_scroll_record(10);
        r.nMax = b.lineCount;
        r.nPos = position;
        return r;
    }
};

}  // namespace

TEST(PageStep, OneLessThanTheLinesOnThePageButAtLeastOne)
{
    EXPECT_EQ(page_step(12), 11);
    EXPECT_EQ(page_step(2), 1);
    EXPECT_EQ(page_step(1), 1);
    EXPECT_EQ(page_step(0), 1);
}

TEST(ScrollCodes, LinesPagesThumbAndLimits)
{
    HandThread t({2, 2, 2});   // 12 lines; headers at 0, 4, 8
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollLineUp, 0, 7, 11), 4);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollLineDown, 0, 7, 11), 6);
    EXPECT_EQ(scrolled_position(t.b, t.record(0), ScrollLineUp, 0, 7, 11), 0);
    EXPECT_EQ(scrolled_position(t.b, t.record(12), ScrollLineDown, 0, 7, 11), 12) << "the maximum is the line count";
    EXPECT_EQ(scrolled_position(t.b, t.record(9), ScrollPageUp, 0, 7, 11), 2);
    EXPECT_EQ(scrolled_position(t.b, t.record(3), ScrollPageUp, 0, 7, 11), 0);
    EXPECT_EQ(scrolled_position(t.b, t.record(0), ScrollPageDown, 0, 7, 11), 11);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollPageDown, 0, 7, 11), 12);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollThumbPosition, 2, 7, 11), 2);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollThumbTrack, 9, 7, 11), 9);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollThumbTrack, 500, 7, 11), 12);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollThumbTrack, -3, 7, 11), 0);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollTop, 0, 7, 11), 5) << "top changes nothing";
    EXPECT_EQ(scrolled_position(t.b, t.record(5), ScrollEndScroll, 0, 7, 11), 5);
    EXPECT_EQ(scrolled_position(t.b, t.record(5), 99, 0, 7, 11), 5);
}

TEST(ScrollCodes, BottomShowsTheLastHeaderAtTheTop)
{
    HandThread t({2, 5, 1});   // headers at 0, 4, 11; 14 lines
    EXPECT_EQ(scrolled_position(t.b, t.record(0), ScrollBottom, 0, 7, 11), 11);
    EXPECT_EQ(scrolled_position(t.b, t.record(13), ScrollBottom, 0, 7, 11), 11);
    HandThread empty({});
    EXPECT_EQ(scrolled_position(empty.b, empty.record(0), ScrollBottom, 0, 7, 11), 0);
}

TEST(ScrollCodes, ALargeThreadMovesBeyond16Bits)
{
    HandThread t(std::vector<int>(30000, 1));   // 90000 lines
    EXPECT_EQ(scrolled_position(t.b, t.record(70000), ScrollThumbTrack, 80000, 7, 11), 80000);
    EXPECT_EQ(scrolled_position(t.b, t.record(70000), ScrollBottom, 0, 7, 11), 89997);
}

TEST(NextPrevious, MoveBetweenHeadersAndStopAtTheEnds)
{
    HandThread t({2, 2, 2});   // headers at 0, 4, 8
    EXPECT_EQ(next_response_position(t.b, 0), 4);
    EXPECT_EQ(next_response_position(t.b, 5), 8) << "from a body line of 2 to 3";
    EXPECT_EQ(next_response_position(t.b, 8), 8) << "N on the last response stays";
    EXPECT_EQ(next_response_position(t.b, 11), 8);
    EXPECT_EQ(next_response_position(t.b, 12), 8) << "past the end: the last response";
    EXPECT_EQ(previous_response_position(t.b, 8), 4);
    EXPECT_EQ(previous_response_position(t.b, 6), 0) << "from a body line of 2 to 1";
    EXPECT_EQ(previous_response_position(t.b, 0), 0) << "P on response 1 stays";
    EXPECT_EQ(previous_response_position(t.b, 2), 0);
    EXPECT_EQ(previous_response_position(t.b, 12), 4) << "past the end counts as the last response";
}

TEST(NextPrevious, AnEmptyThreadStaysAtLineZero)
{
    HandThread t({});
    EXPECT_EQ(next_response_position(t.b, 0), 0);
    EXPECT_EQ(previous_response_position(t.b, 0), 0);
    ResponseBuffer released{};
    EXPECT_EQ(next_response_position(released, 0), 0);
}

TEST(FirstLine, ResponsesOutsideTheThread)
{
    HandThread t({1, 1});
    EXPECT_EQ(first_line_of_response(t.b, 0), 0);
    EXPECT_EQ(first_line_of_response(t.b, -4), 0);
    EXPECT_EQ(first_line_of_response(t.b, 2), 3);
    EXPECT_EQ(first_line_of_response(t.b, 3), 6) << "the line count";
    EXPECT_EQ(response_at_top(t.b, 4), 2);
    EXPECT_EQ(response_at_top(t.b, 6), 2);
}

TEST(JumpDialog, ArrowsStepBetweenOneAndOneLessThanTheCount)
{
    int32_t lo = 0, hi = 0;
    jump_range(100, &lo, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 99);
    jump_range(1, &lo, &hi);
    EXPECT_EQ(hi, 1) << "never an inverted range";
    jump_range(0, &lo, &hi);
    EXPECT_EQ(hi, 1);
}

TEST(JumpDialog, NumberReadFromTheEditBox)
{
    EXPECT_EQ(jump_number(u"42"), 42);
    EXPECT_EQ(jump_number(u"-7"), -7);
    EXPECT_EQ(jump_number(u"+7"), 7);
    EXPECT_EQ(jump_number(u""), 0);
    EXPECT_EQ(jump_number(u"abc"), 0);
    EXPECT_EQ(jump_number(u"12x3"), 12);
    EXPECT_EQ(jump_number(u"123456789012"), 123456789) << "nine characters at most";
    EXPECT_EQ(jump_number(u"-12345678901"), -12345678) << "the sign is one of the nine";
    EXPECT_EQ(jump_number(nullptr), 0);
}

TEST(JumpDialog, NumbersAreHeldToTheThread)
{
    std::vector<int> bodies(100, 1);
    HandThread t(bodies);   // 100 responses, header of n at 3(n-1)
    EXPECT_EQ(jump_position(t.b, 0), 0);
    EXPECT_EQ(jump_position(t.b, -5), 0);
    EXPECT_EQ(jump_position(t.b, 1), 0);
    EXPECT_EQ(jump_position(t.b, 50), 147);
    EXPECT_EQ(jump_position(t.b, 100), 297);
    EXPECT_EQ(jump_position(t.b, 250), 297) << "above the count: the last response";
    HandThread empty({});
    EXPECT_EQ(jump_position(empty.b, 5), 0);
}
