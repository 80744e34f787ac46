// The log tree on disk: its root, board directories and thread-log sizes.
#include "base/handles.h"

#include <string>

#include "base/codepage.h"
#include "base/report.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

namespace {

const wchar_t kCreateCaption[] = L"CreateDirectory";

const BoardEntry* board_at(int boardIndex)
{
    if (!BoardTable.items || boardIndex < 0 || boardIndex >= BoardTable.count) return nullptr;
    return &BoardTable.items[boardIndex];
}

// "%s作成失敗(code:%d)" with the path, or "(%s)作成失敗(code:%d)" for the root.
void report_create_failure(const std::wstring& path, DWORD code, bool root)
{
    std::wstring text = root ? L"(" + path + L")" : path;
    text += L"作成失敗(code:" + std::to_wstring(code) + L")";
    report_failure(text.c_str(), kCreateCaption);
}

}  // namespace

bool log_board_names(const wchar_t* host, const wchar_t* dir, bool serverDir, char* hostOut,
                     size_t hostSize, char* dirOut, size_t dirSize)
{
    if (!host || !dir) return false;
    // Both forms are checked: a character such as the yen sign becomes a
    // backslash byte in code page 932.
    if (!log_name_is_safe(dir, LogNameKind::Dir)) return false;
    if (!wide_to_mb_whole(dirOut, dir, dirSize) || !log_name_is_safe(dirOut, LogNameKind::Dir)) return false;
    if (!wide_to_mb_whole(hostOut, host, hostSize)) return false;
    if (serverDir && (!log_name_is_safe(host, LogNameKind::Host) || !log_name_is_safe(hostOut, LogNameKind::Host)))
        return false;
    return true;
}

int create_log_root()
{
    if (!CreateDirectoryW(Settings.LogDir, nullptr)) {
        DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS) report_create_failure(Settings.LogDir, code, true);
    }
    return 1;
}

bool log_thread_path_of(int boardIndex, const wchar_t* fileName, wchar_t* out, size_t units)
{
    if (units > 0) out[0] = L'\0';
    const BoardEntry* board = board_at(boardIndex);
    if (!board || !fileName) return false;
    bool serverDir = Settings.UseServerDir != 0;
    char host[kLogPathBytes], dir[kLogPathBytes], file[kLogPathBytes];
    if (!log_board_names(board->host, board->dir, serverDir, host, sizeof host, dir, sizeof dir)) return false;
    if (!wide_to_mb_whole(file, fileName, sizeof file) || !log_name_is_safe(file, LogNameKind::File)) return false;
    LogBoardW b{Settings.LogDir, board->host, board->dir, serverDir};
    return log_thread_path(out, units, b, fileName);
}

uint32_t get_filesize(int boardIndex, const wchar_t* fileName)
{
    wchar_t path[kLogPathUnits];
    if (!log_thread_path_of(boardIndex, fileName, path, kLogPathUnits)) return 0;
    // Shared so that a log another handle is writing still has its size
    // rather than looking missing (which would fetch the whole thread again).
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    trace_tag("get_filesize");
    if (!file.valid()) {
        trace_printf("CreateFile('%S') failed.", path);
        return 0;
    }
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) size = 0;
    trace_printf("filesize=%lu.", static_cast<unsigned long>(size));
    return size;
}

int create_board_dirs(const wchar_t* host, const wchar_t* dir)
{
    bool serverDir = Settings.UseServerDir != 0;
    char hostAnsi[kLogPathBytes], dirAnsi[kLogPathBytes];
    char dirs[kLogBoardDirsMax][kLogPathBytes];
    int count = 0;
    if (log_board_names(host, dir, serverDir, hostAnsi, sizeof hostAnsi, dirAnsi, sizeof dirAnsi)) {
        LogBoard b{Settings.LogDirAnsi, hostAnsi, dirAnsi, serverDir};
        count = log_board_dirs(dirs, b);
    }
    if (count == 0) {
        report_failure(log_board_refused_message(host, dir).c_str(), kCreateCaption);
        return 0;
    }
    // Every level is tried. Only the board directory's failure is shown: a
    // server level or "dat" that cannot be made shows itself in the board
    // directory or in the writes that follow.
    const int boardAt = serverDir ? count - 2 : count - 1;
    int made = 1;
    for (int i = 0; i < count; ++i) {
        std::wstring path = mb_to_wstring(dirs[i]);
        if (CreateDirectoryW(path.c_str(), nullptr)) continue;
        DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS) continue;
        made = 0;
        if (i == boardAt) report_create_failure(path, code, false);
    }
    return made;
}
