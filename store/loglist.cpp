#include "store/loglist.h"

#include <climits>
#include <cstdint>

#include "store/format.h"

namespace {

constexpr std::string_view kSeparator = "<>";

// The numbers of a line as the formatter writes them: "(%d)<>%d\n", the
// fallen mark before the line feed.
std::string numbers_tail(int count, int lastRead, bool fallen)
{
    char tail[48];
    int n = libce_snprintf(tail, sizeof tail, "(%d)<>%d", count < 0 ? 0 : count, lastRead < 0 ? 0 : lastRead);
    if (n < 0 || static_cast<size_t>(n) >= sizeof tail) return std::string();
    std::string out(tail, static_cast<size_t>(n));
    if (fallen) out += kFallenMark;
    out += '\n';
    return out;
}

// The mark ends the line, after the digits of the last read.
bool has_fallen_mark(std::string_view lastField)
{
    while (!lastField.empty() && (lastField.back() == '\n' || lastField.back() == '\r')) lastField.remove_suffix(1);
    return lastField.size() >= kFallenMark.size() &&
           lastField.substr(lastField.size() - kFallenMark.size()) == kFallenMark;
}

}  // namespace

int acquired_number(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

bool acquired_key(std::string_view line, std::string_view* key)
{
    size_t sep = line.find(kSeparator);
    if (sep == std::string_view::npos) return false;
    *key = line.substr(0, sep);
    return true;
}

bool acquired_parse(std::string_view line, AcquiredEntry* entry)
{
    size_t first = line.find(kSeparator);
    if (first == std::string_view::npos) return false;
    size_t last = line.rfind(kSeparator);
    if (last == first) return false;
    std::string_view middle = line.substr(first + kSeparator.size(), last - first - kSeparator.size());
    size_t paren = middle.rfind('(');
    if (paren == std::string_view::npos) return false;

    entry->name = line.substr(0, first);
    entry->title = middle.substr(0, paren);
    // The count ends at the next ")"; the conversion stops there by itself.
    entry->count = acquired_number(middle.substr(paren + 1));
    entry->lastRead = acquired_number(line.substr(last + kSeparator.size()));
    entry->fallen = has_fallen_mark(line.substr(last + kSeparator.size()));
    return true;
}

int acquired_find(const std::vector<std::string>& lines, std::string_view name)
{
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        AcquiredEntry e;
        if (acquired_parse(*it, &e) && e.name == name) return e.lastRead;
    }
    return -1;
}

int acquired_total(const std::vector<std::string>& lines, std::string_view name)
{
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        AcquiredEntry e;
        if (acquired_parse(*it, &e) && e.name == name) return e.count;
    }
    return -1;
}

void acquired_index_add(AcquiredIndex& index, std::string_view line)
{
    AcquiredEntry e;
    if (acquired_parse(line, &e)) index[std::string(e.name)] = AcquiredValues{e.count, e.lastRead, e.fallen};
}

AcquiredIndex acquired_index(const std::vector<std::string>& lines)
{
    AcquiredIndex index;
    index.reserve(lines.size());
    for (const std::string& line : lines) acquired_index_add(index, line);   // the last entry wins
    return index;
}

std::string acquired_added_line(std::string_view name, std::string_view title, int count, bool fallen)
{
    std::string line(name);
    line += kSeparator;
    // A line break in a title would split the entry in two.
    for (char c : title) line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    line += numbers_tail(count, 1, fallen);
    return line;
}

std::string acquired_changed_line(const AcquiredEntry& entry, int count, int lastRead)
{
    std::string line(entry.name);
    line += kSeparator;
    line += entry.title;
    line += numbers_tail(count, lastRead, entry.fallen);
    return line;
}

int acquired_mark_fallen(std::vector<std::string>& lines, std::string_view name, bool fallen)
{
    int changed = 0;
    for (std::string& line : lines) {
        AcquiredEntry e;
        if (!acquired_parse(line, &e) || e.name != name || e.fallen == fallen) continue;
        e.fallen = fallen;
        std::string next = acquired_changed_line(e, e.count, e.lastRead);
        line = std::move(next);
        ++changed;
    }
    return changed;
}

int acquired_change(std::vector<std::string>& lines, std::string_view name, int count, int lastRead)
{
    int changed = 0;
    for (std::string& line : lines) {
        AcquiredEntry e;
        if (acquired_parse(line, &e) && e.name == name) {
            // Built from views into `line`: assign only once the new line is whole.
            std::string next = acquired_changed_line(e, count, lastRead);
            line = std::move(next);
            ++changed;
        }
    }
    return changed;
}

int acquired_delete(std::vector<std::string>& lines, std::string_view name)
{
    int dropped = 0;
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (std::string& line : lines) {
        std::string_view key;
        if (acquired_key(line, &key) && key == name) {
            ++dropped;
            continue;
        }
        kept.push_back(std::move(line));
    }
    lines = std::move(kept);
    return dropped;
}

std::string acquired_file_bytes(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        std::string_view body(line);
        if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
        bytes += body;
        bytes += "\r\n";
    }
    return bytes;
}

int acquired_last_read_at_close(int topLine, int lineCount, int topLineResponse, int responseCount)
{
    if (topLine < 0) return 1;
    if (topLine >= lineCount) return responseCount;
    return topLineResponse;
}
