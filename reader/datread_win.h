// Reading a thread's local log into an entry of OpenThreadTable.
#pragma once
#include <windows.h>

#include "base/report.h"

// Parses the log `fileName` (UTF-16, the thread key and ".dat") of the board at
// `boardIndex` in BoardTable into entry `entryIndex` of OpenThreadTable, behind
// the progress dialog. 1 when the log was opened (whatever was then parsed),
// 0 when it could not be, or when the names would leave the log tree, or the
// working memory could not be had: the entry is then not touched.
int Resdata_read2(int boardIndex, const wchar_t* fileName, int entryIndex);

// Clamps the scroll record of entry `entryIndex` to its lines and hands it
// to the response view's scroll bar. Nothing for an entry without a record.
void Resdata_show_scroll(int entryIndex);

// Every title the parse gives its progress dialog also goes to this hook (the
// dialog itself only shows the latest), so that tests can follow them.
using ReaderProgressHook = void (*)(const wchar_t* title);
void set_reader_progress_hook(ReaderProgressHook hook);

// Test seam: when set, asked before the parse's first working memory and
// before each growth of its arrays; false makes that allocation fail as if the
// system had refused it.
enum class ReaderGrowth { Initial, Responses, Lines, LineBuffer };
using ReaderGrowthHook = bool (*)(ReaderGrowth what);
void set_reader_growth_hook(ReaderGrowthHook hook);

// The texts of the parse.
constexpr wchar_t kCaptionResdataRead2[] = L"Resdata_read2";
constexpr wchar_t kCaptionDataFileRead2[] = L"DataFileRead2";
constexpr wchar_t kTitleLoading[] = L"読込中";
constexpr wchar_t kTitleLoadingCountFormat[] = L"読込中 (%d)";
constexpr wchar_t kTextStrbufOver[] = L"strbuf over.\nsorry, can'not show this thread.";
constexpr wchar_t kTextResponsesGrowFailedFormat[] = L"LocalAlloc失敗\nresdata %d";
constexpr wchar_t kTextLinesGrowFailed[] = L"LocalAlloc失敗\nstr for date/ID";
constexpr wchar_t kTextLineBufferGrowFailed[] = L"resbuf LocalReAlloc失敗";
constexpr wchar_t kTextStoreFailed[] = L"Memmap失敗";
constexpr wchar_t kTextBadLogName[] = L"ログのファイル名に使えません";
