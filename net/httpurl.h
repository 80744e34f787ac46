// The parts of a board URL the connection layer needs: the scheme, the host
// as the URL names it, the port and the path. Plain functions over bytes.
#pragma once
#include <cstdint>
#include <string_view>

constexpr uint16_t kHttpsPort = 443;
constexpr std::string_view kHttpPrefix = "http://";
constexpr std::string_view kHttpsPrefix = "https://";

struct HttpUrl {
    bool secure = false;         // "https://"
    std::string_view authority;  // host with its ":port" when the URL gives one
    std::string_view host;       // without the port
    uint16_t port = 0;           // the URL's port, else the scheme's default
    bool explicitPort = false;
    std::string_view path;       // from the "/" after the authority on (never empty)
};

// ASCII letters compared without case, as schemes and host names are.
bool same_without_case(std::string_view a, std::string_view b);

// The prefix of a URL: "https://" (any case) is secure, anything else is
// taken as the 7-byte "http://" prefix, unexamined as it always was. The
// length of the prefix is returned, 0 when the URL is shorter than it.
size_t url_scheme_length(std::string_view url, bool* secure);

// False when the URL has no "/" after its authority, an empty host, or a
// port that is not 1 to 65535 in decimal.
bool parse_http_url(std::string_view url, HttpUrl* out);

// "https://" for a secure board, "http://" otherwise.
inline std::string_view scheme_prefix(bool secure) { return secure ? kHttpsPrefix : kHttpPrefix; }
