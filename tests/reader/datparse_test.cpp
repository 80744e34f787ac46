#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "reader/datparse.h"
#include "tests/support/anchorref.h"

namespace {

// Shift-JIS texts used below.
const std::string kNanashi = "\x96\xbc\x96\xb3\x82\xb5";   // 名無し
const std::string kA = "\x82\xa0";                          // あ
const std::string kSo = "\x83\x5c";                         // ソ (second byte is "\")

std::string rewritten(std::string s)
{
    size_t n = rewrite_anchors(s.data(), s.size());
    return s.substr(0, n);
}

// A parse host on the C heap, with growth that can be refused.
class TestHost : public ThreadBuildHost {
public:
    explicit TestHost(uint32_t storeSize = kTextStoreBytes)
    {
        b.responseRoom = kResponseGrowth;
        b.responses = static_cast<Response*>(std::calloc(b.responseRoom, sizeof(Response)));
        b.lineRoom = kLineGrowth;
        b.lines = static_cast<ResponseLine*>(std::calloc(b.lineRoom, sizeof(ResponseLine)));
        b.storeSize = storeSize;
        b.store = static_cast<char*>(std::calloc(storeSize, 1));
    }
    ~TestHost() override
    {
        std::free(b.responses);
        std::free(b.lines);
        std::free(b.store);
    }
    bool grow_responses(ThreadBuild& t) override
    {
        ++responseGrowths;
        if (refuseResponses) return false;
        uint32_t room = static_cast<uint32_t>(t.responseCount) + kResponseGrowth;
        void* p = std::realloc(t.responses, room * sizeof(Response));
        if (!p) return false;
        t.responses = static_cast<Response*>(p);
        t.responseRoom = room;
        return true;
    }
    bool grow_lines(ThreadBuild& t) override
    {
        ++lineGrowths;
        if (refuseLines) return false;
        uint32_t room = static_cast<uint32_t>(t.lineCount) + kLineGrowth;
        void* p = std::realloc(t.lines, room * sizeof(ResponseLine));
        if (!p) return false;
        std::memset(static_cast<ResponseLine*>(p) + t.lineRoom, 0,
                    (room - t.lineRoom) * sizeof(ResponseLine));
        t.lines = static_cast<ResponseLine*>(p);
        t.lineRoom = room;
        return true;
    }
    void store_full() override { ++storeFull; }
    void progress(int32_t responses) override { progressCalls.push_back(responses); }

    // Feeds lines until the parse ends; returns the lines fed.
    size_t feed(const std::vector<std::string>& lines)
    {
        size_t fed = 0;
        for (const auto& l : lines) {
            ++fed;
            if (build_add_line(b, l, *this) == DatStep::End) break;
        }
        return fed;
    }
    std::string text(int line) const
    {
        return std::string(b.lines[line].text);
    }

    ThreadBuild b{};
    bool refuseResponses = false;
    bool refuseLines = false;
    int responseGrowths = 0;
    int lineGrowths = 0;
    int storeFull = 0;
    std::vector<int32_t> progressCalls;
};

std::string dat_line(const std::string& name, const std::string& body, const std::string& mail = "",
                     const std::string& title = "")
{
    return name + "<>" + mail + "<>2006/01/01(日) 00:00:00 ID:abcdefgh<> " + body + " <>" + title;
}

}  // namespace

// ---- fields of one line ----

TEST(DatLine, LineWithoutSeparatorIsNotAResponse)
{
    DatLine d;
    EXPECT_FALSE(parse_dat_line("", &d));
    EXPECT_FALSE(parse_dat_line("just text < > with brackets", &d));
}

TEST(DatLine, SplitsTheFourFieldsAndIgnoresTheTitle)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("name<>sage<>2006/01/01 ID:x<> a <br> b <>Title <br> x<>", &d));
    EXPECT_EQ(d.nameHead, "name");
    EXPECT_EQ(d.nameTrip, "");
    EXPECT_EQ(d.mail, "sage");
    EXPECT_EQ(d.date, "2006/01/01 ID:x");
    EXPECT_EQ(d.body, "a <br> b ");   // one leading space skipped, trailing one kept
    EXPECT_TRUE(d.bodyClosed);
    EXPECT_FALSE(d.bodyEmpty);
}

