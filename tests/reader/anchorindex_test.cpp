#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "reader/anchorindex.h"
#include "reader/anchorscan.h"
#include "reader/anchortap.h"
#include "reader/conversation.h"
#include "reader/wrap.h"
#include "tests/support/heapthread.h"

namespace {

using Pieces = std::vector<std::pair<int32_t, int32_t>>;
using Targets = std::vector<int32_t>;

const std::string kFullGt = "\x81\x84";   // ＞
std::string full_digits(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) out += std::string("\x82") + static_cast<char>(0x4F + (c - '0'));
    return out;
}

Pieces sjis_pieces(const std::string& text)
{
    Pieces got;
    scan_sjis_anchors(text.data(), text.size(), [&](int32_t lo, int32_t hi) { got.emplace_back(lo, hi); });
    return got;
}

// An anchor as the servers link it.
std::string linked(const std::string& target)
{
    return "<a href=\"../test/read.cgi/mobile/1141174800/" + target + "\" target=\"_blank\">&gt;&gt;" + target +
           "</a>";
}

std::string line_with(const std::string& body, const std::string& id)
{
    return "\x96\xbc\x96\xb3\x82\xb5<>sage<>2006/03/01(\x90\x85) 12:00:00 ID:" + id + "<> " + body + " <>";
}

// A thread parsed from log lines, kept on the heap while a test looks at it.
struct ParsedThread {
    HeapBuildHost host;
    void add(const std::vector<std::string>& lines) { host.feed(lines); }
    ResponseBuffer thread() { return thread_of(host.b); }
};

}  // namespace

// ---- the scanner ----

TEST(AnchorScan, ReadsNumbersRangesListsAndFullWidth)
{
    struct Case {
        std::string text;
        Pieces pieces;
    } cases[] = {
        {">>5", {{5, 5}}},
        {">>5-8 ok", {{5, 8}}},
        {">>5,7", {{5, 5}, {7, 7}}},
        {">>5,7-9,12", {{5, 5}, {7, 9}, {12, 12}}},
        {"&gt;&gt;12 unlinked", {{12, 12}}},
        {kFullGt + kFullGt + full_digits("15"), {{15, 15}}},
        {kFullGt + ">" + full_digits("3") + "\x81\x7c" + full_digits("4"), {{3, 4}}},   // ＞>３－４
        {">>3\x81\x43" "4", {{3, 3}, {4, 4}}},                                          // ，
        {">>>7", {{7, 7}}},
        {"a>>1 and >>2", {{1, 1}, {2, 2}}},
        {">>8-5", {{8, 8}}},
        {">>1000", {{1000, 1000}}},
        {">>5-2000", {{5, 5}}},
        {">5", {}},
        {">>0", {}},
        {">>1001", {}},
        {">>12345", {}},
        {">> 5", {}},
        {">>", {}},
        {"http://example.invalid/test/read.cgi/mobile/1/5", {}},
        // ソ's second byte is "\", 0x82's trail 0x84 is not ＞: a second byte
        // is never read as a first.
        {"\x83\x5c>>2", {{2, 2}}},
        {"\x88\x81\x84\x81\x84" "5", {}},   // 0x8881 is one character; 0x84 0x81 another
    };
    for (const Case& c : cases) EXPECT_EQ(sjis_pieces(c.text), c.pieces) << c.text;
}

TEST(AnchorScan, WideTextFindsTheSameAnchorWithItsExtent)
{
    const std::u16string text = u"見て＞＞５－７，９ね";
    Pieces got;
    size_t n = read_anchor(text.data(), text.size(), 2, wide_anchor_char,
                           [&](int32_t lo, int32_t hi) { got.emplace_back(lo, hi); });
    EXPECT_EQ(n, 7u) << "＞＞５－７，９";
    EXPECT_EQ(got, (Pieces{{5, 7}, {9, 9}}));
    EXPECT_EQ(read_anchor(text.data(), text.size(), 3, wide_anchor_char, [](int32_t, int32_t) {}), 0u)
        << "one lead is not an anchor";
}

// ---- the index ----

