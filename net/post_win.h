// Posting a reply to the open thread through the board's posting script, on
// the POST worker behind the modal progress dialog.
#pragma once
#include "base/report.h"
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "net/postform.h"
#include "net/worker.h"

// The POST operation's block (one per process).
extern PostWorkerTask PostTask;

// UI thread: runs post_res on the current open thread, copied now, behind the
// progress dialog owned by `owner` (the reply editor). 1 when the post went
// through, 0 otherwise.
int run_post_res(const wchar_t* name, const wchar_t* mail, const wchar_t* message, HWND owner);

// UI thread: runs post_new_thread on `board` behind the progress dialog
// owned by `owner` (the new-thread editor). 1 when the post went through.
int run_post_new_thread(const BoardEntry& board, const wchar_t* subject, const wchar_t* name, const wchar_t* mail,
                        const wchar_t* message, HWND owner);

// UI thread: the current open thread as a post to it starts (`open` false
// when there is none).
PostThread current_post_thread();

// Worker thread: posts name, mail and message to `thread`, answering the
// confirmation page with one resend. The compression proxy is switched off
// for the whole exchange and restored on every way out. 1 for a post that
// went through, 0 otherwise; every failure has been reported.
int post_res(HWND dialog, const PostThread& thread, const wchar_t* name, const wchar_t* mail,
             const wchar_t* message, std::atomic<uint8_t>* flag);

// Worker thread: as post_res, a new thread titled `subject` on `board`.
// An empty title is refused before anything is sent.
int post_new_thread(HWND dialog, const BoardEntry& board, const wchar_t* subject, const wchar_t* name,
                    const wchar_t* mail, const wchar_t* message, std::atomic<uint8_t>* flag);

// Seconds since 1970-01-01 00:00:00 UTC, fifteen seconds ago (within the day).
uint32_t make_post_time();

// Tests choose the clock: the source fills the current UTC time and returns
// true. Null goes back to the system's clock.
using PostClockSource = bool (*)(PostClock* utcNow);
void set_post_clock_source(PostClockSource source);

// Files in the program's directory.
constexpr char kCookieFile[] = "cookie.txt";

// The texts of a post.
constexpr wchar_t kCaptionPostRes[] = L"post_res";
constexpr wchar_t kTitlePosting[] = L"書き込み中";
constexpr wchar_t kTextGoOnline[] = L"onlineモードにしてください";
constexpr wchar_t kTextTempOpenFailed[] = L"一時保存ファイルオープン失敗";
constexpr wchar_t kTextTempCreateFailed[] = L"一時保存ファイル作成失敗";
constexpr wchar_t kTextPostDone[] = L"書きこみが終わりました";
constexpr wchar_t kTextConfirmAsked[] = L"投稿確認されてます\nもう一度投稿してみます";
constexpr wchar_t kTextPostErrorPage[] = L"ＥＲＲＯＲ";
constexpr wchar_t kTextPostFailed[] = L"なんか書きこめなかったみたい";
// Refusals before anything is sent.
constexpr wchar_t kTextNoThreadOpen[] = L"スレが開かれていません";
constexpr wchar_t kTextNameTooLong[] = L"名前が長すぎます";
constexpr wchar_t kTextNameUnsendable[] = L"名前に送れない文字があります";
constexpr wchar_t kTextMailUnsendable[] = L"メール欄に送れない文字があります";
constexpr wchar_t kTextMailTooLong[] = L"メール欄が長すぎます";
constexpr wchar_t kTextMessageTooLong[] = L"本文が長すぎます";
constexpr wchar_t kTextBoardNotPostable[] = L"この板には書き込めません";
constexpr wchar_t kTextThreadNotPostable[] = L"このスレには書き込めません";
constexpr wchar_t kTextNoSubject[] = L"スレタイを入れてください";
constexpr wchar_t kTextSubjectTooLong[] = L"スレタイが長すぎます";
constexpr wchar_t kTextSubjectUnsendable[] = L"スレタイに送れない文字があります";
constexpr wchar_t kTextPostTooLong[] = L"書き込みが長すぎます";
// The reply was larger than any page of the script.
constexpr wchar_t kTextPostReplyTooLarge[] = L"返事が大きすぎます";
