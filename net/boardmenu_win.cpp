#include "net/boardmenu_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/report.h"
#include "net/boardmenu.h"
#include "net/connection.h"
#include "net/difffetch_win.h"
#include "store/boardmove.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/settings.h"
#include "store/storereport.h"

namespace {

// The scanned menu as table records, with the one spare zero-filled record
// the table always holds at its end. Null when the array cannot be had.
BoardEntry* build_boards(const BoardMenu& menu)
{
    size_t count = menu.boards.size();
    BoardEntry* items = static_cast<BoardEntry*>(LocalAlloc(LPTR, (count + 1) * sizeof(BoardEntry)));
    if (!items) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        const MenuBoard& from = menu.boards[i];
        BoardEntry& to = items[i];
        board_field_from_bytes(to.name, from.name);
        board_field_from_bytes(to.host, from.host);
        board_field_from_bytes(to.dir, from.dir);
        to.secure = from.secure;
        to.index = static_cast<int32_t>(i);
    }
    return items;
}

void build_categories(const BoardMenu& menu, CategoryArray* out)
{
    std::memset(out, 0, sizeof *out);
    out->lastCategory = menu.lastCategory;
    for (int32_t c = 0; c <= menu.lastCategory && c < kCategoryMax; ++c) {
        board_field_from_bytes(out->items[c].name, menu.categories[c].name);
        out->items[c].first = menu.categories[c].first;
        out->items[c].last = menu.categories[c].last;
    }
}

// The file's patterns, or the built-in ones when there is no file; a file
// that gives no filter is reported and the built-in patterns used.
MenuLinkFilter load_link_filter()
{
    MenuLinkFilter filter = default_menu_link_filter();
    char path[kAnsiPathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, kLinkFilterFile, "r"));
    if (!f) return filter;
    std::string text;
    char line[1024];
    while (text.size() <= kLinkFilterBytesMax && libce_fgets(line, sizeof line, f.get())) text += line;
    f.reset();
    if (!parse_menu_link_filter(text, &filter)) report_failure(kTextLinkFilterUnusable, kCaptionItaListGet);
    return filter;
}

}  // namespace

int ItaList_get()
{
    uint32_t length = 0;
    LocalBlock<char> page(run_get_html_sabun(Settings.BBSTable, &length, 0));
    if (!page) {
        report_failure(kTextBbsTableFailed, kCaptionItaListGet);
        return 0;
    }
    std::unique_ptr<BoardMenu> menu(new (std::nothrow) BoardMenu);
    if (menu) scan_board_menu(page.get(), length, load_link_filter(), menu.get());   // the 416 marker has length 0: nothing
    page.reset();
    if (!menu) {
        report_failure(kTextLocalReAllocFailed, kCaptionItaListGet);
        return 0;
    }
    // The scan keeps what it found before running out of room.
    if (menu->stop == MenuStop::OutOfMemory) report_failure(kTextLocalReAllocFailed, kCaptionItaListGet);
    if (menu->refused > 0) {
        wchar_t text[96];
        swprintf(text, sizeof text / sizeof text[0], kTextMenuLinksRefused, static_cast<int>(menu->refused));
        report_failure(text, kCaptionItaListGet);
    }
    // Boards ahead of the first heading belong to no category and would be
    // no table at all.
    if (menu->lastCategory < 0) {
        report_failure(kTextMenuHasNoBoards, kCaptionItaListGet);
        return 0;
    }

    BoardEntry* items = build_boards(*menu);
    if (!items) {
        report_failure(kTextLocalReAllocFailed, kCaptionItaListGet);
        return 0;
    }
    CategoryArray categories;
    build_categories(*menu, &categories);

    int32_t count = static_cast<int32_t>(menu->boards.size());
    // Boards the menu now lists under another server take their log folders
    // along, without asking; the favourites follow the table when read again.
    const std::vector<BoardMove> moves = boards_moved(BoardTable.items, BoardTable.count, items, count);
    replace_board_table(items, count, count + 1);
    CategoryTable = categories;
    for (const BoardMove& move : moves) move_board_logs(move);
    return 1;
}
