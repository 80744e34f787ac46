#include "net/httphead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string get_request(const char* url, const char* host, int32_t range)
{
    char buf[kRequestTextBytes];
    size_t n = format_get_request(buf, sizeof buf, url, host, range);
    return std::string(buf, n);
}

std::string head_request(const char* url, const char* host, int32_t range)
{
    char buf[kRequestTextBytes];
    size_t n = format_head_request(buf, sizeof buf, url, host, range);
    return std::string(buf, n);
}

ConnectionTarget target_of(std::string_view url, int32_t use, std::string_view proxy, int32_t port,
                           TargetError expect = TargetError::None)
{
    ConnectionTarget t{};
    EXPECT_EQ(connection_target(url, use, proxy, port, &t), expect) << url;
    return t;
}

// Feeds `reply` in pieces of the given sizes (the last piece takes the rest).
struct FeedResult {
    ReplyHeadReader::State state;
    std::string head;
    std::string bodyFromLastBlock;
};

FeedResult feed_split(const std::string& reply, const std::vector<size_t>& cuts)
{
    static ReplyHeadReader reader;   // 16 KB: keep it off the test stack
    reader = ReplyHeadReader();
    size_t pos = 0;
    FeedResult r{ReplyHeadReader::State::NeedMore, {}, {}};
    std::vector<size_t> sizes = cuts;
    sizes.push_back(reply.size());
    for (size_t want : sizes) {
        size_t n = std::min(want, reply.size() - pos);
        const char* block = reply.data() + pos;
        r.state = reader.feed(block, n);
        pos += n;
        if (r.state == ReplyHeadReader::State::Complete) {
            r.head = std::string(reader.head());
            r.bodyFromLastBlock = std::string(block + reader.body_offset(), reader.body_in_block());
            break;
        }
        if (pos >= reply.size()) break;
    }
    return r;
}

}  // namespace

TEST(RequestHead, UnrangedGetCarriesBothAcceptLinesAndNoRange)
{
    EXPECT_EQ(get_request("http://pc.example/mobile/dat/1065069078.dat", "pc.example", 0),
              "GET http://pc.example/mobile/dat/1065069078.dat HTTP/1.0\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: pc.example\r\n"
              "Accept: */*\r\n"
              "Accept-Encoding: gzip, deflate\r\n"
              "\r\n");
}

TEST(RequestHead, RangedGetCarriesRangeAndNoAcceptLine)
{
    EXPECT_EQ(get_request("http://srv/b/dat/1.dat", "srv", 999),
              "GET http://srv/b/dat/1.dat HTTP/1.0\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: srv\r\n"
              "Range: bytes=999-\r\n"
              "\r\n");
    std::string one = get_request("http://srv/b/dat/1.dat", "srv", 1);
    EXPECT_NE(one.find("Range: bytes=1-\r\n"), std::string::npos);
    EXPECT_EQ(one.find("Accept"), std::string::npos);
}

TEST(RequestHead, ProxyFormKeepsAbsoluteUrlAndNamesProxyInHost)
{
    EXPECT_EQ(get_request("http://board.example/news/subject.txt", "127.0.0.1", 0),
              "GET http://board.example/news/subject.txt HTTP/1.0\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: 127.0.0.1\r\n"
              "Accept: */*\r\n"
              "Accept-Encoding: gzip, deflate\r\n"
              "\r\n");
}

TEST(RequestHead, HeadIsHttp11WithRangeOrAcceptLines)
{
    EXPECT_EQ(head_request("http://srv/b/dat/2.dat", "srv", 5000),
              "HEAD http://srv/b/dat/2.dat HTTP/1.1\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: srv\r\n"
              "Range: bytes=5000-\r\n"
              "\r\n");
    EXPECT_EQ(head_request("http://srv/b/dat/2.dat", "srv", 0),
              "HEAD http://srv/b/dat/2.dat HTTP/1.1\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: srv\r\n"
              "Accept: */*\r\n"
              "Accept-Encoding: gzip, deflate\r\n"
              "\r\n");
}

