#include "tools/boardserver/boardserver.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <thread>

#include "base/codepage.h"
#include "base/handles.h"
#include "tools/boardserver/tunnel_win.h"

namespace boardserver {

const char* const kGarbageReply = "\x01\x02garbage, no status line\r\n<html>\r\n\r\nnot HTTP at all\r\n";

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSliceMs = 50;                       // every wait checks the stop this often
constexpr int kIdleLimitMs = 15000;                // a client silent this long is dropped
constexpr int kDrainLimitMs = 3000;                // waiting for the client's close after ours
constexpr int kHoldLimitMs = 60000;                // a held answer goes out after all: a hang guard
constexpr uint64_t kMaxBodyBytes = 4 * 1024 * 1024;
constexpr size_t kChunk = 64 * 1024;
constexpr unsigned char kTlsHandshakeRecord = 0x16;

// Waits until the socket can be read (or written); false when the slice ran out.
bool wait_socket(SOCKET s, bool forWrite, int ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    int n = forWrite ? select(0, nullptr, &set, nullptr, &tv) : select(0, &set, nullptr, nullptr, &tv);
    return n > 0;
}

std::wstring join_path(const std::wstring& dir, const std::wstring& name)
{
    if (dir.empty()) return name;
    wchar_t last = dir.back();
    return (last == L'\\' || last == L'/') ? dir + name : dir + L"\\" + name;
}

std::string narrow(const std::wstring& w)
{
    if (w.empty()) return {};
    int n = WideCharToMultiByte(kCodePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kCodePage, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

bool read_whole_file(const std::wstring& path, std::string& out)
{
    UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > 256 * 1024 * 1024) return false;
    out.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!out.empty() && (!ReadFile(f.get(), &out[0], static_cast<DWORD>(out.size()), &got, nullptr) ||
                         got != out.size())) {
        return false;
    }
    return true;
}

// A 64 KB block of thread-log lines for the huge body.
std::string filler_block()
{
    std::string line = "name<>sage<>2003/10/02 13:31:18 ID:filler00<> filler filler filler <>\n";
    std::string block;
    while (block.size() + line.size() <= kChunk) block += line;
    block.append(kChunk - block.size(), '\n');
    return block;
}

}  // namespace

struct BoardServer::Impl {
    BoardSite site;

    // Serving threads.
    UniqueSocket listener;
    std::thread acceptor;
    std::atomic<bool> stopping{false};
    std::atomic<bool> started{false};
    bool wsaStarted = false;
    uint16_t port = 0;
    std::mutex waitLock;
    std::condition_variable waitCv;   // wakes pauses and holds on stop and on release
    uint64_t releases = 0;            // release_held() calls so far, under waitLock

    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Connection> connections;   // touched by the acceptor thread only, and by stop() after it ended

    // Behaviours and the request log.
    mutable std::mutex stateLock;
    mutable std::condition_variable logCv;
    std::map<std::string, Behaviour> behaviours;
    std::vector<RecordedRequest> log;
    size_t logBase = 0;   // entries cleared so far: a connection's index stays valid across a clear
    std::function<void(const RecordedRequest&)> observer;
    size_t held = 0;      // connections held right now
    // Accepted connections by their client's port, in order; the probes of
    // accepted_connections() are marked and not counted.
    struct Accepted {
        uint16_t clientPort;
        bool probe;
    };
    std::vector<Accepted> accepted;
    std::atomic<uint16_t> tunnelPort{0};
    std::vector<std::string> tunnelTargets;   // under stateLock
    std::vector<uint16_t> pendingProbes;

    // Waits up to `ms`; false when the server is stopping.
    bool pause(int ms)
    {
        std::unique_lock<std::mutex> hold(waitLock);
        return !waitCv.wait_for(hold, std::chrono::milliseconds(ms), [this] { return stopping.load(); });
    }

    void count_held(int change)
    {
        {
            std::lock_guard<std::mutex> hold(stateLock);
            held = static_cast<size_t>(static_cast<long long>(held) + change);
        }
        logCv.notify_all();
    }

    // Waits until release_held() (or the hang guard's limit); false when the
    // server is stopping.
    bool hold_answer()
    {
        std::unique_lock<std::mutex> hold(waitLock);
        uint64_t seen = releases;
        count_held(+1);
        waitCv.wait_for(hold, std::chrono::milliseconds(kHoldLimitMs),
                        [&] { return stopping.load() || releases != seen; });
        count_held(-1);
        return !stopping;
    }

