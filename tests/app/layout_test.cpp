#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/layout.h"
#include "app/search.h"

namespace {
constexpr int32_t kPocketPC = 1;
constexpr int32_t kSmartphone = 2;

void expect_box(const LayoutBox& b, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    EXPECT_EQ(b.left, left);
    EXPECT_EQ(b.top, top);
    EXPECT_EQ(b.right, right);
    EXPECT_EQ(b.bottom, bottom);
}

void expect_at(const ChildPlacement& p, int32_t x, int32_t y, int32_t width, int32_t height, bool shown)
{
    EXPECT_TRUE(p.place);
    EXPECT_EQ(p.shown, shown);
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.width, width);
    EXPECT_EQ(p.height, height);
}

void expect_hidden_in_place(const ChildPlacement& p)
{
    EXPECT_FALSE(p.place);
    EXPECT_FALSE(p.shown);
}
}  // namespace

TEST(LayoutValues, PocketPCTakesTheMenuBarOffTheBottom)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 240, 320}, 24, true, 26);
    EXPECT_EQ(v.barHeight, 24);
    EXPECT_EQ(v.selectorWidth, 118);
    expect_box(v.content, 0, 24, 240, 294);
    expect_box(v.list, 0, 24, 240, 294);
    expect_box(v.thread, 0, 48, 240, 294);
}

TEST(LayoutValues, SmartphoneKeepsTheWholeHeight)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 480, 640}, 30, false, 52);
    EXPECT_EQ(v.selectorWidth, 238);
    expect_box(v.content, 0, 30, 480, 640);
    expect_box(v.list, 0, 30, 480, 640);
    expect_box(v.thread, 0, 60, 480, 640);
}

TEST(LayoutValues, SelectorWidthTruncatesTowardZero)
{
    EXPECT_EQ(compute_layout(LayoutBox{0, 0, 241, 320}, 24, true, 26).selectorWidth, 118);
    EXPECT_EQ(compute_layout(LayoutBox{0, 0, 3, 320}, 24, true, 26).selectorWidth, -1);
    EXPECT_EQ(compute_layout(LayoutBox{0, 0, 0, 0}, 24, true, 26).selectorWidth, -2);
}

TEST(ViewPlacement, ListModeWithTheToolBarOnAPocketPC)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 240, 320}, 24, true, 26);
    ViewPlacement p = place_view(v, 0, kPocketPC, 1, false);
    EXPECT_TRUE(p.listView);
    EXPECT_TRUE(p.toolbarShown);
    EXPECT_EQ(p.y0, 24);
    expect_at(p.categorySelector, 0, 24, 118, 270, true);
    expect_at(p.boardSelector, 119, 24, 118, 270, true);
    expect_at(p.threadListView, 0, 48, 240, 246, true);
    expect_at(p.threadSearchBox, 0, 270, 236, 24, false);
    expect_hidden_in_place(p.openThreadSelector);
    expect_hidden_in_place(p.responseView);
    expect_hidden_in_place(p.responseSearchBox);
    EXPECT_TRUE(p.focusView);
}

TEST(ViewPlacement, ListModeSearchBoxShrinksTheListByOneRow)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 240, 320}, 24, true, 26);
    ViewPlacement p = place_view(v, 0, kPocketPC, 1, true);
    expect_at(p.threadListView, 0, 48, 240, 222, true);
    expect_at(p.threadSearchBox, 0, 270, 236, 24, true);
    EXPECT_FALSE(p.focusView);
}

TEST(ViewPlacement, ThreadModeWithTheToolBarOnAPocketPC)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 240, 320}, 24, true, 26);
    ViewPlacement p = place_view(v, 1, kPocketPC, 1, false);
    EXPECT_FALSE(p.listView);
    EXPECT_TRUE(p.toolbarShown);
    EXPECT_EQ(p.y0, 24);
    expect_hidden_in_place(p.categorySelector);
    expect_hidden_in_place(p.boardSelector);
    expect_hidden_in_place(p.threadListView);
    expect_hidden_in_place(p.threadSearchBox);
    expect_at(p.openThreadSelector, 0, 24, 236, 270, true);
    expect_at(p.responseView, 0, 48, 240, 246, true);
    expect_at(p.responseSearchBox, 0, 270, 240, 24, false);

    p = place_view(v, 1, kPocketPC, 1, true);
    expect_at(p.responseView, 0, 48, 240, 222, true);
    expect_at(p.responseSearchBox, 0, 270, 240, 24, true);
    EXPECT_FALSE(p.focusView);
}

