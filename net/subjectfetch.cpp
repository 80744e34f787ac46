#include "net/subjectfetch.h"

#include <string_view>

#include "base/textlines.h"

bool subject_list_whole(const char* data, size_t len)
{
    return data && len > 0 && data[len - 1] == '\n';
}

namespace {

bool subject_line_shaped(std::string_view line)
{
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    constexpr std::string_view kKeyEnd = ".dat<>";
    return digits > 0 && line.substr(digits, kKeyEnd.size()) == kKeyEnd;
}

}  // namespace

bool subject_list_shaped(const char* data, size_t len)
{
    if (!data) return false;
    std::string_view rest(data, len);
    bool anyThread = false;
    while (!rest.empty()) {
        const std::string_view line = take_line(rest);
        if (line.empty() || line == "\r") continue;
        if (!subject_line_shaped(line)) return false;
        anyThread = true;
    }
    return anyThread;
}
