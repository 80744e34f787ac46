// What the network tests share: a program folder of their own, online
// through a loopback board server as the proxy, the captured messages, and a
// hand that presses Cancel on a running fetch's progress dialog, counting
// the seconds of its waits.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "net/connection.h"
#include "net/worker.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/tlsfront_win.h"
#include "tests/support/winsetup.h"
#include "tools/boardserver/boardserver.h"

namespace net_test {

struct Message {
    std::wstring text;
    std::wstring caption;
    bool operator==(const Message& o) const { return text == o.text && caption == o.caption; }
};

inline std::ostream& operator<<(std::ostream& os, const Message& m)
{
    return os << wide_to_utf8(m.caption) << ": " << wide_to_utf8(m.text);
}

// Settings are restored in TearDown; a fixture that changes other records
// saves and restores them itself.
class LoopbackProxyFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
        savedSettings_ = Settings;
        lstrcpynA(Settings.ProgramDirectory, dir_.path().c_str(), kAnsiPathBytes);
        Settings.DebugMode = 0;
        prepare_server();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(server_.start());
        use_proxy(server_.port());
    }

    void TearDown() override
    {
        server_.stop();
        Settings = savedSettings_;
        WSACleanup();
    }

    // Data or a clock the server needs before it listens.
    virtual void prepare_server() {}

    void use_proxy(int32_t port)
    {
        Settings.ProxyUse = 1;
        lstrcpynW(Settings.ProxyName, L"127.0.0.1", kProxyNameUnits);
        Settings.ProxyPort = port;
    }

    // From here on https URLs work too: the server tunnels CONNECT requests to
    // the TLS front answering with `cert`, whose requests come back to it.
    void use_tls(TestCert cert = TestCert::Server)
    {
        std::string why;
        uint16_t port = tls_front_port(cert, &why);
        ASSERT_NE(port, 0) << why;
        server_.set_tunnel_port(port);
        tls_front_relay_to(server_.port());
        secure_ = true;
    }
    // The scheme the test's URLs take.
    std::string scheme() const { return secure_ ? "https://" : "http://"; }
    std::wstring wscheme() const { return secure_ ? L"https://" : L"http://"; }
    // What the board server sees of a request head the test expects over
    // plain HTTP (absolute form, the proxy in the Host line): that head, or
    // behind the TLS front the path alone with the URL's host in a Host line
    // the front puts first, and the referer's scheme "https://"; the front
    // also drops blanks at a value's end and writes Content-Length last.
    std::string seen_head(const std::string& plain) const
    {
        if (!secure_) return plain;
        size_t space = plain.find(' ');
        size_t hostStart = plain.find("://", space) + 3;
        size_t pathStart = plain.find('/', hostStart);
        size_t lineEnd = plain.find("\r\n") + 2;
        // The front asks its way in HTTP/1.0 whatever the client said.
        std::string line = plain.substr(pathStart, lineEnd - pathStart);
        size_t version = line.rfind(" HTTP/1.1\r\n");
        if (version != std::string::npos) line.replace(version, 9, " HTTP/1.0");
        std::string rest = plain.substr(lineEnd);
        const std::string proxyHost = "Host: 127.0.0.1\r\n";
        size_t at = rest.find(proxyHost);
        if (at != std::string::npos) rest.erase(at, proxyHost.size());
        at = rest.find("referer: http://");
        if (at != std::string::npos) rest.insert(at + 13, "s");
        for (size_t blank; (blank = rest.find(" \r\n")) != std::string::npos;) rest.erase(blank, 1);
        size_t length = rest.find("Content-Length: ");
        size_t blankLine = rest.rfind("\r\n\r\n");
        if (length != std::string::npos && blankLine != std::string::npos && blankLine > length) {
            size_t lengthEnd = rest.find("\r\n", length) + 2;
            std::string field = rest.substr(length, lengthEnd - length);
            rest.erase(length, lengthEnd - length);
            rest.insert(rest.rfind("\r\n\r\n") + 2, field);
        }
        return plain.substr(0, space + 1) + line + "Host: " +
               plain.substr(hostStart, pathStart - hostStart) + "\r\n" + rest;
    }
    // Called once the test's scheme is chosen: records that carry a scheme
    // take it.
    virtual void scheme_chosen() {}

    // A log root "log" in the program folder, in the flat layout.
    void use_log_root()
    {
        root_ = dir_.path() + "log";
        CreateDirectoryA(root_.c_str(), nullptr);
        lstrcpynA(Settings.LogDirAnsi, root_.c_str(), kAnsiPathBytes);
        MultiByteToWideChar(CP_ACP, 0, root_.c_str(), -1, Settings.LogDir, kSettingsTextUnits);
        Settings.UseServerDir = 0;
    }

    std::vector<Message> messages() const
    {
        std::vector<Message> m;
        for (const ReportedMessage& r : reports_.messages()) m.push_back({r.text, r.caption});
        return m;
    }

    void expect_messages(const std::vector<Message>& want) const
    {
        std::vector<Message> got = messages();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].text, want[i].text) << i << " " << wide_to_utf8(got[i].text);
            EXPECT_EQ(got[i].caption, want[i].caption) << i;
        }
    }

    std::vector<boardserver::RecordedRequest> requests(size_t count) const
    {
        EXPECT_TRUE(server_.wait_for_requests(count, 5000));
        return server_.requests();
    }

    // A thread log of exactly `size` bytes ending in a line feed.
    static std::string dat_of_size(size_t size)
    {
        std::string s;
        int i = 1;
        while (s.size() < size) s += "n<>sage<>date<> body " + std::to_string(i++) + " <>\n";
        s.resize(size);
        s.back() = '\n';
        return s;
    }

    TempDir dir_;
    std::string root_;
    SettingsRecord savedSettings_;
    boardserver::BoardServer server_;
    ReportCapture reports_;
    bool secure_ = false;
};

