#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "reader/wrap.h"

namespace {

// A font where ASCII is 6 pixels wide, kana and kanji 12, U+2603 300 (wider
// than a cache byte holds) and U+200B nothing; every measurement is counted.
struct FakeFont {
    int calls = 0;
    std::vector<size_t> lengths;
};

int unit_width(char16_t c)
{
    if (c == 0x2603) return 300;
    if (c == 0x200B) return 0;
    if (c >= 0x3000) return 12;
    return 6;
}

int fake_measure(void* context, const char16_t* text, size_t units)
{
    auto* font = static_cast<FakeFont*>(context);
    ++font->calls;
    font->lengths.push_back(units);
    if (units == 2 && text[0] >= 0xD800 && text[0] <= 0xDBFF) return 20;
    int sum = 0;
    for (size_t i = 0; i < units; ++i) sum += unit_width(text[i]);
    return sum;
}

struct Measured {
    FakeFont font;
    std::vector<uint8_t> cache = std::vector<uint8_t>(kWidthCacheUnits, 0);
    TextMeasurer m{cache.data(), fake_measure, &font};
};

std::vector<std::u16string> rows_of(const TextMeasurer& m, const std::u16string& text, int width)
{
    std::vector<std::u16string> rows;
    size_t at = 0;
    do {
        size_t n = fit_row(m, text.data() + at, text.size() - at, width);
        rows.push_back(text.substr(at, n));
        at += n;
    } while (at < text.size());
    return rows;
}

}  // namespace

TEST(WidthCache, MeasuresEachCharacterOnceAndKeepsItsWidth)
{
    Measured w;
    std::u16string text = u"abcabc";
    EXPECT_EQ(fit_row(w.m, text.data(), text.size(), 1000), 6u);
    EXPECT_EQ(w.font.calls, 3) << "a, b and c once each";
    EXPECT_EQ(w.cache[u'a'], 6);
    EXPECT_EQ(w.cache[0x3042], 0) << "not measured yet";
    std::u16string kana = u"\u3042\u3042";
    EXPECT_EQ(fit_row(w.m, kana.data(), kana.size(), 1000), 2u);
    EXPECT_EQ(w.cache[0x3042], 12);
    EXPECT_EQ(w.font.calls, 4);
    for (size_t len : w.font.lengths) EXPECT_EQ(len, 1u) << "one character at a time";
}

TEST(WidthCache, CharactersOf255PixelsAndMoreAreMeasuredEveryTime)
{
    Measured w;
    std::u16string snow = u"\u2603";
    EXPECT_EQ(char_width(w.m, snow.data(), 1), 300);
    EXPECT_EQ(w.cache[0x2603], kWidthMeasureAlways);
    EXPECT_EQ(char_width(w.m, snow.data(), 1), 300) << "never cut to a byte";
    EXPECT_EQ(w.font.calls, 2);
}

TEST(WidthCache, AZeroWidthIsNotTakenForUnmeasured)
{
    Measured w;
    std::u16string zw = u"\u200B";
    EXPECT_EQ(char_width(w.m, zw.data(), 1), 0);
    EXPECT_EQ(w.cache[0x200B], kWidthUnmeasured);
}

TEST(WidthCache, WithoutACacheEveryCharacterIsMeasured)
{
    FakeFont font;
    TextMeasurer m{nullptr, fake_measure, &font};
    std::u16string text = u"aa";
    EXPECT_EQ(fit_row(m, text.data(), text.size(), 100), 2u);
    EXPECT_EQ(font.calls, 2);
}

TEST(Wrap, TakesCharactersWhileTheSumDoesNotExceedTheWidth)
{
    Measured w;
    std::u16string text = u"abcdefghij";   // 60 pixels
    EXPECT_EQ(rows_of(w.m, text, 60), (std::vector<std::u16string>{u"abcdefghij"}));
    EXPECT_EQ(rows_of(w.m, text, 59), (std::vector<std::u16string>{u"abcdefghi", u"j"}));
    EXPECT_EQ(rows_of(w.m, text, 24), (std::vector<std::u16string>{u"abcd", u"efgh", u"ij"}));
    EXPECT_EQ(count_rows(w.m, text.data(), text.size(), 24), 3);
}

TEST(Wrap, UnitUnderAPixelOfTheRow)
{
    Measured w;
    std::u16string text = u"ab\u3042\U0002000Bc";   // 0-5, 6-11, 12-23, 24-43 (a pair), 44-49
    struct Case {
        int x;
        size_t unit;
    } cases[] = {{0, 0}, {5, 0}, {6, 1}, {12, 2}, {23, 2}, {24, 3}, {43, 3}, {44, 5}, {49, 5}, {50, 6}, {500, 6}};
    for (const Case& c : cases) EXPECT_EQ(unit_at_x(w.m, text.data(), text.size(), c.x), c.unit) << c.x;
    EXPECT_EQ(unit_at_x(w.m, text.data(), 0, 3), 0u);
}

