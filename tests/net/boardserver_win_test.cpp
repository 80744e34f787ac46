// The loopback board server that the network tests and the demonstration use:
// it must answer ranges, gzip, HEAD and the posting script the way the
// program expects, misbehave on request, and log exactly what it received.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "base/handles.h"
#include "tests/support/hangguard_win.h"
#include "tests/support/winsetup.h"
#include "tools/boardserver/boardserver.h"
#include "tools/boardserver/tunnel_win.h"
#include "tools/boardserver/pages.h"

using namespace boardserver;

namespace {

constexpr int64_t kClock = 1065069078;   // Thu, 02 Oct 2003 04:31:18 GMT
const char* const kUa = "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n";

struct Exchange {
    std::string bytes;
    bool closed = false;   // the server closed the connection
    bool connected = false;
};

// A bare loopback client's connection with its request sent; invalid when
// it could not connect.
UniqueSocket send_to(uint16_t port, const std::string& request)
{
    UniqueSocket s = boardserver::connect_loopback(port);
    if (s.valid()) send(s.get(), request.data(), static_cast<int>(request.size()), 0);
    return s;
}

// What arrives on `s` until the server closes or `want` bytes are in; the
// ceiling is only a hang guard (a test that reaches it has failed anyway).
Exchange receive(SOCKET s, size_t want = SIZE_MAX, int ceilingMs = 60000)
{
    Exchange ex;
    ex.connected = s != INVALID_SOCKET;
    if (!ex.connected) return ex;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ceilingMs);
    char buf[65536];
    while (ex.bytes.size() < want && std::chrono::steady_clock::now() < until) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv{0, 50000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) {
            ex.closed = true;
            break;
        }
        ex.bytes.append(buf, static_cast<size_t>(n));
    }
    return ex;
}

// One request, then everything until the server's close.
Exchange talk(uint16_t port, const std::string& request)
{
    UniqueSocket s = send_to(port, request);
    return receive(s.get());
}

// Bytes that have arrived on `s` and wait to be read, a close included: none
// when the server has neither sent nor closed.
bool anything_arrived(SOCKET s)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval now{0, 0};
    return select(0, &set, nullptr, nullptr, &now) != 0;
}

std::string head_of(const std::string& reply)
{
    size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? reply : reply.substr(0, end + 4);
}

std::string body_of(const std::string& reply)
{
    size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

std::string get_request(const std::string& url, int rangeStart)
{
    std::string r = "GET " + url + " HTTP/1.0\r\n" + kUa + "Host: 127.0.0.1\r\n";
    if (rangeStart > 0) {
        r += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
    } else {
        r += "Accept: */*\r\nAccept-Encoding: gzip, deflate\r\n";
    }
    return r + "\r\n";
}

std::string head_request(const std::string& url, int rangeStart)
{
    std::string r = "HEAD " + url + " HTTP/1.1\r\n" + kUa + "Host: 127.0.0.1\r\n";
    if (rangeStart > 0) r += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
    return r + "\r\n";
}

std::string inflate_gzip(const std::string& data)
{
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, 31) != Z_OK) return "<inflateInit2 failed>";
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char chunk[16384];
    int rc;
    do {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - z.avail_out);
    } while (rc == Z_OK);
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : "<inflate failed>";
}

// A thread log of exactly `size` bytes of whole lines.
std::string dat_of_size(size_t size)
{
    std::string line = utf8_to_sjis("名無しさん<>sage<>2003/10/02(木) 13:31:18 ID:abcdefgh<> テスト <>\n");
    std::string out;
    while (out.size() + line.size() <= size) out += line;
    out.append(size - out.size() - 1, 'x');
    out += "\n";
    return out;
}

class BoardServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
        server.site().set_clock(kClock);
        ASSERT_TRUE(server.start());
        ASSERT_NE(server.port(), 0);
    }
    void TearDown() override
    {
        server.stop();
        WSACleanup();
    }
    Exchange ask(const std::string& request) { return talk(server.port(), request); }

    BoardServer server;
};

}  // namespace

