#include "reader/datread_win.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

#include "base/appstate.h"
#include "base/codepage.h"
#include "base/handles.h"
#include "base/progress_win.h"
#include "base/report.h"
#include "base/ticks.h"
#include "reader/conversation.h"
#include "reader/datparse.h"
#include "reader/memmap_win.h"
#include "reader/opentable_win.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/logpaths.h"
#include "store/settings.h"

namespace {

constexpr SIZE_T kLineBufferFirst = 2048;
constexpr SIZE_T kLineBufferSecond = 4097;
constexpr SIZE_T kLineBufferStep = 2048;

std::atomic<ReaderProgressHook> g_progressHook{nullptr};
std::atomic<ReaderGrowthHook> g_growthHook{nullptr};

bool growth_allowed(ReaderGrowth what)
{
    ReaderGrowthHook hook = g_growthHook.load();
    return !hook || hook(what);
}

// The modeless progress dialog of the parse; closed on every way out. Most
// logs are parsed in a blink, and creating, painting and destroying a window
// costs more than the parse itself: the dialog appears, with the latest
// title, only once a parse has run for kShowAfterMs. Titles set before then
// are kept (and passed to the hook) without touching any window.
class LoadProgress {
public:
    static constexpr DWORD kShowAfterMs = 200;

    LoadProgress() : start_(platform_ticks()) { title(kTitleLoading); }
    ~LoadProgress() { close(); }
    LoadProgress(const LoadProgress&) = delete;
    LoadProgress& operator=(const LoadProgress&) = delete;

    void title(const wchar_t* text)
    {
        wcsncpy(title_, text, kTitleUnits - 1);
        title_[kTitleUnits - 1] = L'\0';
        if (dialog_) SetProgressCaption(dialog_, title_);
        if (ReaderProgressHook hook = g_progressHook.load()) hook(text);
    }
    // Called as the parse goes on: shows the dialog once the parse is slow.
    void tick()
    {
        if (dialog_ || shown_ || platform_ticks() - start_ < kShowAfterMs) return;
        shown_ = true;   // at most once, even if it cannot be created
        dialog_ = CreateProgressDialog(AppState.hwndMain, title_);
    }
    void close()
    {
        CloseProgressDialog(dialog_);
        dialog_ = nullptr;
    }
    HWND window() const { return dialog_; }

private:
    static constexpr size_t kTitleUnits = 32;
    HWND dialog_ = nullptr;
    uint32_t start_;
    bool shown_ = false;
    wchar_t title_[kTitleUnits] = L"";
};

// The platform side of one parse: local-heap growth in the system's steps and
// the messages of its failures.
class ReadHost : public ThreadBuildHost {
public:
    explicit ReadHost(LoadProgress& progress) : progress_(progress) {}

    bool grow_responses(ThreadBuild& b) override
    {
        const uint32_t room = static_cast<uint32_t>(b.responseCount) + kResponseGrowth;
        HLOCAL grown = growth_allowed(ReaderGrowth::Responses)
                           ? LocalReAlloc(b.responses, room * sizeof(Response), LMEM_MOVEABLE)
                           : nullptr;
        if (!grown) {
            wchar_t text[64];
            swprintf(text, sizeof text / sizeof text[0], kTextResponsesGrowFailedFormat, b.responseCount);
            report_failure(text, kCaptionDataFileRead2);
            return false;
        }
        b.responses = static_cast<Response*>(grown);
        b.responseRoom = room;
        return true;
    }

    bool grow_lines(ThreadBuild& b) override
    {
        const uint32_t room = static_cast<uint32_t>(b.lineCount) + kLineGrowth;
        HLOCAL grown = growth_allowed(ReaderGrowth::Lines)
                           ? LocalReAlloc(b.lines, room * sizeof(ResponseLine), LMEM_MOVEABLE | LMEM_ZEROINIT)
                           : nullptr;
        if (!grown) {
            report_failure(kTextLinesGrowFailed, kCaptionDataFileRead2);
            return false;
        }
        b.lines = static_cast<ResponseLine*>(grown);
        b.lineRoom = room;
        return true;
    }

    void store_full() override
    {
        if (storeFullShown_) return;
        storeFullShown_ = true;
        report_failure(kTextStrbufOver, kCaptionResdataRead2);
    }

    void progress(int32_t responses) override
    {
        wchar_t title[32];
        swprintf(title, sizeof title / sizeof title[0], kTitleLoadingCountFormat, static_cast<int>(responses));
        progress_.title(title);
    }

private:
    LoadProgress& progress_;
    bool storeFullShown_ = false;
};

// The log's lines, split from large reads of the file. A line that lies
// whole in the read, fits the line buffer and needs no cleaning is handed
// over where it lies; any other is gathered into a local-heap buffer that
// grows as the system's body buffer did (2048, 4097, then 2048 more each
// time) up to kMaxDatLineBytes.
class LogLineReader {
public:
    explicit LogLineReader(LibceFile* f) : file_(f) {}

