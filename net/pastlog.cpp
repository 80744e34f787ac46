#include "net/pastlog.h"

#include "net/httphead.h"

namespace {

bool all_digits(std::wstring_view s)
{
    for (wchar_t c : s)
        if (c < L'0' || c > L'9') return false;
    return !s.empty();
}

bool host_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == ':';
}

}  // namespace

bool past_log_path(std::wstring_view dir, std::wstring_view datName, bool gzipped, std::wstring* path)
{
    constexpr std::wstring_view kDat = L".dat";
    if (dir.empty() || datName.size() <= kDat.size() || datName.substr(datName.size() - kDat.size()) != kDat)
        return false;
    std::wstring_view key = datName.substr(0, datName.size() - kDat.size());
    if (!all_digits(key) || (key.size() != 9 && key.size() != 10)) return false;
    std::wstring p = L"/";
    p.append(dir);
    p += L"/kako/";
    if (key.size() == 10) {
        p.append(key.substr(0, 4));
        p += L'/';
        p.append(key.substr(0, 5));
    } else {
        p.append(key.substr(0, 3));
    }
    p += L'/';
    p.append(datName);
    if (gzipped) p += L".gz";
    *path = std::move(p);
    return true;
}

bool moved_board_host(std::string_view text, std::string_view dir, std::string_view oldHost, size_t hostMax,
                      std::string* newHost)
{
    if (dir.empty()) return false;
    for (size_t at = text.find("://"); at != std::string_view::npos; at = text.find("://", at + 3)) {
        size_t begin = at + 3;
        size_t end = begin;
        while (end < text.size() && host_char(text[end])) ++end;
        std::string_view host = text.substr(begin, end - begin);
        if (host.empty() || end >= text.size() || text[end] != '/') continue;
        std::string_view rest = text.substr(end + 1);
        if (rest.substr(0, dir.size()) != dir) continue;
        // The directory itself, not one that merely starts with its name.
        if (rest.size() > dir.size() && rest[dir.size()] != '/' && rest[dir.size()] != '"' &&
            rest[dir.size()] != '\'')
            continue;
        if (httphead_detail::same_name(host, oldHost) || host.size() > hostMax) continue;
        newHost->assign(host);
        return true;
    }
    return false;
}
