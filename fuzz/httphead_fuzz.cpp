// Reply heads from a hostile server, split into blocks at fuzzer-chosen
// points; the head found must be the one a whole-stream search finds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/httphead.h"

namespace {
ReplyHeadReader g_reader;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // The first two bytes choose the block sizes; the rest is the stream.
    size_t step1 = static_cast<size_t>(data[0]) * 67 + 1;
    size_t step2 = static_cast<size_t>(data[1]) % 31 + 1;
    std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    g_reader = ReplyHeadReader();
    size_t pos = 0;
    size_t completedAt = 0;
    size_t completedLen = 0;
    bool first = true;
    while (pos < stream.size() && g_reader.state() == ReplyHeadReader::State::NeedMore) {
        size_t n = first ? step1 : step2;
        first = false;
        if (n > stream.size() - pos) n = stream.size() - pos;
        if (g_reader.feed(stream.data() + pos, n) == ReplyHeadReader::State::Complete) {
            completedAt = pos;
            completedLen = n;
        }
        pos += n;
    }

    size_t mark = stream.find("\r\n\r\n");
    bool fits = mark != std::string_view::npos && mark + 4 <= kReplyHeadMax;
    if (g_reader.state() == ReplyHeadReader::State::Complete) {
        if (!fits) abort();
        std::string_view head = g_reader.head();
        if (head != stream.substr(0, mark + 3)) abort();
        if (g_reader.body_offset() > completedLen) abort();
        if (completedAt + g_reader.body_offset() != mark + 4) abort();
        if (g_reader.body_offset() + g_reader.body_in_block() != completedLen) abort();
        if (g_reader.status() != status_code_of(stream.substr(0, mark + 3))) abort();
        std::string_view v;
        head_field(head, "Content-Encoding", &v);
        head_field(head, "Location", &v);
        uint64_t len = 0;
        head_content_length(head, &len);
        head_fields(head, "Set-Cookie", [](std::string_view c) {
            if (c.size() > kReplyHeadMax) abort();
        });
    } else if (fits && pos >= mark + 4) {
        abort();   // the mark went by unnoticed
    }

    // The builders and the encoder over the same bytes.
    std::string text(stream.substr(0, 300));
    std::string cstr(text.c_str());   // up to the first NUL
    ConnectionTarget t;
    connection_target(text, data[0] & 1, text, static_cast<int32_t>(data[1]) * 1000, &t);
    char req[kRequestTextBytes];
    size_t n = format_get_request(req, sizeof req, cstr.c_str(), cstr.c_str(), data[1]);
    if (n >= sizeof req || (n && strlen(req) != n)) abort();
    char enc[3 * 300 + 1];
    url_encode(cstr.c_str(), enc);
    char small[17];
    size_t need = url_encode_bounded(text, small, sizeof small);
    if (strlen(small) > need || strlen(small) >= sizeof small) abort();
    return 0;
}