    void record_accepted(uint16_t clientPort)
    {
        {
            std::lock_guard<std::mutex> hold(stateLock);
            auto probe = std::find(pendingProbes.begin(), pendingProbes.end(), clientPort);
            bool isProbe = probe != pendingProbes.end();
            if (isProbe) pendingProbes.erase(probe);
            accepted.push_back(Accepted{clientPort, isProbe});
        }
        logCv.notify_all();
    }

    bool send_all(SOCKET s, const char* data, size_t size)
    {
        while (size > 0) {
            if (stopping) return false;
            int n = send(s, data, static_cast<int>(std::min<size_t>(size, kChunk)), 0);
            if (n == SOCKET_ERROR) {
                if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
                wait_socket(s, true, kSliceMs);
                continue;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    Behaviour take_behaviour(const std::string& path)
    {
        std::lock_guard<std::mutex> hold(stateLock);
        auto it = behaviours.find(path);
        if (it == behaviours.end()) it = behaviours.find("");
        if (it == behaviours.end()) return Behaviour{};
        Behaviour b = it->second;
        if (it->second.uses > 0 && --it->second.uses == 0) behaviours.erase(it);
        return b;
    }

    size_t add_log(RecordedRequest rec)
    {
        std::lock_guard<std::mutex> hold(stateLock);
        log.push_back(std::move(rec));
        return logBase + log.size() - 1;
    }

    template <typename F>
    void update_log(size_t index, F change)
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (index >= logBase && index - logBase < log.size()) change(log[index - logBase]);
    }

    void finish_log(size_t index)
    {
        RecordedRequest copy;
        std::function<void(const RecordedRequest&)> notify;
        {
            std::lock_guard<std::mutex> hold(stateLock);
            if (index < logBase || index - logBase >= log.size()) return;
            RecordedRequest& entry = log[index - logBase];
            entry.complete = true;
            copy = entry;
            notify = observer;
        }
        logCv.notify_all();
        if (notify) notify(copy);
    }

    void serve(SOCKET s);
    void serve_tunnel(SOCKET s, const std::string& head);
    void accept_loop();
};

namespace {

// Reads until the head and its Content-Length body are in, the client
// closes, the client falls silent, or the server stops.
enum class ReadEnd { Complete, Closed, TooLarge, Stopped };

}  // namespace

void BoardServer::Impl::serve(SOCKET s)
{
    UniqueSocket sock(s);
    std::string data;
    HttpRequest req;
    bool parsed = false;
    size_t headLen = 0;
    uint64_t bodyLen = 0;
    int replyStatus = 0;
    int headPieces = 0;
    std::string why;
    ReadEnd end = ReadEnd::Closed;
    auto lastByte = Clock::now();
    char buf[8192];

    for (;;) {
        if (stopping) { end = ReadEnd::Stopped; break; }
        if (headLen == 0) {
            headLen = find_head_end(data);
            if (headLen == 0 && data.size() > kMaxHeadBytes) { end = ReadEnd::TooLarge; break; }
            if (headLen != 0 && data.compare(0, 8, "CONNECT ") == 0) {
                serve_tunnel(s, data.substr(0, headLen));
                return;
            }
            if (headLen != 0) {
                parsed = parse_request_head(std::string_view(data).substr(0, headLen), req, &why);
                if (!parsed) { end = ReadEnd::Complete; break; }
                const std::string* cl = req.header("Content-Length");
                if (cl && (!parse_content_length(*cl, bodyLen) || bodyLen > kMaxBodyBytes)) {
                    end = ReadEnd::TooLarge;
                    break;
                }
            }
        }
        if (headLen != 0 && data.size() >= headLen + bodyLen) { end = ReadEnd::Complete; break; }
        if (!wait_socket(s, false, kSliceMs)) {
            auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastByte).count();
            if (idle > kIdleLimitMs) { end = ReadEnd::Closed; break; }
            continue;
        }
        int n = recv(s, buf, sizeof buf, 0);
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (n <= 0) { end = ReadEnd::Closed; break; }
        data.append(buf, static_cast<size_t>(n));
        lastByte = Clock::now();
        // A TLS handshake record: a client speaking https to this plain
        // server is left unanswered, its hello logged, and closed on.
        if (static_cast<unsigned char>(data[0]) == kTlsHandshakeRecord) { end = ReadEnd::Closed; break; }
    }

    RecordedRequest rec;
    rec.raw = data;
    if (headLen != 0) {
        rec.head = data.substr(0, headLen);
        rec.body = data.substr(headLen, static_cast<size_t>(std::min<uint64_t>(bodyLen, data.size() - headLen)));
    }
    if (parsed) {
        rec.method = req.method;
        rec.target = req.target;
        rec.host = req.host;
        rec.path = req.path;
    }
    if (data.empty() && end != ReadEnd::Complete) return;   // a connection that never said a word
    size_t index = add_log(std::move(rec));

    auto send_reply = [&](const Reply& r, const Behaviour& b) {
        std::string head = reply_head_text(r);
        replyStatus = r.status;
        if (b.splitHead >= 2) {
            size_t pieces = static_cast<size_t>(b.splitHead);
            size_t step = (head.size() + pieces - 1) / pieces;
            for (size_t at = 0; at < head.size(); at += step) {
                if (!send_all(s, head.data() + at, std::min(step, head.size() - at))) return false;
                ++headPieces;
                if (!pause(b.splitPauseMs)) return false;
            }
        } else if (!send_all(s, head.data(), head.size())) {
            return false;
        } else {
            headPieces = 1;
        }
        if (r.headOnly) return true;
        return send_all(s, r.body.data(), r.body.size());
    };

    Behaviour b;
    if (end == ReadEnd::Complete && parsed) {
        b = take_behaviour(req.path);
        if (b.hold && !hold_answer()) end = ReadEnd::Stopped;
    }
    if (end == ReadEnd::Stopped) {
        // nothing more is said
    } else if (end == ReadEnd::Complete && !parsed) {
        Reply r;
        r.status = 400;
        r.body = "<html><head><title>400 Bad Request</title></head><body><p>" + why + "</p></body></html>\n";
        r.headers.emplace_back("Content-Length", std::to_string(r.body.size()));
        r.headers.emplace_back("Connection", "close");
        r.headers.emplace_back("Content-Type", "text/html");
        send_reply(r, Behaviour{});
    } else if (end == ReadEnd::TooLarge) {
        Reply r;
        r.status = 413;
        r.headers.emplace_back("Content-Length", "0");
        r.headers.emplace_back("Connection", "close");
        send_reply(r, Behaviour{});
    } else if (end == ReadEnd::Complete) {
        if (b.closeAtOnce) {
            // not a byte
        } else if (!b.rawReply.empty()) {
            send_all(s, b.rawReply.data(), b.rawReply.size());
        } else if (b.hugeBody > 0) {
            Reply r;
            r.status = 200;
            r.headers.emplace_back("Date", http_date(site.now()));
            r.headers.emplace_back("Content-Length", std::to_string(b.hugeBody));
            r.headers.emplace_back("Connection", "close");
            r.headers.emplace_back("Content-Type", "text/plain");
            r.headOnly = true;
            if (send_reply(r, b) && req.method != "HEAD") {
                static const std::string block = filler_block();
                uint64_t left = b.hugeBody;
                while (left > 0) {
                    size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
                    if (!send_all(s, block.data(), n)) break;
                    left -= n;
                }
            }
        } else {
            std::string_view body = std::string_view(data).substr(headLen);
            body = body.substr(0, static_cast<size_t>(std::min<uint64_t>(bodyLen, body.size())));
            if (b.bodyCoding.empty()) {
                send_reply(site.answer(req, body, b.ignoreRange), b);
            } else {
                // The site answers plain; the coding is applied on top.
                HttpRequest plain = req;
                const std::string* accepted = plain.header("Accept-Encoding");
                for (auto& h : plain.headers)
                    if (&h.second == accepted) h.second.clear();
                Reply r = site.answer(plain, body, b.ignoreRange);
                code_reply_body(&r, b.bodyCoding);
                send_reply(r, b);
            }
        }
    }
    update_log(index, [&](RecordedRequest& r) {
        r.status = replyStatus;
        r.headPieces = headPieces;
    });

    if (b.neverClose && end == ReadEnd::Complete) {
        // Like a keeping-alive server: the connection stays until the client
        // gives up (or the server stops).
        count_held(+1);
        while (!stopping) {
            if (!wait_socket(s, false, kSliceMs)) continue;
            int n = recv(s, buf, sizeof buf, 0);
            if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
            if (n <= 0) break;
            update_log(index, [&](RecordedRequest& r) { r.raw.append(buf, static_cast<size_t>(n)); });
        }
        count_held(-1);
    }

    // Close gracefully: our FIN first, then read what the client still sends
    // (the post's trailing CR LF) until it closes, so that unread bytes never
    // turn our close into a reset that could destroy the reply in flight.
    shutdown(s, SD_SEND);
    auto drainStart = Clock::now();
    while (!stopping) {
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - drainStart).count();
        if (spent > kDrainLimitMs) break;
        if (!wait_socket(s, false, kSliceMs)) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (n <= 0) break;
        update_log(index, [&](RecordedRequest& r) { r.raw.append(buf, static_cast<size_t>(n)); });
    }
    sock.reset();
    finish_log(index);
}

