#include "app/commands.h"

#include <cwchar>

#include "res/resource.h"

int32_t command_for(int32_t id)
{
    switch (id) {
    case IDM_SORT_NEW_ALT:
        return IDM_SORT_NEW;
    case IDM_SEARCH_ALT:
        return IDM_SEARCH;
    default:
        return id;
    }
}

bool thread_is_current(const OpenThreadTableRecord& table)
{
    return table.entries && table.current >= 0 && table.current < table.count &&
           table.current < table.entryCapacity;
}

OpenThreadsAfterClose open_threads_after_close(int32_t count, int32_t current)
{
    OpenThreadsAfterClose after{count - 1, current - 1};
    if (after.count < 0) after.count = 0;
    if (after.count > 0 && after.current < 0) after.current = 0;
    if (after.count == 0) after.current = -1;
    return after;
}

BoardChoice board_choice(const BoardEntry& board)
{
    if (board.host[0] != L'\0') return BoardChoice::Fetchable;
    return board.dir[0] == L'\0' ? BoardChoice::FavoriteThreads : BoardChoice::LocalOnly;
}

int32_t board_for_selection(const CategoryArray& categories, const BoardArray& boards, int32_t category,
                            int32_t row)
{
    if (category < 0 || category > categories.lastCategory || category >= kCategoryMax || row < 0) return -1;
    const Category& c = categories.items[category];
    if (c.first < 0) return -1;
    const int64_t board = static_cast<int64_t>(c.first) + row;
    if (board > c.last || !boards.items || board >= boards.count) return -1;
    return static_cast<int32_t>(board);
}

namespace {
bool same_place(const BoardEntry& a, const BoardEntry& b)
{
    return std::wcsncmp(a.host, b.host, kBoardFieldUnits) == 0 && std::wcsncmp(a.dir, b.dir, kBoardFieldUnits) == 0;
}
}  // namespace

int32_t board_of_thread(const BoardArray& boards, const BoardEntry& recorded)
{
    if (!boards.items) return -1;
    const int32_t index = recorded.index;
    if (index >= 0 && index < boards.count && same_place(boards.items[index], recorded)) return index;
    for (int32_t i = 0; i < boards.count; ++i)
        if (same_place(boards.items[i], recorded)) return i;
    return -1;
}
