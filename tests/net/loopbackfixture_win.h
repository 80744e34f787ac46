// What the network tests share: a program folder of their own, online
// through a loopback board server as the proxy, the captured messages, and a
// hand that presses Cancel on a running fetch's progress dialog.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "net/worker.h"
#include "store/settings.h"
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

// Presses Cancel on `task`'s progress dialog a moment after it shows (within
// five seconds), from a thread of its own, as the user's hand would.
class ProgressCanceller {
public:
    explicit ProgressCanceller(const WorkerTask& task) : task_(task)
    {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~ProgressCanceller() { finish(); }
    ProgressCanceller(const ProgressCanceller&) = delete;
    ProgressCanceller& operator=(const ProgressCanceller&) = delete;

    // Waits for the hand; 0 once Cancel was pressed, 1 when no dialog showed.
    DWORD finish()
    {
        if (thread_) {
            WaitForSingleObject(thread_, 10000);
            GetExitCodeThread(thread_, &code_);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return code_;
    }

    // When Cancel was pressed, on the steady clock.
    std::chrono::steady_clock::duration pressed_at() const
    {
        return std::chrono::steady_clock::duration(pressedAt_.load());
    }

private:
    static DWORD WINAPI run(LPVOID self)
    {
        auto* c = static_cast<ProgressCanceller*>(self);
        for (int i = 0; i < 500; ++i) {
            HWND d = c->task_.dialog;
            if (d && IsWindowVisible(d)) {
                Sleep(300);
                c->pressedAt_ = std::chrono::steady_clock::now().time_since_epoch().count();
                PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
                return 0;
            }
            Sleep(10);
        }
        return 1;
    }

    const WorkerTask& task_;
    HANDLE thread_ = nullptr;
    DWORD code_ = 9;
    std::atomic<int64_t> pressedAt_{0};
};

}  // namespace net_test
