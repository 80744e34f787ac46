// Posting-script replies from a hostile server, fed in fuzzer-chosen pieces:
// the verdict and the cookies must not depend on how the stream was split,
// the cookies must fit the Cookie line, and the Cookie line built from any
// "cookie.txt" must fit its room.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/postform.h"

namespace {

PostReplyReader read_split(std::string_view stream, bool first, size_t step)
{
    PostReplyReader r(first);
    size_t pos = 0;
    while (pos < stream.size() && !r.done()) {
        size_t n = step < stream.size() - pos ? step : stream.size() - pos;
        size_t taken = r.feed(stream.data() + pos, n);
        if (taken > n) std::abort();
        pos += n;
    }
    r.finish();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    size_t step = static_cast<size_t>(data[0]) * 13 + 1;
    bool first = (data[1] & 1) != 0;
    std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    PostReplyReader whole = read_split(stream, first, stream.size() + 1);
    PostReplyReader split = read_split(stream, first, step);
    if (whole.verdict() != split.verdict() || whole.status() != split.status() ||
        whole.cookies().file_text() != split.cookies().file_text() || whole.in_body() != split.in_body()) {
        std::abort();
    }
    if (!first && whole.verdict() == ReplyVerdict::Confirm) std::abort();
    const CookieList& c = whole.cookies();
    if (c.count() > kMaxCookies) std::abort();
    if (cookie_text(c.file_text()).size() > kCookieValueRoom) std::abort();

    // Every line on its own, as the head would see it.
    CookieList lines;
    size_t pos = 0;
    while (pos <= stream.size()) {
        size_t lf = stream.find('\n', pos);
        size_t end = lf == std::string_view::npos ? stream.size() : lf;
        lines.add_line(stream.substr(pos, end - pos));
        classify_reply_line(stream.substr(pos, end - pos), first);
        if (lf == std::string_view::npos) break;
        pos = lf + 1;
    }
    if (lines.count() > kMaxCookies || cookie_text(lines.file_text()).size() > kCookieValueRoom) std::abort();

    // The whole input as the content of "cookie.txt".
    char line[kCookieValueRoom + 1];
    size_t n = cookie_line_value(stream, line, sizeof line);
    if (n > kCookieValueRoom || std::strlen(line) != n) std::abort();
    for (size_t i = 0; i < n; ++i) {
        unsigned char b = static_cast<unsigned char>(line[i]);
        if (b < 0x20 || b == 0x7f) std::abort();
    }
    return 0;
}
