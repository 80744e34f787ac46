#define SECURITY_WIN32
#include "net/tls_win.h"

#include <wincrypt.h>
#include <security.h>
#include <schannel.h>

#include <cstring>
#include <memory>
#include <vector>

#include "base/codepage.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/hostmatch.h"

namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
// Room for the largest record and what may arrive behind it.
constexpr size_t kIncomingBytes = 2 * (16 * 1024 + 2048);

struct CertContextOwner {
    PCCERT_CONTEXT p = nullptr;
    ~CertContextOwner()
    {
        if (p) CertFreeCertificateContext(p);
    }
};

struct ChainOwner {
    PCCERT_CHAIN_CONTEXT p = nullptr;
    ~ChainOwner()
    {
        if (p) CertFreeCertificateChain(p);
    }
};

// A block the security package allocated.
struct ContextBuffer {
    void* p = nullptr;
    ~ContextBuffer()
    {
        if (p) FreeContextBuffer(p);
    }
};

}  // namespace

struct TlsSession {
    CredHandle cred{};
    CtxtHandle ctx{};
    bool haveCred = false;
    bool haveCtx = false;
    std::wstring name;                 // the host, as the handshake names it
    SecPkgContext_StreamSizes sizes{};
    std::vector<char> incoming = std::vector<char>(kIncomingBytes);
    size_t incomingLen = 0;            // received, not yet decrypted
    std::vector<char> plain;           // decrypted, not yet handed out
    size_t plainPos = 0;
    bool ended = false;                // the server's closing alert arrived

    ~TlsSession()
    {
        if (haveCtx) DeleteSecurityContext(&ctx);
        if (haveCred) FreeCredentialsHandle(&cred);
    }
};

void TlsSessionDeleter::operator()(TlsSession* session) const { delete session; }

