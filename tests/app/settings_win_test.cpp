#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "store/logpaths.h"
#include "store/settings.h"
#include "store/settingsline.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

// A program folder of its own: the settings file is <folder>quorvex.ini.
class SettingsFile : public testing::Test {
protected:
    void SetUp() override
    {
        Settings = SettingsRecord{};
        Settings.SortNew = 1;
        settings_set_module_path(sjis_to_wide(dir.file("quorvex.exe")).c_str());
        ini = dir.file("quorvex.ini");
    }
    void TearDown() override
    {
        settings_set_module_path(nullptr);
        Settings = SettingsRecord{};
    }

    void load()
    {
        inifile_defaults();
        inifile_load();
    }

    // Everything a fresh start writes, with the given log directory line.
    static std::string written(const std::string& logDir, const std::string& proxyUse = "0")
    {
        return "BBSTable: http://menu.2ch.net/bbsmenu.html\r\n"
               "LogDir: " + logDir + "\r\n"
               "Font: Fixed\r\n"
               "FontSize: 10\r\n"
               "ProxyName: \r\n"
               "ProxyPort: 8080\r\n"
               "ProxyUse: " + proxyUse + "\r\n"
               "ThreadMax: 100\r\n"
               "UseThreadMax: 0\r\n"
               "LogOnlyMode: 0\r\n"
               "LineOnOff: 0\r\n"
               "UseServerDir: 0\r\n"
               "ToolBarVisible: 1\r\n"
               "DebugMode: 0\r\n"
               "Flag: 0\r\n"
               "SureLines: 0\r\n"
               "SortNew: 1\r\n"
               "VentCtrl: 0\r\n"
               "NgLapseDays: 2\r\n"
               "NgTransparent: 0\r\n"
               "NgChain: 1\r\n"
               "\r\n";
    }

    TempDir dir;
    std::string ini;
};

}  // namespace

TEST_F(SettingsFile, FirstStartReportsOnceAndWritesEveryKey)
{
    ReportCapture capture;
    EXPECT_EQ(std::string(Settings.ProgramDirectory), dir.path());
    inifile_defaults();
    EXPECT_EQ(inifile_load(), 1);
    EXPECT_EQ(std::string(Settings.SettingsFilePath), ini);

    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, sjis_to_wide(ini) + L"オープンに失敗");
    EXPECT_EQ(messages[0].caption, L"inifile_load");
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));

    std::string logRoot = dir.file("log");
    EXPECT_EQ(std::string(Settings.LogDirAnsi), logRoot);
    EXPECT_EQ(std::wstring(Settings.LogDir), sjis_to_wide(logRoot));

    EXPECT_EQ(create_log_root(), 1);
    EXPECT_TRUE(GetFileAttributesA(logRoot.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(inifile_save(), 1);
    EXPECT_EQ(read_file_bytes(ini), written(logRoot));
    EXPECT_EQ(capture.messages().size(), 1u);

    // The next start finds the file: no message, same values.
    Settings = SettingsRecord{};
    Settings.SortNew = 1;
    settings_fill_program_directory();
    capture.clear();
    load();
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(std::string(Settings.LogDirAnsi), logRoot);
    EXPECT_EQ(inifile_save(), 1);
    EXPECT_EQ(read_file_bytes(ini), written(logRoot));
}

TEST_F(SettingsFile, EdgeValuesOfTheFile)
{
    write_file_bytes(ini,
                     "BBSTable:\r\n"
                     "ProxyUse: 5\r\n"
                     "LogDir:            \\Storage Card\\log\r\n"
                     "Font : Courier\r\n"
                     "this line has no colon\r\n"
                     "Unknown: 3\r\n"
                     "\r\n"
                     "ThreadMax: 250");
    ReportCapture capture;
    load();
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(std::wstring(Settings.BBSTable), L"http://menu.2ch.net/bbsmenu.html");
    EXPECT_EQ(Settings.ProxyUse, 1);
    EXPECT_EQ(std::wstring(Settings.LogDir), L"\\Storage Card\\log");
    EXPECT_EQ(std::string(Settings.LogDirAnsi), "\\Storage Card\\log");
    EXPECT_EQ(std::wstring(Settings.Font), L"Fixed");
    EXPECT_EQ(Settings.ThreadMax, 25);

    EXPECT_EQ(inifile_save(), 1);
    std::string expected = written("\\Storage Card\\log", "1");
    expected.replace(expected.find("ThreadMax: 100"), 14, "ThreadMax: 25");
    EXPECT_EQ(read_file_bytes(ini), expected);
}

TEST_F(SettingsFile, CrLfAndLfReadAlike)
{
    const std::string lf = "Font: Terminal\nFontSize: 12\nLineOnOff: 1\nSortNew: 2\nProxyName: px\nFlag: 4\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    write_file_bytes(ini, lf);
    load();
    std::wstring fromLf = settings_written_form(Settings);
    EXPECT_EQ(std::wstring(Settings.Font), L"Terminal");
    EXPECT_EQ(Settings.SortNew, 2);

    Settings = SettingsRecord{};
    Settings.SortNew = 1;
    settings_fill_program_directory();
    write_file_bytes(ini, crlf);
    load();
    EXPECT_EQ(settings_written_form(Settings), fromLf);
    EXPECT_EQ(Settings.FontSize, 12);
    EXPECT_EQ(Settings.LineOnOff, 1);
    EXPECT_EQ(std::wstring(Settings.ProxyName), L"px");
}

TEST_F(SettingsFile, LogDirectoryResolution)
{
    write_file_bytes(ini, "LogDir: mylogs\r\n");
    load();
    EXPECT_EQ(std::string(Settings.LogDirAnsi), dir.file("mylogs"));
    EXPECT_EQ(std::wstring(Settings.LogDir), sjis_to_wide(dir.file("mylogs")));

    // A drive letter makes a path absolute as a leading backslash does.
    write_file_bytes(ini, "LogDir:   D:\\logs\r\n");
    load();
    EXPECT_EQ(std::string(Settings.LogDirAnsi), "D:\\logs");
    EXPECT_EQ(std::wstring(Settings.LogDir), L"D:\\logs");
}

TEST_F(SettingsFile, LogDirectoryTooLongFallsBackToLog)
{
    // Below the program directory, 250 characters no longer fit 260 bytes.
    write_file_bytes(ini, "LogDir: " + std::string(250, 'd') + "\r\n");
    ReportCapture capture;
    load();
    EXPECT_EQ(std::string(Settings.LogDirAnsi), dir.file("log"));
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, L"inifile_load");
    EXPECT_EQ(messages[0].text,
              std::wstring(250, L'd') + L"\nログフォルダのパスが長すぎるため、既定のlogを使います");
}