TEST(ConversationIndex, RealShapedThreadAnchorsRepliesAndIds)
{
    ParsedThread p;
    p.add({
        line_with("first", "AbCd0"),                                                         // 1
        line_with(linked("1") + " <br> agreed", "XyZ12"),                                    // 2
        line_with(linked("1-3") + " range", "AbCd0"),                                        // 3
        line_with(linked("1") + "," + linked("2") + " <br> &gt;&gt;2 again", "???"),         // 4
        line_with(kFullGt + kFullGt + full_digits("3") + " <br> >>9 later", "AbCd0"),        // 5
    });
    ResponseBuffer t = p.thread();
    ASSERT_EQ(t.responseCount, 5);
    ConversationIndex index;
    conversation_extend(index, t);
    EXPECT_EQ(index.responses, 5);

    EXPECT_EQ(anchors_of(index, 3), (Targets{1, 2, 3}));
    EXPECT_EQ(anchors_of(index, 4), (Targets{1, 2})) << "a repeated target counts once";
    EXPECT_EQ(anchors_of(index, 5), (Targets{3, 9}));
    EXPECT_EQ(replies_to(index, 1), (Targets{2, 3, 4}));
    EXPECT_EQ(replies_to(index, 3), (Targets{3, 5}));
    EXPECT_EQ(reply_count(index, 2), 2);
    EXPECT_EQ(reply_count(index, 9), 1) << "an anchor to a response not yet in the log";
    EXPECT_EQ(replies_to(index, 9), (Targets{5}));
    EXPECT_EQ(reply_count(index, 5), 0);
    EXPECT_TRUE(anchors_of(index, 6).empty());
    EXPECT_TRUE(anchors_of(index, 0).empty());

    EXPECT_EQ(same_id(index, 3), (Targets{1, 3, 5}));
    EXPECT_EQ(id_place(index, 1).place, 1);
    EXPECT_EQ(id_place(index, 5).place, 3);
    EXPECT_EQ(id_place(index, 5).count, 3);
    EXPECT_EQ(id_place(index, 2).count, 1);
    EXPECT_EQ(id_place(index, 4).count, 0) << "a hidden ID groups nobody";
    EXPECT_TRUE(same_id(index, 4).empty());
}

TEST(ConversationIndex, CapsPerRangeAndPerResponse)
{
    std::string many;
    for (int k = 1; k <= 100; ++k) many += ">>" + std::to_string(k) + " ";
    ParsedThread p;
    p.add({line_with("&gt;&gt;1-1000", "a"), line_with(many, "b")});
    ConversationIndex index;
    conversation_extend(index, p.thread());
    EXPECT_EQ(anchors_of(index, 1).size(), static_cast<size_t>(kMaxRangeTargets));
    EXPECT_EQ(anchors_of(index, 1).back(), kMaxRangeTargets);
    EXPECT_EQ(anchors_of(index, 2).size(), static_cast<size_t>(kMaxAnchorsPerResponse));
    EXPECT_EQ(reply_count(index, 100), 0);
}

TEST(ConversationIndex, ReloadExtendsWithoutRescanningOldResponses)
{
    ParsedThread p;
    p.add({line_with("start", "A1"), line_with(">>1", "B2"), line_with("plain", "A1")});
    ConversationIndex index;
    conversation_extend(index, p.thread());
    EXPECT_EQ(reply_count(index, 1), 1);
    EXPECT_EQ(id_place(index, 3).count, 2);

    // The first body's text changed in memory: an index that read the old
    // responses again would see it.
    ResponseBuffer before = p.thread();
    before.lines[before.responses[1].firstLine + 1].text[0] = 'x';

    p.add({line_with(">>1,3", "A1"), line_with(linked("2"), "C3")});
    ResponseBuffer t = p.thread();
    ASSERT_EQ(t.responseCount, 5);
    conversation_extend(index, t);
    EXPECT_EQ(index.responses, 5);
    EXPECT_EQ(anchors_of(index, 2), (Targets{1})) << "response 2 was not read again";
    EXPECT_EQ(replies_to(index, 1), (Targets{2, 4}));
    EXPECT_EQ(reply_count(index, 3), 1);
    EXPECT_EQ(reply_count(index, 2), 1);
    EXPECT_EQ(id_place(index, 3).count, 3) << "the old response's ID count grows";
    EXPECT_EQ(id_place(index, 4).place, 3);

    // A log fetched again whole with fewer responses is indexed from the start.
    ParsedThread shorter;
    shorter.add({line_with("&gt;&gt;1", "Q")});
    conversation_extend(index, shorter.thread());
    EXPECT_EQ(index.responses, 1);
    EXPECT_EQ(reply_count(index, 1), 1);
    EXPECT_TRUE(anchors_of(index, 2).empty());
}

