// Request heads as the BBS servers expect them, written byte for byte, and
// the few parts of a reply head that the client reads. Plain functions over
// bytes: no sockets, no files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/httpurl.h"

// The service's browser convention: every request carries this line directly
// before its Host line.
constexpr char kUserAgentLine[] = "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n";
constexpr char kAcceptLine[] = "Accept: */*\r\n";
constexpr char kAcceptEncodingLine[] = "Accept-Encoding: gzip, deflate\r\n";
// A post says what its body is: engines that parse forms strictly read an
// empty post without it.
constexpr char kFormContentTypeLine[] = "Content-Type: application/x-www-form-urlencoded\r\n";

constexpr size_t kUrlBytes = 260;             // a URL in the ANSI code page, terminator included
constexpr size_t kConnectionHostBytes = 260;  // room for any connection host
constexpr size_t kProxyNameBytes = 66;        // ProxyName after conversion
constexpr size_t kRequestTextBytes = 1024;    // GET and HEAD request text
constexpr size_t kPostHeadBytes = 2048;       // POST head
constexpr uint16_t kHttpPort = 80;
// A reply head larger than this is refused instead of being collected.
constexpr size_t kReplyHeadMax = 16 * 1024;

// Where a request goes: the host that is looked up and connected to, and the
// port; for an https URL also the name its certificate must carry.
struct ConnectionTarget {
    char host[kConnectionHostBytes];
    uint16_t port;
    bool secure;                             // "https://": TLS with `name`
    bool proxied;                            // `host` is the proxy
    bool tunnel;                             // secure through the proxy: CONNECT `name`:`urlPort` first
    char name[kConnectionHostBytes];         // direct or secure: the URL's host without its port
    char authority[kConnectionHostBytes];    // direct or secure: the URL's host with its ":port" when given
    uint16_t urlPort;                        // direct or secure: the URL's port, or its scheme's
};

enum class TargetError {
    None,
    NoHostEnd,    // direct: no "/" after the host part (or no host part at all)
    EmptyHost,    // direct: "/" right after the prefix; proxy: no proxy name
    HostTooLong,  // does not fit kConnectionHostBytes
    BadPort,      // a ":port" that is not 1 to 65535
};

// Direct (proxyUse other than 1): the URL's host and port (80 for
// "http://", 443 for "https://", unless the URL names one). Proxy (proxyUse
// exactly 1): the proxy name and the low 16 bits of proxyPort; an http URL
// is not examined, an https one is parsed for the tunnel. `out` is filled
// only on None.
TargetError connection_target(std::string_view url, int32_t proxyUse, std::string_view proxyName,
                              int32_t proxyPort, ConnectionTarget* out);
// The text after the prefix that a failed direct target names in its message.
std::string_view url_host_part(std::string_view url);

// The Host line of a request: through a plain proxy the proxy's name, as the
// service's clients always sent it; else the URL's host with its port.
std::string_view host_line_value(const ConnectionTarget& target);
// The request target: the URL whole (absolute form) over plain HTTP, its
// path over TLS, where the server sees no proxy.
std::string_view request_target(std::string_view url, bool secure);

// The tunnel request to the proxy: "CONNECT <host>:<port> HTTP/1.0", the
// User-Agent and Host lines, the empty line. 0 when it does not fit.
size_t format_connect_request(char* out, size_t size, const char* host, uint16_t port);
// Whether the proxy's reply head opens the tunnel (any 2xx status).
bool connect_reply_ok(std::string_view head);

// GET: "GET <url> HTTP/1.0", User-Agent, Host, then "Range: bytes=<n>-" for a
// range start above 0, or the two Accept lines for 0, then the empty line.
// HEAD: the same with "HEAD <url> HTTP/1.1". Both write into `out` (`size`
// bytes, terminator included) and return the length; 0 when the text does not
// fit or rangeStart is negative.
size_t format_get_request(char* out, size_t size, const char* url, const char* host, int32_t rangeStart);
size_t format_head_request(char* out, size_t size, const char* url, const char* host, int32_t rangeStart);

