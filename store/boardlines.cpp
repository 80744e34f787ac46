#include "store/boardlines.h"

#include "store/format.h"

std::string_view cut_line_end(std::string_view line)
{
    size_t end = line.find_first_of("\r\n");
    return end == std::string_view::npos ? line : line.substr(0, end);
}

std::string_view next_token(std::string_view text, std::string_view seps, size_t* pos)
{
    size_t start = text.find_first_not_of(seps, *pos);
    if (start == std::string_view::npos) {
        *pos = text.size();
        return {};
    }
    size_t end = text.find_first_of(seps, start);
    if (end == std::string_view::npos) end = text.size();
    *pos = end;
    return text.substr(start, end - start);
}

namespace {

bool only_digits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool field_ok(std::string_view field, std::string_view forbidden)
{
    return !field.empty() && field.find_first_of(forbidden) == std::string_view::npos;
}

constexpr std::string_view kBrdSeps("\t\r\n", 3);
constexpr std::string_view kFavoriteBrdSeps(",\t\r\n", 4);
constexpr std::string_view kFavoriteTxtSeps("<>", 2);

// A NUL inside a field would end it early when the line is formatted.
bool terminated_field_ok(const char* field, std::string_view forbidden)
{
    return field && field_ok(std::string_view(field), forbidden);
}

// libce_snprintf's result is the whole length; anything at or beyond `size`
// means the line was cut and must not be used.
int fitted(int length, size_t size)
{
    return length >= 0 && static_cast<size_t>(length) < size ? length : -1;
}

}  // namespace

BrdLine parse_brd_line(std::string_view line)
{
    BrdLine out;
    line = cut_line_end(line);
    if (only_digits(line)) return out;    // the "2" heading, or an empty line
    if (line[0] != '\t') {
        size_t end = line.find_first_of(kBrdSeps);
        std::string_view name = line.substr(0, end);
        if (name.empty()) return out;
        out.kind = BrdLineKind::Category;
        out.name = name;
        return out;
    }
    size_t pos = 0;
    std::string_view host = next_token(line, kBrdSeps, &pos);
    std::string_view dir = next_token(line, kBrdSeps, &pos);
    std::string_view name = next_token(line, kBrdSeps, &pos);
    if (host.empty() || dir.empty() || name.empty()) return out;
    out.kind = BrdLineKind::Board;
    out.host = host;
    out.dir = dir;
    out.name = name;
    out.secure = next_token(line, kBrdSeps, &pos) == kBrdSecureField;
    return out;
}

FavoriteBoardLine parse_favorite_brd_line(std::string_view line)
{
    FavoriteBoardLine out;
    size_t pos = 0;
    out.name = next_token(line, kFavoriteBrdSeps, &pos);
    if (out.name.empty()) return out;
    out.valid = true;
    out.dir = next_token(line, kFavoriteBrdSeps, &pos);
    return out;
}

FavoriteThreadLine split_favorite_txt_line(std::string_view line)
{
    line = cut_line_end(line);
    FavoriteThreadLine out;
    size_t pos = 0;
    out.dir = next_token(line, kFavoriteTxtSeps, &pos);
    out.file = next_token(line, kFavoriteTxtSeps, &pos);
    out.title = next_token(line, kFavoriteTxtSeps, &pos);
    return out;
}

bool favorite_txt_second_field(std::string_view line, std::string_view* field)
{
    line = cut_line_end(line);
    size_t first = line.find("<>");
    if (first == std::string_view::npos) return false;
    size_t start = first + 2;
    size_t second = line.find("<>", start);
    if (second == std::string_view::npos) return false;
    *field = line.substr(start, second - start);
    return true;
}

bool favorite_txt_field_ok(std::string_view field)
{
    return field_ok(field, std::string_view("<>\r\n", 4));
}

bool favorite_txt_title_ok(std::string_view title)
{
    return title.find_first_of("\r\n") == std::string_view::npos;
}

bool thread_file_name_ok(std::string_view file)
{
    // A Shift-JIS trail byte may be 0x5C; such a name is refused with the
    // path separators, which errs on the safe side (log names are ASCII).
    return favorite_txt_field_ok(file) && file.size() <= kThreadFileNameBytes &&
           file.find_first_of("\\/:") == std::string_view::npos && file != "." && file != "..";
}

int format_brd_heading(char* out, size_t size)
{
    return fitted(libce_snprintf(out, size, "2\n"), size);
}

int format_brd_category_line(char* out, size_t size, const char* name)
{
    // A digits-only name would read back as a heading and vanish.
    if (!terminated_field_ok(name, kBrdSeps) || only_digits(name)) return -1;
    return fitted(libce_snprintf(out, size, "%s\t0\n", name), size);
}

int format_brd_board_line(char* out, size_t size, const char* host, const char* dir,
                          const char* name, bool secure)
{
    if (!terminated_field_ok(host, kBrdSeps) || !terminated_field_ok(dir, kBrdSeps) ||
        !terminated_field_ok(name, kBrdSeps))
        return -1;
    if (secure) return fitted(libce_snprintf(out, size, "\t%s\t%s\t%s\t%s\n", host, dir, name, kBrdSecureField), size);
    return fitted(libce_snprintf(out, size, "\t%s\t%s\t%s\n", host, dir, name), size);
}

int format_favorite_brd_line(char* out, size_t size, const char* name, const char* dir)
{
    if (!terminated_field_ok(name, kFavoriteBrdSeps) ||
        !terminated_field_ok(dir, kFavoriteBrdSeps))
        return -1;
    return fitted(libce_snprintf(out, size, "%s,%s\n", name, dir), size);
}

int format_favorite_txt_line(char* out, size_t size, const char* dir, const char* file,
                             const char* title)
{
    if (!dir || !favorite_txt_field_ok(dir) || !file || !favorite_txt_field_ok(file) ||
        !title || !favorite_txt_title_ok(title))
        return -1;
    return fitted(libce_snprintf(out, size, "%s<>%s<>%s\n", dir, file, title), size);
}
