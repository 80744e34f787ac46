#include "net/subjectfetch_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/appstate.h"
#include "base/codepage.h"
#include "base/handles.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/difffetch_win.h"
#include "net/pastlog.h"
#include "net/subjectfetch.h"
#include "store/boardmove.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

namespace {

// Writes the list beside the old one and lets it replace the old one only
// once every byte is on the disk.
bool store_subject(const char* path, const char* data, size_t len)
{
    return replace_file_bytes(path, std::string_view(data, len), kCaptionLstSureGet, kTextSubjectOpenFailed,
                              kTextSubjectWriteFailed);
}

// Asks whether to follow the board to `newHost`; on Yes moves it. True when
// it moved.
bool follow_board(const wchar_t* host, const wchar_t* dir, const std::string& newHost, std::wstring* movedTo)
{
    const std::wstring to = mb_to_wstring(newHost.c_str());
    wchar_t text[160];
    swprintf(text, sizeof text / sizeof text[0], kTextBoardMovedAsk, to.c_str());
    if (report_message(AppState.hwndMain, text, kCaptionBoardMoved, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    if (!apply_board_move(BoardMove{host, dir, to})) return false;
    *movedTo = to;
    return true;
}

int fetch_subject(const wchar_t* host, const wchar_t* dir, bool secure, bool followMove, std::wstring* movedTo);

// The board moved to the host `text` names, when it names one: asked, and on
// Yes the list is fetched from there (once: a board moving on again is not
// followed in the same fetch). -1 when `text` names no move.
int moved_list(const wchar_t* host, const wchar_t* dir, bool secure, std::string_view text, bool followMove,
               std::wstring* movedTo)
{
    char hostAnsi[kLogPathBytes], dirAnsi[kLogPathBytes];
    std::string newHost;
    if (!followMove || !wide_to_mb_whole(hostAnsi, host, sizeof hostAnsi) ||
        !wide_to_mb_whole(dirAnsi, dir, sizeof dirAnsi) ||
        !moved_board_host(text, dirAnsi, hostAnsi, kBoardFieldUnits - 1, &newHost))
        return -1;
    std::wstring to;
    if (!follow_board(host, dir, newHost, &to)) return 0;
    if (movedTo) *movedTo = to;
    return fetch_subject(to.c_str(), dir, secure, false, nullptr);
}

int fetch_subject(const wchar_t* host, const wchar_t* dir, bool secure, bool followMove, std::wstring* movedTo)
{
    if (!host || !dir) return 0;
    bool serverDir = Settings.UseServerDir != 0;
    // The host is checked in either layout: it is a name on the wire as well,
    // and one that could not stand in the tree names no server of the service.
    char hostAnsi[kLogPathBytes], dirAnsi[kLogPathBytes];
    char subjectPath[kLogPathBytes];
    LogBoard board{Settings.LogDirAnsi, hostAnsi, dirAnsi, serverDir};
    if (!log_board_names(host, dir, true, hostAnsi, sizeof hostAnsi, dirAnsi, sizeof dirAnsi) ||
        !log_subject_path(subjectPath, sizeof subjectPath, board)) {
        report_failure(log_board_refused_message(host, dir).c_str(), kCaptionLstSureGet);
        return 0;
    }

    // A directory that cannot be made is reported there; the open below then
    // fails and says so.
    create_board_dirs(host, dir);

    wchar_t url[kUrlBytes];
    int urlLen = swprintf(url, kUrlBytes, L"%hs%ls/%ls/%ls", scheme_prefix(secure).data(), host, dir, kTextSubjectFileName);
    if (urlLen < 0 || urlLen >= static_cast<int>(kUrlBytes)) {
        report_failure(kTextBadUrl, kCaptionLstSureGet);
        return 0;
    }
    uint32_t length = 0;
    FetchAnswer answer;
    answer.quiet = true;
    LocalBlock<char> block(run_get_html_sabun(url, &length, 0, &answer));
    if (!block) {
        int moved = moved_list(host, dir, secure, answer.location, followMove, movedTo);
        if (moved < 0) report_quiet_answer(answer);
        return moved < 0 ? 0 : moved;
    }
    const char* data = block.get();
    if (length == 0) return 0;   // the 416 marker: the fetch has told the user already
    if (!subject_list_whole(data, length) || !subject_list_shaped(data, length)) {
        int moved = moved_list(host, dir, secure, std::string_view(data, length), followMove, movedTo);
        if (moved >= 0) return moved;
        report_failure(subject_list_whole(data, length) ? kTextSubjectNotAList : kTextReplyCut, kCaptionLstSureGet);
        return 0;
    }
    return store_subject(subjectPath, data, length) ? 1 : 0;
}

}  // namespace

int LstSure_get(const wchar_t* host, const wchar_t* dir, bool secure, std::wstring* movedTo)
{
    return fetch_subject(host, dir, secure, true, movedTo);
}
