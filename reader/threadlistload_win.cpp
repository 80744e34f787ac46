#include "reader/threadlist_win.h"

#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "base/debugout.h"
#include "base/handles.h"
#include "base/report.h"
#include "reader/entities.h"
#include "reader/subject.h"
#include "store/boardtable.h"
#include "store/favorites.h"
#include "store/libce.h"
#include "store/lineread.h"
#include "store/loglistfile.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

// The loads of the thread list: the rows of a board's "subject.txt" or of
// "favorite.txt", marked from the held-thread lists.

namespace {

// ---- rows from lines ----

// A thread's title as shown: UTF-16 (at most 260 units), references decoded.
std::wstring display_title(std::string_view bytes)
{
    char ansi[kFavoriteTitleBytes + 1];
    size_t n = bytes.size() < kFavoriteTitleBytes ? bytes.size() : kFavoriteTitleBytes;
    std::memcpy(ansi, bytes.data(), n);
    ansi[n] = '\0';
    wchar_t wide[kEntryTitleUnits];
    if (mb_to_wide(wide, ansi, kEntryTitleUnits) == 0) wide[0] = L'\0';
    DecodeEntities(wide);
    return wide;
}

// A log's file name as a row holds it (at most 15 units), converted into
// `wide`.
const wchar_t* file_name_of(std::string_view bytes, wchar_t (&wide)[kEntryFileNameUnits + 1])
{
    char ansi[kEntryFileNameUnits + 1];
    size_t n = bytes.size() < kEntryFileNameUnits ? bytes.size() : kEntryFileNameUnits;
    std::memcpy(ansi, bytes.data(), n);
    ansi[n] = '\0';
    if (mb_to_wide(wide, ansi, kEntryFileNameUnits + 1) == 0) wide[0] = L'\0';
    return wide;
}

// The held-thread list's answers for one name; -1 when the list is not open
// (then nothing counts as held and nothing more is asked of it).
struct Held {
    int32_t lastRead = -1;
    int32_t count = -1;
    bool fallen = false;
    bool held() const { return lastRead >= 0; }
};

Held held_state(LogListFile* list, const std::string& file)
{
    Held h;
    AcquiredValues values;
    if (!list || !list->lookup(file.c_str(), &values, L"LogListFile::finditem") || values.lastRead < 0) return h;
    h.lastRead = values.lastRead;
    h.count = values.count;
    h.fallen = values.fallen;
    return h;
}

// ---- boards ----

bool board_index_ok(int index)
{
    return BoardTable.items && index >= 0 && index < BoardTable.count;
}

// The ordinary board with this directory: the first record that has it and
// a server (a favourite board that stands for no board has none).
int board_of_dir(std::string_view dirBytes)
{
    char ansi[kFavoriteDirBytes + 1];
    std::memcpy(ansi, dirBytes.data(), dirBytes.size());
    ansi[dirBytes.size()] = '\0';
    wchar_t dir[kFavoriteDirBytes + 1];
    if (mb_to_wide(dir, ansi, kFavoriteDirBytes + 1) == 0) return -1;
    for (int i = 0; board_index_ok(i); ++i) {
        const BoardEntry& b = BoardTable.items[i];
        if (b.host[0] != L'\0' && std::wcscmp(b.dir, dir) == 0) return i;
    }
    return -1;
}

// A board's directory exists in the log tree (only then can it hold logs).
bool board_dir_exists(const BoardEntry& b)
{
    bool serverDir = Settings.UseServerDir != 0;
    char host[kLogPathBytes], dir[kLogPathBytes], path[kLogPathBytes];
    if (!log_board_names(b.host, b.dir, serverDir, host, sizeof host, dir, sizeof dir)) return false;
    if (!log_board_dir(path, sizeof path, LogBoard{Settings.LogDirAnsi, host, dir, serverDir})) return false;
    std::wstring wide = mb_to_wstring(path);
    DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// ---- loads ----

int LstSure_load(const wchar_t* host, const wchar_t* dir)
{
    ScopeTimer timer(L"LstSure_load");
    reset_sort_directions();

    const bool serverDir = Settings.UseServerDir != 0;
    char hostAnsi[kLogPathBytes], dirAnsi[kLogPathBytes], path[kLogPathBytes];
    if (!host || !dir ||
        !log_board_names(host, dir, serverDir, hostAnsi, sizeof hostAnsi, dirAnsi, sizeof dirAnsi) ||
        !log_subject_path(path, sizeof path, LogBoard{Settings.LogDirAnsi, hostAnsi, dirAnsi, serverDir})) {
        report_failure(log_board_refused_message(host ? host : L"", dir ? dir : L"").c_str(),
                             kCaptionLstSureLoad);
        return 0;
    }
    UniqueLibceFile file(libce_fopen(path, "r"));
    if (!file) {
        report_path_failure(path, kTextOpenFailed, kCaptionLstSureLoad);
        return 0;
    }

    auto list = std::make_unique<ThreadList>(kThreadListCapacity);
    LogListFile heldList;
    LogListFile* held = heldList.setboard(host, dir) == 1 ? &heldList : nullptr;
    ListLimiter limit(Settings.LogOnlyMode, Settings.UseThreadMax, Settings.ThreadMax,
                      Settings.LogsExcludedFromCount);
    const std::shared_ptr<const ThreadBoard> board = make_thread_board(dir, host);

    LineReader reader(file.get());
    char line[kSubjectLineBytes];
    int32_t lineNumber = 0;   // every line of the file, skipped ones too
    int skippedSoFar = 0;
    int length;
    while ((length = reader.whole_line(line, sizeof line)) >= 0) {
        lineNumber += reader.skipped() - skippedSoFar;   // overlong lines passed over
        skippedSoFar = reader.skipped();
        const int32_t n = lineNumber++;
        SubjectRow row;
        if (!parse_subject_line(std::string_view(line, static_cast<size_t>(length)), &row)) continue;
        const std::string fileName(row.file);
        const Held h = held_state(held, fileName);
        if (!limit.admits(h.held())) continue;
        int32_t state = ThreadNotHeld;
        if (h.held()) state = h.fallen ? ThreadFallen : h.count < row.count ? ThreadHasNew : ThreadHeld;
        wchar_t wideFile[kEntryFileNameUnits + 1];
        auto entry = std::make_unique<ThreadEntry>(state, display_title(row.title), row.count, h.lastRead,
                                                   file_name_of(row.file, wideFile), board, n);
        if (!list->add(std::move(entry))) break;   // 2047 rows: the rest is not listed
        if (!limit.added()) break;
    }
    file.close();
    thread_list_show_new(std::move(list));
    return 1;
}

int favorite_sure_load()
{
    ScopeTimer timer(L"favorite_sure_load");
    reset_sort_directions();

    char path[kLibcePathBytes];
    UniqueLibceFile file(open_program_file(path, sizeof path, kFavoriteThreadFile, "r"));
    if (!file) {
        report_path_failure(path, kTextFavoriteThreadOpenFailed, kCaptionFavoriteSureLoad);
        return 0;
    }

    auto list = std::make_unique<ThreadList>(kThreadListCapacity);
    list->favorites = true;
    // Per board met: its held-thread list, read once (null for a board whose
    // directory the log tree does not have: it holds nothing yet), and the
    // names its rows share.
    struct BoardRows {
        std::unique_ptr<LogListFile> held;
        std::shared_ptr<const ThreadBoard> names;
    };
    std::map<int, BoardRows> boards;
    auto rows_of = [&boards](int board) -> const BoardRows& {
        auto found = boards.find(board);
        if (found != boards.end()) return found->second;
        BoardRows r;
        const BoardEntry& b = BoardTable.items[board];
        if (board_dir_exists(b)) {
            r.held = std::make_unique<LogListFile>();
            if (r.held->setboard(b.host, b.dir) != 1) r.held.reset();
        }
        r.names = make_thread_board(b.dir, b.host);
        return boards.emplace(board, std::move(r)).first->second;
    };

    LineReader reader(file.get());
    char line[kSubjectLineBytes];
    int length;
    while ((length = reader.whole_line(line, sizeof line)) >= 0) {
        FavoriteRow row;
        if (!parse_favorite_row(std::string_view(line, static_cast<size_t>(length)), &row)) continue;
        const int board = board_of_dir(row.dir);
        if (board < 0) continue;   // a board the table does not know
        const BoardRows& of = rows_of(board);
        const Held h = held_state(of.held.get(), std::string(row.file));
        wchar_t wideFile[kEntryFileNameUnits + 1];
        const int32_t state = !h.held() ? ThreadNotHeld : h.fallen ? ThreadFallen : ThreadHeld;
        auto entry = std::make_unique<ThreadEntry>(state, display_title(row.title),
                                                   h.count, h.lastRead, file_name_of(row.file, wideFile), of.names,
                                                   board);
        if (!list->add(std::move(entry))) break;
    }
    file.close();
    boards.clear();
    thread_list_show_new(std::move(list));
    return 1;
}

