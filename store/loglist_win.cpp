// LogListFile: the board's "acquired.txt" on disk.
#include <windows.h>

#include <cstring>
#include <new>

#include "base/codepage.h"
#include "base/report.h"
#include "store/libce.h"
#include "store/loglist.h"
#include "store/loglistfile.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

namespace {

const wchar_t kNotOpened[] = L"not opened.";
const wchar_t kBadFileName[] = L"ログのファイル名に使えません";
const wchar_t kOpenCaption[] = L"filelist_open";
const wchar_t kRewriteCaption[] = L"filelist_changeitem";

// A file name in code page 932, whole; false when it does not fit the field.
bool name_to_ansi(const wchar_t* name, std::string& out)
{
    char buf[kLogFileNameBytes];
    if (!name || !wide_to_mb_whole(buf, name, sizeof buf)) return false;
    out.assign(buf);
    return true;
}

std::wstring bad_name_text(const wchar_t* name)
{
    return (name ? name : L"") + std::wstring(L"\n") + kBadFileName;
}

bool name_fits(const char* name)
{
    return name && std::strlen(name) < static_cast<size_t>(kLogFileNameBytes);
}

// Bytes as they are, each through the single-byte write; false when any was
// refused.
bool put_bytes(LibceFile* f, const std::string& bytes)
{
    for (char c : bytes)
        if (libce_putc(static_cast<unsigned char>(c), f) == -1) return false;
    return true;
}

// The length of what libce_fgets stored in `buf`, NUL bytes of the line
// included. The buffer was filled with line feeds beforehand: the reader
// stores no line feed but the line's last byte, so the first line feed is
// either that byte (the terminator follows it) or the filling just past the
// terminator.
size_t piece_length(const char* buf, int size)
{
    const void* lf = std::memchr(buf, '\n', static_cast<size_t>(size));
    size_t n;
    if (!lf) {
        n = static_cast<size_t>(size) - 1;
    } else {
        size_t j = static_cast<const char*>(lf) - buf;
        if (j + 1 < static_cast<size_t>(size) && buf[j + 1] == '\0') n = j + 1;
        else n = j > 0 ? j - 1 : 0;
    }
    if (buf[n] != '\0') n = std::strlen(buf);   // not the reader we expected: trust the terminator
    return n;
}

}  // namespace

LogListFile::LogListFile() : reads_(0)
{
    boardDir[0] = '\0';
    hostName[0] = '\0';
    lineBuffer[0] = '\0';
    listPath[0] = '\0';
}

LogListFile::~LogListFile()
{
    close_list();
}

void LogListFile::close_list()
{
    file.reset();
    lines_.clear();
    index_.clear();
}

int LogListFile::setboard(const wchar_t* host, const wchar_t* dir)
{
    close_list();
    listPath[0] = '\0';
    bool serverDir = Settings.UseServerDir != 0;
    bool ok = log_board_names(host, dir, serverDir, hostName, sizeof hostName, boardDir, sizeof boardDir);
    if (ok) {
        LogBoard b{Settings.LogDirAnsi, hostName, boardDir, serverDir};
        ok = log_acquired_path(listPath, sizeof listPath, b);
    }
    if (!ok) {
        boardDir[0] = '\0';
        hostName[0] = '\0';
        listPath[0] = '\0';
        report_failure(log_board_refused_message(host, dir).c_str(), L"LogListFile::setboard");
        return 0;
    }
    return filelist_open();
}

int LogListFile::filelist_open()
{
    close_list();
    if (listPath[0] != '\0') file.reset(libce_fopen(listPath, "a+"));
    if (!file) {
        report_path_failure(listPath, kTextOpenFailed, kOpenCaption);
        return 0;
    }
    // Without its lines the object could not answer, and a rewrite would
    // lose them: a list that cannot be read is not opened.
    if (libce_fseek(file.get(), 0, 0) != 0) {
        close_list();
        report_path_failure(listPath, kTextOpenFailed, kOpenCaption);
        return 0;
    }
    if (!read_lines()) {
        close_list();
        report_failure(kTextAllocFailed, kOpenCaption);
        return 0;
    }
    return 1;
}

bool LogListFile::read_lines()
{
    ++reads_;
    lines_.clear();
    try {
        std::string line;
        for (;;) {
            std::memset(lineBuffer, '\n', sizeof lineBuffer);
            if (!libce_fgets(lineBuffer, sizeof lineBuffer, file.get())) {
                if (!line.empty()) lines_.push_back(std::move(line));
                break;
            }
            line.append(lineBuffer, piece_length(lineBuffer, sizeof lineBuffer));
            if (!line.empty() && line.back() == '\n') {
                lines_.push_back(std::move(line));
                line.clear();
            }
        }
        index_ = acquired_index(lines_);
    } catch (const std::bad_alloc&) {
        lines_.clear();
        index_.clear();
        return false;
    }
    return true;
}

bool LogListFile::lookup(const char* name, AcquiredValues* values, const wchar_t* caption)
{
    if (!file) {
        report_failure(kNotOpened, caption);
        return false;
    }
    if (!name_fits(name)) return false;
    auto found = index_.find(name);
    if (found == index_.end()) return false;
    *values = found->second;
    return true;
}

int LogListFile::finditem(const char* name)
{
    AcquiredValues v;
    return lookup(name, &v, L"LogListFile::finditem") ? v.lastRead : -1;
}

int LogListFile::finditem(const wchar_t* name)
{
    std::string ansi;
    if (file && !name_to_ansi(name, ansi)) return -1;
    return finditem(ansi.c_str());
}