TEST_F(BoardServerTest, RangeFromTheOffsetGives206AndBeyondTheEndGives416)
{
    std::string dat = dat_of_size(1500);
    server.put_dat("mobile", "1065069078", dat);
    const std::string url = "http://pc.2ch.net/mobile/dat/1065069078.dat";

    Exchange part = ask(get_request(url, 999));
    ASSERT_TRUE(part.closed);
    EXPECT_EQ(head_of(part.bytes),
              "HTTP/1.1 206 Partial Content\r\n"
              "Date: Thu, 02 Oct 2003 04:31:18 GMT\r\n"
              "Server: boardserver/1.0\r\n"
              "Last-Modified: Thu, 02 Oct 2003 04:31:18 GMT\r\n"
              "Accept-Ranges: bytes\r\n"
              "Content-Range: bytes 999-1499/1500\r\n"
              "Content-Length: 501\r\n"
              "Connection: close\r\n"
              "Content-Type: text/plain\r\n\r\n");
    EXPECT_EQ(body_of(part.bytes), dat.substr(999));

    // The program's overlap byte: nothing new gives back the last line feed.
    Exchange last = ask(get_request(url, 1499));
    EXPECT_EQ(head_of(last.bytes).substr(0, 30), "HTTP/1.1 206 Partial Content\r\n");
    EXPECT_EQ(body_of(last.bytes), "\n");

    Exchange beyond = ask(get_request(url, 1500));
    EXPECT_EQ(head_of(beyond.bytes).substr(0, 46), "HTTP/1.1 416 Requested Range Not Satisfiable\r\n");
    EXPECT_NE(head_of(beyond.bytes).find("\r\nContent-Range: bytes */1500\r\n"), std::string::npos);

    // A deleted response shortens the log: the old offset is now beyond it.
    ASSERT_TRUE(server.truncate_dat("mobile", "1065069078", 1000));
    Exchange shrunk = ask(get_request(url, 999));
    EXPECT_EQ(body_of(shrunk.bytes), dat.substr(999, 1));
    Exchange gone = ask(get_request(url, 1200));
    EXPECT_EQ(gone.bytes.substr(0, 12), "HTTP/1.1 416");

    // Growth shows at the old end.
    server.append_dat("mobile", "1065069078", "added<><>date<> body <>\n");
    Exchange grown = ask(get_request(url, 999));
    EXPECT_EQ(body_of(grown.bytes), dat.substr(999, 1) + "added<><>date<> body <>\n");
}

TEST_F(BoardServerTest, WholeFetchIsGzipThatInflatesToTheFile)
{
    std::string dat = dat_of_size(20000);
    server.put_dat("mobile", "1065069078", dat);

    Exchange ex = ask(get_request("http://pc.2ch.net/mobile/dat/1065069078.dat", 0));
    std::string head = head_of(ex.bytes);
    std::string body = body_of(ex.bytes);
    EXPECT_EQ(head.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_NE(head.find("\r\nContent-Encoding: gzip\r\n"), std::string::npos);
    EXPECT_NE(head.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    ASSERT_GE(body.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(body[0]), 0x1f);
    EXPECT_EQ(static_cast<unsigned char>(body[1]), 0x8b);
    EXPECT_LT(body.size(), dat.size());
    EXPECT_EQ(inflate_gzip(body), dat);

    // Without Accept-Encoding the file comes plain.
    Exchange plain = ask("GET /mobile/dat/1065069078.dat HTTP/1.0\r\nHost: pc.2ch.net\r\n\r\n");
    EXPECT_EQ(head_of(plain.bytes).find("Content-Encoding"), std::string::npos);
    EXPECT_EQ(body_of(plain.bytes), dat);
}

TEST_F(BoardServerTest, ProxyFormAndOriginFormReachTheSameDataAndAreLoggedByteForByte)
{
    std::string subject = utf8_to_sjis("1065069078.dat<>春は来る？ (123)\n");
    server.put_subject("mobile", subject);

    std::string viaProxy =
        std::string("GET http://pc.2ch.net/mobile/subject.txt HTTP/1.0\r\n") + kUa + "Host: 127.0.0.1\r\n\r\n";
    std::string direct = std::string("GET /mobile/subject.txt HTTP/1.0\r\n") + kUa + "Host: srv.2ch.net:80\r\n\r\n";
    Exchange a = ask(viaProxy);
    Exchange b = ask(direct);
    EXPECT_EQ(body_of(a.bytes), subject);
    EXPECT_EQ(body_of(b.bytes), subject);

    ASSERT_TRUE(server.wait_for_requests(2, 5000));
    auto log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].raw, viaProxy);
    EXPECT_EQ(log[0].head, viaProxy);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].target, "http://pc.2ch.net/mobile/subject.txt");
    EXPECT_EQ(log[0].host, "pc.2ch.net");
    EXPECT_EQ(log[0].path, "/mobile/subject.txt");
    EXPECT_EQ(log[0].status, 200);
    EXPECT_EQ(log[1].raw, direct);
    EXPECT_EQ(log[1].host, "srv.2ch.net");

    // Unknown paths, redirects, bytes that are no request.
    Exchange missing = ask(get_request("http://pc.2ch.net/mobile/dat/1.dat", 0));
    EXPECT_EQ(missing.bytes.substr(0, 22), "HTTP/1.1 404 Not Found");
    server.set_redirect("/oldboard/subject.txt", "http://srv.2ch.net/newboard/");
    Exchange moved = ask(get_request("http://pc.2ch.net/oldboard/subject.txt", 0));
    EXPECT_EQ(moved.bytes.substr(0, 18), "HTTP/1.1 302 Found");
    EXPECT_NE(head_of(moved.bytes).find("\r\nLocation: http://srv.2ch.net/newboard/\r\n"), std::string::npos);
    Exchange bad = ask("HELLO\r\n\r\n");
    EXPECT_EQ(bad.bytes.substr(0, 24), "HTTP/1.1 400 Bad Request");
}

