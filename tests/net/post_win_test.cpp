#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/appstate.h"
#include "base/debugout.h"
#include "net/difffetch_win.h"
#include "net/post_win.h"
#include "proxyctl/venturi_win.h"
#include "store/responses.h"
#include "store/settings.h"
#include "tests/proxyctl/vdbserver_win.h"
#include "tests/net/loopbackfixture_win.h"

using boardserver::Behaviour;
using boardserver::PostMode;
using boardserver::PostOutcome;
using boardserver::PostSettings;

namespace {

const char kUa[] = "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n";
const char kFirstLine[] = "name<><>2003/10/02(\x96\xd8) 13:31:18 ID:abcdefgh<> 1 <>title\n";
const char kCookies2[] = "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; ";
// 2003-10-02 04:31:33 UTC: fifteen seconds back and one day back gives this.
const char kTimeField[] = "1064982678";

PostClock g_clock{2003, 10, 2, 4, 31, 33};
bool fixed_clock(PostClock* t)
{
    *t = g_clock;
    return true;
}

std::string sjis(const char* utf8) { return utf8_to_sjis(utf8); }

// The head the program sends to the loopback server as its proxy.
std::string post_head(const std::string& target, const std::string& referer, size_t length, const char* cookie)
{
    std::string h = "POST " + target + " HTTP/1.0\r\nreferer: " + referer + "\r\n" + kUa + "Host: 127.0.0.1\r\n" +
                    "Content-Type: application/x-www-form-urlencoded\r\n" + "Content-Length: " + std::to_string(length) + "\r\n";
    if (cookie) h += std::string("Cookie: ") + cookie + "\r\n";
    return h + "\r\n";
}

using net_test::Message;

// A program folder of its own, online through the loopback board server as
// its proxy, with one open thread ("mobile" 1065069078 on pc.2ch.net).
class PostTest : public net_test::LoopbackProxyFixture {
protected:
    void SetUp() override
    {
        savedTable_ = OpenThreadTable;
        ASSERT_NO_FATAL_FAILURE(LoopbackProxyFixture::SetUp());
        Settings.LineOnOff = 1;
        Settings.VentCtrl = 0;
        HostCache.name[0] = '\0';
        HostCache.address = 0;

        std::memset(&thread_, 0, sizeof thread_);
        wcscpy(thread_.board.name, L"mobile");
        wcscpy(thread_.board.host, L"pc.2ch.net");
        wcscpy(thread_.board.dir, L"mobile");
        wcscpy(thread_.fileName, L"1065069078.dat");
        OpenThreadTable = OpenThreadTableRecord{&thread_, nullptr, 1, 0, 1, 0};

        server_.put_dat("mobile", "1065069078", kFirstLine);
        PostSettings ps;
        ps.date = "2003/10/03 00:00:00 ID:Qv0Test0";
        server_.set_post_settings(ps);
        set_post_clock_source(fixed_clock);
        g_clock = PostClock{2003, 10, 2, 4, 31, 33};
    }

    void TearDown() override
    {
        set_post_clock_source(nullptr);
        OpenThreadTable = savedTable_;
        LoopbackProxyFixture::TearDown();
    }

    void set_mode(PostMode mode, int cookies = 2)
    {
        PostSettings ps = server_.site().post_settings();
        ps.mode = mode;
        ps.cookieCount = cookies;
        server_.set_post_settings(ps);
    }

    int post(const wchar_t* name, const wchar_t* mail, const wchar_t* message)
    {
        std::atomic<uint8_t> flag{0};
        return post_res(nullptr, current_post_thread(), name, mail, message, &flag);
    }

    // A new thread on the open thread's board.
    int post_thread(const wchar_t* subject)
    {
        std::atomic<uint8_t> flag{0};
        return post_new_thread(nullptr, thread_.board, subject, L"立てた人", L"", L"本文", &flag);
    }

    std::string file(const char* name) const { return read_file_bytes(dir_.file(name)); }

    void scheme_chosen() override { thread_.board.secure = secure_; }

    // The bytes the server receives for a post of `head` and `body`: the
    // client's CR LF after the body does not pass the TLS front.
    std::string received(const std::string& head, const std::string& body) const
    {
        return seen_head(head) + body + (secure_ ? "" : "\r\n");
    }

