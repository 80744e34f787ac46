// The scan of the service's board-menu page into categories and boards.
// Plain records of Shift-JIS bytes; the caller widens them into BoardTable
// and CategoryTable.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/boardtable.h"

// A link of the menu is kept when its text contains at least one accepted
// pattern and no rejected one (plain, case-sensitive substring tests).
struct MenuLinkFilter {
    std::vector<std::string> accepted;
    std::vector<std::string> rejected;
};

// The service's own patterns, used when the program's folder holds no
// link-filter file. The rejected hosts lie inside an accepted domain: the
// portal and the chat host.
inline constexpr std::string_view kMenuAcceptedHosts[] = {"2ch.net", "bbspink.com", "machi.to"};
inline constexpr std::string_view kMenuRejectedHosts[] = {"www.2ch.net", "irc.2ch.net"};
MenuLinkFilter default_menu_link_filter();

// The link-filter file: one pattern a line (LF or CR LF), "!" before a
// rejected one; blanks around a pattern are dropped and blank lines skipped.
// A larger file is no filter of ours.
constexpr size_t kLinkFilterBytesMax = 64 * 1024;
// False, and `out` untouched, when the text names no accepted pattern (every
// board would be refused) or is larger than kLinkFilterBytesMax.
bool parse_menu_link_filter(std::string_view text, MenuLinkFilter* out);

// Every text taken from the page goes through a 36-byte scratch field: at most
// 35 bytes, cut at a character boundary. A host or directory must also fit its
// 33-unit board field whole (32 bytes); a longer one is refused, not cut,
// since a cut name is another board.
constexpr size_t kMenuTextBytes = 36;
constexpr size_t kMenuNameBytesMax = kBoardFieldUnits - 1;
// A page cannot make the table grow without end.
constexpr size_t kMenuBoardMax = 10000;

struct MenuBoard {
    char name[kMenuTextBytes];
    char host[kMenuTextBytes];   // may be "host/sub"
    char dir[kMenuTextBytes];
    bool secure;                 // the link says "https://"
};

struct MenuCategory {
    char name[kMenuTextBytes];
    int32_t first;
    int32_t last;
};

enum class MenuStop {
    None,               // the whole page was scanned
    EndInsideTag,       // the page ends inside a heading or a link
    TooManyCategories,  // a heading beyond kCategoryMax
    TooManyBoards,      // kMenuBoardMax boards found
    OutOfMemory,        // the board list could not grow
};

struct BoardMenu {
    // Boards in page order; the ones before the first heading belong to no
    // category.
    std::vector<MenuBoard> boards;
    MenuCategory categories[kCategoryMax];
    int32_t lastCategory = -1;
    MenuStop stop = MenuStop::None;
    // Links that passed the host filter but named a host or directory that
    // is too long or cannot stand in the log tree.
    size_t refused = 0;
};

// True when the link text passes the host filter.
bool menu_link_accepted(std::string_view link, const MenuLinkFilter& filter);

// Scans `len` bytes of the page (no terminator needed) into `out`, which is
// reset first. Headings are "<B>" or "<b>" up to the next "<"; links are
// found by "F=" (the tail of an upper-case HREF) up to the next ">", named by
// the text up to the next "<". A category that received no boards gives its
// slot to the next heading and is dropped at the end.
void scan_board_menu(const char* page, size_t len, const MenuLinkFilter& filter, BoardMenu* out);
