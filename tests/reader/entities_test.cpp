#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <set>
#include <string>

#include "base/charrefs.h"
#include "reader/entities.h"

namespace {

std::wstring decoded(const std::wstring& in)
{
    std::wstring buf = in;
    DecodeEntities(buf.data());
    return std::wstring(buf.c_str());
}

int row_of(const wchar_t* name)
{
    for (int i = 0; EntityTable[i].name; ++i)
        if (std::wcscmp(EntityTable[i].name, name) == 0) return i;
    return -1;
}

}  // namespace

TEST(EntityTable, HoldsExactly252RowsAndAnEndRow)
{
    int rows = 0;
    while (EntityTable[rows].name) ++rows;
    EXPECT_EQ(rows, 252);
    EXPECT_EQ(EntityTable[252].name, nullptr);
    std::set<std::wstring> names;
    for (int i = 0; i < rows; ++i) names.insert(EntityTable[i].name);
    EXPECT_EQ(names.size(), 252u) << "names are unique";
}

TEST(EntityTable, RowsStandInTheirOrder)
{
    EXPECT_EQ(row_of(L"quot"), 0);
    EXPECT_EQ(row_of(L"amp"), 1);
    EXPECT_EQ(row_of(L"lt"), 2);
    EXPECT_EQ(row_of(L"gt"), 3);
    EXPECT_EQ(row_of(L"nbsp"), 4);
    EXPECT_EQ(row_of(L"yuml"), 99);
    EXPECT_EQ(row_of(L"fnof"), 100);
    EXPECT_EQ(row_of(L"Alpha"), 101);
    EXPECT_EQ(row_of(L"lang"), 217);
    EXPECT_EQ(row_of(L"rang"), 218);
    EXPECT_EQ(row_of(L"loz"), 219);
    EXPECT_EQ(row_of(L"diams"), 223);
    EXPECT_EQ(row_of(L"OElig"), 224);
    EXPECT_EQ(row_of(L"euro"), 251);
    // Latin-1 is in code-point order without gaps.
    for (int i = 4; i <= 99; ++i) EXPECT_EQ(EntityTable[i].code, 156u + i) << i;
    // The symbol set follows its definition order, not the code points.
    EXPECT_LT(row_of(L"weierp"), row_of(L"image"));
    EXPECT_LT(row_of(L"sigmaf"), row_of(L"sigma"));
}

TEST(EntityTable, CodePoints)
{
    struct { const wchar_t* name; uint32_t code; } cases[] = {
        {L"quot", 34}, {L"amp", 38}, {L"lt", 60}, {L"gt", 62}, {L"nbsp", 160},
        {L"copy", 169}, {L"yuml", 255}, {L"fnof", 402}, {L"Alpha", 913}, {L"Rho", 929},
        {L"Sigma", 931}, {L"Omega", 937}, {L"alpha", 945}, {L"sigmaf", 962},
        {L"sigma", 963}, {L"omega", 969}, {L"thetasym", 977}, {L"upsih", 978},
        {L"piv", 982}, {L"bull", 8226}, {L"hellip", 8230}, {L"frasl", 8260},
        {L"weierp", 8472}, {L"image", 8465}, {L"alefsym", 8501}, {L"larr", 8592},
        {L"crarr", 8629}, {L"hArr", 8660}, {L"forall", 8704}, {L"sup", 8835},
        {L"sdot", 8901}, {L"lceil", 8968}, {L"lang", 9001}, {L"rang", 9002},
        {L"loz", 9674}, {L"spades", 9824}, {L"diams", 9830}, {L"OElig", 338},
        {L"Yuml", 376}, {L"circ", 710}, {L"tilde", 732}, {L"zwnj", 8204},
        {L"permil", 8240}, {L"rsaquo", 8250}, {L"euro", 8364}, {L"sup2", 178},
    };
    for (const auto& c : cases) {
        int row = row_of(c.name);
        ASSERT_GE(row, 0) << std::string(c.name, c.name + std::wcslen(c.name));
        EXPECT_EQ(EntityTable[row].code, c.code);
    }
    for (int i = 0; EntityTable[i].name; ++i) EXPECT_LT(EntityTable[i].code, 0x10000u);
}

TEST(DecodeEntities, ReplacesNamedReferences)
{
    EXPECT_EQ(decoded(L"a&gt;b"), L"a>b");
    EXPECT_EQ(decoded(L"&lt;&gt;"), L"<>");
    EXPECT_EQ(decoded(L"&quot;x&quot;"), L"\"x\"");
    EXPECT_EQ(decoded(L"&copy;2006"), std::wstring(1, wchar_t(0xA9)) + L"2006");
    EXPECT_EQ(decoded(L"&gt;&gt;12"), L">>12");
    EXPECT_EQ(decoded(L""), L"");
}

TEST(DecodeEntities, OneLevelOnly)
{
    EXPECT_EQ(decoded(L"&amp;lt;"), L"&lt;");
    EXPECT_EQ(decoded(L"&amp;amp;amp;"), L"&amp;amp;");
}

TEST(DecodeEntities, CaseSensitive)
{
    EXPECT_EQ(decoded(L"&Alpha;"), std::wstring(1, wchar_t(0x391)));
    EXPECT_EQ(decoded(L"&alpha;"), std::wstring(1, wchar_t(0x3B1)));
    EXPECT_EQ(decoded(L"&ALPHA;"), L"&ALPHA;");
    EXPECT_EQ(decoded(L"&GT;"), L"&GT;");
}