    OpenThreadTableRecord savedTable_;
    ResponseBuffer thread_;
};

// "sage" and あい CR LF う, without a name.
const char kBody[] =
    "hana=mogera&submit=%8f%91%82%ab%8d%9e%82%de&FROM=&mail=sage&MESSAGE=%82%a0%82%a2%0d%0a%82%a4"
    "&bbs=mobile&key=1065069078&time=1064982678";

const std::string kTarget = "http://pc.2ch.net/test/bbs.cgi";
const std::string kReferer = "http://pc.2ch.net/mobile/";

// Posting, its cookies and the confirmation resend, over both schemes.
using PostBothSchemes = net_test::BothSchemes<PostTest>;
INSTANTIATE_TEST_SUITE_P(Schemes, PostBothSchemes, ::testing::Bool(), net_test::scheme_name);

}  // namespace

TEST_P(PostBothSchemes, FirstPostIsConfirmedThenResentOnceWithTheCookiesItSet)
{
    ASSERT_FALSE(file_exists(dir_.file("cookie.txt")));
    EXPECT_EQ(post(L"", L"sage", L"あい\r\nう"), 1);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"書きこみが終わりました", L"post_res"}}));

    auto log = requests(2);
    ASSERT_EQ(log.size(), 2u);
    // Without "cookie.txt" the first attempt has no Cookie line.
    EXPECT_EQ(log[0].raw, received(post_head(kTarget, kReferer, sizeof kBody - 1, nullptr), kBody));
    EXPECT_EQ(log[1].raw, received(post_head(kTarget, kReferer, sizeof kBody - 1, kCookies2), kBody));
    EXPECT_EQ(log[1].path, "/test/bbs.cgi");

    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].outcome, PostOutcome::Confirm);
    EXPECT_EQ(posts[1].outcome, PostOutcome::Success);
    EXPECT_EQ(posts[1].time, kTimeField);
    EXPECT_EQ(posts[1].message, sjis("あい\r\nう"));
    // The response landed in the thread's log.
    EXPECT_EQ(server_.dat("mobile", "1065069078"),
              std::string(kFirstLine) + "\x96\xbc\x96\xb3\x82\xb5\x82\xb3\x82\xf1<>sage<>2003/10/03 00:00:00 "
                                        "ID:Qv0Test0<> \x82\xa0\x82\xa2 <br> \x82\xa4 <>\n");
    // The cookies of the first reply are kept; the resend's are not written.
    EXPECT_EQ(file("cookie.txt"), kCookies2);
    // Without DebugMode both replies go to the first reply file.
    EXPECT_NE(file("rcv1_data.txt").find(kMarkerSuccess), std::string::npos);
    EXPECT_FALSE(file_exists(dir_.file("rcv2_data.txt")));
    EXPECT_FALSE(file_exists(dir_.file("send_data.txt")));
}

TEST_P(PostBothSchemes, StoredCookiesGoOutWithTheFirstAttempt)
{
    write_file_bytes(dir_.file("cookie.txt"), kCookies2);
    EXPECT_EQ(post(L"名無し", L"", L"x"), 1);
    auto log = requests(1);
    ASSERT_EQ(log.size(), 1u);
    const std::string body = "hana=mogera&submit=%8f%91%82%ab%8d%9e%82%de&FROM=%96%bc%96%b3%82%b5&mail=&MESSAGE=x"
                             "&bbs=mobile&key=1065069078&time=1064982678";
    EXPECT_EQ(log[0].raw, received(post_head(kTarget, kReferer, body.size(), kCookies2), body));
    EXPECT_EQ(server_.posts().at(0).outcome, PostOutcome::Success);
    EXPECT_EQ(file("cookie.txt"), kCookies2);
}

