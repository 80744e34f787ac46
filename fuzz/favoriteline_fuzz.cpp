// Lines of "favorite.brd" and "favorite.txt": split within their own bytes,
// the remover's field agrees with the adder's piece on every line the adder
// could have written, and written lines read back the same.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzzcheck.h"
#include "store/boardlines.h"

namespace {

bool has_nul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

// A field of "favorite.brd" reads back unchanged: not empty, and free of the
// file's separators (comma, TAB, CR, LF).
bool favorite_brd_field(std::string_view s)
{
    return !s.empty() && s.find_first_of(std::string_view(",\t\r\n", 4)) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= kBrdLineBytes) return 0;
    std::string_view line(reinterpret_cast<const char*>(data), size);

    FavoriteBoardLine board = parse_favorite_brd_line(line);
    check(board.valid == !board.name.empty());
    check(inside(board.name, line) && inside(board.dir, line));
    if (board.valid) {
        check(favorite_brd_field(board.name));
        check(board.dir.empty() || favorite_brd_field(board.dir));
        if (!board.dir.empty() && !has_nul(board.name) && !has_nul(board.dir)) {
            std::string name(board.name), dir(board.dir);
            char out[kBrdLineBytes * 2];
            int n = format_favorite_brd_line(out, sizeof out, name.c_str(), dir.c_str());
            check(n > 0);
            FavoriteBoardLine again =
                parse_favorite_brd_line(std::string_view(out, static_cast<size_t>(n)));
            check(again.valid && again.name == name && again.dir == dir);
        }
    }

    FavoriteThreadLine thread = split_favorite_txt_line(line);
    check(inside(thread.dir, line) && inside(thread.file, line) && inside(thread.title, line));
    check(thread.file.empty() || !thread.dir.empty());
    check(thread.title.empty() || !thread.file.empty());
    std::string_view field;
    if (favorite_txt_second_field(line, &field)) {
        check(inside(field, line));
        check(field.find_first_of(std::string_view("\r\n", 2)) == std::string_view::npos);
        // On a line the adder could have written, the remover and the adder
        // see the same file name.
        if (favorite_txt_field_ok(thread.dir) && thread.dir.data() == line.data() &&
            line.substr(thread.dir.size(), 2) == "<>" && favorite_txt_field_ok(field))
            check(thread.file == field);
    }
    if (!thread.dir.empty() && !thread.file.empty() && !has_nul(thread.dir) &&
        !has_nul(thread.file) && !has_nul(thread.title)) {
        std::string dir(thread.dir), file(thread.file), title(thread.title);
        char out[kBrdLineBytes * 2];
        int n = format_favorite_txt_line(out, sizeof out, dir.c_str(), file.c_str(), title.c_str());
        if (n > 0) {
            std::string_view written(out, static_cast<size_t>(n));
            FavoriteThreadLine again = split_favorite_txt_line(written);
            check(again.dir == dir && again.file == file && again.title == title);
            check(favorite_txt_second_field(written, &field) && field == file);
        }
    }
    (void)thread_file_name_ok(thread.file);
    return 0;
}
