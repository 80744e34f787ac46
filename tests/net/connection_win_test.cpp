#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/debugout.h"
#include "net/connection.h"
#include "net/netfiles.h"
#include "net/worker.h"
#include "store/settings.h"
#include "store/storereport.h"
#include "tests/net/loopbackfixture_win.h"
#include "tests/support/faketicks_win.h"

namespace {

std::mutex g_debugLock;
std::vector<std::wstring> g_debugLines;

void capture_debug(const wchar_t* text)
{
    std::lock_guard<std::mutex> hold(g_debugLock);
    g_debugLines.emplace_back(text);
}

std::vector<std::wstring> debug_lines()
{
    std::lock_guard<std::mutex> hold(g_debugLock);
    return g_debugLines;
}

std::string get_text(const char* url, const char* host, int32_t range)
{
    char buf[kRequestTextBytes];
    size_t n = format_get_request(buf, sizeof buf, url, host, range);
    return std::string(buf, n);
}

// Settings of one test: a program folder of its own and the proxy switched
// to the loopback board server.
class NetFixture : public net_test::LoopbackProxyFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(LoopbackProxyFixture::SetUp());
        {
            std::lock_guard<std::mutex> hold(g_debugLock);
            g_debugLines.clear();
        }
        set_debug_output_hook(capture_debug);
        HostCache.name[0] = '\0';
        HostCache.address = 0;
    }

    void TearDown() override
    {
        set_debug_output_hook(nullptr);
        set_direct_port(0);
        LoopbackProxyFixture::TearDown();
    }

    // Sends `request` on `c` and reads until the server closes.
    std::string exchange(Connection& c, const std::string& request)
    {
        EXPECT_TRUE(send_request(c, request.data(), request.size()));
        std::string reply;
        char buf[4096];
        for (;;) {
            int n = recv_wait(c.socket.get(), buf, sizeof buf, 0, nullptr, kReceiveWaitMs);
            if (n <= 0) break;
            reply.append(buf, static_cast<size_t>(n));
        }
        shutdown_and_close(&c);
        return reply;
    }

    // A request on `c` that the server holds, unanswered.
    void ask_held(Connection* c)
    {
        boardserver::Behaviour held;
        held.hold = true;
        server_.set_behaviour("", held);
        const char* url = "http://pc.2ch.net/b/subject.txt";
        ASSERT_TRUE(open_connection(url, RequestKind::Get, nullptr, c));
        std::string req = get_text(url, c->host, 0);
        ASSERT_TRUE(send_request(*c, req.data(), req.size()));
        ASSERT_TRUE(server_.wait_for_holding(1, 10000));
    }

};

int count_lines(const std::wstring& line)
{
    int n = 0;
    for (const std::wstring& l : debug_lines()) n += l == line ? 1 : 0;
    return n;
}

bool is_timer_line(const std::wstring& l, const std::wstring& name)
{
    if (l.compare(0, name.size() + 1, name + L" ") != 0) return false;
    size_t i = name.size() + 1;
    size_t digits = 0;
    while (i < l.size() && iswdigit(l[i])) ++i, ++digits;
    return digits > 0 && l.substr(i) == L"[ms]\n";
}

int timer_lines(const std::wstring& name)
{
    int n = 0;
    for (const std::wstring& l : debug_lines()) n += is_timer_line(l, name) ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(NetFixture, ProxyRequestCarriesAbsoluteUrlAndProxyHost)
{
    server_.put_file("/mobile/subject.txt", "1065069078.dat<>title (3)\n");
    Connection c;
    const char* url = "http://pc.2ch.net/mobile/subject.txt";
    ASSERT_TRUE(open_connection(url, RequestKind::Get, nullptr, &c));
    EXPECT_STREQ(c.host, "127.0.0.1");
    std::string request = get_text(url, c.host, 0);
    std::string reply = exchange(c, request);
    EXPECT_EQ(reply.compare(0, 12, "HTTP/1.1 200"), 0) << reply;
    ASSERT_TRUE(server_.wait_for_requests(1, 5000));
    auto reqs = server_.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].raw,
              "GET http://pc.2ch.net/mobile/subject.txt HTTP/1.0\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: 127.0.0.1\r\n"
              "Accept: */*\r\n"
              "Accept-Encoding: gzip, deflate\r\n"
              "\r\n");
    EXPECT_TRUE(reports_.messages().empty());
}