TEST_F(PostTest, CookieFileLinesBecomeOneCookieLine)
{
    // A value without "expires=" ends its own line in the file; an empty file
    // still gives the Cookie line.
    write_file_bytes(dir_.file("cookie.txt"), "PON=qv127001.loopback\r\nHAP=FOXqv2Kz8Lm0\r\n");
    set_mode(PostMode::Success);
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    write_file_bytes(dir_.file("cookie.txt"), "");
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    auto log = requests(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].head.find("\r\nCookie: PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; \r\n\r\n"), std::string::npos)
        << log[0].head;
    EXPECT_NE(log[1].head.find("\r\nContent-Length: 107\r\nCookie: \r\n\r\n"), std::string::npos) << log[1].head;
}

TEST_F(PostTest, DebugModeDumpsEveryRequestAndKeepsTheSecondReply)
{
    Settings.DebugMode = 1;
    write_file_bytes(dir_.file("send_data.txt"), "old");
    EXPECT_EQ(post(L"", L"sage", L"あい\r\nう"), 1);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"投稿確認されてます\nもう一度投稿してみます", L"post_res"},
                                                {L"書きこみが終わりました", L"post_res"}}));
    EXPECT_EQ(file("send_data.txt"),
              post_head(kTarget, kReferer, sizeof kBody - 1, nullptr) + kBody + "\r\n\r\n" +
                  post_head(kTarget, kReferer, sizeof kBody - 1, kCookies2) + kBody + "\r\n\r\n");
    EXPECT_NE(file("rcv1_data.txt").find(kMarkerConfirm), std::string::npos);
    EXPECT_NE(file("rcv2_data.txt").find(kMarkerSuccess), std::string::npos);
}

TEST_F(PostTest, ErrorPageIsAFailureWithBothMessages)
{
    set_mode(PostMode::Error);
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"ＥＲＲＯＲ", L"post_res"},
                                                {L"なんか書きこめなかったみたい", L"post_res"}}));
    EXPECT_EQ(requests(1).size(), 1u);
    EXPECT_EQ(file("cookie.txt"), kCookies2);
}

TEST_F(PostTest, UnmarkedPageOnTheFirstAttemptCountsAsPosted)
{
    set_mode(PostMode::NoMarker, 0);
    write_file_bytes(dir_.file("cookie.txt"), kCookies2);
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(requests(1).size(), 1u);
    // A first reply without Set-Cookie lines empties the file.
    EXPECT_TRUE(file_exists(dir_.file("cookie.txt")));
    EXPECT_EQ(file("cookie.txt"), "");
}

// The script took the post and answered with a redirect or with nothing:
// posted, and the response is in the thread.
TEST_F(PostTest, RedirectOr204ToTheFirstAttemptIsAPost)
{
    for (PostMode mode : {PostMode::Redirected, PostMode::NoContent}) {
        server_.clear_requests();
        reports_.clear();
        set_mode(mode, 0);
        size_t before = server_.posts().size();
        EXPECT_EQ(post(L"", L"", L"x"), 1);
        EXPECT_TRUE(messages().empty());
        auto log = requests(1);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].status, mode == PostMode::Redirected ? 302 : 204);
        ASSERT_EQ(server_.posts().size(), before + 1);
        EXPECT_EQ(server_.posts().back().outcome, PostOutcome::Success);
    }
    std::string dat = server_.dat("mobile", "1065069078");
    EXPECT_EQ(std::count(dat.begin(), dat.end(), '\n'), 3);
}

TEST_F(PostTest, ResendWithoutSuccessFails)
{
    set_mode(PostMode::AlwaysConfirm);
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"なんか書きこめなかったみたい", L"post_res"}}));
    EXPECT_EQ(requests(2).size(), 2u);
    EXPECT_EQ(server_.posts().size(), 2u);
}

TEST_F(PostTest, MoreThanNineCookiesKeepTheFirstNine)
{
    set_mode(PostMode::Normal, 12);
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    const char nine[] = "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; C3=v3; C4=v4; C5=v5; C6=v6; C7=v7; C8=v8; C9=v9; ";
    EXPECT_EQ(file("cookie.txt"), nine);
    auto log = requests(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[1].head.find(std::string("\r\nCookie: ") + nine + "\r\n\r\n"), std::string::npos) << log[1].head;
    EXPECT_EQ(server_.posts().at(1).outcome, PostOutcome::Success);
}