TEST(DecodeEntities, PrefixNamesMeanTheirOwnRow)
{
    EXPECT_EQ(decoded(L"&sigma;"), std::wstring(1, wchar_t(0x3C3)));
    EXPECT_EQ(decoded(L"&sigmaf;"), std::wstring(1, wchar_t(0x3C2)));
    EXPECT_EQ(decoded(L"&sup;"), std::wstring(1, wchar_t(0x2283)));
    EXPECT_EQ(decoded(L"&sup2;"), std::wstring(1, wchar_t(0xB2)));
}

TEST(DecodeEntities, UnknownStay)
{
    EXPECT_EQ(decoded(L"&;"), L"&;");
    EXPECT_EQ(decoded(L"&foo;"), L"&foo;");
    EXPECT_EQ(decoded(L"AT&T"), L"AT&T");
    EXPECT_EQ(decoded(L"&amp"), L"&amp");
    EXPECT_EQ(decoded(L"x&amp"), L"x&amp");
    EXPECT_EQ(decoded(L"&&gt;"), L"&>");
    EXPECT_EQ(decoded(L"&&&"), L"&&&");
}

TEST(DecodeEntities, FarSemicolonMakesALongNameThatMatchesNothing)
{
    // The first "&" takes the far ";" and matches nothing; the search goes on
    // after it and the second reference still decodes.
    EXPECT_EQ(decoded(L"&a b &gt;"), L"&a b >");
    EXPECT_EQ(decoded(L"AT&T and &lt;"), L"AT&T and <");
}

TEST(DecodeEntities, NumericReferences)
{
    struct Case {
        std::u16string text;
        std::u16string shown;
    } cases[] = {
        {u"&#12354;", u"\u3042"},
        {u"&#x3042;&#X3042;&#x30a2;&#x30A2;&#0065;", u"\u3042\u3042\u30A2\u30A2A"},
        {u"I &#9829; it &#x2665;", u"I \u2665 it \u2665"},
        {u"&#xD55C;&#44544;", u"\uD55C\uAE00"},   // Hangul
        // Above U+FFFF: a surrogate pair.
        {u"&#128512;", u"\U0001F600"},
        {u"&#x10FFFF;", u"\U0010FFFF"},
        {u"&#65536;", u"\U00010000"},
        // One level: what a reference gives is never read again.
        {u"&amp;#65;", u"&#65;"},
        {u"&#38;#65;", u"&#65;"},
        // Not a character: stays as written.
        {u"&#0;&#x0;&#00;", u"&#0;&#x0;&#00;"},
        {u"&#xD800;&#xDFFF;&#55296;", u"&#xD800;&#xDFFF;&#55296;"},
        {u"&#x110000;&#1114112;&#99999999999999999999;", u"&#x110000;&#1114112;&#99999999999999999999;"},
        {u"&#;&#x;&#X;", u"&#;&#x;&#X;"},
        {u"&#12a;&#x12g;&#-5;&# 65;&#xx41;&#12354", u"&#12a;&#x12g;&#-5;&# 65;&#xx41;&#12354"},
        {u"&#12354 and &gt;", u"&#12354 and >"},   // the far ";" makes one long name
        {u"&#65&#66;", u"&#65B"},
    };
    for (const Case& c : cases) {
        std::u16string s = c.text;
        DecodeEntities(s.data());
        EXPECT_EQ(std::u16string(s.c_str()), c.shown);
        std::wstring w(c.text.begin(), c.text.end());
        DecodeEntities(w.data());
        EXPECT_EQ(std::u16string(w.c_str(), w.c_str() + std::wcslen(w.c_str())), c.shown) << "wide form";
    }
}

namespace {

// Code page 932 as the tests take it: ASCII, kana and the few characters
// listed; never a pair.
bool test_fits(const char16_t* units, size_t count)
{
    const char16_t c = units[0];
    return count == 1 && (c < 0x80 || (c >= 0x3040 && c <= 0x30FF) || c == 0x2460);
}

}  // namespace

TEST(EncodeReferences, WhatTheFileCannotHoldBecomesAReference)
{
    const std::u16string shown = u"plain & <> \u3042\u2460 I \u2665 \U0001F600 a\nb\tc";
    const std::u16string stored = encode_references(shown, test_fits);
    EXPECT_EQ(stored, u"plain & <> \u3042\u2460 I &#9829; &#128512; a&#10;b&#9;c");
    // Read back and shown, the file gives the same characters.
    std::u16string again = stored;
    DecodeEntities(again.data());
    EXPECT_EQ(std::u16string(again.c_str()), shown);
    // A lone half of a pair names no character: it stays a reference.
    EXPECT_EQ(encode_references(u"\xD800x", test_fits), u"&#55296;x");
}

TEST(EncodeReferences, APostKeepsItsLineBreaks)
{
    const std::u16string message = u"\u3042\r\n\U0001F600\t\uD55C";
    EXPECT_EQ(encode_references(message, test_fits, ControlChars::Keep), u"\u3042\r\n&#128512;\t&#54620;");
}

TEST(DecodeEntities, SixteenBitUnits)
{
    std::u16string s = u"x&euro;&hearts;y";
    DecodeEntities(s.data());
    EXPECT_EQ(std::u16string(s.c_str()), std::u16string(u"x\u20AC\u2665y"));
}

TEST(DecodeEntities, NullIsIgnored)
{
    DecodeEntities(static_cast<wchar_t*>(nullptr));
    SUCCEED();
}
