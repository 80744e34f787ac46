// A loopback stand-in for the proxy client's configuration database: it
// listens on 127.0.0.1 at a port of the system's choosing, takes one query
// per connection, keeps the two values and the table list that the switch
// reads and writes, and records every request byte for byte. Any kind of
// request can be given a scripted answer instead of the modelled one.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class VdbRequestKind { Profile, TableRows, SetProfile, MarkModified, Other };

// What the server does with the connection after writing an answer.
enum class VdbAfterAnswer {
    WaitForClient,   // keep it open until the client shuts it down
    Close,           // close it at once
};

struct VdbConnection {
    std::string request;           // every byte received before answering
    bool client_closed = false;    // the client shut its side down afterwards
};

class VdbServer {
public:
    VdbServer();
    ~VdbServer();
    VdbServer(const VdbServer&) = delete;
    VdbServer& operator=(const VdbServer&) = delete;

    bool listening() const { return listen_ != INVALID_SOCKET; }
    uint16_t port() const { return port_; }

    // The modelled database.
    void set_profile(int vpn_prof, int nr_profiles);
    void set_tables(const std::string& rows);   // data lines, each "rowid\ttablename\t\n"
    int vpn_prof() const;
    std::vector<int> marked_rows() const;        // rows of every "SET modified=1"

    // A scripted answer for every request of `kind` from now on. With
    // `silent` nothing is written at all and the connection is held open.
    void script(VdbRequestKind kind, const std::string& answer,
                VdbAfterAnswer after = VdbAfterAnswer::WaitForClient);
    void script_silence(VdbRequestKind kind);
    // `first` at once, and `rest` only when send_rest() asks for it; the
    // connection is then held as with WaitForClient.
    void script_in_two(VdbRequestKind kind, const std::string& first, const std::string& rest);
    // Sends the rest of the answer being held back; returns once it is sent
    // (false when no answer was waiting for it within ten seconds).
    bool send_rest();

    // After answering `n` connections in all, the server stops listening, so
    // that every later connect is refused.
    void stop_listening_after(int n);

    // Connections handled so far, in order; waits for the one being handled
    // to finish (up to ten seconds) so that its closing is seen.
    std::vector<VdbConnection> connections() const;
    std::vector<std::string> requests() const;
    std::string all_requests() const;   // every request, one after the other

private:
    struct Script {
        bool set = false;
        bool silent = false;
        std::string answer;
        std::string rest;   // sent on send_rest()
        VdbAfterAnswer after = VdbAfterAnswer::WaitForClient;
    };

    void run();
    void stop_listening();
    void serve(SOCKET s);
    void send_held_rest(SOCKET s, const std::string& rest);
    std::string modelled_answer(const std::string& request, VdbRequestKind kind);

    SOCKET listen_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> busy_{0};
    std::atomic<int> listenFor_{-1};
    std::atomic<int> accepted_{0};
    std::thread thread_;

    mutable std::mutex mu_;
    int vpn_prof_ = 0;
    int nr_profiles_ = 3;
    std::string tables_ = "1\tMetaTable\t\n4\tVSLookupParams\t\n";
    std::vector<int> marked_;
    Script scripts_[5];
    std::vector<VdbConnection> connections_;
    std::condition_variable restCv_;
    bool restWaiting_ = false;   // an answer's first part is out, its rest held back
    bool restWanted_ = false;
    bool restSent_ = false;
};

// The kind of a whole request text, from its first line.
VdbRequestKind vdb_request_kind(const std::string& request);
// A request is whole once its last line is an LF-ended "FROM" line.
bool vdb_request_complete(const std::string& received);