TEST_F(PostTest, EarlyCloseIsNoPost)
{
    set_mode(PostMode::CloseEarly);
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"なんか書きこめなかったみたい", L"post_res"}}));
    EXPECT_EQ(requests(1).size(), 1u);
    // The head still carried its cookies.
    EXPECT_EQ(file("cookie.txt"), kCookies2);
}

TEST_F(PostTest, OfflineIsRefusedWithNothingSent)
{
    Settings.LineOnOff = 0;
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"onlineモードにしてください", L"post_res"}}));
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_FALSE(file_exists(dir_.file("rcv1_data.txt")));
}

TEST_F(PostTest, OverlongFieldsAreRefusedWithNothingSent)
{
    std::wstring name(134, L'あ'), message(2048, L'あ');
    EXPECT_EQ(post(name.c_str(), L"", L"x"), 0);
    EXPECT_EQ(post(L"", name.c_str(), L"x"), 0);
    EXPECT_EQ(post(L"", L"", message.c_str()), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"名前が長すぎます", L"post_res"},
                                                {L"メール欄が長すぎます", L"post_res"},
                                                {L"本文が長すぎます", L"post_res"}}));
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
}

// 新スレ by 立てた人, message 本文: the title and the new-thread label, no key.
const char kThreadBody[] =
    "hana=mogera&submit=%90V%8bK%83X%83%8c%83b%83h%8d%ec%90%ac&subject=%90V%83X%83%8c&FROM=%97%a7%82%c4%82%bd%90l"
    "&mail=&MESSAGE=%96%7b%95%b6&bbs=mobile&time=1064982678";

TEST_F(PostTest, NewThreadIsConfirmedThenResentAndTheBoardHasIt)
{
    server_.site().set_clock(1065100000);
    server_.put_subject("mobile", "1065069078.dat<>old (1)\n");
    EXPECT_EQ(post_thread(L"新スレ"), 1);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"書きこみが終わりました", L"post_res"}}));
    auto log = requests(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].raw, post_head(kTarget, kReferer, sizeof kThreadBody - 1, nullptr) + kThreadBody + "\r\n");
    EXPECT_EQ(log[1].raw, post_head(kTarget, kReferer, sizeof kThreadBody - 1, kCookies2) + kThreadBody + "\r\n");
    EXPECT_EQ(server_.posts().at(1).outcome, PostOutcome::Success);
    // The log's first line carries the title; the list names it first.
    EXPECT_EQ(server_.dat("mobile", "1065100000"),
              sjis("立てた人") + "<><>2003/10/03 00:00:00 ID:Qv0Test0<> " + sjis("本文") + " <>" + sjis("新スレ") + "\n");
    EXPECT_EQ(server_.file("/mobile/subject.txt"), "1065100000.dat<>" + sjis("新スレ") + " (1)\n1065069078.dat<>old (1)\n");
}

TEST_F(PostTest, NewThreadTitlesRefusedWithNothingSent)
{
    const std::wstring overlong(kPostSubjectChars + 1, L'あ');
    EXPECT_EQ(post_thread(L""), 0);
    EXPECT_EQ(post_thread(overlong.c_str()), 0);
    EXPECT_EQ(post_thread(L"絵文字\U0001F600"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"スレタイを入れてください", L"post_res"},
                                                {L"スレタイが長すぎます", L"post_res"},
                                                {L"スレタイに送れない文字があります", L"post_res"}}));
    EXPECT_EQ(server_.accepted_connections(), 0u);
}

TEST_F(PostTest, EverythingTheEditorAcceptsIsPosted)
{
    set_mode(PostMode::Success);
    std::wstring name(133, L'あ'), message(2047, L'あ');
    EXPECT_EQ(post(name.c_str(), name.c_str(), message.c_str()), 1);
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 1u);
    std::string a = sjis("あ");
    std::string sjisName, sjisMessage;
    for (int i = 0; i < 133; ++i) sjisName += a;
    for (int i = 0; i < 2047; ++i) sjisMessage += a;
    EXPECT_EQ(posts[0].from, sjisName);
    EXPECT_EQ(posts[0].mail, sjisName);
    EXPECT_EQ(posts[0].message, sjisMessage);
}

