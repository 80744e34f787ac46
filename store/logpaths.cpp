#include "store/logpaths.h"

#include <cstdarg>
#include <cstring>
#include <string>

#include "store/format.h"
#include "store/sjis.h"

namespace {

bool is_trail_byte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

bool refused_unit(unsigned long c)
{
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
    case '\\': case ':': case '<': case '>': case '"': case '|': case '?': case '*':
        return true;
    default:
        return false;
    }
}

char ascii_upper(unsigned long c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c);
}

// A level named like a device (CON, NUL.dat, com1) opens the device, not a
// file in the tree.
template <typename Unit>
bool is_device_name(const Unit* level, size_t length)
{
    size_t base = 0;
    while (base < length && level[base] != '.') ++base;
    while (base > 0 && (level[base - 1] == ' ' || level[base - 1] == '.')) --base;
    if (base != 3 && base != 4) return false;
    char up[5] = {};
    for (size_t i = 0; i < base; ++i) {
        unsigned long c = static_cast<unsigned long>(level[i]);
        if (c > 0x7F) return false;
        up[i] = ascii_upper(c);
    }
    if (base == 3)
        return !std::strcmp(up, "CON") || !std::strcmp(up, "PRN") || !std::strcmp(up, "AUX") ||
               !std::strcmp(up, "NUL");
    return (!std::strncmp(up, "COM", 3) || !std::strncmp(up, "LPT", 3)) && up[3] >= '1' && up[3] <= '9';
}

// Checks one path level: [begin, end) of `name`, single-unit positions given
// by the caller's walk.
template <typename Unit>
bool level_is_safe(const Unit* level, size_t length)
{
    if (length == 0) return false;
    if (length == 1 && level[0] == '.') return false;
    return !is_device_name(level, length);
}

template <typename Unit>
bool name_is_safe(const Unit* name, LogNameKind kind, bool doubleByte)
{
    if (!name || name[0] == 0) return false;
    size_t length = 0;
    while (name[length] != 0) ++length;

    size_t levelStart = 0;
    int slashes = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned long c = static_cast<unsigned long>(name[i]);
        if (doubleByte) c &= 0xFF;
        if (doubleByte && is_sjis_lead(static_cast<unsigned char>(c))) {
            if (i + 1 >= length || !is_trail_byte(static_cast<unsigned char>(name[i + 1]))) return false;
            ++i;   // the trail byte may look like "\" but belongs to the character
            continue;
        }
        if (refused_unit(c)) return false;
        if (c == '.' && i + 1 < length && name[i + 1] == '.') return false;
        if (c == '/') {
            if (kind != LogNameKind::Host || ++slashes > 1) return false;
            if (!level_is_safe(name + levelStart, i - levelStart)) return false;
            levelStart = i + 1;
        }
    }
    return level_is_safe(name + levelStart, length - levelStart);
}

// The host as path levels: its "/" becomes the separator of the tree.
template <typename Unit>
std::basic_string<Unit> host_levels(const Unit* host)
{
    std::basic_string<Unit> levels(host);
    for (Unit& c : levels)
        if (c == '/') c = '\\';
    return levels;
}

bool root_is_usable(const char* root)
{
    if (!root || root[0] == '\0') return false;
    for (const char* p = root; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20) return false;
    return true;
}

bool root_is_usable(const wchar_t* root)
{
    if (!root || root[0] == L'\0') return false;
    for (const wchar_t* p = root; *p; ++p)
        if (static_cast<unsigned long>(*p) < 0x20) return false;
    return true;
}

bool board_is_safe(const LogBoard& b)
{
    return root_is_usable(b.root) && log_name_is_safe(b.dir, LogNameKind::Dir) &&
           (!b.serverDir || log_name_is_safe(b.host, LogNameKind::Host));
}

// Formats into `out`; a result that would not fit leaves `out` empty.
bool format_path(char* out, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = libce_vsnprintf(out, size, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        if (size > 0) out[0] = '\0';
        return false;
    }
    return true;
}

bool refuse(char* out, size_t size)
{
    if (size > 0) out[0] = '\0';
    return false;
}

}  // namespace

bool log_name_is_safe(const char* name, LogNameKind kind)
{
    return name_is_safe(name, kind, true);
}

