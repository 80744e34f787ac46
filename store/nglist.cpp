#include "store/nglist.h"

#include <array>

#include "base/textlines.h"

namespace {

constexpr std::array<std::string_view, kNgKindCount> kKindWords = {"word", "name", "mail", "id", "title"};

bool text_valid(std::string_view text)
{
    if (text.empty() || text.size() > kNgEntryBytes) return false;
    return text.find_first_of(std::string_view("\t\r\n\0", 4)) == std::string_view::npos;
}

// Exactly eight digits.
bool read_day(std::string_view field, int32_t* day)
{
    if (field.size() != 8) return false;
    int32_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    *day = value;
    return ng_day_valid(value);
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int32_t days_from_civil(int32_t y, int32_t m, int32_t d)
{
    y -= m <= 2;
    const int32_t era = y / 400;
    const int32_t yoe = y - era * 400;
    const int32_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int32_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int32_t day_serial(int32_t day) { return days_from_civil(day / 10000, day / 100 % 100, day % 100); }

}  // namespace

std::string_view ng_kind_word(NgKind kind)
{
    const auto k = static_cast<size_t>(kind);
    return k < kKindWords.size() ? kKindWords[k] : std::string_view();
}

bool ng_day_valid(int32_t day)
{
    const int32_t y = day / 10000, m = day / 100 % 100, d = day % 100;
    if (y < 1900 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    static constexpr int32_t kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d > kMonthDays[m - 1]) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m != 2 || d <= 28 || leap;
}

int32_t ng_days_between(int32_t earlier, int32_t later) { return day_serial(later) - day_serial(earlier); }

bool ng_entry_valid(const NgEntry& entry)
{
    if (ng_kind_word(entry.kind).empty() || !text_valid(entry.text)) return false;
    return entry.kind == NgKind::Id ? ng_day_valid(entry.day) : entry.day == 0;
}

bool parse_ng_line(std::string_view line, NgEntry* out)
{
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    const std::string_view word = line.substr(0, tab);
    std::string_view rest = line.substr(tab + 1);
    NgEntry entry{NgKind::Word, {}, 0};
    size_t k = 0;
    while (k < kKindWords.size() && kKindWords[k] != word) ++k;
    if (k == kKindWords.size()) return false;
    entry.kind = static_cast<NgKind>(k);
    if (entry.kind == NgKind::Id) {
        const size_t second = rest.find('\t');
        if (second == std::string_view::npos || !read_day(rest.substr(second + 1), &entry.day)) return false;
        rest = rest.substr(0, second);
    }
    if (!text_valid(rest)) return false;
    entry.text.assign(rest);
    *out = std::move(entry);
    return true;
}

std::string format_ng_line(const NgEntry& entry)
{
    std::string line(ng_kind_word(entry.kind));
    line += '\t';
    line += entry.text;
    if (entry.kind == NgKind::Id) {
        line += '\t';
        line += std::to_string(entry.day);
    }
    return line;
}

NgFileRead parse_ng_file(std::string_view bytes)
{
    NgFileRead read;
    while (!bytes.empty()) {
        std::string_view line = take_line(bytes);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        NgEntry entry;
        if (parse_ng_line(line, &entry))
            read.entries.push_back(std::move(entry));
        else
            read.unread.emplace_back(line);
    }
    return read;
}

std::string ng_file_bytes(const std::vector<NgEntry>& entries)
{
    std::string bytes;
    for (const NgEntry& e : entries) {
        bytes += format_ng_line(e);
        bytes += "\r\n";
    }
    return bytes;
}

bool ng_entry_lapsed(const NgEntry& entry, int32_t today, int32_t lapseDays)
{
    if (entry.kind != NgKind::Id || lapseDays <= 0) return false;
    if (!ng_day_valid(entry.day) || !ng_day_valid(today)) return false;
    return ng_days_between(entry.day, today) >= lapseDays;
}