TEST(Wrap, JapaneseAndMixedText)
{
    Measured w;
    std::u16string text = u"\u3042\u3044a\u3046\u3048";   // 12 12 6 12 12
    EXPECT_EQ(rows_of(w.m, text, 30), (std::vector<std::u16string>{u"\u3042\u3044a", u"\u3046\u3048"}));
    EXPECT_EQ(rows_of(w.m, text, 25), (std::vector<std::u16string>{u"\u3042\u3044", u"a\u3046", u"\u3048"}));
}

TEST(Wrap, AnEmptyLineTakesOneRow)
{
    Measured w;
    EXPECT_EQ(count_rows(w.m, u"", 0, 100), 1);
    EXPECT_EQ(fit_row(w.m, u"", 0, 100), 0u);
}

TEST(Wrap, ACharacterWiderThanTheRowStillMovesTheTextOn)
{
    Measured w;
    std::u16string text = u"a\u2603b";
    EXPECT_EQ(rows_of(w.m, text, 100), (std::vector<std::u16string>{u"a", u"\u2603", u"b"}));
    // Not even one ASCII character fits.
    EXPECT_EQ(rows_of(w.m, u"abc", 3), (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_EQ(rows_of(w.m, u"ab", 0), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(rows_of(w.m, u"ab", -5), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(Wrap, ASurrogatePairIsNeverSplit)
{
    Measured w;
    std::u16string text = u"a\U0002000Bb";   // a, a pair of 20 pixels, b
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(rows_of(w.m, text, 10), (std::vector<std::u16string>{u"a", u"\U0002000B", u"b"}));
    EXPECT_EQ(rows_of(w.m, text, 26), (std::vector<std::u16string>{u"a\U0002000B", u"b"}));
    EXPECT_EQ(w.cache[0xD840], 0) << "halves of a pair are not cached";
    // A lone half is one character of its own.
    std::u16string lone = u"\xD840" u"a";
    EXPECT_EQ(char_units(lone.data(), lone.size()), 1u);
    EXPECT_EQ(char_units(text.data() + 1, 1), 1u) << "a high half at the very end";
}

TEST(HeaderLine, NumberNameMailAndDate)
{
    char out[kHeaderBytes];
    size_t n = format_header(out, sizeof out, 12, "name", "sage", "2006/03/01 ID:x");
    EXPECT_STREQ(out, "12 :name sage 2006/03/01 ID:x");
    EXPECT_EQ(n, std::strlen(out));
    EXPECT_TRUE(header_is_sage(out));
}

TEST(HeaderLine, EmptyMailGivesThreeBlanksAndIsGreen)
{
    char out[kHeaderBytes];
    // The parser stores an empty mail as one blank.
    format_header(out, sizeof out, 3, "n", " ", "d");
    EXPECT_STREQ(out, "3 :n   d");
    EXPECT_FALSE(header_is_sage(out));
}

TEST(HeaderLine, SageOnlyAsAWordBetweenBlanks)
{
    char out[kHeaderBytes];
    format_header(out, sizeof out, 1, "n", "sageru", "d");
    EXPECT_FALSE(header_is_sage(out));
    format_header(out, sizeof out, 1, "n", "age", "d");
    EXPECT_FALSE(header_is_sage(out));
    format_header(out, sizeof out, 1, "a sage b", "", "d");
    EXPECT_TRUE(header_is_sage(out)) << "the whole header text counts";
    EXPECT_FALSE(header_is_sage(nullptr));
}

TEST(HeaderLine, AVeryLongNameIsCutToTheBufferAtACharacterBoundary)
{
    char out[kHeaderBytes];
    std::string name;
    for (int i = 0; i < 400; ++i) name += "\x82\xa0";   // あ, 800 bytes
    size_t n = format_header(out, sizeof out, 7, name.c_str(), "sage", "d");
    // "7 :" is 3 bytes; 508 bytes of name fit before the 511th byte, which
    // would be the first half of a character and is left out.
    EXPECT_EQ(n, 3u + 508u);
    EXPECT_EQ(std::strlen(out), n);
    EXPECT_EQ(std::string(out, 3), "7 :");
    EXPECT_EQ(std::string(out + 3), name.substr(0, 508));
    // An ASCII name is cut at the last byte.
    std::string wide(600, 'x');
    n = format_header(out, sizeof out, 7, wide.c_str(), "", "d");
    EXPECT_EQ(n, kHeaderBytes - 1);
}

TEST(HeaderLine, ShiftJisPrefix)
{
    EXPECT_EQ(sjis_whole_prefix("ab", 2), 2u);
    EXPECT_EQ(sjis_whole_prefix("\x82\xa0\x82", 3), 2u);
    EXPECT_EQ(sjis_whole_prefix("a\x83\x5c", 3), 3u) << "a trail byte that looks like a lead";
    EXPECT_EQ(sjis_whole_prefix("\xb1\xb2", 2), 2u) << "half-width kana are single bytes";
    EXPECT_EQ(sjis_whole_prefix("", 0), 0u);
}