// Shift-JIS has no emoji and no Hangul: each goes as its numeric reference,
// never as "?", and the message keeps its line break.
TEST_F(PostTest, CharactersShiftJisLacksGoAsNumericReferences)
{
    set_mode(PostMode::Success);
    EXPECT_EQ(post(L"", L"", L"\u3042\r\n\U0001F600\uD55C\u00E9"), 1);
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, sjis("あ") + "\r\n&#128512;&#54620;&#233;");
    EXPECT_NE(posts[0].body.find("MESSAGE=%82%a0%0d%0a%26%23128512%3b%26%2354620%3b%26%23233%3b&"), std::string::npos)
        << posts[0].body;
}

// In the name and mail fields a "#" starts a trip key: a reference would
// become one, or be cut there.
TEST_F(PostTest, NameOrMailWithACharacterShiftJisLacksIsRefusedWithNothingSent)
{
    EXPECT_EQ(post(L"\uD55C", L"", L"x"), 0);
    EXPECT_EQ(post(L"", L"sage\U0001F600", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"名前に送れない文字があります", L"post_res"},
                                                {L"メール欄に送れない文字があります", L"post_res"}}));
    EXPECT_EQ(server_.accepted_connections(), 0u);
}

TEST_F(PostTest, NoOpenThreadOrAnUnpostableBoardIsRefused)
{
    OpenThreadTable.current = -1;
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    OpenThreadTable.current = 0;
    wcscpy(thread_.board.dir, L"mo&bile");
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    wcscpy(thread_.board.dir, L"mobile");
    wcscpy(thread_.fileName, L".dat");
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"スレが開かれていません", L"post_res"},
                                                {L"この板には書き込めません", L"post_res"},
                                                {L"このスレには書き込めません", L"post_res"}}));
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(PostTest, SecondLevelHostPostsBelowItsPrefix)
{
    wcscpy(thread_.board.host, L"pc.2ch.net/sub");
    server_.put_dat("sub/mobile", "1065069078", kFirstLine);
    set_mode(PostMode::Success);
    EXPECT_EQ(post(L"", L"sage", L"あい\r\nう"), 1);
    auto log = requests(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].raw,
              post_head("http://pc.2ch.net/sub/test/bbs.cgi", kReferer, sizeof kBody - 1, nullptr) + kBody + "\r\n");
    EXPECT_EQ(log[0].path, "/sub/test/bbs.cgi");
    EXPECT_EQ(server_.posts().at(0).outcome, PostOutcome::Success);
}

TEST_F(PostTest, TimeFieldIsOneDayAndFifteenSecondsBack)
{
    set_mode(PostMode::Success);
    g_clock = PostClock{2003, 10, 2, 4, 31, 10};
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    // Just after midnight the date is not changed: the time is taken as read.
    g_clock = PostClock{2003, 10, 2, 0, 0, 10};
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].time, "1064982655");   // 04:30:55 a day earlier
    EXPECT_EQ(posts[1].time, "1064966410");   // 00:00:10 a day earlier
    set_post_clock_source(nullptr);
    uint32_t now = make_post_time();
    uint32_t unixNow = static_cast<uint32_t>(time(nullptr));
    EXPECT_LE(now, unixNow);
    EXPECT_GE(now + 17, unixNow);   // fifteen seconds back, or the time as read
}

TEST_F(PostTest, ConnectionFailureIsReported)
{
    server_.stop();
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"サーバーソケットに接続失敗", L"Error"}}));
}

TEST_F(PostTest, UncreatableReplyFileEndsTheAttemptAndIsLeftAlone)
{
    ASSERT_TRUE(CreateDirectoryA(dir_.file("rcv1_data.txt").c_str(), nullptr));
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"一時保存ファイル作成失敗", L"Error"}}));
    DWORD attrs = GetFileAttributesA(dir_.file("rcv1_data.txt").c_str());
    EXPECT_NE(attrs, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_DIRECTORY);
    // The request went out once; nothing was resent and no cookie was stored.
    EXPECT_EQ(requests(1).size(), 1u);
    EXPECT_FALSE(file_exists(dir_.file("cookie.txt")));
    RemoveDirectoryA(dir_.file("rcv1_data.txt").c_str());
}

