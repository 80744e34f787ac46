// The real main window against the real board engine that tools/test.sh
// starts (tools/peer.sh): its board folder and ports come from
// QUORVEX_PEER_ROOT, QUORVEX_PEER_PORT and QUORVEX_PEER_TLS_PORT (HTTPS with
// the test certificate). The program reaches the engine through its proxy
// setting, as it would a real server's; the test reads the engine's own
// files, its access log, and posts as another client would.
//
// Each road is walked over both schemes. Over https the proxy is a board
// server of the test's own that tunnels every CONNECT to the engine's HTTPS
// port (nothing resolves the engine's host name), and the engine's menu
// names its board as https.
#pragma once
#include "tests/support/mainfixture_win.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "net/httphead.h"
#include "store/boardlines.h"
#include "tests/peer/screenshot_win.h"
#include "tests/support/tlsfront_win.h"
#include "tools/boardserver/boardserver.h"

namespace peer_test {

using namespace mainwindow_test;

constexpr char kEngineHost[] = "peer.2ch.net";
// The title of the thread the engine starts with.
constexpr char kThreadTitleUtf8[] = "テストスレ";

// The scheme a road is walked over: the parameter of the tests, true for https.
using Secure = ::testing::WithParamInterface<bool>;
inline std::string scheme_name(const ::testing::TestParamInfo<bool>& info) { return info.param ? "https" : "http"; }

inline bool contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

inline size_t count_lines(const std::string& s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

inline std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A host file as Wine's Z: drive shows it.
inline std::string wine_file(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// A host folder as Wine's Z: drive shows it, with its trailing separator.
inline std::string wine_path(const std::string& unixPath)
{
    std::string p = wine_file(unixPath);
    if (p.back() != '\\') p += '\\';
    return p;
}

inline std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        if (lf == std::string::npos) lf = text.size();
        lines.push_back(text.substr(pos, lf - pos));
        pos = lf + 1;
    }
    return lines;
}

// One line of the engine's access log: request line, Range ("-" when none),
// status, body bytes ("0" when none), Content-Encoding ("-" when none).
struct EngineRequest {
    std::string line, range, status, bytes, encoding;
};

inline std::ostream& operator<<(std::ostream& os, const EngineRequest& r)
{
    return os << r.line << " | " << r.range << " | " << r.status << " | " << r.bytes << " | " << r.encoding;
}

// The whole reply of one exchange over a fresh connection (the engine
// closes it after answering).
inline std::string http_exchange(int port, const std::string& request)
{
    std::string reply;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return reply;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char block[4096];
        int n;
        while ((n = recv(s, block, sizeof block, 0)) > 0) reply.append(block, static_cast<size_t>(n));
    }
    closesocket(s);
    return reply;
}

inline std::string form_value(const std::string& utf8)
{
    const std::string bytes = utf8_to_sjis(utf8);
    std::string out(bytes.size() * 3 + 1, '\0');
    out.resize(url_encode_bounded(bytes, out.data(), out.size()));
    return out;
}

// The engine as the tests reach it: its files, its access log, and posts as
// another client makes them. Shared by the road on the main window in this
// process and the road on the shipped program in a process of its own.
class EngineAccess {
protected:
    // Finds the engine tools/test.sh started, and over https the tunnel to
    // it, with the test root trusted; a fatal failure when there is none.
    void find_engine(bool secure)
    {
        secure_ = secure;
        const std::string root = env("QUORVEX_PEER_ROOT");
        port_ = std::atoi(env("QUORVEX_PEER_PORT").c_str());
        ASSERT_TRUE(!root.empty() && port_ > 0)
            << "QUORVEX_PEER_ROOT and QUORVEX_PEER_PORT are not set: tools/test.sh starts the board "
               "engine for these tests (tools/peer.sh start build/peer build/certs)";
        root_ = wine_path(root);
        ASSERT_TRUE(file_exists(root_ + "access.log")) << "no engine at " << root;
        shots_ = env("QUORVEX_PEER_SHOTS");
        if (!shots_.empty()) shots_ = wine_path(shots_);
        if (!secure) return;
        const int tlsPort = std::atoi(env("QUORVEX_PEER_TLS_PORT").c_str());
        ASSERT_GT(tlsPort, 0) << "QUORVEX_PEER_TLS_PORT is not set: tools/test.sh starts the engine with HTTPS";
        std::string why;
        ASSERT_TRUE(install_test_root(&why)) << why;
        tunnel_.set_tunnel_port(static_cast<uint16_t>(tlsPort));
        ASSERT_TRUE(tunnel_.start());
    }

