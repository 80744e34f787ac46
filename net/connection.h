// The BBS HTTP client's connection layer: the target, the lookup with its
// one-entry cache, the waiting receive, closing, and the layer's texts.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/handles.h"
#include "net/httphead.h"
#include "net/tls_win.h"

// ---- Texts of the connection layer --------------------------------------

constexpr wchar_t kTextError[] = L"Error";
constexpr wchar_t kTextBadUrl[] = L"URLが不正です";
constexpr wchar_t kTextSocketOpenFailed[] = L"ソケットをオープンできません";
constexpr wchar_t kTextSocketOpenFailedCode[] = L"ソケットをオープンできません:%d";
constexpr wchar_t kTextHostNotFound[] = L"が見つかりません";   // after the host name
constexpr wchar_t kTextConnectFailed[] = L"サーバーソケットに接続失敗";
constexpr wchar_t kTextRecvError[] = L"recvエラーです";
constexpr wchar_t kTextShutdownFailed[] = L"シャットダウンに失敗しました";
// A request that could not be sent whole.
constexpr wchar_t kTextSendFailed[] = L"送信に失敗しました";
// A secure server refused, each after the host's name.
constexpr wchar_t kTextTlsHandshakeFailed[] = L"とのTLSハンドシェイクに失敗しました";
constexpr wchar_t kTextTlsUntrusted[] = L"の証明書は信頼されたルート証明書に繋がりません";
constexpr wchar_t kTextTlsWrongHost[] = L"の証明書はこのホスト名のものではありません";
constexpr wchar_t kTextTlsExpired[] = L"の証明書は有効期限外です";
constexpr wchar_t kTextTlsUnverified[] = L"の証明書を確認できません";
// The proxy did not open the tunnel to a secure server: after the host name
// and port, then the proxy's status.
constexpr wchar_t kTextTunnelRefused[] = L"へのトンネルをプロキシが拒否しました:%d";

// Every caller waits this long per receive (in one-second slices).
constexpr int kReceiveWaitMs = 10000;

// ---- Connection layer ----------------------------------------------------

// The last successful lookup. Touched only by the one running worker.
struct HostCacheEntry {
    char name[kConnectionHostBytes];   // empty: nothing cached
    uint32_t address;                  // network byte order; 0: nothing cached
};
extern HostCacheEntry HostCache;

// The IPv4 address of `name`, from the cache when it is the cached name byte
// for byte, else from the platform's resolver; 0 when it cannot be resolved
// (which also empties the cache). Writes the "gethostbyname" timing line.
uint32_t host_lookup(const char* name);
// How many times host_lookup asked the platform's resolver.
uint32_t host_lookup_count();

// Which request opens the connection: a POST names the platform's error code
// when no socket can be made.
enum class RequestKind { Get, Head, Post };

struct Connection {
    UniqueSocket socket;
    char host[kConnectionHostBytes];   // for the Host line (host_line_value)
    bool secure = false;               // requests go in origin form over `tls`
    std::unique_ptr<TlsSession, TlsSessionDeleter> tls;
};

// Opens a connection for the request URL (ANSI): through the proxy when
// ProxyUse is 1, else to the URL's host and port. An "https://" URL gets a
// TLS session with its host (through the proxy after a CONNECT tunnel) whose
// certificate was checked before anything is sent. Reports a failure
// ("ソケットをオープンできません", "%sが見つかりません",
// "サーバーソケットに接続失敗", a tunnel or certificate refusal, title
// "Error") and gives false. Every wait is in one-second slices and gives up
// silently when `cancel` is set.
bool open_connection(const char* url, RequestKind kind, const std::atomic<uint8_t>* cancel, Connection* out);
// The port of every direct connection, whatever the URL says, when a test
// points it at a loopback server of its own; 0 (the start) gives the URL's.
void set_direct_port(uint16_t port);

// Sends the whole request, however the platform splits it. False (and the
// message "送信に失敗しました") when the connection fails on the way.
bool send_request(const Connection& c, const char* data, size_t len);

// The opening of a GET or HEAD: the URL whole in the ANSI code page, the
// connection, and the request sent (from byte `rangeStart` on when it is
// above 0). False when any step failed; a URL that is refused is reported as
// kTextBadUrl with `caption`, every other failure as its own step reports it.
// `sent` (may be null) receives the request bytes, for the debug dump.
bool open_and_send(const wchar_t* url, RequestKind kind, int32_t rangeStart, const wchar_t* caption,
                   const std::atomic<uint8_t>* cancel, Connection* out, std::string* sent);

// Receives on the connection (decrypted over TLS) as recv_wait does.
int connection_recv(const Connection& c, char* buf, int len, const std::atomic<uint8_t>* cancel, int waitMs);

// Waits for data in one-second slices: the count received (>0), 0 when the
// server closed, -1 on an error, or when `cancel` (may be null) is set while
// nothing arrives, or at once after one empty slice when waitMs is below 1000.
int recv_wait(SOCKET s, char* buf, int len, int flags, const std::atomic<uint8_t>* cancel, int waitMs);
// Tests see every one-second slice that recv_wait or a connect spends without
// an answer, on the waiting thread, just before the cancel flag is read: the
// slices are the clock of these waits. Null removes the hook.
using WaitSliceHook = void (*)();
void set_wait_slice_hook(WaitSliceHook hook);

// Ends a GET or HEAD connection: the closing alert over TLS, then shuts the
// receive direction down (a failure is reported, "シャットダウンに失敗しました")
// and closes the socket.
void shutdown_and_close(Connection* c);

