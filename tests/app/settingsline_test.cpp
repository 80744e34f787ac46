#include "store/settingsline.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

SettingsRecord fresh()
{
    SettingsRecord s{};
    settings_defaults(s);
    s.SortNew = 1;
    return s;
}

// Feeds a whole file's text, split at its line feeds the way the reader does.
void apply_text(SettingsRecord& s, const std::wstring& text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t lf = text.find(L'\n', start);
        size_t end = lf == std::wstring::npos ? text.size() : lf + 1;
        settings_apply_line(s, text.data() + start, end - start);
        start = end;
    }
}

bool apply_line(SettingsRecord& s, const std::wstring& line)
{
    return settings_apply_line(s, line.data(), line.size());
}

}  // namespace

TEST(SettingsDefaults, PutsTheFileDefaultsAndLeavesFontSizeAndToolBar)
{
    SettingsRecord s{};
    s.FontSize = 14;
    s.ToolBarVisible = 0;
    s.ProxyUse = 1;
    settings_defaults(s);
    EXPECT_EQ(std::wstring(s.BBSTable), L"http://menu.2ch.net/bbsmenu.html");
    EXPECT_EQ(std::wstring(s.LogDir), L"log");
    EXPECT_EQ(std::wstring(s.Font), L"Fixed");
    EXPECT_EQ(std::wstring(s.ProxyName), L"");
    EXPECT_EQ(s.ProxyUse, 0);
    EXPECT_EQ(s.ProxyPort, 8080);
    EXPECT_EQ(s.ThreadMax, 100);
    EXPECT_EQ(s.UseThreadMax, 0);
    EXPECT_EQ(s.FontSize, 14);
    EXPECT_EQ(s.ToolBarVisible, 0);
}

TEST(SettingsLine, EmptyBBSTableGivesTheDefaultUrl)
{
    SettingsRecord s = fresh();
    EXPECT_TRUE(apply_line(s, L"BBSTable: http://example.invalid/menu.html\n"));
    EXPECT_EQ(std::wstring(s.BBSTable), L"http://example.invalid/menu.html");
    EXPECT_TRUE(apply_line(s, L"BBSTable:\n"));
    EXPECT_EQ(std::wstring(s.BBSTable), L"http://menu.2ch.net/bbsmenu.html");
    apply_line(s, L"BBSTable: x\n");
    EXPECT_TRUE(apply_line(s, L"BBSTable:    \n"));
    EXPECT_EQ(std::wstring(s.BBSTable), L"http://menu.2ch.net/bbsmenu.html");
}

TEST(SettingsLine, FlagsTakeOneForAnyNonzeroNumber)
{
    SettingsRecord s = fresh();
    apply_line(s, L"ProxyUse: 5\n");
    apply_line(s, L"UseThreadMax: -3\n");
    apply_line(s, L"LineOnOff: 1\n");
    apply_line(s, L"UseServerDir: 0\n");
    apply_line(s, L"LogOnlyMode: 2abc\n");
    apply_line(s, L"ToolBarVisible: 0\n");
    apply_line(s, L"DebugMode: x\n");
    apply_line(s, L"VentCtrl: 300\n");
    EXPECT_EQ(s.ProxyUse, 1);
    EXPECT_EQ(s.UseThreadMax, 1);
    EXPECT_EQ(s.LineOnOff, 1);
    EXPECT_EQ(s.UseServerDir, 0);
    EXPECT_EQ(s.LogOnlyMode, 1);
    EXPECT_EQ(s.ToolBarVisible, 0);
    EXPECT_EQ(s.DebugMode, 0);
    EXPECT_EQ(s.VentCtrl, 1);
    EXPECT_EQ(settings_written_line(s, 6), L"ProxyUse: 1\n");
    EXPECT_EQ(settings_written_line(s, 17), L"VentCtrl: 1\n");
}

TEST(SettingsLine, NumbersReadLikeTheCLibrary)
{
    SettingsRecord s = fresh();
    apply_line(s, L"FontSize:   -12abc\n");
    apply_line(s, L"ProxyPort: +3128\n");
    apply_line(s, L"ThreadMax: abc\n");
    apply_line(s, L"Flag: 6\n");
    apply_line(s, L"SureLines: \t 3\n");
    apply_line(s, L"SortNew: 99999999999\n");
    EXPECT_EQ(s.FontSize, -12);
    EXPECT_EQ(s.ProxyPort, 3128);
    EXPECT_EQ(s.ThreadMax, 0);
    EXPECT_EQ(s.Flag, 6);
    EXPECT_EQ(s.SureLines, 3);
    EXPECT_EQ(s.SortNew, INT32_MAX);
    EXPECT_EQ(settings_number(L"-99999999999", 12), INT32_MIN);
    EXPECT_EQ(settings_number(L"-2147483648", 11), INT32_MIN);
    EXPECT_EQ(settings_number(L"  42", 4), 42);
    EXPECT_EQ(settings_number(L"-", 1), 0);
    // Only the given length is read.
    EXPECT_EQ(settings_number(L"1234", 2), 12);
}