TEST_F(NetFixture, ProxyPortAbove65535KeepsItsLow16Bits)
{
    Settings.ProxyPort = 65536 + server_.port();
    Connection c;
    ASSERT_TRUE(open_connection("http://pc.2ch.net/mobile/subject.txt", RequestKind::Head, nullptr, &c));
    exchange(c, "HEAD http://pc.2ch.net/mobile/subject.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(server_.wait_for_requests(1, 5000));
}

TEST_F(NetFixture, ProxyUseOtherThanOneConnectsDirectlyToPort80)
{
    // The direct port (80, as the target tests show) pointed at a server of
    // our own, whatever else listens on this machine.
    Settings.ProxyUse = 2;
    boardserver::BoardServer direct;
    ASSERT_TRUE(direct.start());
    set_direct_port(direct.port());
    direct.put_file("/mobile/subject.txt", "x<>y (1)\n");
    Connection c;
    const char* url = "http://127.0.0.1/mobile/subject.txt";
    ASSERT_TRUE(open_connection(url, RequestKind::Get, nullptr, &c));
    EXPECT_STREQ(c.host, "127.0.0.1");
    exchange(c, get_text(url, c.host, 5));
    ASSERT_TRUE(direct.wait_for_requests(1, 5000));
    EXPECT_EQ(direct.requests()[0].raw,
              "GET http://127.0.0.1/mobile/subject.txt HTTP/1.0\r\n"
              "User-Agent: Monazilla/1.00(quorvex/0.86/WM)\r\n"
              "Host: 127.0.0.1\r\n"
              "Range: bytes=5-\r\n"
              "\r\n");
    // The proxy saw nothing; and with nothing listening there, the direct
    // attempt fails to connect, which the proxy (listening) would not.
    EXPECT_EQ(server_.accepted_connections(), 0u);
    EXPECT_TRUE(server_.requests().empty());
    direct.stop();
    EXPECT_FALSE(open_connection(url, RequestKind::Get, nullptr, &c));
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, L"サーバーソケットに接続失敗");
    EXPECT_EQ(reports_.messages()[0].caption, L"Error");
    EXPECT_EQ(server_.accepted_connections(), 0u);
}

// The port a URL names is where a direct connection goes (it once stayed
// part of the name, which no lookup finds); the Host line keeps it.
TEST_F(NetFixture, PortInUrlIsWhereTheDirectConnectionGoes)
{
    Settings.ProxyUse = 0;
    set_direct_port(0);
    std::string url = "http://127.0.0.1:" + std::to_string(server_.port()) + "/b/dat/1.dat";
    Connection c;
    ASSERT_TRUE(open_connection(url.c_str(), RequestKind::Get, nullptr, &c));
    EXPECT_TRUE(reports_.messages().empty());
    EXPECT_EQ(std::string(c.host), "127.0.0.1:" + std::to_string(server_.port()));
    shutdown_and_close(&c);
    EXPECT_EQ(server_.accepted_connections(), 1u);

    EXPECT_FALSE(open_connection("http://127.0.0.1:99999/b/dat/1.dat", RequestKind::Get, nullptr, &c));
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, L"127.0.0.1:99999が見つかりません");
    EXPECT_EQ(reports_.messages()[0].caption, L"Error");
    EXPECT_FALSE(c.socket.valid());
}

TEST_F(NetFixture, UrlWithoutPathFailsCleanly)
{
    Settings.ProxyUse = 0;
    Connection c;
    EXPECT_FALSE(open_connection("http://127.0.0.1", RequestKind::Get, nullptr, &c));
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, L"127.0.0.1が見つかりません");
    reports_.clear();
    Settings.ProxyUse = 1;
    Settings.ProxyName[0] = L'\0';
    EXPECT_FALSE(open_connection("http://pc.2ch.net/b/", RequestKind::Get, nullptr, &c));
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, L"が見つかりません");
}

TEST_F(NetFixture, SecondRequestToSameHostMakesNoLookup)
{
    uint32_t before = host_lookup_count();
    for (int i = 0; i < 2; ++i) {
        Connection c;
        ASSERT_TRUE(open_connection("http://pc.2ch.net/mobile/subject.txt", RequestKind::Get, nullptr, &c));
        exchange(c, get_text("http://pc.2ch.net/mobile/subject.txt", c.host, 0));
    }
    EXPECT_EQ(host_lookup_count(), before + 1);
    EXPECT_STREQ(HostCache.name, "127.0.0.1");
    EXPECT_EQ(HostCache.address, htonl(INADDR_LOOPBACK));
    // The timing line is written on the cache hit too.
    EXPECT_EQ(timer_lines(L"gethostbyname"), 2);
}