TEST(ViewPlacement, ToolBarOffStartsTheSelectorsAtTheTop)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 240, 320}, 24, true, 26);
    ViewPlacement p = place_view(v, 0, kPocketPC, 0, false);
    EXPECT_FALSE(p.toolbarShown);
    EXPECT_EQ(p.y0, 0);
    expect_at(p.categorySelector, 0, 0, 118, 294, true);
    expect_at(p.boardSelector, 119, 0, 118, 294, true);
    expect_at(p.threadListView, 0, 24, 240, 270, true);
    expect_at(p.threadSearchBox, 0, 270, 236, 24, false);

    p = place_view(v, 1, kPocketPC, 0, false);
    expect_at(p.openThreadSelector, 0, 0, 236, 294, true);
    expect_at(p.responseView, 0, 24, 240, 270, true);
}

TEST(ViewPlacement, SmartphoneNeverShowsTheToolBar)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 240, 320}, 24, false, 26);
    ViewPlacement p = place_view(v, 0, kSmartphone, 1, false);
    EXPECT_FALSE(p.toolbarShown);
    EXPECT_EQ(p.y0, 0);
    expect_at(p.categorySelector, 0, 0, 118, 320, true);
    expect_at(p.threadListView, 0, 24, 240, 296, true);
    expect_at(p.threadSearchBox, 0, 296, 236, 24, false);
    p = place_view(v, 1, kSmartphone, 1, true);
    expect_at(p.openThreadSelector, 0, 0, 236, 320, true);
    expect_at(p.responseView, 0, 24, 240, 272, true);
    expect_at(p.responseSearchBox, 0, 296, 240, 24, true);
    // Any other platform is treated like a Smartphone here.
    EXPECT_FALSE(place_view(v, 0, 3, 1, false).toolbarShown);
}

TEST(ViewPlacement, TinyClientAreaGivesNoNegativeSizes)
{
    LayoutValues v = compute_layout(LayoutBox{0, 0, 2, 40}, 24, true, 26);
    for (int32_t view : {0, 1}) {
        ViewPlacement p = place_view(v, view, kPocketPC, 1, true);
        for (const ChildPlacement* c : {&p.categorySelector, &p.boardSelector, &p.threadListView, &p.threadSearchBox,
                                        &p.openThreadSelector, &p.responseView, &p.responseSearchBox}) {
            EXPECT_GE(c->width, 0);
            EXPECT_GE(c->height, 0);
        }
    }
}

