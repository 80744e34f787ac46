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
#include <vector>

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
