// Where every file of the local log tree lives, for both layouts of the log
// root, and the check that keeps names from the board table and the thread
// lists from pointing anywhere outside it.
//
//   UseServerDir 0: root\dir\subject.txt, root\dir\acquired.txt, root\dir\key.dat
//   UseServerDir 1: root\host\dir\subject.txt, root\host\dir\acquired.txt,
//                   root\host\dir\dat\key.dat
//
// A host may carry one "/" and a second level ("host/sub"); it becomes two
// nested directories, root\host\sub, and both are created.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Every path buffer, terminator included. A path that does not fit is refused,
// never cut.
constexpr size_t kLogPathBytes = 260;
constexpr size_t kLogPathUnits = 260;

enum class LogNameKind { Host, Dir, File };

// True when `name` can stand in a path below the log root and stay there: not
// empty, no "..", no "." alone, no backslash, colon, control character or
// character Windows refuses in names (< > " | ? *), not a device name (CON,
// NUL, COM1...), and no "/" except, for a host, one between two non-empty
// levels. The byte form is code page 932 (a backslash byte inside a
// double-byte character is part of the character); a malformed double-byte
// sequence is refused.
bool log_name_is_safe(const char* name, LogNameKind kind);
bool log_name_is_safe(const wchar_t* name, LogNameKind kind);

// One board's place in the tree: the log root (LogDirAnsi), the board's host
// and directory, and the layout in force (UseServerDir).
struct LogBoard {
    const char* root;
    const char* host;
    const char* dir;
    bool serverDir;
};

struct LogBoardW {
    const wchar_t* root;
    const wchar_t* host;
    const wchar_t* dir;
    bool serverDir;
};

// Each builder writes the path into `out` and returns true. An unsafe name, an
// empty root or a path longer than the buffer gives false and an empty `out`.
bool log_server_dir(char* out, size_t size, const LogBoard& b);   // root\host (either layout)
bool log_board_dir(char* out, size_t size, const LogBoard& b);
bool log_thread_dir(char* out, size_t size, const LogBoard& b);   // where the .dat files live
bool log_subject_path(char* out, size_t size, const LogBoard& b);
bool log_acquired_path(char* out, size_t size, const LogBoard& b);
bool log_thread_path(char* out, size_t size, const LogBoard& b, const char* fileName);
bool log_thread_path(wchar_t* out, size_t units, const LogBoardW& b, const wchar_t* fileName);

// The directories to create before a board's thread list is written, parents
// first: with UseServerDir 1 the host level (two for "host/sub"), the board
// directory and its "dat"; with 0 the board directory alone. Returns how many
// were written to `out`, 0 when the board is refused.
constexpr int kLogBoardDirsMax = 4;
int log_board_dirs(char (*out)[kLogPathBytes], const LogBoard& b);

// What the user is told when a board's names cannot make a path inside the log
// root: "(host,dir)ログのパスを作れません".
std::wstring log_board_refused_message(const wchar_t* host, const wchar_t* dir);

// ---- The tree on disk (Win32 build only) ----

// Creates the log root (Settings.LogDir, one level). Any failure but "already
// exists" is shown as "(%s)作成失敗(code:%d)" under "CreateDirectory"; the
// program goes on. Always 1.
int create_log_root();

// The size of a thread log of the board at `boardIndex` in BoardTable, by the
// layout in force; 0 when the log is missing or cannot be opened, the index is
// outside the table or a name is refused.
uint32_t get_filesize(int boardIndex, const wchar_t* fileName);

// The thread log's UTF-16 path for the board at `boardIndex`; false (and an
// empty `out`) for an index outside the table or a refused name or path.
bool log_thread_path_of(int boardIndex, const wchar_t* fileName, wchar_t* out, size_t units);

// Converts a board's host and directory to code page 932 in full (never cut)
// and checks both forms; the host only matters, and is only checked, when
// `serverDir` is set. False when either does not fit or is refused.
bool log_board_names(const wchar_t* host, const wchar_t* dir, bool serverDir, char* hostOut,
                     size_t hostSize, char* dirOut, size_t dirSize);

// Creates the directories a board's thread list and logs go in, parents first
// (see log_board_dirs); existing ones are kept. Each is tried whatever became
// of the one before; a failure of the board directory itself is shown as
// "%s作成失敗(code:%d)" under "CreateDirectory"; a refused board as its names
// followed by "ログのパスを作れません". 1 when every directory exists.
int create_board_dirs(const wchar_t* host, const wchar_t* dir);