TEST(TitleSearchOrder, StartsAfterTheSelectedRowAndWraps)
{
    std::vector<int32_t> visited;
    auto record = [&](int32_t row) {
        visited.push_back(row);
        return false;
    };
    EXPECT_EQ(find_next_row(5, 2, record), -1);
    EXPECT_EQ(visited, (std::vector<int32_t>{3, 4, 0, 1}));   // never row 2 itself
    visited.clear();
    EXPECT_EQ(find_next_row(5, 4, record), -1);
    EXPECT_EQ(visited, (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(TitleSearchOrder, WithoutSelectionOnePassFromTheFirstRow)
{
    std::vector<int32_t> visited;
    auto record = [&](int32_t row) {
        visited.push_back(row);
        return false;
    };
    EXPECT_EQ(find_next_row(4, -1, record), -1);
    EXPECT_EQ(visited, (std::vector<int32_t>{0, 1, 2, 3}));
    visited.clear();
    EXPECT_EQ(find_next_row(3, 7, record), -1);   // a selection outside the list counts as none
    EXPECT_EQ(visited, (std::vector<int32_t>{0, 1, 2}));
    visited.clear();
    EXPECT_EQ(find_next_row(0, -1, record), -1);
    EXPECT_TRUE(visited.empty());
    EXPECT_EQ(find_next_row(1, 0, record), -1);   // the only row is the selected one
    EXPECT_TRUE(visited.empty());
}

TEST(TitleSearchOrder, FirstMatchEndsTheVisit)
{
    std::vector<int32_t> visited;
    auto match = [&](int32_t row) {
        visited.push_back(row);
        return row == 0 || row == 3;
    };
    EXPECT_EQ(find_next_row(6, 1, match), 3);
    EXPECT_EQ(visited, (std::vector<int32_t>{2, 3}));
    visited.clear();
    EXPECT_EQ(find_next_row(6, 4, match), 0);
    EXPECT_EQ(visited, (std::vector<int32_t>{5, 0}));
}

TEST(TitleMatch, WithoutRegardToCaseOverTheTextsLength)
{
    std::wstring title = L"Linux総合スレ Part12";
    auto has = [&](const std::wstring& text) { return title_contains(title.data(), title.size(), text.data(), text.size()); };
    EXPECT_TRUE(has(L"linux"));
    EXPECT_TRUE(has(L"PART1"));
    EXPECT_TRUE(has(L"総合"));
    EXPECT_TRUE(has(L"Linux総合スレ Part12"));
    EXPECT_FALSE(has(L"Linux総合スレ Part123"));
    EXPECT_FALSE(has(L"総会"));
    EXPECT_FALSE(has(L""));
    // The length given is the text compared: the rest is not looked at.
    EXPECT_TRUE(title_contains(title.data(), title.size(), L"partXX", 4));
    EXPECT_FALSE(title_contains(title.data(), 5, L"Part", 4));
}

TEST(TitleMatch, FullWidthGreekAndCyrillicCapitals)
{
    std::wstring title = L"ＰＣ板 Ωmega Москва Éte";
    auto has = [&](const std::wstring& text) { return title_contains(title.data(), title.size(), text.data(), text.size()); };
    EXPECT_TRUE(has(L"ｐｃ"));
    EXPECT_TRUE(has(L"ωMEGA"));
    EXPECT_TRUE(has(L"МОСКВА"));
    EXPECT_TRUE(has(L"éTE"));
    EXPECT_FALSE(has(L"pc"));   // full-width and ASCII letters stay apart
}

TEST(FoundRowScroll, RowNearTheTopBringsTheRowBeforeIt)
{
    // Rows of 15 pixels: a row at the very top scrolls up by one row.
    EXPECT_EQ(found_row_scroll(0, 15, 0, 200), -15);
    EXPECT_EQ(found_row_scroll(-45, -30, 0, 200), -60);
    EXPECT_EQ(found_row_scroll(10, 25, 0, 200), -5);
    // d exactly at the client top is not above it.
    EXPECT_EQ(found_row_scroll(15, 30, 0, 200), 0);
    EXPECT_EQ(found_row_scroll(100, 115, 0, 200), 0);
}

TEST(FoundRowScroll, RowBelowTheBottomKeepsTenPixelsFree)
{
    EXPECT_EQ(found_row_scroll(300, 315, 0, 200), 125);
    EXPECT_EQ(found_row_scroll(196, 211, 0, 200), 21);
    // Within the margin: no scroll.
    EXPECT_EQ(found_row_scroll(195, 210, 0, 200), 0);
    EXPECT_EQ(found_row_scroll(185, 200, 0, 200), 0);
}

TEST(ThreadTextMatch, ByteForByteAndCaseSensitive)
{
    std::string line = "Hello World";
    EXPECT_TRUE(sjis_line_contains(line.data(), line.size(), "World", 5));
    EXPECT_FALSE(sjis_line_contains(line.data(), line.size(), "world", 5));
    EXPECT_FALSE(sjis_line_contains(line.data(), line.size(), "", 0));
    EXPECT_FALSE(sjis_line_contains(line.data(), 8, "World", 5));   // only the given length
    EXPECT_TRUE(sjis_line_contains(line.data(), line.size(), "Hello World", 11));
    EXPECT_FALSE(sjis_line_contains(line.data(), line.size(), "Hello World!", 12));
}

TEST(ThreadTextMatch, SecondByteOfACharacterNeverStartsAMatch)
{
    // "ア" is 0x83 0x41: its second byte is "A".
    const std::string katakanaA = "\x83\x41";
    std::string line = "x" + katakanaA + "B";
    EXPECT_FALSE(sjis_line_contains(line.data(), line.size(), "AB", 2));
    EXPECT_TRUE(sjis_line_contains(line.data(), line.size(), katakanaA.data(), 2));
    line += "AB";
    EXPECT_TRUE(sjis_line_contains(line.data(), line.size(), "AB", 2));
    // A lead byte at the end of the line does not read past it.
    std::string cut = "ab\x83";
    EXPECT_FALSE(sjis_line_contains(cut.data(), cut.size(), "\x83\x41", 2));
    EXPECT_TRUE(sjis_line_contains(cut.data(), cut.size(), "\x83", 1));
}