namespace {

bool send_all(SOCKET s, const char* data, size_t len)
{
    while (len > 0) {
        int piece = len > 0x10000 ? 0x10000 : static_cast<int>(len);
        int n = send(s, data, piece, 0);
        if (n <= 0) return false;
        data += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

bool acquire_credentials(TlsSession* t)
{
    SCHANNEL_CRED sc{};
    sc.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is judged here, after the handshake, before a byte is sent.
    sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    // A platform that knows no TLS 1.3 refuses the pair: then 1.2 alone.
    for (DWORD protocols : {DWORD(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT), DWORD(SP_PROT_TLS1_2_CLIENT)}) {
        sc.grbitEnabledProtocols = protocols;
        if (AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                      &sc, nullptr, nullptr, &t->cred, &expiry) == SEC_E_OK) {
            t->haveCred = true;
            return true;
        }
    }
    return false;
}

// One step of the handshake over the bytes received so far; the token to send
// is sent. Keeps what lies beyond the step's input.
SECURITY_STATUS handshake_step(TlsSession* t, SOCKET s, bool first)
{
    SecBuffer in[2] = {{static_cast<ULONG>(t->incomingLen), SECBUFFER_TOKEN, t->incoming.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
    ULONG attributes = 0;
    SECURITY_STATUS ss = InitializeSecurityContextW(&t->cred, first ? nullptr : &t->ctx,
                                                    const_cast<wchar_t*>(t->name.c_str()), kContextFlags, 0, 0,
                                                    first ? nullptr : &inDesc, 0, first ? &t->ctx : nullptr,
                                                    &outDesc, &attributes, nullptr);
    if (first && (ss == SEC_E_OK || ss == SEC_I_CONTINUE_NEEDED)) t->haveCtx = true;
    ContextBuffer token{out[0].pvBuffer};
    if (ss == SEC_E_INCOMPLETE_MESSAGE) return ss;
    if (out[0].cbBuffer > 0 && token.p &&
        !send_all(s, static_cast<const char*>(token.p), out[0].cbBuffer)) {
        return SEC_E_INTERNAL_ERROR;
    }
    if (!first) {
        if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0) {
            std::memmove(t->incoming.data(), t->incoming.data() + t->incomingLen - in[1].cbBuffer, in[1].cbBuffer);
            t->incomingLen = in[1].cbBuffer;
        } else {
            t->incomingLen = 0;
        }
    }
    return ss;
}

// More bytes from the server into `incoming`: >0, 0 when it closed, -1.
int receive_more(TlsSession* t, SOCKET s, const std::atomic<uint8_t>* cancel, int waitMs)
{
    if (t->incomingLen == t->incoming.size()) return -1;   // no record is that large
    char* at = t->incoming.data() + t->incomingLen;
    int n = recv_wait(s, at, static_cast<int>(t->incoming.size() - t->incomingLen), 0, cancel, waitMs);
    if (n > 0) t->incomingLen += static_cast<size_t>(n);
    return n;
}

bool handshake(TlsSession* t, SOCKET s, const std::atomic<uint8_t>* cancel)
{
    SECURITY_STATUS ss = handshake_step(t, s, true);
    while (ss == SEC_I_CONTINUE_NEEDED || ss == SEC_E_INCOMPLETE_MESSAGE || ss == SEC_I_INCOMPLETE_CREDENTIALS) {
        if (ss != SEC_I_INCOMPLETE_CREDENTIALS && (t->incomingLen == 0 || ss == SEC_E_INCOMPLETE_MESSAGE)) {
            if (receive_more(t, s, cancel, kReceiveWaitMs) <= 0) return false;
        }
        ss = handshake_step(t, s, false);
    }
    return ss == SEC_E_OK;
}

std::vector<std::string> certificate_names(PCCERT_CONTEXT cert, bool* anyAlternative)
{
    std::vector<std::string> names;
    *anyAlternative = false;
    PCERT_EXTENSION ext = CertFindExtension(szOID_SUBJECT_ALT_NAME2, cert->pCertInfo->cExtension,
                                            cert->pCertInfo->rgExtension);
    if (ext) {
        CERT_ALT_NAME_INFO* info = nullptr;
        DWORD size = 0;
        if (CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData, ext->Value.cbData,
                                CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size)) {
            for (DWORD i = 0; i < info->cAltEntry; ++i) {
                const CERT_ALT_NAME_ENTRY& e = info->rgAltEntry[i];
                if (e.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME && e.pwszDNSName) {
                    *anyAlternative = true;
                    std::string name;
                    for (const wchar_t* p = e.pwszDNSName; *p; ++p) name += *p < 0x80 ? static_cast<char>(*p) : '?';
                    names.push_back(name);
                } else if (e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && e.IPAddress.cbData == 4) {
                    *anyAlternative = true;
                    const BYTE* a = e.IPAddress.pbData;
                    char text[16];
                    snprintf(text, sizeof text, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
                    names.push_back(std::string("ip:") + text);
                }
            }
            LocalFree(info);
        }
    }
    if (!*anyAlternative) {
        char cn[256];
        if (CertGetNameStringA(cert, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), cn, sizeof cn) > 1) {
            names.emplace_back(cn);
        }
    }
    return names;
}

bool names_cover_host(PCCERT_CONTEXT cert, std::string_view host)
{
    bool anyAlternative = false;
    bool address = host_is_address(host);
    for (const std::string& name : certificate_names(cert, &anyAlternative)) {
        if (address ? name == "ip:" + std::string(host) : certificate_name_matches(name, host)) return true;
    }
    return false;
}

TlsRefusal refusal_of_chain(DWORD status)
{
    if (status & CERT_TRUST_IS_NOT_TIME_VALID) return TlsRefusal::Expired;
    if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
                  CERT_TRUST_IS_CYCLIC | CERT_TRUST_IS_REVOKED)) {
        return TlsRefusal::Untrusted;
    }
    // No revocation lists are fetched: their absence is no refusal.
    status &= ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    return status == 0 ? TlsRefusal::None : TlsRefusal::Unverified;
}

