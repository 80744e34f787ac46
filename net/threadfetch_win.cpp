#include "net/threadfetch_win.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "base/appstate.h"
#include "base/codepage.h"
#include "base/handles.h"
#include "base/progress_win.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/difffetch.h"
#include "net/difffetch_win.h"
#include "net/httpurl.h"
#include "net/pastlog.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/loglistfile.h"
#include "store/logpaths.h"
#include "store/storereport.h"

namespace {

// Writes the checked reply to the local log: a full fetch through a safe
// rewrite, growth appended. False (reported) when the log could not be written.
bool store_dat(const char* path, int32_t rangeStart, const char* data, uint32_t length)
{
    DatWrite w = dat_bytes_to_store(rangeStart, data, length);
    if (w.length == 0) {
        if (!w.replace) return true;   // nothing new
        // A whole log without a single complete line is no thread log.
        report_failure(kTextDatFetchFailed, kCaptionResdataGetSabun);
        return false;
    }
    if (w.replace) return replace_file_bytes(path, std::string_view(data + w.offset, w.length), kCaptionResdataGet);
    UniqueLibceFile f(libce_fopen(path, "ab"));
    if (!f) {
        report_path_failure(path, kTextOpenFailed, kCaptionResdataGet);
        return false;
    }
    bool ok = libce_fseek(f.get(), 0, 2) == 0 && libce_fwrite(data + w.offset, 1, w.length, f.get()) == w.length;
    if (f.close() != 0) ok = false;
    if (!ok) report_path_failure(path, kTextWriteFailed, kCaptionResdataGet);
    return ok;
}

struct WaitDialog {
    HWND dialog;
    explicit WaitDialog(const wchar_t* caption) : dialog(CreateProgressDialog(AppState.hwndMain, caption)) {}
    ~WaitDialog() { CloseProgressDialog(dialog); }
};

bool thread_marked_fallen(const BoardEntry& board, const wchar_t* datName)
{
    LogListFile held;
    return held.setboard(board.host, board.dir) == 1 && held.fallenitem(datName);
}

void mark_fallen(const BoardEntry& board, const wchar_t* datName, bool fallen)
{
    LogListFile held;
    if (held.setboard(board.host, board.dir) == 1) held.markfallen(datName, fallen);
}

// The answers that say the log is no longer where live logs are: gone (404),
// sent elsewhere (a redirect), or a page in place of a log.
bool answer_says_fallen(const FetchAnswer& answer)
{
    return answer.status == 404 || fetch_status_action(answer.status) == FetchStatusAction::Moved;
}

// Asks the board's past-log store for the gzipped log, then the plain one,
// and stores the first log found over the local one unless it is shorter.
// True when the store had the log.
bool fetch_past_log(const BoardEntry& board, const wchar_t* datName, const char* path, uint64_t localSize)
{
    for (bool gzipped : {true, false}) {
        std::wstring where;
        if (!past_log_path(board.dir, datName, gzipped, &where)) return false;
        const std::string_view scheme = scheme_prefix(board.secure);   // ASCII: widened unit by unit
        const std::wstring url = std::wstring(scheme.begin(), scheme.end()) + board.host + where;
        FetchAnswer answer;
        answer.quiet = true;
        uint32_t length = 0;
        LocalBlock<char> data(run_get_html_sabun(url.c_str(), &length, 0, &answer));
        if (!data || length == 0 || !dat_reply_log_shaped(0, data.get(), length)) continue;
        // A past log is complete: it never makes the local log shorter.
        if (dat_bytes_to_store(0, data.get(), length).length >= localSize) store_dat(path, 0, data.get(), length);
        return true;
    }
    return false;
}

}  // namespace

DatFetchResult Resdata_get(int boardIndex, const wchar_t* datName, DatFetchMode mode)
{
    WaitDialog wait(L"処理中");
    if (boardIndex < 0 || boardIndex >= BoardTable.count || !BoardTable.items || !datName) {
        report_failure(kTextDatFetchFailed, kCaptionResdataGetSabun);
        return DatFetchResult::Fetched;
    }
    const BoardEntry& board = BoardTable.items[boardIndex];
    if (board.host[0] == L'\0') return DatFetchResult::Skipped;
    wchar_t url[kUrlBytes];
    int urlLen = swprintf(url, kUrlBytes, L"%hs%ls/%ls/dat/%ls", scheme_prefix(board.secure).data(), board.host, board.dir,
                          datName);
    if (urlLen < 0 || urlLen >= static_cast<int>(kUrlBytes)) {
        report_failure(kTextBadUrl, kCaptionResdataGetSabun);
        return DatFetchResult::Fetched;
    }

    // The log's place is checked before anything is fetched for it.
    wchar_t widePath[kLogPathUnits];
    char path[kLibcePathBytes];
    if (!log_thread_path_of(boardIndex, datName, widePath, kLogPathUnits) ||
        !wide_to_mb_whole(path, widePath, sizeof path)) {
        std::wstring text = datName;
        text += kTextOpenFailed;
        report_failure(text.c_str(), kCaptionResdataGet);
        return DatFetchResult::Fetched;
    }

    const uint64_t localSize = get_filesize(boardIndex, datName);
    // Only a thread with a log can be held, and only a held one marked.
    if (mode == DatFetchMode::Open && localSize > 0 && thread_marked_fallen(board, datName))
        return DatFetchResult::Skipped;
    int32_t rangeStart = dat_range_start(localSize);
    if (rangeStart < 0) rangeStart = 0;
    // A whole fetch may be the first of a board whose directories were never
    // made under this log root (a favourite of a board not listed since): made
    // here, so that the log has a place to go.
    if (rangeStart == 0) create_board_dirs(board.host, board.dir);
    for (;;) {
        uint32_t length = 0;
        FetchAnswer answer;
        answer.quiet = true;
        LocalBlock<char> data(run_get_html_sabun(url, &length, rangeStart, &answer));
        bool fallen = !data && answer_says_fallen(answer);
        if (!data && !fallen) {
            report_failure(kTextDatFetchFailed, kCaptionResdataGetSabun);
            return DatFetchResult::Fetched;
        }
        // A page answered in place of the log, not a part of it: the log is
        // no longer where live logs are.
        if (data && answer.status != 206 && !dat_reply_log_shaped(0, data.get(), length)) fallen = true;
        if (!fallen) {
            if (!dat_reply_overlaps(rangeStart, data.get(), length)) {
                report_failure(kTextRefetchAll, kCaptionResdataGetSabun);
                rangeStart = 0;
                continue;
            }
            if (!dat_reply_log_shaped(rangeStart, data.get(), length)) {
                report_failure(kTextNotALog, kCaptionResdataGetSabun);
                return DatFetchResult::Fetched;
            }
            // A thread marked fallen whose log the server serves again (a
            // reload by hand) is live once more.
            const bool stored = store_dat(path, rangeStart, data.get(), length);
            if (stored && mode == DatFetchMode::ByHand && localSize > 0 && thread_marked_fallen(board, datName))
                mark_fallen(board, datName, false);
            return stored && rangeStart == 0 && localSize > 0 ? DatFetchResult::Replaced : DatFetchResult::Fetched;
        }
        data.reset();
        if (!fetch_past_log(board, datName, path, localSize)) report_failure(kTextThreadFallen, kCaptionResdataGetSabun);
        mark_fallen(board, datName, true);
        return DatFetchResult::Fallen;
    }
}
