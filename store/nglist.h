// The lists of what a reader never wants to see ("あぼーん"): words, names,
// mails, IDs and thread titles, one entry a line in "ng.txt" beside the
// program. Byte-level: the lines as text, the entries as records; the file
// itself is read and rewritten in store/nglist_win.cpp.
//
// A line is its kind, a tab and the entry's text (code page 932), and for an
// ID a tab and the day it was added, YYYYMMDD:
//   word<TAB>text    name<TAB>text    mail<TAB>text    title<TAB>text
//   id<TAB>AbCd0123<TAB>20261209
// Empty lines are passed over; any other line that does not read so is
// malformed and skipped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class NgKind : int32_t { Word, Name, Mail, Id, Title };
constexpr int kNgKindCount = 5;

// An entry's text is at most this many bytes; longer lines are malformed.
constexpr size_t kNgEntryBytes = 512;

struct NgEntry {
    NgKind kind;
    std::string text;   // code page 932, no tab, CR or LF, not empty
    int32_t day;        // YYYYMMDD an ID was added; 0 for the other kinds
};

// The kind's word in the file ("word", "name", "mail", "id", "title").
std::string_view ng_kind_word(NgKind kind);

// One line without its line end. False for a malformed line.
bool parse_ng_line(std::string_view line, NgEntry* out);
// The line of an entry, without its line end.
std::string format_ng_line(const NgEntry& entry);
// Whether an entry can be written and read back as itself.
bool ng_entry_valid(const NgEntry& entry);

struct NgFileRead {
    std::vector<NgEntry> entries;
    std::vector<std::string> unread;   // the lines skipped, as they stood (without line ends)
};
// The whole file: lines ended by LF or CR LF, the last one maybe unended.
NgFileRead parse_ng_file(std::string_view bytes);
// The whole file for `entries`, each line ended by CR LF.
std::string ng_file_bytes(const std::vector<NgEntry>& entries);

// Whether YYYYMMDD names a real day (years 1900 to 9999).
bool ng_day_valid(int32_t day);
// Days between two YYYYMMDD days, `later` less `earlier`.
int32_t ng_days_between(int32_t earlier, int32_t later);
// An ID lapses once `lapseDays` days have passed since it was added: added
// today with 2 it is in force today and tomorrow. A lapse of 0 or less keeps
// IDs for good; other kinds never lapse.
bool ng_entry_lapsed(const NgEntry& entry, int32_t today, int32_t lapseDays);
