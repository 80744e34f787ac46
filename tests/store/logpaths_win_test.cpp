#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "store/boardtable.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

void set_text(wchar_t* field, const wchar_t* text)
{
    wcsncpy(field, text, kBoardFieldUnits - 1);
    field[kBoardFieldUnits - 1] = L'\0';
}

bool is_dir(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A program folder with its log root "log" and a small board table.
class LogTree : public testing::Test {
protected:
    void SetUp() override
    {
        saved = BoardTable;
        Settings = SettingsRecord{};
        root = dir.file("log");
        set_root(root);
        std::memset(boards, 0, sizeof boards);
        set_text(boards[0].host, L"srv");
        set_text(boards[0].dir, L"mobile");
        set_text(boards[1].host, L"www.example.invalid/area");
        set_text(boards[1].dir, L"north");
        set_text(boards[2].host, L"srv");
        set_text(boards[2].dir, L"..");
        BoardTable.items = boards;
        BoardTable.count = 3;
        BoardTable.capacity = 3;
    }
    void TearDown() override
    {
        BoardTable = saved;
        Settings = SettingsRecord{};
    }

    void set_root(const std::string& path)
    {
        std::strcpy(Settings.LogDirAnsi, path.c_str());
        std::wstring wide = sjis_to_wide(path);
        wcscpy(Settings.LogDir, wide.c_str());
    }

    TempDir dir;
    std::string root;
    BoardEntry boards[3];
    BoardArray saved;
};

}  // namespace

TEST_F(LogTree, RootIsCreatedOnceAndKept)
{
    ReportCapture capture;
    EXPECT_EQ(create_log_root(), 1);
    EXPECT_TRUE(is_dir(root));
    write_file_bytes(root + "\\keep.txt", "x");
    EXPECT_EQ(create_log_root(), 1);
    EXPECT_EQ(read_file_bytes(root + "\\keep.txt"), "x");
    EXPECT_TRUE(capture.messages().empty());
}

TEST_F(LogTree, RootWithoutParentIsReportedAndTheProgramGoesOn)
{
    std::string deep = dir.file("missing\\log");
    set_root(deep);
    ReportCapture capture;
    EXPECT_EQ(create_log_root(), 1);
    EXPECT_FALSE(is_dir(deep));
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"(" + sjis_to_wide(deep) + L")作成失敗(code:3)");
    EXPECT_EQ(messages[0].caption, L"CreateDirectory");
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(LogTree, BoardDirectoriesInBothLayouts)
{
    ReportCapture capture;
    create_log_root();
    EXPECT_EQ(create_board_dirs(L"srv", L"mobile"), 1);
    EXPECT_TRUE(is_dir(root + "\\mobile"));
    EXPECT_FALSE(is_dir(root + "\\mobile\\dat"));
    EXPECT_FALSE(is_dir(root + "\\srv"));

    Settings.UseServerDir = 1;
    EXPECT_EQ(create_board_dirs(L"srv", L"mobile"), 1);
    EXPECT_TRUE(is_dir(root + "\\srv\\mobile\\dat"));
    // Again: existing directories are fine.
    EXPECT_EQ(create_board_dirs(L"srv", L"mobile"), 1);
    // A host with a second level gets both levels.
    EXPECT_EQ(create_board_dirs(L"www.example.invalid/area", L"north"), 1);
    EXPECT_TRUE(is_dir(root + "\\www.example.invalid\\area\\north\\dat"));
    EXPECT_TRUE(capture.messages().empty());
}

TEST_F(LogTree, BoardDirectoryFailureIsReported)
{
    // No log root: no level can be made. The server level's failure is
    // passed over and the board directory still tried; its failure is the
    // one shown.
    Settings.UseServerDir = 1;
    ReportCapture capture;
    EXPECT_EQ(create_board_dirs(L"srv", L"mobile"), 0);
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, sjis_to_wide(root) + L"\\srv\\mobile作成失敗(code:3)");
    EXPECT_EQ(messages[0].caption, L"CreateDirectory");
}

