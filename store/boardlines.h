// Lines of the board-table files ("2channel.brd", "favorite.brd") and of the
// favourite-thread file ("favorite.txt"): classifying, splitting and
// formatting, over Shift-JIS bytes. Shift-JIS trail bytes never fall on TAB,
// CR, LF, ",", "<" or ">", so splitting the raw bytes at those is safe.
#pragma once
#include <cstddef>
#include <string_view>

// The longest line the readers take in one piece (a 1024-byte buffer).
constexpr int kBrdLineBytes = 1024;

// Cuts a line at its first CR and at its first LF.
std::string_view cut_line_end(std::string_view line);

// strtok-like: the next run of bytes that are not in `seps`, starting at
// `*pos`; empty when none is left.
std::string_view next_token(std::string_view text, std::string_view seps, size_t* pos);

enum class BrdLineKind { Skip, Category, Board };

// One line of "2channel.brd". Views point into the line passed in.
struct BrdLine {
    BrdLineKind kind = BrdLineKind::Skip;
    std::string_view name;   // the category's name, or the board's display name
    std::string_view host;   // board lines only
    std::string_view dir;    // board lines only
    bool secure = false;     // board lines only: a fourth field kBrdSecureField
};

// A board served over "https://" carries this fourth field after its name;
// a reader that takes three fields reads the board as before, by host and
// directory, and its log tree and favourites are the same.
constexpr char kBrdSecureField[] = "https";

// Digits-only and empty lines (the "2" heading) are skipped; a line led by a
// TAB is a board line of host, directory and name, all three required; any
// other line is a category line named by its text before the first TAB, CR
// or LF. Separator runs count as one, so empty fields do not exist.
BrdLine parse_brd_line(std::string_view line);

// One line of "favorite.brd": name and, when present, directory, split at
// comma, TAB, CR and LF (runs count as one). `valid` is false for a line
// with no field at all, which is skipped.
struct FavoriteBoardLine {
    bool valid = false;
    std::string_view name;
    std::string_view dir;
};
FavoriteBoardLine parse_favorite_brd_line(std::string_view line);

// One line of "favorite.txt" split at "<" and ">" (each one separates, runs
// count as one), after cutting the line at its first CR or LF: board
// directory, file name, title. Missing pieces are empty.
struct FavoriteThreadLine {
    std::string_view dir;
    std::string_view file;
    std::string_view title;
};
FavoriteThreadLine split_favorite_txt_line(std::string_view line);

// The text between the first and the second "<>" of a "favorite.txt" line
// (cut at its first CR or LF). False when the line lacks either separator;
// such a line names no thread and the remover keeps it.
bool favorite_txt_second_field(std::string_view line, std::string_view* field);

// Whether a text can stand as a field of "favorite.txt" and read back
// unchanged: not empty, and free of the file's separators.
bool favorite_txt_field_ok(std::string_view field);    // "<", ">", CR, LF
// A title may be empty and may hold "<" or ">" (it is the last field), but
// never CR or LF.
bool favorite_txt_title_ok(std::string_view title);
// A thread's log file name as "favorite.txt" may carry it: at most 14 bytes
// (a key and ".dat"), no separator of the file, and nothing that would make
// it reach outside its board's directory when used as a path.
constexpr size_t kThreadFileNameBytes = 14;
bool thread_file_name_ok(std::string_view file);

// Formatters for the lines the program writes, each ending in LF (the text
// output makes that CR LF on disk). Fields are NUL-terminated byte strings.
// Result: the length written, or -1 (nothing usable in `out`) when a field is
// not fit for its file or the line does not fit in `size` bytes.
int format_brd_heading(char* out, size_t size);                        // "2\n"
int format_brd_category_line(char* out, size_t size, const char* name);  // "%s\t0\n"
int format_brd_board_line(char* out, size_t size, const char* host, const char* dir,
                          const char* name, bool secure);              // "\t%s\t%s\t%s\n", "\t%s\t%s\t%s\thttps\n"
int format_favorite_brd_line(char* out, size_t size, const char* name,
                             const char* dir);                         // "%s,%s\n"
int format_favorite_txt_line(char* out, size_t size, const char* dir, const char* file,
                             const char* title);                       // "%s<>%s<>%s\n"
