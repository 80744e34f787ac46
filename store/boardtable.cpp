// The board table's look-ups: byte-level, so the native build tests them too.
#include "store/boardtable.h"

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

// A field of a board record up to its terminator, never past the field.
std::wstring_view field(const wchar_t (&units)[kBoardFieldUnits])
{
    size_t n = 0;
    while (n < kBoardFieldUnits && units[n] != L'\0') ++n;
    return std::wstring_view(units, n);
}

bool has_place(const BoardEntry& board, std::wstring_view host, std::wstring_view dir)
{
    return field(board.host) == host && field(board.dir) == dir;
}

}  // namespace

int32_t board_with_place(const BoardArray& boards, int32_t preferred, std::wstring_view host,
                         std::wstring_view dir)
{
    if (!boards.items) return -1;
    if (preferred >= 0 && preferred < boards.count && has_place(boards.items[preferred], host, dir))
        return preferred;
    for (int32_t i = 0; i < boards.count; ++i)
        if (has_place(boards.items[i], host, dir)) return i;
    return -1;
}

int32_t board_of_thread(const BoardArray& boards, const BoardEntry& recorded)
{
    return board_with_place(boards, recorded.index, field(recorded.host), field(recorded.dir));
}
