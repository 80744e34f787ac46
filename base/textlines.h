// Walking the lines of bytes held in memory: a list, a page or a file read
// whole. Byte-level.
#pragma once
#include <string_view>

// The line at the start of `rest`, without its "\n", and `rest` moved past
// it; the whole of `rest` when no "\n" is left. A "\r" before the "\n" stays
// in the line: readers that take CR LF drop it themselves.
inline std::string_view take_line(std::string_view& rest)
{
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}
