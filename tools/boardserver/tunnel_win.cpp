#include "tools/boardserver/tunnel_win.h"

#include <ws2tcpip.h>

namespace boardserver {

UniqueSocket connect_loopback(uint16_t port)
{
    UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s.valid()) return s;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) s.reset();
    return s;
}

void pipe_sockets(SOCKET a, SOCKET b, const std::atomic<bool>& stopping)
{
    bool open[2] = {true, true};   // a -> b, b -> a
    SOCKET from[2] = {a, b};
    SOCKET to[2] = {b, a};
    char buf[16 * 1024];
    while ((open[0] || open[1]) && !stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        for (int i = 0; i < 2; ++i)
            if (open[i]) FD_SET(from[i], &readable);
        timeval slice{0, 50 * 1000};
        int n = select(0, &readable, nullptr, nullptr, &slice);
        if (n == SOCKET_ERROR) return;
        for (int i = 0; i < 2; ++i) {
            if (!open[i] || !FD_ISSET(from[i], &readable)) continue;
            int got = recv(from[i], buf, sizeof buf, 0);
            if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
            if (got <= 0) {
                open[i] = false;
                shutdown(to[i], SD_SEND);
                continue;
            }
            for (int sent = 0; sent < got;) {
                int k = send(to[i], buf + sent, got - sent, 0);
                if (k == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
                    fd_set writable;
                    FD_ZERO(&writable);
                    FD_SET(to[i], &writable);
                    timeval wait{0, 50 * 1000};
                    select(0, nullptr, &writable, nullptr, &wait);
                    continue;
                }
                if (k <= 0) return;
                sent += k;
            }
        }
    }
}

}  // namespace boardserver
