// The one GET of the system and the differential fetch of a thread log.
#pragma once
#include "base/report.h"
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "net/worker.h"

constexpr wchar_t kCaptionGetHtmlSabun[] = L"get_html_sabun";
constexpr wchar_t kCaptionUnzip[] = L"get_html unzip";
constexpr wchar_t kCaptionResdataGetSabun[] = L"Resdata_get_sabun";
constexpr wchar_t kCaptionResdataGet[] = L"Resdata_get";

constexpr wchar_t kTextFetching[] = L"取得中 (%dKB)";
constexpr wchar_t kTextInflating[] = L"展開・保存中";
constexpr wchar_t kTextSaveFileOpenFailed[] = L"保存ファイルopen失敗";
constexpr wchar_t kTextMoved[] = L"移転してるかも(%d)";
constexpr wchar_t kTextSizeOdd[] = L"サイズが変です(%d)";
constexpr wchar_t kTextFetchFailed[] = L"取得失敗(%d)";
constexpr wchar_t kTextReAllocFailedSize[] = L"LocalReAlloc失敗\n%d";
constexpr wchar_t kTextDatFetchFailed[] = L"スレdat取得失敗";
constexpr wchar_t kTextNotALog[] = L"ログの形式ではありません";
constexpr wchar_t kTextRefetchAll[] = L"あぼんがあったのかな？\n全部再取得します。";
// Replies the client refuses rather than misreads.
constexpr wchar_t kTextSaveFileWriteFailed[] = L"保存ファイル書き込み失敗";
constexpr wchar_t kTextNoReplyHead[] = L"応答ヘッダを受け取れませんでした";
constexpr wchar_t kTextReplyHeadTooLong[] = L"応答ヘッダが長すぎます";
constexpr wchar_t kTextReplyTooLarge[] = L"データが大きすぎます(%dKB)";
constexpr wchar_t kTextReplyCut[] = L"データが途中で切れています";
constexpr wchar_t kTextInflateFailed[] = L"展開に失敗しました";
constexpr wchar_t kTextUnknownCoding[] = L"読めない圧縮形式です";

// The GET instance, process-wide: one GET runs at a time.
extern GetWorkerTask GetTask;

// Worker side: fetches `url` (whole with gzip asked for when rangeStart is 0,
// else from that byte on) and gives a local-heap block of exactly *length
// bytes, not terminated, that the caller owns (a LocalBlock<char>); or null, the
// failure reported. A 416 reply gives the two-byte marker "A" with *length 0.
// With `answer`, the status and a redirect's Location are given back there;
// a quiet answer leaves a redirect or a 404 unreported, for a caller that
// looks elsewhere then.
char* get_html_sabun(HWND dialog, const wchar_t* url, uint32_t* length, int32_t rangeStart,
                     const std::atomic<uint8_t>* flag, FetchAnswer* answer = nullptr);

// Reports what a quiet answer left unsaid (a redirect or a 404), as an
// answer that was not quiet would have; nothing for any other answer.
void report_quiet_answer(const FetchAnswer& answer);

// UI side: runs get_html_sabun behind the modal progress dialog over the main
// window and gives its result.
char* run_get_html_sabun(const wchar_t* url, uint32_t* length, int32_t rangeStart, FetchAnswer* answer = nullptr);