void BoardServer::Impl::serve_tunnel(SOCKET s, const std::string& head)
{
    std::string target = head.substr(8, head.find(' ', 8) - 8);
    {
        std::lock_guard<std::mutex> hold(stateLock);
        tunnelTargets.push_back(target);
    }
    uint16_t port = tunnelPort.load();
    UniqueSocket front = port ? connect_loopback(port) : UniqueSocket();
    if (!front.valid()) {
        static const char kRefused[] = "HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send_all(s, kRefused, sizeof kRefused - 1);
        shutdown(s, SD_SEND);
        return;
    }
    static const char kOpened[] = "HTTP/1.0 200 Connection established\r\n\r\n";
    if (!send_all(s, kOpened, sizeof kOpened - 1)) return;
    pipe_sockets(s, front.get(), stopping);
}

void BoardServer::Impl::accept_loop()
{
    while (!stopping) {
        // Threads of ended connections are joined as we go.
        for (auto it = connections.begin(); it != connections.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
        if (!wait_socket(listener.get(), false, kSliceMs)) continue;
        sockaddr_in client{};
        int clientLen = sizeof client;
        SOCKET s = accept(listener.get(), reinterpret_cast<sockaddr*>(&client), &clientLen);
        if (s == INVALID_SOCKET) continue;
        record_accepted(ntohs(client.sin_port));
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        auto done = std::make_shared<std::atomic<bool>>(false);
        connections.push_back(Connection{std::thread([this, s, done] {
                                             serve(s);
                                             done->store(true);
                                         }),
                                         done});
    }
    for (auto& c : connections) c.thread.join();
    connections.clear();
}

BoardServer::BoardServer() : impl_(new Impl) {}

BoardServer::~BoardServer()
{
    stop();
}

bool BoardServer::start(uint16_t port)
{
    Impl& m = *impl_;
    if (m.started) return false;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
    m.wsaStarted = true;

    UniqueSocket ls(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!ls.valid()) {
        WSACleanup();
        m.wsaStarted = false;
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    u_long nonBlocking = 1;
    if (bind(ls.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(ls.get(), SOMAXCONN) != 0 ||
        getsockname(ls.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ioctlsocket(ls.get(), FIONBIO, &nonBlocking) != 0) {
        ls.reset();
        WSACleanup();
        m.wsaStarted = false;
        return false;
    }
    m.port = ntohs(addr.sin_port);
    m.listener = std::move(ls);
    {
        std::lock_guard<std::mutex> hold(m.stateLock);
        m.accepted.clear();
        m.pendingProbes.clear();
    }
    m.stopping = false;
    m.started = true;
    m.acceptor = std::thread([&m] { m.accept_loop(); });
    return true;
}

void BoardServer::stop()
{
    Impl& m = *impl_;
    if (!m.started) return;
    {
        std::lock_guard<std::mutex> hold(m.waitLock);
        m.stopping = true;
    }
    m.waitCv.notify_all();
    if (m.acceptor.joinable()) m.acceptor.join();
    m.listener.reset();
    m.started = false;
    m.port = 0;
    if (m.wsaStarted) {
        WSACleanup();
        m.wsaStarted = false;
    }
}

void BoardServer::set_tunnel_port(uint16_t port) { impl_->tunnelPort.store(port); }
std::vector<std::string> BoardServer::tunnels() const
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    return impl_->tunnelTargets;
}

bool BoardServer::running() const { return impl_->started; }
uint16_t BoardServer::port() const { return impl_->port; }
BoardSite& BoardServer::site() { return impl_->site; }

void BoardServer::put_file(const std::string& path, std::string bytes) { impl_->site.put(path, std::move(bytes)); }
void BoardServer::put_menu(std::string bytes) { impl_->site.put(kMenuPath, std::move(bytes)); }
void BoardServer::put_subject(const std::string& dir, std::string bytes)
{
    impl_->site.put(subject_path(dir), std::move(bytes));
}
void BoardServer::put_dat(const std::string& dir, const std::string& key, std::string bytes)
{
    impl_->site.put(dat_path(dir, key), std::move(bytes));
}
void BoardServer::append_dat(const std::string& dir, const std::string& key, const std::string& bytes)
{
    impl_->site.append(dat_path(dir, key), bytes);
}
bool BoardServer::truncate_dat(const std::string& dir, const std::string& key, size_t size)
{
    return impl_->site.truncate(dat_path(dir, key), size);
}
std::string BoardServer::dat(const std::string& dir, const std::string& key) const
{
    return impl_->site.get(dat_path(dir, key));
}
std::string BoardServer::file(const std::string& path) const { return impl_->site.get(path); }
void BoardServer::set_redirect(const std::string& path, const std::string& location, int status)
{
    impl_->site.set_redirect(path, location, status);
}
void BoardServer::set_post_settings(const PostSettings& settings) { impl_->site.set_post_settings(settings); }
std::vector<PostRecord> BoardServer::posts() const { return impl_->site.posts(); }

bool BoardServer::load_sample(const std::wstring& dir, std::string* error)
{
    // Walks the folder; "" is the top, "mobile/dat" a folder below it.
    std::vector<std::wstring> pending{L""};
    size_t loaded = 0;
    while (!pending.empty()) {
        std::wstring rel = pending.back();
        pending.pop_back();
        std::wstring folder = rel.empty() ? dir : join_path(dir, rel);
        WIN32_FIND_DATAW fd;
        HANDLE find = FindFirstFileW(join_path(folder, L"*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) {
            if (error) *error = "cannot list " + narrow(folder);
            return false;
        }
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring relName = rel.empty() ? name : rel + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                pending.push_back(relName);
                continue;
            }
            std::string bytes;
            if (!read_whole_file(join_path(dir, relName), bytes)) {
                FindClose(find);
                if (error) *error = "cannot read " + narrow(join_path(dir, relName));
                return false;
            }
            std::string path = "/" + narrow(relName);
            for (char& c : path) {
                if (c == '\\') c = '/';
            }
            impl_->site.put(path, std::move(bytes));
            ++loaded;
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    if (loaded == 0) {
        if (error) *error = "no files in " + narrow(dir);
        return false;
    }
    return true;
}

void BoardServer::set_behaviour(const std::string& path, const Behaviour& behaviour)
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    impl_->behaviours[path] = behaviour;
}

void BoardServer::clear_behaviours()
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    impl_->behaviours.clear();
}

std::vector<RecordedRequest> BoardServer::requests() const
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    return impl_->log;
}

bool BoardServer::wait_for_requests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> hold(impl_->stateLock);
    return impl_->logCv.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
        size_t done = 0;
        for (const auto& r : impl_->log) done += r.complete ? 1 : 0;
        return done >= count;
    });
}