    // The port of the program's proxy: the engine itself, or over https the
    // tunnel to it.
    int engine_proxy_port() const { return secure_ ? tunnel_.port() : port_; }

    // ---- the engine's URLs and request lines over the road's scheme ----

    std::string url(const std::string& path) const
    {
        return std::string(secure_ ? "https://" : "http://") + kEngineHost + path;
    }
    std::string menu_url() const { return url("/bbsmenu.html"); }
    // A request line as the engine logs it: the URL through the proxy, the
    // path alone inside the tunnel.
    std::string request_line(const char* method, const std::string& path, const char* version = "HTTP/1.0") const
    {
        return std::string(method) + " " + (secure_ ? path : url(path)) + " " + version;
    }
    std::string dat_request(const std::string& key) const { return request_line("GET", "/peer/dat/" + key + ".dat"); }
    std::string update_check_request(const std::string& key) const
    {
        return request_line("HEAD", "/peer/dat/" + key + ".dat", "HTTP/1.1");
    }
    // "2channel.brd" as a fetch of the engine's menu writes it.
    std::string engine_board_file() const
    {
        return "2\r\n" + sj("ピア") + "\t0\r\n\tpeer.2ch.net\tpeer\t" + sj("テスト板") +
               (secure_ ? std::string("\t") + kBrdSecureField : std::string()) + "\r\n";
    }
    // The CONNECTs the tunnel was asked for so far.
    std::vector<std::string> tunnels() const { return tunnel_.tunnels(); }

    // The program's settings: through the engine (or the tunnel) as its
    // proxy, with the engine's menu as the board-list source.
    std::string engine_settings(int online) const
    {
        return proxy_settings(online, engine_proxy_port()) + "BBSTable: " + menu_url() + "\r\n";
    }

    // ---- the engine's own files ----

    std::string engine_file(const std::string& relative) const { return read_file_bytes(root_ + relative); }
    std::string engine_dat(const std::string& key) const
    {
        return engine_file("www\\peer\\dat\\" + key + ".dat");
    }
    // The board's threads as the engine lists them, newest first.
    std::vector<std::string> engine_keys() const
    {
        std::vector<std::string> keys;
        for (const std::string& line : split_lines(engine_file("www\\peer\\subject.txt")))
            keys.push_back(line.substr(0, line.find(".dat<>")));
        return keys;
    }

    // The thread the engine was started with: the oldest on the board.
    std::string first_key() const
    {
        std::vector<std::string> keys = engine_keys();
        return keys.empty() ? std::string() : *std::min_element(keys.begin(), keys.end());
    }

    // ---- what the engine received ----

