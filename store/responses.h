// The parsed form of an open thread and the process-wide table of open
// threads, below both the reader that fills them and the post that reads
// which thread is current. Byte-level: no platform header, so the parser, its
// tests and the fuzzers use the same records as the program.
#pragma once
#include <cstdint>

#include "store/boardtable.h"

constexpr int kMailBytes = 67;                  // 66 bytes of text and NUL
constexpr int kDateBytes = 69;                  // 68 bytes of text and NUL
constexpr uint32_t kTextStoreBytes = 0x80000;   // one thread's text, 512 KB
constexpr int kResponseGrowth = 500;
constexpr int kLineGrowth = 2000;
constexpr int kFileNameUnits = 16;              // thread key, ".dat", NUL
constexpr int32_t kInitialReadMark = 100;

// One post; record k holds response k + 1. The name is the text of the
// response's header line.
struct Response {
    uint32_t firstLine;       // index of the header line in the line index
    char mail[kMailBytes];    // " " when the field is empty
    char date[kDateBytes];
};

enum ResponseLineKind : int32_t {
    HeaderLine = 1,   // the text is the name
    BodyLine = 5,     // a line of the body, or the blank line after a response
};

// One displayed line. `text` points into the thread's TextStore and is
// NUL-terminated; `length` is the length before anchors were rewritten, which
// is also the room the text takes in the store (the rest of it is zero).
struct ResponseLine {
    int32_t response;   // 1-based
    int32_t kind;       // ResponseLineKind
    int32_t length;
    char* text;
};

// The reader's state of one open thread beyond its text (the index of its
// conversation, the positions to go back to); the reader owns it.
struct ThreadConversation;

// One open thread.
struct ResponseBuffer {
    ResponseLine* lines;      // null after release for a reload
    Response* responses;
    int32_t responseCount;
    int32_t lineCount;
    int32_t ReadMark;         // responses numbered above it are drawn as new
    BoardEntry board;         // the board as it was when the thread was opened
    wchar_t fileName[kFileNameUnits];
    ThreadConversation* conversation;   // null until first needed; kept across a reload
    uint32_t storeUsed;       // bytes of the TextStore written, cleared when it is given back
};

// A vertical scroll-bar record with the platform's SCROLLINFO layout (28
// bytes), kept as a plain struct so that byte-level code can read it; the
// Win32 side checks the layout and copies it to and from the real record.
struct ScrollRecord {
    uint32_t cbSize;
    uint32_t fMask;
    int32_t nMin;
    int32_t nMax;
    uint32_t nPage;
    int32_t nPos;
    int32_t nTrackPos;
};
constexpr uint32_t kScrollRecordSize = 28;
constexpr uint32_t kScrollMask = 7;       // range, page and position
constexpr uint32_t kDefaultScrollPage = 10;

// The open threads, in the order the open-thread selector lists them, with a
// parallel array of scroll records. Touched by the UI thread only.
struct OpenThreadTableRecord {
    ResponseBuffer* entries;    // local-heap block, grown one entry at a time
    ScrollRecord* scroll;       // local-heap block, grown with the entries
    int32_t count;              // open threads
    int32_t current;            // entry shown, -1 when none
    int32_t entryCapacity;      // entries the block holds
    int32_t scrollCapacity;     // records the scroll block holds
};

extern OpenThreadTableRecord OpenThreadTable;

// True when an open thread is current: the table has entries and its
// current index lies inside the open threads.
bool thread_is_current(const OpenThreadTableRecord& table);

// The number of the response shown on display line `line` of `thread`: the
// line's response when the line exists, the response count when `line` is at
// or past the end; 1 for a negative line (the rule of the held-thread list).
int32_t response_number_at_line(const ResponseBuffer& thread, int32_t line);

// Clamps a scroll record to a thread of `lineCount` lines: maximum = line
// count, a position beyond it becomes the maximum, a negative one 0.
void clamp_scroll_record(ScrollRecord& record, int32_t lineCount);

// A fresh scroll record: size 28, mask 7, the given page, everything else 0.
ScrollRecord new_scroll_record(uint32_t page);

// Removes entry `index` of `count` entries by moving every later entry and its
// scroll record down one place. `scroll` may hold fewer than `count` records
// (`scrollCount`); only the records that exist move. The vacated last place
// is cleared (its scroll record keeps only its page).
void remove_table_entry(ResponseBuffer* entries, ScrollRecord* scroll, int32_t count,
                        int32_t scrollCount, int32_t index);