TEST_F(BoardServerTest, HeadWithRangeAnswersTheHeadAlone)
{
    server.put_dat("mobile", "1065069078", dat_of_size(5200));
    const std::string url = "http://pc.2ch.net/mobile/dat/1065069078.dat";

    Exchange grown = ask(head_request(url, 5000));
    EXPECT_EQ(grown.bytes.substr(0, 30), "HTTP/1.1 206 Partial Content\r\n");
    EXPECT_NE(grown.bytes.find("\r\nContent-Length: 200\r\n"), std::string::npos);
    EXPECT_EQ(body_of(grown.bytes), "");
    EXPECT_TRUE(grown.closed);

    Exchange same = ask(head_request(url, 5200));
    EXPECT_EQ(same.bytes.substr(0, 12), "HTTP/1.1 416");
    EXPECT_EQ(body_of(same.bytes), "");

    Exchange whole = ask(head_request(url, 0));
    EXPECT_EQ(whole.bytes.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_NE(whole.bytes.find("\r\nContent-Length: 5200\r\n"), std::string::npos);
    EXPECT_EQ(body_of(whole.bytes), "");
}

namespace {

std::string post_request(const std::string& body, const std::string& cookie, bool withCookie)
{
    std::string r = "POST http://pc.2ch.net/test/bbs.cgi HTTP/1.0\r\n"
                    "referer: http://pc.2ch.net/mobile/\r\n";
    r += kUa;
    r += "Host: 127.0.0.1\r\n";
    r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (withCookie) r += "Cookie: " + cookie + "\r\n";
    return r + "\r\n" + body + "\r\n";
}

// あい CR LF う, as the program encodes it.
const char* const kPostBody =
    "hana=mogera&submit=%8f%91%82%ab%8d%9e%82%de&FROM=&mail=sage&MESSAGE=%82%a0%82%a2%0d%0a%82%a4"
    "&bbs=mobile&key=1065069078&time=1064982678";

}  // namespace

TEST_F(BoardServerTest, PostAsksForConfirmationThenAppendsTheResponse)
{
    std::string first = utf8_to_sjis("名無しさん<><>2003/10/02(木) 13:31:18 ID:abcdefgh<> 1 <>スレ\n");
    server.put_dat("mobile", "1065069078", first);
    server.put_subject("mobile", utf8_to_sjis("1065069070.dat<>ほか (3)\n1065069078.dat<>スレ (1)\n"));
    PostSettings ps;
    ps.date = utf8_to_sjis("2003/10/03(金) 00:00:00 ID:Qv0Test0");
    server.set_post_settings(ps);

    std::string firstPost = post_request(kPostBody, "", false);
    Exchange confirm = ask(firstPost);
    std::string head = head_of(confirm.bytes);
    EXPECT_EQ(head.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_NE(head.find("\r\nSet-Cookie: PON=qv127001.loopback; expires=Friday, 01-Jan-2038 00:00:00 GMT; "
                        "path=/\r\nSet-Cookie: HAP=FOXqv2Kz8Lm0; expires="),
              std::string::npos);
    std::string page = body_of(confirm.bytes);
    EXPECT_NE(page.find(marker_confirm()), std::string::npos);
    EXPECT_EQ(page.find(marker_success()), std::string::npos);
    EXPECT_EQ(page.find(marker_error()), std::string::npos);
    EXPECT_EQ(server.dat("mobile", "1065069078"), first);

    // What the program keeps of the Set-Cookie lines and sends back.
    std::string secondPost = post_request(kPostBody, "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0; ", true);
    Exchange done = ask(secondPost);
    EXPECT_NE(body_of(done.bytes).find(marker_success()), std::string::npos);
    EXPECT_EQ(body_of(done.bytes).find(marker_confirm()), std::string::npos);

    std::string added = utf8_to_sjis("名無しさん<>sage<>2003/10/03(金) 00:00:00 ID:Qv0Test0<> あい <br> う <>\n");
    EXPECT_EQ(server.dat("mobile", "1065069078"), first + added);
    // A sage post updates the count and leaves the order.
    EXPECT_EQ(server.file("/mobile/subject.txt"),
              utf8_to_sjis("1065069070.dat<>ほか (3)\n1065069078.dat<>スレ (2)\n"));

    auto posts = server.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].outcome, PostOutcome::Confirm);
    EXPECT_FALSE(posts[0].hadCookieLine);
    EXPECT_EQ(posts[1].outcome, PostOutcome::Success);
    EXPECT_EQ(posts[1].cookieLine, "PON=qv127001.loopback; HAP=FOXqv2Kz8Lm0;");
    EXPECT_EQ(posts[1].submit, utf8_to_sjis("書き込む"));
    EXPECT_EQ(posts[1].message, utf8_to_sjis("あい\r\nう"));
    EXPECT_EQ(posts[1].from, "");
    EXPECT_EQ(posts[1].mail, "sage");
    EXPECT_EQ(posts[1].time, "1064982678");
    EXPECT_EQ(posts[1].body, kPostBody);
    EXPECT_EQ(posts[1].appended, added);

    // The log holds the whole request, the CR LF after the body included.
    ASSERT_TRUE(server.wait_for_requests(2, 5000));
    auto log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].raw, firstPost);
    EXPECT_EQ(log[1].raw, secondPost);
    EXPECT_EQ(log[1].body, kPostBody);
    EXPECT_EQ(log[1].path, "/test/bbs.cgi");
}

