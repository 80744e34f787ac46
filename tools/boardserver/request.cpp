#include "tools/boardserver/request.h"

namespace boardserver {
namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_nocase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_token_char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '!' || c == '#' || c == '$' || c == '%' || c == '&' ||
           c == '\'' || c == '*' || c == '+' || c == '^' || c == '`' || c == '|' || c == '~';
}

bool fail(std::string* why, const char* text)
{
    if (why) *why = text;
    return false;
}

// Splits `host[:port]` and lower-cases the name; an empty name is refused.
bool take_host(std::string_view authority, std::string& host)
{
    size_t colon = authority.find(':');
    std::string_view name = authority.substr(0, colon);
    if (name.empty()) return false;
    host.clear();
    for (char c : name) {
        if (c == '/' || c == ' ' || c == '\t' || c == '@') return false;
        host.push_back(lower(c));
    }
    return true;
}

// Takes one line off the front of `rest`, without its line end.
bool next_line(std::string_view& rest, std::string_view& line)
{
    size_t lf = rest.find('\n');
    if (lf == std::string_view::npos) return false;
    line = rest.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    rest.remove_prefix(lf + 1);
    return true;
}

bool parse_decimal(std::string_view s, uint64_t& out)
{
    if (s.empty() || s.size() > 18) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    out = v;
    return true;
}

}  // namespace

const std::string* HttpRequest::header(std::string_view name) const
{
    for (const auto& h : headers) {
        if (equal_nocase(h.first, name)) return &h.second;
    }
    return nullptr;
}

size_t find_head_end(std::string_view data)
{
    size_t crlf = data.find("\r\n\r\n");
    size_t lf = data.find("\n\n");
    size_t end = 0;
    if (crlf != std::string_view::npos) end = crlf + 4;
    if (lf != std::string_view::npos && (end == 0 || lf + 2 < end)) end = lf + 2;
    return end;
}

bool parse_request_head(std::string_view head, HttpRequest& out, std::string* why)
{
    out = HttpRequest{};
    if (head.size() > kMaxHeadBytes) return fail(why, "head too long");
    std::string_view rest = head;
    std::string_view line;
    if (!next_line(rest, line)) return fail(why, "no request line");

    // METHOD SP target SP HTTP/x.y
    size_t sp1 = line.find(' ');
    if (sp1 == std::string_view::npos || sp1 == 0) return fail(why, "no method");
    std::string_view method = line.substr(0, sp1);
    for (char c : method) {
        if (c < 'A' || c > 'Z') return fail(why, "bad method");
    }
    std::string_view afterMethod = line.substr(sp1 + 1);
    size_t sp2 = afterMethod.find(' ');
    if (sp2 == std::string_view::npos || sp2 == 0) return fail(why, "no target");
    std::string_view target = afterMethod.substr(0, sp2);
    std::string_view version = afterMethod.substr(sp2 + 1);
    if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[5] < '0' || version[5] > '9' ||
        version[6] != '.' || version[7] < '0' || version[7] > '9') {
        return fail(why, "bad version");
    }
    for (char c : target) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return fail(why, "bad target");
    }

    out.method.assign(method);
    out.target.assign(target);
    out.version.assign(version);

    std::string_view pathPart;
    bool absolute = false;
    if (target.size() >= 7 && equal_nocase(target.substr(0, 7), "http://")) {
        // Absolute form, as sent to a proxy (and by this program in any case).
        std::string_view after = target.substr(7);
        size_t slash = after.find('/');
        std::string_view authority = after.substr(0, slash);
        if (!take_host(authority, out.host)) return fail(why, "bad host in target");
        pathPart = slash == std::string_view::npos ? std::string_view("/") : after.substr(slash);
        absolute = true;
    } else if (target[0] == '/') {
        pathPart = target;
    } else {
        return fail(why, "bad target");
    }
    size_t q = pathPart.find('?');
    out.path.assign(pathPart.substr(0, q));
    if (q != std::string_view::npos) out.query.assign(pathPart.substr(q + 1));
    if (out.path.empty()) out.path = "/";

    while (next_line(rest, line)) {
        if (line.empty()) break;
        if (line[0] == ' ' || line[0] == '\t') return fail(why, "folded header line");
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) return fail(why, "header line without a name");
        std::string_view name = line.substr(0, colon);
        for (char c : name) {
            if (!is_token_char(c)) return fail(why, "bad header name");
        }
        out.headers.emplace_back(std::string(name), std::string(trim(line.substr(colon + 1))));
    }
    if (!line.empty()) return fail(why, "head without its blank line");

    if (!absolute) {
        const std::string* host = out.header("Host");
        if (host && !host->empty() && !take_host(*host, out.host)) return fail(why, "bad Host line");
    }
    return true;
}

bool parse_range(std::string_view value, ByteRange& out)
{
    value = trim(value);
    if (value.size() < 6 || !equal_nocase(value.substr(0, 6), "bytes=")) return false;
    value.remove_prefix(6);
    value = trim(value);
    size_t dash = value.find('-');
    if (dash == std::string_view::npos || value.find(',') != std::string_view::npos) return false;
    ByteRange r;
    if (!parse_decimal(trim(value.substr(0, dash)), r.first)) return false;
    std::string_view last = trim(value.substr(dash + 1));
    if (!last.empty()) {
        if (!parse_decimal(last, r.last) || r.last < r.first) return false;
        r.hasLast = true;
    }
    out = r;
    return true;
}

bool parse_content_length(std::string_view value, uint64_t& out)
{
    return parse_decimal(trim(value), out);
}

std::string url_decode(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 && hex_value(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

NameValues parse_form(std::string_view body)
{
    NameValues fields;
    while (!body.empty()) {
        size_t amp = body.find('&');
        std::string_view field = body.substr(0, amp);
        body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
        if (field.empty()) continue;
        size_t eq = field.find('=');
        std::string_view name = field.substr(0, eq);
        std::string_view value = eq == std::string_view::npos ? std::string_view() : field.substr(eq + 1);
        fields.emplace_back(url_decode(name), url_decode(value));
    }
    return fields;
}

const std::string* find_value(const NameValues& fields, std::string_view name)
{
    for (const auto& f : fields) {
        if (f.first == name) return &f.second;
    }
    return nullptr;
}

NameValues parse_cookie_line(std::string_view value)
{
    NameValues cookies;
    while (!value.empty()) {
        size_t semi = value.find(';');
        std::string_view item = trim(value.substr(0, semi));
        value = semi == std::string_view::npos ? std::string_view() : value.substr(semi + 1);
        // The program sends what it stored, line breaks and all.
        while (!item.empty() && (item.back() == '\r' || item.back() == '\n')) item.remove_suffix(1);
        while (!item.empty() && (item.front() == '\r' || item.front() == '\n')) item.remove_prefix(1);
        item = trim(item);
        if (item.empty()) continue;
        size_t eq = item.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        cookies.emplace_back(std::string(trim(item.substr(0, eq))), std::string(trim(item.substr(eq + 1))));
    }
    return cookies;
}

bool header_lists_token(std::string_view value, std::string_view token)
{
    while (!value.empty()) {
        size_t comma = value.find(',');
        std::string_view item = value.substr(0, comma);
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        size_t semi = item.find(';');
        if (equal_nocase(trim(item.substr(0, semi)), token)) return true;
    }
    return false;
}

}  // namespace boardserver