TEST(DatLine, EmptyMailBecomesOneSpace)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("n<><>date<> x <>", &d));
    EXPECT_EQ(d.mail, " ");
    EXPECT_EQ(d.date, "date");
    EXPECT_EQ(d.body, "x ");
}

TEST(DatLine, OnlyOneLeadingSpaceIsSkipped)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("n<>m<>d<>   x<>", &d));
    EXPECT_EQ(d.body, "  x");
    ASSERT_TRUE(parse_dat_line("n<>m<>d<>x<>", &d));
    EXPECT_EQ(d.body, "x");
}

TEST(DatLine, TripName)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("abc </b>\x81\x9f" "trip<b><>m<>d<> x <>", &d));
    EXPECT_EQ(d.nameHead, "abc ");
    EXPECT_EQ(d.nameTrip, "\x81\x9f" "trip");
    // What follows the "<b>" is dropped, later "</b>"s included.
    ASSERT_TRUE(parse_dat_line("a</b>b<b>c</b>d<b><>m<>d<> x <>", &d));
    EXPECT_EQ(d.nameHead, "a");
    EXPECT_EQ(d.nameTrip, "b");
}

TEST(DatLine, TripWithoutClosingTagKeepsTheRestOfTheName)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("abc</b>rest of name<>m<>d<> x <>", &d));
    EXPECT_EQ(d.nameHead, "abc");
    EXPECT_EQ(d.nameTrip, "rest of name");
    ASSERT_TRUE(parse_dat_line("</b><>m<>d<> x <>", &d));
    EXPECT_EQ(d.nameHead, "");
    EXPECT_EQ(d.nameTrip, "");
    // A "<b>" before the "</b>" does not close it.
    ASSERT_TRUE(parse_dat_line("x<b>y</b>z<>m<>d<> x <>", &d));
    EXPECT_EQ(d.nameHead, "x<b>y");
    EXPECT_EQ(d.nameTrip, "z");
}

TEST(DatLine, FewerSeparatorsRunToTheEndOfTheLine)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("name<>", &d));
    EXPECT_EQ(d.nameHead, "name");
    EXPECT_EQ(d.mail, "");
    EXPECT_EQ(d.date, "");
    EXPECT_EQ(d.body, "");
    EXPECT_FALSE(d.bodyClosed);
    EXPECT_FALSE(d.bodyEmpty);

    ASSERT_TRUE(parse_dat_line("name<>mail text", &d));
    EXPECT_EQ(d.mail, "mail text");
    EXPECT_EQ(d.date, "");
    EXPECT_EQ(d.body, "");

    ASSERT_TRUE(parse_dat_line("name<><>date only", &d));
    EXPECT_EQ(d.mail, " ");
    EXPECT_EQ(d.date, "date only");
    EXPECT_EQ(d.body, "");
    EXPECT_FALSE(d.bodyClosed);

    ASSERT_TRUE(parse_dat_line("name<>m<>d<> partial body <br> second", &d));
    EXPECT_EQ(d.body, "partial body <br> second");
    EXPECT_FALSE(d.bodyClosed);
}

TEST(DatLine, EmptyBody)
{
    DatLine d;
    ASSERT_TRUE(parse_dat_line("n<>m<>d<><>title", &d));
    EXPECT_TRUE(d.bodyEmpty);
    ASSERT_TRUE(parse_dat_line("n<>m<>d<> <>", &d));
    EXPECT_TRUE(d.bodyEmpty) << "the one skipped space leaves the closing <> at the start";
    ASSERT_TRUE(parse_dat_line("n<>m<>d<>  <>", &d));
    EXPECT_FALSE(d.bodyEmpty);
    EXPECT_EQ(d.body, " ");
}

TEST(DatLine, FieldsAreCutAtACharacterBoundary)
{
    EXPECT_EQ(sjis_fit("abc", 66), 3u);
    std::string mail = std::string(65, 'm') + kA;    // 67 bytes: the double-byte one does not fit
    EXPECT_EQ(sjis_fit(mail, 66), 65u);
    std::string date = std::string(68, 'd') + "tail";
    EXPECT_EQ(sjis_fit(date, 68), 68u);
    std::string sj = kA + kA + kA;                    // 6 bytes
    EXPECT_EQ(sjis_fit(sj, 5), 4u);
    EXPECT_EQ(sjis_fit(sj, 1), 0u);

    char out[kMailBytes];
    EXPECT_EQ(copy_field(out, sizeof out, mail), 65u);
    EXPECT_EQ(std::string(out), std::string(65, 'm'));
    std::string longMail(200, 'x');
    EXPECT_EQ(copy_field(out, sizeof out, longMail), 66u);
    EXPECT_EQ(std::strlen(out), 66u);
}

