#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string_view>
#include <utility>

#include "base/codepage.h"
#include "base/handles.h"
#include "base/report.h"
#include "store/boardlines.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/lineread.h"
#include "store/storereport.h"

BoardArray BoardTable = {};
// No category at all until a table is loaded: a fresh installation shows an
// empty category selector, not one nameless category.
CategoryArray CategoryTable = {{}, -1};

namespace {

constexpr char kFavoriteBoardFile[] = "favorite.brd";
constexpr wchar_t kFavoritesCategory[] = L"お気に入り";
constexpr wchar_t kCaptionSave[] = L"ItaList_save";
constexpr wchar_t kCaptionLoad[] = L"ItaList_load";
constexpr wchar_t kCaptionFavoriteLoad[] = L"favorite_ita_load";

// A field in code page 932: 32 UTF-16 units take at most 64 bytes.

// Where the favourites read by the last favorite_ita_load begin and end, so
// that the next one replaces them instead of appending a second copy. -1
// after a load from "2channel.brd".
int32_t g_favoriteBase = -1;
int32_t g_favoriteEnd = -1;
// The table is one rebuilt from the board menu: its categories start at 0
// and it has no favourites category until the next load.
bool g_menuTable = false;


bool same_field(const wchar_t (&a)[kBoardFieldUnits], const wchar_t (&b)[kBoardFieldUnits])
{
    return std::wcsncmp(a, b, kBoardFieldUnits - 1) == 0;
}

BoardEntry* allocate_records(int32_t capacity)
{
    return static_cast<BoardEntry*>(
        LocalAlloc(LPTR, static_cast<size_t>(capacity) * sizeof(BoardEntry)));
}

// Makes sure record `count` exists, growing the array by ten records when it
// is full. False, after telling the user, when the array cannot grow.
bool ensure_record()
{
    if (!BoardTable.items) {
        BoardEntry* items = allocate_records(kBoardTableInitialCapacity);
        if (!items) {
            report_failure(kTextLocalReAllocFailed, kCaptionLoad);
            return false;
        }
        BoardTable.items = items;
        BoardTable.count = 0;
        BoardTable.capacity = kBoardTableInitialCapacity;
    }
    if (BoardTable.count < BoardTable.capacity) return true;
    constexpr int32_t kMaxRecords = 0x7fffffff / static_cast<int32_t>(sizeof(BoardEntry));
    if (BoardTable.capacity > kMaxRecords - kBoardTableGrowth) {
        report_failure(kTextLocalReAllocFailed, kCaptionLoad);
        return false;
    }
    int32_t capacity = BoardTable.capacity + kBoardTableGrowth;
    HLOCAL grown = LocalReAlloc(static_cast<HLOCAL>(BoardTable.items),
                                static_cast<size_t>(capacity) * sizeof(BoardEntry),
                                LMEM_MOVEABLE | LMEM_ZEROINIT);
    if (!grown) {
        report_failure(kTextLocalReAllocFailed, kCaptionLoad);
        return false;
    }
    BoardTable.items = static_cast<BoardEntry*>(grown);
    std::memset(BoardTable.items + BoardTable.capacity, 0,
                static_cast<size_t>(kBoardTableGrowth) * sizeof(BoardEntry));
    BoardTable.capacity = capacity;
    return true;
}

void set_favorites_category(int32_t first, int32_t last)
{
    Category& favorites = CategoryTable.items[0];
    std::wcscpy(favorites.name, kFavoritesCategory);
    favorites.first = first;
    favorites.last = last;
}

// The ordinary board a favourite stands for: the first board whose name is
// the favourite's or, failing that for this board, whose directory is. -1
// when none.
int32_t find_board_for(const BoardEntry& favorite, int32_t ordinary)
{
    const bool hasDir = favorite.dir[0] != L'\0';
    for (int32_t i = 0; i < ordinary; ++i) {
        const BoardEntry& board = BoardTable.items[i];
        if (same_field(board.name, favorite.name)) return i;
        if (hasDir && same_field(board.dir, favorite.dir)) return i;
    }
    return -1;
}

// A rebuilt table that could not be read back from the file (it was never
// written): its categories move up by one, as a load would leave them, and
// the favourites take category 0. A 50th category has no room left.
void put_favorites_first()
{
    const int32_t last = CategoryTable.lastCategory < kCategoryMax - 1 ? CategoryTable.lastCategory : kCategoryMax - 2;
    if (last >= 0)
        std::memmove(&CategoryTable.items[1], &CategoryTable.items[0], static_cast<size_t>(last + 1) * sizeof(Category));
    CategoryTable.lastCategory = last + 1;
    set_favorites_category(-1, -1);
    g_favoriteBase = -1;
    g_favoriteEnd = -1;
    g_menuTable = false;
    favorite_ita_load();
}

// Writes one line already formatted; the text output ends it with CR LF.
void put_line(LibceFile* f, const char* line) { libce_fputs(line, f); }

// The category's name as it can stand in the file: the loader reads a
// category's name up to its first TAB, CR or LF, so that is all there is.
void category_name_bytes(char (&dst)[kBoardFieldBytes], const wchar_t (&name)[kBoardFieldUnits])
{
    board_field_bytes(dst, name);
    dst[std::strcspn(dst, "\t\r\n")] = '\0';
}

}  // namespace

