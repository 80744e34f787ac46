#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/appstate.h"
#include "base/handles.h"
#include "net/connection.h"
#include "net/difffetch_win.h"
#include "store/settings.h"
#include "tests/net/loopbackfixture_win.h"

namespace {

using net_test::Message;

constexpr char kSubject[] = "1065069078.dat<>thread one (5)\n";

class TlsFixture : public net_test::LoopbackProxyFixture {
protected:
    void prepare_server() override { server_.put_subject("mobile", kSubject); }

    void TearDown() override
    {
        set_direct_port(0);
        LoopbackProxyFixture::TearDown();
    }

    // Straight to the front answering with `cert`, as a URL's own server.
    void direct_to(TestCert cert)
    {
        ASSERT_NO_FATAL_FAILURE(use_tls(cert));
        std::string why;
        Settings.ProxyUse = 0;
        set_direct_port(tls_front_port(cert, &why));
    }

    // The GET of the system: the body it gave, or "(failed)".
    std::string get(const wchar_t* url)
    {
        uint32_t length = 0;
        LocalBlock<char> block(get_html_sabun(nullptr, url, &length, 0, nullptr));
        return block ? std::string(block.get(), length) : "(failed)";
    }

    static std::wstring refusal(const wchar_t* host, const wchar_t* reason) { return std::wstring(host) + reason; }
};

TEST_F(TlsFixture, GetThroughTheProxyTunnelsToTheHostAndPortOfTheUrl)
{
    ASSERT_NO_FATAL_FAILURE(use_tls());
    EXPECT_EQ(get(L"https://pc.2ch.net/mobile/subject.txt"), kSubject);
    EXPECT_EQ(server_.tunnels(), std::vector<std::string>{"pc.2ch.net:443"});
    std::vector<boardserver::RecordedRequest> seen = requests(1);
    ASSERT_EQ(seen.size(), 1u);
    // Inside the tunnel the server sees no proxy: the path alone, and the
    // URL's host in the Host line.
    EXPECT_EQ(seen[0].target, "/mobile/subject.txt");
    EXPECT_EQ(seen[0].host, "pc.2ch.net");
    EXPECT_EQ(seen[0].raw, seen_head("GET http://pc.2ch.net/mobile/subject.txt HTTP/1.0\r\n"
                                     "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
                                     "Host: 127.0.0.1\r\n"
                                     "Accept: */*\r\n"
                                     "Accept-Encoding: gzip, deflate\r\n"
                                     "\r\n"));
    expect_messages({});

    EXPECT_EQ(get(L"https://pc.2ch.net:8443/mobile/subject.txt"), kSubject);
    EXPECT_EQ(server_.tunnels().back(), "pc.2ch.net:8443");
}

TEST_F(TlsFixture, GetStraightToTheServerOfTheUrl)
{
    ASSERT_NO_FATAL_FAILURE(direct_to(TestCert::Server));
    EXPECT_EQ(get(L"https://localhost/mobile/subject.txt"), kSubject);
    EXPECT_EQ(get(L"https://127.0.0.1/mobile/subject.txt"), kSubject);
    EXPECT_TRUE(server_.tunnels().empty());
    expect_messages({});
}

// Each refused server is named with the reason, and not one request reached
// the board behind it: nothing is sent before the certificate passed.
TEST_F(TlsFixture, RefusedCertificatesAreNamedAndGetNothing)
{
    struct Case {
        TestCert cert;
        const wchar_t* url;
        const wchar_t* host;
        const wchar_t* reason;
    } cases[] = {
        {TestCert::Untrusted, L"https://localhost/mobile/subject.txt", L"localhost", kTextTlsUntrusted},
        {TestCert::WrongHost, L"https://localhost/mobile/subject.txt", L"localhost", kTextTlsWrongHost},
        {TestCert::Expired, L"https://localhost/mobile/subject.txt", L"localhost", kTextTlsExpired},
    };
    for (const Case& c : cases) {
        reports_.clear();
        ASSERT_NO_FATAL_FAILURE(direct_to(c.cert));
        EXPECT_EQ(get(c.url), "(failed)");
        expect_messages({{refusal(c.host, c.reason), kTextError}});
    }
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(TlsFixture, RefusalsThroughTheProxyTunnelToo)
{
    ASSERT_NO_FATAL_FAILURE(use_tls(TestCert::Untrusted));
    EXPECT_EQ(get(L"https://pc.2ch.net/mobile/subject.txt"), "(failed)");
    expect_messages({{refusal(L"pc.2ch.net", kTextTlsUntrusted), kTextError}});

    // The good certificate, for other hosts than this one.
    reports_.clear();
    ASSERT_NO_FATAL_FAILURE(use_tls(TestCert::Server));
    EXPECT_EQ(get(L"https://board.example.jp/mobile/subject.txt"), "(failed)");
    expect_messages({{refusal(L"board.example.jp", kTextTlsWrongHost), kTextError}});
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(TlsFixture, ServerClosingDuringTheHandshakeIsReported)
{
    // Our board server speaks no TLS: it reads the hello and closes.
    Settings.ProxyUse = 0;
    set_direct_port(server_.port());
    EXPECT_EQ(get(L"https://localhost/mobile/subject.txt"), "(failed)");
    expect_messages({{refusal(L"localhost", kTextTlsHandshakeFailed), kTextError}});
    std::vector<boardserver::RecordedRequest> seen = requests(1);
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_FALSE(seen[0].raw.empty());
    EXPECT_EQ(static_cast<unsigned char>(seen[0].raw[0]), 0x16);   // the hello, and nothing after it
    EXPECT_EQ(seen[0].status, 0);
}

TEST_F(TlsFixture, ProxyRefusingTheTunnelIsReported)
{
    // No TLS front behind the proxy: it answers CONNECT with 403.
    EXPECT_EQ(get(L"https://pc.2ch.net/mobile/subject.txt"), "(failed)");
    wchar_t tail[96];
    swprintf(tail, 96, kTextTunnelRefused, 403);
    expect_messages({{std::wstring(L"pc.2ch.net:443") + tail, kTextError}});
    EXPECT_EQ(server_.tunnels(), std::vector<std::string>{"pc.2ch.net:443"});
    EXPECT_TRUE(server_.requests().empty());
}

// A server that takes the connection and never answers the hello: the
// handshake waits in one-second slices, and a cancel ends it at the end of
// the second it came in, unreported.
TEST_F(TlsFixture, CancelDuringTheHandshakeEndsItWithinASecond)
{
    UniqueSocket silent(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    ASSERT_EQ(bind(silent.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(silent.get(), 1), 0);
    ASSERT_EQ(getsockname(silent.get(), reinterpret_cast<sockaddr*>(&a), &len), 0);
    Settings.ProxyUse = 0;
    set_direct_port(ntohs(a.sin_port));

    std::atomic<uint8_t> flag{0};
    net_test::WaitSlices slices;
    slices.at(1, [&flag] { flag = 1; });
    uint32_t length = 0;
    LocalBlock<char> block(get_html_sabun(nullptr, L"https://localhost/mobile/subject.txt", &length, 0, &flag));
    EXPECT_FALSE(block);
    EXPECT_EQ(slices.count(), 1);
    expect_messages({});
}

}  // namespace