TEST_F(BoardServerTest, PostSwitchesAnswerErrorNoMarkerManyCookiesOrCloseEarly)
{
    server.put_dat("mobile", "1065069078", "a<>b<>c<> d <>t\n");
    const std::string post = post_request(kPostBody, "", false);
    auto setCookies = [](const std::string& reply) {
        size_t n = 0;
        for (size_t at = reply.find("\r\nSet-Cookie: "); at != std::string::npos;
             at = reply.find("\r\nSet-Cookie: ", at + 1)) {
            ++n;
        }
        return n;
    };

    PostSettings ps;
    ps.mode = PostMode::Error;
    server.set_post_settings(ps);
    Exchange error = ask(post);
    EXPECT_NE(body_of(error.bytes).find(marker_error()), std::string::npos);
    EXPECT_EQ(body_of(error.bytes).find(marker_success()), std::string::npos);

    ps.mode = PostMode::NoMarker;
    server.set_post_settings(ps);
    std::string quiet = body_of(ask(post).bytes);
    EXPECT_NE(quiet.find("</html>"), std::string::npos);
    EXPECT_EQ(quiet.find(marker_error()), std::string::npos);
    EXPECT_EQ(quiet.find(marker_success()), std::string::npos);
    EXPECT_EQ(quiet.find(marker_confirm()), std::string::npos);

    ps.mode = PostMode::Normal;
    ps.cookieCount = 12;
    server.set_post_settings(ps);
    Exchange many = ask(post);
    EXPECT_EQ(setCookies(head_of(many.bytes)), 12u);
    EXPECT_NE(body_of(many.bytes).find(marker_confirm()), std::string::npos);

    ps.cookieCount = 0;   // nothing to carry: the first post goes through
    server.set_post_settings(ps);
    Exchange none = ask(post);
    EXPECT_EQ(setCookies(head_of(none.bytes)), 0u);
    EXPECT_NE(body_of(none.bytes).find(marker_success()), std::string::npos);

    ps.mode = PostMode::CloseEarly;
    ps.cookieCount = 2;
    server.set_post_settings(ps);
    Exchange early = ask(post);
    EXPECT_TRUE(early.closed);
    EXPECT_EQ(setCookies(head_of(early.bytes)), 2u);
    EXPECT_EQ(body_of(early.bytes), "");

    // An empty message and an unknown thread are refused with the error page.
    ps.mode = PostMode::Success;
    server.set_post_settings(ps);
    std::string noThread = body_of(ask(post_request("bbs=mobile&key=1&MESSAGE=x", "", false)).bytes);
    EXPECT_NE(noThread.find(marker_error()), std::string::npos);
    std::string noText = body_of(ask(post_request("bbs=mobile&key=1065069078&MESSAGE=", "", false)).bytes);
    EXPECT_NE(noText.find(marker_error()), std::string::npos);
    // One response was appended, by the post without cookies to carry.
    std::string after = server.dat("mobile", "1065069078");
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 2);

    // A board on a host with a second level posts to that level's script.
    server.put_dat("sub/zatsudan", "1064000000", "a<>b<>c<> d <>t\n");
    std::string sub = "POST http://srv.2ch.net/sub/test/bbs.cgi HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: 39\r\n\r\n"
                      "bbs=zatsudan&key=1064000000&MESSAGE=abc\r\n";
    Exchange subPost = ask(sub);
    EXPECT_NE(body_of(subPost.bytes).find(marker_success()), std::string::npos);
    std::string subDat = server.dat("sub/zatsudan", "1064000000");
    EXPECT_EQ(subDat.substr(subDat.size() - 10), "<> abc <>\n");
}

