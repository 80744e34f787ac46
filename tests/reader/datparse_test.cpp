#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "reader/datparse.h"
#include "reader/markup.h"
#include "tests/support/anchorref.h"
#include "tests/support/heapthread.h"
#include "tests/support/tempdir.h"

namespace {

using TestHost = HeapBuildHost;

// Shift-JIS texts used below.
const std::string kNanashi = "\x96\xbc\x96\xb3\x82\xb5";   // 名無し
const std::string kA = "\x82\xa0";                          // あ
const std::string kSo = "\x83\x5c";                         // ソ (second byte is "\")

std::string rewritten(std::string s)
{
    size_t n = rewrite_markup(s.data(), s.size());
    return s.substr(0, n);
}

std::vector<std::string> body_lines(const std::string& body, bool closed = true)
{
    std::vector<std::string> got;
    BodyLines lines(body, closed);
    std::string_view l;
    while (lines.next(&l)) got.emplace_back(l);
    return got;
}

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

TEST(DatLine, EmptiedBodyIsAnEmptyClosedBody)
{
    // A response the server emptied: the title (or the line end) follows.
    DatLine d;
    for (const char* line : {"n<>m<>d<><>title", "n<>m<>d<> <>", "n<><>2026/12/01 ID:c<><>"}) {
        ASSERT_TRUE(parse_dat_line(line, &d)) << line;
        EXPECT_EQ(d.body, "") << line;
        EXPECT_TRUE(d.bodyClosed) << line;
    }
    ASSERT_TRUE(parse_dat_line("n<>m<>d<>  <>", &d));
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

// Characters beyond JIS X 0208 that code page 932 holds: NEC row 13, the
// NEC-selected and the IBM extensions (some with an ASCII-range second byte).
const std::string kExtended[] = {
    "\x87\x40",   // ① (NEC row 13)
    "\x87\x54",   // Ⅰ
    "\x87\x8a",   // ㈱
    "\xed\x40",   // 纊 (NEC-selected IBM extension)
    "\xee\xef",   // ⅰ
    "\xfa\x40",   // ⅰ (IBM extension)
    "\xfa\x5c",   // 纊 again, second byte "\\"
    "\xfb\xfc",   // 髙
    "\xfc\x4b",   // 黑, the last one
};

TEST(DatLine, ExtendedCharactersAreCutWhole)
{
    for (const std::string& c : kExtended) {
        char mail[kMailBytes];
        EXPECT_EQ(copy_field(mail, sizeof mail, std::string(64, 'm') + c), 66u) << "fits exactly";
        EXPECT_EQ(copy_field(mail, sizeof mail, std::string(65, 'm') + c), 65u) << "one byte short";
        EXPECT_EQ(sjis_fit(std::string(67, 'd') + c, kDateBytes - 1), 67u);
    }
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

TEST(BodyLines, BreaksWithOrWithoutBlanksAndRules)
{
    struct Case {
        const char* body;
        std::vector<std::string> lines;
    } cases[] = {
        {"a<br>b", {"a", "b"}},                    // as some engines write it
        {"a <br>b", {"a", "b"}},
        {"a<br> b", {"a", "b"}},
        {"a  <br>  b", {"a ", " b"}},              // one blank on each side only
        {"a<BR>b<Br/>c<br />d", {"a", "b", "c", "d"}},
        {"a <hr> b", {"a", "", "b"}},              // a rule leaves an empty line
        {"a<HR>", {"a", "", ""}},
        // Not breaks: text, other tags, a "<" inside, no ">".
        {"a < b <3 c", {"a < b <3 c"}},
        {"a<brx>b<bra>c", {"a<brx>b<bra>c"}},
        {"a<br", {"a<br"}},
        {"a<br <br>b", {"a<br", "b"}},
        {"<a href=\"x\">&gt;&gt;1</a><br>z", {"<a href=\"x\">&gt;&gt;1</a>", "z"}},
        {"\x82\xa0<br>\x87\x40", {"\x82\xa0", "\x87\x40"}},
    };
    for (const Case& c : cases) EXPECT_EQ(body_lines(c.body), c.lines) << c.body;
    EXPECT_EQ(body_lines("a<hr>", false), (std::vector<std::string>{"a", ""})) << "cut short after a rule";
}

// ---- markup ----

TEST(Markup, ReplyAnchorBecomesArrowsAndNumber)
{
    EXPECT_EQ(rewritten("<a href=\"../test/read.cgi/mobile/1065069078/12\" target=\"_blank\">&gt;&gt;12</a>"),
              ">>12");
    EXPECT_EQ(rewritten("see <a href=\"x/5\">&gt;&gt;5</a> word"), "see >>5 word");
    EXPECT_EQ(rewritten("<a href=\"a\">&gt;&gt;1</a> and <a href=\"b\">&gt;&gt;2-3</a>!"), ">>1 and >>2-3!");
    EXPECT_EQ(rewritten("<A HREF=\"a\">&gt;&gt;1</A>"), ">>1");
    EXPECT_EQ(rewritten("<a href=\"a\">&gt;&gt;&gt;1</a>"), ">>&gt;1") << "two at most";
}

TEST(Markup, GtOutsideAnAnchorStays)
{
    EXPECT_EQ(rewritten("&gt;&gt;12 plain"), "&gt;&gt;12 plain");
    EXPECT_EQ(rewritten("<a href=\"x\">&gt;&gt;1</a> &gt; quote"), ">>1 &gt; quote");
}

TEST(Markup, LinkWithoutGtKeepsItsText)
{
    EXPECT_EQ(rewritten("go <a href=\"http://example.test/\">http://example.test/</a> now"),
              "go http://example.test/ now");
}

TEST(Markup, GtBeyondTheAnchorIsNeverTaken)
{
    // A URL link, then a quote: the link keeps its text, the quote its "&gt;".
    EXPECT_EQ(rewritten("<a href=\"http://e.test/\" target=\"_blank\">http://e.test/</a> &gt;quote"),
              "http://e.test/ &gt;quote");
    // A one-arrow anchor, a quote, then a URL link: nothing between is lost.
    EXPECT_EQ(rewritten("<a href=\"../5\">&gt;5</a> so &gt; that <a href=\"http://u.test/\">http://u.test/</a> end"),
              ">5 so &gt; that http://u.test/ end");
    EXPECT_EQ(rewritten("<a href=\"u\">link</a> then &gt;3</a>!"), "link then &gt;3!");
    EXPECT_EQ(rewritten("<a href=\"u\">&gt;one</a> x &gt;y</a>z"), ">one x &gt;yz");
    EXPECT_EQ(rewritten("<a href=\"u\"></a>&gt;&gt;2"), "&gt;&gt;2") << "an empty link text takes nothing";
}

TEST(Markup, AnchorsCutShortOrBrokenOff)
{
    EXPECT_EQ(rewritten("a <a href=\"no end of tag"), "a <a href=\"no end of tag");
    EXPECT_EQ(rewritten("a <a href=\"x\">&gt;&gt;5 no close"), "a >>5 no close");
    EXPECT_EQ(rewritten("<a href=\"x\">&gt;1</a> b <a href=\"y\">2"), ">1 b 2");
    EXPECT_EQ(rewritten("<a href="), "<a href=");
    EXPECT_EQ(rewritten("<a href=1><a href=2>&gt;&gt;7</a></a>x"), ">>7x");
    // One pass: what the removed tags leave is not read again.
    EXPECT_EQ(rewritten("<a hr<a href=q>ef=z>9</a></a>"), "<a href=z>9");
    EXPECT_EQ(rewritten(""), "");
}

TEST(Markup, TagsThatVanishAndTagsThatShow)
{
    struct Case {
        const char* line;
        const char* shown;
    } cases[] = {
        {"<b>bold</b> <i>it</i> <u>u</u> <s>s</s> <small>sm</small><big>BIG</big>", "bold it u s smBIG"},
        {"<font color=red>red</font> <font size=\"+1\" color=\"#FF0000\">x</font>", "red x"},
        {"<span class=\"AA\">aa</span>", "aa"},
        {"<B>up</B><FONT COLOR=RED>per</FONT>", "upper"},
        {"<img src=\"http://img.test/a.jpg\">", "http://img.test/a.jpg"},
        {"see <IMG SRC='http://img.test/b.png' width=10> it", "see http://img.test/b.png it"},
        {"<img alt=x src=http://img.test/c.gif border=0>", "http://img.test/c.gif"},
        {"<img srcset=x>.", "."},   // no address: nothing
        // Not tags of ours: they stay as text.
        {"I <3 you, a < b, c<d", "I <3 you, a < b, c<d"},
        {"<p>para</p> <sup>2</sup> <bx>y</bx> </br>", "<p>para</p> <sup>2</sup> <bx>y</bx> </br>"},
        {"<b <i>x</i>", "<b x"},
        {"<br> <hr>", "<br> <hr>"},   // breaks are split off before; within a line they stay
        {"\x82\xa0<b>\x87\x40</b>\xfa\x5c", "\x82\xa0\x87\x40\xfa\x5c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rewritten(c.line), c.shown) << c.line;
        EXPECT_EQ(reference_markup(c.line), c.shown) << c.line;
    }
}

TEST(Markup, AgreesWithTheReferenceOnGeneratedLines)
{
    const char* parts[] = {"<a href=", "<a>", ">", "&gt;", "</a>", "x", " ", "&", "<", "a", "<A hr", "ef=", "1",
                           "\x82\xa0", "<b>", "</B>", "<img src=", "\"u\"", "<br>", "<hr", "/", "<font", " src=",
                           "<span>", "\t", "\x87"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        int count = static_cast<int>(rng() % 16);
        for (int i = 0; i < count; ++i) line += parts[rng() % (sizeof parts / sizeof parts[0])];
        ASSERT_EQ(rewritten(line), reference_markup(line)) << line;
        // Only a line said to be marked is rewritten, as the build does.
        const bool closed = round % 2 == 0;
        std::vector<std::string> got;
        BodyLines split(line, closed);
        std::string_view piece;
        bool marked = false;
        while (split.next(&piece, &marked)) got.push_back(marked ? rewritten(std::string(piece)) : std::string(piece));
        ASSERT_EQ(got, reference_body_lines(line, closed)) << line;
    }
}

TEST(Markup, EveryAnchorOfALongLineIsRewritten)
{
    std::string line, expect;
    for (int i = 0; i < 5000; ++i) {
        line += "<a href=x>&gt;&gt;1</a><b <b>";
        expect += ">>1<b ";
    }
    EXPECT_EQ(rewritten(line), expect);
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

TEST(ThreadBuild, EmptiedResponseKeepsEveryLaterResponse)
{
    TestHost h;
    EXPECT_EQ(h.feed({dat_line("n1", "one"), kNanashi + "<><>2026/12/01 ID:c<><>", dat_line("n3", "three")}), 3u);
    ASSERT_EQ(h.b.responseCount, 3);
    // The emptied response: its header, one empty line, the blank line.
    ASSERT_EQ(h.b.lineCount, 3 + 3 + 3);
    EXPECT_EQ(h.text(3), kNanashi);
    EXPECT_EQ(h.text(4), "");
    EXPECT_EQ(h.text(5), " ");
    EXPECT_EQ(h.text(6), "n3");
    EXPECT_EQ(h.b.lines[7].response, 3);
}

// tests/data/realthread.dat: a thread as real servers write them, with an
// emptied response in the middle, links, references, tags (in names too),
// breaks without blanks and characters beyond JIS X 0208 in every field.
TEST(ThreadBuild, RealShapedThreadKeepsEveryResponseAndNoMarkup)
{
    const std::string log = read_file_bytes(std::string(QUORVEX_SOURCE_DIR) + "/tests/data/realthread.dat");
    ASSERT_FALSE(log.empty());
    std::vector<std::string> fileLines;
    for (size_t at = 0, end; at < log.size(); at = end + 1) {
        end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        fileLines.push_back(log.substr(at, end - at));
    }
    TestHost h;
    EXPECT_EQ(h.feed(fileLines), 10u);
    ASSERT_EQ(h.b.responseCount, 10);

    const std::string nanashi = "\x96\xbc\x96\xb3\x82\xb5\x82\xb3\x82\xf1";   // 名無しさん
    const std::vector<std::string> shown = {
        nanashi, "\x8cg\x91\xd1\x82\xa9\x82\xe7\x93\xc7\x82\xde\x83X\x83\x8c\x82\xc5\x82\xb7",
        "\x95\x5c\x8e\xa6\x82\xcc\x83" "e\x83X\x83g\x97p ", " ",
        // 2: a reply anchor; a URL link then a quote; a one-arrow anchor, a quote and a URL link
        nanashi, ">>1", "http://example.com/page &gt;\x82\xb1\x82\xea\x8c\xa9\x82\xc4",
        ">1 \x82\xcc &gt; \x88\xf8\x97p\x82\xc6 https://example.org/ ttps://example.net/x ", " ",
        // 3: emptied by the server
        nanashi, "", " ",
        // 4: references stay in the store; they are decoded where shown
        "\x96\xbc\x96\xb3\x82\xb5&#9829;\x82\xb3\x82\xf1",
        "\x8f\x5c\x90i&#12354; \x8f\x5c\x98Z\x90i&#x3042; \x83n\x81[\x83g&#9829; \x83n\x83\x93\x83O\x83\x8b&#xD55C;"
        "&#xAE00; \x8aG\x95\xb6\x8e\x9a&#128512;&#x1F389;",
        "\x82\xbb\x82\xcc\x82\xdc\x82\xdc: &#0; &#xD800; &#x110000; &#; &#12354 &amp;#65; ", " ",
        // 5: tags
        nanashi,
        "\x91\xbe\x8e\x9a \x8e\xce\x91\xcc \x89\xba\x90\xfc \x8e\xe6\x8f\xc1 \x8f\xac\x91\xe5 \x90\xd4 \x83X\x83p\x83\x93",
        "\x89\xfc\x8ds", "\x91\xe5\x95\xb6\x8e\x9a", "", "\x8cr\x90\xfc\x82\xcc\x8c\xe3",
        "\x89\xe6\x91\x9c http://example.com/a.jpg", "I <3 it, a < b ", " ",
        // 6: NEC row 13 and the NEC-selected and IBM extensions
        "\x87@\x87T\x87\x8a\xed@\xee\xe0\xed\x95", fileLines[5].substr(fileLines[5].find("<> N") + 3, 63), " ",
        // 7: a trip, an anchor to the emptied response, and what follows it
        "\x83g\x83\x8a\x83" "b\x83v \x81\x9fXk9AbCdEfG ", ">>3",
        "\x8f\xc1\x82\xb3\x82\xea\x82\xbd\x83\x8c\x83X\x82\xcc\x8e\x9f\x82\xe0\x93\xc7\x82\xdf\x82\xe9 ", " ",
        // 8: breaks without blanks, no leading blank
        nanashi, "\x88\xea\x8ds\x96\xda", "\x93\xf1\x8ds\x96\xda", "", "\x8el\x8ds\x96\xda", " ",
        // 9: emoji references that wrap
        nanashi, fileLines[8].substr(fileLines[8].find("<> ") + 3, 12 * 11 + 1), " ",
        // 10: a cap in a font tag
        "\x96\xbc\x96\xb3\x82\xb5\x81\x9a", "\x82\xa8\x82\xed\x82\xe8 ", " ",
    };
    ASSERT_EQ(h.b.lineCount, static_cast<int32_t>(shown.size()));
    for (int i = 0; i < h.b.lineCount; ++i) EXPECT_EQ(h.text(i), shown[i]) << "line " << i;
    EXPECT_EQ(h.text(26).substr(h.text(26).size() - 12), "IBM\xfa@\xfa\x5c\xfb\xfc\xfcK ");
    EXPECT_STREQ(h.b.responses[5].mail, "\xee\xef\xee\xf8\xfa@\xfa\x5c");
    EXPECT_STREQ(h.b.responses[5].date, "2026/12/01(\x89\xce) 10:05:00.00 ID:\x87~\x87\x93");
    const uint32_t firstLines[] = {0, 4, 9, 12, 16, 25, 28, 32, 38, 41};
    for (int r = 0; r < 10; ++r) EXPECT_EQ(h.b.responses[r].firstLine, firstLines[r]) << "response " << r + 1;
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
    std::string line = "a</b>b<b>c<>sage<>2006 ID:x<> <a href=\"1\">&gt;&gt;1</a> <br>  <br> &gt;x<hr><b>y</b> <>t";
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