int LogListFile::totalitem(const char* name)
{
    AcquiredValues v;
    return lookup(name, &v, L"LogListFile::totalitem") ? v.count : -1;
}

int LogListFile::totalitem(const wchar_t* name)
{
    std::string ansi;
    if (file && !name_to_ansi(name, ansi)) return -1;
    return totalitem(ansi.c_str());
}

bool LogListFile::fallenitem(const wchar_t* name)
{
    std::string ansi;
    AcquiredValues v;
    return file && name_to_ansi(name, ansi) && lookup(ansi.c_str(), &v, L"LogListFile::fallenitem") && v.fallen;
}

int LogListFile::additem(const wchar_t* name, const wchar_t* title, int count, bool fallen)
{
    const wchar_t* caption = L"LogListFile::additem";
    if (!file) {
        report_failure(kNotOpened, caption);
        return 0;
    }
    std::string ansi;
    if (!name_to_ansi(name, ansi) || !log_name_is_safe(ansi.c_str(), LogNameKind::File)) {
        report_failure(bad_name_text(name).c_str(), caption);
        return 0;
    }
    if (index_.count(ansi) != 0) return 0;

    char titleAnsi[256];   // 255 bytes, cut at a character boundary
    if (wide_to_mb(titleAnsi, title ? title : L"", sizeof titleAnsi) == 0) titleAnsi[0] = '\0';
    std::string line = acquired_added_line(ansi, titleAnsi, count, fallen);

    // A last line without a line feed would otherwise swallow the new one.
    bool closeLast = !lines_.empty() && lines_.back().back() != '\n';
    std::string bytes = closeLast ? "\r\n" : "";
    bytes += line.substr(0, line.size() - 1) + "\r\n";

    if (libce_fseek(file.get(), 0, 2) != 0 || !put_bytes(file.get(), bytes) || libce_fflush(file.get()) != 0) {
        // Closed, so that no later line is appended to a partly written one.
        close_list();
        report_path_failure(listPath, kTextWriteFailed, caption);
        return 0;
    }
    if (closeLast) lines_.back() += '\n';
    acquired_index_add(index_, line);
    lines_.push_back(std::move(line));
    return 1;
}

bool LogListFile::name_for_rewrite(const wchar_t* name, const wchar_t* caption, std::string& out)
{
    if (!file) {
        report_failure(kNotOpened, caption);
        return false;
    }
    if (!name_to_ansi(name, out) || !log_name_is_safe(out.c_str(), LogNameKind::File)) {
        close_list();
        report_failure(bad_name_text(name).c_str(), caption);
        return false;
    }
    return true;
}

int LogListFile::rewrite_named(const wchar_t* name, const wchar_t* caption, const LineEdit& edit,
                               bool onlyWhenChanged)
{
    std::string ansi;
    if (!name_for_rewrite(name, caption, ansi)) return 0;
    std::vector<std::string> next;
    try {
        next = lines_;
        if (edit(next, ansi) == 0 && onlyWhenChanged) {
            close_list();
            return 0;
        }
    } catch (const std::bad_alloc&) {
        close_list();
        report_failure(kTextAllocFailed, kRewriteCaption);
        return 0;
    }
    return rewrite(next);
}

int LogListFile::changeitem(const wchar_t* fileName, int responseCount, int topResponseNumber)
{
    auto edit = [=](std::vector<std::string>& lines, std::string_view name) {
        return acquired_change(lines, name, responseCount, topResponseNumber);
    };
    return rewrite_named(fileName, L"LogListFile::changeitem", edit, false);
}

int LogListFile::markfallen(const wchar_t* name, bool fallen)
{
    auto edit = [fallen](std::vector<std::string>& lines, std::string_view ansi) {
        return acquired_mark_fallen(lines, ansi, fallen);
    };
    return rewrite_named(name, L"LogListFile::markfallen", edit, true);
}

int LogListFile::delitem(const wchar_t* name)
{
    return rewrite_named(name, L"LogListFile::delitem", acquired_delete, false);
}

int LogListFile::rewrite(const std::vector<std::string>& lines)
{
    std::string bytes;
    try {
        bytes = acquired_file_bytes(lines);
    } catch (const std::bad_alloc&) {
        close_list();
        report_failure(kTextAllocFailed, kRewriteCaption);
        return 0;
    }
    // The list is closed first: the finished copy must be able to replace it.
    close_list();
    UniqueLibceFile out(libce_fopen_replace(listPath));
    if (!out) {
        report_path_failure(listPath, kTextOpenFailed, kRewriteCaption);
        return 0;
    }
    bool whole = put_bytes(out.get(), bytes);
    if (libce_fclose_replace(out, whole) != 0) {
        report_path_failure(listPath, kTextWriteFailed, kRewriteCaption);
        return 0;
    }
    return 1;
}

int LogListFile::deletelog(const wchar_t* name)
{
    std::string ansi;
    if (listPath[0] == '\0' || !name_to_ansi(name, ansi) || !log_name_is_safe(ansi.c_str(), LogNameKind::File))
        return 0;
    const char* slash = std::strrchr(listPath, '\\');
    if (!slash) return 0;
    std::string dir(listPath, static_cast<size_t>(slash + 1 - listPath));
    char path[kListPathBytes];
    int n = libce_snprintf(path, sizeof path, Settings.UseServerDir ? "%sdat\\%s" : "%s%s", dir.c_str(),
                           ansi.c_str());
    if (n < 0 || static_cast<size_t>(n) >= sizeof path) return 0;
    return DeleteFileW(mb_to_wstring(path).c_str()) ? 1 : 0;
}