// A field of a record as code page 932 bytes; empty when it cannot be
// converted. A record whose field fills all 33 units is read as 32.
void board_field_bytes(char (&dst)[kBoardFieldBytes], const wchar_t (&src)[kBoardFieldUnits])
{
    wchar_t copy[kBoardFieldUnits];
    size_t n = wcsnlen(src, kBoardFieldUnits - 1);
    std::wmemcpy(copy, src, n);
    copy[n] = L'\0';
    if (wide_to_mb(dst, copy, kBoardFieldBytes) == 0) dst[0] = '\0';
}

void board_field_from_bytes(wchar_t (&dst)[kBoardFieldUnits], std::string_view src)
{
    char buf[kBrdLineBytes];
    size_t n = src.size() < sizeof buf - 1 ? src.size() : sizeof buf - 1;
    std::memcpy(buf, src.data(), n);
    buf[n] = '\0';
    if (mb_to_wide(dst, buf, kBoardFieldUnits) == 0) dst[0] = L'\0';
    dst[kBoardFieldUnits - 1] = L'\0';
}

void replace_board_table(BoardEntry* items, int32_t count, int32_t capacity)
{
    LocalBlock<BoardEntry> old(std::exchange(BoardTable.items, items));
    BoardTable.count = count;
    BoardTable.capacity = capacity;
    g_menuTable = true;
}

int ItaList_save()
{
    // Only a table built from the menu is written, and there the menu's
    // categories start at 0: a menu of a single category is still a table.
    if (CategoryTable.lastCategory < 0) return 1;

    char path[kLibcePathBytes];
    UniqueLibceFile f(program_file_path(path, sizeof path, kBoardFile) ? libce_fopen_replace(path) : nullptr);
    if (!f) {
        report_path_failure(path, kTextOpenFailed, kCaptionSave);
        return 0;
    }

    char line[kBrdLineBytes];
    if (format_brd_heading(line, sizeof line) > 0) put_line(f.get(), line);

    // Consecutive categories of one name become one category in the file; a
    // category whose name cannot stand in the file adds its boards to the
    // category written before it.
    char lastName[kBoardFieldBytes] = "";
    int32_t lastCategory = CategoryTable.lastCategory < kCategoryMax
                               ? CategoryTable.lastCategory
                               : kCategoryMax - 1;
    for (int32_t c = 0; c <= lastCategory; ++c) {
        const Category& category = CategoryTable.items[c];
        char name[kBoardFieldBytes];
        category_name_bytes(name, category.name);
        if (std::strcmp(name, lastName) != 0 &&
            format_brd_category_line(line, sizeof line, name) > 0) {
            put_line(f.get(), line);
            std::strcpy(lastName, name);
        }
        int32_t first = category.first < 0 ? 0 : category.first;
        int32_t last = category.last < BoardTable.count ? category.last : BoardTable.count - 1;
        for (int32_t i = first; i <= last; ++i) {
            const BoardEntry& board = BoardTable.items[i];
            char host[kBoardFieldBytes], dir[kBoardFieldBytes], boardName[kBoardFieldBytes];
            board_field_bytes(host, board.host);
            board_field_bytes(dir, board.dir);
            board_field_bytes(boardName, board.name);
            // A board that would not read back as itself is left out.
            if (format_brd_board_line(line, sizeof line, host, dir, boardName, board.secure) > 0)
                put_line(f.get(), line);
        }
    }

    if (libce_fclose_replace(f, true) != 0) {
        report_path_failure(path, kTextWriteFailed, kCaptionSave);
        return 0;
    }
    return 1;
}

