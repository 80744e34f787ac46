#include "store/ngfile.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "base/codepage.h"
#include "base/report.h"
#include "base/ticks.h"
#include "store/libce.h"
#include "store/settings.h"
#include "store/storereport.h"

NgLists ProcessNgLists;

namespace {

constexpr wchar_t kCaptionLoad[] = L"ng_lists_load";
constexpr wchar_t kCaptionSave[] = L"ng_lists_save";
// Far beyond any list a person keeps; a larger file is not ours to read.
constexpr size_t kNgFileLimit = 4u << 20;

bool file_exists(const char* path)
{
    wchar_t wpath[kLibcePathBytes];
    return mb_to_wide(wpath, path, kLibcePathBytes) != 0 && GetFileAttributesW(wpath) != INVALID_FILE_ATTRIBUTES;
}

// The whole file into `bytes`; a missing file reads as empty. Otherwise the
// failure's text: a file there but not readable, or larger than the limit.
const wchar_t* read_whole(const char* path, std::string* bytes)
{
    bytes->clear();
    UniqueLibceFile f(libce_fopen(path, "r"));
    if (!f) return file_exists(path) ? kTextOpenFailed : nullptr;
    char piece[4096];
    size_t n;
    while ((n = libce_fread(piece, sizeof piece, f.get())) > 0) {
        if (bytes->size() + n > kNgFileLimit) return kTextNgTooLarge;
        bytes->append(piece, n);
    }
    return nullptr;
}

void report_unread(const char* path, int count)
{
    wchar_t wpath[kLibcePathBytes];
    if (mb_to_wide(wpath, path, kLibcePathBytes) == 0) wpath[0] = L'\0';
    wchar_t text[kLibcePathBytes + 96];
    swprintf(text, sizeof text / sizeof text[0], kTextNgLinesSkipped, wpath, count);
    report_message(store_owner_window(), text, kCaptionLoad, MB_OK);
}

}  // namespace

int ng_lists_load()
{
    NgLists fresh;
    fresh.generation = ProcessNgLists.generation + 1;
    char path[kLibcePathBytes];
    std::string bytes;
    const wchar_t* failure =
        program_file_path(path, sizeof path, kNgFileName) ? read_whole(path, &bytes) : kTextOpenFailed;
    // A file that could not be read is never replaced: its entries would be lost.
    if (failure) {
        fresh.writable = false;
        ProcessNgLists = std::move(fresh);
        report_path_failure(path, failure, kCaptionLoad);
        return 0;
    }
    NgFileRead read = parse_ng_file(bytes);
    const int32_t today = platform_today();
    for (NgEntry& e : read.entries)
        if (!ng_entry_lapsed(e, today, Settings.NgLapseDays)) fresh.entries.push_back(std::move(e));
    const int unread = static_cast<int>(read.unread.size());
    fresh.unread = std::move(read.unread);
    ProcessNgLists = std::move(fresh);
    if (unread > 0) {
        report_unread(path, unread);
        return 0;
    }
    return 1;
}

int ng_lists_save()
{
    char path[kLibcePathBytes];
    if (!ProcessNgLists.writable || !program_file_path(path, sizeof path, kNgFileName)) {
        report_path_failure(path, kTextWriteFailed, kCaptionSave);
        return 0;
    }
    std::string bytes = ng_file_bytes(ProcessNgLists.entries);
    for (const std::string& line : ProcessNgLists.unread) bytes += line + "\r\n";
    return replace_file_bytes(path, bytes, kCaptionSave) ? 1 : 0;
}

int ng_lists_add(NgKind kind, const std::string& text)
{
    NgEntry entry{kind, text, kind == NgKind::Id ? platform_today() : 0};
    if (!ng_entry_valid(entry)) {
        report_message(store_owner_window(), kTextNgEntryRefused, kCaptionNgLists, MB_OK);
        return 0;
    }
    std::vector<NgEntry>& list = ProcessNgLists.entries;
    auto same = [&](const NgEntry& e) { return e.kind == kind && e.text == text; };
    auto found = std::find_if(list.begin(), list.end(), same);
    const std::vector<NgEntry> before = list;
    // An ID added again is in force from today.
    if (found != list.end())
        found->day = entry.day;
    else
        list.push_back(std::move(entry));
    if (!ng_lists_save()) {
        list = before;
        return 0;
    }
    ++ProcessNgLists.generation;
    return 1;
}

int ng_lists_remove(std::vector<size_t> indices)
{
    std::vector<NgEntry>& list = ProcessNgLists.entries;
    const std::vector<NgEntry> before = list;
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (auto i = indices.rbegin(); i != indices.rend(); ++i)
        if (*i < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(*i));
    if (!ng_lists_save()) {
        list = before;
        return 0;
    }
    ++ProcessNgLists.generation;
    return 1;
}
