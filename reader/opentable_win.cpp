#include "reader/opentable_win.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "base/appstate.h"
#include "base/handles.h"
#include "base/report.h"
#include "reader/conversation.h"
#include "reader/memmap_win.h"
#include "reader/popup_win.h"
#include "store/loglistfile.h"

static_assert(sizeof(ScrollRecord) == sizeof(SCROLLINFO), "scroll record layout");
static_assert(sizeof(SCROLLINFO) == kScrollRecordSize, "scroll record size");
static_assert(offsetof(ScrollRecord, fMask) == offsetof(SCROLLINFO, fMask), "scroll record layout");
static_assert(offsetof(ScrollRecord, nMin) == offsetof(SCROLLINFO, nMin), "scroll record layout");
static_assert(offsetof(ScrollRecord, nMax) == offsetof(SCROLLINFO, nMax), "scroll record layout");
static_assert(offsetof(ScrollRecord, nPage) == offsetof(SCROLLINFO, nPage), "scroll record layout");
static_assert(offsetof(ScrollRecord, nPos) == offsetof(SCROLLINFO, nPos), "scroll record layout");
static_assert(offsetof(ScrollRecord, nTrackPos) == offsetof(SCROLLINFO, nTrackPos), "scroll record layout");
static_assert(kScrollMask == (SIF_RANGE | SIF_PAGE | SIF_POS), "scroll mask");

namespace {

// Grows a local-heap block of `count` records of `size` bytes to `wanted`
// records, clearing the growth. The old block stays on failure.
template <typename T>
bool grow_block(T*& block, int32_t& capacity, int32_t wanted)
{
    if (wanted <= capacity && block) return true;
    const SIZE_T bytes = static_cast<SIZE_T>(wanted) * sizeof(T);
    HLOCAL grown = block ? LocalReAlloc(block, bytes, LMEM_MOVEABLE | LMEM_ZEROINIT)
                         : LocalAlloc(LPTR, bytes);
    if (!grown) return false;
    block = static_cast<T*>(grown);
    capacity = wanted;
    return true;
}

}  // namespace

int Alloc_resdata_buf()
{
    OpenThreadTableRecord& t = OpenThreadTable;
    LocalBlock<ResponseBuffer>(std::exchange(t.entries, nullptr)).reset();
    t.entryCapacity = 0;
    t.count = 0;
    t.current = -1;
    t.entries = static_cast<ResponseBuffer*>(LocalAlloc(LPTR, sizeof(ResponseBuffer)));
    if (!t.entries) {
        report_failure(kTextLocalAllocFailed, kCaptionAllocResdataBuf);
        return 0;
    }
    t.entryCapacity = 1;
    return 0;
}

int Resdata_ReAlloc_buffer()
{
    OpenThreadTableRecord& t = OpenThreadTable;
    if (!t.entries) {
        report_failure(kTextNoInitialMemory, kCaptionResdataReAlloc);
        return 0;
    }
    const int32_t wanted = t.count + 1;
    if (!grow_block(t.entries, t.entryCapacity, wanted)) {
        report_failure(kTextResdataLocalReAllocFailed, kCaptionResdataReAlloc);
    } else {
        // The place may have held a thread closed earlier: it starts empty.
        std::memset(&t.entries[t.count], 0, sizeof(ResponseBuffer));
    }
    if (!grow_block(t.scroll, t.scrollCapacity, wanted)) {
        report_failure(kTextScrollReAllocFailed, kCaptionResdataReAlloc);
        return 1;
    }
    t.scroll[t.count] = new_scroll_record(kDefaultScrollPage);
    return 1;
}

int Resdata_create_scroll(UINT page)
{
    OpenThreadTableRecord& t = OpenThreadTable;
    if (!grow_block(t.scroll, t.scrollCapacity, 1)) return 0;
    uint32_t oldSize = t.scroll[0].cbSize;
    if (oldSize == 0) {
        t.scroll[0] = new_scroll_record(page);
    } else {
        t.scroll[0].nPage = page;
    }
    return 1;
}

void Resdata_release_storage(ResponseBuffer& entry)
{
    // The first line's text is the start of the TextStore. An entry without
    // lines gave its block back when it was parsed.
    if (entry.lines && entry.lineCount > 0 && entry.lines[0].text)
        ProcessMemmap().release_for_reuse(entry.lines[0].text, entry.storeUsed);
    LocalBlock<ResponseLine> lines(std::exchange(entry.lines, nullptr));
    LocalBlock<Response> responses(std::exchange(entry.responses, nullptr));
    entry.lineCount = 0;
    entry.responseCount = 0;
    entry.storeUsed = 0;
}

int changeitem_for_thread(LogListFile& list, const ResponseBuffer& thread, int topLine)
{
    return list.changeitem(thread.fileName, thread.responseCount,
                           response_number_at_line(thread, topLine));
}

int Resdata_close(int index, int keep)
{
    OpenThreadTableRecord& t = OpenThreadTable;
    if (!t.entries || index < 0 || index >= t.count || index >= t.entryCapacity) return -1;
    ResponseBuffer& entry = t.entries[index];

    // An entry already emptied for a reload (whose new parse failed) has no
    // position to record.
    if (entry.lines) {
        int top = index < t.scrollCapacity && t.scroll ? t.scroll[index].nPos : 0;
        LogListFile list;
        list.setboard(entry.board.host, entry.board.dir);
        changeitem_for_thread(list, entry, top);
    }

    // The popups show lines about to be freed (a new parse may get the same block).
    ResponsePopup_close_all();
    ResponseBuffer released = entry;
    if (keep == 0) {
        // A reload keeps the conversation to extend it; a close ends it.
        conversation_release(released);
        remove_table_entry(t.entries, t.scroll, t.count, t.scrollCapacity, index);
    } else {
        entry.lines = nullptr;
        entry.responses = nullptr;
        entry.lineCount = 0;
        entry.responseCount = 0;
    }
    Resdata_release_storage(released);
    return 0;
}

void scroll_record_to_info(const ScrollRecord& record, SCROLLINFO* info)
{
    std::memcpy(info, &record, sizeof *info);
}

void scroll_record_from_info(const SCROLLINFO& info, ScrollRecord* record)
{
    std::memcpy(record, &info, sizeof *record);
}