TEST_F(PostTest, CookieFileThatCannotBeReplacedIsReportedAndThePostGoesOn)
{
    ASSERT_TRUE(CreateDirectoryA(dir_.file("cookie.txt").c_str(), nullptr));
    set_mode(PostMode::Success);
    EXPECT_EQ(post(L"", L"", L"x"), 1);
    std::wstring path = sjis_to_wide(dir_.file("cookie.txt"));
    EXPECT_EQ(messages(), (std::vector<Message>{{path + L"オープンに失敗", L"post_res"},
                                                {L"書きこみが終わりました", L"post_res"}}));
    // No Cookie line: the file could not be read either.
    auto log = requests(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].head.find("Cookie:"), std::string::npos);
    EXPECT_FALSE(file_exists(dir_.file("cookie.txt.new")));
    RemoveDirectoryA(dir_.file("cookie.txt").c_str());
}

// ---- behind the progress dialog ----

namespace {

std::mutex g_debugLock;
std::vector<std::wstring> g_debug;
void capture_debug(const wchar_t* text)
{
    std::lock_guard<std::mutex> hold(g_debugLock);
    g_debug.emplace_back(text);
}

}  // namespace

TEST_F(PostTest, WorkerPostsBehindTheProgressDialog)
{
    set_debug_output_hook(capture_debug);
    EXPECT_EQ(run_post_res(L"", L"sage", L"あい\r\nう", nullptr), 1);
    set_debug_output_hook(nullptr);
    EXPECT_EQ(messages(), (std::vector<Message>{{L"書きこみが終わりました", L"post_res"}}));
    EXPECT_EQ(server_.posts().size(), 2u);
    std::lock_guard<std::mutex> hold(g_debugLock);
    std::vector<std::wstring> lines;
    for (const std::wstring& l : g_debug) {
        if (l.find(L"post_res_thread") != std::wstring::npos) lines.push_back(l);
    }
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Start post_res_thread\n", L"End post_res_thread\n"}));
}

TEST_F(PostTest, CancelWhileWaitingEndsWithARecvError)
{
    Behaviour held;
    held.hold = true;
    server_.set_behaviour("/test/bbs.cgi", held);
    net_test::ProgressCanceller canceller(PostTask);
    EXPECT_EQ(run_post_res(L"", L"", L"x", nullptr), 0);
    EXPECT_TRUE(canceller.pressed());
    EXPECT_EQ(canceller.slices(), 1) << "the wait ended at the end of the second in which Cancel was pressed";
    EXPECT_EQ(canceller.caption(), L"書き込み中");
    EXPECT_EQ(messages(), (std::vector<Message>{{L"recvエラーです", L"Error"},
                                                {L"なんか書きこめなかったみたい", L"post_res"}}));
    server_.clear_behaviours();
}

// ---- one network operation at a time ----

TEST_F(PostTest, PostGoesToTheThreadOpenWhenItStarted)
{
    set_mode(PostMode::Success);
    const PostThread started = current_post_thread();
    ASSERT_TRUE(started.open);
    // Meanwhile the main window opens another thread in the slot, then closes it.
    wcscpy(thread_.board.dir, L"other");
    wcscpy(thread_.fileName, L"1111111111.dat");
    std::atomic<uint8_t> flag{0};
    EXPECT_EQ(post_res(nullptr, started, L"", L"", L"x", &flag), 1);
    OpenThreadTable.current = -1;
    EXPECT_EQ(post_res(nullptr, started, L"", L"", L"y", &flag), 1);
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    for (const auto& p : posts) {
        EXPECT_EQ(p.bbs, "mobile");
        EXPECT_EQ(p.key, "1065069078");
    }
    // The copy is taken when run_post_res starts (the server has no such
    // thread: the post itself fails).
    OpenThreadTable.current = 0;
    run_post_res(L"", L"", L"z", nullptr);
    EXPECT_STREQ(PostTask.thread.board.dir, L"other");
    EXPECT_STREQ(PostTask.thread.fileName, L"1111111111.dat");
}