int ItaList_load()
{
    char path[kLibcePathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, kBoardFile, "r"));
    if (!f) {
        report_path_failure(path, kTextOpenFailed, kCaptionLoad);
        if (g_menuTable) put_favorites_first();
        return 0;
    }
    // The new array first: when it cannot be had, the old table stands.
    BoardEntry* items = allocate_records(kBoardTableInitialCapacity);
    if (!items) {
        f.close();
        report_failure(kTextAllocFailed, kCaptionLoad);
        return 0;
    }
    replace_board_table(items, 0, kBoardTableInitialCapacity);
    g_menuTable = false;
    std::memset(&CategoryTable, 0, sizeof CategoryTable);
    set_favorites_category(-1, -1);
    g_favoriteBase = -1;
    g_favoriteEnd = -1;

    // Category 0 is the favourites'; the file's categories take 1 to 49.
    // Beyond that a category is ignored together with its boards, which
    // could otherwise only be shown under a category they do not belong to.
    int32_t current = 0;
    bool ignoring = false;
    LineReader reader(f.get());
    char line[kBrdLineBytes];
    int length;
    while ((length = reader.whole_line(line, sizeof line)) >= 0) {
        BrdLine parsed = parse_brd_line(std::string_view(line, static_cast<size_t>(length)));
        if (parsed.kind == BrdLineKind::Category) {
            if (CategoryTable.lastCategory >= kCategoryMax - 1) {
                ignoring = true;
                continue;
            }
            current = ++CategoryTable.lastCategory;
            Category& category = CategoryTable.items[current];
            board_field_from_bytes(category.name, parsed.name);
            category.first = BoardTable.count;
            category.last = BoardTable.count - 1;
        } else if (parsed.kind == BrdLineKind::Board) {
            if (ignoring) continue;
            if (!ensure_record()) break;
            BoardEntry& board = BoardTable.items[BoardTable.count];
            board_field_from_bytes(board.host, parsed.host);
            board_field_from_bytes(board.dir, parsed.dir);
            board_field_from_bytes(board.name, parsed.name);
            board.secure = parsed.secure;
            board.index = BoardTable.count;
            // Boards ahead of the first category line belong to none; they
            // stay findable by directory.
            if (current > 0) CategoryTable.items[current].last = BoardTable.count;
            ++BoardTable.count;
        }
    }
    f.close();
    favorite_ita_load();
    return 0;
}

int favorite_ita_load()
{
    char path[kLibcePathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, kFavoriteBoardFile, "r"));
    if (!f) {
        report_path_failure(path, kTextFavoriteBoardOpenFailed, kCaptionFavoriteLoad);
        return 0;
    }

    // The favourites of an earlier load are dropped, so that category 0 spans
    // exactly the ones read now.
    int32_t ordinary = BoardTable.count;
    if (g_favoriteBase >= 0 && g_favoriteEnd == BoardTable.count &&
        g_favoriteBase <= BoardTable.count && CategoryTable.items[0].first == g_favoriteBase)
        ordinary = g_favoriteBase;
    BoardTable.count = ordinary;

    LineReader reader(f.get());
    char line[kBrdLineBytes];
    int length;
    while ((length = reader.whole_line(line, sizeof line)) >= 0) {
        FavoriteBoardLine parsed =
            parse_favorite_brd_line(std::string_view(line, static_cast<size_t>(length)));
        if (!parsed.valid) continue;
        if (!ensure_record()) break;
        BoardEntry& favorite = BoardTable.items[BoardTable.count];
        std::memset(&favorite, 0, sizeof favorite);
        board_field_from_bytes(favorite.name, parsed.name);
        board_field_from_bytes(favorite.dir, parsed.dir);
        // Standing for no ordinary board, it has no board to reload from.
        favorite.index = kNoBoardIndex;
        int32_t board = find_board_for(favorite, ordinary);
        if (board >= 0) {
            const BoardEntry& match = BoardTable.items[board];
            std::wmemcpy(favorite.host, match.host, kBoardFieldUnits);
            std::wmemcpy(favorite.dir, match.dir, kBoardFieldUnits);
            favorite.secure = match.secure;
            favorite.index = match.index;
        }
        ++BoardTable.count;
    }
    f.close();

    set_favorites_category(ordinary, BoardTable.count - 1);
    g_favoriteBase = ordinary;
    g_favoriteEnd = BoardTable.count;
    return 1;
}
