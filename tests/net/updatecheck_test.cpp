#include "net/updatecheck.h"

#include <gtest/gtest.h>

#include <string>

#include "reader/threadentry.h"

namespace {

// Feeds `blocks` in order until the reader says it may stop; gives how many
// blocks it took.
size_t feed_all(CheckReplyReader& r, std::initializer_list<std::string> blocks)
{
    size_t used = 0;
    for (const std::string& b : blocks) {
        ++used;
        if (r.feed(b.data(), b.size())) break;
    }
    return used;
}

}  // namespace

TEST(CheckReplyReader, PartialContentMeansGrown)
{
    CheckReplyReader r;
    std::string head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 5000-5199/5200\r\n\r\n";
    EXPECT_TRUE(r.feed(head.data(), head.size()));
    EXPECT_TRUE(r.replied());
    EXPECT_EQ(r.status(), 206);
    EXPECT_EQ(r.outcome(), UpdateOutcome::Grown);
}

TEST(CheckReplyReader, RangeNotSatisfiableMeansUnchanged)
{
    CheckReplyReader r;
    std::string head = "HTTP/1.1 416 Requested Range Not Satisfiable\r\n\r\n";
    EXPECT_TRUE(r.feed(head.data(), head.size()));
    EXPECT_EQ(r.status(), 416);
    EXPECT_EQ(r.outcome(), UpdateOutcome::NotGrown);
}

TEST(CheckReplyReader, WholeReplyCountsAsGrownAndMovedOrFailedAsNot)
{
    struct Case {
        const char* line;
        int status;
        UpdateOutcome outcome;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n", 200, UpdateOutcome::Grown},
        {"HTTP/1.0 204 No Content\r\n", 204, UpdateOutcome::Grown},
        {"HTTP/1.1 302 Found\r\n", 302, UpdateOutcome::NotGrown},
        {"HTTP/1.1 404 Not Found\r\n", 404, UpdateOutcome::NotGrown},
        {"HTTP/1.1 304 Not Modified\r\n", 304, UpdateOutcome::NotGrown},
        {"<html>no status line</html>\r\n", 0, UpdateOutcome::NotGrown},
    };
    for (const Case& c : cases) {
        CheckReplyReader r;
        EXPECT_TRUE(r.feed(c.line, std::string(c.line).size())) << c.line;
        EXPECT_TRUE(r.replied()) << c.line;
        EXPECT_EQ(r.status(), c.status) << c.line;
        EXPECT_EQ(r.outcome(), c.outcome) << c.line;
    }
}

TEST(CheckReplyReader, StatusLineSplitAcrossBlocksIsAssembled)
{
    CheckReplyReader r;
    EXPECT_EQ(feed_all(r, {"HTTP/1.1 2", "0", "6 Partial Content\r", "\nDate: x\r\n\r\n"}), 4u);
    EXPECT_EQ(r.status(), 206);
    EXPECT_EQ(r.outcome(), UpdateOutcome::Grown);
    EXPECT_TRUE(r.feed("HTTP/1.1 416 x\r\n", 16));
    EXPECT_EQ(r.status(), 206);   // later blocks change nothing
}

TEST(CheckReplyReader, LongHeadIsNotReadTwice)
{
    // A head longer than one receive: its second block is no status line.
    std::string head = "HTTP/1.1 206 Partial Content\r\nX-Pad: " + std::string(1500, 'a') + "\r\n\r\n";
    CheckReplyReader r;
    std::string first = head.substr(0, kCheckReceiveBytes);
    std::string second = head.substr(kCheckReceiveBytes);
    EXPECT_EQ(feed_all(r, {first, second}), 1u);
    EXPECT_EQ(r.outcome(), UpdateOutcome::Grown);
}

TEST(CheckReplyReader, BareLineFeedEndsTheStatusLine)
{
    CheckReplyReader r;
    EXPECT_TRUE(r.feed("HTTP/1.0 416 x\n\n", 16));
    EXPECT_EQ(r.status(), 416);
}