    bool allocate()
    {
        buffer_.reset(static_cast<char*>(LocalAlloc(LMEM_FIXED, kLineBufferFirst)));
        capacity_ = buffer_ ? kLineBufferFirst : 0;
        return buffer_.valid();
    }

    // The next line without its line end; false at the end of the file.
    bool next(std::string_view* line)
    {
        size_t length = 0;
        bool cut = false;
        pending_nuls_ = 0;
        for (;;) {
            if (at_ == end_ && !fill()) break;
            const char* from = input_ + at_;
            const char* lf = static_cast<const char*>(std::memchr(from, '\n', end_ - at_));
            const size_t take = static_cast<size_t>((lf ? lf : input_ + end_) - from);
            at_ = lf ? at_ + take + 1 : end_;
            if (lf && length == 0 && take <= capacity_ && clean(from, take)) {
                *line = std::string_view(from, take);
                return true;
            }
            if (!cut && !append(length, from, take)) cut = true;
            if (lf) {
                *line = std::string_view(buffer_.get(), length);
                return true;
            }
        }
        // The file's last line, without LF. Zero bytes at its end are what a
        // write cut short leaves behind, not text.
        while (length > 0 && pending_nuls_ > 0 && buffer_.get()[length - 1] == ' ') {
            --length;
            --pending_nuls_;
        }
        if (length == 0) return false;
        *line = std::string_view(buffer_.get(), length);
        return true;
    }

private:
    static constexpr size_t kInputBytes = 16384;   // one read of the file

    bool fill()
    {
        at_ = 0;
        end_ = libce_fread(input_, kInputBytes, file_);
        return end_ > 0;
    }

    static bool clean(const char* text, size_t length)
    {
        return !std::memchr(text, '\r', length) && !std::memchr(text, '\0', length);
    }

    // Appends `take` bytes of the input without CR, each NUL byte (a log
    // damaged by a write cut short would end the stored text early there) as
    // a blank; false when the line is cut here (too long, or the buffer could
    // not grow). The rest of the line is then read and dropped.
    bool append(size_t& length, const char* from, size_t take)
    {
        if (length + take > kMaxDatLineBytes) take = kMaxDatLineBytes - length;
        bool kept = true;
        if (length + take > capacity_) {
            SIZE_T wanted = capacity_ == kLineBufferFirst ? kLineBufferSecond : capacity_ + kLineBufferStep;
            while (wanted < length + take) wanted += kLineBufferStep;
            if (growth_allowed(ReaderGrowth::LineBuffer) && local_resize(buffer_, wanted, LMEM_MOVEABLE)) {
                capacity_ = wanted;
            } else {
                report_failure(kTextLineBufferGrowFailed, kCaptionDataFileRead2);
                take = capacity_ - length;
                kept = false;
            }
        }
        char* const text = buffer_.get();
        for (size_t i = 0; i < take; ++i) {
            const char c = from[i];
            if (c == '\r') continue;
            if (c == '\0') {
                text[length++] = ' ';
                ++pending_nuls_;
            } else {
                text[length++] = c;
                pending_nuls_ = 0;
            }
        }
        return kept && length < kMaxDatLineBytes;
    }

