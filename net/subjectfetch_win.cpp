#include "net/subjectfetch_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/handles.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/difffetch_win.h"
#include "net/subjectfetch.h"
#include "store/libce.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

namespace {

// Writes the list beside the old one and lets it replace the old one only
// once every byte is on the disk.
bool store_subject(const char* path, const char* data, size_t len)
{
    UniqueLibceFile f(libce_fopen_replace(path));
    if (!f) {
        report_path_failure(path, kTextSubjectOpenFailed, kCaptionLstSureGet);
        return false;
    }
    bool ok = libce_fwrite(data, 1, len, f.get()) == len;
    if (libce_fclose_replace(f, ok) != 0) {
        report_path_failure(path, kTextSubjectWriteFailed, kCaptionLstSureGet);
        return false;
    }
    return true;
}

}  // namespace

int LstSure_get(const wchar_t* host, const wchar_t* dir)
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
    int urlLen = swprintf(url, kUrlBytes, L"http://%ls/%ls/%ls", host, dir, kTextSubjectFileName);
    if (urlLen < 0 || urlLen >= static_cast<int>(kUrlBytes)) {
        report_failure(kTextBadUrl, kCaptionLstSureGet);
        return 0;
    }
    uint32_t length = 0;
    LocalBlock<char> block(run_get_html_sabun(url, &length, 0));
    if (!block) return 0;
    const char* data = block.get();
    int written = 0;
    if (length == 0) {
        // The 416 marker: the fetch has told the user already.
    } else if (!subject_list_whole(data, length)) {
        report_failure(kTextReplyCut, kCaptionLstSureGet);
    } else if (!subject_list_shaped(data, length)) {
        report_failure(kTextSubjectNotAList, kCaptionLstSureGet);
    } else if (store_subject(subjectPath, data, length)) {
        written = 1;
    }
    return written;
}
