// Creating, growing and releasing the entries of OpenThreadTable, and the
// bridge between its plain scroll records and the platform's SCROLLINFO.
#pragma once
#include <windows.h>

#include "store/responses.h"

class LogListFile;

// Called once when the main window is created: frees any previous entries
// block and allocates one zero-filled entry; count 0, no current entry.
// "LocalAlloc失敗" / "Alloc_resdata_buf" on failure. Returns 0.
int Alloc_resdata_buf();

// Called before a thread is opened while at least one is open: makes room for
// entry [count] and its scroll record (size 28, mask 7, page 10), both
// cleared. Returns 1; 0 only without an entries block.
int Resdata_ReAlloc_buffer();

// Releases entry `index` after recording its reading position in the board's
// held-thread list. keep 0 removes the entry (later entries and their scroll
// records move down one place; the caller lowers the count); keep 1 leaves it
// in place, emptied, to be parsed again. -1 for an index that is not an open
// thread (below 0, or at or past the count); else 0.
int Resdata_close(int index, int keep);

// Called by the response view when it is created: the scroll-record block
// with its first record (size 28, mask 7, `page`). An existing block keeps its
// records and only takes the page for record 0. 1, or 0 when it cannot be had.
int Resdata_create_scroll(UINT page);

// Frees an entry's arrays and gives its TextStore back to Memmap; the entry is
// left with null pointers and no responses or lines. Safe on an emptied entry.
void Resdata_release_storage(ResponseBuffer& entry);

// Records the reading position of `thread` (display line `topLine` at the top
// of its view) in an open held-thread list: its response count and the
// number of the response shown on that line.
int changeitem_for_thread(LogListFile& list, const ResponseBuffer& thread, int topLine);

void scroll_record_to_info(const ScrollRecord& record, SCROLLINFO* info);
void scroll_record_from_info(const SCROLLINFO& info, ScrollRecord* record);

// The texts of this file.
constexpr wchar_t kTextResdataLocalReAllocFailed[] = L"LocalReAlloc失敗";
constexpr wchar_t kTextScrollReAllocFailed[] = L"LocalReAlloc失敗(SCROLLINFO)";
constexpr wchar_t kTextNoInitialMemory[] = L"メモリの初期確保してますか？";
constexpr wchar_t kCaptionAllocResdataBuf[] = L"Alloc_resdata_buf";
constexpr wchar_t kCaptionResdataReAlloc[] = L"Resdata_ReAlloc_buffer";