TEST_F(NetFixture, FailedLookupForgetsTheCachedName)
{
    EXPECT_EQ(host_lookup("127.0.0.1"), htonl(INADDR_LOOPBACK));
    uint32_t before = host_lookup_count();
    EXPECT_EQ(host_lookup("127.0.0.1:8080"), 0u);
    EXPECT_EQ(host_lookup_count(), before + 1);
    EXPECT_STREQ(HostCache.name, "");
    EXPECT_EQ(HostCache.address, 0u);
    // Neither the failed name nor the earlier one is remembered.
    EXPECT_EQ(host_lookup("127.0.0.1:8080"), 0u);
    EXPECT_EQ(host_lookup("127.0.0.1"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(host_lookup_count(), before + 3);
    EXPECT_EQ(host_lookup(""), 0u);
    EXPECT_EQ(host_lookup(nullptr), 0u);
}

TEST_F(NetFixture, ConnectRefusedIsReported)
{
    boardserver::BoardServer other;
    ASSERT_TRUE(other.start());
    uint16_t closedPort = other.port();
    other.stop();
    use_proxy(closedPort);
    Connection c;
    EXPECT_FALSE(open_connection("http://pc.2ch.net/b/", RequestKind::Post, nullptr, &c));
    ASSERT_EQ(reports_.messages().size(), 1u);
    EXPECT_EQ(reports_.messages()[0].text, L"サーバーソケットに接続失敗");
    EXPECT_EQ(reports_.messages()[0].caption, L"Error");
}

TEST_F(NetFixture, CancelEndsTheWaitWithinASecond)
{
    Connection c;
    ASSERT_NO_FATAL_FAILURE(ask_held(&c));
    // The wait goes on through a silent second; the cancel comes in the next.
    std::atomic<uint8_t> flag{0};
    net_test::WaitSlices slices;
    slices.at(2, [&] { flag.store(1); });
    char buf[64];
    int n = recv_wait(c.socket.get(), buf, sizeof buf, 0, &flag, kReceiveWaitMs);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(slices.count(), 2) << "ended at the end of the second in which the cancel came";
    EXPECT_EQ(server_.holding(), 1u) << "the server never answered";
    c.socket.reset();
    server_.stop();
}

TEST_F(NetFixture, CancelEndsAConnectThatHangs)
{
    // A listener whose accept queue is full leaves further handshakes
    // unanswered, as a server that went away would.
    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener.get(), 1), 0);
    int len = sizeof addr;
    ASSERT_EQ(getsockname(listener.get(), reinterpret_cast<sockaddr*>(&addr), &len), 0);
    std::vector<UniqueSocket> fillers;
    for (int i = 0; i < 16; ++i) {
        UniqueSocket f(socket(AF_INET, SOCK_STREAM, 0));
        u_long nb = 1;
        ioctlsocket(f.get(), FIONBIO, &nb);
        connect(f.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(std::move(f));
    }
    // The first handshake done, the queue is full: the next one hangs.
    fd_set done;
    FD_ZERO(&done);
    FD_SET(fillers[0].get(), &done);
    timeval guard{10, 0};
    ASSERT_EQ(select(0, nullptr, &done, nullptr, &guard), 1);
    use_proxy(ntohs(addr.sin_port));
    std::atomic<uint8_t> flag{0};
    net_test::WaitSlices slices;
    slices.at(1, [&] { flag.store(1); });
    Connection c;
    bool opened = open_connection("http://pc.2ch.net/b/subject.txt", RequestKind::Get, &flag, &c);
    EXPECT_FALSE(opened);
    EXPECT_FALSE(c.socket.valid());
    EXPECT_EQ(slices.count(), 1) << "given up at the end of the second in which the cancel came";
    EXPECT_TRUE(reports_.messages().empty());   // a cancel is no failure to report
}

TEST_F(NetFixture, ShortWaitGivesUpAfterOneSlice)
{
    Connection c;
    ASSERT_NO_FATAL_FAILURE(ask_held(&c));
    net_test::WaitSlices slices;
    char buf[64];
    EXPECT_EQ(recv_wait(c.socket.get(), buf, sizeof buf, 0, nullptr, 999), -1);
    EXPECT_EQ(slices.count(), 1);
    c.socket.reset();
    server_.stop();
}

TEST_F(NetFixture, ServerCloseBeforeAnyByteReadsAsZero)
{
    boardserver::Behaviour close;
    close.closeAtOnce = true;
    server_.set_behaviour("", close);
    Connection c;
    ASSERT_TRUE(open_connection("http://pc.2ch.net/b/subject.txt", RequestKind::Get, nullptr, &c));
    std::string req = get_text("http://pc.2ch.net/b/subject.txt", c.host, 0);
    ASSERT_TRUE(send_request(c, req.data(), req.size()));
    char buf[64];
    EXPECT_EQ(recv_wait(c.socket.get(), buf, sizeof buf, 0, nullptr, kReceiveWaitMs), 0);
    shutdown_and_close(&c);
    EXPECT_FALSE(c.socket.valid());
}

TEST_F(NetFixture, ScopeTimerWritesNameAndMilliseconds)
{
    // The tick counter wraps after 49.7 days; a timer across the wrap still
    // tells the time it took.
    for (uint32_t start : {1000u, 0xFFFFFFF0u}) {
        {
            std::lock_guard<std::mutex> hold(g_debugLock);
            g_debugLines.clear();
        }
        FakeTicks clock(start);
        {
            ScopeTimer t(L"LstSure_load");
            clock.advance(30);
        }
        auto lines = debug_lines();
        ASSERT_EQ(lines.size(), 1u);
        ASSERT_TRUE(is_timer_line(lines[0], L"LstSure_load")) << wide_to_utf8(lines[0]);
        EXPECT_EQ(lines[0], L"LstSure_load 30[ms]\n") << start;
    }
}

TEST_F(NetFixture, DebugDumpGoesToTheProgramDirectory)
{
    std::string bytes("GET x\r\n\0tail", 12);
    EXPECT_TRUE(write_debug_dump(kDumpSendHead, bytes.data(), bytes.size()));
    EXPECT_EQ(read_file_bytes(dir_.file("snd_head.txt")), bytes);
    EXPECT_TRUE(write_debug_dump(kDumpSendHead, "ab", 2));
    EXPECT_EQ(read_file_bytes(dir_.file("snd_head.txt")), "ab");
    char path[kAnsiPathBytes];
    ASSERT_TRUE(program_file_path(path, sizeof path, kWorkFile));
    EXPECT_EQ(std::string(path), dir_.file("work.gz"));
    std::string longDir(kAnsiPathBytes - 3, 'd');
    lstrcpynA(Settings.ProgramDirectory, longDir.c_str(), kAnsiPathBytes);
    EXPECT_FALSE(program_file_path(path, sizeof path, kWorkFile));
    EXPECT_FALSE(write_debug_dump(kWorkFile, "x", 1));
}

// ---- The worker-thread pattern behind the modal progress dialog ----------

namespace {

struct ProbeTask : WorkerTask {
    std::wstring captionSeen;
    bool cancelSeen = false;
    bool stillOpenAfterEnter = false;
    uint8_t result = 0;
};

void probe_run(WorkerTask* t)
{
    ProbeTask* task = static_cast<ProbeTask*>(t);
    set_progress_caption(task->dialog, L"取得中 (0KB)");
    wchar_t caption[64] = L"";
    GetWindowTextW(task->dialog, caption, 64);
    task->captionSeen = caption;
    // The close button asks for a cancel; Enter must not end the dialog while
    // the worker still runs. Both are sent, not posted: once a send returns,
    // the dialog has handled it.
    SendMessageW(task->dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    task->cancelSeen = task->flag.load() == 1;
    SendMessageW(task->dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    task->stillOpenAfterEnter = IsWindow(task->dialog) && IsWindowVisible(task->dialog);
    task->result = 7;
}

}  // namespace

TEST_F(NetFixture, WorkerRunsBehindTheDialogAndEndsIt)
{
    ProbeTask task;
    task.threadName = L"get_html_sabun_thread";
    task.run = probe_run;
    EXPECT_EQ(run_worker_task(nullptr, &task), 1);
    EXPECT_EQ(task.result, 7);
    EXPECT_EQ(task.captionSeen, L"取得中 (0KB)");
    EXPECT_TRUE(task.cancelSeen);
    EXPECT_TRUE(task.stillOpenAfterEnter);
    EXPECT_EQ(task.flag.load(), 1);
    EXPECT_EQ(task.finished.load(), 1);
    EXPECT_EQ(task.dialog, nullptr);
    EXPECT_EQ(count_lines(L"Start get_html_sabun_thread\n"), 1);
    EXPECT_EQ(count_lines(L"End get_html_sabun_thread\n"), 1);
    auto lines = debug_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), L"Start get_html_sabun_thread\n");
    EXPECT_EQ(lines.back(), L"End get_html_sabun_thread\n");
}

TEST_F(NetFixture, DialogSitsOneThirdDownItsOwner)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 400,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    struct PlaceTask : WorkerTask {
        RECT rect{};
    } task;
    task.threadName = L"find_html_modified_thread";
    task.run = [](WorkerTask* t) { GetWindowRect(t->dialog, &static_cast<PlaceTask*>(t)->rect); };
    EXPECT_EQ(run_worker_task(owner, &task), 1);
    RECT client;
    GetClientRect(owner, &client);
    int height = task.rect.bottom - task.rect.top;
    EXPECT_EQ(task.rect.top, (client.bottom - height) / 3);
    DestroyWindow(owner);
    EXPECT_EQ(count_lines(L"Start find_html_modified_thread\n"), 1);
}
