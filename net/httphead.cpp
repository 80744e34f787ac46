#include "net/httphead.h"

#include <cstdarg>
#include <cstring>

#include "store/format.h"

namespace {

// Appends formatted pieces to a fixed buffer and remembers whether any piece
// failed to fit, so a request is either whole or not sent at all.
class HeadWriter {
public:
    HeadWriter(char* out, size_t size) : out_(out), size_(size)
    {
        if (size_ > 0) out_[0] = '\0';
        else ok_ = false;
    }

    void add(const char* format, ...)
    {
        if (!ok_) return;
        va_list args;
        va_start(args, format);
        int n = libce_vsnprintf(out_ + len_, size_ - len_, format, args);
        va_end(args);
        if (n < 0 || static_cast<size_t>(n) >= size_ - len_) {
            ok_ = false;
            out_[0] = '\0';
            return;
        }
        len_ += static_cast<size_t>(n);
    }

    size_t finish() const { return ok_ ? len_ : 0; }

private:
    char* out_;
    size_t size_;
    size_t len_ = 0;
    bool ok_ = true;
};

// A request line or a header value must not carry a blank or a control byte:
// a server-supplied name with CR LF in it would otherwise add lines of its own.
bool plain_token(const char* s)
{
    if (!s || !*s) return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p <= 0x20 || *p == 0x7f) return false;
    }
    return true;
}

size_t format_request(char* out, size_t size, const char* requestLine, const char* url, const char* host,
                      int32_t rangeStart)
{
    if (out && size > 0) out[0] = '\0';
    if (!out || rangeStart < 0 || !plain_token(url) || !plain_token(host)) return 0;
    HeadWriter w(out, size);
    w.add(requestLine, url);
    w.add("%sHost: %s\r\n", kUserAgentLine, host);
    if (rangeStart != 0) w.add("Range: bytes=%d-\r\n", rangeStart);
    else w.add("%s%s", kAcceptLine, kAcceptEncodingLine);
    w.add("\r\n");
    return w.finish();
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool plain_alnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

const char kHexDigits[] = "0123456789abcdef";

}  // namespace

namespace {

bool copy_host(std::string_view text, char (&out)[kConnectionHostBytes])
{
    if (text.size() >= kConnectionHostBytes) return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

}  // namespace

TargetError connection_target(std::string_view url, int32_t proxyUse, std::string_view proxyName,
                              int32_t proxyPort, ConnectionTarget* out)
{
    ConnectionTarget t{};
    bool secure = false;
    url_scheme_length(url, &secure);
    bool viaProxy = proxyUse == 1;
    HttpUrl u;
    if (!viaProxy || secure) {
        if (!parse_http_url(url, &u)) {
            bool dummy;
            size_t prefix = url_scheme_length(url, &dummy);
            if (prefix == 0 || url.find('/', prefix) == std::string_view::npos) return TargetError::NoHostEnd;
            if (url.find('/', prefix) == prefix) return TargetError::EmptyHost;
            return TargetError::BadPort;
        }
        if (!copy_host(u.host, t.name) || !copy_host(u.authority, t.authority)) return TargetError::HostTooLong;
        t.urlPort = u.port;
    }
    if (viaProxy) {
        std::string_view host = proxyName.substr(0, proxyName.find('\0'));
        if (host.empty()) return TargetError::EmptyHost;
        if (!copy_host(host, t.host)) return TargetError::HostTooLong;
        t.port = static_cast<uint16_t>(static_cast<uint32_t>(proxyPort) & 0xffffu);
        t.proxied = true;
        t.tunnel = secure;
    } else {
        std::memcpy(t.host, t.name, sizeof t.host);
        t.port = u.port;
    }
    t.secure = secure;
    if (out) *out = t;
    return TargetError::None;
}

std::string_view url_host_part(std::string_view url)
{
    bool secure;
    size_t prefix = url_scheme_length(url, &secure);
    if (prefix == 0) return {};
    std::string_view rest = url.substr(prefix);
    return rest.substr(0, rest.find('/'));
}

std::string_view host_line_value(const ConnectionTarget& target)
{
    return target.proxied && !target.secure ? target.host : target.authority;
}

std::string_view request_target(std::string_view url, bool secure)
{
    if (!secure) return url;
    HttpUrl u;
    return parse_http_url(url, &u) ? u.path : url;
}

size_t format_connect_request(char* out, size_t size, const char* host, uint16_t port)
{
    if (out && size > 0) out[0] = '\0';
    if (!out || !plain_token(host)) return 0;
    HeadWriter w(out, size);
    w.add("CONNECT %s:%u HTTP/1.0\r\n", host, static_cast<unsigned>(port));
    w.add("%sHost: %s:%u\r\n\r\n", kUserAgentLine, host, static_cast<unsigned>(port));
    return w.finish();
}

bool connect_reply_ok(std::string_view head)
{
    int status = status_code_of(head);
    return status >= 200 && status <= 299;
}

size_t format_get_request(char* out, size_t size, const char* url, const char* host, int32_t rangeStart)
{
    return format_request(out, size, "GET %s HTTP/1.0\r\n", url, host, rangeStart);
}

size_t format_head_request(char* out, size_t size, const char* url, const char* host, int32_t rangeStart)
{
    return format_request(out, size, "HEAD %s HTTP/1.1\r\n", url, host, rangeStart);
}

size_t format_post_head(char* out, size_t size, const PostHeadFields& f)
{
    if (out && size > 0) out[0] = '\0';
    if (!out || f.contentLength < 0 || !plain_token(f.target) || !plain_token(f.refererHost) ||
        !plain_token(f.bbs) || !plain_token(f.host)) {
        return 0;
    }
    HeadWriter w(out, size);
    w.add("POST %s %s", f.target, "HTTP/1.0\r\n");
    w.add("referer: %s%s/%s/\r\n", scheme_prefix(f.secure).data(), f.refererHost, f.bbs);
    w.add("%sHost: %s\r\n", kUserAgentLine, f.host);
    w.add("%s", kFormContentTypeLine);
    w.add("Content-Length: %d\r\n", f.contentLength);
    if (f.cookie) w.add("Cookie: %s\r\n", f.cookie);
    w.add("\r\n");
    return w.finish();
}

void url_encode(const char* src, char* dst)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    for (; *s; ++s) {
        if (plain_alnum(*s)) {
            *dst++ = static_cast<char>(*s);
        } else {
            *dst++ = '%';
            *dst++ = kHexDigits[*s >> 4];
            *dst++ = kHexDigits[*s & 0x0f];
        }
    }
    *dst = '\0';
}