TEST(SettingsLine, OnlyBlanksAreSkippedAfterTheColon)
{
    SettingsRecord s = fresh();
    apply_line(s, L"LogDir:          \\Storage Card\\log\n");
    EXPECT_EQ(std::wstring(s.LogDir), L"\\Storage Card\\log");
    apply_line(s, L"Font:\tTerminal  \n");
    EXPECT_EQ(std::wstring(s.Font), L"\tTerminal  ");
    // The value runs to the end of the line, colons included.
    apply_line(s, L"BBSTable: http://a.invalid:80/b\n");
    EXPECT_EQ(std::wstring(s.BBSTable), L"http://a.invalid:80/b");
}

TEST(SettingsLine, KeysAreExactAndCaseSensitive)
{
    SettingsRecord s = fresh();
    EXPECT_FALSE(apply_line(s, L"Font : Courier\n"));
    EXPECT_FALSE(apply_line(s, L"font: Courier\n"));
    EXPECT_FALSE(apply_line(s, L" Font: Courier\n"));
    EXPECT_FALSE(apply_line(s, L"Fonts: Courier\n"));
    EXPECT_FALSE(apply_line(s, L"Unknown: 1\n"));
    EXPECT_FALSE(apply_line(s, L"no colon on this line\n"));
    EXPECT_FALSE(apply_line(s, L"\n"));
    EXPECT_FALSE(apply_line(s, L""));
    EXPECT_EQ(std::wstring(s.Font), L"Fixed");
    SettingsRecord untouched = fresh();
    EXPECT_EQ(settings_written_form(s), settings_written_form(untouched));
}

TEST(SettingsLine, LastLineWithoutLineFeedLosesItsFinalCharacter)
{
    SettingsRecord s = fresh();
    apply_text(s, L"FontSize: 12\nFont: Courier");
    EXPECT_EQ(s.FontSize, 12);
    EXPECT_EQ(std::wstring(s.Font), L"Courie");
    apply_text(s, L"ThreadMax: 250");
    EXPECT_EQ(s.ThreadMax, 25);
}

TEST(SettingsLine, NulEndsTheLine)
{
    SettingsRecord s = fresh();
    const wchar_t line[] = L"BBSTable: \0abc\n";
    EXPECT_TRUE(settings_apply_line(s, line, sizeof line / sizeof line[0] - 1));
    EXPECT_EQ(std::wstring(s.BBSTable), L"http://menu.2ch.net/bbsmenu.html");
    const wchar_t font[] = L"Font: Courier\0\n";
    settings_apply_line(s, font, sizeof font / sizeof font[0] - 1);
    EXPECT_EQ(std::wstring(s.Font), L"Courie");
}

TEST(SettingsLine, LaterLineWins)
{
    SettingsRecord s = fresh();
    apply_text(s, L"FontSize: 9\nFontSize: 11\nProxyName: a\nProxyName: b\n");
    EXPECT_EQ(s.FontSize, 11);
    EXPECT_EQ(std::wstring(s.ProxyName), L"b");
}

TEST(SettingsLine, LongValuesAreCutToTheirFields)
{
    SettingsRecord s = fresh();
    std::wstring name(40, L'p');
    apply_line(s, L"ProxyName: " + name + L"\n");
    EXPECT_EQ(std::wstring(s.ProxyName), std::wstring(32, L'p'));
    std::wstring font(300, L'f');
    apply_line(s, L"Font: " + font + L"\n");
    EXPECT_EQ(std::wstring(s.Font), std::wstring(259, L'f'));
    // The neighbouring field is untouched.
    EXPECT_EQ(s.FontSize, 10);
}

