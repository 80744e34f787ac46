#include "reader/stateicons_win.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

#include "tests/support/dibdc_win.h"

namespace {

constexpr int kSize = 16;

std::vector<COLORREF> pixels(const DibDC& dc, int left)
{
    std::vector<COLORREF> out;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) out.push_back(dc.at(left + x, y));
    return out;
}

void fill(HDC dc, int left, COLORREF colour)
{
    RECT r{left, 0, left + kSize, kSize};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

class StateIcons : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(create_state_images(GetModuleHandleW(nullptr), kSize), nullptr); }
    void TearDown() override { destroy_state_images(); }
};

}  // namespace

// Rows are drawn over a few backgrounds again and again; more backgrounds
// than are remembered at once must still give each icon exactly as the
// image list draws it over that background.
TEST_F(StateIcons, EveryBackgroundGivesTheImageListsPicture)
{
    const COLORREF backgrounds[] = {RGB(255, 255, 255), RGB(240, 240, 248), RGB(0, 0, 128), RGB(255, 0, 0),
                                    RGB(0, 160, 0),     RGB(30, 30, 30),    RGB(255, 255, 255), RGB(0, 0, 128)};
    for (int round = 0; round < 2; ++round) {
        for (COLORREF background : backgrounds) {
            for (int state = 0; state < 4; ++state) {
                DibDC dc(2 * kSize, kSize);
                fill(dc.get(), 0, background);
                draw_state_icon(dc.get(), state, background, 0, 0);
                fill(dc.get(), kSize, background);
                ImageList_Draw(state_images(), state, dc.get(), kSize, 0, ILD_TRANSPARENT);
                EXPECT_EQ(pixels(dc, 0), pixels(dc, kSize))
                    << "state " << state << " over " << std::hex << background;
            }
        }
    }
}

TEST_F(StateIcons, OutOfRangeStateDrawsNothing)
{
    DibDC dc(kSize, kSize);
    fill(dc.get(), 0, RGB(1, 2, 3));
    draw_state_icon(dc.get(), 4, RGB(1, 2, 3), 0, 0);
    draw_state_icon(dc.get(), -1, RGB(1, 2, 3), 0, 0);
    for (COLORREF c : pixels(dc, 0)) ASSERT_EQ(c, RGB(1, 2, 3));
}

// A fallen thread's icon is its own, and grey: no pixel has more of one
// colour than of another beyond a shade.
TEST_F(StateIcons, FallenIconIsItsOwnAndGrey)
{
    auto drawn = [](int state) {
        DibDC dc(kSize, kSize);
        fill(dc.get(), 0, RGB(255, 255, 255));
        draw_state_icon(dc.get(), state, RGB(255, 255, 255), 0, 0);
        return pixels(dc, 0);
    };
    const auto fallen = drawn(3);
    for (int other = 0; other < 3; ++other) EXPECT_NE(fallen, drawn(other)) << other;
    int inked = 0;
    for (COLORREF c : fallen) {
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        EXPECT_LE(std::max({r, g, b}) - std::min({r, g, b}), 8) << std::hex << c;
        if (c != RGB(255, 255, 255)) ++inked;
    }
    EXPECT_GT(inked, kSize * kSize / 3);
}

// After the images are made again (a new view), icons come from the new
// list, not from pictures remembered from the old one.
TEST_F(StateIcons, RemadeImagesAreDrawnAfresh)
{
    DibDC first(kSize, kSize);
    fill(first.get(), 0, RGB(255, 255, 255));
    draw_state_icon(first.get(), 1, RGB(255, 255, 255), 0, 0);
    ASSERT_NE(create_state_images(GetModuleHandleW(nullptr), kSize), nullptr);
    // Blank the new list's image 1: a picture kept from before would still show the icon.
    HBITMAP blank = CreateBitmap(kSize, kSize, 1, 32, nullptr);
    HBITMAP mask = CreateBitmap(kSize, kSize, 1, 1, nullptr);
    ImageList_Replace(state_images(), 1, blank, mask);
    DeleteObject(blank);
    DeleteObject(mask);
    DibDC second(2 * kSize, kSize);
    fill(second.get(), 0, RGB(255, 255, 255));
    draw_state_icon(second.get(), 1, RGB(255, 255, 255), 0, 0);
    fill(second.get(), kSize, RGB(255, 255, 255));
    ImageList_Draw(state_images(), 1, second.get(), kSize, 0, ILD_TRANSPARENT);
    EXPECT_EQ(pixels(second, 0), pixels(second, kSize));
    EXPECT_NE(pixels(first, 0), pixels(second, 0));
}
