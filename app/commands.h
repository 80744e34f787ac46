// The rules behind the main window's commands that need no window: which
// command a menu twin stands for, where the current thread goes when one is
// closed, and what choosing a board shows.
#pragma once
#include <cstdint>

#include "store/boardtable.h"
#include "store/responses.h"

// The command an incoming command id is handled as. Menu 159 carries the
// new-first sort as 40072 and menu 160 its search as 40059: they do what
// their twins 40073 and 40035 do. Every other id stands for itself.
int32_t command_for(int32_t id);

// The open threads once the current one has been closed: one fewer, and the
// thread before it current; closing the first leaves the next one (now at
// index 0) current, closing the last leaves none (-1).
struct OpenThreadsAfterClose {
    int32_t count;
    int32_t current;
};
OpenThreadsAfterClose open_threads_after_close(int32_t count, int32_t current);

// What choosing a board of the board selector shows.
enum class BoardChoice {
    FavoriteThreads,   // the favourite-thread entry: no server, no directory
    LocalOnly,         // a favourite board that stands for no board of the table: nothing to fetch
    Fetchable,         // a board with its server
};
BoardChoice board_choice(const BoardEntry& board);
