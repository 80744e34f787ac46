// What the local store's file operations share: the files' paths in the
// program's directory and the failure messages about them.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string_view>

#include "base/report.h"

// The window that owns the local store's message boxes: the main window once
// it exists; null before it (and in tests).
HWND store_owner_window();

// `name` in the program's directory. False when the path does not fit (a cut
// path is still left in `out`, for the message).
bool program_file_path(char* out, size_t size, const char* name);
// Opens `name` in the program's directory with the file library's `mode`;
// null when the path does not fit or the open fails. `path` keeps the path
// for the caller's message either way.
struct LibceFile;
LibceFile* open_program_file(char* path, size_t size, const char* name, const char* mode);
// Writes `len` bytes to `name` in the program's directory with "wb" (the
// debug dumps). False when the file cannot be opened or written.
bool write_debug_dump(const char* name, const void* data, size_t len);

// Shows `path` (ANSI) followed by `text`, with an OK button (`text` alone
// goes through report_failure).
void report_path_failure(const char* path, const wchar_t* text, const wchar_t* caption);

// Writes `bytes` to a copy beside `path` that replaces the file only once
// every byte is on the disk (the file library's safe rewrite). False, with
// `path` and `openFailed` or `writeFailed` shown under `caption`, when the
// old file is kept as it was.
bool replace_file_bytes(const char* path, std::string_view bytes, const wchar_t* caption,
                        const wchar_t* openFailed = kTextOpenFailed, const wchar_t* writeFailed = kTextWriteFailed);

// Texts shared by the store's files.
constexpr wchar_t kTextFavoriteBoardOpenFailed[] = L"お気に入り板ファイルオープン失敗";
constexpr wchar_t kTextFavoriteThreadOpenFailed[] = L"お気に入りスレファイルオープンに失敗";
