// The board server's side of the wire: status lines and head lines, HTTP
// dates, gzip bodies. Byte-level, like the request reader.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/boardserver/request.h"

namespace boardserver {

// A response as the server means to send it. `headers` are every head line
// after the status line, in order; `body` is what follows the blank line
// (nothing for HEAD, whose Content-Length still tells the GET's length).
struct Reply {
    int status = 200;
    NameValues headers;
    std::string body;
    // Posting script's "close early": send the head alone, then close.
    bool headOnly = false;

    const std::string* header(std::string_view name) const;
    void set_header(std::string name, std::string value);
};

// "OK", "Partial Content"...; "Unknown" for codes the server never sends.
const char* reason_phrase(int status);

// "HTTP/1.1 206 Partial Content\r\n", the head lines, "\r\n".
std::string reply_head_text(const Reply& reply);

// RFC 1123 date: "Tue, 08 Dec 2026 23:37:49 GMT".
std::string http_date(int64_t unixSeconds);

// Calendar fields of a moment shifted by `offsetSeconds` (JST is +9 h).
struct CivilTime {
    int year, month, day, hour, minute, second;
    int weekday;   // 0 = Sunday
};
CivilTime civil_time(int64_t unixSeconds, int offsetSeconds = 0);

// The bytes as one gzip stream (deflate with the gzip wrapper), as a board
// server sends a body to a client that asked for gzip.
std::string gzip_bytes(std::string_view data);

// The bytes as one deflate stream, in the zlib wrapper or raw, as servers
// answering "Content-Encoding: deflate" send it either way.
std::string deflate_bytes(std::string_view data, bool zlibWrapped);

// Gives a reply's plain body the coding `coding` names: "deflate" (zlib
// wrapper), "deflate-raw" (raw, announced as "deflate"), or any other name,
// announced with the body left as it is (a coding the client cannot read).
// Content-Length follows the new body; a reply without a body is left alone.
void code_reply_body(Reply* reply, const std::string& coding);

}  // namespace boardserver
