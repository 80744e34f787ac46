#include "reader/entities_win.h"

#include <gtest/gtest.h>

// Under Wine's code page 932, as on the handset.
TEST(TitleForFile, CharactersTheCodePageLacksBecomeReferences)
{
    EXPECT_EQ(title_for_file(L"携帯①髙 ☆ (part 2)"), L"携帯①髙 ☆ (part 2)");
    EXPECT_EQ(title_for_file(L"\u2665\U0001F600\u00E9\uD55C"), L"&#9829;&#128512;&#233;&#54620;");
    EXPECT_EQ(title_for_file(L"a\nb\tc"), L"a&#10;b&#9;c");
}
