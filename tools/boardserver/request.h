// The board server's reading of what clients send: the request head, its
// Range line, form bodies and cookie lines. Plain bytes in, plain structs
// out, so the same code runs under the native sanitizer build and a fuzzer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace boardserver {

// A head longer than this is refused; the program never sends one near it.
constexpr size_t kMaxHeadBytes = 64 * 1024;

using NameValues = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method;    // "GET", "HEAD", "POST"...
    std::string target;    // as written on the request line
    std::string version;   // "HTTP/1.0"
    // The virtual host: from an absolute-form target ("GET http://host/path"),
    // else from the Host line; lower case, any ":port" removed.
    std::string host;
    std::string path;      // "/" at least; the query is split off
    std::string query;     // text after "?", without it
    NameValues headers;    // in the order sent, names as written

    // The value of the first header of this name (case-insensitive), or null.
    const std::string* header(std::string_view name) const;
};

// Length of the head including its blank line ("\r\n\r\n", or a bare
// "\n\n"), or 0 while the data holds no complete head yet.
size_t find_head_end(std::string_view data);

// Reads one request head (request line, header lines, blank line). Gives
// false, with a short reason in `why` when given, for anything else.
bool parse_request_head(std::string_view head, HttpRequest& out, std::string* why = nullptr);

// "bytes=N-" or "bytes=N-M" (one range only). Anything else gives false: a
// server ignores a Range line it does not understand.
struct ByteRange {
    uint64_t first = 0;
    bool hasLast = false;
    uint64_t last = 0;
};
bool parse_range(std::string_view value, ByteRange& out);

// Decimal digits only, at most 18 of them.
bool parse_content_length(std::string_view value, uint64_t& out);

// Form decoding: "+" is a space, "%xx" one byte (Shift-JIS bytes are kept as
// they are); a "%" without two hexadecimal digits stays literal.
std::string url_decode(std::string_view s);
// "a=1&b=2": every field in order, names and values decoded. A field
// without "=" has an empty value; empty fields are skipped.
NameValues parse_form(std::string_view body);
// First value of `name`, or null.
const std::string* find_value(const NameValues& fields, std::string_view name);

// A Cookie line's value: "A=1; B=2; " gives A=1 and B=2.
NameValues parse_cookie_line(std::string_view value);

// Does a comma-separated header value (Accept-Encoding) name this token?
bool header_lists_token(std::string_view value, std::string_view token);

}  // namespace boardserver