TEST(SettingsWrittenForm, AllTwentyOneKeysInOrder)
{
    SettingsRecord s = fresh();
    std::wstring expected =
        L"BBSTable: http://menu.2ch.net/bbsmenu.html\n"
        L"LogDir: log\n"
        L"Font: Fixed\n"
        L"FontSize: 10\n"
        L"ProxyName: \n"
        L"ProxyPort: 8080\n"
        L"ProxyUse: 0\n"
        L"ThreadMax: 100\n"
        L"UseThreadMax: 0\n"
        L"LogOnlyMode: 0\n"
        L"LineOnOff: 0\n"
        L"UseServerDir: 0\n"
        L"ToolBarVisible: 1\n"
        L"DebugMode: 0\n"
        L"Flag: 0\n"
        L"SureLines: 0\n"
        L"SortNew: 1\n"
        L"VentCtrl: 0\n"
        L"NgLapseDays: 2\n"
        L"NgTransparent: 0\n"
        L"NgChain: 1\n"
        L"\n";
    EXPECT_EQ(settings_written_form(s), expected);
    EXPECT_EQ(settings_written_line(s, 21), L"\n");
}

TEST(SettingsWrittenForm, NumbersSignedFlagsZeroOrOne)
{
    SettingsRecord s = fresh();
    s.FontSize = -3;
    s.Flag = 7;
    s.ToolBarVisible = 4;
    s.DebugMode = -1;
    s.SureLines = INT32_MIN;
    EXPECT_EQ(settings_written_line(s, 3), L"FontSize: -3\n");
    EXPECT_EQ(settings_written_line(s, 14), L"Flag: 7\n");
    EXPECT_EQ(settings_written_line(s, 12), L"ToolBarVisible: 1\n");
    EXPECT_EQ(settings_written_line(s, 13), L"DebugMode: 1\n");
    EXPECT_EQ(settings_written_line(s, 15), L"SureLines: -2147483648\n");
}

TEST(SettingsWrittenForm, AValueNeverSpillsOntoANewLine)
{
    SettingsRecord s = fresh();
    std::wstring font = L"Fixed\nLogDir: \\elsewhere";
    font.copy(s.Font, font.size());
    s.Font[font.size()] = L'\0';
    EXPECT_EQ(settings_written_line(s, 2), L"Font: Fixed\n");
    // A field filled to its last unit without a terminator stops at its width.
    for (int i = 0; i < kProxyNameUnits; ++i) s.ProxyName[i] = L'x';
    EXPECT_EQ(settings_written_line(s, 4), L"ProxyName: " + std::wstring(kProxyNameUnits, L'x') + L"\n");
}

TEST(SettingsWrittenForm, ReadsBackToTheSameRecord)
{
    SettingsRecord s = fresh();
    s.ProxyUse = 1;
    s.FontSize = 12;
    s.Flag = 5;
    s.SortNew = 2;
    s.VentCtrl = 1;
    s.NgLapseDays = 0;
    s.NgTransparent = 1;
    s.NgChain = 0;
    std::wstring proxy = L"proxy.example.invalid";
    proxy.copy(s.ProxyName, proxy.size());
    s.ProxyName[proxy.size()] = L'\0';
    SettingsRecord back = fresh();
    apply_text(back, settings_written_form(s));
    EXPECT_EQ(settings_written_form(back), settings_written_form(s));
    EXPECT_EQ(std::wstring(back.ProxyName), proxy);
    EXPECT_EQ(back.NgLapseDays, 0);
    EXPECT_EQ(back.NgTransparent, 1);
    EXPECT_EQ(back.NgChain, 0);
}

TEST(SettingsPaths, AbsoluteLogDirectories)
{
    EXPECT_TRUE(settings_logdir_is_absolute(L"\\Storage Card\\log"));
    EXPECT_TRUE(settings_logdir_is_absolute(L"C:\\logs"));
    EXPECT_TRUE(settings_logdir_is_absolute(L"z:\\"));
    EXPECT_FALSE(settings_logdir_is_absolute(L"C:logs"));
    EXPECT_FALSE(settings_logdir_is_absolute(L"log"));
    EXPECT_FALSE(settings_logdir_is_absolute(L""));
    EXPECT_FALSE(settings_logdir_is_absolute(L"1:\\x"));
    EXPECT_FALSE(settings_logdir_is_absolute(L" \\x"));
}

TEST(SettingsPaths, SettingsFileBesideTheExecutable)
{
    EXPECT_EQ(settings_path_stem(L"\\Program Files\\quorvex\\quorvex.exe"), L"\\Program Files\\quorvex\\quorvex.");
    EXPECT_EQ(settings_path_stem(L"C:\\my.apps\\quorvex"), L"C:\\my.apps\\quorvex.");
    EXPECT_EQ(settings_path_stem(L"C:\\a\\q.v.exe"), L"C:\\a\\q.v.");
    EXPECT_EQ(settings_program_directory(L"\\Program Files\\quorvex\\quorvex.exe"), L"\\Program Files\\quorvex\\");
    EXPECT_EQ(settings_program_directory(L"quorvex.exe"), L"");
}
