// A new thread posted to the loopback board server: the request bytes, the
// confirmation resend, the thread the server made, and the refusals before
// anything is sent.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "net/post_win.h"
#include "store/settings.h"
#include "tests/net/loopbackfixture_win.h"

using boardserver::PostMode;
using boardserver::PostOutcome;
using boardserver::PostSettings;
using net_test::Message;

namespace {

// The server's clock: the new thread's key.
constexpr int64_t kServerClock = 1065100000;
const char kCookies2[] = "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; ";

bool fixed_clock(PostClock* t)
{
    *t = PostClock{2003, 10, 2, 4, 31, 33};
    return true;
}

// 新スレ by 立てた人, message 本文, on "mobile"; the time field as the reply's.
const char kBody[] =
    "hana=mogera&submit=%90V%8bK%83X%83%8c%83b%83h%8d%ec%90%ac&subject=%90V%83X%83%8c&FROM=%97%a7%82%c4%82%bd%90l"
    "&mail=&MESSAGE=%96%7b%95%b6&bbs=mobile&time=1064982678";

std::string post_head(size_t length, const char* cookie)
{
    std::string h = "POST http://pc.2ch.net/test/bbs.cgi HTTP/1.0\r\nreferer: http://pc.2ch.net/mobile/\r\n"
                    "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\nHost: 127.0.0.1\r\n"
                    "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                    std::to_string(length) + "\r\n";
    if (cookie) h += std::string("Cookie: ") + cookie + "\r\n";
    return h + "\r\n";
}

class NewThreadPost : public net_test::LoopbackProxyFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(LoopbackProxyFixture::SetUp());
        Settings.LineOnOff = 1;
        Settings.VentCtrl = 0;
        std::memset(&board_, 0, sizeof board_);
        wcscpy(board_.host, L"pc.2ch.net");
        wcscpy(board_.dir, L"mobile");
        server_.site().set_clock(kServerClock);
        server_.put_subject("mobile", "1065069078.dat<>old (1)\n");
        PostSettings ps;
        ps.date = "2003/10/03 00:00:00 ID:Qv0Test0";
        server_.set_post_settings(ps);
        set_post_clock_source(fixed_clock);
    }

    void TearDown() override
    {
        set_post_clock_source(nullptr);
        LoopbackProxyFixture::TearDown();
    }

    int post(const wchar_t* subject, const wchar_t* name = L"立てた人", const wchar_t* message = L"本文")
    {
        std::atomic<uint8_t> flag{0};
        return post_new_thread(nullptr, board_, subject, name, L"", message, &flag);
    }

    BoardEntry board_;
};

}  // namespace

TEST_F(NewThreadPost, ConfirmedThenResentAndTheBoardHasTheThread)
{
    EXPECT_EQ(post(L"新スレ"), 1);
    expect_messages({{L"書きこみが終わりました", L"post_res"}});

    auto log = requests(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].raw, post_head(sizeof kBody - 1, nullptr) + kBody + "\r\n");
    EXPECT_EQ(log[1].raw, post_head(sizeof kBody - 1, kCookies2) + kBody + "\r\n");
    auto posts = server_.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].outcome, PostOutcome::Confirm);
    EXPECT_EQ(posts[1].outcome, PostOutcome::Success);
    EXPECT_EQ(posts[1].key, "1065100000");

    // The log's first line carries the title; the list names it first.
    EXPECT_EQ(server_.dat("mobile", "1065100000"),
              "\x97\xa7\x82\xc4\x82\xbd\x90\x6c<><>2003/10/03 00:00:00 ID:Qv0Test0<> \x96\x7b\x95\xb6 "
              "<>\x90\x56\x83\x58\x83\x8c\n");
    EXPECT_EQ(server_.file("/mobile/subject.txt"),
              "1065100000.dat<>\x90\x56\x83\x58\x83\x8c (1)\n1065069078.dat<>old (1)\n");
    EXPECT_EQ(read_file_bytes(dir_.file("cookie.txt")), kCookies2);
}

TEST_F(NewThreadPost, FailureIsReportedAndMakesNoThread)
{
    PostSettings ps = server_.site().post_settings();
    ps.mode = PostMode::Error;
    server_.set_post_settings(ps);
    EXPECT_EQ(post(L"新スレ"), 0);
    expect_messages({{L"ＥＲＲＯＲ", L"post_res"}, {L"なんか書きこめなかったみたい", L"post_res"}});
    EXPECT_EQ(server_.file("/mobile/subject.txt"), "1065069078.dat<>old (1)\n");
}

// Every refusal of the title is said before a connection is made.
TEST_F(NewThreadPost, TitlesRefusedWithNothingSent)
{
    const std::wstring overlong(134, L'あ');
    struct Case {
        const wchar_t* subject;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L"", L"スレタイを入れてください"},
        {overlong.c_str(), L"スレタイが長すぎます"},
        {L"絵文字\U0001F600", L"スレタイに送れない文字があります"},
    };
    for (const Case& c : cases) {
        reports_.clear();
        EXPECT_EQ(post(c.subject), 0);
        expect_messages({{c.message, L"post_res"}});
    }
    // A title of the whole room goes.
    const std::wstring full(133, L'あ');
    PostSettings ps = server_.site().post_settings();
    ps.mode = PostMode::Success;
    EXPECT_EQ(server_.accepted_connections(), 0u);
    server_.set_post_settings(ps);
    EXPECT_EQ(post(full.c_str()), 1);
    std::string sjisFull;
    for (int i = 0; i < 133; ++i) sjisFull += "\x82\xa0";
    EXPECT_EQ(server_.posts().at(0).subject, sjisFull);
}