TlsRefusal refusal_of_policy(DWORD error)
{
    switch (error) {
    case 0: return TlsRefusal::None;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return TlsRefusal::WrongHost;
    case static_cast<DWORD>(CERT_E_EXPIRED): return TlsRefusal::Expired;
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING): return TlsRefusal::Untrusted;
    default: return TlsRefusal::Unverified;
    }
}

TlsRefusal verify_server(TlsSession* t, std::string_view host)
{
    CertContextOwner cert;
    if (QueryContextAttributesW(&t->ctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert.p) != SEC_E_OK || !cert.p) {
        return TlsRefusal::Unverified;
    }
    LPSTR usages[] = {const_cast<char*>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    ChainOwner chain;
    if (!CertGetCertificateChain(nullptr, cert.p, nullptr, cert.p->hCertStore, &para, 0, nullptr, &chain.p)) {
        return TlsRefusal::Unverified;
    }
    TlsRefusal r = refusal_of_chain(chain.p->TrustStatus.dwErrorStatus);
    if (r != TlsRefusal::None) return r;

    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    // The policy matches names only; an address is matched below alone.
    ssl.pwszServerName = host_is_address(host) ? nullptr : const_cast<wchar_t*>(t->name.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.p, &policy, &status)) {
        return TlsRefusal::Unverified;
    }
    r = refusal_of_policy(status.dwError);
    if (r != TlsRefusal::None) return r;
    return names_cover_host(cert.p, host) ? TlsRefusal::None : TlsRefusal::WrongHost;
}

void report_refusal(TlsRefusal refusal, std::string_view host)
{
    report_failure(tls_refusal_text(refusal, host).c_str(), kTextError);
}

// Hands out what was decrypted and not yet taken.
int take_plain(TlsSession* t, char* buf, int len)
{
    size_t left = t->plain.size() - t->plainPos;
    size_t n = left < static_cast<size_t>(len) ? left : static_cast<size_t>(len);
    std::memcpy(buf, t->plain.data() + t->plainPos, n);
    t->plainPos += n;
    if (t->plainPos == t->plain.size()) {
        t->plain.clear();
        t->plainPos = 0;
    }
    return static_cast<int>(n);
}

// Keeps the bytes an operation left over at the front of `incoming`.
void keep_extra(TlsSession* t, const SecBuffer* buffers, int count)
{
    for (int i = 0; i < count; ++i) {
        if (buffers[i].BufferType == SECBUFFER_EXTRA && buffers[i].cbBuffer > 0) {
            std::memmove(t->incoming.data(), t->incoming.data() + t->incomingLen - buffers[i].cbBuffer,
                         buffers[i].cbBuffer);
            t->incomingLen = buffers[i].cbBuffer;
            return;
        }
    }
    t->incomingLen = 0;
}

// Decrypts the records held; 1 when plain bytes or the end came of it, 0
// when more bytes are needed, -1 on an error.
int decrypt_held(TlsSession* t, SOCKET s)
{
    while (t->incomingLen > 0) {
        SecBuffer b[4] = {{static_cast<ULONG>(t->incomingLen), SECBUFFER_DATA, t->incoming.data()},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
        SECURITY_STATUS ss = DecryptMessage(&t->ctx, &desc, 0, nullptr);
        if (ss == SEC_E_INCOMPLETE_MESSAGE) return 0;
        if (ss == SEC_I_CONTEXT_EXPIRED) {
            t->ended = true;
            t->incomingLen = 0;
            return 1;
        }
        if (ss != SEC_E_OK && ss != SEC_I_RENEGOTIATE) return -1;
        for (const SecBuffer& piece : b) {
            if (piece.BufferType == SECBUFFER_DATA && piece.cbBuffer > 0) {
                const char* p = static_cast<const char*>(piece.pvBuffer);
                t->plain.insert(t->plain.end(), p, p + piece.cbBuffer);
            }
        }
        keep_extra(t, b, 4);
        if (ss == SEC_I_RENEGOTIATE) {
            // A message of the handshake after it (a TLS 1.3 session ticket):
            // the package takes it in one more step.
            SECURITY_STATUS step = handshake_step(t, s, false);
            if (step != SEC_E_OK && step != SEC_I_CONTINUE_NEEDED) return -1;
        }
        if (!t->plain.empty()) return 1;
    }
    return 0;
}

}  // namespace

