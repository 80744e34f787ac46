#include "net/hostmatch.h"

#include "net/httpurl.h"

namespace {

// A trailing dot names the same host.
std::string_view without_root_dot(std::string_view s)
{
    if (!s.empty() && s.back() == '.') s.remove_suffix(1);
    return s;
}

}  // namespace

bool host_is_address(std::string_view host)
{
    int dots = 0;
    size_t digits = 0;
    for (char c : host) {
        if (c == '.') {
            if (digits == 0) return false;
            ++dots;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < 3) {
            ++digits;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0;
}

bool certificate_name_matches(std::string_view pattern, std::string_view host)
{
    pattern = without_root_dot(pattern);
    host = without_root_dot(host);
    if (pattern.empty() || host.empty()) return false;
    if (pattern.substr(0, 2) != "*.") {
        return pattern.find('*') == std::string_view::npos && same_without_case(pattern, host);
    }
    std::string_view base = pattern.substr(2);
    // "*.com" would stand for a whole top-level domain.
    if (base.find('.') == std::string_view::npos || base.find('*') != std::string_view::npos) return false;
    if (host_is_address(host)) return false;
    size_t dot = host.find('.');
    if (dot == 0 || dot == std::string_view::npos) return false;
    return same_without_case(base, host.substr(dot + 1));
}
