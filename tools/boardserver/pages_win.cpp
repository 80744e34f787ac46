#include "tools/boardserver/pages.h"

#include <windows.h>

#include <cstdio>

#include "base/codepage.h"
#include "tools/boardserver/reply.h"

namespace boardserver {
namespace {

std::string sjis(const std::wstring& w)
{
    if (w.empty()) return {};
    int n = WideCharToMultiByte(kCodePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kCodePage, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

// Message text as the pages show it: escaped, line breaks as <br>.
std::string shown(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        if (text[i] == '\n') {
            out += "<br>";
        } else {
            out += html_escape(text.substr(i, 1));
        }
    }
    return out;
}

// A hidden form field keeps the line breaks as character references.
std::string hidden(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        if (text[i] == '\n') {
            out += "&#10;";
        } else {
            out += html_escape(text.substr(i, 1));
        }
    }
    return out;
}

const char* const kHtmlMeta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n";

}  // namespace

std::string html_escape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string marker_success() { return sjis(L"書きこみが終わりました"); }
std::string marker_confirm() { return sjis(L"書き込み確認"); }
std::string marker_error() { return sjis(L"ＥＲＲＯＲ"); }
std::string default_name() { return sjis(L"名無しさん"); }
std::string trip_mark() { return sjis(L"◆"); }

std::string page_confirm(const PostEcho& e)
{
    // The title line carries the marker; the heading below it is spelt with
    // "書きこみ" and so does not.
    std::string p;
    p += "<html>\n<head>\n";
    p += sjis(L"<title>■ 書き込み確認 ■</title>\n");
    p += kHtmlMeta;
    p += "</head>\n<body bgcolor=#EEEEEE>\n";
    p += sjis(L"<font size=+1 color=#FF0000><b>書きこみ＆クッキー確認</b></font><ul><br><br>\n");
    p += sjis(L"<b> </b><br>名前： ") + shown(e.from) + "<br>\n";
    p += sjis(L"E-mail： ") + shown(e.mail) + "<br>\n";
    p += sjis(L"内容：<br>") + shown(e.message) + "<br><br></ul>\n";
    p += "<b>\n";
    p += sjis(L"投稿確認<br>\n");
    p += sjis(L"・投稿者は、投稿に関して発生する責任が全て投稿者に帰すことを承諾します。<br>\n");
    p += sjis(L"・投稿者は、話題と無関係な広告の投稿に関して、相応の費用を支払うことを承諾します<br>\n");
    p += sjis(L"・投稿者は、投稿された内容について、掲示板運営者がコピー、保存、引用、転載等の利用することを許諾します。<br>\n");
    p += "</b>\n";
    p += "<form method=POST action=\"../test/bbs.cgi\">\n";
    p += "<input type=hidden name=subject value=\"\">\n";
    p += "<input type=hidden name=FROM value=\"" + hidden(e.from) + "\">\n";
    p += "<input type=hidden name=mail value=\"" + hidden(e.mail) + "\">\n";
    p += "<input type=hidden name=MESSAGE value=\"" + hidden(e.message) + "\">\n";
    p += "<input type=hidden name=bbs value=" + html_escape(e.bbs) + ">\n";
    p += "<input type=hidden name=time value=" + html_escape(e.time) + ">\n";
    p += "<input type=hidden name=key value=" + html_escape(e.key) + ">\n";
    p += sjis(L"<br><input type=submit value=\"上記全てを承諾して書き込む\" name=\"submit\"><br>\n");
    p += "</form>\n";
    p += sjis(L"変更する場合は戻るボタンで戻って書き直して下さい。<br><br>\n");
    p += "</body>\n</html>\n";
    return p;
}

std::string page_success(const PostEcho& e)
{
    std::string p;
    p += "<html><!-- 2ch_X:true -->\n<head>\n";
    p += sjis(L"<title>書きこみました。</title>\n");
    p += kHtmlMeta;
    p += "<meta content=5;URL=../" + html_escape(e.bbs) + "/ http-equiv=refresh>\n";
    p += "</head>\n<body>";
    p += sjis(L"書きこみが終わりました。<br><br>\n");
    p += sjis(L"画面を切り替えるまでしばらくお待ち下さい。<br><br>\n");
    p += "<br><br><br><br><br>\n<center>\n</center>\n</body>\n</html>\n";
    return p;
}

std::string page_error(PostError why, const PostEcho& e)
{
    const wchar_t* reason = L"ＥＲＲＯＲ：連続投稿ですか？？";
    switch (why) {
    case PostError::Forced: break;
    case PostError::NoMessage: reason = L"ＥＲＲＯＲ：本文がありません！"; break;
    case PostError::NoThread: reason = L"ＥＲＲＯＲ：該当するスレッドは存在しません。"; break;
    case PostError::BadBoard: reason = L"ＥＲＲＯＲ：板情報が不正です！"; break;
    case PostError::NoSubject: reason = L"ＥＲＲＯＲ：サブジェクトが存在しません！"; break;
    }
    std::string p;
    p += "<html>\n<head>\n";
    p += sjis(L"<title>ＥＲＲＯＲ！</title>\n");
    p += kHtmlMeta;
    p += "</head>\n<!-- 2ch_X:error -->\n<body>\n";
    p += "<b>" + sjis(reason) + "</b>\n<br>\n";
    p += sjis(L"ホスト<b>127.0.0.1</b><br>\n");
    p += sjis(L"名前： ") + shown(e.from) + "<br>\n";
    p += sjis(L"E-mail： ") + shown(e.mail) + "<br>\n";
    p += sjis(L"内容：<br>") + shown(e.message) + "<br><br>\n";
    p += sjis(L"こちらでリロードしてください。<a href=\"../") + html_escape(e.bbs) + "/index.html\"> GO! </a><br>\n";
    p += "</body>\n</html>\n";
    return p;
}

std::string page_board_moved(std::string_view newHost, std::string_view dir)
{
    const std::string to = "http://" + std::string(newHost) + "/" + std::string(dir) + "/";
    std::string p;
    p += "<html>\n<head>\n";
    p += "<script language=\"javascript\">window.location.href=\"" + to + "\"</script>\n";
    p += sjis(L"<title>移転しました</title>\n");
    p += kHtmlMeta;
    p += "</head>\n<body>\n";
    p += sjis(L"この板は移転しました。<br>\n");
    p += "<a href=\"" + to + "\">GO !</a>\n";
    p += "</body>\n</html>\n";
    return p;
}

std::string page_board_front(std::string_view dir)
{
    std::string p;
    p += "<html>\n<head>\n";
    p += "<title>" + html_escape(dir) + "</title>\n";
    p += kHtmlMeta;
    p += "</head>\n<body>\n";
    p += sjis(L"スレッド一覧はこちら<br>\n");
    p += "</body>\n</html>\n";
    return p;
}

std::string page_no_marker()
{
    std::string p;
    p += "<html>\n<head>\n";
    p += sjis(L"<title>お知らせ</title>\n");
    p += kHtmlMeta;
    p += "</head>\n<body>\n";
    p += sjis(L"ただいまサーバーが混雑しています。<br>\n");
    p += sjis(L"しばらくしてからもう一度お試しください。<br>\n");
    p += "</body>\n</html>\n";
    return p;
}

std::string dat_date(int64_t unixSeconds, std::string_view id)
{
    static const wchar_t* const kWeekdays[] = {L"日", L"月", L"火", L"水", L"木", L"金", L"土"};
    CivilTime c = civil_time(unixSeconds, 9 * 3600);
    char head[32];
    std::snprintf(head, sizeof head, "%04d/%02d/%02d(", c.year, c.month, c.day);
    char tail[32];
    std::snprintf(tail, sizeof tail, ") %02d:%02d:%02d ID:", c.hour, c.minute, c.second);
    return head + sjis(kWeekdays[c.weekday]) + tail + std::string(id);
}

}  // namespace boardserver