void BoardServer::clear_requests()
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    impl_->logBase += impl_->log.size();
    impl_->log.clear();
    impl_->accepted.clear();
    impl_->tunnelTargets.clear();
}

size_t BoardServer::accepted_connections() const
{
    Impl& m = *impl_;
    UniqueSocket probe(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (!probe.valid() || bind(probe.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(probe.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return SIZE_MAX;
    }
    const uint16_t probePort = ntohs(addr.sin_port);
    {
        std::lock_guard<std::mutex> hold(m.stateLock);
        m.pendingProbes.push_back(probePort);
    }
    addr.sin_port = htons(m.port);
    if (connect(probe.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return SIZE_MAX;
    std::unique_lock<std::mutex> hold(m.stateLock);
    size_t before = SIZE_MAX;
    m.logCv.wait_for(hold, std::chrono::seconds(10), [&] {
        size_t clients = 0;
        for (const Impl::Accepted& a : m.accepted) {
            if (a.probe && a.clientPort == probePort) {
                before = clients;
                return true;
            }
            clients += a.probe ? 0 : 1;
        }
        return false;
    });
    return before;
}

void BoardServer::release_held()
{
    {
        std::lock_guard<std::mutex> hold(impl_->waitLock);
        ++impl_->releases;
    }
    impl_->waitCv.notify_all();
}

size_t BoardServer::holding() const
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    return impl_->held;
}

bool BoardServer::wait_for_holding(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> hold(impl_->stateLock);
    return impl_->logCv.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return impl_->held >= count; });
}

void BoardServer::set_request_observer(std::function<void(const RecordedRequest&)> observer)
{
    std::lock_guard<std::mutex> hold(impl_->stateLock);
    impl_->observer = std::move(observer);
}

}  // namespace boardserver