    size_t engine_request_count() const { return split_lines(engine_file("access.log")).size(); }
    // The engine logs a request once it has answered it, which may be a moment
    // after the program has read the answer: the lines after `mark`, once
    // there are at least `count` of them (or ten seconds have passed).
    std::vector<EngineRequest> engine_requests_since(size_t mark, size_t count) const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 1000; ++i) {
            lines = split_lines(engine_file("access.log"));
            if (lines.size() >= mark + count) break;
            Sleep(10);
        }
        std::vector<EngineRequest> out;
        for (size_t i = mark; i < lines.size(); ++i) {
            std::vector<std::string> f;
            size_t pos = 0;
            for (;;) {
                size_t tab = lines[i].find('\t', pos);
                f.push_back(lines[i].substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
                if (tab == std::string::npos) break;
                pos = tab + 1;
            }
            f.resize(5);
            out.push_back({f[0], f[1], f[2], f[3], f[4]});
        }
        return out;
    }

    // What the engine received while `step` ran: the lines it logged after
    // the step, once there are at least `count` of them.
    template <typename Step>
    std::vector<EngineRequest> requests_of(Step step, size_t count = 1)
    {
        const size_t mark = engine_request_count();
        step();
        return engine_requests_since(mark, count);
    }

    // Everything the engine received after `mark` and before a request of the
    // test's own, which it answers after any request the program made earlier.
    std::vector<EngineRequest> engine_requests_before_probe(size_t mark)
    {
        const std::string probe = "GET /peer/SETTING.TXT?probe HTTP/1.0";
        http_exchange(port_, probe + "\r\nHost: peer.2ch.net\r\n\r\n");
        std::vector<EngineRequest> seen;
        for (int i = 0; i < 1000; ++i) {
            seen = engine_requests_since(mark, 0);
            if (!seen.empty() && seen.back().line == probe) break;
            Sleep(10);
        }
        if (seen.empty() || seen.back().line != probe) return {{"the engine never logged the probe", "", "", "", ""}};
        seen.pop_back();
        return seen;
    }

    // ---- another client: a plain HTTP form post, answered by the engine's
    //      confirmation page first and written when resent with its cookies ----

    std::string other_client_post(const std::string& fields)
    {
        const std::string body = "bbs=peer&time=" + std::to_string(std::time(nullptr) - 3600) + "&" + fields;
        std::string cookies;
        std::string reply;
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::string request = "POST /test/bbs.cgi HTTP/1.0\r\nHost: peer.2ch.net\r\n"
                                  "Content-Type: application/x-www-form-urlencoded\r\n"
                                  "Content-Length: " + std::to_string(body.size()) + "\r\n";
            if (!cookies.empty()) request += "Cookie: " + cookies + "\r\n";
            reply = http_exchange(port_, request + "\r\n" + body);
            for (const std::string& line : split_lines(reply.substr(0, reply.find("\r\n\r\n")))) {
                if (line.compare(0, 12, "Set-Cookie: ") != 0) continue;
                std::string pair = line.substr(12, line.find(';') - 12);
                cookies += (cookies.empty() ? "" : "; ") + pair;
            }
        }
        return reply;
    }
    std::string other_client_reply(const std::string& key, const char* messageUtf8)
    {
        return other_client_post("key=" + key + "&FROM=&mail=sage&MESSAGE=" + form_value(messageUtf8) +
                                 "&submit=" + form_value("書き込む"));
    }
    std::string other_client_thread(const char* subjectUtf8, const char* messageUtf8)
    {
        return other_client_post("subject=" + form_value(subjectUtf8) + "&FROM=&mail=&MESSAGE=" +
                                 form_value(messageUtf8) + "&submit=" + form_value("新規スレッド作成"));
    }

    // What the screen shows of `window`, kept where QUORVEX_PEER_SHOTS says,
    // the https road's with "https-" in front.
    void shot(HWND window, const char* name) const
    {
        if (!shots_.empty()) save_window_bmp(window, shots_ + (secure_ ? "https-" : "") + name + ".bmp");
    }

    bool secure_ = false;
    boardserver::BoardServer tunnel_;
    int port_ = 0;
    std::string root_;
    std::string shots_;
};

class PeerFixture : public MainWindowFixture, protected EngineAccess, public Secure {
protected:
    void start_server() override { find_engine(GetParam()); }
    int proxy_port() const override { return engine_proxy_port(); }

    HWND start_on_engine(int online)
    {
        write_file_bytes(dir_.file("quorvex.ini"), engine_settings(online));
        return start();
    }

    // ---- the person's steps ----

    void fetch_board_menu()
    {
        DialogDriver source(L"板一覧取得先");
        source.then([](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
        run_dialog_command(IDM_FETCH_BOARD_LIST, source);
    }
    // The category "ピア" and its board "テスト板".
    void choose_engine_board() { choose_board(1, 0); }
    // The row of the thread list that shows the thread `key`.
    int row_of(const std::string& key) const
    {
        const std::wstring file = sjis_to_wide(key + ".dat");
        for (int32_t i = 0; ProcessThreadList && i < ProcessThreadList->count(); ++i)
            if (file == ProcessThreadList->at(i)->fileName) return i;
        return -1;
    }
    void open_thread(const std::string& key)
    {
        const int row = row_of(key);
        ASSERT_GE(row, 0) << key;
        activate_row(row);
    }

    void shot(const char* name) const { EngineAccess::shot(main_, name); }

    std::string local_dat(const std::string& key) const { return log_file("peer\\" + key + ".dat"); }
};

}  // namespace peer_test