TEST_F(LogTree, UnsafeBoardNamesCreateNothing)
{
    create_log_root();
    Settings.UseServerDir = 1;
    ReportCapture capture;
    EXPECT_EQ(create_board_dirs(L"..", L"escape"), 0);
    EXPECT_EQ(create_board_dirs(L"srv", L"..\\..\\escape"), 0);
    // The yen sign is a backslash byte in code page 932.
    EXPECT_EQ(create_board_dirs(L"srv", L"\u00a5escape"), 0);
    EXPECT_FALSE(is_dir(dir.file("escape")));
    EXPECT_FALSE(is_dir(root + "\\srv"));
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, L"(..,escape)ログのパスを作れません");
    EXPECT_EQ(messages[0].caption, L"CreateDirectory");
    EXPECT_EQ(messages[1].text, L"(srv,..\\..\\escape)ログのパスを作れません");
}

TEST_F(LogTree, ThreadLogPathsFollowTheLayout)
{
    wchar_t path[kLogPathUnits];
    ASSERT_TRUE(log_thread_path_of(0, L"1065069078.dat", path, kLogPathUnits));
    EXPECT_EQ(std::wstring(path), sjis_to_wide(root) + L"\\mobile\\1065069078.dat");
    Settings.UseServerDir = 1;
    ASSERT_TRUE(log_thread_path_of(0, L"1065069078.dat", path, kLogPathUnits));
    EXPECT_EQ(std::wstring(path), sjis_to_wide(root) + L"\\srv\\mobile\\dat\\1065069078.dat");
    ASSERT_TRUE(log_thread_path_of(1, L"1.dat", path, kLogPathUnits));
    EXPECT_EQ(std::wstring(path), sjis_to_wide(root) + L"\\www.example.invalid\\area\\north\\dat\\1.dat");
    EXPECT_FALSE(log_thread_path_of(2, L"1.dat", path, kLogPathUnits));
    EXPECT_EQ(path[0], L'\0');
    EXPECT_FALSE(log_thread_path_of(3, L"1.dat", path, kLogPathUnits));
    EXPECT_FALSE(log_thread_path_of(-1, L"1.dat", path, kLogPathUnits));
    EXPECT_FALSE(log_thread_path_of(0, L"..\\x.dat", path, kLogPathUnits));
}

TEST_F(LogTree, FileSizeOfThreadLogs)
{
    create_log_root();
    create_board_dirs(L"srv", L"mobile");
    write_file_bytes(root + "\\mobile\\1065069078.dat", std::string(1234, 'x'));
    EXPECT_EQ(get_filesize(0, L"1065069078.dat"), 1234u);
    EXPECT_EQ(get_filesize(0, L"1065069079.dat"), 0u);

    // Under the other layout the same thread looks unfetched.
    Settings.UseServerDir = 1;
    EXPECT_EQ(get_filesize(0, L"1065069078.dat"), 0u);
    create_board_dirs(L"srv", L"mobile");
    write_file_bytes(root + "\\srv\\mobile\\dat\\1065069078.dat", std::string(77, 'y'));
    EXPECT_EQ(get_filesize(0, L"1065069078.dat"), 77u);
    Settings.UseServerDir = 0;
    EXPECT_EQ(get_filesize(0, L"1065069078.dat"), 1234u);
}

TEST_F(LogTree, FileSizeRefusesWhatIsOutsideTheTree)
{
    create_log_root();
    create_board_dirs(L"srv", L"mobile");
    write_file_bytes(root + "\\outside.dat", "12345");
    write_file_bytes(root + "\\mobile\\1.dat", "abc");
    EXPECT_EQ(get_filesize(0, L"..\\outside.dat"), 0u);
    EXPECT_EQ(get_filesize(2, L"outside.dat"), 0u);   // the board ".."
    EXPECT_EQ(get_filesize(3, L"1.dat"), 0u);
    EXPECT_EQ(get_filesize(-1, L"1.dat"), 0u);
    EXPECT_EQ(get_filesize(0, nullptr), 0u);
    EXPECT_EQ(get_filesize(0, L"1.dat"), 3u);
}

TEST_F(LogTree, FileSizeOfALogBeingWritten)
{
    create_log_root();
    create_board_dirs(L"srv", L"mobile");
    std::string log = root + "\\mobile\\5.dat";
    write_file_bytes(log, std::string(10, 'z'));
    HANDLE writer = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(get_filesize(0, L"5.dat"), 10u);
    CloseHandle(writer);
}