TEST(ConversationIndex, IdOfTheDateField)
{
    struct Case {
        const char* date;
        const char* id;
    } cases[] = {
        {"2006/03/01 12:00:00 ID:AbCd0", "AbCd0"},
        {"2006/03/01 12:00:00 ID:AbCd0 BE:123-2BP", "AbCd0"},
        {"2006/03/01 12:00:00 ID:???", ""},
        {"2006/03/01 12:00:00 ID:???0", ""},
        {"2006/03/01 12:00:00", ""},
        {"ID:nospace", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(date_id(c.date), c.id) << c.date;
    EXPECT_EQ(date_id(nullptr), "");
}

TEST(ConversationIndex, HeaderTextsShowRepliesAndIdPlace)
{
    struct Case {
        int number;
        int32_t replies;
        IdPlace id;
        const char* date;
        const char* header;
    } cases[] = {
        {5, 3, {2, 5}, "06/03/01 ID:AbCd0", "5 (3) :name sage 06/03/01 ID:AbCd0 [2/5]"},
        {5, 0, {1, 1}, "06/03/01 ID:AbCd0", "5 :name sage 06/03/01 ID:AbCd0"},
        {12, 1, {0, 0}, "06/03/01", "12 (1) :name sage 06/03/01"},
        {7, 0, {3, 4}, "06/03/01 ID:x BE:1", "7 :name sage 06/03/01 ID:x [3/4] BE:1"},
    };
    for (const Case& c : cases) {
        char out[kHeaderBytes];
        size_t n = format_conversation_header(out, sizeof out, c.number, c.replies, c.id, "name", "sage", c.date);
        EXPECT_EQ(std::string(out, n), c.header);
    }
    // Without counts it is the plain header, byte for byte.
    char plain[kHeaderBytes], counted[kHeaderBytes];
    format_header(plain, sizeof plain, 9, "n", " ", "d ID:z");
    format_conversation_header(counted, sizeof counted, 9, 0, {1, 1}, "n", " ", "d ID:z");
    EXPECT_STREQ(plain, counted);
    // Cut at a character boundary, never overrun.
    char small[12];
    size_t n = format_conversation_header(small, sizeof small, 5, 3, {2, 5}, "\x82\xa0\x82\xa0\x82\xa0", "", "d");
    EXPECT_EQ(std::string(small, n), "5 (3) :\x82\xa0\x82\xa0");
}

TEST(ThreadConversation, BackStackReturnsLatestFirstAndKeepsABoundedCount)
{
    ThreadConversation c;
    int32_t at = -1;
    EXPECT_FALSE(pop_back_position(c, &at));
    push_back_position(c, 10);
    push_back_position(c, 40);
    EXPECT_TRUE(pop_back_position(c, &at));
    EXPECT_EQ(at, 40);
    EXPECT_TRUE(pop_back_position(c, &at));
    EXPECT_EQ(at, 10);
    for (int32_t k = 0; k < static_cast<int32_t>(kMaxBackPositions) + 5; ++k) push_back_position(c, k);
    EXPECT_EQ(c.back.size(), kMaxBackPositions);
    EXPECT_EQ(c.back.front(), 5) << "the oldest went first";
}

TEST(ThreadConversation, MadeWhenNeededAndFollowsTheThread)
{
    ParsedThread p;
    p.add({line_with("a", "I"), line_with(">>1", "I")});
    ResponseBuffer t = p.thread();
    ThreadConversation* c = conversation_of(t);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->index.responses, 2);
    p.add({line_with(">>1", "J")});
    ResponseBuffer grown = p.thread();
    grown.conversation = t.conversation;
    EXPECT_EQ(conversation_of(grown), c);
    EXPECT_EQ(reply_count(c->index, 1), 2);
    grown.lines = nullptr;
    EXPECT_EQ(conversation_of(grown), nullptr) << "a thread being reloaded";
    conversation_release(grown);
    EXPECT_EQ(grown.conversation, nullptr);
}

TEST(ConversationTap, NumberIdAndAnchorsOfTheDrawnText)
{
    ParsedThread p;
    p.add({line_with("a", "Id1"), line_with(">>1", "Id2"), line_with(">>1-2", "Id1")});
    ConversationIndex index;
    conversation_extend(index, p.thread());
    const std::u16string header = u"1 (2) :名無し sage 06/03/01 ID:Id1 [1/2] BE:1";
    const std::u16string body = u"見て＞＞１－２と >>3,1 ね";
    struct Case {
        const std::u16string& text;
        bool header;
        size_t unit;
        Targets targets;
    } cases[] = {
        {header, true, 0, {2, 3}},                            // the number: its answers
        {header, true, 4, {2, 3}},                            // "(2)"
        {header, true, 6, {}},                                // the name
        {header, true, header.find(u"ID:"), {1, 3}},          // the ID: its responses
        {header, true, header.find(u"[1/2]") + 3, {1, 3}},    // its place
        {header, true, header.find(u"BE"), {}},
        {body, false, 0, {}},
        {body, false, 2, {1, 2}},                             // ＞＞１－２ from its first unit
        {body, false, 6, {1, 2}},                             // to its last
        {body, false, 7, {}},
        {body, false, body.find(u">>3") + 4, {3, 1}},
        {body, false, body.size() - 1, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(tapped_responses(index, c.text, c.header, 1, c.unit), c.targets) << c.unit;
}
