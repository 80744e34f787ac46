#include "store/storereport.h"

#include <string>

#include "base/appstate.h"
#include "base/codepage.h"
#include "base/report.h"
#include "store/format.h"
#include "store/libce.h"
#include "store/settings.h"

HWND store_owner_window()
{
    // Null until the main window's creation has returned: the messages of
    // the start-up sequence have no owner.
    return AppState.hwndMain;
}

bool program_file_path(char* out, size_t size, const char* name)
{
    int length = libce_snprintf(out, size, "%s%s", Settings.ProgramDirectory, name);
    return length >= 0 && static_cast<size_t>(length) < size;
}

void report_path_failure(const char* path, const wchar_t* text, const wchar_t* caption)
{
    wchar_t wpath[kLibcePathBytes + 8];
    if (mb_to_wide(wpath, path, kLibcePathBytes + 8) == 0) wpath[0] = L'\0';
    std::wstring message = wpath;
    message += text;
    report_message(store_owner_window(), message.c_str(), caption, MB_OK);
}

bool replace_file_bytes(const char* path, std::string_view bytes, const wchar_t* caption, const wchar_t* openFailed,
                        const wchar_t* writeFailed)
{
    UniqueLibceFile f(libce_fopen_replace(path));
    if (!f) {
        report_path_failure(path, openFailed, caption);
        return false;
    }
    const bool whole = libce_fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    if (libce_fclose_replace(f, whole) != 0) {
        report_path_failure(path, writeFailed, caption);
        return false;
    }
    return true;
}

LibceFile* open_program_file(char* path, size_t size, const char* name, const char* mode)
{
    return program_file_path(path, size, name) ? libce_fopen(path, mode) : nullptr;
}

bool write_debug_dump(const char* name, const void* data, size_t len)
{
    char path[kAnsiPathBytes];
    UniqueLibceFile f(open_program_file(path, sizeof path, name, "wb"));
    if (!f) return false;
    bool ok = len == 0 || libce_fwrite(data, 1, len, f.get()) == len;
    if (f.close() != 0) ok = false;
    return ok;
}
