#include "net/difffetch_win.h"

#include <winsock2.h>
#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/appstate.h"
#include "base/codepage.h"
#include "base/handles.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/difffetch.h"
#include "net/netfiles.h"
#include "res/resource.h"
#include "store/libce.h"
#include "store/settings.h"
#include "store/storereport.h"

GetWorkerTask GetTask;

namespace {

// Process-wide like the rest of the GET: one runs at a time. One byte more
// than a receive asks for, so a block is always followed by a NUL.
char g_receiveBuffer[kReceiveBlockBytes + 1];
wchar_t g_caption[64];

void report_code(const wchar_t* format, int code, const wchar_t* caption)
{
    wchar_t text[96];
    swprintf(text, sizeof text / sizeof text[0], format, code);
    report_failure(text, caption);
}

void show_fetching(HWND dialog, uint64_t total)
{
    swprintf(g_caption, sizeof g_caption / sizeof g_caption[0], kTextFetching, static_cast<int>(total / 1024));
    set_progress_caption(dialog, g_caption);
}

// The growing result in a movable local-heap block, as the caller expects to
// free it. It grows by a quarter of its size at a time (a gzip bomb must not
// cost a copy of the whole block per 32 KB chunk) and is cut to exactly the
// inflated length at the end.
struct ResultBlock {
    LocalBlock<char> block;
    size_t length = 0;
    size_t capacity = 0;
    size_t failedSize = 0;
    const std::atomic<uint8_t>* cancel = nullptr;
    bool cancelled = false;

    bool reserve(size_t total)
    {
        if (total <= capacity) return true;
        size_t want = capacity + capacity / 4;
        if (want < total) want = total;
        if (want > kFetchBodyMax) want = total;
        if (!local_resize(block, want, LMEM_MOVEABLE | LMEM_ZEROINIT)) {
            failedSize = want;
            return false;
        }
        capacity = want;
        return true;
    }

    static bool append(void* context, const char* chunk, size_t len)
    {
        ResultBlock* r = static_cast<ResultBlock*>(context);
        if (r->cancel && r->cancel->load() != 0) {
            r->cancelled = true;
            return false;
        }
        if (!r->reserve(r->length + len)) return false;
        std::memcpy(r->block.get() + r->length, chunk, len);
        r->length += len;
        return true;
    }

    // The block, exactly `length` bytes long; null when it cannot be cut.
    char* release()
    {
        if (!block || length == 0) return nullptr;
        if (capacity != length) {
            if (!local_resize(block, length, LMEM_MOVEABLE)) {
                failedSize = length;
                return nullptr;
            }
            capacity = length;
        }
        return block.release();
    }
};

// Closes the spool on every way out; the caller learns whether every byte
// reached the disk.
struct SpoolFile {
    UniqueLibceFile f;
    bool ok = true;
    ~SpoolFile() { close(); }
    void write(const char* data, size_t len)
    {
        if (ok && len > 0 && libce_fwrite(data, 1, len, f.get()) != len) ok = false;
    }
    bool close()
    {
        if (f.close() != 0) ok = false;
        return ok;
    }
};

// Reads the spooled body, inflated as its coding asks, into a new block. A
// cancel is honoured between chunks, without a message.
char* inflate_spool(const char* spoolPath, BodyCoding coding, const std::atomic<uint8_t>* cancel, uint32_t* length)
{
    wchar_t widePath[kAnsiPathBytes];
    if (mb_to_wide(widePath, spoolPath, kAnsiPathBytes) == 0) return nullptr;
    gzFile gz = gzopen_w(widePath, "rb");
    if (!gz) return nullptr;
    ResultBlock result;
    result.cancel = cancel;
    size_t total = 0;
    InflateResult r = coding == BodyCoding::Deflate
                          ? inflate_deflate(gz, kFetchBodyMax, ResultBlock::append, &result, &total)
                          : inflate_gz(gz, kFetchBodyMax, ResultBlock::append, &result, &total);
    gzclose(gz);
    switch (r) {
    case InflateResult::Ok:
        break;
    case InflateResult::SinkFailed:
        if (!result.cancelled) report_code(kTextReAllocFailedSize, static_cast<int>(result.failedSize), kCaptionUnzip);
        return nullptr;
    case InflateResult::TooLarge:
        report_code(kTextReplyTooLarge, static_cast<int>(kFetchBodyMax / 1024), kCaptionUnzip);
        return nullptr;
    case InflateResult::Truncated:
        report_failure(kTextReplyCut, kCaptionUnzip);
        return nullptr;
    case InflateResult::Error:
        report_failure(kTextInflateFailed, kCaptionUnzip);
        return nullptr;
    }
    if (result.length == 0) return nullptr;
    size_t exactLength = result.length;
    char* data = result.release();
    if (!data) {
        report_code(kTextReAllocFailedSize, static_cast<int>(exactLength), kCaptionUnzip);
        return nullptr;
    }
    *length = static_cast<uint32_t>(exactLength);
    return data;
}

char* make_416_marker(uint32_t* length)
{
    char* marker = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, 2));
    if (marker) marker[0] = 'A';
    *length = 0;
    return marker;
}

void get_task_run(WorkerTask* t)
{
    GetWorkerTask* task = static_cast<GetWorkerTask*>(t);
    task->result =
        get_html_sabun(task->dialog, task->url, task->resultLength, task->rangeStart, &task->flag, task->answer);
}

}  // namespace

