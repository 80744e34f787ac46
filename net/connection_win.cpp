#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/appstate.h"
#include "base/codepage.h"
#include "base/debugout.h"
#include "base/report.h"
#include "net/connection.h"
#include "store/libce.h"
#include "store/settings.h"
#include "store/storereport.h"

HostCacheEntry HostCache;

namespace {

std::atomic<uint32_t> g_lookups{0};
std::atomic<uint16_t> g_directPort{0};
std::atomic<WaitSliceHook> g_sliceHook{nullptr};

void report_host_not_found(const char* host)
{
    std::wstring text = mb_to_wstring(host);
    text += kTextHostNotFound;
    report_failure(text.c_str(), kTextError);
}

void report_host_not_found(std::string_view host)
{
    char buf[kConnectionHostBytes];
    size_t n = host.size() < sizeof buf - 1 ? host.size() : sizeof buf - 1;
    host.copy(buf, n);
    buf[n] = '\0';
    report_host_not_found(buf);
}

bool cancelled(const std::atomic<uint8_t>* cancel) { return cancel && cancel->load() != 0; }

// A slice of a wait ended without an answer.
void slice_passed()
{
    if (WaitSliceHook hook = g_sliceHook.load()) hook();
}

// connect() in one-second slices so that a cancel is honoured while a
// server that never answers keeps the handshake pending. Like a blocking
// connect, it gives up on its own after a while.
constexpr int kConnectSlices = 30;

bool connect_waiting(SOCKET s, const sockaddr_in& addr, const std::atomic<uint8_t>* cancel, bool* wasCancelled)
{
    *wasCancelled = false;
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        return connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    }
    bool ok = false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
        ok = true;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
        for (int slice = 0; slice < kConnectSlices; ++slice) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval wait{1, 0};
            int n = select(0, nullptr, &writable, &failed, &wait);
            if (n == SOCKET_ERROR) break;
            if (n > 0) {
                int err = 0;
                int errLen = sizeof err;
                if (FD_ISSET(s, &writable) && !FD_ISSET(s, &failed) &&
                    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &errLen) == 0 && err == 0) {
                    ok = true;
                }
                break;
            }
            slice_passed();
            if (cancelled(cancel)) {
                *wasCancelled = true;
                break;
            }
        }
    }
    u_long blocking = 0;
    if (ok && ioctlsocket(s, FIONBIO, &blocking) != 0) ok = false;
    return ok;
}


// Asks the proxy for a tunnel to the secure server and reads its answer head.
// The server speaks only after our hello, so nothing may follow the head.
bool open_tunnel(SOCKET s, const ConnectionTarget& target, const std::atomic<uint8_t>* cancel)
{
    char request[kRequestTextBytes];
    size_t len = format_connect_request(request, sizeof request, target.name, target.urlPort);
    if (len == 0 || send(s, request, static_cast<int>(len), 0) != static_cast<int>(len)) {
        report_failure(kTextSendFailed, kTextError);
        return false;
    }
    static thread_local ReplyHeadReader reader;   // 16 KB: off the worker's stack
    reader = ReplyHeadReader();
    char block[1024];
    while (reader.state() == ReplyHeadReader::State::NeedMore) {
        int n = recv_wait(s, block, sizeof block, 0, cancel, kReceiveWaitMs);
        if (n <= 0) {
            if (!cancelled(cancel)) report_failure(kTextRecvError, kTextError);
            return false;
        }
        reader.feed(block, static_cast<size_t>(n));
    }
    int status = reader.status();
    if (reader.state() != ReplyHeadReader::State::Complete || !connect_reply_ok(reader.head()) ||
        reader.body_in_block() != 0) {
        wchar_t tail[96];
        swprintf(tail, sizeof tail / sizeof tail[0], kTextTunnelRefused, status);
        std::wstring text = mb_to_wstring(target.name);
        text += L":" + std::to_wstring(target.urlPort);
        text += tail;
        report_failure(text.c_str(), kTextError);
        return false;
    }
    return true;
}

}  // namespace

// ---- Connection layer ----------------------------------------------------

uint32_t host_lookup_count() { return g_lookups.load(); }

void set_direct_port(uint16_t port) { g_directPort.store(port); }

void set_wait_slice_hook(WaitSliceHook hook) { g_sliceHook.store(hook); }

uint32_t host_lookup(const char* name)
{
    ScopeTimer timer(L"gethostbyname");
    if (!name) name = "";
    if (HostCache.address != 0 && std::strcmp(HostCache.name, name) == 0) return HostCache.address;
    g_lookups.fetch_add(1);
    HostCache.name[0] = '\0';
    HostCache.address = 0;
    size_t len = std::strlen(name);
    if (len == 0 || len >= sizeof HostCache.name) return 0;
    hostent* he = gethostbyname(name);
    if (!he || he->h_addrtype != AF_INET || he->h_length != 4 || !he->h_addr_list || !he->h_addr_list[0]) {
        return 0;
    }
    uint32_t address;
    std::memcpy(&address, he->h_addr_list[0], sizeof address);
    if (address == 0) return 0;
    std::memcpy(HostCache.name, name, len + 1);
    HostCache.address = address;
    return HostCache.address;
}

