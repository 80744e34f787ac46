#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "app/commands.h"
#include "res/resource.h"

namespace {

BoardEntry board(const wchar_t* name, const wchar_t* host, const wchar_t* dir, int32_t index)
{
    BoardEntry b;
    std::memset(&b, 0, sizeof b);
    std::wcsncpy(b.name, name, kBoardFieldUnits - 1);
    std::wcsncpy(b.host, host, kBoardFieldUnits - 1);
    std::wcsncpy(b.dir, dir, kBoardFieldUnits - 1);
    b.index = index;
    return b;
}

// Two ordinary boards, then the favourites: the favourite-thread entry, a
// favourite of board 0 and a favourite of a board the table lacks.
struct Tables {
    BoardEntry items[5];
    BoardArray boards;
    CategoryArray categories;

    Tables()
    {
        items[0] = board(L"mobile", L"pc.2ch.net", L"mobile", 0);
        items[1] = board(L"news", L"srv.2ch.net", L"news", 1);
        items[2] = board(L"fav threads", L"", L"", kNoBoardIndex);
        items[3] = board(L"fav mobile", L"pc.2ch.net", L"mobile", 0);
        items[4] = board(L"fav gone", L"", L"gone", kNoBoardIndex);
        boards = BoardArray{items, 5, 5};
        std::memset(&categories, 0, sizeof categories);
        categories.items[0] = Category{{L'F'}, 2, 4};
        categories.items[1] = Category{{L'P'}, 0, 1};
        categories.items[2] = Category{{L'E'}, -1, -1};   // no boards
        categories.lastCategory = 2;
    }
};

}  // namespace

TEST(CommandRules, MenuTwinsAreHandledAsTheirOriginals)
{
    EXPECT_EQ(command_for(IDM_SORT_NEW_ALT), IDM_SORT_NEW);
    EXPECT_EQ(command_for(IDM_SEARCH_ALT), IDM_SEARCH);
    EXPECT_EQ(command_for(IDM_SORT_NEW), IDM_SORT_NEW);
    EXPECT_EQ(command_for(IDM_SEARCH), IDM_SEARCH);
    // Ctrl+6 has no command of its own and stands for nothing else.
    EXPECT_EQ(command_for(IDM_CTRL6), IDM_CTRL6);
    EXPECT_EQ(command_for(IDM_LOG_ONLY), IDM_LOG_ONLY);
    EXPECT_EQ(command_for(IDC_BOARD_SELECTOR), IDC_BOARD_SELECTOR);
}

TEST(CommandRules, AThreadIsCurrentOnlyInsideTheOpenOnes)
{
    ResponseBuffer entries[3] = {};
    OpenThreadTableRecord t{entries, nullptr, 2, 1, 3, 0};
    EXPECT_TRUE(thread_is_current(t));
    t.current = -1;
    EXPECT_FALSE(thread_is_current(t));
    t.current = 2;   // past the open ones
    EXPECT_FALSE(thread_is_current(t));
    t.current = 0;
    t.count = 0;
    EXPECT_FALSE(thread_is_current(t));
    t.count = 5;   // more than the block holds
    t.current = 4;
    EXPECT_FALSE(thread_is_current(t));
    OpenThreadTableRecord none{nullptr, nullptr, 1, 0, 0, 0};
    EXPECT_FALSE(thread_is_current(none));
}

TEST(CommandRules, ClosingMakesTheThreadBeforeCurrent)
{
    // The last of three: the one before it.
    OpenThreadsAfterClose a = open_threads_after_close(3, 2);
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(a.current, 1);
    // The middle one.
    a = open_threads_after_close(3, 1);
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(a.current, 0);
    // The first of three: the former second, now at index 0.
    a = open_threads_after_close(3, 0);
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(a.current, 0);
    // The only one: none is left.
    a = open_threads_after_close(1, 0);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a.current, -1);
}

TEST(CommandRules, ChoosingABoardFetchesOnlyWithAServer)
{
    Tables t;
    EXPECT_EQ(board_choice(t.items[0]), BoardChoice::Fetchable);
    EXPECT_EQ(board_choice(t.items[2]), BoardChoice::FavoriteThreads);
    EXPECT_EQ(board_choice(t.items[3]), BoardChoice::Fetchable);
    EXPECT_EQ(board_choice(t.items[4]), BoardChoice::LocalOnly);
}

TEST(CommandRules, SelectorRowsNameBoardsOfTheShownCategory)
{
    Tables t;
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 1, 0), 0);
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 1, 1), 1);
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 1, 2), -1) << "past the category's last board";
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 0, 0), 2);
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 0, 2), 4);
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 2, 0), -1) << "a category without boards";
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 3, 0), -1) << "past the last category";
    EXPECT_EQ(board_for_selection(t.categories, t.boards, -1, 0), -1);
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 1, -1), -1);
    EXPECT_EQ(board_for_selection(t.categories, t.boards, kCategoryMax, 0), -1);
    // A category that claims more boards than the table holds.
    t.categories.items[1].last = 40;
    EXPECT_EQ(board_for_selection(t.categories, t.boards, 1, 5), -1);
    BoardArray empty{nullptr, 0, 0};
    EXPECT_EQ(board_for_selection(t.categories, empty, 1, 0), -1);
}

TEST(CommandRules, AThreadFindsItsBoardAgainAfterTheTableChanged)
{
    Tables t;
    // As recorded: the board still stands at its index.
    EXPECT_EQ(board_of_thread(t.boards, t.items[1]), 1);
    // Opened through a favourite: its index names the ordinary board.
    EXPECT_EQ(board_of_thread(t.boards, t.items[3]), 0);
    // The table was rebuilt and the board moved.
    BoardEntry moved = board(L"news", L"srv.2ch.net", L"news", 0);
    EXPECT_EQ(board_of_thread(t.boards, moved), 1);
    // An index past the table.
    moved.index = 99;
    EXPECT_EQ(board_of_thread(t.boards, moved), 1);
    // A board the table no longer has.
    BoardEntry gone = board(L"old", L"old.2ch.net", L"old", 1);
    EXPECT_EQ(board_of_thread(t.boards, gone), -1);
    // A favourite without a server: found as itself.
    EXPECT_EQ(board_of_thread(t.boards, t.items[4]), 4);
    BoardArray empty{nullptr, 0, 0};
    EXPECT_EQ(board_of_thread(empty, t.items[0]), -1);
}