// ---- body lines ----

TEST(BodyLines, SplitsAtBreaksAndTheClosingSeparator)
{
    std::vector<std::string> got;
    BodyLines lines("a <br> b ", true);
    std::string_view l;
    while (lines.next(&l)) got.emplace_back(l);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b "}));
}

TEST(BodyLines, TwoBreaksInARowGiveAnEmptyLine)
{
    std::vector<std::string> got;
    BodyLines lines("a <br>  <br> b", true);
    std::string_view l;
    while (lines.next(&l)) got.emplace_back(l);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "", "b"}));
}

TEST(BodyLines, ClosedBodyKeepsAnEmptyLastLine)
{
    std::vector<std::string> got;
    BodyLines lines("a <br> ", true);
    std::string_view l;
    while (lines.next(&l)) got.emplace_back(l);
    EXPECT_EQ(got, (std::vector<std::string>{"a", ""}));
}

TEST(BodyLines, UnclosedBodyShowsItsNonEmptyLastPiece)
{
    std::vector<std::string> got;
    std::string_view l;
    BodyLines a("a <br> part", false);
    while (a.next(&l)) got.emplace_back(l);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "part"}));
    got.clear();
    BodyLines b("a <br> ", false);
    while (b.next(&l)) got.emplace_back(l);
    EXPECT_EQ(got, (std::vector<std::string>{"a"}));
    BodyLines c("", false);
    EXPECT_FALSE(c.next(&l));
}

// ---- anchors ----

TEST(Anchors, ReplyAnchorBecomesArrowsAndNumber)
{
    EXPECT_EQ(rewritten("<a href=\"../test/read.cgi/mobile/1065069078/12\" target=\"_blank\">&gt;&gt;12</a>"),
              ">>12");
    EXPECT_EQ(rewritten("see <a href=\"x/5\">&gt;&gt;5</a> word"), "see >>5 word");
    EXPECT_EQ(rewritten("<a href=\"a\">&gt;&gt;1</a> and <a href=\"b\">&gt;&gt;2-3</a>!"), ">>1 and >>2-3!");
}

TEST(Anchors, GtOutsideAnAnchorStays)
{
    EXPECT_EQ(rewritten("&gt;&gt;12 plain"), "&gt;&gt;12 plain");
    EXPECT_EQ(rewritten("<a href=\"x\">&gt;&gt;1</a> &gt; quote"), ">>1 &gt; quote");
}

TEST(Anchors, LinkWithoutGtKeepsItsText)
{
    EXPECT_EQ(rewritten("go <a href=\"http://example.test/\">http://example.test/</a> now"),
              "go http://example.test/ now");
}

TEST(Anchors, LaterGtIsTakenAndTheBytesBeforeItDropped)
{
    // The "&gt;" search runs to the end of the line.
    EXPECT_EQ(rewritten("<a href=\"u\">link</a> then &gt;3</a>!"), ">3!");
    // With no "</a>" after the "&gt;" taken, the anchor stays as it is.
    EXPECT_EQ(rewritten("<a href=\"u\">link</a> then &gt;3"), "<a href=\"u\">link</a> then &gt;3");
    EXPECT_EQ(rewritten("<a href=\"u\">&gt;one</a> x &gt;y</a>z"), ">>yz");
}

TEST(Anchors, MalformedAnchorsStayAsTheyAre)
{
    EXPECT_EQ(rewritten("a <a href=\"no end of tag"), "a <a href=\"no end of tag");
    EXPECT_EQ(rewritten("a <a href=\"x\">&gt;&gt;5 no close"), "a <a href=\"x\">&gt;&gt;5 no close");
    EXPECT_EQ(rewritten("<a href=\"x\">&gt;1</a> b <a href=\"y\">2"), ">1 b <a href=\"y\">2");
    EXPECT_EQ(rewritten("<a href="), "<a href=");
    EXPECT_EQ(rewritten(""), "");
}

