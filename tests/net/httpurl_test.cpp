#include "net/httpurl.h"

#include <gtest/gtest.h>

#include "net/hostmatch.h"

TEST(HttpUrlParts, SchemeHostPortAndPath)
{
    struct Case {
        const char* url;
        bool secure;
        const char* host;
        uint16_t port;
        bool explicitPort;
        const char* path;
    } cases[] = {
        {"http://pc.2ch.net/mobile/subject.txt", false, "pc.2ch.net", 80, false, "/mobile/subject.txt"},
        {"https://pc.2ch.net/mobile/", true, "pc.2ch.net", 443, false, "/mobile/"},
        {"HTTPS://pc.2ch.net/", true, "pc.2ch.net", 443, false, "/"},
        {"https://pc.2ch.net:8443/x", true, "pc.2ch.net", 8443, true, "/x"},
        {"http://127.0.0.1:65535/", false, "127.0.0.1", 65535, true, "/"},
        // Any other seven bytes stand for "http://", as they always did.
        {"xxxxxxxsrv/b/", false, "srv", 80, false, "/b/"},
    };
    for (const Case& c : cases) {
        HttpUrl u;
        ASSERT_TRUE(parse_http_url(c.url, &u)) << c.url;
        EXPECT_EQ(u.secure, c.secure) << c.url;
        EXPECT_EQ(u.host, c.host) << c.url;
        EXPECT_EQ(u.port, c.port) << c.url;
        EXPECT_EQ(u.explicitPort, c.explicitPort) << c.url;
        EXPECT_EQ(u.path, c.path) << c.url;
    }
}

TEST(HttpUrlParts, MalformedUrlsAreRefused)
{
    for (const char* url : {"", "http://", "https://srv", "http:///b/", "https://srv:/b/", "https://srv:0/b/",
                            "https://srv:65536/b/", "https://srv:123456/b/", "https://srv:8a/b/", "https://:80/b/"}) {
        EXPECT_FALSE(parse_http_url(url, nullptr)) << url;
    }
    EXPECT_EQ(scheme_prefix(true), "https://");
    EXPECT_EQ(scheme_prefix(false), "http://");
}

TEST(CertificateNames, ExactAndWildcardMatching)
{
    struct Case {
        const char* pattern;
        const char* host;
        bool matches;
    } cases[] = {
        {"pc.2ch.net", "pc.2ch.net", true},
        {"PC.2ch.NET", "pc.2ch.net", true},
        {"pc.2ch.net.", "pc.2ch.net", true},
        {"pc.2ch.net", "pc2.2ch.net", false},
        {"*.2ch.net", "pc.2ch.net", true},
        {"*.2ch.net", "PEER.2CH.NET", true},
        {"*.2ch.net", "2ch.net", false},          // one label, never none
        {"*.2ch.net", "a.b.2ch.net", false},      // never more than one
        {"*.2ch.net", "pc.2ch.net.evil.jp", false},
        {"*.net", "2ch.net", false},              // not a whole top-level domain
        {"p*.2ch.net", "pc.2ch.net", false},      // only a whole leftmost label
        {"pc.*.net", "pc.2ch.net", false},
        {"*.0.0.1", "127.0.0.1", false},          // never an address
        {"127.0.0.1", "127.0.0.1", true},
        {"", "pc.2ch.net", false},
        {"pc.2ch.net", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(certificate_name_matches(c.pattern, c.host), c.matches) << c.pattern << " " << c.host;
    }
}

TEST(CertificateNames, AddressesAreDottedQuads)
{
    EXPECT_TRUE(host_is_address("127.0.0.1"));
    EXPECT_TRUE(host_is_address("10.0.0.255"));
    EXPECT_FALSE(host_is_address("127.0.0"));
    EXPECT_FALSE(host_is_address("127.0.0.1.5"));
    EXPECT_FALSE(host_is_address("1.2.3.4567"));
    EXPECT_FALSE(host_is_address("a.2.3.4"));
    EXPECT_FALSE(host_is_address("1..3.4"));
    EXPECT_FALSE(host_is_address(""));
}
