// What the board-menu, thread-list and update-check tests share: a program
// folder with its log root, the loopback board server with the sample data
// reached as the proxy, a board table the code under test may replace, and
// the captured messages.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/appstate.h"
#include "app/settings.h"
#include "store/boardtable.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"
#include "tools/boardserver/boardserver.h"

namespace boardfetch_test {

// A fixed clock, so that the server's Date and Last-Modified lines, and with
// them every reply head, are the same in every run.
constexpr int64_t kClock = 1165621200;   // 2006-12-08 23:40:00 UTC

struct Message {
    std::wstring text;
    std::wstring caption;
};

inline std::wstring sample_dir()
{
    std::string src = QUORVEX_SOURCE_DIR;
    if (!src.empty() && src[0] == '/') src = "Z:" + src;   // Wine's drive for the host's root
    std::wstring dir;
    for (char c : src + "/tools/boardserver/sample") dir.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return dir;
}

inline std::wstring widen(const std::string& s)
{
    std::wstring w;
    for (char c : s) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return w;
}

// Every file below `dir` (relative paths with "\\"), for the proof that
// nothing was written anywhere else.
inline void list_files(const std::string& dir, const std::string& prefix, std::vector<std::string>* out)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back(prefix + name + "\\");
            list_files(dir + name + "\\", prefix + name + "\\", out);
        } else {
            out->push_back(prefix + name);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

inline bool is_directory(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

class BoardFetchFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
        savedSettings_ = Settings;
        savedBoards_ = BoardTable;
        savedCategories_ = CategoryTable;
        savedApp_ = AppState;
        BoardTable = {};
        CategoryTable = {};

        lstrcpynA(Settings.ProgramDirectory, dir_.path().c_str(), kAnsiPathBytes);
        root_ = dir_.path() + "log";
        CreateDirectoryA(root_.c_str(), nullptr);
        lstrcpynA(Settings.LogDirAnsi, root_.c_str(), kAnsiPathBytes);
        MultiByteToWideChar(CP_ACP, 0, root_.c_str(), -1, Settings.LogDir, kSettingsTextUnits);
        Settings.UseServerDir = 0;
        Settings.DebugMode = 0;
        Settings.SortNew = 1;
        Settings.LineOnOff = 1;
        Settings.ProxyUse = 1;
        lstrcpynW(Settings.ProxyName, L"127.0.0.1", kProxyNameUnits);
        lstrcpynW(Settings.BBSTable, L"http://menu.2ch.net/bbsmenu.html", kSettingsTextUnits);

        std::string error;
        ASSERT_TRUE(server_.load_sample(sample_dir(), &error)) << error;
        server_.site().set_clock(kClock);
        ASSERT_TRUE(server_.start());
        Settings.ProxyPort = server_.port();
    }

    void TearDown() override
    {
        server_.stop();
        if (BoardTable.items) LocalFree(static_cast<HLOCAL>(BoardTable.items));
        BoardTable = savedBoards_;
        CategoryTable = savedCategories_;
        AppState = savedApp_;
        Settings = savedSettings_;
        WSACleanup();
    }

    // A board table of the given boards (host, dir, name), in a block the code
    // under test may free, one category "PC" spanning all of them.
    void set_boards(const std::vector<std::vector<std::wstring>>& boards)
    {
        if (BoardTable.items) LocalFree(static_cast<HLOCAL>(BoardTable.items));
        int32_t n = static_cast<int32_t>(boards.size());
        BoardTable.items = static_cast<BoardEntry*>(LocalAlloc(LPTR, (n + 1) * sizeof(BoardEntry)));
        BoardTable.count = n;
        BoardTable.capacity = n + 1;
        for (int32_t i = 0; i < n; ++i) {
            lstrcpynW(BoardTable.items[i].host, boards[i][0].c_str(), kBoardFieldUnits);
            lstrcpynW(BoardTable.items[i].dir, boards[i][1].c_str(), kBoardFieldUnits);
            lstrcpynW(BoardTable.items[i].name, boards[i][2].c_str(), kBoardFieldUnits);
            BoardTable.items[i].index = i;
        }
        CategoryTable = {};
        lstrcpynW(CategoryTable.items[0].name, L"PC", kBoardFieldUnits);
        CategoryTable.items[0].first = 0;
        CategoryTable.items[0].last = n - 1;
        CategoryTable.lastCategory = 0;
    }

    std::vector<Message> messages() const
    {
        std::vector<Message> m;
        for (const ReportedMessage& r : reports_.messages()) m.push_back({r.text, r.caption});
        return m;
    }

    void expect_messages(const std::vector<Message>& want) const
    {
        std::vector<Message> got = messages();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].text, want[i].text) << i << " " << wide_to_utf8(got[i].text);
            EXPECT_EQ(got[i].caption, want[i].caption) << i;
        }
    }

    std::vector<boardserver::RecordedRequest> requests(size_t count) const
    {
        EXPECT_TRUE(server_.wait_for_requests(count, 5000));
        return server_.requests();
    }

    // Every file and folder under the test's folder.
    std::vector<std::string> tree() const
    {
        std::vector<std::string> files;
        list_files(dir_.path(), "", &files);
        return files;
    }

    TempDir dir_;
    std::string root_;
    SettingsRecord savedSettings_;
    BoardArray savedBoards_;
    CategoryArray savedCategories_;
    AppStateRecord savedApp_;
    boardserver::BoardServer server_;
    ReportCapture reports_;
};

}  // namespace boardfetch_test