// A fixture whose cases run over both schemes: the parameter is true for
// https, through the proxy's tunnel and the TLS front.
template <class Base>
class BothSchemes : public Base, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Base::SetUp());
        if (GetParam()) {
            ASSERT_NO_FATAL_FAILURE(this->use_tls());
        }
        this->scheme_chosen();
    }
};

inline std::string scheme_name(const ::testing::TestParamInfo<bool>& info) { return info.param ? "https" : "http"; }

// The one-second slices that the network waits (a receive, a connect) spend
// without an answer: the clock of those waits, for as long as this lives.
// Counts them, and runs what the test asked for when a given slice ends, on
// the waiting thread, before the wait reads its cancel flag.
class WaitSlices {
public:
    WaitSlices()
    {
        current() = this;
        set_wait_slice_hook(tick);
    }
    ~WaitSlices()
    {
        set_wait_slice_hook(nullptr);
        current() = nullptr;
    }
    WaitSlices(const WaitSlices&) = delete;
    WaitSlices& operator=(const WaitSlices&) = delete;

    void at(int slice, std::function<void()> act)
    {
        atSlice_ = slice;
        act_ = std::move(act);
    }
    int count() const { return count_.load(); }

private:
    static WaitSlices*& current()
    {
        static WaitSlices* w = nullptr;
        return w;
    }
    static void tick()
    {
        WaitSlices* self = current();
        if (!self) return;
        if (++self->count_ == self->atSlice_ && self->act_) self->act_();
    }

    std::atomic<int> count_{0};
    int atSlice_ = 0;
    std::function<void()> act_;
};

// Presses Cancel on `task`'s progress dialog while the worker waits for an
// answer, as the user's hand would: during the wait's first second without
// one. The press is sent, not posted, so that the dialog has taken it before
// the worker looks at its cancel flag again.
class ProgressCanceller {
public:
    explicit ProgressCanceller(const WorkerTask& task) : task_(task)
    {
        slices_.at(1, [this] {
            HWND d = task_.dialog;
            if (!d) return;
            wchar_t text[64] = {};
            GetWindowTextW(d, text, 64);
            caption_ = text;
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
            pressed_ = true;
        });
    }
    ProgressCanceller(const ProgressCanceller&) = delete;
    ProgressCanceller& operator=(const ProgressCanceller&) = delete;

    bool pressed() const { return pressed_.load(); }
    // The slices the waits spent without an answer, the one of the press
    // included: 1 when the worker saw the press at the end of that second.
    int slices() const { return slices_.count(); }
    // The dialog's caption when Cancel was pressed.
    std::wstring caption() const { return caption_; }

private:
    const WorkerTask& task_;
    WaitSlices slices_;
    std::atomic<bool> pressed_{false};
    std::wstring caption_;
};

}  // namespace net_test
