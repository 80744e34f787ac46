// The in-memory board table with its categories, and the *.brd files behind it.
#pragma once
#include <cstdint>
#include <string_view>

constexpr int kBoardFieldUnits = 33;      // 32 characters and terminator
constexpr int kCategoryMax = 50;
constexpr int kBoardTableInitialCapacity = 1024;
constexpr int kBoardTableGrowth = 10;

struct BoardEntry {
    wchar_t name[kBoardFieldUnits];
    wchar_t host[kBoardFieldUnits];       // may carry "/" and one path level
    wchar_t dir[kBoardFieldUnits];
    int32_t index;                        // for a favourite: the ordinary board it stands for
    bool secure;                          // served over "https://"
};

struct BoardArray {
    BoardEntry* items;                    // zero-filled when allocated
    int32_t count;
    int32_t capacity;
};

struct Category {
    wchar_t name[kBoardFieldUnits];
    int32_t first;
    int32_t last;
};

struct CategoryArray {
    Category items[kCategoryMax];
    int32_t lastCategory;
};

// A record's field (at most 32 units) as code page 932 bytes; empty when it
// cannot be converted.
constexpr int kBoardFieldBytes = 2 * (kBoardFieldUnits - 1) + 1;
void board_field_bytes(char (&dst)[kBoardFieldBytes], const wchar_t (&src)[kBoardFieldUnits]);
// The reverse: code page 932 bytes as a field, cut to 32 characters at a
// character boundary.
void board_field_from_bytes(wchar_t (&dst)[kBoardFieldUnits], std::string_view src);

extern BoardArray BoardTable;
extern CategoryArray CategoryTable;

// The board of row `row` of the board selector while category `category` is
// shown: the category's first board plus the row. -1 when the category, the
// row or the resulting board lies outside the tables.
int32_t board_for_selection(const CategoryArray& categories, const BoardArray& boards, int32_t category,
                            int32_t row);

// The board table's index of the board with server `host` and directory
// `dir`: `preferred` while the board there still has them, else the first
// board that has them (the table may have been rebuilt since); -1 when none
// has.
int32_t board_with_place(const BoardArray& boards, int32_t preferred, std::wstring_view host,
                         std::wstring_view dir);

// The board an open thread was read from, as recorded in its ResponseBuffer:
// its recorded index and place, as board_with_place finds them.
int32_t board_of_thread(const BoardArray& boards, const BoardEntry& recorded);

// Frees the board array and makes `items` (a local-heap block of `capacity`
// records, `count` of them in use) the table.
void replace_board_table(BoardEntry* items, int32_t count, int32_t capacity);

// The favourites pseudo-category at position 0 after a load from the files.
// A favourite board that stands for no ordinary board carries this index:
// there is no board to reload its threads from.
constexpr int32_t kNoBoardIndex = -1;

constexpr char kBoardFile[] = "2channel.brd";

// Writes the table to "2channel.brd" in the program's directory through a
// safe rewrite, as the menu built it (its categories from 0). 1 when written,
// or when there was nothing to write (no category); 0 when the file could not
// be written, the old file then stays as it was.
int ItaList_save();
// Loads "2channel.brd", then the favourite boards. Always 0; a missing file
// is reported and leaves the tables as they were.
int ItaList_load();
// Reads "favorite.brd" into the records after the ordinary boards and makes
// category 0 span exactly them (first = count, last = count - 1 when there
// are none). 1 when the file was read, 0 when it could not be opened.
int favorite_ita_load();