bool log_name_is_safe(const wchar_t* name, LogNameKind kind)
{
    return name_is_safe(name, kind, false);
}

bool log_server_dir(char* out, size_t size, const LogBoard& b)
{
    if (!root_is_usable(b.root) || !log_name_is_safe(b.host, LogNameKind::Host)) return refuse(out, size);
    return format_path(out, size, "%s\\%s", b.root, host_levels(b.host).c_str());
}

bool log_board_dir(char* out, size_t size, const LogBoard& b)
{
    if (!board_is_safe(b)) return refuse(out, size);
    if (b.serverDir)
        return format_path(out, size, "%s\\%s\\%s", b.root, host_levels(b.host).c_str(), b.dir);
    return format_path(out, size, "%s\\%s", b.root, b.dir);
}

bool log_thread_dir(char* out, size_t size, const LogBoard& b)
{
    if (!board_is_safe(b)) return refuse(out, size);
    if (b.serverDir)
        return format_path(out, size, "%s\\%s\\%s\\dat", b.root, host_levels(b.host).c_str(), b.dir);
    return format_path(out, size, "%s\\%s", b.root, b.dir);
}

bool log_subject_path(char* out, size_t size, const LogBoard& b)
{
    char dir[kLogPathBytes];
    if (!log_board_dir(dir, sizeof dir, b)) return refuse(out, size);
    return format_path(out, size, "%s\\%s", dir, "subject.txt");
}

bool log_acquired_path(char* out, size_t size, const LogBoard& b)
{
    if (!board_is_safe(b)) return refuse(out, size);
    if (b.serverDir)
        return format_path(out, size, "%s\\%s\\%s\\%s", b.root, host_levels(b.host).c_str(), b.dir,
                           "acquired.txt");
    return format_path(out, size, "%s\\%s\\%s", b.root, b.dir, "acquired.txt");
}

bool log_thread_path(char* out, size_t size, const LogBoard& b, const char* fileName)
{
    if (!board_is_safe(b) || !log_name_is_safe(fileName, LogNameKind::File)) return refuse(out, size);
    if (b.serverDir)
        return format_path(out, size, "%s\\%s\\%s\\dat\\%s", b.root, host_levels(b.host).c_str(), b.dir,
                           fileName);
    return format_path(out, size, "%s\\%s\\%s", b.root, b.dir, fileName);
}

bool log_thread_path(wchar_t* out, size_t units, const LogBoardW& b, const wchar_t* fileName)
{
    if (units > 0) out[0] = L'\0';
    if (!root_is_usable(b.root) || !log_name_is_safe(b.dir, LogNameKind::Dir) ||
        (b.serverDir && !log_name_is_safe(b.host, LogNameKind::Host)) ||
        !log_name_is_safe(fileName, LogNameKind::File))
        return false;
    std::wstring path(b.root);
    if (b.serverDir) path += L'\\' + host_levels(b.host);
    path += L'\\';
    path += b.dir;
    if (b.serverDir) path += L"\\dat";
    path += L'\\';
    path += fileName;
    if (path.size() + 1 > units) return false;
    path.copy(out, path.size());
    out[path.size()] = L'\0';
    return true;
}

int log_board_dirs(char (*out)[kLogPathBytes], const LogBoard& b)
{
    char board[kLogPathBytes];
    if (!log_board_dir(board, sizeof board, b)) return 0;
    int n = 0;
    if (b.serverDir) {
        const char* slash = std::strchr(b.host, '/');
        if (slash) {
            std::string first(b.host, slash);
            if (!format_path(out[n++], kLogPathBytes, "%s\\%s", b.root, first.c_str())) return 0;
        }
        if (!log_server_dir(out[n++], kLogPathBytes, b)) return 0;
    }
    std::memcpy(out[n++], board, sizeof board);
    if (b.serverDir && !log_thread_dir(out[n++], kLogPathBytes, b)) return 0;
    return n;
}

std::wstring log_board_refused_message(const wchar_t* host, const wchar_t* dir)
{
    std::wstring text = L"(";
    text += host ? host : L"";
    text += L",";
    text += dir ? dir : L"";
    text += L")ログのパスを作れません";
    return text;
}
