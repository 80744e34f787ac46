// The posting script's reply pages and the few Japanese texts the server
// writes into thread logs, as Shift-JIS bytes.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace boardserver {

// What the pages echo back: the decoded form fields, Shift-JIS as posted.
struct PostEcho {
    std::string from;
    std::string mail;
    std::string message;
    std::string bbs;
    std::string key;
    std::string time;
};

enum class PostError {
    Forced,      // the test switch: the server refuses whatever is posted
    NoMessage,   // empty MESSAGE
    NoThread,    // key names no thread of the board
    BadBoard,    // bbs or key is not a plain name
    NoSubject,   // a new thread without a title
};

// The three texts the program looks for in a reply, line by line.
std::string marker_success();   // 書きこみが終わりました
std::string marker_confirm();   // 書き込み確認
std::string marker_error();     // ＥＲＲＯＲ

std::string page_confirm(const PostEcho& echo);
std::string page_success(const PostEcho& echo);
std::string page_error(PostError why, const PostEcho& echo);
// A busy page that carries none of the three markers.
std::string page_no_marker();

// The page a board's old server answers for the board once it has moved: a
// script and a link that both lead to the same directory on `newHost`.
std::string page_board_moved(std::string_view newHost, std::string_view dir);
// A board's front page, answered in place of a log that is no longer there.
std::string page_board_front(std::string_view dir);

// The name field of a post without a name: 名無しさん
std::string default_name();
// The mark before a trip in a name field: ◆
std::string trip_mark();
// Date field of a response: "2026/12/09(水) 08:37:49 ID:abcdefgh" in JST.
std::string dat_date(int64_t unixSeconds, std::string_view id);

// HTML text: & < > " as character references. Byte-wise, which is safe for
// Shift-JIS since none of these bytes can be a trail byte.
std::string html_escape(std::string_view s);

}  // namespace boardserver
