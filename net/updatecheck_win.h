// The update check: one HEAD per held thread asks whether the server's log
// has grown beyond the local one.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "net/worker.h"

constexpr wchar_t kCaptionFindHtmlModified[] = L"find_html_modified";

constexpr wchar_t kTextCheckStarting[] = L"更新チェック開始";
constexpr wchar_t kTextChecking[] = L"更新チェック中";
constexpr wchar_t kTextUnchanged[] = L"変更ないです";
constexpr wchar_t kTextChanged[] = L"変更されてます";

// The HEAD instance, process-wide: one check runs at a time.
extern HeadWorkerTask HeadTask;

// Worker side: asks with a HEAD for the bytes of `url` from `rangeStart` on
// (the two Accept lines instead for 0). 1 when the server has them (206, or
// another 2xx), 0 otherwise: 416, another code (shown in the caption only),
// a failure or a cancel.
uint8_t find_html_modified(HWND dialog, const wchar_t* url, int32_t rangeStart, const std::atomic<uint8_t>* flag);

// UI side: runs find_html_modified behind the modal progress dialog over the
// main window and gives its result.
uint8_t run_find_html_modified(const wchar_t* url, int32_t rangeStart);

// Whether thread `datName` of board `boardIndex` has grown beyond its local
// log (a thread without a local log is asked for whole). 0 for a board or a
// name that cannot be asked about.
uint8_t check_thread_modified(int boardIndex, const wchar_t* datName);
