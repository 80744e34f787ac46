// Bringing one thread's local log up to date: the differential fetch, and for
// a thread that has fallen out of its board, the board's past-log store.
#pragma once
#include <windows.h>

constexpr wchar_t kTextThreadFallen[] = L"dat落ちしたスレッドです\n過去ログ倉庫にもありません";

// How a fetch was asked for. A thread marked fallen in the held-thread list
// is fetched only by hand (the reload command of the open thread); opening
// it reads the local log as it is.
enum class DatFetchMode { Open, ByHand };

enum class DatFetchResult {
    Fetched,   // asked and answered; the log was brought up to date, or the answer reported
    Replaced,  // asked, and a whole log stored in place of the one held (it changed on the server)
    Fallen,    // the thread has fallen: its past log stored, or none found (said once)
    Skipped,   // nothing asked: a fallen thread opened, or a board without a server
};

// Brings the local log of thread `datName` of board `boardIndex` up to date:
// a ranged fetch from the last byte held, whose first byte must be the log's
// final line feed, else the whole log is fetched again. Only a complete,
// checked reply reaches the log; a failed or cancelled fetch leaves it as it
// was. A board without a server (a favourite board that stands for no board
// of the menu) has nothing to fetch: nothing is asked and nothing shown.
//
// A log request answered by 404, by a redirect or by a page that is not a
// log means the thread has fallen: the past-log store is asked for the
// gzipped log, then the plain one. A log found there is complete and
// replaces the local log (never by a shorter one); either way the thread is
// marked fallen in the held-thread list, and when the store has nothing
// either that is said once and the local log is kept as it is. A thread
// marked fallen whose log its reload by hand finds live again loses the mark.
DatFetchResult Resdata_get(int boardIndex, const wchar_t* datName, DatFetchMode mode = DatFetchMode::ByHand);
