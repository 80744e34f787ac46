// A small board server of our own on the loopback address: the board menu,
// thread lists, thread logs (Range, gzip, HEAD) and the posting script, all
// virtual hosts served from one in-memory data set. Used in-process by the
// tests and as the standalone program of the demonstration.
//
// The program reaches it as its HTTP proxy (ProxyUse 1, ProxyName 127.0.0.1,
// ProxyPort port()), so requests arrive in absolute form
// ("GET http://pc.2ch.net/mobile/subject.txt HTTP/1.0"); origin form
// ("GET /mobile/subject.txt") is served alike. Every answer ends with the
// server closing the connection. A CONNECT (an https URL through the proxy)
// is refused, or tunnelled to a TLS front on loopback (set_tunnel_port). A
// connection that opens with a TLS record (https straight to this server) is
// logged with the bytes of its first receive and closed unanswered: a server
// that closes during the handshake.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/boardserver/boardsite.h"

namespace boardserver {

// Misbehaviour for the requests of one path, or of every path. The first
// that applies, in this order: closeAtOnce, rawReply, hugeBody, the answer.
struct Behaviour {
    bool hold = false;          // answer only once release_held() is called (stop() ends the hold unanswered;
                                // a hang guard answers after a minute all the same)
    bool closeAtOnce = false;   // read the request, then close without sending a byte
    std::string rawReply;       // send exactly these bytes instead of an answer, then close
    uint64_t hugeBody = 0;      // answer 200 with a body of this many bytes, streamed
    int splitHead = 0;          // send the head in this many pieces (2 or more)...
    int splitPauseMs = 100;     // ...with this pause after each piece
    bool ignoreRange = false;   // answer a ranged GET with 200 and the whole file
    std::string bodyCoding;     // answer with the body in this coding, whatever was asked: "deflate",
                                // "deflate-raw" (announced as "deflate"), or a name the body is not coded in
    bool neverClose = false;    // answer, then keep the connection open until the client closes or stop()
    int uses = -1;              // applies to this many requests, then is dropped; -1: until cleared
};

// Bytes that are no status line, for Behaviour::rawReply.
extern const char* const kGarbageReply;

// One connection as the server saw it.
struct RecordedRequest {
    std::string raw;      // every byte received on the connection, in order (also after the body)
    std::string head;     // the request head, blank line included
    std::string body;     // the Content-Length bytes after the head
    std::string method, target, host, path;   // parsed from the head (empty when it did not parse)
    int status = 0;       // status answered; 0 when nothing or no status line was sent
    int headPieces = 0;   // the pieces the answer's head was sent in; 0 when none was sent
    bool complete = false;   // the connection has ended
};

class BoardServer {
public:
    BoardServer();
    ~BoardServer();   // stops
    BoardServer(const BoardServer&) = delete;
    BoardServer& operator=(const BoardServer&) = delete;

    // Listens on 127.0.0.1:port (0: an ephemeral port) and serves on a thread
    // of its own. False when already running or the port cannot be bound.
    bool start(uint16_t port = 0);
    // Ends every connection and joins every thread of the server.
    void stop();
    bool running() const;
    uint16_t port() const;

    // The data set and the posting script (safe to change while running).
    BoardSite& site();
    void put_file(const std::string& path, std::string bytes);
    void put_menu(std::string bytes);                                    // "/bbsmenu.html"
    void put_subject(const std::string& dir, std::string bytes);        // "/<dir>/subject.txt"
    void put_dat(const std::string& dir, const std::string& key, std::string bytes);
    void append_dat(const std::string& dir, const std::string& key, const std::string& bytes);
    bool truncate_dat(const std::string& dir, const std::string& key, size_t size);
    std::string dat(const std::string& dir, const std::string& key) const;
    std::string file(const std::string& path) const;
    void set_redirect(const std::string& path, const std::string& location, int status = 302);
    // Every file under `dir` is served at "/" and its relative path
    // ("mobile\dat\1065069078.dat" at "/mobile/dat/1065069078.dat"). False,
    // with a reason, when the folder cannot be read.
    bool load_sample(const std::wstring& dir, std::string* error = nullptr);

    void set_post_settings(const PostSettings& settings);
    std::vector<PostRecord> posts() const;

    // Misbehaviour: `path` is a URL path ("/mobile/dat/1065069078.dat"), or
    // "" for every path without one of its own.
    void set_behaviour(const std::string& path, const Behaviour& behaviour);
    void clear_behaviours();

    // Answers every connection held by Behaviour::hold.
    void release_held();
    // Connections held open right now: unanswered under Behaviour::hold, or
    // answered and kept under Behaviour::neverClose.
    size_t holding() const;
    // Waits until at least `count` connections are held; false on time-out.
    bool wait_for_holding(size_t count, int timeoutMs) const;

    // The request log, in the order the requests were read.
    std::vector<RecordedRequest> requests() const;
    // Waits until at least `count` connections have ended; false on time-out.
    bool wait_for_requests(size_t count, int timeoutMs) const;
    // Forgets the request log and the accepted connections.
    void clear_requests();
    // Every connection accepted since the start or the last clear, also those
    // that never said a word. A client's connection is counted as soon as its
    // connect returned: the call makes a connection of its own (not counted)
    // and waits until the server has accepted it, and the server accepts in
    // the order the connections were made. SIZE_MAX when that does not happen
    // within ten seconds.
    size_t accepted_connections() const;
    // CONNECT requests are piped to 127.0.0.1:port after "200 Connection
    // established"; 0 (the start) refuses them with 403. They are not in the
    // request log: the requests inside the tunnel reach the server (or
    // another) on their own.
    void set_tunnel_port(uint16_t port);
    // The targets of the CONNECT requests so far ("pc.2ch.net:443"), in order.
    std::vector<std::string> tunnels() const;

    // Called on the server's thread for every connection that ended.
    void set_request_observer(std::function<void(const RecordedRequest&)> observer);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace boardserver
