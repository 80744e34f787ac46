// The thread-list fetch: a board's "subject.txt" from its server into the
// board's directory of the log tree.
#pragma once
#include <windows.h>

#include <string>

constexpr wchar_t kCaptionLstSureGet[] = L"LstSure_get";
constexpr wchar_t kTextSubjectFileName[] = L"subject.txt";
constexpr wchar_t kTextSubjectOpenFailed[] = L"subject.txtオープンに失敗";
constexpr wchar_t kTextSubjectWriteFailed[] = L"subject.txt書き込みに失敗";
constexpr wchar_t kTextSubjectNotAList[] = L"スレッド一覧の形式ではありません";
constexpr wchar_t kTextBoardMovedAsk[] = L"この板は移転しました\n移転先: %ls\n板一覧を書き換えますか？";

// Creates the board's directories (server level and "dat" with the server
// layout), fetches the list whole and stores it byte for byte. The local list
// is replaced only by a whole, complete one: a failed, cancelled or cut fetch
// leaves it as it was. A host or directory that cannot stand in the log tree
// is refused before anything is asked. 1 when "subject.txt" was written.
//
// A list answered by a redirect to the same board directory on another
// host, or by the move notice page a moved board's old server shows, means
// the board has moved: the user is asked whether to follow it, and on Yes
// the board moves (apply_board_move), its list is fetched from the new host
// and `movedTo` (when given) receives that host. On No nothing changes.
// `secure`: the board is served over "https://" (a moved board keeps it).
int LstSure_get(const wchar_t* host, const wchar_t* dir, bool secure, std::wstring* movedTo = nullptr);
