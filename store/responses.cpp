#include "store/responses.h"

#include <cstring>

#include "store/loglist.h"

OpenThreadTableRecord OpenThreadTable = {nullptr, nullptr, 0, -1, 0, 0};

bool thread_is_current(const OpenThreadTableRecord& table)
{
    return table.entries && table.current >= 0 && table.current < table.count &&
           table.current < table.entryCapacity;
}

int32_t response_number_at_line(const ResponseBuffer& thread, int32_t line)
{
    const int32_t lineCount = thread.lines ? thread.lineCount : 0;
    const int32_t shown = line >= 0 && line < lineCount ? thread.lines[line].response : 0;
    return acquired_last_read_at_close(line, lineCount, shown, thread.responseCount);
}

void clamp_scroll_record(ScrollRecord& record, int32_t lineCount)
{
    record.nMax = lineCount < 0 ? 0 : lineCount;
    if (record.nPos > record.nMax) record.nPos = record.nMax;
    if (record.nPos < 0) record.nPos = 0;
}

ScrollRecord new_scroll_record(uint32_t page)
{
    ScrollRecord r;
    std::memset(&r, 0, sizeof r);
    r.cbSize = kScrollRecordSize;
    r.fMask = kScrollMask;
    r.nPage = page;
    return r;
}

void remove_table_entry(ResponseBuffer* entries, ScrollRecord* scroll, int32_t count,
                        int32_t scrollCount, int32_t index)
{
    if (!entries || index < 0 || index >= count) return;
    for (int32_t i = index; i + 1 < count; ++i) {
        entries[i] = entries[i + 1];
        if (scroll && i + 1 < scrollCount) scroll[i] = scroll[i + 1];
    }
    // The vacated last place holds no thread: no pointer may stay there twice.
    std::memset(&entries[count - 1], 0, sizeof(ResponseBuffer));
    if (scroll && count - 1 < scrollCount)
        scroll[count - 1] = new_scroll_record(scroll[count - 1].nPage);
}