TEST(Anchors, NestedAndStraddlingAnchorsFollowTheRescan)
{
    std::string nested = "<a href=1><a href=2>&gt;&gt;7</a></a>x";
    EXPECT_EQ(rewritten(nested), reference_rewrite(nested));
    EXPECT_EQ(rewritten(nested), ">>7</a>x");
    // The kept text and the link text join into a new opening tag.
    std::string straddle = "<a hr<a href=q>ef=z>9</a></a>";
    EXPECT_EQ(reference_rewrite(straddle), "9");
    EXPECT_EQ(rewritten(straddle), "9");
}

TEST(Anchors, AgreesWithTheRescanOnGeneratedLines)
{
    const char* parts[] = {"<a href=", ">", "&gt;", "</a>", "x", " ", "&", "<", "a", "<a hr", "ef=", "1",
                           "\x82\xa0"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        int pieces = static_cast<int>(rng() % 16);
        for (int i = 0; i < pieces; ++i) line += parts[rng() % (sizeof parts / sizeof parts[0])];
        ASSERT_EQ(rewritten(line), reference_rewrite(line)) << line;
    }
}

TEST(Anchors, BoundedCountOnAHostileLine)
{
    std::string line;
    for (int i = 0; i < kMaxAnchorsPerLine + 5; ++i) line += "<a href=x>&gt;&gt;1</a>";
    std::string out = rewritten(line);
    std::string expect;
    for (int i = 0; i < kMaxAnchorsPerLine; ++i) expect += ">>1";
    for (int i = 0; i < 5; ++i) expect += "<a href=x>&gt;&gt;1</a>";
    EXPECT_EQ(out, expect);
}

// ---- building a thread ----

TEST(ThreadBuild, NanashiLineGivesFourLines)
{
    TestHost h;
    std::string line = kNanashi + "<><>2006/01/01(Sun) 12:00:00 ID:abc<> a <br> b <>Thread title";
    h.feed({line});
    ASSERT_EQ(h.b.responseCount, 1);
    ASSERT_EQ(h.b.lineCount, 4);
    EXPECT_STREQ(h.b.responses[0].mail, " ");
    EXPECT_STREQ(h.b.responses[0].date, "2006/01/01(Sun) 12:00:00 ID:abc");
    EXPECT_EQ(h.b.responses[0].firstLine, 0u);

    EXPECT_EQ(h.b.lines[0].kind, HeaderLine);
    EXPECT_EQ(h.b.lines[0].response, 1);
    EXPECT_EQ(h.b.lines[0].length, 6);
    EXPECT_EQ(h.text(0), kNanashi);
    EXPECT_EQ(h.b.lines[0].text, h.b.store) << "the first line starts the store";

    EXPECT_EQ(h.b.lines[1].kind, BodyLine);
    EXPECT_EQ(h.text(1), "a");
    EXPECT_EQ(h.b.lines[1].length, 1);
    EXPECT_EQ(h.text(2), "b ");
    EXPECT_EQ(h.b.lines[2].length, 2);
    EXPECT_EQ(h.text(3), " ");
    EXPECT_EQ(h.b.lines[3].length, 1);
    EXPECT_EQ(h.b.lines[3].kind, BodyLine);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(h.b.lines[i].response, 1);

    // Texts follow each other, each with one NUL.
    std::string expect = kNanashi + std::string(1, '\0') + "a" + std::string(1, '\0') + "b " +
                         std::string(1, '\0') + " " + std::string(1, '\0');
    EXPECT_EQ(std::string(h.b.store, h.b.storeUsed), expect);
}

TEST(ThreadBuild, TripNameIsStoredJoined)
{
    TestHost h;
    h.feed({"abc </b>" + kSo + "trip<b> tail<>sage<>d<> x <>"});
    ASSERT_EQ(h.b.lineCount, 3);
    EXPECT_EQ(h.text(0), "abc " + kSo + "trip");
    EXPECT_EQ(h.b.lines[0].length, static_cast<int32_t>(4 + 2 + 4));
    EXPECT_STREQ(h.b.responses[0].mail, "sage");
}

