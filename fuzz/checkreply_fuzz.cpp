// The update check's reading of a HEAD reply: however the reply is split into
// blocks, the verdict is the one of the whole reply read at once, it never
// reads beyond a status line, and only a complete status line of 206 or
// another 2xx counts as grown.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "net/httphead.h"
#include "net/updatecheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte chooses the block size, the rest is the reply.
    size_t block = 1 + data[0] % 64;
    const char* reply = reinterpret_cast<const char*>(data + 1);
    size_t len = size - 1;

    CheckReplyReader whole;
    if (!whole.feed(reply, len)) whole.closed();

    CheckReplyReader split;
    size_t at = 0;
    bool stopped = false;
    while (at < len && !stopped) {
        size_t n = len - at < block ? len - at : block;
        stopped = split.feed(reply + at, n);
        at += n;
    }
    if (!stopped) split.closed();

    if (whole.replied() != split.replied() || whole.status() != split.status() ||
        whole.outcome() != split.outcome()) {
        std::abort();
    }
    if (split.replied()) {
        size_t lf = std::string_view(reply, len).find('\n');
        size_t end = lf == std::string_view::npos ? len : lf;
        // The code is the one at offsets 9 to 11 of the status line.
        if (split.status() != status_code_of(std::string_view(reply, end))) std::abort();
        if (end >= kCheckStatusLineMax) std::abort();
    }
    bool grown = split.outcome() == UpdateOutcome::Grown;
    if (grown != (split.replied() && split.status() >= 200 && split.status() <= 300)) std::abort();
    return 0;
}
