// What TLS costs on the exchange a reader makes most: the differential fetch
// of a thread that has not changed, over https beside plain http. Bytes on
// the wire each way are counted by a relay between the program and its proxy
// (over https: the CONNECT, the handshake and every record inside the
// tunnel); the time is the whole fetch. Beside it, a connection's opening on
// loopback: a plain connect, and a connect with the TLS handshake and the
// certificate check. The TLS side is the tests' front (tests/support/
// tlsfront_win.h: Apache with the test certificate, the test root trusted),
// handing the requests on to the loopback board server.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/countingrelay.h"
#include "net/connection.h"
#include "net/difffetch_win.h"
#include "net/threadfetch_win.h"
#include "store/boardtable.h"
#include "store/settings.h"
#include "tests/support/tlsfront_win.h"
#include "tools/boardserver/boardserver.h"

namespace {

constexpr int64_t kClock = 1165621200;
constexpr int kResponses = 200;
constexpr int kRounds = 30;

struct Scheme {
    const char* name;
    bool secure;
};
constexpr Scheme kSchemes[] = {{"http", false}, {"https", true}};

// The unchanged thread fetched kRounds times over `scheme`: the bytes of one
// fetch each way and the time of each; false when a fetch went wrong.
bool fetch_unchanged(const Scheme& scheme, CountingRelay& relay, const std::string& logPath, const std::string& log)
{
    BoardTable.items[0].secure = scheme.secure;
    Resdata_get(0, kBenchDat);   // warm: the front started, the chain built once
    relay.take();
    std::vector<double> seconds;
    for (int i = 0; i < kRounds; ++i) {
        const double start = bench_seconds();
        Resdata_get(0, kBenchDat);
        seconds.push_back(bench_seconds() - start);
    }
    const std::vector<Exchange> ex = relay.take();
    bool ok = ex.size() == static_cast<size_t>(kRounds) && read_bytes(logPath) == log;
    std::vector<double> up, down;
    for (const Exchange& e : ex) {
        up.push_back(static_cast<double>(e.requestBytes));
        down.push_back(static_cast<double>(e.replyBytes));
        ok = ok && e.requestBytes == ex[0].requestBytes;   // the same request every time
    }
    const Spread sent = spread_of(up), received = spread_of(down);
    std::printf("fetch, unchanged, %-5s %zu exchange(s): to the server %.0f B, back %.0f B (min %.0f, max %.0f)  %s\n",
                scheme.name, ex.size(), sent.median, received.median, received.min, received.max, ok ? "ok" : "FAILED");
    print_spread("time of one fetch", spread_ms(seconds));
    return ok;
}

// A connection opened straight to `port` (no proxy) kRounds times, and closed.
bool open_connections(const Scheme& scheme, uint16_t port)
{
    Settings.ProxyUse = 0;
    set_direct_port(port);
    const char* url = scheme.secure ? "https://localhost/" : "http://localhost/";
    std::vector<double> seconds;
    bool ok = true;
    for (int i = 0; i <= kRounds; ++i) {
        Connection c;
        const double start = bench_seconds();
        const bool opened = open_connection(url, RequestKind::Get, nullptr, &c);
        const double spent = bench_seconds() - start;
        ok = ok && opened;
        if (i > 0) seconds.push_back(spent);   // the first warms the lookup and the chain
        shutdown_and_close(&c);
    }
    set_direct_port(0);
    print_spread(scheme.secure ? "connect + TLS handshake + check" : "connect (plain)", spread_ms(seconds));
    if (!ok) std::printf("  a connection failed\n");
    return ok;
}

}  // namespace

QUORVEX_BENCH(tls_price, "tls")
{
    RelayedBoard board(L"quorvex-bench-tls", kClock);
    boardserver::BoardServer& server = board.server;
    int failures = 0;
    std::string why;
    uint16_t front = 0;
    if (!board.started()) {
        failures = 1;
    } else if ((front = tls_front_port(TestCert::Server, &why)) == 0) {
        std::printf("no TLS front: %s\n", why.c_str());
        failures = 1;
    } else {
        tls_front_relay_to(server.port());
        server.set_tunnel_port(front);
        const std::string log = bench_thread_log(kResponses);
        server.put_dat("mobile", kBenchKey, log);
        write_bytes(board.logPath, log);
        std::printf("local log %zu bytes, %d rounds each\n", log.size(), kRounds);
        for (const Scheme& scheme : kSchemes)
            if (!fetch_unchanged(scheme, board.relay, board.logPath, log)) ++failures;
        std::printf("opening a connection on loopback, %d rounds each\n", kRounds);
        for (const Scheme& scheme : kSchemes)
            if (!open_connections(scheme, scheme.secure ? front : server.port())) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