TEST(RequestHead, RefusesWhatWouldNotBeOneRequest)
{
    char buf[kRequestTextBytes];
    // A line break in a server-supplied name would add header lines.
    EXPECT_EQ(format_get_request(buf, sizeof buf, "http://srv/b\r\nX: y/dat/1.dat", "srv", 0), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(format_get_request(buf, sizeof buf, "http://srv/b c/", "srv", 0), 0u);
    EXPECT_EQ(format_get_request(buf, sizeof buf, "http://srv/b/", "s\nrv", 0), 0u);
    EXPECT_EQ(format_get_request(buf, sizeof buf, "http://srv/b/", "", 0), 0u);
    EXPECT_EQ(format_head_request(buf, sizeof buf, "http://srv/b/", "srv", -1), 0u);
    // Too small a buffer: nothing half-written.
    char small[40];
    EXPECT_EQ(format_get_request(small, sizeof small, "http://srv/b/dat/1.dat", "srv", 0), 0u);
    EXPECT_EQ(small[0], '\0');
    // The longest URL and host still fit the request text.
    std::string url = "http://" + std::string(kUrlBytes - 9, 'u') + "/";
    std::string host(kConnectionHostBytes - 1, 'h');
    EXPECT_GT(format_get_request(buf, sizeof buf, url.c_str(), host.c_str(), 0), 0u);
    EXPECT_GT(format_head_request(buf, sizeof buf, url.c_str(), host.c_str(), 2147483647), 0u);
}

TEST(RequestHead, PostHeadLinesInOrder)
{
    char buf[kPostHeadBytes];
    PostHeadFields f{"http://srv/test/bbs.cgi", "srv", "mobile", "srv", 123, "PON=abc; HAP=def; "};
    size_t n = format_post_head(buf, sizeof buf, f);
    EXPECT_EQ(std::string(buf, n),
              "POST http://srv/test/bbs.cgi HTTP/1.0\r\n"
              "referer: http://srv/mobile/\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: srv\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 123\r\n"
              "Cookie: PON=abc; HAP=def; \r\n"
              "\r\n");
    f.cookie = nullptr;
    n = format_post_head(buf, sizeof buf, f);
    EXPECT_EQ(std::string(buf, n).find("Cookie"), std::string::npos);
    f.cookie = "";
    n = format_post_head(buf, sizeof buf, f);
    EXPECT_NE(std::string(buf, n).find("Content-Length: 123\r\nCookie: \r\n\r\n"), std::string::npos);
}

TEST(ConnectionTargetChoice, DirectTakesHostAfterPrefixAndPort80)
{
    ConnectionTarget t = target_of("http://pc.example/mobile/dat/1.dat", 0, "", 8080);
    EXPECT_STREQ(t.host, "pc.example");
    EXPECT_EQ(t.port, 80);
}

TEST(ConnectionTargetChoice, ProxyOnlyWhenUseIsExactlyOne)
{
    ConnectionTarget t = target_of("http://pc.example/mobile/", 1, "127.0.0.1", 8080);
    EXPECT_STREQ(t.host, "127.0.0.1");
    EXPECT_EQ(t.port, 8080);
    t = target_of("http://pc.example/mobile/", 2, "127.0.0.1", 8080);
    EXPECT_STREQ(t.host, "pc.example");
    EXPECT_EQ(t.port, 80);
    t = target_of("http://pc.example/mobile/", -1, "127.0.0.1", 8080);
    EXPECT_STREQ(t.host, "pc.example");
}

TEST(ConnectionTargetChoice, ProxyPortKeepsLow16Bits)
{
    EXPECT_EQ(target_of("http://a/b/", 1, "p", 65536 + 80).port, 80);
    EXPECT_EQ(target_of("http://a/b/", 1, "p", 65535).port, 65535);
    EXPECT_EQ(target_of("http://a/b/", 1, "p", -1).port, 65535);
}

// The port a URL names is where a direct connection goes, for either scheme;
// the Host line keeps it, as before.
TEST(ConnectionTargetChoice, PortInUrlIsHonouredForBothSchemes)
{
    struct Case {
        const char* url;
        const char* host;
        uint16_t port;
        bool secure;
        const char* hostLine;
    } cases[] = {
        {"http://srv:8080/b/dat/1.dat", "srv", 8080, false, "srv:8080"},
        {"http://srv/b/dat/1.dat", "srv", 80, false, "srv"},
        {"https://srv/b/dat/1.dat", "srv", 443, true, "srv"},
        {"https://srv:8443/b/", "srv", 8443, true, "srv:8443"},
        {"HTTPS://srv/b/", "srv", 443, true, "srv"},
    };
    for (const Case& c : cases) {
        ConnectionTarget t = target_of(c.url, 0, "", 0);
        EXPECT_STREQ(t.host, c.host) << c.url;
        EXPECT_EQ(t.port, c.port) << c.url;
        EXPECT_EQ(t.secure, c.secure) << c.url;
        EXPECT_FALSE(t.tunnel) << c.url;
        EXPECT_EQ(host_line_value(t), c.hostLine) << c.url;
    }
    EXPECT_EQ(connection_target("http://srv:0/b/", 0, "", 0, nullptr), TargetError::BadPort);
    EXPECT_EQ(connection_target("http://srv:65536/b/", 0, "", 0, nullptr), TargetError::BadPort);
    EXPECT_EQ(connection_target("https://srv:x/b/", 0, "", 0, nullptr), TargetError::BadPort);
    EXPECT_EQ(connection_target("https://:443/b/", 0, "", 0, nullptr), TargetError::BadPort);
}

// Through the proxy an https URL is tunnelled: the proxy is connected to, the
// URL's host and port are asked for, and the request inside names the path.
TEST(ConnectionTargetChoice, SecureUrlThroughTheProxyIsTunnelled)
{
    ConnectionTarget t = target_of("https://pc.2ch.net/mobile/subject.txt", 1, "127.0.0.1", 8080);
    EXPECT_STREQ(t.host, "127.0.0.1");
    EXPECT_EQ(t.port, 8080);
    EXPECT_TRUE(t.secure);
    EXPECT_TRUE(t.tunnel);
    EXPECT_STREQ(t.name, "pc.2ch.net");
    EXPECT_EQ(t.urlPort, 443);
    EXPECT_EQ(host_line_value(t), "pc.2ch.net");
    EXPECT_EQ(request_target("https://pc.2ch.net/mobile/subject.txt", true), "/mobile/subject.txt");
    EXPECT_EQ(request_target("http://pc.2ch.net/mobile/subject.txt", false), "http://pc.2ch.net/mobile/subject.txt");

    // A plain URL through the proxy stays as it was: the proxy named in the Host line.
    ConnectionTarget plain = target_of("http://pc.2ch.net/mobile/", 1, "127.0.0.1", 8080);
    EXPECT_FALSE(plain.secure);
    EXPECT_FALSE(plain.tunnel);
    EXPECT_EQ(host_line_value(plain), "127.0.0.1");
    EXPECT_EQ(connection_target("https://pc.2ch.net", 1, "127.0.0.1", 8080, nullptr), TargetError::NoHostEnd);
}

TEST(ConnectRequest, AsksForHostAndPortAndReadsTheStatus)
{
    char buf[kRequestTextBytes];
    size_t n = format_connect_request(buf, sizeof buf, "pc.2ch.net", 443);
    EXPECT_EQ(std::string(buf, n), std::string("CONNECT pc.2ch.net:443 HTTP/1.0\r\n") + kUserAgentLine +
                                       "Host: pc.2ch.net:443\r\n\r\n");
    EXPECT_EQ(format_connect_request(buf, sizeof buf, "a\r\nX: y", 443), 0u);
    EXPECT_EQ(format_connect_request(buf, 20, "pc.2ch.net", 443), 0u);
    EXPECT_TRUE(connect_reply_ok("HTTP/1.0 200 Connection established\r\n\r"));
    EXPECT_TRUE(connect_reply_ok("HTTP/1.1 200 OK\r\n\r"));
    EXPECT_FALSE(connect_reply_ok("HTTP/1.0 403 Forbidden\r\n\r"));
    EXPECT_FALSE(connect_reply_ok("HTTP/1.0 407 Proxy Authentication Required\r\n\r"));
    EXPECT_FALSE(connect_reply_ok("garbage"));
}

TEST(ConnectionTargetChoice, PrefixIsSkippedUnexamined)
{
    EXPECT_STREQ(target_of("xxxxxxxsrv/b/", 0, "", 0).host, "srv");
}

TEST(ConnectionTargetChoice, MalformedTargetsFailCleanly)
{
    ConnectionTarget t{};
    EXPECT_EQ(connection_target("http://srv", 0, "", 0, &t), TargetError::NoHostEnd);
    EXPECT_EQ(connection_target("http://", 0, "", 0, &t), TargetError::NoHostEnd);
    EXPECT_EQ(connection_target("", 0, "", 0, &t), TargetError::NoHostEnd);
    EXPECT_EQ(connection_target("http:///b/", 0, "", 0, &t), TargetError::EmptyHost);
    EXPECT_EQ(connection_target("http://a/b/", 1, "", 8080, &t), TargetError::EmptyHost);
    std::string longHost = "http://" + std::string(kConnectionHostBytes, 'h') + "/b/";
    EXPECT_EQ(connection_target(longHost, 0, "", 0, &t), TargetError::HostTooLong);
    std::string justFits = "http://" + std::string(kConnectionHostBytes - 1, 'h') + "/b/";
    EXPECT_EQ(connection_target(justFits, 0, "", 0, &t), TargetError::None);
    EXPECT_EQ(std::string(t.host).size(), kConnectionHostBytes - 1);
    EXPECT_EQ(url_host_part("http://srv"), "srv");
    EXPECT_EQ(url_host_part("http://srv:8080/x"), "srv:8080");
    EXPECT_EQ(url_host_part("http"), "");
    EXPECT_EQ(url_host_part("https://srv:8443/x"), "srv:8443");
}

TEST(UrlEncode, KeepsOnlyLettersAndDigits)
{
    char out[64];
    url_encode("a b", out);
    EXPECT_STREQ(out, "a%20b");
    url_encode("~", out);
    EXPECT_STREQ(out, "%7e");
    url_encode("\x82\xa0", out);
    EXPECT_STREQ(out, "%82%a0");
    url_encode("-_.*+&=", out);
    EXPECT_STREQ(out, "%2d%5f%2e%2a%2b%26%3d");
    url_encode("AZaz09", out);
    EXPECT_STREQ(out, "AZaz09");
    url_encode("", out);
    EXPECT_STREQ(out, "");
    // The posting script's button label "書き込む".
    url_encode("\x8f\x91\x82\xab\x8d\x9e\x82\xde", out);
    EXPECT_STREQ(out, "%8f%91%82%ab%8d%9e%82%de");
}

TEST(UrlEncode, BoundedWritesWholeEscapesOnly)
{
    char out[8];
    EXPECT_EQ(url_encode_bounded("ab c", out, sizeof out), 6u);
    EXPECT_STREQ(out, "ab%20c");
    // "a" + "%20" fits in 5 with the terminator; the next escape does not.
    char small[6];
    EXPECT_EQ(url_encode_bounded("a  ", small, sizeof small), 7u);
    EXPECT_STREQ(small, "a%20");
    EXPECT_EQ(url_encode_bounded(std::string_view("\0x", 2), out, sizeof out), 4u);
    EXPECT_STREQ(out, "%00x");
    EXPECT_EQ(url_encode_bounded("abc", nullptr, 0), 3u);
    char one[1] = {'z'};
    EXPECT_EQ(url_encode_bounded("abc", one, 1), 3u);
    EXPECT_EQ(one[0], '\0');
}

TEST(StatusLine, CodeAtOffsetsNineToEleven)
{
    EXPECT_EQ(status_code_of("HTTP/1.1 206 Partial Content\r\n"), 206);
    EXPECT_EQ(status_code_of("HTTP/1.0 416 Requested Range Not Satisfiable"), 416);
    EXPECT_EQ(status_code_of("HTTP/1.1 302"), 302);
    EXPECT_EQ(status_code_of("HTTP/1.1 30"), 0);
    EXPECT_EQ(status_code_of("HTTP/1.1 2x0 OK"), 0);
    EXPECT_EQ(status_code_of("HTTP/1.1 -20 OK"), 0);
    EXPECT_EQ(status_code_of(""), 0);
    EXPECT_EQ(status_code_of("garbage that is long enough"), 0);
}

TEST(ReplyHead, WholeHeadInOneBlock)
{
    FeedResult r = feed_split("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", {});
    ASSERT_EQ(r.state, ReplyHeadReader::State::Complete);
    EXPECT_EQ(r.head, "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r");
    EXPECT_EQ(r.bodyFromLastBlock, "abc");
}

TEST(ReplyHead, EndMarkSplitAtEveryPoint)
{
    const std::string reply = "HTTP/1.1 206 Partial Content\r\nServer: x\r\n\r\n\nbody";
    const size_t headEnd = reply.find("\r\n\r\n");
    for (size_t cut = 1; cut < reply.size(); ++cut) {
        FeedResult r = feed_split(reply, {cut});
        ASSERT_EQ(r.state, ReplyHeadReader::State::Complete) << cut;
        EXPECT_EQ(r.head, reply.substr(0, headEnd + 3)) << cut;
        // The body part of the completing block: everything after the mark
        // when the cut falls inside the head, else what the second block holds.
        std::string expectBody = cut <= headEnd + 3 ? reply.substr(headEnd + 4) : reply.substr(headEnd + 4, cut - headEnd - 4);
        EXPECT_EQ(r.bodyFromLastBlock, expectBody) << cut;
    }
}

TEST(ReplyHead, ByteByByte)
{
    const std::string reply = "HTTP/1.0 302 Found\r\nLocation: http://x/\r\n\r\n";
    std::vector<size_t> ones(reply.size() - 1, 1);
    FeedResult r = feed_split(reply, ones);
    ASSERT_EQ(r.state, ReplyHeadReader::State::Complete);
    EXPECT_EQ(r.head, reply.substr(0, reply.size() - 1));
    EXPECT_EQ(r.bodyFromLastBlock, "");
    EXPECT_EQ(status_code_of(r.head), 302);
}

TEST(ReplyHead, HeadThatNeverEndsIsRefusedAtTheBound)
{
    static ReplyHeadReader reader;
    reader = ReplyHeadReader();
    std::string block(4096, 'x');
    block.replace(0, 17, "HTTP/1.1 200 OK\r\n");
    ReplyHeadReader::State s = ReplyHeadReader::State::NeedMore;
    int blocks = 0;
    while (s == ReplyHeadReader::State::NeedMore && blocks < 100) {
        s = reader.feed(block.data(), block.size());
        ++blocks;
    }
    EXPECT_EQ(s, ReplyHeadReader::State::TooLong);
    EXPECT_EQ(blocks, static_cast<int>(kReplyHeadMax / block.size()));
    EXPECT_EQ(reader.head(), "");
    // Further blocks change nothing, even one that carries the end mark.
    EXPECT_EQ(reader.feed("\r\n\r\n", 4), ReplyHeadReader::State::TooLong);
}

TEST(ReplyHead, NothingReceivedIsNotAHead)
{
    ReplyHeadReader* reader = new ReplyHeadReader();
    EXPECT_FALSE(reader->any_bytes());
    EXPECT_EQ(reader->state(), ReplyHeadReader::State::NeedMore);
    EXPECT_EQ(reader->head(), "");
    EXPECT_EQ(reader->status(), 0);
    EXPECT_EQ(reader->feed("", 0), ReplyHeadReader::State::NeedMore);
    EXPECT_FALSE(reader->any_bytes());
    reader->feed("HTTP/1.1 416 R", 14);
    EXPECT_TRUE(reader->any_bytes());
    EXPECT_EQ(reader->status(), 416);
    reader->feed("\r", 1);
    reader->feed("\n", 1);
    EXPECT_EQ(reader->state(), ReplyHeadReader::State::NeedMore);
    delete reader;
}

TEST(ReplyHead, HeadExactlyAtTheBoundStillCompletes)
{
    static ReplyHeadReader reader;
    reader = ReplyHeadReader();
    std::string head = "HTTP/1.1 200 OK\r\nX: ";
    head += std::string(kReplyHeadMax - head.size() - 4, 'y');
    head += "\r\n\r\n";
    ASSERT_EQ(head.size(), kReplyHeadMax);
    std::string reply = head + "tail";
    EXPECT_EQ(reader.feed(reply.data(), reply.size()), ReplyHeadReader::State::Complete);
    EXPECT_EQ(reader.head().size(), kReplyHeadMax - 1);
    EXPECT_EQ(std::string(reply.data() + reader.body_offset(), reader.body_in_block()), "tail");
}

TEST(ReplyHeadFields, NamedFieldsWithoutCase)
{
    std::string head =
        "HTTP/1.1 200 OK\r\n"
        "content-length:  1234 \r\n"
        "Content-Encoding: gzip\r\n"
        "Location: http://new.example/b/\r\n"
        "Set-Cookie: PON=abc; expires=Fri, 01-Jan-2038 00:00:00 GMT; path=/\r\n"
        "Junk line without colon\r\n"
        "SET-COOKIE: HAP=def\r\n"
        "\r";
    std::string_view v;
    ASSERT_TRUE(head_field(head, "Content-Encoding", &v));
    EXPECT_EQ(v, "gzip");
    ASSERT_TRUE(head_field(head, "location", &v));
    EXPECT_EQ(v, "http://new.example/b/");
    EXPECT_FALSE(head_field(head, "Content-Range", &v));
    EXPECT_FALSE(head_field(head, "HTTP/1.1 200 OK", &v));
    uint64_t len = 0;
    ASSERT_TRUE(head_content_length(head, &len));
    EXPECT_EQ(len, 1234u);
    std::vector<std::string> cookies;
    EXPECT_EQ(head_fields(head, "Set-Cookie", [&](std::string_view c) { cookies.emplace_back(c); }), 2u);
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0], "PON=abc; expires=Fri, 01-Jan-2038 00:00:00 GMT; path=/");
    EXPECT_EQ(cookies[1], "HAP=def");
}

