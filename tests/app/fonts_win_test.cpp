#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <set>
#include <string>

#include "app/fonts_win.h"
#include "base/appstate.h"
#include "reader/widthcache.h"
#include "store/settings.h"
#include "tests/support/winsetup.h"

namespace {
LOGFONTW family(const wchar_t* face)
{
    LOGFONTW lf = {};
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfHeight = -99;
    lf.lfWidth = 7;
    lf.lfWeight = 400;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

LOGFONTW font_of(HFONT font)
{
    LOGFONTW lf = {};
    GetObjectW(font, sizeof lf, &lf);
    return lf;
}

int g_allocs = 0;
HLOCAL WINAPI failing_alloc(UINT, SIZE_T) { ++g_allocs; return nullptr; }
HLOCAL WINAPI failing_realloc(HLOCAL, SIZE_T, UINT) { ++g_allocs; return nullptr; }

class DisplayFonts : public testing::Test {
protected:
    void SetUp() override
    {
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
        AppState.pixelsPerInch = 96;
        wcscpy(Settings.Font, L"Second");
    }
    void TearDown() override
    {
        set_font_list_allocators(nullptr, nullptr);
        DeleteDisplayFonts();
        FreeFontList();
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
    }
    void add(const wchar_t* face)
    {
        LOGFONTW lf = family(face);
        ASSERT_EQ(addFontsInfo(&lf), 1);
    }
};
}  // namespace

TEST_F(DisplayFonts, HeightFollowsTheScreenResolution)
{
    add(L"First");
    add(L"Second");
    CreateDisplayFonts();
    ASSERT_NE(AppState.BodyFont, nullptr);
    ASSERT_NE(AppState.BoldFont, nullptr);
    EXPECT_EQ(font_of(AppState.BodyFont).lfHeight, -13);
    EXPECT_EQ(font_of(AppState.BoldFont).lfHeight, -13);
    AppState.pixelsPerInch = 192;
    CreateDisplayFonts();
    EXPECT_EQ(font_of(AppState.BodyFont).lfHeight, -26);
    EXPECT_EQ(font_of(AppState.BoldFont).lfHeight, -26);
}

TEST_F(DisplayFonts, BodyAndBoldFromTheMatchingRecord)
{
    add(L"First");
    add(L"Second");
    CreateDisplayFonts();
    LOGFONTW body = font_of(AppState.BodyFont);
    LOGFONTW bold = font_of(AppState.BoldFont);
    EXPECT_STREQ(body.lfFaceName, L"Second");
    EXPECT_EQ(body.lfWeight, 100);
    EXPECT_EQ(bold.lfWeight, 700);
    EXPECT_EQ(body.lfWidth, 0);
    EXPECT_EQ(body.lfCharSet, SHIFTJIS_CHARSET);
}

TEST_F(DisplayFonts, NewFontsClearTheWidthCaches)
{
    add(L"Second");
    BodyWidthCache[L'a'] = 6;
    BoldWidthCache[0x3042] = 12;
    CreateDisplayFonts();
    EXPECT_EQ(BodyWidthCache[L'a'], 0);
    EXPECT_EQ(BoldWidthCache[0x3042], 0);
}

TEST_F(DisplayFonts, NoMatchingFamilyKeepsTheOldFontsSilently)
{
    ReportCapture capture;
    add(L"First");
    wcscpy(Settings.Font, L"Fixed");
    BodyWidthCache[1] = 5;
    CreateDisplayFonts();
    EXPECT_EQ(AppState.BodyFont, nullptr);
    EXPECT_EQ(AppState.BoldFont, nullptr);
    EXPECT_EQ(BodyWidthCache[1], 5);   // untouched: no fonts were made
    // With fonts in place, a failed search leaves them as they are.
    wcscpy(Settings.Font, L"First");
    CreateDisplayFonts();
    HFONT body = AppState.BodyFont;
    ASSERT_NE(body, nullptr);
    wcscpy(Settings.Font, L"Missing");
    CreateDisplayFonts(FontSearch::EveryMatch);
    EXPECT_EQ(AppState.BodyFont, body);
    EXPECT_TRUE(capture.messages().empty());
}

TEST_F(DisplayFonts, FaceNameMustMatchExactly)
{
    add(L"Second Bold");
    add(L"second");
    CreateDisplayFonts();
    EXPECT_EQ(AppState.BodyFont, nullptr);
}

TEST_F(DisplayFonts, SizeZeroAsksForTheDefaultHeight)
{
    add(L"Second");
    Settings.FontSize = 0;
    CreateDisplayFonts();
    EXPECT_EQ(font_of(AppState.BodyFont).lfHeight, 0);
}

TEST_F(DisplayFonts, EveryMatchVariantLeavesOneFontPair)
{
    add(L"Second");
    add(L"Other");
    add(L"Second");
    CreateDisplayFonts(FontSearch::EveryMatch);
    ASSERT_NE(AppState.BodyFont, nullptr);
    EXPECT_STREQ(font_of(AppState.BodyFont).lfFaceName, L"Second");
}

TEST_F(DisplayFonts, ListGrowsOneRecordAtATime)
{
    add(L"A");
    add(L"B");
    add(L"C");
    ASSERT_EQ(AppState.FontList.count, 3);
    EXPECT_STREQ(AppState.FontList.items[0].lfFaceName, L"A");
    EXPECT_STREQ(AppState.FontList.items[2].lfFaceName, L"C");
    EXPECT_EQ(AppState.FontList.items[1].lfHeight, -99);   // the record as enumerated
    EXPECT_EQ(LocalSize(AppState.FontList.items), 3 * sizeof(LOGFONTW));
    static_assert(sizeof(LOGFONTW) == 92, "the platform's own record");
}

TEST_F(DisplayFonts, FirstAllocationFailureIsReportedAndNothingStored)
{
    ReportCapture capture;
    set_font_list_allocators(failing_alloc, failing_realloc);
    LOGFONTW lf = family(L"A");
    EXPECT_EQ(addFontsInfo(&lf), 0);
    EXPECT_EQ(AppState.FontList.count, 0);
    EXPECT_EQ(AppState.FontList.items, nullptr);
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"LocalAlloc失敗");
    EXPECT_EQ(messages[0].caption, L"addFontsInfo");
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(DisplayFonts, GrowthFailureKeepsWhatWasThere)
{
    ReportCapture capture;
    add(L"A");
    set_font_list_allocators(failing_alloc, failing_realloc);
    LOGFONTW lf = family(L"B");
    EXPECT_EQ(addFontsInfo(&lf), 0);
    ASSERT_EQ(AppState.FontList.count, 1);
    EXPECT_STREQ(AppState.FontList.items[0].lfFaceName, L"A");
    ASSERT_EQ(capture.messages().size(), 1u);
    EXPECT_EQ(capture.messages()[0].text, L"LocalReAlloc失敗");
    EXPECT_EQ(capture.messages()[0].caption, L"addFontsInfo");
}

TEST_F(DisplayFonts, EnumerationListsShiftJisFamiliesOnce)
{
    HDC dc = GetDC(nullptr);
    EnumerateFontList(dc);
    ReleaseDC(nullptr, dc);
    ASSERT_GT(AppState.FontList.count, 0) << "a Japanese font must be installed";
    std::set<std::wstring> faces;
    for (int i = 0; i < AppState.FontList.count; ++i) {
        const LOGFONTW& lf = AppState.FontList.items[i];
        EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET) << i;
        EXPECT_NE(lf.lfFaceName[0], L'@') << i;
        EXPECT_TRUE(faces.insert(lf.lfFaceName).second) << "listed twice";
    }
}

TEST_F(DisplayFonts, EnumerationStopsAtTheFirstFailedAllocation)
{
    ReportCapture capture;
    g_allocs = 0;
    set_font_list_allocators(failing_alloc, failing_realloc);
    HDC dc = GetDC(nullptr);
    EnumerateFontList(dc);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(AppState.FontList.count, 0);
    EXPECT_EQ(g_allocs, 1);
    EXPECT_EQ(capture.messages().size(), 1u);
}
