#include "tests/support/tlsfront_win.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "base/handles.h"
#include "tools/boardserver/trustroot_win.h"
#include "tools/boardserver/tunnel_win.h"

namespace {

std::atomic<uint16_t> g_boardPort{0};
std::atomic<bool> g_never{false};

std::string unix_dir() { return std::string(QUORVEX_SOURCE_DIR) + "/build/tlsfront/" + std::to_string(GetCurrentProcessId()); }

std::string wine_path(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

// Starts the script. Under Wine the handle of a Unix process is signalled at
// once, so its end is not waited for here.
bool run_script(const std::string& args)
{
    std::wstring cmd = L"/bin/bash \"";
    for (char c : std::string(QUORVEX_SOURCE_DIR) + "/tools/tlsfront.sh\" " + args) cmd.push_back(static_cast<wchar_t>(c));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    UniqueHandle process(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    return true;
}

// The front's ports, once the script wrote them (it writes them last, after
// the front answers); false when that does not happen within a minute.
bool read_ports(uint16_t (&ports)[4])
{
    std::string path = wine_path(unix_dir() + "/ports");
    for (int tries = 0; tries < 600; ++tries) {
        std::ifstream in(path);
        for (uint16_t& p : ports) in >> p;
        if (in) return true;
        Sleep(100);
    }
    return false;
}

// Accepts on the relay port and pipes each connection to the current board
// server, for the life of the process.
uint16_t start_relay()
{
    SOCKET ls = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (ls == INVALID_SOCKET || bind(ls, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(ls, SOMAXCONN) != 0 || getsockname(ls, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return 0;
    }
    std::thread([ls] {
        for (;;) {
            SOCKET s = accept(ls, nullptr, nullptr);
            if (s == INVALID_SOCKET) return;
            std::thread([s] {
                UniqueSocket client(s);
                UniqueSocket board = boardserver::connect_loopback(g_boardPort.load());
                if (board.valid()) boardserver::pipe_sockets(client.get(), board.get(), g_never);
            }).detach();
        }
    }).detach();
    return ntohs(addr.sin_port);
}

void stop_front() { run_script("stop \"" + unix_dir() + "\""); }

struct Front {
    bool tried = false;
    std::string why;
    uint16_t ports[4] = {};
};

Front& front()
{
    static Front f;
    return f;
}

}  // namespace

bool install_test_root(std::string* why)
{
    std::ifstream in(wine_path(std::string(QUORVEX_SOURCE_DIR) + "/build/certs/root.der"), std::ios::binary);
    const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        *why = "no test root in build/certs (tools/testcerts.sh makes it)";
        return false;
    }
    return boardserver::trust_root_certificate(der, why);
}

uint16_t tls_front_port(TestCert cert, std::string* why)
{
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    Front& f = front();
    if (!f.tried) {
        f.tried = true;
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);   // held for the relay, for the life of the process
        uint16_t relay = 0;
        if (install_test_root(&f.why) && (relay = start_relay()) == 0) f.why = "no relay port";
        if (f.why.empty()) {
            std::atexit(stop_front);
            DeleteFileA(wine_path(unix_dir() + "/ports").c_str());
            if (!run_script("start \"" + unix_dir() + "\" " + std::to_string(relay)) || !read_ports(f.ports)) {
                f.why = "the TLS front did not start (tools/tlsfront.sh; see build/tlsfront/*/error.log)";
                std::fill(std::begin(f.ports), std::end(f.ports), 0);
            }
        }
    }
    if (why) *why = f.why;
    return f.ports[static_cast<int>(cert)];
}

void tls_front_relay_to(uint16_t boardPort) { g_boardPort.store(boardPort); }