TEST(ReplyHeadFields, ContentLengthMustBeAPlainNumber)
{
    uint64_t len = 7;
    EXPECT_FALSE(head_content_length("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r", &len));
    EXPECT_FALSE(head_content_length("HTTP/1.1 200 OK\r\nContent-Length: 12a\r\n\r", &len));
    EXPECT_FALSE(head_content_length("HTTP/1.1 200 OK\r\nContent-Length:\r\n\r", &len));
    EXPECT_FALSE(head_content_length("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r", &len));
    EXPECT_FALSE(head_content_length("HTTP/1.1 200 OK\r\n\r", &len));
    EXPECT_EQ(len, 7u);
    EXPECT_TRUE(head_content_length("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r", &len));
    EXPECT_EQ(len, 0u);
}

TEST(ReplyHeadFields, FieldsStopAtTheBlankLine)
{
    std::string_view v;
    EXPECT_FALSE(head_field("HTTP/1.1 200 OK\r\n\r\nLocation: x\r\n", "Location", &v));
    EXPECT_FALSE(head_field("HTTP/1.1 200 OK", "HTTP/1.1 200 OK", &v));
    EXPECT_FALSE(head_field("", "Location", &v));
}

TEST(ReplyHead, StatusComesFromTheHeadNotTheBody)
{
    FeedResult r = feed_split("HTTP/1\r\n\r\n200200200200", {});
    ASSERT_EQ(r.state, ReplyHeadReader::State::Complete);
    EXPECT_EQ(status_code_of(r.head), 0);
    static ReplyHeadReader reader;
    reader = ReplyHeadReader();
    reader.feed("HTTP/1\r\n\r\n200200200200", 22);
    EXPECT_EQ(reader.status(), 0);
}
