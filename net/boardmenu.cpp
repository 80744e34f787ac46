#include "net/boardmenu.h"

#include <cstring>
#include <new>

#include "base/textlines.h"
#include "net/httpurl.h"
#include "store/logpaths.h"
#include "store/sjis.h"

namespace {

// Copies at most kMenuTextBytes - 1 bytes of `text` into `out`, never
// splitting a double-byte character and stopping at a NUL in the page.
void copy_cut(std::string_view text, char (&out)[kMenuTextBytes])
{
    size_t n = 0;
    size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
        size_t w = (is_sjis_lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        if (w == 2 && text[i + 1] == '\0') w = 1;
        if (n + w > kMenuTextBytes - 1) break;
        std::memcpy(out + n, text.data() + i, w);
        n += w;
        i += w;
    }
    out[n] = '\0';
}

// A host or directory is taken whole or not at all.
bool copy_whole(std::string_view text, char (&out)[kMenuTextBytes])
{
    if (text.size() > kMenuNameBytesMax || text.find('\0') != std::string_view::npos) return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

size_t find_byte(std::string_view page, size_t from, char c)
{
    if (from >= page.size()) return std::string_view::npos;
    return page.find(c, from);
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Splits at spaces and slashes, runs of them counting as one. Fills at most
// four tokens and returns how many there were (up to four).
int split_link(std::string_view link, std::string_view (&tokens)[4])
{
    int n = 0;
    size_t i = 0;
    while (i < link.size() && n < 4) {
        while (i < link.size() && (link[i] == ' ' || link[i] == '/')) ++i;
        if (i >= link.size()) break;
        size_t start = i;
        while (i < link.size() && link[i] != ' ' && link[i] != '/') ++i;
        tokens[n++] = link.substr(start, i - start);
    }
    return n;
}

constexpr std::string_view kTargetAttribute = "TARGET=";

// The scheme token of a link ("https:", any case, perhaps after a quote).
bool secure_scheme(std::string_view token)
{
    constexpr std::string_view kSecure = "https:";
    return token.size() >= kSecure.size() && same_without_case(token.substr(token.size() - kSecure.size()), kSecure);
}

enum class LinkResult { Board, Skipped, Refused };

// The host and directory of a link that passed the filter.
LinkResult board_of_link(std::string_view link, MenuBoard* board)
{
    std::string_view tokens[4];
    int n = split_link(link, tokens);
    if (n < 2) return LinkResult::Skipped;                       // no scheme or no host
    if (n < 3 || starts_with(tokens[2], kTargetAttribute)) return LinkResult::Skipped;
    std::string_view host = tokens[1];
    std::string_view dir = tokens[2];
    char joined[2 * kMenuTextBytes];
    if (n == 4 && !starts_with(tokens[3], kTargetAttribute) &&
        tokens[3].find('.') == std::string_view::npos) {
        // One level deeper: server/sub is the host, the fourth token the board.
        if (host.size() + 1 + dir.size() >= sizeof joined) return LinkResult::Refused;
        std::memcpy(joined, host.data(), host.size());
        joined[host.size()] = '/';
        std::memcpy(joined + host.size() + 1, dir.data(), dir.size());
        host = std::string_view(joined, host.size() + 1 + dir.size());
        dir = tokens[3];
    }
    if (!copy_whole(host, board->host) || !copy_whole(dir, board->dir)) return LinkResult::Refused;
    // The names become directories of the log tree.
    if (!log_name_is_safe(board->host, LogNameKind::Host) || !log_name_is_safe(board->dir, LogNameKind::Dir)) {
        return LinkResult::Refused;
    }
    board->secure = secure_scheme(tokens[0]);
    return LinkResult::Board;
}

// Ends the open category: its last board is the one before `count`.
// Returns true when it received no boards (its slot is free again).
bool close_category(BoardMenu* m)
{
    if (m->lastCategory < 0) return false;
    MenuCategory& c = m->categories[m->lastCategory];
    c.last = static_cast<int32_t>(m->boards.size()) - 1;
    return c.last < c.first;
}

}  // namespace

MenuLinkFilter default_menu_link_filter()
{
    MenuLinkFilter f;
    for (std::string_view p : kMenuAcceptedHosts) f.accepted.emplace_back(p);
    for (std::string_view p : kMenuRejectedHosts) f.rejected.emplace_back(p);
    return f;
}

bool parse_menu_link_filter(std::string_view text, MenuLinkFilter* out)
{
    if (text.size() > kLinkFilterBytesMax) return false;
    MenuLinkFilter f;
    while (!text.empty()) {
        std::string_view line = take_line(text);
        bool rejected = !line.empty() && line[0] == '!';
        if (rejected) line.remove_prefix(1);
        constexpr std::string_view kBlanks = " \t\r";
        size_t first = line.find_first_not_of(kBlanks);
        if (first == std::string_view::npos) continue;   // an empty pattern would match every link
        line = line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
        (rejected ? f.rejected : f.accepted).emplace_back(line);
    }
    if (f.accepted.empty()) return false;
    *out = std::move(f);
    return true;
}

bool menu_link_accepted(std::string_view link, const MenuLinkFilter& filter)
{
    bool accepted = false;
    for (const std::string& p : filter.accepted) {
        if (link.find(p) != std::string_view::npos) accepted = true;
    }
    if (!accepted) return false;
    for (const std::string& p : filter.rejected) {
        if (link.find(p) != std::string_view::npos) return false;
    }
    return true;
}

void scan_board_menu(const char* data, size_t len, const MenuLinkFilter& filter, BoardMenu* m)
{
    m->boards.clear();
    std::memset(m->categories, 0, sizeof m->categories);
    m->lastCategory = -1;
    m->stop = MenuStop::None;
    m->refused = 0;
    std::string_view page(data ? data : "", data ? len : 0);

    size_t p = 0;
    while (p < page.size() && m->stop == MenuStop::None) {
        std::string_view at = page.substr(p);
        if (starts_with(at, "<B>") || starts_with(at, "<b>")) {
            size_t lt = find_byte(page, p + 3, '<');
            if (lt == std::string_view::npos) {
                m->stop = MenuStop::EndInsideTag;
                break;
            }
            int32_t slot = m->lastCategory + 1;
            if (close_category(m)) slot = m->lastCategory;
            if (slot >= kCategoryMax) {
                m->stop = MenuStop::TooManyCategories;
                break;
            }
            MenuCategory& c = m->categories[slot];
            copy_cut(page.substr(p + 3, lt - (p + 3)), c.name);
            c.first = static_cast<int32_t>(m->boards.size());
            c.last = c.first - 1;
            m->lastCategory = slot;
            p = lt + 1;
        } else if (starts_with(at, "F=")) {
            p += 2;
            size_t gt = find_byte(page, p, '>');
            if (gt == std::string_view::npos) {
                m->stop = MenuStop::EndInsideTag;
                break;
            }
            std::string_view link = page.substr(p, gt - p);
            if (!menu_link_accepted(link, filter)) continue;
            MenuBoard board{};
            LinkResult r = board_of_link(link, &board);
            if (r == LinkResult::Refused) ++m->refused;
            if (r != LinkResult::Board) continue;
            size_t lt = find_byte(page, gt + 1, '<');
            if (lt == std::string_view::npos) {
                m->stop = MenuStop::EndInsideTag;
                break;
            }
            copy_cut(page.substr(gt + 1, lt - (gt + 1)), board.name);
            try {
                m->boards.push_back(board);
            } catch (const std::bad_alloc&) {
                m->stop = MenuStop::OutOfMemory;
                break;
            }
            if (m->boards.size() >= kMenuBoardMax) m->stop = MenuStop::TooManyBoards;
            p = lt + 1;
        } else {
            ++p;
        }
    }
    if (close_category(m)) --m->lastCategory;
}
