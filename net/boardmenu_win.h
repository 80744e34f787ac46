// The board-table rebuild from the service's board-menu page.
#pragma once
#include <windows.h>

constexpr wchar_t kCaptionItaListGet[] = L"ItaList_get";
constexpr wchar_t kTextBbsTableFailed[] = L"bbstable取得に失敗";
// A page that gave no category with boards: the table stays as it was.
constexpr wchar_t kTextMenuHasNoBoards[] = L"板一覧に板が見つかりません";
// Links whose host or directory cannot stand in the log tree.
constexpr wchar_t kTextMenuLinksRefused[] = L"使えない名前の板を%d件とばしました";

// The link filter's patterns, beside the program (see MenuLinkFilter): one a
// line, "!" before a rejected one. Without the file the service's own five.
constexpr char kLinkFilterFile[] = "linkfilter.txt";
constexpr wchar_t kTextLinkFilterUnusable[] = L"linkfilter.txtに使えるパターンがありません\n組み込みのパターンを使います";

// Fetches the page at Settings.BBSTable and rebuilds BoardTable and
// CategoryTable from it; the menu's categories start at 0 and there is no
// favourites category until the table is loaded again. The new table is built
// aside and replaces the old one only when the page gave at least one
// category with boards: a failed or cancelled fetch, or a page without
// boards, leaves the tables exactly as they were. A board the new table lists
// under another server than the old one did has moved: with UseServerDir
// its log folder moves along (move_board_logs), without a question. 1 when
// the tables were rebuilt, 0 otherwise.
int ItaList_get();
