// Moving a board's log folder and its records to the board's new server.
#include <windows.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/report.h"
#include "store/boardmove.h"
#include "store/libce.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

namespace {

bool is_folder(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The plain files of a folder, by name.
std::vector<std::wstring> files_in(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
}

// The board's folder and the folder of its logs, in the server layout.
struct BoardFolders {
    std::wstring host, board, logs;
};

bool folders_of(const std::wstring& host, const std::wstring& dir, BoardFolders* out)
{
    char hostAnsi[kLogPathBytes], dirAnsi[kLogPathBytes], path[kLogPathBytes];
    if (!log_board_names(host.c_str(), dir.c_str(), true, hostAnsi, sizeof hostAnsi, dirAnsi, sizeof dirAnsi))
        return false;
    LogBoard b{Settings.LogDirAnsi, hostAnsi, dirAnsi, true};
    if (!log_server_dir(path, sizeof path, b)) return false;
    out->host = mb_to_wstring(path);
    if (!log_board_dir(path, sizeof path, b)) return false;
    out->board = mb_to_wstring(path);
    if (!log_thread_dir(path, sizeof path, b)) return false;
    out->logs = mb_to_wstring(path);
    return true;
}

void report_not_moved(const BoardMove& move)
{
    std::wstring text = L"(" + move.oldHost + L"," + move.dir + L")\n" + kTextLogFolderNotMoved;
    report_failure(text.c_str(), kCaptionBoardMoved);
}

bool rewrite_board_file(const BoardMove& move)
{
    char oldHost[kLogPathBytes], newHost[kLogPathBytes], dir[kLogPathBytes];
    if (!wide_to_mb_whole(oldHost, move.oldHost.c_str(), sizeof oldHost) ||
        !wide_to_mb_whole(newHost, move.newHost.c_str(), sizeof newHost) ||
        !wide_to_mb_whole(dir, move.dir.c_str(), sizeof dir))
        return false;
    char path[kLibcePathBytes];
    std::string bytes;
    {
        UniqueLibceFile in(open_program_file(path, sizeof path, kBoardFile, "r"));
        if (!in) return false;   // no file: the table was never saved, nothing to rewrite
        char block[4096];
        size_t n;
        while ((n = libce_fread(block, sizeof block, in.get())) > 0) bytes.append(block, n);
    }
    int changed = 0;
    std::string next = brd_bytes_moved(bytes, oldHost, dir, newHost, &changed);
    if (changed == 0) return true;
    return replace_file_bytes(path, next, kCaptionBoardMoved);
}

}  // namespace

bool move_board_logs(const BoardMove& move)
{
    if (!Settings.UseServerDir) return true;
    BoardFolders from, to;
    if (!folders_of(move.oldHost, move.dir, &from) || !folders_of(move.newHost, move.dir, &to)) {
        report_not_moved(move);
        return false;
    }
    if (!is_folder(from.board)) return true;
    create_board_dirs(move.newHost.c_str(), move.dir.c_str());

    // Every copy first; the old files are deleted only once all are whole.
    std::vector<std::wstring> copied, made;
    for (const auto& level : {std::make_pair(from.board, to.board), std::make_pair(from.logs, to.logs)}) {
        for (const std::wstring& name : files_in(level.first)) {
            const std::wstring src = level.first + L"\\" + name, dst = level.second + L"\\" + name;
            if (exists(dst)) continue;   // the new folder's own file stands; the old one is kept
            if (!CopyFileW(src.c_str(), dst.c_str(), TRUE)) {
                for (const std::wstring& m : made) DeleteFileW(m.c_str());
                report_not_moved(move);
                return false;
            }
            copied.push_back(src);
            made.push_back(dst);
        }
    }
    for (const std::wstring& src : copied) DeleteFileW(src.c_str());
    // Folders that are empty now go; one that still holds something stays.
    RemoveDirectoryW(from.logs.c_str());
    RemoveDirectoryW(from.board.c_str());
    RemoveDirectoryW(from.host.c_str());
    return true;
}

bool apply_board_move(const BoardMove& move)
{
    if (!move_board_logs(move)) return false;
    if (move_board_records(BoardTable, move) == 0) return false;
    rewrite_board_file(move);
    return true;
}
