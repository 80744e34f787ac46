#include "tests/proxyctl/vdbserver_win.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// Waits up to `ms` for `s` to be readable; false on timeout or error.
bool readable(SOCKET s, int ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) == 1;
}

bool send_all(SOCKET s, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool starts_with(const std::string& s, const char* prefix)
{
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

VdbRequestKind vdb_request_kind(const std::string& request)
{
    if (request == "GET vpn_prof,nr_profiles\nFROM VSLookupParams\n") return VdbRequestKind::Profile;
    if (request == "GET rowid,tablename\nFROM MetaTable\n") return VdbRequestKind::TableRows;
    if (starts_with(request, "SET vpn_prof=")) return VdbRequestKind::SetProfile;
    if (starts_with(request, "SET modified=")) return VdbRequestKind::MarkModified;
    return VdbRequestKind::Other;
}

bool vdb_request_complete(const std::string& received)
{
    if (received.empty() || received.back() != '\n') return false;
    size_t start = received.rfind('\n', received.size() - 2);
    start = start == std::string::npos ? 0 : start + 1;
    return received.compare(start, 5, "FROM ") == 0;
}

VdbServer::VdbServer()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closesocket(s);
        return;
    }
    listen_ = s;
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
}

VdbServer::~VdbServer()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_ != INVALID_SOCKET) closesocket(listen_);
}

void VdbServer::stop_listening()
{
    // Only the server thread closes it, once it stops accepting.
    closesocket(listen_);
    listen_ = INVALID_SOCKET;
}

void VdbServer::set_profile(int vpn_prof, int nr_profiles)
{
    std::lock_guard<std::mutex> lock(mu_);
    vpn_prof_ = vpn_prof;
    nr_profiles_ = nr_profiles;
}

void VdbServer::set_tables(const std::string& rows)
{
    std::lock_guard<std::mutex> lock(mu_);
    tables_ = rows;
}

int VdbServer::vpn_prof() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return vpn_prof_;
}

std::vector<int> VdbServer::marked_rows() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return marked_;
}

void VdbServer::script(VdbRequestKind kind, const std::string& answer, VdbAfterAnswer after)
{
    std::lock_guard<std::mutex> lock(mu_);
    Script& sc = scripts_[static_cast<int>(kind)];
    sc.set = true;
    sc.silent = false;
    sc.answer = answer;
    sc.rest.clear();
    sc.after = after;
}

void VdbServer::script_silence(VdbRequestKind kind)
{
    std::lock_guard<std::mutex> lock(mu_);
    Script& sc = scripts_[static_cast<int>(kind)];
    sc.set = true;
    sc.silent = true;
    sc.answer.clear();
    sc.rest.clear();
}

void VdbServer::script_in_two(VdbRequestKind kind, const std::string& first, const std::string& rest)
{
    script(kind, first);
    std::lock_guard<std::mutex> lock(mu_);
    scripts_[static_cast<int>(kind)].rest = rest;
}

bool VdbServer::send_rest()
{
    std::unique_lock<std::mutex> lock(mu_);
    if (!restCv_.wait_for(lock, std::chrono::seconds(10), [this] { return restWaiting_; })) return false;
    restWanted_ = true;
    restCv_.notify_all();
    return restCv_.wait_for(lock, std::chrono::seconds(10), [this] { return restSent_; });
}

void VdbServer::stop_listening_after(int n)
{
    listenFor_ = n;
}

std::vector<VdbConnection> VdbServer::connections() const
{
    for (int i = 0; i < 1000 && busy_ != 0; ++i) Sleep(10);
    std::lock_guard<std::mutex> lock(mu_);
    return connections_;
}

std::vector<std::string> VdbServer::requests() const
{
    std::vector<std::string> out;
    for (const VdbConnection& c : connections()) out.push_back(c.request);
    return out;
}

std::string VdbServer::all_requests() const
{
    std::string out;
    for (const VdbConnection& c : connections()) out += c.request;
    return out;
}

void VdbServer::run()
{
    while (!stop_) {
        if (listen_ == INVALID_SOCKET) { Sleep(20); continue; }
        if (!readable(listen_, 50)) continue;
        busy_ = 1;
        SOCKET s = accept(listen_, nullptr, nullptr);
        if (s != INVALID_SOCKET) {
            if (++accepted_ == listenFor_) stop_listening();
            serve(s);
            closesocket(s);
        }
        busy_ = 0;
    }
}

std::string VdbServer::modelled_answer(const std::string& request, VdbRequestKind kind)
{
    std::lock_guard<std::mutex> lock(mu_);
    char buf[64];
    switch (kind) {
    case VdbRequestKind::Profile:
        std::snprintf(buf, sizeof buf, "status 0\n%d\t%d\t\n\n", vpn_prof_, nr_profiles_);
        return buf;
    case VdbRequestKind::TableRows:
        return "status 0\n" + tables_ + "\n";
    case VdbRequestKind::SetProfile: {
        int value, row;
        char tail[32] = "";
        if (std::sscanf(request.c_str(), "SET vpn_prof=%d\nWHERE rowid=%d\nFROM %31s", &value, &row, tail) == 3 &&
            row == 0 && std::string(tail) == "VSLookupParams") {
            vpn_prof_ = value;
            return "status 0\n\n";
        }
        return "status 2\n\n";
    }
    case VdbRequestKind::MarkModified: {
        int value, row;
        char tail[32] = "";
        if (std::sscanf(request.c_str(), "SET modified=%d\nWHERE rowid=%d\nFROM %31s", &value, &row, tail) == 3 &&
            std::string(tail) == "MetaTable") {
            if (value == 1) marked_.push_back(row);
            return "status 0\n\n";
        }
        return "status 2\n\n";
    }
    case VdbRequestKind::Other:
        break;
    }
    return "status 1\n\n";
}

void VdbServer::send_held_rest(SOCKET s, const std::string& rest)
{
    std::unique_lock<std::mutex> lock(mu_);
    restWaiting_ = true;
    restWanted_ = restSent_ = false;
    restCv_.notify_all();
    while (!restWanted_ && !stop_) restCv_.wait_for(lock, std::chrono::milliseconds(50));
    restWaiting_ = false;
    if (!restWanted_) return;
    send_all(s, rest);
    restSent_ = true;
    restCv_.notify_all();
}

void VdbServer::serve(SOCKET s)
{
    VdbConnection conn;
    bool peer_closed = false;
    char buf[512];
    while (!stop_ && !vdb_request_complete(conn.request)) {
        if (!readable(s, 50)) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) { peer_closed = true; break; }
        conn.request.append(buf, static_cast<size_t>(n));
    }

    bool answered_and_closed = false;
    if (!peer_closed && !stop_) {
        VdbRequestKind kind = vdb_request_kind(conn.request);
        Script sc;
        {
            std::lock_guard<std::mutex> lock(mu_);
            sc = scripts_[static_cast<int>(kind)];
        }
        if (!sc.set) {
            send_all(s, modelled_answer(conn.request, kind));
        } else if (!sc.silent) {
            send_all(s, sc.answer);
            if (!sc.rest.empty()) send_held_rest(s, sc.rest);
            if (sc.after == VdbAfterAnswer::Close) {
                shutdown(s, SD_BOTH);
                answered_and_closed = true;
            }
        }
    }

    // Hold the connection until the client lets go of it.
    while (!peer_closed && !answered_and_closed && !stop_) {
        if (!readable(s, 50)) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) peer_closed = true;
    }
    conn.client_closed = peer_closed;
    std::lock_guard<std::mutex> lock(mu_);
    connections_.push_back(conn);
}
