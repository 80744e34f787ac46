#include "net/httpurl.h"

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_without_case(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && same_without_case(s.substr(0, prefix.size()), prefix);
}

}  // namespace

bool same_without_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

size_t url_scheme_length(std::string_view url, bool* secure)
{
    bool tls = starts_without_case(url, kHttpsPrefix);
    if (secure) *secure = tls;
    size_t n = tls ? kHttpsPrefix.size() : kHttpPrefix.size();
    return url.size() < n ? 0 : n;
}

bool parse_http_url(std::string_view url, HttpUrl* out)
{
    HttpUrl u;
    size_t prefix = url_scheme_length(url, &u.secure);
    if (prefix == 0) return false;
    size_t slash = url.find('/', prefix);
    if (slash == std::string_view::npos) return false;
    u.authority = url.substr(prefix, slash - prefix);
    u.path = url.substr(slash);
    u.host = u.authority;
    u.port = u.secure ? kHttpsPort : 80;
    size_t colon = u.authority.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view digits = u.authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return false;
        uint32_t port = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            port = port * 10 + static_cast<uint32_t>(c - '0');
        }
        if (port == 0 || port > 65535) return false;
        u.host = u.authority.substr(0, colon);
        u.port = static_cast<uint16_t>(port);
        u.explicitPort = true;
    }
    if (u.host.empty()) return false;
    if (out) *out = u;
    return true;
}
