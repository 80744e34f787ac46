// The held-thread list's lines: for any file, lookups agree with the parse,
// a change touches only the entries of its name and leaves them parseable
// with the new numbers, the old title and the old fallen mark, marking fallen
// keeps the entries' numbers, a delete leaves no line of the name,
// the file bytes end every line with CR LF, and a path built from a key that
// passes the name check stays below the log root.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "store/loglist.h"
#include "store/logpaths.h"

namespace {

std::vector<std::string> split_lines(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\r') continue;   // the line reader drops every CR
        line += static_cast<char>(data[i]);
        if (data[i] == '\n') {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void check_path(const std::string& name)
{
    const char root[] = "\\log";
    char path[kLogPathBytes];
    for (bool serverDir : {false, true}) {
        LogBoard b{root, name.c_str(), name.c_str(), serverDir};
        if (!log_thread_path(path, sizeof path, b, name.c_str())) continue;
        if (!log_name_is_safe(name.c_str(), LogNameKind::File)) abort();
        std::string p(path);
        if (p.compare(0, 5, "\\log\\") != 0) abort();
        if (p.find("..") != std::string::npos || p.find(':') != std::string::npos) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = split_lines(data, size);
    std::string name = "1065069078.dat";
    for (const std::string& line : lines) {
        std::string_view key;
        if (acquired_key(line, &key)) {
            name.assign(key);
            break;
        }
    }

    int found = acquired_find(lines, name);
    int total = acquired_total(lines, name);
    AcquiredEntry last{};
    bool any = false;
    for (const std::string& line : lines) {
        AcquiredEntry e;
        if (acquired_parse(line, &e) && e.name == name) {
            last = e;
            any = true;
        }
    }
    if (any ? (found != last.lastRead || total != last.count) : (found != -1 || total != -1)) abort();

    const int count = static_cast<int>(size % 100000);
    const int lastRead = static_cast<int>(size % 777);
    std::vector<std::string> changed = lines;
    int n = acquired_change(changed, name, count, lastRead);
    if (changed.size() != lines.size()) abort();
    int seen = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        AcquiredEntry before;
        if (acquired_parse(lines[i], &before) && before.name == name) {
            ++seen;
            AcquiredEntry after;
            if (!acquired_parse(changed[i], &after)) abort();
            if (after.name != name || after.count != count || after.lastRead != lastRead) abort();
            if (after.fallen != before.fallen) abort();
            if (after.title.find('\n') == std::string_view::npos && after.title != before.title) abort();
        } else if (changed[i] != lines[i]) {
            abort();
        }
    }
    if (seen != n) abort();
    if (any && acquired_find(changed, name) != lastRead) abort();

    // Marking fallen keeps every entry's values and touches no other line.
    std::vector<std::string> marked = lines;
    const int newlyMarked = acquired_mark_fallen(marked, name);
    int unmarked = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        AcquiredEntry before;
        if (acquired_parse(lines[i], &before) && before.name == name) {
            AcquiredEntry after;
            if (!acquired_parse(marked[i], &after) || !after.fallen) abort();
            if (before.fallen) {
                if (marked[i] != lines[i]) abort();   // marked already: as it was
                continue;
            }
            if (after.count != (before.count < 0 ? 0 : before.count)) abort();
            if (after.lastRead != (before.lastRead < 0 ? 0 : before.lastRead)) abort();
            ++unmarked;
        } else if (marked[i] != lines[i]) {
            abort();
        }
    }
    if (newlyMarked != unmarked) abort();

    std::vector<std::string> kept = lines;
    int dropped = acquired_delete(kept, name);
    if (kept.size() + static_cast<size_t>(dropped) != lines.size()) abort();
    for (const std::string& line : kept) {
        std::string_view key;
        if (acquired_key(line, &key) && key == name) abort();
    }

    std::string bytes = acquired_file_bytes(changed);
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) abort();

    std::string added = acquired_added_line(name, name, count);
    if (added.back() != '\n' || added.find('\n') != added.size() - 1) abort();

    check_path(name);
    return 0;
}