TEST_F(BoardServerTest, MisbehaviourSwitches)
{
    std::string dat = dat_of_size(3000);
    server.put_dat("mobile", "1065069078", dat);
    const std::string path = "/mobile/dat/1065069078.dat";
    const std::string url = "http://pc.2ch.net" + path;
    std::string normal = ask(get_request(url, 100)).bytes;
    ASSERT_EQ(normal.substr(0, 12), "HTTP/1.1 206");

    Behaviour b;
    b.closeAtOnce = true;
    b.uses = 1;
    server.set_behaviour(path, b);
    Exchange closed = ask(get_request(url, 100));
    EXPECT_TRUE(closed.closed);
    EXPECT_EQ(closed.bytes, "");
    EXPECT_EQ(ask(get_request(url, 100)).bytes, normal);   // used up

    b = Behaviour{};
    b.rawReply = kGarbageReply;
    server.set_behaviour("", b);   // every path
    EXPECT_EQ(ask(get_request("http://pc.2ch.net/x", 0)).bytes, kGarbageReply);
    server.clear_behaviours();

    b = Behaviour{};
    b.ignoreRange = true;
    server.set_behaviour(path, b);
    Exchange whole = ask(get_request(url, 100));
    EXPECT_EQ(whole.bytes.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(body_of(whole.bytes), dat);

    b = Behaviour{};
    b.splitHead = 4;
    b.splitPauseMs = 100;
    server.set_behaviour(path, b);
    EXPECT_EQ(ask(get_request(url, 100)).bytes, normal);
    EXPECT_EQ(server.requests().back().headPieces, 4);
    EXPECT_EQ(server.requests().front().headPieces, 1);

    // Held: nothing at all until released, then the answer.
    b = Behaviour{};
    b.hold = true;
    server.set_behaviour(path, b);
    UniqueSocket waiting = send_to(server.port(), get_request(url, 100));
    ASSERT_TRUE(server.wait_for_holding(1, 10000));
    EXPECT_FALSE(anything_arrived(waiting.get()));
    EXPECT_EQ(server.requests().back().status, 0);
    server.release_held();
    Exchange released = receive(waiting.get());
    EXPECT_TRUE(released.closed);
    EXPECT_EQ(released.bytes, normal);
    EXPECT_EQ(server.holding(), 0u);

    b = Behaviour{};
    b.hugeBody = 16ull * 1024 * 1024;
    server.set_behaviour(path, b);
    Exchange huge = ask(get_request(url, 0));
    EXPECT_TRUE(huge.closed);
    EXPECT_NE(head_of(huge.bytes).find("\r\nContent-Length: 16777216\r\n"), std::string::npos);
    EXPECT_EQ(body_of(huge.bytes).size(), 16u * 1024 * 1024);

    // Kept open: the whole answer, then no close while the server keeps it.
    b = Behaviour{};
    b.neverClose = true;
    server.set_behaviour(path, b);
    UniqueSocket kept = send_to(server.port(), get_request(url, 100));
    Exchange held = receive(kept.get(), normal.size());
    ASSERT_TRUE(server.wait_for_holding(1, 10000));
    EXPECT_FALSE(anything_arrived(kept.get()));
    EXPECT_FALSE(held.closed);
    EXPECT_EQ(held.bytes, normal);
}

TEST_F(BoardServerTest, CountsEveryConnectionAcceptedSoFar)
{
    EXPECT_EQ(server.accepted_connections(), 0u);
    // Two clients that never say a word, and one request: the count holds
    // them all as soon as their connects returned.
    UniqueSocket silent1 = send_to(server.port(), "");
    UniqueSocket silent2 = send_to(server.port(), "");
    ASSERT_TRUE(silent1.valid() && silent2.valid());
    EXPECT_EQ(server.accepted_connections(), 2u);
    EXPECT_EQ(ask("GET /bbsmenu.html HTTP/1.0\r\n\r\n").bytes.substr(0, 12), "HTTP/1.1 404");
    EXPECT_EQ(server.accepted_connections(), 3u);
    EXPECT_EQ(server.requests().size(), 1u) << "the silent ones are no requests";
    server.clear_requests();
    EXPECT_EQ(server.accepted_connections(), 0u);
}

TEST_F(BoardServerTest, StopEndsHeldAndDelayedConnectionsAndJoins)
{
    server.put_menu("<HTML></HTML>");
    Behaviour b;
    b.neverClose = true;
    server.set_behaviour("/bbsmenu.html", b);
    b = Behaviour{};
    b.hold = true;
    server.set_behaviour("/late", b);

    // Two clients left hanging on their own threads.
    UniqueSocket held(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    UniqueSocket late(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(server.port());
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(held.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(connect(late.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    std::string r1 = "GET http://menu.2ch.net/bbsmenu.html HTTP/1.0\r\n\r\n";
    std::string r2 = "GET http://menu.2ch.net/late HTTP/1.0\r\n\r\n";
    send(held.get(), r1.data(), static_cast<int>(r1.size()), 0);
    send(late.get(), r2.data(), static_cast<int>(r2.size()), 0);
    ASSERT_TRUE(server.wait_for_holding(2, 10000));

    {
        // Were stop() to wait for them, only the clients going away or a
        // release would end it.
        HangGuard guard(30000, [&] {
            server.release_held();
            shutdown(held.get(), SD_BOTH);
        });
        server.stop();
        EXPECT_FALSE(guard.fired());
    }
    EXPECT_FALSE(server.running());
    EXPECT_EQ(server.holding(), 0u);
    EXPECT_TRUE(receive(held.get()).closed);
    EXPECT_TRUE(receive(late.get()).closed);
    auto log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0].complete);
    EXPECT_TRUE(log[1].complete);

    // And it starts again on a new port with its data intact.
    ASSERT_TRUE(server.start());
    server.clear_behaviours();
    EXPECT_EQ(body_of(ask("GET /bbsmenu.html HTTP/1.0\r\n\r\n").bytes), "<HTML></HTML>");
}

TEST(BoardServerSample, LoadsAConsistentDataSet)
{
    std::wstring dir = sample_dir();
    BoardServer server;
    std::string error;
    ASSERT_TRUE(server.load_sample(dir, &error)) << error;
    EXPECT_FALSE(server.load_sample(dir + L"\\missing", &error));

    std::string menu = server.file("/bbsmenu.html");
    EXPECT_NE(menu.find("<A HREF=http://pc.2ch.net/mobile/>" + utf8_to_sjis("モバイル") + "</A><br>"),
              std::string::npos);
    EXPECT_NE(menu.find(utf8_to_sjis("<B>PC等</B>")), std::string::npos);

    // Every thread list names threads whose logs exist, with their true counts,
    // and every log line has its four fields.
    const char* const boards[] = {"mobile", "software", "news", "sub/zatsudan"};
    for (const char* board : boards) {
        std::string subject = server.file(subject_path(board));
        ASSERT_FALSE(subject.empty()) << board;
        size_t at = 0;
        while (at < subject.size()) {
            size_t lf = subject.find('\n', at);
            ASSERT_NE(lf, std::string::npos);
            std::string line = subject.substr(at, lf - at);
            at = lf + 1;
            std::string key = line.substr(0, line.find(".dat<>"));
            std::string dat = server.dat(board, key);
            ASSERT_FALSE(dat.empty()) << board << "/" << key;
            size_t lines = static_cast<size_t>(std::count(dat.begin(), dat.end(), '\n'));
            EXPECT_EQ(line.substr(line.rfind('(')), "(" + std::to_string(lines) + ")") << line;
            size_t from = 0;
            while (from < dat.size()) {
                size_t end = dat.find('\n', from);
                std::string l = dat.substr(from, end - from);
                size_t fields = 0;
                for (size_t p = l.find("<>"); p != std::string::npos; p = l.find("<>", p + 2)) ++fields;
                EXPECT_EQ(fields, 4u) << board << "/" << key << " line at " << from;
                from = end + 1;
            }
        }
    }
    std::string fav = server.dat("mobile", "1065069078");
    EXPECT_EQ(std::count(fav.begin(), fav.end(), '\n'), 123);
    EXPECT_NE(server.file("/mobile/subject.txt").find(
                  utf8_to_sjis("1065069078.dat<>春は来る？CE用2chブラウザ「Velmo」Part10 (123)\n")),
              std::string::npos);
}

// The menu of the demonstration over https: the scheme of every link, and
// not a byte more.
TEST(BoardServerSample, HttpsMenuChangesTheSchemeOfEveryLinkAndNothingElse)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"", ""},
        {"<A HREF=http://pc.2ch.net/mobile/>m</A>", "<A HREF=https://pc.2ch.net/mobile/>m</A>"},
        {"http://a/ http://b/", "https://a/ https://b/"},
        {"https://already/", "https://already/"},
        {"HTTP://upper/ http:/one-slash", "HTTP://upper/ http:/one-slash"},
        {"http://", "https://"},
        {"xhttp://http://", "xhttps://https://"},
    };
    for (const Case& c : cases) EXPECT_EQ(https_menu(c.in), c.out) << c.in;

    BoardServer server;
    std::string error;
    ASSERT_TRUE(server.load_sample(sample_dir(), &error)) << error;
    const std::string menu = server.file(kMenuPath);
    const std::string secure = https_menu(menu);
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_GT(count(menu, "http://"), 0u);
    EXPECT_EQ(count(secure, "http://"), 0u);
    EXPECT_EQ(count(secure, "https://"), count(menu, "http://") + count(menu, "https://"));
    EXPECT_EQ(secure.size(), menu.size() + count(menu, "http://"));
    EXPECT_NE(secure.find("<A HREF=https://pc.2ch.net/mobile/>" + utf8_to_sjis("モバイル") + "</A><br>"),
              std::string::npos);
}