namespace {

// What the main window does while a post runs, on the UI thread: a message
// sent (not posted) to this window from the post's wait runs `act` there,
// before the wait reads its cancel flag.
class UiHand {
public:
    UiHand()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PostTestUiHand";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~UiHand()
    {
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    HWND window() const { return window_; }
    void at_slice(int slice, std::function<void()> act)
    {
        act_ = std::move(act);
        slices_.at(slice, [this] { SendMessageW(window_, WM_APP, 0, 0); });
    }
    int slices() const { return slices_.count(); }

private:
    static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
    {
        auto* self = reinterpret_cast<UiHand*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        if (msg == WM_APP && self && self->act_) {
            self->act_();
            return 0;
        }
        return DefWindowProcW(w, msg, wp, lp);
    }

    HWND window_ = nullptr;
    std::function<void()> act_;
    net_test::WaitSlices slices_;
};

}  // namespace

// The modeless editor leaves the main window usable: a fetch it starts
// while the post waits is refused, and never reaches the server.
TEST_F(PostTest, SecondOperationWhileAPostRunsIsRefused)
{
    Behaviour held;
    held.hold = true;
    server_.set_behaviour("/test/bbs.cgi", held);
    UiHand hand;
    char* fetched = reinterpret_cast<char*>(1);
    bool runningSeen = false;
    hand.at_slice(1, [&] {
        runningSeen = network_operation_running();
        uint32_t length = 0;
        fetched = run_get_html_sabun(L"http://pc.2ch.net/mobile/subject.txt", &length, 0);
        SendMessageW(PostTask.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    EXPECT_EQ(run_post_res(L"", L"", L"x", hand.window()), 0);
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(fetched, nullptr);
    EXPECT_FALSE(network_operation_running());
    EXPECT_EQ(messages(), (std::vector<Message>{{L"通信中です\n終わってからもう一度どうぞ", L"Error"},
                                                {L"recvエラーです", L"Error"},
                                                {L"なんか書きこめなかったみたい", L"post_res"}}));
    server_.release_held();
    EXPECT_EQ(server_.accepted_connections(), 1u);
    // Once the post has ended, the next operation runs.
    uint32_t length = 0;
    char* log = run_get_html_sabun(L"http://pc.2ch.net/mobile/dat/1065069078.dat", &length, 0);
    EXPECT_NE(log, nullptr);
    if (log) LocalFree(log);
}

// The main window ending (or the editor closing) destroys the progress
// dialog with its owner: that cancels like the close button, and the post
// ends at the end of that one-second wait, not after the whole wait.
TEST_F(PostTest, ProgressDialogDestroyedWithItsOwnersCancels)
{
    Behaviour held;
    held.hold = true;
    server_.set_behaviour("/test/bbs.cgi", held);
    UiHand main;
    HWND editor = CreateWindowExW(0, L"STATIC", L"editor", WS_POPUP, 0, 0, 10, 10, main.window(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(editor, nullptr);
    main.at_slice(1, [&] { DestroyWindow(main.window()); });
    EXPECT_EQ(run_post_res(L"", L"", L"x", editor), 0);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(main.slices(), 1) << "the wait ended at the end of the second in which the owner went";
    EXPECT_EQ(messages(), (std::vector<Message>{{L"recvエラーです", L"Error"},
                                                {L"なんか書きこめなかったみたい", L"post_res"}}));
    EXPECT_FALSE(network_operation_running());
    server_.clear_behaviours();
}

// ---- the compression proxy ----

namespace {

const wchar_t kConfiguratorKey[] = L"Software\\Venturi\\Venturi Configurator";
const wchar_t kServiceKey[] = L"Services\\VentSM";

bool key_exists(const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool write_value(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

const std::string kProxyOff =
    "GET vpn_prof,nr_profiles\nFROM VSLookupParams\n"
    "GET rowid,tablename\nFROM MetaTable\n"
    "SET vpn_prof=1\nWHERE rowid=0\nFROM VSLookupParams\n"
    "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n";
const std::string kProxyBackOn =
    "GET rowid,tablename\nFROM MetaTable\n"
    "SET vpn_prof=0\nWHERE rowid=0\nFROM VSLookupParams\n"
    "SET modified=1\nWHERE rowid=4\nFROM MetaTable\n";

// A handset whose compression proxy is installed, running and on.
class PostProxyTest : public PostTest {
protected:
    void SetUp() override
    {
        PostTest::SetUp();
        core_ = LoadLibraryW(L"coredll.dll");
        ASSERT_NE(core_, nullptr) << "coredll.dll must lie beside the test executable";
        auto setLoaded = reinterpret_cast<void (*)(int)>(
            reinterpret_cast<void*>(GetProcAddress(core_, "coredll_test_set_service_loaded")));
        ASSERT_NE(setLoaded, nullptr);
        setLoaded(1);
        venturi_set_service_library(nullptr);
        hadSoftwareVenturi_ = key_exists(L"Software\\Venturi");
        hadServices_ = key_exists(L"Services");
        ASSERT_FALSE(key_exists(kServiceKey)) << "left over from another run";
        db_ = std::make_unique<VdbServer>();
        ASSERT_TRUE(db_->listening());
        DWORD port = db_->port();
        ASSERT_TRUE(write_value(kConfiguratorKey, L"DBPORT", REG_DWORD, &port, sizeof port));
        ASSERT_TRUE(write_value(kServiceKey, L"Prefix", REG_SZ, L"VSM", 4 * sizeof(wchar_t)));
        Settings.VentCtrl = 1;
    }

    void TearDown() override
    {
        db_.reset();
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kConfiguratorKey);
        if (!hadSoftwareVenturi_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Venturi");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey);
        if (!hadServices_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Services");
        if (core_) FreeLibrary(core_);
        PostTest::TearDown();
    }

    // Switched off for the post and back on afterwards, with nothing held.
    void expect_switched_and_restored()
    {
        EXPECT_EQ(db_->vpn_prof(), 0);
        EXPECT_EQ(db_->all_requests(), kProxyOff + kProxyBackOn);
        EXPECT_FALSE(venturi_switch_in_use());
        EXPECT_FALSE(venturi_entry_points_loaded());
    }

    HMODULE core_ = nullptr;
    std::unique_ptr<VdbServer> db_;
    bool hadSoftwareVenturi_ = false;
    bool hadServices_ = false;
};

}  // namespace

TEST_F(PostProxyTest, OffForTheWholeExchangeAndBackOnAfterASuccess)
{
    // The proxy must already be off when the script is reached.
    std::atomic<int> profileSeen{-1};
    server_.set_request_observer([&](const boardserver::RecordedRequest&) {
        if (profileSeen.load() == -1) profileSeen = db_->vpn_prof();
    });
    EXPECT_EQ(post(L"", L"sage", L"x"), 1);
    server_.set_request_observer(nullptr);
    EXPECT_EQ(profileSeen.load(), 1);
    expect_switched_and_restored();
}

TEST_F(PostProxyTest, RestoredWhenOffline)
{
    Settings.LineOnOff = 0;
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    expect_switched_and_restored();
}

TEST_F(PostProxyTest, RestoredAfterANetworkFailure)
{
    server_.stop();
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    expect_switched_and_restored();
}

TEST_F(PostProxyTest, RestoredAfterARefusalAndAnErrorPage)
{
    std::wstring name(134, L'あ');
    EXPECT_EQ(post(name.c_str(), L"", L"x"), 0);
    expect_switched_and_restored();
    set_mode(PostMode::Error);
    EXPECT_EQ(post(L"", L"", L"x"), 0);
    EXPECT_EQ(db_->all_requests(), kProxyOff + kProxyBackOn + kProxyOff + kProxyBackOn);
    EXPECT_EQ(db_->vpn_prof(), 0);
}

TEST_F(PostProxyTest, RestoredAfterACancel)
{
    Behaviour held;
    held.hold = true;
    server_.set_behaviour("/test/bbs.cgi", held);
    net_test::ProgressCanceller canceller(PostTask);
    EXPECT_EQ(run_post_res(L"", L"", L"x", nullptr), 0);
    EXPECT_TRUE(canceller.pressed());
    expect_switched_and_restored();
    server_.clear_behaviours();
}
