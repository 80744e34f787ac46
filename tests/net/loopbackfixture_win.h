// What the network tests share: a program folder of their own, online
// through a loopback board server as the proxy, and the captured messages.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "tests/support/tempdir.h"
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

// The board server's sample data, as Wine sees the source tree.
inline std::wstring sample_dir()
{
    std::string src = QUORVEX_SOURCE_DIR;
    if (!src.empty() && src[0] == '/') src = "Z:" + src;   // Wine's drive for the host's root
    std::wstring dir;
    for (char c : src + "/tools/boardserver/sample") dir.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return dir;
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
};

}  // namespace net_test
