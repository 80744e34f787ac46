#include "net/postform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/httphead.h"

namespace {

// あい CR LF う in Shift-JIS.
const std::string kAiU = "\x82\xa0\x82\xa2\r\n\x82\xa4";

PostFormFields fields(std::string_view name, std::string_view mail, std::string_view message)
{
    PostFormFields f;
    f.name = name;
    f.mail = mail;
    f.message = message;
    f.bbs = "mobile";
    f.key = "1065069078";
    f.time = 1064982678;
    return f;
}

std::string body_of(const PostFormFields& f, PostFormError* err = nullptr)
{
    char out[kPostBodyBytes];
    size_t len = 99;
    PostFormError e = format_post_body(f, out, sizeof out, &len);
    if (err) *err = e;
    EXPECT_EQ(std::strlen(out), len);
    return std::string(out, len);
}

// Seconds since 1970 counted day by day, independent of the code under test.
int64_t unix_seconds(const PostClock& t)
{
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int64_t days = 0;
    for (int y = 1970; y < t.year; ++y) days += leap(y) ? 366 : 365;
    for (int m = 1; m < t.month; ++m) days += kDays[m - 1] + (m == 2 && leap(t.year) ? 1 : 0);
    days += t.day - 1;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string reply(const std::string& head, const std::string& body)
{
    return "HTTP/1.1 200 OK\r\n" + head + "\r\n" + body;
}

PostReplyReader read_all(const std::string& bytes, bool first, size_t piece = 0)
{
    PostReplyReader r(first);
    if (piece == 0) {
        r.feed(bytes.data(), bytes.size());
    } else {
        for (size_t i = 0; i < bytes.size() && !r.done(); i += piece) {
            r.feed(bytes.data() + i, std::min(piece, bytes.size() - i));
        }
    }
    r.finish();
    return r;
}

const std::string kSuccess = kMarkerSuccess;
const std::string kConfirm = kMarkerConfirm;
const std::string kError = kMarkerError;

}  // namespace

// ---- the time field ----

TEST(PostTime, GoesBackFifteenSecondsWithinTheDay)
{
    struct Case {
        PostClock in;
        PostClock out;
    } cases[] = {
        {{2024, 5, 6, 12, 34, 56}, {2024, 5, 6, 12, 34, 41}},
        {{2024, 5, 6, 12, 34, 16}, {2024, 5, 6, 12, 34, 1}},
        {{2024, 5, 6, 12, 34, 10}, {2024, 5, 6, 12, 33, 55}},
        {{2024, 5, 6, 12, 0, 5}, {2024, 5, 6, 11, 59, 50}},
        // :15 goes back to :00 of the same minute, as a valid time.
        {{2024, 5, 6, 12, 34, 15}, {2024, 5, 6, 12, 34, 0}},
        {{2024, 5, 6, 12, 0, 15}, {2024, 5, 6, 12, 0, 0}},
        {{2024, 5, 6, 0, 1, 3}, {2024, 5, 6, 0, 0, 48}},
        {{2024, 5, 6, 0, 0, 16}, {2024, 5, 6, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        PostClock t = c.in;
        ASSERT_TRUE(post_time_back15(&t)) << c.in.hour << ":" << c.in.minute << ":" << c.in.second;
        EXPECT_EQ(t.hour, c.out.hour);
        EXPECT_EQ(t.minute, c.out.minute);
        EXPECT_EQ(t.second, c.out.second);
        EXPECT_EQ(t.day, c.in.day);
        EXPECT_EQ(unix_seconds(c.in) - unix_seconds(t), 15);
    }
}

TEST(PostTime, NeverChangesTheDateJustAfterMidnight)
{
    for (int s = 0; s <= 15; ++s) {
        PostClock t{2024, 5, 6, 0, 0, s};
        EXPECT_FALSE(post_time_back15(&t)) << s;
        EXPECT_EQ(t.second, s);
        EXPECT_EQ(t.day, 6);
    }
}

TEST(PostTime, OleDayCountAndSecondsSince1970)
{
    EXPECT_EQ(ole_day_count({1899, 12, 30, 0, 0, 0}), 0.0);
    EXPECT_EQ(ole_day_count({1970, 1, 1, 0, 0, 0}), kOleUnixEpoch);
    EXPECT_EQ(ole_day_count({1900, 1, 1, 12, 0, 0}), 2.5);
    EXPECT_EQ(post_time_seconds(ole_day_count({2003, 10, 2, 13, 31, 18}), kOleUnixEpoch), 1065101478u);
    EXPECT_EQ(post_time_seconds(ole_day_count({2038, 1, 19, 3, 14, 8}), kOleUnixEpoch), 2147483648u);
    // Before the epoch or beyond 32 bits there is no such value.
    EXPECT_EQ(post_time_seconds(ole_day_count({1969, 12, 31, 23, 59, 59}), kOleUnixEpoch), 0u);
    EXPECT_EQ(post_time_seconds(ole_day_count({2106, 2, 8, 0, 0, 0}), kOleUnixEpoch), 0u);

    // Every second of a sample of days comes out exact (a truncated floating
    // product would lose one now and then).
    for (int year = 1999; year <= 2099; year += 7) {
        for (int sec = 0; sec < 86400; sec += 37) {
            PostClock t{year, 1 + year % 12, 1 + year % 28, sec / 3600, sec / 60 % 60, sec % 60};
            ASSERT_EQ(post_time_seconds(ole_day_count(t), kOleUnixEpoch), static_cast<uint32_t>(unix_seconds(t)))
                << year << " " << sec;
        }
    }
}

TEST(PostTime, FieldIsOneDayEarlier)
{
    EXPECT_EQ(post_time_field(1065069078u), 1064982678u);
    EXPECT_EQ(post_time_field(86400u), 0u);
}

// ---- the form ----

TEST(PostForm, BodyByteForByte)
{
    EXPECT_EQ(body_of(fields("", "sage", kAiU)),
              "hana=mogera&submit=%8f%91%82%ab%8d%9e%82%de&FROM=&mail=sage&MESSAGE=%82%a0%82%a2%0d%0a%82%a4"
              "&bbs=mobile&key=1065069078&time=1064982678");
}

TEST(PostForm, FieldsArePercentEncodedInLowerCase)
{
    PostFormFields f = fields("a&b=c", "x+y z", "~-_.*\xff");
    f.time = 4294967295u;
    EXPECT_EQ(body_of(f),
              "hana=mogera&submit=%8f%91%82%ab%8d%9e%82%de&FROM=a%26b%3dc&mail=x%2by%20z"
              "&MESSAGE=%7e%2d%5f%2e%2a%ff&bbs=mobile&key=1065069078&time=4294967295");
}

TEST(PostForm, EmptyFieldsStayEmpty)
{
    std::string b = body_of(fields("", "", ""));
    EXPECT_NE(b.find("&FROM=&mail=&MESSAGE=&bbs="), std::string::npos) << b;
}

TEST(PostForm, EverythingTheEditorAcceptsFits)
{
    // 133 double-byte characters of name and mail, 2047 of message, each byte encoded.
    std::string name(266, '\x81');
    std::string message(4094, '\x82');
    PostFormError err;
    std::string b = body_of(fields(name, name, message), &err);
    EXPECT_EQ(err, PostFormError::None);
    EXPECT_EQ(b.size(), std::string("hana=mogera&submit=%8f%91%82%ab%8d%9e%82%de&FROM=&mail=&MESSAGE=&bbs=mobile"
                                    "&key=1065069078&time=1064982678")
                                .size() +
                            3 * (266 + 266 + 4094));
}

TEST(PostForm, OverlongFieldsAreRefusedAndNothingIsWritten)
{
    std::string longName(267, 'n');
    std::string longMessage(4095, 'm');
    PostFormError err;
    EXPECT_EQ(body_of(fields(longName, "", "x"), &err), "");
    EXPECT_EQ(err, PostFormError::NameTooLong);
    EXPECT_EQ(body_of(fields("", longName, "x"), &err), "");
    EXPECT_EQ(err, PostFormError::MailTooLong);
    EXPECT_EQ(body_of(fields("", "", longMessage), &err), "");
    EXPECT_EQ(err, PostFormError::MessageTooLong);
    // A room too small for the body.
    char small[64];
    size_t len = 7;
    EXPECT_EQ(format_post_body(fields("", "", "x"), small, sizeof small, &len), PostFormError::BodyTooLong);
    EXPECT_EQ(len, 0u);
    EXPECT_STREQ(small, "");
}

TEST(PostForm, BoardAndKeyMustBePlainNames)
{
    PostFormError err;
    for (const char* bad : {"", "mo&bile", "a=b", "a b", "x\r\nHost: evil", "a%26", "\x82\xa0"}) {
        PostFormFields f = fields("", "", "x");
        f.bbs = bad;
        EXPECT_EQ(body_of(f, &err), "");
        EXPECT_EQ(err, PostFormError::BadBoard) << bad;
        f = fields("", "", "x");
        f.key = bad;
        EXPECT_EQ(body_of(f, &err), "");
        EXPECT_EQ(err, PostFormError::BadKey) << bad;
    }
    PostFormFields f = fields("", "", "x");
    f.bbs = "news_4vip-2";
    EXPECT_NE(body_of(f, &err).find("&bbs=news_4vip-2&"), std::string::npos);
    EXPECT_EQ(err, PostFormError::None);
}

// A title makes the post a new thread: its own submit label, the title
// encoded before FROM, and no key, whatever the key field holds.
TEST(PostForm, NewThreadBodyByteForByte)
{
    struct Case {
        std::string subject, name, mail, message;
        const char* key;
        const char* body;
    };
    const Case cases[] = {
        {"\x82\xa0", "", "", kAiU, "1065069078",
         "hana=mogera&submit=%90V%8bK%83X%83%8c%83b%83h%8d%ec%90%ac&subject=%82%a0&FROM=&mail=&MESSAGE="
         "%82%a0%82%a2%0d%0a%82%a4&bbs=mobile&time=1064982678"},
        {"a&b=c d", "n#k", "sage", "x", "",
         "hana=mogera&submit=%90V%8bK%83X%83%8c%83b%83h%8d%ec%90%ac&subject=a%26b%3dc%20d&FROM=n%23k&mail=sage"
         "&MESSAGE=x&bbs=mobile&time=1064982678"},
        {"t", "", "", "x", "not plain&",
         "hana=mogera&submit=%90V%8bK%83X%83%8c%83b%83h%8d%ec%90%ac&subject=t&FROM=&mail=&MESSAGE=x&bbs=mobile"
         "&time=1064982678"},
    };
    for (const Case& c : cases) {
        PostFormFields f = fields(c.name, c.mail, c.message);
        f.subject = c.subject;
        f.key = c.key;
        PostFormError err;
        EXPECT_EQ(body_of(f, &err), c.body) << c.subject;
        EXPECT_EQ(err, PostFormError::None);
    }
}

TEST(PostForm, NewThreadTitleHasTheNameRoom)
{
    PostFormFields f = fields("", "", "x");
    const std::string over(2 * kPostSubjectChars + 1, 't');
    f.subject = over;
    PostFormError err;
    EXPECT_EQ(body_of(f, &err), "");
    EXPECT_EQ(err, PostFormError::SubjectTooLong);
}

TEST(PostForm, ThreadKeyFromTheFileName)
{
    char key[kPostKeyBytes];
    ASSERT_TRUE(post_thread_key("1065069078.dat", key, sizeof key));
    EXPECT_STREQ(key, "1065069078");
    ASSERT_TRUE(post_thread_key("123456789012345678.dat", key, sizeof key));
    EXPECT_STREQ(key, "123456789012345");   // 15 bytes at most
    ASSERT_TRUE(post_thread_key("1234", key, sizeof key));
    EXPECT_STREQ(key, "1234");
    EXPECT_FALSE(post_thread_key(".dat", key, sizeof key));
    EXPECT_STREQ(key, "");
    EXPECT_FALSE(post_thread_key("12&3.dat", key, sizeof key));
    EXPECT_FALSE(post_thread_key("", key, sizeof key));
}

TEST(PostForm, ScriptTargetWithAndWithoutSecondLevel)
{
    PostTarget t;
    ASSERT_TRUE(post_target("pc.2ch.net", false, &t));
    EXPECT_EQ(t.host, "pc.2ch.net");
    EXPECT_EQ(t.target, "http://pc.2ch.net/test/bbs.cgi");
    ASSERT_TRUE(post_target("srv.example/sub", false, &t));
    EXPECT_EQ(t.host, "srv.example");
    EXPECT_EQ(t.target, "http://srv.example/sub/test/bbs.cgi");
    EXPECT_FALSE(post_target("", false, &t));
    EXPECT_FALSE(post_target("/sub", false, &t));
    EXPECT_FALSE(post_target("a b", false, &t));
    EXPECT_FALSE(post_target("a\r\nX: y", false, &t));
    ASSERT_TRUE(post_target("srv.example/sub", true, &t));
    EXPECT_EQ(t.target, "https://srv.example/sub/test/bbs.cgi");
    EXPECT_TRUE(t.secure);
}

// Over TLS the request line names the path (the server sees no proxy) and
// the referer keeps the board's scheme.
TEST(PostForm, SecureHeadKeepsTheSchemeInTheReferer)
{
    PostTarget t;
    ASSERT_TRUE(post_target("pc.2ch.net", true, &t));
    std::string target(request_target(t.target, true));
    PostHeadFields h{target.c_str(), t.host.c_str(), "mobile", "pc.2ch.net", 5, nullptr, t.secure};
    char out[kPostHeadBytes];
    size_t n = format_post_head(out, sizeof out, h);
    EXPECT_EQ(std::string(out, n),
              "POST /test/bbs.cgi HTTP/1.0\r\n"
              "referer: https://pc.2ch.net/mobile/\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: pc.2ch.net\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 5\r\n"
              "\r\n");
}

TEST(PostForm, HeadByteForByteWithRefererAndCookie)
{
    PostTarget t;
    ASSERT_TRUE(post_target("srv.example/sub", false, &t));
    PostHeadFields h{t.target.c_str(), t.host.c_str(), "mobile", "127.0.0.1", 123, "PON=a; HAP=b; "};
    char out[kPostHeadBytes];
    size_t n = format_post_head(out, sizeof out, h);
    EXPECT_EQ(std::string(out, n),
              "POST http://srv.example/sub/test/bbs.cgi HTTP/1.0\r\n"
              "referer: http://srv.example/mobile/\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: 127.0.0.1\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 123\r\n"
              "Cookie: PON=a; HAP=b; \r\n"
              "\r\n");
}

// ---- cookies ----

TEST(PostCookies, ValuesUpToExpiresOrToTheLineEnd)
{
    CookieList c;
    EXPECT_TRUE(c.add_line("Set-Cookie: PON=qv127001.loopback; expires=Friday, 01-Jan-2038 00:00:00 GMT; path=/"));
    EXPECT_TRUE(c.add_line("Set-Cookie: HAP=FOXqv2Kz8Lm0; expires=Friday, 01-Jan-2038 00:00:00 GMT; path=/"));
    EXPECT_FALSE(c.add_line("Content-Type: text/html"));
    EXPECT_TRUE(c.add_line("Set-Cookie: plain=1"));
    EXPECT_EQ(c.count(), 3);
    EXPECT_EQ(c.file_text(), "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; plain=1\n");
    char line[kCookieValueRoom + 1];
    cookie_line_value(c.file_text(), line, sizeof line);
    EXPECT_STREQ(line, "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; plain=1; ");
}

TEST(PostCookies, ControlBytesAreDropped)
{
    CookieList c;
    EXPECT_TRUE(c.add_line(std::string("Set-Cookie: a=\x01" "b\x7f\0c; expires=x", 31)));
    EXPECT_EQ(c.file_text(), "a=bc; ");
}

TEST(PostCookies, MoreThanNineKeepTheFirstNine)
{
    CookieList c;
    for (int i = 1; i <= 12; ++i) {
        bool kept = c.add_line("Set-Cookie: C" + std::to_string(i) + "=v; expires=x; path=/");
        EXPECT_EQ(kept, i <= 9) << i;
    }
    EXPECT_EQ(c.count(), 9);
    EXPECT_EQ(c.file_text(), "C1=v; C2=v; C3=v; C4=v; C5=v; C6=v; C7=v; C8=v; C9=v; ");
}

TEST(PostCookies, OnlyWhatTheCookieLineCarriesIsKept)
{
    CookieList c;
    std::string big(198, 'x');
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.add_line("Set-Cookie: " + big + "; expires=x"), i < 5) << i;
    // 5 x 200 bytes leave 13 bytes of room: a small value still goes in.
    EXPECT_TRUE(c.add_line("Set-Cookie: s=1; expires=x"));
    EXPECT_EQ(c.count(), 6);
    EXPECT_LE(cookie_text(c.file_text()).size(), kCookieValueRoom);
    EXPECT_FALSE(c.add_line("Set-Cookie: " + std::string(2000, 'y') + "; expires=x"));
    c.clear();
    EXPECT_EQ(c.count(), 0);
    EXPECT_EQ(c.file_text(), "");
}

TEST(PostCookies, CookieLineFromTheFile)
{
    char out[kCookieValueRoom + 1];
    EXPECT_EQ(cookie_line_value("PON=a; HAP=b; ", out, sizeof out), 14u);
    EXPECT_STREQ(out, "PON=a; HAP=b; ");
    cookie_line_value("a=b\nc=d; ", out, sizeof out);
    EXPECT_STREQ(out, "a=b; c=d; ");
    cookie_line_value("a=b;\n\n", out, sizeof out);
    EXPECT_STREQ(out, "a=b; ");
    EXPECT_EQ(cookie_line_value("", out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
    // A hand-made file that is too long is cut after its last whole value.
    std::string many;
    for (int i = 0; i < 200; ++i) many += "K" + std::to_string(i) + "=value; ";
    size_t n = cookie_line_value(many, out, sizeof out);
    EXPECT_LE(n, kCookieValueRoom);
    EXPECT_EQ(std::string(out, n), many.substr(0, n));
    EXPECT_EQ(std::string(out + n - 2), "; ");
    EXPECT_EQ(cookie_line_value(std::string(3000, 'z'), out, sizeof out), 0u);
}

// ---- the reply ----

TEST(PostReply, MarkersInTheirOrderWithinALine)
{
    EXPECT_EQ(classify_reply_line("<b>" + kSuccess + "</b>", true), ReplyVerdict::Success);
    EXPECT_EQ(classify_reply_line(kError + kSuccess, false), ReplyVerdict::Success);
    EXPECT_EQ(classify_reply_line(kError + kConfirm, true), ReplyVerdict::Confirm);
    EXPECT_EQ(classify_reply_line(kError + kConfirm, false), ReplyVerdict::Error);
    EXPECT_EQ(classify_reply_line(kConfirm, false), ReplyVerdict::None);
    EXPECT_EQ(classify_reply_line("<title>ok</title>", true), ReplyVerdict::None);
}

TEST(PostReply, ConfirmationPageWithItsCookies)
{
    std::string bytes = reply(
        "Set-Cookie: PON=qv; expires=Friday, 01-Jan-2038 00:00:00 GMT; path=/\r\n"
        "Set-Cookie: HAP=Fx; expires=Friday, 01-Jan-2038 00:00:00 GMT; path=/\r\n"
        "Content-Type: text/html\r\n",
        "<html><head><title>" + kConfirm + "</title></head>\r\n<body>" + kSuccess + "</body></html>\r\n");
    for (size_t piece : {size_t{0}, size_t{1}, size_t{3}, size_t{1023}}) {
        PostReplyReader r = read_all(bytes, true, piece);
        EXPECT_EQ(r.verdict(), ReplyVerdict::Confirm) << piece;
        EXPECT_EQ(r.status(), 200);
        EXPECT_EQ(r.cookies().file_text(), "PON=qv; HAP=Fx; ");
    }
    // The resend reads past the confirmation to the success line.
    EXPECT_EQ(read_all(bytes, false).verdict(), ReplyVerdict::Success);
}

TEST(PostReply, NothingAfterTheVerdictIsRead)
{
    std::string bytes = reply("", kError + "\r\nSet-Cookie: late=1\r\n" + kSuccess + "\r\n");
    PostReplyReader r(true);
    size_t taken = r.feed(bytes.data(), bytes.size());
    EXPECT_EQ(r.verdict(), ReplyVerdict::Error);
    EXPECT_EQ(bytes.substr(taken), "Set-Cookie: late=1\r\n" + kSuccess + "\r\n");
    EXPECT_EQ(r.cookies().count(), 0);
}

TEST(PostReply, CookiesOnlyFromTheHead)
{
    PostReplyReader r = read_all(reply("Set-Cookie: a=1; expires=x\r\n", "Set-Cookie: b=2\r\n<p>hi</p>\r\n"), true);
    EXPECT_EQ(r.cookies().file_text(), "a=1; ");
    EXPECT_EQ(r.verdict(), ReplyVerdict::None);
    EXPECT_TRUE(r.in_body());
    EXPECT_TRUE(unmarked_reply_posted(r, true, true));
    EXPECT_FALSE(unmarked_reply_posted(r, false, true));
    EXPECT_FALSE(unmarked_reply_posted(r, true, false));
}

TEST(PostReply, AMarkerInAVeryLongLineIsFound)
{
    for (size_t at : {size_t{0}, size_t{16370}, size_t{16383}, size_t{16384}, size_t{40000}}) {
        std::string line(50000, 'a');
        line.replace(at, kSuccess.size(), kSuccess);
        PostReplyReader r = read_all(reply("", line + "\r\n"), false, 977);
        EXPECT_EQ(r.verdict(), ReplyVerdict::Success) << at;
    }
    // The last line needs no line feed.
    EXPECT_EQ(read_all(reply("", "x\r\n" + kError), true).verdict(), ReplyVerdict::Error);
}

// Scripts that took a post may answer with a redirect to the board or with
// "no content": a whole such head on the first attempt is a post.
TEST(PostReply, AWholeRedirectOr204IsAPost)
{
    const std::pair<const char*, bool> cases[] = {
        {"HTTP/1.1 302 Found\r\nLocation: http://srv/mobile/\r\n\r\n", true},
        {"HTTP/1.0 301 Moved Permanently\r\nLocation: http://srv/\r\n\r\n<a>moved</a>\r\n", true},
        {"HTTP/1.1 303 See Other\r\n\r\n", true},
        {"HTTP/1.1 204 No Content\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\n\r\n", false},
        {"HTTP/1.1 404 Not Found\r\n\r\n", false},
    };
    for (const auto& c : cases) {
        PostReplyReader r = read_all(c.first, true);
        EXPECT_EQ(unmarked_reply_posted(r, true, true), c.second) << c.first;
        EXPECT_FALSE(unmarked_reply_posted(r, true, false)) << c.first;   // the reply was cut
        EXPECT_FALSE(unmarked_reply_posted(r, false, true)) << c.first;   // the resend needs its marker
    }
}

TEST(PostReply, AReplyCutShortIsNoPost)
{
    // The head alone, cookies and all, then the close.
    PostReplyReader early = read_all("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; expires=x\r\n", true);
    EXPECT_FALSE(early.in_body());
    EXPECT_EQ(early.cookies().count(), 1);
    EXPECT_FALSE(unmarked_reply_posted(early, true, true));
    // A head and its blank line, but no page.
    PostReplyReader empty = read_all(reply("", ""), true);
    EXPECT_TRUE(empty.in_body());
    EXPECT_FALSE(unmarked_reply_posted(empty, true, true));
    // A page with an error status.
    PostReplyReader busy = read_all("HTTP/1.1 503 Busy\r\n\r\n<p>busy</p>\r\n", true);
    EXPECT_EQ(busy.status(), 503);
    EXPECT_FALSE(unmarked_reply_posted(busy, true, true));
    // A redirect cut before its blank line.
    PostReplyReader cutRedirect = read_all("HTTP/1.1 302 Found\r\nLocation: http://srv/mobile/\r\n", true);
    EXPECT_FALSE(unmarked_reply_posted(cutRedirect, true, true));
    // Nothing at all.
    PostReplyReader none = read_all("", true);
    EXPECT_EQ(none.status(), 0);
    EXPECT_FALSE(unmarked_reply_posted(none, true, true));
}

TEST(PostReply, AnOverlongHeadLineGivesNoCutCookie)
{
    std::string longValue(PostReplyReader::kHeadLineKeep + 100, 'v');
    PostReplyReader r = read_all(reply("Set-Cookie: a=" + longValue + "\r\nSet-Cookie: b=1; expires=x\r\n", "p\r\n"), true);
    EXPECT_EQ(r.cookies().file_text(), "b=1; ");
    EXPECT_TRUE(r.in_body());
}
