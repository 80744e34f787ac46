#include <gtest/gtest.h>

#include <climits>

#include "app/fontrules.h"
#include "reader/widthcache.h"

TEST(DisplayFontHeight, TenPointsAtTheUsualResolutions)
{
    EXPECT_EQ(display_font_height(10, 96), -13);    // 960 / 72 = 13.3
    EXPECT_EQ(display_font_height(10, 192), -26);   // 1920 / 72 = 26.6
    EXPECT_EQ(display_font_height(9, 96), -12);
    EXPECT_EQ(display_font_height(12, 72), -12);
}

TEST(DisplayFontHeight, ZeroAndNegativeSizes)
{
    // 0 asks for the platform's default size.
    EXPECT_EQ(display_font_height(0, 96), 0);
    // Below one pixel truncates to 0.
    EXPECT_EQ(display_font_height(1, 70), 0);
    // A negative h stays as it is.
    EXPECT_EQ(display_font_height(-10, 96), -13);
}

TEST(DisplayFontHeight, HugeValuesAreCutWithoutOverflow)
{
    EXPECT_EQ(display_font_height(INT_MAX, 96), -kMaxFontPixels);
    EXPECT_EQ(display_font_height(INT_MIN, 96), -kMaxFontPixels);
    EXPECT_EQ(display_font_height(INT_MAX, INT_MAX), -kMaxFontPixels);
    EXPECT_EQ(display_font_height(750, 96), -kMaxFontPixels);   // exactly 1000
    EXPECT_EQ(display_font_height(749, 96), -998);
}

TEST(FontFamilyListed, ShiftJisFamiliesWithoutTheVerticalTwin)
{
    EXPECT_TRUE(font_family_listed(128, L"IPAGothic"));
    EXPECT_TRUE(font_family_listed(128, L"ＭＳ ゴシック"));
    EXPECT_FALSE(font_family_listed(128, L"@IPAGothic"));
    EXPECT_FALSE(font_family_listed(0, L"Tahoma"));
    EXPECT_FALSE(font_family_listed(1, L"IPAGothic"));
    EXPECT_TRUE(font_family_listed(128, L""));
    EXPECT_FALSE(font_family_listed(128, nullptr));
    EXPECT_TRUE(font_family_listed(128, L"a@b"));
}

TEST(WidthCache, ClearEmptiesBothCaches)
{
    BodyWidthCache[0] = 7;
    BodyWidthCache[kWidthCacheSize - 1] = 8;
    BoldWidthCache[0x3042] = 9;
    clear_width_caches();
    for (size_t i = 0; i < kWidthCacheSize; ++i) {
        ASSERT_EQ(BodyWidthCache[i], 0) << i;
        ASSERT_EQ(BoldWidthCache[i], 0) << i;
    }
    static_assert(sizeof BodyWidthCache == 65536, "one byte per UTF-16 code unit");
    static_assert(sizeof BoldWidthCache == 65536, "one byte per UTF-16 code unit");
}