size_t url_encode_bounded(std::string_view src, char* dst, size_t size)
{
    size_t need = 0;
    size_t written = 0;
    for (char ch : src) {
        unsigned char c = static_cast<unsigned char>(ch);
        size_t piece = plain_alnum(c) ? 1 : 3;
        if (dst && written == need && need + piece < size) {
            if (piece == 1) {
                dst[written++] = ch;
            } else {
                dst[written++] = '%';
                dst[written++] = kHexDigits[c >> 4];
                dst[written++] = kHexDigits[c & 0x0f];
            }
        }
        need += piece;
    }
    if (dst && size > 0) dst[written] = '\0';
    return need;
}

int status_code_of(std::string_view head)
{
    if (head.size() < 12) return 0;
    if (!is_digit(head[9]) || !is_digit(head[10]) || !is_digit(head[11])) return 0;
    return (head[9] - '0') * 100 + (head[10] - '0') * 10 + (head[11] - '0');
}

ReplyHeadReader::State ReplyHeadReader::feed(const char* block, size_t len)
{
    if (state_ != State::NeedMore || len == 0) return state_;
    size_t before = len_;
    size_t take = len;
    if (take > kReplyHeadMax - len_) take = kReplyHeadMax - len_;
    std::memcpy(buf_ + len_, block, take);
    len_ += take;
    seen_ += len;
    // The end mark may straddle the previous block: look from three bytes back.
    size_t from = before >= 3 ? before - 3 : 0;
    for (size_t i = from; i + 4 <= len_; ++i) {
        if (buf_[i] == '\r' && buf_[i + 1] == '\n' && buf_[i + 2] == '\r' && buf_[i + 3] == '\n') {
            headLen_ = i + 3;
            bodyOffset_ = i + 4 - before;
            bodyInBlock_ = len - bodyOffset_;
            state_ = State::Complete;
            return state_;
        }
    }
    if (len_ >= kReplyHeadMax) state_ = State::TooLong;
    return state_;
}

int ReplyHeadReader::status() const
{
    if (state_ == State::Complete) return status_code_of(head());
    return status_code_of(std::string_view(buf_, len_));
}

std::string_view ReplyHeadReader::head() const
{
    if (state_ != State::Complete) return {};
    return std::string_view(buf_, headLen_);
}

namespace httphead_detail {

size_t first_field_pos(std::string_view head)
{
    size_t nl = head.find('\n');
    return nl == std::string_view::npos ? head.size() : nl + 1;
}

bool next_field(std::string_view head, size_t* pos, std::string_view* name, std::string_view* value)
{
    while (*pos < head.size()) {
        size_t end = head.find('\n', *pos);
        if (end == std::string_view::npos) end = head.size();
        std::string_view line = head.substr(*pos, end - *pos);
        *pos = end + (end < head.size() ? 1 : 0);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) return false;   // the blank line ends the head
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) continue;
        *name = line.substr(0, colon);
        *value = trim(line.substr(colon + 1));
        return true;
    }
    return false;
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace httphead_detail

bool head_field(std::string_view head, std::string_view name, std::string_view* value)
{
    bool found = false;
    head_fields(head, name, [&](std::string_view v) {
        if (!found && value) *value = v;
        found = true;
    });
    return found;
}

bool head_content_length(std::string_view head, uint64_t* length)
{
    std::string_view v;
    if (!head_field(head, "Content-Length", &v) || v.empty()) return false;
    constexpr uint64_t kLimit = uint64_t{1} << 53;
    uint64_t n = 0;
    for (char c : v) {
        if (!is_digit(c)) return false;
        n = n * 10 + static_cast<uint64_t>(c - '0');
        if (n > kLimit) return false;
    }
    if (length) *length = n;
    return true;
}
