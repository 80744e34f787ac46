// Lines of "subject.txt" and "favorite.txt" as the thread list reads them:
// every piece lies within the line, names are ones the log tree and the
// favourites accept, titles keep to their room, and a listed favourite is one
// the favourites' adder and remover both find by its name. A file of lines
// also runs through the list's limit and sorting.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/fuzzcheck.h"
#include "reader/subject.h"
#include "reader/threadentry.h"
#include "store/boardlines.h"
#include "store/logpaths.h"

namespace {

bool no_line_end(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

void one_line(std::string_view line)
{
    SubjectRow row;
    if (parse_subject_line(line, &row)) {
        check(inside(row.file, line) && inside(row.title, line));
        check(!row.file.empty() && thread_file_name_ok(row.file) && no_line_end(row.file));
        check(row.file.data() == line.data());
        check(log_name_is_safe(std::string(row.file).c_str(), LogNameKind::File));
        check(row.title.size() <= kSubjectTitleBytes && no_line_end(row.title));
        check(row.count >= 0);
    }
    FavoriteRow fav;
    if (parse_favorite_row(line, &fav)) {
        check(inside(fav.dir, line) && inside(fav.file, line) && inside(fav.title, line));
        check(!fav.dir.empty() && fav.dir.size() <= kFavoriteDirBytes && no_line_end(fav.dir));
        check(thread_file_name_ok(fav.file) && no_line_end(fav.file));
        check(log_name_is_safe(std::string(fav.file).c_str(), LogNameKind::File));
        check(fav.title.size() <= kFavoriteTitleBytes && no_line_end(fav.title));
        std::string_view second;
        check(favorite_txt_second_field(line, &second) && second == fav.file);
        check(split_favorite_txt_line(line).file == fav.file);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const int32_t threadMax = size > 0 ? data[0] % 8 : 3;
    const int32_t logOnly = size > 1 ? data[1] & 1 : 0;
    ListLimiter limit(logOnly, 1, threadMax, size > 2 ? data[2] & 1 : 0);
    ThreadList list(16);
    const std::shared_ptr<const ThreadBoard> board = make_thread_board(L"b", L"s");
    int32_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t stop = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(start, stop - start);
        if (line.size() < static_cast<size_t>(kSubjectLineBytes)) {
            one_line(line);
            SubjectRow row;
            bool held = lineNumber % 3 == 0;
            if (parse_subject_line(line, &row) && limit.admits(held)) {
                bool added = list.add(std::make_unique<ThreadEntry>(
                    held ? 1 : 0, std::wstring(row.title.begin(), row.title.end()), row.count,
                    held ? 1 : -1, std::wstring(row.file.begin(), row.file.end()), board, lineNumber));
                if (added && !limit.added()) break;
            }
        }
        ++lineNumber;
        start = stop;
    }
    check(list.count() <= 15);
    check(logOnly || limit.listed() <= threadMax + 1 || limit.held_only());
    for (int32_t column = 0; column < 8; ++column) {
        list.sort(column, (column & 1) != 0);
        for (int32_t row = 1; row < list.count(); ++row)
            check(compare_thread_entries(*list.at(row - 1), *list.at(row), column, (column & 1) != 0) < 0);
    }
    return 0;
}