bool open_connection(const char* url, RequestKind kind, const std::atomic<uint8_t>* cancel, Connection* out)
{
    char proxy[kProxyNameBytes];
    if (wide_to_mb(proxy, Settings.ProxyName, sizeof proxy) == 0) proxy[0] = '\0';
    ConnectionTarget target;
    std::string_view urlText(url ? url : "");
    TargetError err = connection_target(urlText, Settings.ProxyUse, proxy, Settings.ProxyPort, &target);
    if (err != TargetError::None) {
        // A target that cannot be looked up is told as a name not found.
        if (Settings.ProxyUse == 1) report_host_not_found(proxy);
        else report_host_not_found(url_host_part(urlText).empty() ? urlText : url_host_part(urlText));
        return false;
    }
    if (Settings.ProxyUse != 1 && g_directPort.load() != 0) target.port = g_directPort.load();

    UniqueSocket s(socket(AF_INET, SOCK_STREAM, 0));
    if (!s.valid()) {
        if (kind == RequestKind::Post) {
            wchar_t text[64];
            swprintf(text, sizeof text / sizeof text[0], kTextSocketOpenFailedCode, WSAGetLastError());
            report_failure(text, kTextError);
        } else {
            report_failure(kTextSocketOpenFailed, kTextError);
        }
        return false;
    }

    uint32_t address = host_lookup(target.host);
    if (address == 0) {
        report_host_not_found(target.host);
        return false;
    }

    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(target.port);
    addr.sin_addr.s_addr = address;
    bool wasCancelled = false;
    if (!connect_waiting(s.get(), addr, cancel, &wasCancelled)) {
        if (!wasCancelled) report_failure(kTextConnectFailed, kTextError);
        return false;
    }
    if (target.tunnel && !open_tunnel(s.get(), target, cancel)) return false;
    if (target.secure) {
        out->tls.reset(tls_open(s.get(), target.name, cancel));
        if (!out->tls) return false;
    }
    out->socket = std::move(s);
    std::string_view hostLine = host_line_value(target);
    hostLine.copy(out->host, sizeof out->host - 1);
    out->host[hostLine.size() < sizeof out->host ? hostLine.size() : sizeof out->host - 1] = '\0';
    out->secure = target.secure;
    return true;
}

bool send_request(const Connection& c, const char* data, size_t len)
{
    if (c.tls) {
        if (tls_send(c.tls.get(), c.socket.get(), data, len)) return true;
        report_failure(kTextSendFailed, kTextError);
        return false;
    }
    while (len > 0) {
        int piece = len > 0x10000 ? 0x10000 : static_cast<int>(len);
        int n = send(c.socket.get(), data, piece, 0);
        if (n <= 0) {
            report_failure(kTextSendFailed, kTextError);
            return false;
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

bool open_and_send(const wchar_t* url, RequestKind kind, int32_t rangeStart, const wchar_t* caption,
                   const std::atomic<uint8_t>* cancel, Connection* out, std::string* sent)
{
    char urlAnsi[kUrlBytes];
    if (!url || !wide_to_mb_whole(urlAnsi, url, sizeof urlAnsi)) {
        report_failure(kTextBadUrl, caption);
        return false;
    }
    if (!open_connection(urlAnsi, kind, cancel, out)) return false;

    char request[kRequestTextBytes];
    std::string target(request_target(urlAnsi, out->secure));
    size_t requestLen = kind == RequestKind::Head
                            ? format_head_request(request, sizeof request, target.c_str(), out->host, rangeStart)
                            : format_get_request(request, sizeof request, target.c_str(), out->host, rangeStart);
    if (requestLen == 0) {
        report_failure(kTextBadUrl, caption);
        return false;
    }
    if (sent) sent->assign(request, requestLen);
    return send_request(*out, request, requestLen);
}

int connection_recv(const Connection& c, char* buf, int len, const std::atomic<uint8_t>* cancel, int waitMs)
{
    if (c.tls) return tls_recv(c.tls.get(), c.socket.get(), buf, len, cancel, waitMs);
    return recv_wait(c.socket.get(), buf, len, 0, cancel, waitMs);
}

int recv_wait(SOCKET s, char* buf, int len, int flags, const std::atomic<uint8_t>* cancel, int waitMs)
{
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval slice{1, 0};
        int n = select(0, &readable, nullptr, nullptr, &slice);
        // A failing select would fail again at once: no endless spinning.
        if (n == SOCKET_ERROR) return -1;
        if (n > 0 && FD_ISSET(s, &readable)) {
            int got = recv(s, buf, len, flags);
            return got < 0 ? -1 : got;
        }
        slice_passed();
        if (waitMs < 1000) return -1;
        if (cancelled(cancel)) return -1;
    }
}

void shutdown_and_close(Connection* c)
{
    if (!c->socket.valid()) return;
    if (c->tls) tls_close(c->tls.get(), c->socket.get());
    c->tls.reset();
    if (shutdown(c->socket.get(), SD_RECEIVE) != 0) report_failure(kTextShutdownFailed, kTextError);
    c->socket.reset();
}
