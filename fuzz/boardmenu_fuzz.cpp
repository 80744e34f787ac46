// Board-menu pages from a hostile server: the scan must stay inside the page
// and the tables, and every board it keeps must name a safe place in the log
// tree.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/boardmenu.h"
#include "store/logpaths.h"

namespace {
BoardMenu g_menu;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy so that any read past the page is caught.
    std::vector<char> page(data, data + size);
    static const MenuLinkFilter filter = default_menu_link_filter();
    scan_board_menu(page.data(), page.size(), filter, &g_menu);
    const BoardMenu& m = g_menu;
    if (m.lastCategory < -1 || m.lastCategory >= kCategoryMax) abort();
    if (m.boards.size() > kMenuBoardMax) abort();
    int32_t prevLast = -1;
    for (int32_t i = 0; i <= m.lastCategory; ++i) {
        const MenuCategory& c = m.categories[i];
        if (memchr(c.name, '\0', sizeof c.name) == nullptr) abort();
        if (c.last < c.first || c.first <= prevLast) abort();
        if (c.last >= static_cast<int32_t>(m.boards.size())) abort();
        prevLast = c.last;
    }
    for (const MenuBoard& b : m.boards) {
        if (strnlen(b.name, sizeof b.name) >= sizeof b.name) abort();
        if (strlen(b.host) > kMenuNameBytesMax || strlen(b.dir) > kMenuNameBytesMax) abort();
        if (!log_name_is_safe(b.host, LogNameKind::Host) || !log_name_is_safe(b.dir, LogNameKind::Dir)) abort();
    }
    return 0;
}
