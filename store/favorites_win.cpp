#include "store/favorites.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string_view>

#include "base/codepage.h"
#include "base/report.h"
#include "store/boardlines.h"
#include "store/libce.h"
#include "store/lineread.h"
#include "store/storereport.h"

namespace {

constexpr char kFavoriteBoardFile[] = "favorite.brd";

// Written only into a newly created file, with LF line ends.
constexpr wchar_t kDefaultFavoriteBoards[] = L"お気に入りスレ\nモバイル,mobile\n";
constexpr wchar_t kDefaultFavoriteThreads[] =
    L"mobile<>1065069078.dat<>春は来る？CE用2chブラウザ「Velmo」Part10\n";

constexpr wchar_t kTextFavoriteBoardCreateFailed[] = L"お気に入り板ファイル作成失敗";
constexpr wchar_t kTextFavoriteThreadCreateFailed[] = L"お気に入りスレファイル作成失敗";
constexpr wchar_t kTextFavoriteBoardRefused[] = L"お気に入り板に登録できません";
constexpr wchar_t kTextFavoriteThreadRefused[] = L"お気に入りスレに登録できません";

constexpr wchar_t kCaptionItaCreate[] = L"favorite_ita_load";
constexpr wchar_t kCaptionSureCreate[] = L"favorite_sure_create";
constexpr wchar_t kCaptionItaAdd[] = L"favorite_ita_add";
constexpr wchar_t kCaptionSureAdd[] = L"favorite_sure_add";
constexpr wchar_t kCaptionSureDelitem[] = L"favorite_sure_delitem";

constexpr int kTitleUnits = 255;
// A board field of 32 UTF-16 units takes at most 64 bytes in code page 932.
// Room to see that a file name is too long rather than have it cut to fit.
constexpr int kFileNameProbeBytes = 64;


// A thread's file name as code page 932; false when it is not one that
// "favorite.txt" may carry.
bool file_name_bytes(char (&dst)[kFileNameProbeBytes], const wchar_t* fileName)
{
    if (!fileName || wide_to_mb(dst, fileName, kFileNameProbeBytes) == 0) return false;
    return thread_file_name_ok(dst);
}

bool path_exists(const char* path)
{
    wchar_t wpath[kLibcePathBytes];
    if (mb_to_wide(wpath, path, kLibcePathBytes) == 0) return false;
    return GetFileAttributesW(wpath) != INVALID_FILE_ATTRIBUTES;
}

// Creates `name` with `contents` when it is missing. The default contents go
// in untranslated, LF line ends as they are, and through a safe rewrite: a
// failed write leaves no half-made file behind.
int create_with_defaults(const char* name, const wchar_t* contents, const wchar_t* failure,
                         const wchar_t* caption)
{
    char path[kLibcePathBytes];
    if (!program_file_path(path, sizeof path, name)) {
        report_path_failure(path, failure, caption);
        return 0;
    }
    if (UniqueLibceFile existing{libce_fopen(path, "r")}) return 1;
    // There but not readable: never replaced; its readers tell the user.
    if (path_exists(path)) return 1;

    char bytes[kBrdLineBytes];
    int size = wide_to_mb(bytes, contents, sizeof bytes);
    UniqueLibceFile f(size > 1 ? libce_fopen_replace(path) : nullptr);
    if (!f) {
        report_path_failure(path, failure, caption);
        return 0;
    }
    libce_fwrite(bytes, 1, static_cast<size_t>(size - 1), f.get());
    if (libce_fclose_replace(f, true) != 0) {
        report_path_failure(path, failure, caption);
        return 0;
    }
    return 1;
}

// Appends a formatted line at the end of `f`, after a line feed of its own
// when the file's last line has none, so that the new line never runs on
// from a line edited by hand. False when the bytes did not reach the disk.
bool append_line(LibceFile* f, const LineReader& reader, const char* line)
{
    if (libce_fseek(f, 0, 2) != 0) return false;
    if (!reader.ended_with_lf()) libce_fputs("\n", f);
    libce_fputs(line, f);
    return libce_fflush(f) == 0;
}

// Appends `line` to the program file `name` unless one of its lines already
// names that favourite (`listed`, asked of each whole line). 1 when the
// favourite is in the file now (`added`, may be null, says whether this call
// wrote it); 0 after a message.
template <typename Listed>
int add_unless_listed(const char* name, const char* line, const wchar_t* openFailed, const wchar_t* caption,
                      Listed listed, bool* added)
{
    char path[kLibcePathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, name, "a+"));
    if (!f) {
        report_path_failure(path, openFailed, caption);
        return 0;
    }
    libce_fseek(f.get(), 0, 0);
    LineReader reader(f.get());
    char read[kBrdLineBytes];
    int length;
    while ((length = reader.whole_line(read, sizeof read)) >= 0)
        if (listed(std::string_view(read, static_cast<size_t>(length)))) return 1;
    bool written = append_line(f.get(), reader, line);
    f.close();
    if (!written) {
        report_path_failure(path, kTextWriteFailed, caption);
        return 0;
    }
    if (added) *added = true;
    return 1;
}

}  // namespace

int favorite_ita_create()
{
    return create_with_defaults(kFavoriteBoardFile, kDefaultFavoriteBoards,
                                kTextFavoriteBoardCreateFailed, kCaptionItaCreate);
}

int favorite_sure_create()
{
    return create_with_defaults(kFavoriteThreadFile, kDefaultFavoriteThreads,
                                kTextFavoriteThreadCreateFailed, kCaptionSureCreate);
}

