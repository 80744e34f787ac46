#include "app/dialogtexts.h"
#include "store/settingsline.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

TEST(FreeMemoryText, AvailableBytesInWholeKilobytes)
{
    // 20 MB free shows 20480; the bytes short of a whole KB do not count.
    EXPECT_EQ(free_memory_text(20u * 1024 * 1024), L"使用可能メモリ:20480KB");
    EXPECT_EQ(free_memory_text(20u * 1024 * 1024 + 1023), L"使用可能メモリ:20480KB");
    EXPECT_EQ(free_memory_text(1023), L"使用可能メモリ:0KB");
    EXPECT_EQ(free_memory_text(0), L"使用可能メモリ:0KB");
    EXPECT_EQ(free_memory_text(1024), L"使用可能メモリ:1KB");
}

TEST(FreeMemoryText, CountsBeyondThirtyTwoBitsAreWrittenInFull)
{
    EXPECT_EQ(free_memory_text(uint64_t{8} * 1024 * 1024 * 1024 * 1024), L"使用可能メモリ:8589934592KB");
    EXPECT_EQ(free_memory_text(UINT64_MAX), L"使用可能メモリ:18014398509481983KB");
}

TEST(DialogNumber, ReadLikeASettingsValue)
{
    EXPECT_EQ(dialog_number(L"8080"), 8080);
    EXPECT_EQ(dialog_number(L"  -12"), -12);
    EXPECT_EQ(dialog_number(L"+7pt"), 7);
    EXPECT_EQ(dialog_number(L"12 34"), 12);
}

TEST(DialogNumber, TextWithoutDigitsGivesZero)
{
    EXPECT_EQ(dialog_number(L""), 0);
    EXPECT_EQ(dialog_number(L"abc"), 0);
    EXPECT_EQ(dialog_number(L"-"), 0);
    EXPECT_EQ(dialog_number(L"x12"), 0);
    EXPECT_EQ(dialog_number(L"１２"), 0);   // full-width digits are no digits
}

TEST(DialogNumber, HeldAtThe32BitLimits)
{
    EXPECT_EQ(dialog_number(L"99999999999999999999"), INT32_MAX);
    EXPECT_EQ(dialog_number(L"-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(dialog_number(L"2147483647"), INT32_MAX);
    EXPECT_EQ(dialog_number(L"-2147483648"), INT32_MIN);
}

TEST(DialogNumber, OnlyTheFirst79CharactersCount)
{
    // 78 blanks and a digit: the digit is the 79th character and counts.
    std::wstring text(78, L' ');
    EXPECT_EQ(dialog_number((text + L"5").c_str()), 5);
    // One blank more pushes it out of the field.
    EXPECT_EQ(dialog_number((text + L" 5").c_str()), 0);
    // A long run of digits stops being read after 79 of them.
    std::wstring zeros(78, L'0');
    EXPECT_EQ(dialog_number((zeros + L"42").c_str()), 4);
}

TEST(CopyDialogText, CutToTheCharactersAndTheField)
{
    wchar_t field[33];
    std::wstring forty(40, L'x');
    copy_settings_text(field, 33, forty.c_str(), 32);
    EXPECT_EQ(std::wstring(field), std::wstring(32, L'x'));

    // The field's size wins over a larger count.
    wchar_t small[5];
    copy_settings_text(small, 5, L"abcdefgh", 79);
    EXPECT_EQ(std::wstring(small), L"abcd");

    // A shorter text is copied whole, up to its NUL.
    copy_settings_text(field, 33, L"proxy.example", 32);
    EXPECT_EQ(std::wstring(field), L"proxy.example");

    copy_settings_text(field, 33, L"", 32);
    EXPECT_EQ(std::wstring(field), L"");

    // Nothing is written into a field of no units.
    wchar_t untouched[1] = {L'q'};
    copy_settings_text(untouched, 0, L"abc", 3);
    EXPECT_EQ(untouched[0], L'q');
}
