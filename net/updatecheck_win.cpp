#include "net/updatecheck_win.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>

#include "base/appstate.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/difffetch_win.h"
#include "net/netfiles.h"
#include "net/updatecheck.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/logpaths.h"
#include "store/settings.h"
#include "store/storereport.h"

HeadWorkerTask HeadTask;

namespace {

wchar_t g_checkCaption[64];

void show_status_caption(HWND dialog, int status)
{
    switch (check_caption(status, Settings.DebugMode != 0)) {
    case CheckCaption::Keep:
        return;
    case CheckCaption::Unchanged:
        set_progress_caption(dialog, kTextUnchanged);
        return;
    case CheckCaption::Changed:
        set_progress_caption(dialog, kTextChanged);
        return;
    case CheckCaption::Moved:
        swprintf(g_checkCaption, sizeof g_checkCaption / sizeof g_checkCaption[0], kTextMoved, status);
        set_progress_caption(dialog, g_checkCaption);
        return;
    case CheckCaption::Failed:
        swprintf(g_checkCaption, sizeof g_checkCaption / sizeof g_checkCaption[0], kTextFetchFailed, status);
        set_progress_caption(dialog, g_checkCaption);
        return;
    }
}

void head_task_run(WorkerTask* t)
{
    HeadWorkerTask* task = static_cast<HeadWorkerTask*>(t);
    task->result = find_html_modified(task->dialog, task->url, task->rangeStart, &task->flag);
}

}  // namespace

uint8_t find_html_modified(HWND dialog, const wchar_t* url, int32_t rangeStart, const std::atomic<uint8_t>* flag)
{
    set_progress_caption(dialog, kTextCheckStarting);

    Connection c;
    std::string request;
    if (!open_and_send(url, RequestKind::Head, rangeStart, kCaptionFindHtmlModified, flag, &c, &request)) return 0;

    // The received blocks as they came, in debug mode.
    UniqueLibceFile dump;
    if (Settings.DebugMode) {
        char path[kAnsiPathBytes];
        dump.reset(open_program_file(path, sizeof path, kDumpCheckReceived, "wb"));
        if (!dump) {
            report_failure(kTextSaveFileOpenFailed, kTextError);
            return 0;
        }
    }

    set_progress_caption(dialog, kTextChecking);
    auto reply = std::make_unique<CheckReplyReader>();
    char block[kCheckReceiveBytes + 1];
    std::memset(block, 0, sizeof block);
    int n = connection_recv(c, block, static_cast<int>(kCheckReceiveBytes), flag, kReceiveWaitMs);
    for (;;) {
        if (n == 0) {
            reply->closed();
            break;
        }
        if (n < 0) {
            report_failure(kTextRecvError, kTextError);
            break;
        }
        if (dump) libce_fwrite(block, 1, static_cast<size_t>(n), dump.get());
        if (reply->feed(block, static_cast<size_t>(n))) break;
        std::memset(block, 0, sizeof block);
        n = connection_recv(c, block, static_cast<int>(kCheckReceiveBytes), flag, kReceiveWaitMs);
    }
    shutdown_and_close(&c);
    if (reply->replied()) show_status_caption(dialog, reply->status());

    if (dump) {
        dump.close();
        write_debug_dump(kDumpCheckSent, request.data(), request.size());
    }
    return reply->outcome() == UpdateOutcome::Grown ? 1 : 0;
}

uint8_t run_find_html_modified(const wchar_t* url, int32_t rangeStart)
{
    HeadTask.threadName = L"find_html_modified_thread";
    HeadTask.run = head_task_run;
    HeadTask.result = 0;
    HeadTask.url = url;
    HeadTask.rangeStart = rangeStart;
    if (!run_worker_task(AppState.hwndMain, &HeadTask)) {
        return 0;
    }
    return HeadTask.result;
}

uint8_t check_thread_modified(int boardIndex, const wchar_t* datName)
{
    if (!BoardTable.items || boardIndex < 0 || boardIndex >= BoardTable.count || !datName) return 0;
    const BoardEntry& board = BoardTable.items[boardIndex];
    // A name that could not stand in the log tree names no thread of ours.
    if (board.host[0] == L'\0' || std::wcslen(datName) > kCheckFileNameMax ||
        !log_name_is_safe(datName, LogNameKind::File)) {
        return 0;
    }
    wchar_t url[kUrlBytes];
    int urlLen = swprintf(url, kUrlBytes, L"%hs%ls/%ls/dat/%ls", scheme_prefix(board.secure).data(), board.host, board.dir, datName);
    if (urlLen < 0 || urlLen >= static_cast<int>(kUrlBytes)) return 0;
    int32_t rangeStart = check_range_start(get_filesize(boardIndex, datName));
    if (rangeStart < 0) return 0;
    return run_find_html_modified(url, rangeStart);
}