TEST(CheckReplyReader, NoLineEndInAWholeBufferIsNoStatusLine)
{
    CheckReplyReader r;
    std::string junk(kCheckStatusLineMax - 1, 'x');
    EXPECT_FALSE(r.feed(junk.data(), junk.size()));
    EXPECT_TRUE(r.feed("yy", 2));
    EXPECT_FALSE(r.replied());
    EXPECT_EQ(r.outcome(), UpdateOutcome::NotGrown);
}

TEST(CheckReplyReader, CloseDecidesOnWhatArrived)
{
    CheckReplyReader nothing;
    nothing.closed();
    EXPECT_FALSE(nothing.replied());
    EXPECT_EQ(nothing.outcome(), UpdateOutcome::NotGrown);

    CheckReplyReader unended;
    EXPECT_FALSE(unended.feed("HTTP/1.1 206", 12));
    unended.closed();
    EXPECT_TRUE(unended.replied());
    EXPECT_EQ(unended.outcome(), UpdateOutcome::Grown);

    CheckReplyReader cut;
    EXPECT_FALSE(cut.feed("HTTP/1.1 2", 10));
    cut.closed();
    EXPECT_FALSE(cut.replied());
    EXPECT_EQ(cut.outcome(), UpdateOutcome::NotGrown);
}

TEST(CheckReplyReader, FailedReadIsNoEvidence)
{
    // The caller stops feeding at an error or a cancel and does not close.
    CheckReplyReader r;
    EXPECT_FALSE(r.feed("HTTP/1.1 20", 11));
    EXPECT_FALSE(r.replied());
    EXPECT_EQ(r.outcome(), UpdateOutcome::NotGrown);
}

TEST(CheckCaption, VerdictsShowOnlyInDebugMode)
{
    EXPECT_EQ(check_caption(416, true), CheckCaption::Unchanged);
    EXPECT_EQ(check_caption(206, true), CheckCaption::Changed);
    EXPECT_EQ(check_caption(416, false), CheckCaption::Keep);
    EXPECT_EQ(check_caption(206, false), CheckCaption::Keep);
    EXPECT_EQ(check_caption(200, true), CheckCaption::Keep);
    EXPECT_EQ(check_caption(300, false), CheckCaption::Keep);
}

TEST(CheckCaption, OtherCodesShowMovedOrFailed)
{
    EXPECT_EQ(check_caption(301, false), CheckCaption::Moved);
    EXPECT_EQ(check_caption(302, true), CheckCaption::Moved);
    EXPECT_EQ(check_caption(303, false), CheckCaption::Moved);
    EXPECT_EQ(check_caption(304, false), CheckCaption::Failed);
    EXPECT_EQ(check_caption(404, false), CheckCaption::Failed);
    EXPECT_EQ(check_caption(0, false), CheckCaption::Failed);
    EXPECT_EQ(check_caption(199, false), CheckCaption::Failed);
}

TEST(CheckRangeStart, AsksFromTheFirstByteNotHeld)
{
    EXPECT_EQ(check_range_start(0), 0);
    EXPECT_EQ(check_range_start(1), 1);
    EXPECT_EQ(check_range_start(5000), 5000);
    EXPECT_EQ(check_range_start(0x7fffffffu), 0x7fffffff);
    EXPECT_EQ(check_range_start(0x80000000u), -1);
    EXPECT_EQ(check_range_start(0xffffffffu), -1);
}

TEST(CheckRowBoard, FavouritesNameTheirBoardOthersUseTheCurrentOne)
{
    EXPECT_EQ(check_row_board(true, 3, 7, 10), 3);
    EXPECT_EQ(check_row_board(false, 3, 7, 10), 7);   // extra is the line number there
    EXPECT_EQ(check_row_board(true, 10, 0, 10), -1);
    EXPECT_EQ(check_row_board(true, -1, 0, 10), -1);
    EXPECT_EQ(check_row_board(false, 0, -1, 10), -1);
    EXPECT_EQ(check_row_board(false, 0, 0, 0), -1);
}
