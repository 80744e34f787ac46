// The thread list's lines and rules over Shift-JIS bytes: a board's
// "subject.txt" line, a "favorite.txt" line, the limit on the list's length,
// and the measures of a row. Byte-level, so the parsers are fuzzed and the
// rules tested natively.
//
//   subject.txt:   key.dat<>title (count)
//   favorite.txt:  dir<>key.dat<>title
//
// A line that breaks its format is skipped whole: no "<>" after the file
// name, a file name that could not stand as a log name in the board's
// directory, a title without "(count)", a title longer than its room. Every
// ASCII byte searched for ("<", ">", "(", ")", " ") is below 0x40 and never
// the second byte of a double-byte character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// A line is read in at most 1023 bytes; a longer one is skipped.
constexpr int kSubjectLineBytes = 1024;
// The room of a title from "subject.txt".
constexpr size_t kSubjectTitleBytes = 256;
// The room of a favourite's title: favorite_sure_add writes up to 255
// characters, which may all be double-byte.
constexpr size_t kFavoriteTitleBytes = 510;
// A favourite's board directory; a board's own directory is shorter still, so
// a longer one names no board.
constexpr size_t kFavoriteDirBytes = 66;
// Units of a title in UTF-16 with its terminator, and of a file name.
constexpr int kEntryTitleUnits = 260;
constexpr int kEntryFileNameUnits = 15;

// One line of "subject.txt". Views point into the line.
struct SubjectRow {
    std::string_view file;    // "1065069078.dat"
    std::string_view title;   // without the blank before "(" and the count
    int32_t count;
};

// Splits a line (its line end, if any, is ignored). The file name is the text
// before the first "<" or ">"; the title field runs from after that run of
// separators to the next "<" or ">" or the end; the count is the decimal
// number between the field's last "(" and the ")" after it, and the title is
// what stands before that "(", less one blank just before it. False for a
// line that breaks the format (see above).
bool parse_subject_line(std::string_view line, SubjectRow* row);

// One line of "favorite.txt". Views point into the line.
struct FavoriteRow {
    std::string_view dir;
    std::string_view file;
    std::string_view title;   // cut to kFavoriteTitleBytes at a character boundary
};

// Splits a favourite thread's line: the board directory before the first
// "<>", the file name between the first and the second "<>" (as the remover
// of favourites reads it, and the same as the line's second piece when split
// at every "<" and ">", as the adder reads it, so that a listed favourite is
// one those two find), the title after the second "<>" up to a further "<>".
// A title that ends in a response count "(25)" loses it and the blank before
// it; other parentheses stay. False when either "<>" is missing, the
// directory is empty or too long, or the file name could not stand as a log
// name.
bool parse_favorite_row(std::string_view line, FavoriteRow* row);

// The limit on the length of a board's list, applied line by line while
// "subject.txt" is read.
//  - log-only mode: only held threads, no limit;
//  - with the limit on: once more than `threadMax` threads are listed, reading
//    stops (logsExcluded 0) or goes on listing held threads only (otherwise).
//    So the list holds threadMax + 1 threads, then any later held ones.
class ListLimiter {
public:
    ListLimiter(int32_t logOnlyMode, int32_t useThreadMax, int32_t threadMax, int32_t logsExcluded);
    // Whether the thread of the next line is listed.
    bool admits(bool held) const;
    // A thread was listed. False when reading stops here.
    bool added();
    int32_t listed() const { return listed_; }
    bool held_only() const { return heldOnly_; }

private:
    bool logOnly_;
    bool useMax_;
    int32_t max_;
    bool stopAtMax_;
    int32_t listed_ = 0;
    bool heldOnly_ = false;
};

// Rows are as high as most of the first titles need.
constexpr int kRowLinesSample = 20;
constexpr int32_t kRowLinesMax = 9;

// The lines per row from the heights of up to the first 20 titles drawn with
// word breaks: each height divided by the line height, capped at 9, counted;
// the most frequent value wins, a tie going to the larger. 1 when no title
// was measured (or the line height is not positive).
int32_t most_frequent_row_lines(const int32_t* titleHeights, int count, int32_t lineHeight);
// The lines per row for the SureLines setting: its own value when positive,
// but no more than the `fitting` lines a row of the view can show (at least
// one); else the measured value.
int32_t row_lines_for_setting(int32_t sureLines, int32_t measured, int32_t fitting);
// Row height: line height × lines, at least the icon's height.
int32_t thread_row_height(int32_t lineHeight, int32_t lines, int32_t iconSize);

// The background of an even row: per channel 7/8 of the window colour and 1/8
// of the highlight colour, integer division by 8. Colours as 0x00BBGGRR.
uint32_t mix_row_colour(uint32_t window, uint32_t highlight);
