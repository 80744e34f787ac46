// Bytes on the wire for keeping a thread up to date: the differential fetch
// of a thread that has not changed, and of one that grew by k bytes, next to
// the least the protocol allows: the reply head plus the one overlap byte,
// and the head plus k + 1. The update check's HEAD is shown beside them: its
// reply is a head alone. Counted by a relay of our own between the program
// (which takes it for its proxy) and the loopback board server.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/countingrelay.h"
#include "net/difffetch_win.h"
#include "net/threadfetch_win.h"
#include "net/updatecheck_win.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/settings.h"
#include "tools/boardserver/boardserver.h"

namespace {

constexpr int64_t kClock = 1165621200;
constexpr size_t kLogBytes = 200000;

// A thread log of exactly `size` bytes ending in a line feed.
std::string dat_of_size(size_t size)
{
    std::string s;
    int i = 1;
    while (s.size() < size) s += "name<>sage<>2006/12/08 23:00:00 ID:abcdefgh<> response body " + std::to_string(i++) + " <>\n";
    s.resize(size);
    s.back() = '\n';
    return s;
}

// Prints one line; false when the reply is over its limit (limit 0: none).
bool report(const char* what, const std::vector<Exchange>& ex, size_t bodyLimit, bool checked)
{
    size_t request = 0, reply = 0, head = 0;
    for (const Exchange& e : ex) {
        request += e.requestBytes;
        reply += e.replyBytes;
        head += e.replyHeadBytes;
    }
    size_t body = reply - head;
    std::printf("%-28s %zu exchange(s)  request %4zu B  reply %6zu B = head %4zu + body %6zu", what, ex.size(),
                request, reply, head, body);
    if (!checked) {
        std::printf("\n");
        return true;
    }
    bool ok = ex.size() == 1 && body <= bodyLimit;
    std::printf("  limit head + %zu = %6zu B  %s\n", bodyLimit, head + bodyLimit, ok ? "ok" : "OVER");
    return ok;
}

}  // namespace

QUORVEX_BENCH(wire_bytes, "wire")
{
    RelayedBoard board(L"quorvex-bench-wire", kClock);
    const std::string& logPath = board.logPath;
    boardserver::BoardServer& server = board.server;
    CountingRelay& relay = board.relay;
    int failures = 0;
    if (!board.started()) {
        failures = 1;
    } else {
        const std::string local = dat_of_size(kLogBytes);
        const std::string more = dat_of_size(20000);
        const std::string log = local + more;
        std::printf("local log %zu bytes\n", local.size());

        // Unchanged: the reply carries the overlap byte alone.
        server.put_dat("mobile", kBenchKey, local);
        write_bytes(logPath, local);
        relay.take();
        Resdata_get(0, kBenchDat);
        if (!report("fetch, unchanged", relay.take(), 1, true) || read_bytes(logPath) != local) ++failures;

        // Grown by k: k new bytes and the overlap byte. The growth ends on a
        // line feed so the whole of it is stored.
        const size_t steps[] = {100, 1000, 10000};
        for (size_t k : steps) {
            std::string grown = local + more.substr(0, k);
            grown.back() = '\n';
            server.put_dat("mobile", kBenchKey, grown);
            write_bytes(logPath, local);
            relay.take();
            Resdata_get(0, kBenchDat);
            char what[64];
            std::snprintf(what, sizeof what, "fetch, grown by k = %zu", k);
            if (!report(what, relay.take(), k + 1, true) || read_bytes(logPath) != grown) ++failures;
        }

        // The update check asks without a body coming back at all.
        server.put_dat("mobile", kBenchKey, local);
        write_bytes(logPath, local);
        relay.take();
        uint8_t unchanged = check_thread_modified(0, kBenchDat);
        if (!report("update check, unchanged", relay.take(), 0, true) || unchanged != 0) ++failures;
        server.put_dat("mobile", kBenchKey, log);
        relay.take();
        uint8_t grown = check_thread_modified(0, kBenchDat);
        if (!report("update check, grown", relay.take(), 0, true) || grown != 1) ++failures;

        // For scale: the whole log fetched anew (gzip).
        DeleteFileA(logPath.c_str());
        relay.take();
        Resdata_get(0, kBenchDat);
        report("fetch, whole log (gzip)", relay.take(), 0, false);
        std::printf("whole log %zu bytes\n", log.size());
    }
    return failures == 0 ? 0 : 1;
}