TEST(ThreadBuild, AnchorLineTakesTheRoomOfItsOriginalLength)
{
    TestHost h;
    std::string anchor = "<a href=\"../test/read.cgi/x/1/12\" target=\"_blank\">&gt;&gt;12</a>";
    h.feed({dat_line("n", anchor + " <br> &gt; q")});
    ASSERT_EQ(h.b.lineCount, 4);
    EXPECT_EQ(h.text(1), ">>12");
    EXPECT_EQ(h.b.lines[1].length, static_cast<int32_t>(anchor.size()));
    // The room after the shorter text is zero, and the next text follows the room.
    for (size_t i = 4; i <= anchor.size(); ++i) EXPECT_EQ(h.b.lines[1].text[i], '\0');
    EXPECT_EQ(h.b.lines[2].text, h.b.lines[1].text + anchor.size() + 1);
    EXPECT_EQ(h.text(2), "&gt; q ");
}

TEST(ThreadBuild, DoubleSeparatorGivesAnEmptyBodyLine)
{
    TestHost h;
    h.feed({dat_line("n", "a <br>  <br> b")});
    ASSERT_EQ(h.b.lineCount, 5);
    EXPECT_EQ(h.text(1), "a");
    EXPECT_EQ(h.text(2), "");
    EXPECT_EQ(h.b.lines[2].length, 0);
    EXPECT_EQ(h.text(3), "b ");
}

TEST(ThreadBuild, LineWithoutSeparatorIsSkippedAndNotNumbered)
{
    TestHost h;
    h.feed({dat_line("n1", "one"), dat_line("n2", "two"), dat_line("n3", "three"), "garbage line",
            dat_line("n4", "four")});
    ASSERT_EQ(h.b.responseCount, 4);
    ASSERT_EQ(h.b.lineCount, 12);
    EXPECT_EQ(h.b.responses[3].firstLine, 9u);
    EXPECT_EQ(h.text(9), "n4");
    EXPECT_EQ(h.b.lines[9].response, 4);
    EXPECT_EQ(h.text(10), "four ");
}

TEST(ThreadBuild, EmptyBodyEndsTheParse)
{
    TestHost h;
    size_t fed = h.feed({dat_line("n1", "one"), "n2<>m<>d<><>", dat_line("n3", "three")});
    EXPECT_EQ(fed, 2u);
    ASSERT_EQ(h.b.responseCount, 2);
    ASSERT_EQ(h.b.lineCount, 4) << "the empty response keeps its header line only";
    EXPECT_EQ(h.b.lines[3].kind, HeaderLine);
    EXPECT_EQ(h.text(3), "n2");
}

TEST(ThreadBuild, ShortLinesStillGiveAResponse)
{
    TestHost h;
    h.feed({"only a name<>", "n<>mail", "n<>m<>date", "n<>m<>d<> cut short <br> at the end"});
    ASSERT_EQ(h.b.responseCount, 4);
    // Responses 1-3: header and blank line; 4: header, two body lines, blank.
    ASSERT_EQ(h.b.lineCount, 2 + 2 + 2 + 4);
    EXPECT_EQ(h.text(0), "only a name");
    EXPECT_EQ(h.text(1), " ");
    EXPECT_STREQ(h.b.responses[1].mail, "mail");
    EXPECT_STREQ(h.b.responses[2].date, "date");
    EXPECT_EQ(h.text(7), "cut short");
    EXPECT_EQ(h.text(8), "at the end");
    EXPECT_EQ(h.text(9), " ");
}

TEST(ThreadBuild, LongMailAndDateAreCutToTheirRoom)
{
    TestHost h;
    std::string mail(100, 'm');
    std::string date = std::string(67, 'd') + kA + "more";
    h.feed({"n<>" + mail + "<>" + date + "<> x <>"});
    ASSERT_EQ(h.b.responseCount, 1);
    EXPECT_EQ(std::string(h.b.responses[0].mail), std::string(66, 'm'));
    EXPECT_EQ(std::string(h.b.responses[0].date), std::string(67, 'd'));
}

TEST(ThreadBuild, LongLineIsOneResponse)
{
    TestHost h;
    std::string body;
    while (body.size() < 5000) body += kA + "text " + " <br> ";
    body += "end";
    std::string line = dat_line("n", body);
    ASSERT_GT(line.size(), 5000u);
    h.feed({line, dat_line("n2", "second")});
    ASSERT_EQ(h.b.responseCount, 2);
    EXPECT_EQ(h.text(h.b.responses[1].firstLine), "n2");
    EXPECT_EQ(h.text(h.b.responses[1].firstLine - 2), "end ");
}

