// The lines of a board's list of held threads ("acquired.txt"), as bytes:
//
//   name<>title(count)<>lastread
//
// The key of a line is its text before the first "<>". A line is an entry only
// when it has that key, a second "<>" and a "(" in the text between the two
// (the title may itself hold parentheses and even "<>": the count follows the
// last "(" before the last "<>", and the last read follows the last "<>").
// Anything else (an empty line, a line without "<>", a title without "(") is
// no entry: the readers never match it and the rewrites keep it byte for byte;
// only delitem, which drops every line of a name, drops it by its key.
//
// A thread that has fallen from its board carries the mark "\tfallen" after
// its last read: "name<>title(count)<>lastread\tfallen". Older readers take
// the last read as the digits after the last "<>" and stop at the tab, so
// they read the entry as before; a rewrite by such a reader merely forgets
// the mark.
//
// Lines are held as read: carriage returns dropped, each ending with its line
// feed except possibly the last line of the file.
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct AcquiredEntry {
    std::string_view name;    // the key
    std::string_view title;   // up to the last "(" of the middle
    int count;
    int lastRead;
    bool fallen;              // the line carries kFallenMark after its last read
};

constexpr std::string_view kFallenMark = "\tfallen";

// The key of `line`; false when the line has no "<>".
bool acquired_key(std::string_view line, std::string_view* key);
// Splits an entry; false when `line` is none (see above).
bool acquired_parse(std::string_view line, AcquiredEntry* entry);

// The last read and the count of the last entry named `name`, or -1.
int acquired_find(const std::vector<std::string>& lines, std::string_view name);
int acquired_total(const std::vector<std::string>& lines, std::string_view name);

// The values of the last entry of each name, so that a thread list of many
// rows asks in constant time instead of scanning the list once per row.
// Answers exactly as acquired_find and acquired_total do.
struct AcquiredValues {
    int count;
    int lastRead;
    bool fallen;
};
using AcquiredIndex = std::unordered_map<std::string, AcquiredValues>;
void acquired_index_add(AcquiredIndex& index, std::string_view line);
AcquiredIndex acquired_index(const std::vector<std::string>& lines);

// The line additem writes: "%s<>%s(%d)<>1\n", with the fallen mark before
// the line feed when asked. Control characters of the title (a line break
// would split the entry) become blanks.
std::string acquired_added_line(std::string_view name, std::string_view title, int count, bool fallen = false);
// The line an entry becomes when its thread is closed: "%s<>%s(%d)<>%d\n" with
// the entry's own title and its fallen mark. Negative numbers are written as 0.
std::string acquired_changed_line(const AcquiredEntry& entry, int count, int lastRead);

// Marks every entry named `name` as fallen, or takes the mark away (an entry
// already so stays as it is); returns how many lines were changed.
int acquired_mark_fallen(std::vector<std::string>& lines, std::string_view name, bool fallen = true);

// Rewrites every entry named `name` in place; returns how many were changed.
int acquired_change(std::vector<std::string>& lines, std::string_view name, int count, int lastRead);
// Drops every line whose key is `name`; returns how many were dropped.
int acquired_delete(std::vector<std::string>& lines, std::string_view name);

// The file's bytes for `lines`: each line ends with CR LF, including a last
// line that had no line feed.
std::string acquired_file_bytes(const std::vector<std::string>& lines);

// The last read recorded when a thread closes with display line `topLine` at
// the top of its view: that line's response number inside the thread, the
// response count at or past its end, 1 for a negative line.
int acquired_last_read_at_close(int topLine, int lineCount, int topLineResponse, int responseCount);

// The decimal number at the start of `text`: leading blanks and a sign
// allowed, stops at the first non-digit, 0 without digits, held at the 32-bit
// limits.
int acquired_number(std::string_view text);
