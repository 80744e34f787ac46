#include "app/commands.h"

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