TEST_F(SettingsFile, ShiftJisValuesRoundTrip)
{
    std::string font = utf8_to_sjis("ＭＳ ゴシック");
    write_file_bytes(ini, "Font: " + font + "\r\nProxyName: " + utf8_to_sjis("代理") + "\r\n");
    load();
    EXPECT_EQ(std::wstring(Settings.Font), L"ＭＳ ゴシック");
    EXPECT_EQ(inifile_save(), 1);
    std::string bytes = read_file_bytes(ini);
    EXPECT_NE(bytes.find("\r\nFont: " + font + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nProxyName: " + utf8_to_sjis("代理") + "\r\n"), std::string::npos);
}

TEST_F(SettingsFile, LongLineIsOneLine)
{
    // The reader hands out long lines in pieces; a piece must never be taken
    // for a line of its own.
    std::string line = "Font: " + std::string(1017, 'a') + "FontSize: 99\r\n";
    write_file_bytes(ini, line + "ThreadMax: 7\r\n");
    load();
    EXPECT_EQ(std::wstring(Settings.Font), std::wstring(259, L'a'));
    EXPECT_EQ(Settings.FontSize, 10);
    EXPECT_EQ(Settings.ThreadMax, 7);
}

TEST_F(SettingsFile, FailedSaveLeavesTheOldFile)
{
    const std::string old = "Font: Courier\r\nFontSize: 8\r\n";
    write_file_bytes(ini, old);
    load();
    Settings.FontSize = 20;
    // The new copy cannot be created: the old file stays, byte for byte.
    ASSERT_TRUE(CreateDirectoryA((ini + ".new").c_str(), nullptr));
    ReportCapture capture;
    EXPECT_EQ(inifile_save(), 0);
    EXPECT_EQ(read_file_bytes(ini), old);
    EXPECT_TRUE(capture.messages().empty());
    RemoveDirectoryA((ini + ".new").c_str());
    EXPECT_EQ(inifile_save(), 1);
    EXPECT_NE(read_file_bytes(ini).find("\r\nFontSize: 20\r\n"), std::string::npos);
}
