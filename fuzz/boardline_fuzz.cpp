// One line of "2channel.brd" as the loader sees it: classified and split
// within its own bytes, and every line the writer makes reads back the same.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzzcheck.h"
#include "store/boardlines.h"

namespace {

bool clean(std::string_view field)
{
    std::string_view separators("\t\r\n", 3);
    return !field.empty() && field.find_first_of(separators) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= kBrdLineBytes) return 0;   // the reader's lines are shorter
    std::string_view line(reinterpret_cast<const char*>(data), size);
    BrdLine parsed = parse_brd_line(line);
    switch (parsed.kind) {
    case BrdLineKind::Skip:
        check(parsed.name.empty() && parsed.host.empty() && parsed.dir.empty());
        break;
    case BrdLineKind::Category:
        check(inside(parsed.name, line) && clean(parsed.name));
        check(parsed.name.data() == line.data());
        break;
    case BrdLineKind::Board:
        check(line[0] == '\t');
        check(inside(parsed.host, line) && inside(parsed.dir, line) && inside(parsed.name, line));
        check(clean(parsed.host) && clean(parsed.dir) && clean(parsed.name));
        break;
    }

    // What the writer makes of the fields must read back as those fields.
    if (parsed.kind == BrdLineKind::Board &&
        parsed.host.find('\0') == std::string_view::npos &&
        parsed.dir.find('\0') == std::string_view::npos &&
        parsed.name.find('\0') == std::string_view::npos) {
        std::string host(parsed.host), dir(parsed.dir), name(parsed.name);
        char out[kBrdLineBytes * 2];
        int n = format_brd_board_line(out, sizeof out, host.c_str(), dir.c_str(), name.c_str(), parsed.secure);
        check(n > 0 && static_cast<size_t>(n) == std::strlen(out));
        BrdLine again = parse_brd_line(std::string_view(out, static_cast<size_t>(n)));
        check(again.kind == BrdLineKind::Board && again.host == host && again.dir == dir &&
              again.name == name && again.secure == parsed.secure);
    }
    if (parsed.kind == BrdLineKind::Category && parsed.name.find('\0') == std::string_view::npos) {
        std::string name(parsed.name);
        char out[kBrdLineBytes * 2];
        int n = format_brd_category_line(out, sizeof out, name.c_str());
        if (n > 0) {
            BrdLine again = parse_brd_line(std::string_view(out, static_cast<size_t>(n)));
            check(again.kind == BrdLineKind::Category && again.name == name);
        }
    }
    return 0;
}