    LibceFile* file_;
    char input_[kInputBytes];
    size_t at_ = 0;
    size_t end_ = 0;
    LocalBlock<char> buffer_;
    size_t capacity_ = 0;
    size_t pending_nuls_ = 0;   // the blanks at the end of the buffer that were NUL bytes
};

const BoardEntry* board_at(int boardIndex)
{
    if (!BoardTable.items || boardIndex < 0 || boardIndex >= BoardTable.count) return nullptr;
    return &BoardTable.items[boardIndex];
}

// The log's path, or false after telling the user why there is none.
bool thread_log_path(int boardIndex, const wchar_t* fileName, wchar_t* path, size_t units)
{
    const BoardEntry* board = board_at(boardIndex);
    std::wstring name = fileName ? fileName : L"";
    if (!board) {
        report_failure((name + kTextOpenFailed).c_str(), kCaptionResdataRead2);
        return false;
    }
    char host[kLogPathBytes], dir[kLogPathBytes];
    if (!log_board_names(board->host, board->dir, Settings.UseServerDir != 0, host, sizeof host, dir,
                         sizeof dir)) {
        report_failure(log_board_refused_message(board->host, board->dir).c_str(), kCaptionResdataRead2);
        return false;
    }
    // The name is kept in the entry whole (15 units at most): a cut name
    // would record the position under another thread.
    if (name.empty() || name.size() >= static_cast<size_t>(kFileNameUnits) ||
        !log_thread_path_of(boardIndex, fileName, path, units)) {
        report_failure((name + kTextBadLogName).c_str(), kCaptionResdataRead2);
        return false;
    }
    return true;
}

// The parse's working memory; whatever is still held when it goes away is freed.
struct WorkArrays {
    ThreadBuild b{};
    ~WorkArrays()
    {
        LocalBlock<ResponseLine> lines(b.lines);
        LocalBlock<Response> responses(b.responses);
        if (b.store) ProcessMemmap().release(b.store);
    }
    bool allocate()
    {
        b.lines = static_cast<ResponseLine*>(LocalAlloc(LPTR, kLineGrowth * sizeof(ResponseLine)));
        b.lineRoom = b.lines ? kLineGrowth : 0;
        b.responses = static_cast<Response*>(LocalAlloc(LPTR, kResponseGrowth * sizeof(Response)));
        b.responseRoom = b.responses ? kResponseGrowth : 0;
        return b.lines && b.responses;
    }
    bool allocate_store()
    {
        b.store = static_cast<char*>(ProcessMemmap().allocate(kTextStoreBytes));
        b.storeSize = b.store ? kTextStoreBytes : 0;
        return b.store != nullptr;
    }
};

}  // namespace

void Resdata_show_scroll(int entryIndex)
{
    OpenThreadTableRecord& t = OpenThreadTable;
    if (!t.scroll || entryIndex >= t.scrollCapacity) return;
    ScrollRecord& record = t.scroll[entryIndex];
    clamp_scroll_record(record, t.entries[entryIndex].lineCount);
    if (AppState.responseView) {
        SCROLLINFO info;
        scroll_record_to_info(record, &info);
        SetScrollInfo(AppState.responseView, SB_VERT, &info, TRUE);
    }
}

void set_reader_progress_hook(ReaderProgressHook hook) { g_progressHook.store(hook); }
void set_reader_growth_hook(ReaderGrowthHook hook) { g_growthHook.store(hook); }

int Resdata_read2(int boardIndex, const wchar_t* fileName, int entryIndex)
{
    OpenThreadTableRecord& t = OpenThreadTable;
    // An entry the table never got (its growth was refused and reported).
    if (!t.entries || entryIndex < 0 || entryIndex >= t.entryCapacity) return 0;

    LoadProgress progress;

    wchar_t path[kLogPathUnits];
    if (!thread_log_path(boardIndex, fileName, path, kLogPathUnits)) return 0;
    char pathAnsi[kLogPathBytes * 2];
    UniqueLibceFile file;
    if (wide_to_mb(pathAnsi, path, sizeof pathAnsi) != 0 && std::strlen(pathAnsi) < kLogPathBytes)
        file.reset(libce_fopen(pathAnsi, "r"));
    if (!file) {
        report_failure((std::wstring(path) + kTextOpenFailed).c_str(), kCaptionResdataRead2);
        return 0;
    }

    WorkArrays work;
    LogLineReader lines(file.get());
    if (!growth_allowed(ReaderGrowth::Initial) || !work.allocate() || !lines.allocate()) {
        report_failure(kTextLocalAllocFailed, kCaptionResdataRead2);
        return 0;
    }
    if (!work.allocate_store()) {
        report_failure(kTextStoreFailed, kCaptionResdataRead2);
        return 0;
    }

    ReadHost host(progress);
    std::string_view line;
    while (lines.next(&line)) {
        if (build_add_line(work.b, line, host) == DatStep::End) break;
        progress.tick();
    }
    file.close();

    ResponseBuffer& entry = t.entries[entryIndex];
    // The caller releases an entry it reuses; one it forgot is freed here
    // rather than lost.
    if (entry.lines || entry.responses) Resdata_release_storage(entry);

    // With no line pointing at the store, nothing could give it back later.
    if (work.b.lineCount == 0) {
        ProcessMemmap().release(work.b.store);
    }
    work.b.store = nullptr;

    entry.lines = work.b.lines;
    entry.responses = work.b.responses;
    work.b.lines = nullptr;
    work.b.responses = nullptr;
    entry.storeUsed = work.b.storeUsed;
    entry.responseCount = work.b.responseCount;
    entry.lineCount = work.b.lineCount;
    entry.ReadMark = kInitialReadMark;
    entry.board = *board_at(boardIndex);
    std::memset(entry.fileName, 0, sizeof entry.fileName);
    std::wcsncpy(entry.fileName, fileName, kFileNameUnits - 1);
    // Indexed here, after a reload only the responses it added.
    conversation_of(entry);

    Resdata_show_scroll(entryIndex);
    progress.close();
    return 1;
}