int favorite_ita_add(const BoardEntry& board)
{
    // The line is made first: a board whose name or directory cannot stand
    // in the file whole is refused rather than written cut or split.
    char name[kBoardFieldBytes], dir[kBoardFieldBytes], line[kBrdLineBytes];
    board_field_bytes(name, board.name);
    board_field_bytes(dir, board.dir);
    if (format_favorite_brd_line(line, sizeof line, name, dir) < 0) {
        report_failure(kTextFavoriteBoardRefused, kCaptionItaAdd);
        return 0;
    }

    // Already a favourite when a line's name, as the loader reads it, is the
    // board's display name; the directory does not count.
    wchar_t boardName[kBoardFieldUnits];
    size_t n = wcsnlen(board.name, kBoardFieldUnits - 1);
    std::wmemcpy(boardName, board.name, n);
    boardName[n] = L'\0';
    auto listed = [&boardName](std::string_view read) {
        FavoriteBoardLine parsed = parse_favorite_brd_line(read);
        if (!parsed.valid) return false;
        char field[kBrdLineBytes];
        std::memcpy(field, parsed.name.data(), parsed.name.size());
        field[parsed.name.size()] = '\0';
        wchar_t existing[kBoardFieldUnits];
        return mb_to_wide(existing, field, kBoardFieldUnits) != 0 && std::wcscmp(existing, boardName) == 0;
    };
    bool added = false;
    if (!add_unless_listed(kFavoriteBoardFile, line, kTextFavoriteBoardOpenFailed, kCaptionItaAdd, listed, &added))
        return 0;
    if (!added) return 1;
    favorite_ita_load();
    return 1;
}

int favorite_sure_add(const BoardEntry& board, const wchar_t* fileName, const wchar_t* title)
{
    char dir[kBoardFieldBytes], file[kFileNameProbeBytes], line[kBrdLineBytes];
    board_field_bytes(dir, board.dir);
    wchar_t titleCut[kTitleUnits + 1] = L"";
    if (title) {
        size_t n = wcsnlen(title, kTitleUnits);
        std::wmemcpy(titleCut, title, n);
        titleCut[n] = L'\0';
    }
    char titleBytes[2 * kTitleUnits + 1];
    bool fits = file_name_bytes(file, fileName) &&
                wide_to_mb(titleBytes, titleCut, sizeof titleBytes) != 0 &&
                format_favorite_txt_line(line, sizeof line, dir, file, titleBytes) >= 0;
    if (!fits) {
        report_failure(kTextFavoriteThreadRefused, kCaptionSureAdd);
        return 0;
    }

    // Already a favourite when a line carries that file name, whatever its
    // board.
    auto listed = [&file](std::string_view read) {
        return split_favorite_txt_line(read).file == std::string_view(file);
    };
    return add_unless_listed(kFavoriteThreadFile, line, kTextFavoriteThreadOpenFailed, kCaptionSureAdd, listed,
                             nullptr);
}

int favorite_sure_delitem(const wchar_t* fileName)
{
    // A name that would not convert whole could match a line it does not name.
    char file[kFileNameProbeBytes];
    int converted = fileName ? wide_to_mb(file, fileName, sizeof file) : 0;
    if (converted <= 1 || converted >= static_cast<int>(sizeof file)) return 0;

    char path[kLibcePathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, kFavoriteThreadFile, "r"));
    if (!f) {
        report_path_failure(path, kTextFavoriteThreadOpenFailed, kCaptionSureDelitem);
        return 0;
    }

    // The lines kept, in order, as read (the reader has dropped every CR).
    size_t capacity = 4096;
    size_t used = 0;
    LocalBlock<char> kept(static_cast<char*>(LocalAlloc(LPTR, capacity)));
    if (!kept) {
        f.close();
        report_failure(kTextAllocFailed, kCaptionSureDelitem);
        return 0;
    }

    // A line is judged by its first piece, which holds its first two fields
    // whenever it has them; its further pieces follow that judgement. A line
    // without both "<>" names no thread and stays.
    LineReader reader(f.get());
    char piece[kBrdLineBytes];
    bool lineStart = true;
    bool keep = true;
    int length;
    while ((length = reader.piece(piece, sizeof piece)) >= 0) {
        std::string_view text(piece, static_cast<size_t>(length));
        if (lineStart) {
            std::string_view field;
            keep = !(favorite_txt_second_field(text, &field) && field == std::string_view(file));
        }
        lineStart = length > 0 && piece[length - 1] == '\n';
        if (!keep) continue;
        if (used + text.size() > capacity) {
            size_t grownSize = capacity * 2;
            while (grownSize < used + text.size()) grownSize *= 2;
            HLOCAL grown = LocalReAlloc(static_cast<HLOCAL>(kept.get()), grownSize, LMEM_MOVEABLE);
            if (!grown) {
                f.close();
                report_failure(kTextReAllocFailed, kCaptionSureDelitem);
                return 0;
            }
            kept.release();
            kept.reset(static_cast<char*>(grown));
            capacity = grownSize;
        }
        std::memcpy(kept.get() + used, text.data(), text.size());
        used += text.size();
    }
    f.close();

    UniqueLibceFile out(libce_fopen_replace(path));
    if (!out) {
        report_path_failure(path, kTextOpenFailed, kCaptionSureDelitem);
        return 0;
    }
    // The text output: every LF reaches the file as CR LF.
    for (size_t i = 0; i < used; ++i) {
        if (kept.get()[i] == '\n') libce_putc('\r', out.get());
        libce_putc(static_cast<unsigned char>(kept.get()[i]), out.get());
    }
    kept.reset();
    if (libce_fclose_replace(out, true) != 0) {
        report_path_failure(path, kTextWriteFailed, kCaptionSureDelitem);
        return 0;
    }
    return 1;
}