TEST(ThreadBuild, ProgressEveryHundredResponses)
{
    TestHost h;
    std::vector<std::string> lines;
    for (int i = 0; i < 205; ++i) lines.push_back(dat_line("n", "b"));
    lines.insert(lines.begin() + 100, "skipped");
    h.feed(lines);
    // Tested once per line read: at 0, at 100 (twice: the skipped line and
    // the 101st response), at 200.
    EXPECT_EQ(h.progressCalls, (std::vector<int32_t>{0, 100, 100, 200}));
}

TEST(ThreadBuild, ArraysGrowInTheirSteps)
{
    TestHost h;
    std::vector<std::string> lines;
    for (int i = 0; i < 1201; ++i) lines.push_back(dat_line("n", "b"));
    h.feed(lines);
    EXPECT_EQ(h.b.responseCount, 1201);
    EXPECT_EQ(h.b.lineCount, 1201 * 3);
    EXPECT_EQ(h.responseGrowths, 2);   // 500 -> 1000 -> 1500
    EXPECT_EQ(h.b.responseRoom, 1500u);
    EXPECT_EQ(h.lineGrowths, 1);       // 2000 -> 4000
    EXPECT_EQ(h.b.responses[1200].firstLine, 3600u);
    EXPECT_EQ(h.b.lines[3602].response, 1201);
}

TEST(ThreadBuild, RefusedResponseGrowthEndsAndKeepsWhatWasParsed)
{
    TestHost h;
    h.refuseResponses = true;
    std::vector<std::string> lines(600, dat_line("n", "b"));
    size_t fed = h.feed(lines);
    EXPECT_EQ(fed, 501u);
    EXPECT_EQ(h.b.responseCount, 500);
    EXPECT_EQ(h.b.lineCount, 1500);
}

TEST(ThreadBuild, RefusedLineGrowthDropsTheHalfResponse)
{
    TestHost h;
    h.refuseLines = true;
    std::vector<std::string> lines(1000, dat_line("n", "b"));
    h.feed(lines);
    // 666 whole responses take 1998 lines; the 667th gets its header and one
    // body line, then the index is full: it is kept as far as it got.
    EXPECT_EQ(h.b.lineCount, 2000);
    EXPECT_EQ(h.b.responseCount, 667);

    TestHost h2;
    h2.refuseLines = true;
    // Lines of two texts each fill the index exactly; the next header cannot go in.
    std::vector<std::string> shortOnes(1001, "n<>m<>d");
    h2.feed(shortOnes);
    EXPECT_EQ(h2.b.lineCount, 2000);
    EXPECT_EQ(h2.b.responseCount, 1000) << "a response is counted only with its header line";
}

TEST(ThreadBuild, FullStoreIsReportedOnceAndKeepsWhatFits)
{
    TestHost h(64);
    size_t fed = h.feed({"aaaa<>m<>d<> 0123456789 <br> 0123456789 <>", "bbbb<>m<>d<> 0123456789012345678901234567890 <>",
                         "cccc<>m<>d<> x <>"});
    EXPECT_EQ(fed, 2u);
    EXPECT_EQ(h.storeFull, 1);
    // aaaa(5) + 2 x 11 + 12(" ") ... everything stored so far stays.
    EXPECT_EQ(h.b.responseCount, 2);
    EXPECT_EQ(h.text(4), "bbbb");
    EXPECT_LE(h.b.storeUsed, 64u);

    TestHost first(4);
    first.feed({"longname<>m<>d<> x <>"});
    EXPECT_EQ(first.storeFull, 1);
    EXPECT_EQ(first.b.responseCount, 0);
    EXPECT_EQ(first.b.lineCount, 0);
}

TEST(ThreadBuild, EmbeddedBytesNeverEscapeTheStore)
{
    // Every prefix of a busy line is a possible cut-off last line.
    std::string line = "a</b>b<b>c<>sage<>2006 ID:x<> <a href=\"1\">&gt;&gt;1</a> <br>  <br> &gt;x <>t";
    for (size_t n = 0; n <= line.size(); ++n) {
        TestHost h(48);
        h.feed({line.substr(0, n), line});
        ASSERT_LE(h.b.storeUsed, 48u);
        for (int i = 0; i < h.b.lineCount; ++i) {
            ASSERT_GE(h.b.lines[i].text, h.b.store);
            ASSERT_LE(h.b.lines[i].text + h.b.lines[i].length, h.b.store + h.b.storeUsed);
        }
    }
}
