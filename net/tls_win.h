// TLS over a connected socket through the platform's own library (SChannel
// by SSPI): the handshake, the check of the server's certificate against the
// system's trusted roots and the host name, encrypting, decrypting with the
// one-second receive slices, and the closing alert.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct TlsSession;
struct TlsSessionDeleter {
    void operator()(TlsSession* session) const;
};

// Why a server was refused; each is told with the host's name. The chain is
// judged from its own trust status as well as by the SSL policy, and the host
// name is checked against the certificate's names by us too: the policy has
// been seen to pass chains it should not.
enum class TlsRefusal { None, Handshake, Untrusted, WrongHost, Expired, Unverified };

// Makes the handshake with `host` (ANSI, the URL's host without its port)
// and checks its certificate; nothing is sent on the session before both
// passed. Reports any failure (naming the host and the reason) and gives
// null; also null, unreported, when `cancel` was set while waiting.
TlsSession* tls_open(SOCKET s, const char* host, const std::atomic<uint8_t>* cancel);

// Sends the whole of `data` encrypted; false when the socket failed.
bool tls_send(TlsSession* session, SOCKET s, const char* data, size_t len);

// Like recv_wait: decrypted bytes (>0), 0 when the server ended the session
// or closed, -1 on an error or a cancel. Bytes decrypted beyond `len` are
// kept for the next call; a partial record is waited for in slices.
int tls_recv(TlsSession* session, SOCKET s, char* buf, int len, const std::atomic<uint8_t>* cancel, int waitMs);

// Sends the closing alert (best effort: the socket is closed next anyway).
void tls_close(TlsSession* session, SOCKET s);

// The message of a refusal, for the one reporting function.
std::wstring tls_refusal_text(TlsRefusal refusal, std::string_view host);
