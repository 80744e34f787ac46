#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

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

TEST(DecodeEntities, UnknownAndNumericStay)
{
    EXPECT_EQ(decoded(L"&;"), L"&;");
    EXPECT_EQ(decoded(L"&foo;"), L"&foo;");
    EXPECT_EQ(decoded(L"&#12354;"), L"&#12354;");
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
