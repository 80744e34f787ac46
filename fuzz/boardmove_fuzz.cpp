// A moved board, from what its old server answers: for any text, a host
// found is a plain host name within the field, not the old one, and it
// stands in the text before the board's directory; for any board file, the
// rewrite changes only board lines of the old host and directory, each into
// one that reads back with the new host and everything else as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzzcheck.h"
#include "net/pastlog.h"
#include "store/boardlines.h"
#include "store/boardmove.h"

namespace {

std::string_view next_line(std::string_view* rest)
{
    size_t lf = rest->find('\n');
    std::string_view line = rest->substr(0, lf == std::string_view::npos ? rest->size() : lf + 1);
    rest->remove_prefix(line.size());
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::string host;
    if (moved_board_host(text, "mobile", "pc.2ch.net", 32, &host)) {
        check(!host.empty() && host.size() <= 32 && host != "pc.2ch.net");
        for (char c : host)
            check((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '-' || c == ':');
        check(text.find(host + "/mobile") != std::string_view::npos);
    }

    int changed = 0;
    const std::string moved = brd_bytes_moved(text, "pc.2ch.net", "mobile", "pc9.2ch.net", &changed);
    std::string_view before = text, after = moved;
    int seen = 0;
    while (!before.empty()) {
        const std::string_view old = next_line(&before), now = next_line(&after);
        const BrdLine parsed = parse_brd_line(old);
        if (parsed.kind == BrdLineKind::Board && parsed.host == "pc.2ch.net" && parsed.dir == "mobile") {
            ++seen;
            const BrdLine again = parse_brd_line(now);
            check(again.kind == BrdLineKind::Board && again.host == "pc9.2ch.net" && again.dir == "mobile" &&
                  again.name == parsed.name);
        } else {
            check(now == old);
        }
    }
    check(after.empty() && seen == changed);
    return 0;
}
