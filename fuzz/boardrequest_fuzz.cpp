// Requests reaching the loopback board server: whatever bytes arrive, the
// head reader, the Range reader and the form decoder stay inside them and
// give consistent results. The board server is built only into the Win32
// test tools, so its byte-level reader is compiled into this harness here.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/boardserver/request.cpp"

using namespace boardserver;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> copy(data, data + size);
    std::string_view bytes(copy.data(), copy.size());

    size_t end = find_head_end(bytes);
    if (end > bytes.size()) abort();
    HttpRequest req;
    std::string why;
    if (parse_request_head(bytes.substr(0, end ? end : bytes.size()), req, &why)) {
        if (req.path.empty() || req.path[0] != '/') abort();
        if (req.method.empty() || req.version.size() != 8) abort();
        for (char c : req.host) {
            if (c >= 'A' && c <= 'Z') abort();
            if (c == ':' || c == '/') abort();
        }
        if (const std::string* range = req.header("Range")) {
            ByteRange r;
            if (parse_range(*range, r) && r.hasLast && r.last < r.first) abort();
        }
        if (const std::string* cl = req.header("Content-Length")) {
            uint64_t n = 0;
            parse_content_length(*cl, n);
        }
        if (const std::string* cookie = req.header("Cookie")) {
            for (const auto& c : parse_cookie_line(*cookie)) {
                if (c.first.empty()) abort();
            }
        }
    } else if (why.empty()) {
        abort();
    }

    // The rest as a form body: decoding never grows the text.
    std::string_view body = bytes.substr(end);
    if (url_decode(body).size() > body.size()) abort();
    for (const auto& f : parse_form(body)) {
        if (f.first.size() + f.second.size() > body.size()) abort();
    }
    return 0;
}
