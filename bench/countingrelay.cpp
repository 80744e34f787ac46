#include "bench/countingrelay.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "store/settings.h"

namespace {

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool send_all(SOCKET s, const char* data, int len)
{
    while (len > 0) {
        int n = send(s, data, len, 0);
        if (n <= 0) return false;
        data += n;
        len -= n;
    }
    return true;
}

}  // namespace

bool CountingRelay::start(uint16_t target)
{
    target_ = target;
    listen_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listen_ == INVALID_SOCKET) return false;
    sockaddr_in a = loopback(0);
    int len = sizeof a;
    if (bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listen_, 4) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        return false;
    }
    port_ = ntohs(a.sin_port);
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    return thread_ != nullptr;
}

void CountingRelay::stop()
{
    if (listen_ != INVALID_SOCKET) {
        closesocket(listen_);   // ends the accept
        listen_ = INVALID_SOCKET;
    }
    if (thread_) {
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

std::vector<Exchange> CountingRelay::take()
{
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<Exchange> out;
    out.swap(done_);
    return out;
}

DWORD WINAPI CountingRelay::run(LPVOID p)
{
    CountingRelay* self = static_cast<CountingRelay*>(p);
    for (;;) {
        SOCKET client = accept(self->listen_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return 0;
        self->serve(client);
    }
}

// Passes bytes both ways until the server closes (a bounded wait each
// time, so a stuck peer cannot hold the benchmark).
void CountingRelay::serve(SOCKET client)
{
    Exchange e;
    std::string reply;
    SOCKET upstream = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(target_);
    if (upstream != INVALID_SOCKET && connect(upstream, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        bool clientOpen = true;
        bool clientReachable = true;
        char buf[16384];
        for (int idle = 0; idle < 30;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(upstream, &readable);
            if (clientOpen) FD_SET(client, &readable);
            timeval wait{1, 0};
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
                ++idle;
                continue;
            }
            if (clientOpen && FD_ISSET(client, &readable)) {
                int n = recv(client, buf, sizeof buf, 0);
                if (n <= 0) {
                    clientOpen = false;
                    shutdown(upstream, SD_SEND);
                } else {
                    e.requestBytes += static_cast<size_t>(n);
                    send_all(upstream, buf, n);
                }
            }
            if (FD_ISSET(upstream, &readable)) {
                int n = recv(upstream, buf, sizeof buf, 0);
                if (n <= 0) break;
                e.replyBytes += static_cast<size_t>(n);
                reply.append(buf, static_cast<size_t>(n));
                if (clientReachable && !send_all(client, buf, n)) clientReachable = false;
            }
        }
    }
    if (upstream != INVALID_SOCKET) closesocket(upstream);
    closesocket(client);
    size_t end = reply.find("\r\n\r\n");
    e.replyHeadBytes = end == std::string::npos ? reply.size() : end + 4;
    std::lock_guard<std::mutex> hold(lock_);
    done_.push_back(e);
}

RelayedBoard::RelayedBoard(const wchar_t* name, int64_t clock)
    : tree(name, L"pc.2ch.net"), logPath(tree.board_file(kBenchDat))
{
    WSADATA wsa;
    wsa_ = WSAStartup(MAKEWORD(1, 1), &wsa) == 0;
    Settings.DebugMode = 0;
    if (!wsa_ || !server.start() || !relay.start(server.port())) {
        std::printf("cannot start the loopback server and its relay\n");
        return;
    }
    server.site().set_clock(clock);
    Settings.ProxyUse = 1;
    std::wcscpy(Settings.ProxyName, L"127.0.0.1");
    Settings.ProxyPort = relay.port();
    started_ = true;
}

RelayedBoard::~RelayedBoard()
{
    relay.stop();
    server.stop();
    DeleteFileA(logPath.c_str());
    DeleteFileW((tree.program + L"work.gz").c_str());
    if (wsa_) WSACleanup();
}
