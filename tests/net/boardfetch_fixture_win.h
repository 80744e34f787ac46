// What the board-menu, thread-list and update-check tests share: the loopback
// proxy fixture with a log root and the server's sample data, and a board
// table the code under test may replace.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/appstate.h"
#include "store/boardtable.h"
#include "store/settings.h"
#include "tests/net/loopbackfixture_win.h"

namespace boardfetch_test {

// A fixed clock, so that the server's Date and Last-Modified lines, and with
// them every reply head, are the same in every run.
constexpr int64_t kClock = 1165621200;   // 2006-12-08 23:40:00 UTC

using net_test::Message;

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

class BoardFetchFixture : public net_test::LoopbackProxyFixture {
protected:
    void SetUp() override
    {
        savedBoards_ = BoardTable;
        savedCategories_ = CategoryTable;
        savedApp_ = AppState;
        BoardTable = {};
        CategoryTable = {};
        ASSERT_NO_FATAL_FAILURE(LoopbackProxyFixture::SetUp());
        use_log_root();
        Settings.SortNew = 1;
        Settings.LineOnOff = 1;
        lstrcpynW(Settings.BBSTable, L"http://menu.2ch.net/bbsmenu.html", kSettingsTextUnits);
    }

    void prepare_server() override
    {
        std::string error;
        ASSERT_TRUE(server_.load_sample(sample_dir(), &error)) << error;
        server_.site().set_clock(kClock);
    }

    void TearDown() override
    {
        if (BoardTable.items) LocalFree(static_cast<HLOCAL>(BoardTable.items));
        BoardTable = savedBoards_;
        CategoryTable = savedCategories_;
        AppState = savedApp_;
        LoopbackProxyFixture::TearDown();
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
            BoardTable.items[i].secure = secure_;
        }
        CategoryTable = {};
        lstrcpynW(CategoryTable.items[0].name, L"PC", kBoardFieldUnits);
        CategoryTable.items[0].first = 0;
        CategoryTable.items[0].last = n - 1;
        CategoryTable.lastCategory = 0;
    }

    // The board menu and the boards of the table take the test's scheme.
    void scheme_chosen() override
    {
        lstrcpynW(Settings.BBSTable, (wscheme() + L"menu.2ch.net/bbsmenu.html").c_str(), kSettingsTextUnits);
        for (int32_t i = 0; i < BoardTable.count; ++i) BoardTable.items[i].secure = secure_;
    }

    // Every file and folder under the test's folder.
    std::vector<std::string> tree() const
    {
        std::vector<std::string> files;
        list_files(dir_.path(), "", &files);
        return files;
    }

    BoardArray savedBoards_;
    CategoryArray savedCategories_;
    AppStateRecord savedApp_;
};

}  // namespace boardfetch_test
