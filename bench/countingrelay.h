// A relay of the benchmarks between the program (which takes it for its
// proxy) and a loopback server: it counts the bytes each connection carries
// each way, whatever they are (plain HTTP, or a CONNECT and the TLS records
// inside its tunnel).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "tools/boardserver/boardserver.h"

// One connection as the relay passed it on.
struct Exchange {
    size_t requestBytes = 0;
    size_t replyBytes = 0;
    size_t replyHeadBytes = 0;   // through the blank line; all of it when there is none
};

class CountingRelay {
public:
    ~CountingRelay() { stop(); }

    // Listens on a loopback port of its own and passes every connection on
    // to 127.0.0.1:target, one at a time.
    bool start(uint16_t target);
    void stop();
    uint16_t port() const { return port_; }

    // The exchanges since the last call, in order.
    std::vector<Exchange> take();

private:
    static DWORD WINAPI run(LPVOID p);
    void serve(SOCKET client);

    SOCKET listen_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    uint16_t target_ = 0;
    HANDLE thread_ = nullptr;
    std::mutex lock_;
    std::vector<Exchange> done_;
};

// The thread the benchmarks on the wire keep up to date.
constexpr char kBenchKey[] = "1065069078";
constexpr wchar_t kBenchDat[] = L"1065069078.dat";

// The loopback board server (its clock set to `clock`) behind a counting
// relay that the program takes for its proxy, with a log tree of one board
// "mobile" of pc.2ch.net: the setting of the benchmarks that count bytes on
// the wire. Everything is stopped, and the log and the spool deleted, as it
// ends.
class RelayedBoard {
public:
    RelayedBoard(const wchar_t* name, int64_t clock);
    ~RelayedBoard();
    RelayedBoard(const RelayedBoard&) = delete;
    RelayedBoard& operator=(const RelayedBoard&) = delete;

    bool started() const { return started_; }   // said why on the console when not

    BenchLogTree tree;
    const std::string logPath;   // the thread log kBenchDat in the board's folder
    boardserver::BoardServer server;
    CountingRelay relay;

private:
    bool wsa_ = false;
    bool started_ = false;
};