// The head of a post to the posting script. `cookie` null: no Cookie line;
// otherwise "Cookie: " followed by the text as it stands and CR LF.
struct PostHeadFields {
    const char* target;        // "http://<host><script path>", or the path alone over TLS
    const char* refererHost;   // the board's host
    const char* bbs;           // the board directory
    const char* host;          // the connection host
    int32_t contentLength;     // length of the form body
    const char* cookie;
    bool secure = false;       // the board's scheme, kept in the referer
};
size_t format_post_head(char* out, size_t size, const PostHeadFields& fields);

// Percent-encoding of a form field: 0-9, A-Z and a-z stay; every other byte
// becomes "%" and two lower-case hex digits. `dst` must hold three times the
// source length plus one.
void url_encode(const char* src, char* dst);
// Bounded form: writes only whole escapes and always terminates (when size is
// at least 1). Returns the length the whole result needs, terminator
// excluded, so a cut result is recognised by a value >= size.
size_t url_encode_bounded(std::string_view src, char* dst, size_t size);

// The status code at offsets 9 to 11 ("HTTP/1.x " before it). 0 when the head
// is shorter or any of the three is not a digit.
int status_code_of(std::string_view head);

// Collects a reply head from received blocks until "\r\n\r\n" has arrived,
// however the blocks split it. A head longer than kReplyHeadMax is refused.
class ReplyHeadReader {
public:
    enum class State { NeedMore, Complete, TooLong };

    // Feeds the next block. Once Complete (or TooLong) further blocks are not
    // taken and the state stays.
    State feed(const char* block, size_t len);
    State state() const { return state_; }
    bool any_bytes() const { return seen_ > 0; }

    // After Complete: the head from the status line through the "\r" of the
    // blank line (its last "\n" left out), as it is dumped.
    std::string_view head() const;
    // After Complete: where the body starts in the block that completed the
    // head, and how many body bytes that block carried.
    size_t body_offset() const { return bodyOffset_; }
    size_t body_in_block() const { return bodyInBlock_; }
    // The status code of the head once complete, else of the bytes so far.
    int status() const;

private:
    char buf_[kReplyHeadMax];
    size_t len_ = 0;        // bytes held
    size_t headLen_ = 0;    // after Complete: the head as dumped
    size_t seen_ = 0;       // bytes fed, head and body
    size_t bodyOffset_ = 0;
    size_t bodyInBlock_ = 0;
    State state_ = State::NeedMore;
};

// Header fields of a complete head (the status line is not a field). Names
// compare without case; values have surrounding blanks removed.
// Returns the value of the first field called `name`.
bool head_field(std::string_view head, std::string_view name, std::string_view* value);
// Visits every field called `name` in order (Set-Cookie comes in several
// lines); returns how many there were.
template <typename Visit>
size_t head_fields(std::string_view head, std::string_view name, Visit visit);
// Content-Length as a number. False when absent, not a plain decimal number,
// or above 2^53.
bool head_content_length(std::string_view head, uint64_t* length);

namespace httphead_detail {
// The next field line starting at `pos` (after the status line); false at the end.
bool next_field(std::string_view head, size_t* pos, std::string_view* name, std::string_view* value);
size_t first_field_pos(std::string_view head);
bool same_name(std::string_view a, std::string_view b);
}  // namespace httphead_detail

template <typename Visit>
size_t head_fields(std::string_view head, std::string_view name, Visit visit)
{
    size_t n = 0;
    size_t pos = httphead_detail::first_field_pos(head);
    std::string_view fname, value;
    while (httphead_detail::next_field(head, &pos, &fname, &value)) {
        if (httphead_detail::same_name(fname, name)) {
            ++n;
            visit(value);
        }
    }
    return n;
}
