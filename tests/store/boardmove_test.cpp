#include "store/boardmove.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

BoardEntry board(const wchar_t* host, const wchar_t* dir)
{
    BoardEntry b{};
    std::wcsncpy(b.host, host, kBoardFieldUnits - 1);
    std::wcsncpy(b.dir, dir, kBoardFieldUnits - 1);
    return b;
}

std::vector<std::wstring> described(const std::vector<BoardMove>& moves)
{
    std::vector<std::wstring> out;
    for (const BoardMove& m : moves) out.push_back(m.oldHost + L"/" + m.dir + L">" + m.newHost);
    return out;
}

}  // namespace

TEST(BoardsMoved, OnlyBoardsListedElsewhereAndNoLongerWhereTheyWere)
{
    const BoardEntry before[] = {board(L"pc.2ch.net", L"mobile"), board(L"pc.2ch.net", L"software"),
                                 board(L"srv.2ch.net", L"news"), board(L"pc.2ch.net", L"mobile"),   // a favourite
                                 board(L"", L"nowhere"), board(L"old.2ch.net", L"gone")};
    const BoardEntry after[] = {board(L"pc9.2ch.net", L"mobile"), board(L"pc.2ch.net", L"software"),
                                board(L"srv.2ch.net", L"news"), board(L"new.2ch.net", L"news")};
    EXPECT_EQ(described(boards_moved(before, 6, after, 4)),
              (std::vector<std::wstring>{L"pc.2ch.net/mobile>pc9.2ch.net"}));
    EXPECT_TRUE(boards_moved(before, 6, before, 6).empty());
    EXPECT_TRUE(boards_moved(nullptr, 0, after, 4).empty());
}

TEST(BoardsMoved, RecordsOfTheBoardTakeTheNewHost)
{
    BoardEntry items[] = {board(L"pc.2ch.net", L"mobile"), board(L"pc.2ch.net", L"software"),
                          board(L"pc.2ch.net", L"mobile")};
    BoardArray table{items, 3, 3};
    EXPECT_EQ(move_board_records(table, BoardMove{L"pc.2ch.net", L"mobile", L"pc9.2ch.net"}), 2);
    EXPECT_STREQ(items[0].host, L"pc9.2ch.net");
    EXPECT_STREQ(items[1].host, L"pc.2ch.net");
    EXPECT_STREQ(items[2].host, L"pc9.2ch.net");
    EXPECT_EQ(move_board_records(table, BoardMove{L"pc.2ch.net", L"mobile", L"pc9.2ch.net"}), 0);
    // A host that would not fit the field moves nothing.
    EXPECT_EQ(move_board_records(table, BoardMove{L"pc9.2ch.net", L"mobile", std::wstring(40, L'h')}), 0);
    EXPECT_STREQ(items[0].host, L"pc9.2ch.net");
}

TEST(BoardsMoved, BoardFileLinesKeepEverythingButTheHost)
{
    const std::string file = "2\r\nPC\t0\r\n\tpc.2ch.net\tmobile\t\x83\x82\x83o\r\n\tpc.2ch.net\tsoftware\tSoft\r\n"
                             "\tpc.2ch.net\tmobile\tagain\textra\n\tpc.2ch.net\tmobile\tlast";
    int changed = 0;
    EXPECT_EQ(brd_bytes_moved(file, "pc.2ch.net", "mobile", "pc9.2ch.net", &changed),
              "2\r\nPC\t0\r\n\tpc9.2ch.net\tmobile\t\x83\x82\x83o\r\n\tpc.2ch.net\tsoftware\tSoft\r\n"
              "\tpc9.2ch.net\tmobile\tagain\textra\n\tpc9.2ch.net\tmobile\tlast");
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(brd_bytes_moved(file, "pc.2ch.net", "nothing", "x", &changed), file);
    EXPECT_EQ(changed, 0);
}
