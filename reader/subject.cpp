#include "reader/subject.h"

#include <climits>
#include <cstring>

#include "reader/datparse.h"
#include "store/boardlines.h"
#include "store/logpaths.h"

namespace {

constexpr std::string_view kPairSeparator("<>", 2);
constexpr std::string_view kAngles("<>", 2);

bool has_control_byte(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// A log name as the thread list may hand it on: one that favourites and the
// held-thread list accept and the log tree can hold (no device name such as
// "CON"), with no control byte (a NUL would end the name early once
// converted, and name another log).
bool list_file_name_ok(std::string_view file)
{
    if (file.empty() || !thread_file_name_ok(file) || has_control_byte(file)) return false;
    char name[kThreadFileNameBytes + 1];
    std::memcpy(name, file.data(), file.size());
    name[file.size()] = '\0';
    return log_name_is_safe(name, LogNameKind::File);
}

// "123" of "(123)"; false for anything but 1 to 10 digits within 32 bits.
bool parse_count(std::string_view digits, int32_t* count)
{
    if (digits.empty() || digits.size() > 10) return false;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > INT32_MAX) return false;
    *count = static_cast<int32_t>(value);
    return true;
}

std::string_view drop_one_blank(std::string_view title)
{
    if (!title.empty() && title.back() == ' ') title.remove_suffix(1);
    return title;
}

}  // namespace

bool parse_subject_line(std::string_view line, SubjectRow* row)
{
    line = cut_line_end(line);
    size_t sep = line.find_first_of(kAngles);
    if (sep == std::string_view::npos) return false;
    std::string_view file = line.substr(0, sep);
    if (!list_file_name_ok(file)) return false;

    size_t pos = sep;
    std::string_view field = next_token(line, kAngles, &pos);
    if (field.empty()) return false;

    size_t open = field.rfind('(');
    if (open == std::string_view::npos) return false;
    size_t close = field.find(')', open + 1);
    if (close == std::string_view::npos) return false;
    int32_t count;
    if (!parse_count(field.substr(open + 1, close - open - 1), &count)) return false;

    std::string_view title = drop_one_blank(field.substr(0, open));
    if (title.size() > kSubjectTitleBytes) return false;
    if (title.find('\0') != std::string_view::npos) return false;

    row->file = file;
    row->title = title;
    row->count = count;
    return true;
}

bool parse_favorite_row(std::string_view line, FavoriteRow* row)
{
    line = cut_line_end(line);
    std::string_view file;
    if (!favorite_txt_second_field(line, &file)) return false;
    if (!list_file_name_ok(file)) return false;
    // The adder reads the same name as its second piece; a directory with a
    // stray "<" or ">" would make the two disagree.
    FavoriteThreadLine pieces = split_favorite_txt_line(line);
    std::string_view dir = line.substr(0, line.find(kPairSeparator));
    if (pieces.dir != dir || pieces.file != file) return false;
    if (dir.empty() || dir.size() > kFavoriteDirBytes || has_control_byte(dir)) return false;

    size_t titleStart = dir.size() + kPairSeparator.size() + file.size() + kPairSeparator.size();
    std::string_view title = line.substr(titleStart);
    title = title.substr(0, title.find(kPairSeparator));
    // A count carried from an old thread list: "(25)" at the very end.
    size_t open = title.rfind('(');
    int32_t count;
    if (open != std::string_view::npos && title.back() == ')' &&
        parse_count(title.substr(open + 1, title.size() - open - 2), &count))
        title = drop_one_blank(title.substr(0, open));
    title = title.substr(0, sjis_fit(title, kFavoriteTitleBytes));
    title = title.substr(0, title.find('\0'));

    row->dir = dir;
    row->file = file;
    row->title = title;
    return true;
}

ListLimiter::ListLimiter(int32_t logOnlyMode, int32_t useThreadMax, int32_t threadMax,
                         int32_t logsExcluded)
    : logOnly_(logOnlyMode != 0),
      useMax_(logOnlyMode == 0 && useThreadMax != 0),
      max_(threadMax),
      stopAtMax_(logsExcluded == 0)
{
}

bool ListLimiter::admits(bool held) const
{
    if (logOnly_ || heldOnly_) return held;
    return true;
}

bool ListLimiter::added()
{
    ++listed_;
    if (useMax_ && listed_ > max_) {
        if (stopAtMax_) return false;
        heldOnly_ = true;
    }
    return true;
}

int32_t most_frequent_row_lines(const int32_t* titleHeights, int count, int32_t lineHeight)
{
    if (!titleHeights || count <= 0 || lineHeight <= 0) return 1;
    if (count > kRowLinesSample) count = kRowLinesSample;
    int tally[kRowLinesMax + 1] = {};
    for (int i = 0; i < count; ++i) {
        int32_t lines = titleHeights[i] > 0 ? titleHeights[i] / lineHeight : 0;
        if (lines > kRowLinesMax) lines = kRowLinesMax;
        ++tally[lines];
    }
    int32_t best = 0;
    for (int32_t lines = 1; lines <= kRowLinesMax; ++lines)
        if (tally[lines] >= tally[best]) best = lines;
    return best;
}

int32_t row_lines_for_setting(int32_t sureLines, int32_t measured, int32_t fitting)
{
    if (sureLines <= 0) return measured;
    const int32_t most = fitting > 1 ? fitting : 1;
    return sureLines > most ? most : sureLines;
}

int32_t thread_row_height(int32_t lineHeight, int32_t lines, int32_t iconSize)
{
    int64_t height = static_cast<int64_t>(lineHeight) * lines;
    if (height < iconSize) height = iconSize;
    if (height > INT32_MAX) height = INT32_MAX;
    return static_cast<int32_t>(height);
}

uint32_t mix_row_colour(uint32_t window, uint32_t highlight)
{
    uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t w = (window >> shift) & 0xFF;
        uint32_t h = (highlight >> shift) & 0xFF;
        mixed |= ((w * 7 + h) / 8) << shift;
    }
    return mixed;
}
