// The settings file on disk: where it lives, reading it into Settings,
// writing it back, and making the log directory absolute.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/report.h"
#include "store/libce.h"
#include "store/settings.h"
#include "store/settingsline.h"

namespace {

const wchar_t kLoadCaption[] = L"inifile_load";
const wchar_t kLogDirTooLong[] = L"ログフォルダのパスが長すぎるため、既定のlogを使います";

// Lines longer than this are cut; every value is far shorter than its field
// would allow well before it.
constexpr size_t kLineLimit = 4095;

std::wstring g_modulePath;   // empty: the running executable

std::wstring module_path()
{
    if (!g_modulePath.empty()) return g_modulePath;
    std::vector<wchar_t> buf(MAX_PATH + 1);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

// One whole line, its pieces joined (the reader hands out at most 1023 bytes
// at a time). `hadLineFeed` tells a complete line from an unterminated last one.
bool read_line(LibceFile* f, std::string& line, bool& hadLineFeed)
{
    line.clear();
    hadLineFeed = false;
    char piece[1024];
    bool any = false;
    while (libce_fgets(piece, sizeof piece, f)) {
        any = true;
        size_t n = std::strlen(piece);
        if (n > 0 && piece[n - 1] == '\n') {
            hadLineFeed = true;
            --n;
        }
        if (line.size() < kLineLimit) line.append(piece, std::min(n, kLineLimit - line.size()));
        if (hadLineFeed) break;
    }
    return any;
}

void apply_file_line(const std::string& bytes, bool hadLineFeed)
{
    std::vector<wchar_t> wide(bytes.size() + 2);
    if (mb_to_wide(wide.data(), bytes.c_str(), static_cast<int>(wide.size())) == 0) wide[0] = L'\0';
    std::wstring line(wide.data());
    if (hadLineFeed) line += L'\n';
    settings_apply_line(Settings, line.c_str(), line.size());
}

void read_file(LibceFile* f)
{
    std::string line;
    bool hadLineFeed = false;
    while (read_line(f, line, hadLineFeed)) apply_file_line(line, hadLineFeed);
}

// LogDir becomes absolute: kept when it already is, else taken below the
// program directory. A result that does not fit its field falls back to "log".
void resolve_log_dir()
{
    std::wstring dir(Settings.LogDir);
    if (settings_logdir_is_absolute(Settings.LogDir)) {
        if (wide_to_mb_whole(Settings.LogDirAnsi, dir.c_str(), kAnsiPathBytes)) return;
    } else {
        char relative[kAnsiPathBytes];
        size_t base = std::strlen(Settings.ProgramDirectory);
        if (wide_to_mb_whole(relative, dir.c_str(), kAnsiPathBytes) && base + std::strlen(relative) < kAnsiPathBytes) {
            libce_snprintf(Settings.LogDirAnsi, kAnsiPathBytes, "%s%s", Settings.ProgramDirectory, relative);
            mb_to_wide(Settings.LogDir, Settings.LogDirAnsi, kSettingsTextUnits);
            return;
        }
    }
    report_message(nullptr, (dir + L"\n" + kLogDirTooLong).c_str(), kLoadCaption, MB_OK);
    libce_snprintf(Settings.LogDirAnsi, kAnsiPathBytes, "%slog", Settings.ProgramDirectory);
    if (std::strlen(Settings.ProgramDirectory) + 3 >= kAnsiPathBytes) std::strcpy(Settings.LogDirAnsi, "log");
    mb_to_wide(Settings.LogDir, Settings.LogDirAnsi, kSettingsTextUnits);
}

// Puts every byte of `line` through the text output; false when any byte was
// refused.
bool put_line(LibceFile* f, const std::wstring& line)
{
    std::vector<char> bytes(line.size() * 2 + 2);
    if (wide_to_mb(bytes.data(), line.c_str(), static_cast<int>(bytes.size())) == 0) return false;
    size_t n = std::strlen(bytes.data());
    // The text output adds a CR before the line's one LF.
    return libce_fputs(bytes.data(), f) == static_cast<int>(n + 1);
}

}  // namespace

void settings_set_module_path(const wchar_t* modulePath)
{
    g_modulePath = modulePath ? modulePath : L"";
    settings_fill_program_directory();
}

int settings_fill_program_directory()
{
    std::wstring dir = settings_program_directory(module_path());
    if (!wide_to_mb_whole(Settings.ProgramDirectory, dir.c_str(), kAnsiPathBytes)) {
        Settings.ProgramDirectory[0] = '\0';
        return 0;
    }
    return 1;
}

void inifile_defaults()
{
    settings_defaults(Settings);
}

int inifile_load()
{
    if (Settings.ProgramDirectory[0] == '\0') settings_fill_program_directory();

    std::wstring stem = settings_path_stem(module_path());
    std::wstring path = stem + L"ini";
    UniqueLibceFile f;
    if (wide_to_mb_whole(Settings.SettingsFilePath, path.c_str(), kAnsiPathBytes)) {
        f.reset(libce_fopen(Settings.SettingsFilePath, "r"));
        path = mb_to_wstring(Settings.SettingsFilePath);
    } else {
        Settings.SettingsFilePath[0] = '\0';   // nowhere to save either
    }

    if (f) {
        read_file(f.get());
        f.close();
    } else {
        report_message(nullptr, (path + kTextOpenFailed).c_str(), kLoadCaption, MB_OK);
    }
    resolve_log_dir();
    return 1;
}

int inifile_save()
{
    if (Settings.SettingsFilePath[0] == '\0') return 0;
    // The new file replaces the old one only when it is complete.
    UniqueLibceFile f(libce_fopen_replace(Settings.SettingsFilePath));
    if (!f) return 0;
    bool whole = true;
    for (int i = 0; i < kSettingsLineCount && whole; ++i)
        whole = put_line(f.get(), settings_written_line(Settings, i));
    return libce_fclose_replace(f, whole) == 0 ? 1 : 0;
}
