// A board that has moved to another server: the table follows it, and with
// the server layout of the log tree (UseServerDir) so does its log folder.
//
// The favourite files name boards by name and directory only ("favorite.brd":
// name,dir; "favorite.txt": dir<>file<>title), never by host: a favourite
// record takes its host from the ordinary board it stands for, so updating
// the table (and reloading the favourites) is all they need.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "store/boardtable.h"

struct BoardMove {
    std::wstring oldHost;
    std::wstring dir;
    std::wstring newHost;
};

// The boards of `before` (with a server) whose directory `after` lists under
// another server and no longer under the old one, each pair once, in the
// order of `before`.
std::vector<BoardMove> boards_moved(const BoardEntry* before, int32_t beforeCount, const BoardEntry* after,
                                    int32_t afterCount);

// Gives every record of the table on `move.oldHost` with directory
// `move.dir` (ordinary boards and favourites alike) the new host; returns
// how many were changed.
int move_board_records(BoardArray& table, const BoardMove& move);

// The bytes of "2channel.brd" with every board line on `oldHost` with
// directory `dir` naming `newHost` instead; every other byte as it was. `changed` counts the lines rewritten.
std::string brd_bytes_moved(std::string_view file, std::string_view oldHost, std::string_view dir,
                            std::string_view newHost, int* changed);

// ---- Win32 build only ----

constexpr wchar_t kCaptionBoardMoved[] = L"板移転";
constexpr wchar_t kTextLogFolderNotMoved[] = L"ログフォルダを移せませんでした\n元のフォルダはそのまま残しています";

// With UseServerDir, moves the board's log folder (root\old\dir with its
// "dat") to root\new\dir: every file is copied first, and the old files are
// deleted only once every copy is whole. A file the new folder has already
// is left there and its old copy kept. When a copy fails, the copies made
// are removed again, the old folder stays whole, the failure is reported
// and false returned. Without the layout, or without an old folder, there
// is nothing to move: true.
bool move_board_logs(const BoardMove& move);

// A moved board, the user having agreed: its log folder first (a folder
// that cannot be moved leaves the table as it was, to be tried again), then
// the table's records (the favourite boards among them) and the board's
// lines in "2channel.brd", through a safe rewrite. True when the table now
// names the new host.
bool apply_board_move(const BoardMove& move);