std::wstring tls_refusal_text(TlsRefusal refusal, std::string_view host)
{
    const wchar_t* reason = kTextTlsUnverified;
    switch (refusal) {
    case TlsRefusal::Handshake: reason = kTextTlsHandshakeFailed; break;
    case TlsRefusal::Untrusted: reason = kTextTlsUntrusted; break;
    case TlsRefusal::WrongHost: reason = kTextTlsWrongHost; break;
    case TlsRefusal::Expired: reason = kTextTlsExpired; break;
    case TlsRefusal::Unverified:
    case TlsRefusal::None: break;
    }
    std::wstring text = mb_to_wstring(std::string(host).c_str());
    text += reason;
    return text;
}

TlsSession* tls_open(SOCKET s, const char* host, const std::atomic<uint8_t>* cancel)
{
    std::unique_ptr<TlsSession> t(new TlsSession);
    t->name = mb_to_wstring(host);
    if (!acquire_credentials(t.get())) {
        report_refusal(TlsRefusal::Handshake, host);
        return nullptr;
    }
    if (!handshake(t.get(), s, cancel)) {
        if (!(cancel && cancel->load() != 0)) report_refusal(TlsRefusal::Handshake, host);
        return nullptr;
    }
    TlsRefusal refusal = verify_server(t.get(), host);
    if (refusal != TlsRefusal::None) {
        report_refusal(refusal, host);
        return nullptr;
    }
    if (QueryContextAttributesW(&t->ctx, SECPKG_ATTR_STREAM_SIZES, &t->sizes) != SEC_E_OK) {
        report_refusal(TlsRefusal::Handshake, host);
        return nullptr;
    }
    return t.release();
}

bool tls_send(TlsSession* t, SOCKET s, const char* data, size_t len)
{
    const size_t most = t->sizes.cbMaximumMessage;
    std::vector<char> record(t->sizes.cbHeader + most + t->sizes.cbTrailer);
    while (len > 0) {
        size_t n = len < most ? len : most;
        std::memcpy(record.data() + t->sizes.cbHeader, data, n);
        SecBuffer b[4] = {{t->sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                          {static_cast<ULONG>(n), SECBUFFER_DATA, record.data() + t->sizes.cbHeader},
                          {t->sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + t->sizes.cbHeader + n},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
        if (EncryptMessage(&t->ctx, 0, &desc, 0) != SEC_E_OK) return false;
        if (!send_all(s, record.data(), b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer)) return false;
        data += n;
        len -= n;
    }
    return true;
}

int tls_recv(TlsSession* t, SOCKET s, char* buf, int len, const std::atomic<uint8_t>* cancel, int waitMs)
{
    for (;;) {
        if (!t->plain.empty()) return take_plain(t, buf, len);
        if (t->ended) return 0;
        int got = decrypt_held(t, s);
        if (got < 0) return -1;
        if (got > 0) continue;
        int n = receive_more(t, s, cancel, waitMs);
        if (n <= 0) return n;
    }
}

void tls_close(TlsSession* t, SOCKET s)
{
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(&t->ctx, &controlDesc) != SEC_E_OK) return;
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    SECURITY_STATUS ss = InitializeSecurityContextW(&t->cred, &t->ctx, const_cast<wchar_t*>(t->name.c_str()),
                                                    kContextFlags, 0, 0, nullptr, 0, nullptr, &outDesc,
                                                    &attributes, nullptr);
    ContextBuffer token{out.pvBuffer};
    if ((ss == SEC_E_OK || ss == SEC_I_CONTEXT_EXPIRED) && token.p && out.cbBuffer > 0) {
        send_all(s, static_cast<const char*>(token.p), out.cbBuffer);
    }
}