char* get_html_sabun(HWND dialog, const wchar_t* url, uint32_t* length, int32_t rangeStart,
                     const std::atomic<uint8_t>* flag, FetchAnswer* answer)
{
    uint32_t ignored = 0;
    if (!length) length = &ignored;
    *length = 0;

    Connection c;
    std::string request;
    if (!open_and_send(url, RequestKind::Get, rangeStart, kCaptionGetHtmlSabun, flag, &c, &request)) return nullptr;

    char spoolPath[kAnsiPathBytes];
    SpoolFile spool;
    spool.f.reset(open_program_file(spoolPath, sizeof spoolPath, kWorkFile, "wb"));
    if (!spool.f) {
        report_failure(kTextSaveFileOpenFailed, kTextError);
        return nullptr;
    }

    show_fetching(dialog, 0);
    auto head = std::make_unique<ReplyHeadReader>();
    uint64_t total = 0;
    uint64_t bodyBytes = 0;
    bool failed = false;
    std::memset(g_receiveBuffer, 0, sizeof g_receiveBuffer);
    int n = connection_recv(c, g_receiveBuffer, static_cast<int>(kReceiveBlockBytes), flag, kReceiveWaitMs);
    while (n != 0) {
        if (n < 0) {
            report_failure(kTextRecvError, kTextError);
            failed = true;
            break;
        }
        if (flag && flag->load() != 0) {
            failed = true;
            break;
        }
        const char* body = g_receiveBuffer;
        size_t bodyLen = static_cast<size_t>(n);
        if (head->state() != ReplyHeadReader::State::Complete) {
            ReplyHeadReader::State s = head->feed(g_receiveBuffer, static_cast<size_t>(n));
            if (s == ReplyHeadReader::State::TooLong) {
                report_failure(kTextReplyHeadTooLong, kCaptionGetHtmlSabun);
                failed = true;
                break;
            }
            body += head->body_offset();
            bodyLen = s == ReplyHeadReader::State::Complete ? head->body_in_block() : 0;
        }
        bodyBytes += bodyLen;
        if (bodyBytes > kFetchBodyMax) {
            report_code(kTextReplyTooLarge, static_cast<int>(kFetchBodyMax / 1024), kCaptionGetHtmlSabun);
            failed = true;
            break;
        }
        spool.write(body, bodyLen);
        if (!spool.ok) {
            report_failure(kTextSaveFileWriteFailed, kTextError);
            failed = true;
            break;
        }
        total += static_cast<uint64_t>(n);
        show_fetching(dialog, total);
        std::memset(g_receiveBuffer, 0, sizeof g_receiveBuffer);
        n = connection_recv(c, g_receiveBuffer, static_cast<int>(kReceiveBlockBytes), flag, kReceiveWaitMs);
    }
    shutdown_and_close(&c);
    if (!spool.close() && !failed) {
        report_failure(kTextSaveFileWriteFailed, kTextError);
        failed = true;
    }
    if (failed) return nullptr;

    // Nothing, or no complete head, before the server closed: there is no
    // status to read.
    if (head->state() != ReplyHeadReader::State::Complete) {
        report_failure(kTextNoReplyHead, kCaptionGetHtmlSabun);
        return nullptr;
    }
    std::string_view headText = head->head();
    int status = status_code_of(headText);
    const bool quiet = answer && answer->quiet;
    if (answer) {
        answer->status = status;
        std::string_view location;
        if (head_field(headText, "Location", &location)) answer->location.assign(location);
    }
    if (quiet && status == 404) return nullptr;
    switch (fetch_status_action(status)) {
    case FetchStatusAction::Inflate:
        break;
    case FetchStatusAction::Moved:
        if (!quiet) report_code(kTextMoved, status, kCaptionGetHtmlSabun);
        return nullptr;
    case FetchStatusAction::SizeOdd:
        report_code(kTextSizeOdd, status, kCaptionGetHtmlSabun);
        return make_416_marker(length);
    case FetchStatusAction::Failed:
        report_code(kTextFetchFailed, status, kCaptionGetHtmlSabun);
        return nullptr;
    }
    if (!body_complete(headText.data(), headText.size(), bodyBytes)) {
        report_failure(kTextReplyCut, kCaptionGetHtmlSabun);
        return nullptr;
    }

    // A body in a coding that cannot be read must never be taken as data.
    BodyCoding coding = body_coding(headText);
    if (coding == BodyCoding::Unknown) {
        report_failure(kTextUnknownCoding, kCaptionUnzip);
        return nullptr;
    }
    set_progress_caption(dialog, kTextInflating);
    uint32_t inflated = 0;
    char* data = inflate_spool(spoolPath, coding, flag, &inflated);
    if (!data) return nullptr;
    if (Settings.DebugMode) {
        // The dumps are a diagnosis aid: one that cannot be written costs
        // nothing of the data.
        write_debug_dump(kDumpReceiveData, data, inflated);
        write_debug_dump(kDumpReceiveHead, headText.data(), headText.size());
        write_debug_dump(kDumpSendHead, request.data(), request.size());
    }
    *length = inflated;
    return data;
}

void report_quiet_answer(const FetchAnswer& answer)
{
    if (fetch_status_action(answer.status) == FetchStatusAction::Moved)
        report_code(kTextMoved, answer.status, kCaptionGetHtmlSabun);
    else if (answer.status == 404)
        report_code(kTextFetchFailed, answer.status, kCaptionGetHtmlSabun);
}

char* run_get_html_sabun(const wchar_t* url, uint32_t* length, int32_t rangeStart, FetchAnswer* answer)
{
    GetTask.threadName = L"get_html_sabun_thread";
    GetTask.run = get_task_run;
    GetTask.result = nullptr;
    GetTask.url = url;
    GetTask.resultLength = length;
    GetTask.rangeStart = rangeStart;
    GetTask.answer = answer;
    if (length) *length = 0;
    if (!run_worker_task(AppState.hwndMain, &GetTask)) {
        return nullptr;
    }
    char* result = GetTask.result;
    GetTask.result = nullptr;
    return result;
}
