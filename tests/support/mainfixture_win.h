// The real main window in this process, in a program folder of its own,
// reaching the loopback board server with the sample data as its proxy (or,
// for a fixture that says so, another server). Used by the command tests and
// the end-to-end tests: they drive it as a user would, through commands,
// selector notifications, list activations and keys, and look at what the
// window shows and what lands on disk.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/startup_win.h"
#include "base/appstate.h"
#include "net/replyeditor_win.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "reader/resview_win.h"
#include "reader/threadentry.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/responses.h"
#include "store/settings.h"
#include "tests/support/dialogdriver_win.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"
#include "tools/boardserver/boardserver.h"

namespace mainwindow_test {

// A fixed clock: the server's dates are the same in every run.
constexpr int64_t kClock = 1165621200;

// The sample's board "mobile" and its first thread, as the server lists them.
constexpr char kMobileKey[] = "1065069078";
constexpr int kMobileThreads = 4;
constexpr int kFirstThreadResponses = 123;

inline std::string sj(const char* utf8) { return utf8_to_sjis(utf8); }

// "2channel.brd" as a fetch of the sample's menu writes it.
inline std::string sample_board_file()
{
    return "2\r\n" + sj("PC等") + "\t0\r\n" + "\tpc.2ch.net\tmobile\t" + sj("モバイル") + "\r\n" +
           "\tpc.2ch.net\tsoftware\t" + sj("ソフトウェア") + "\r\n" + sj("ニュース") + "\t0\r\n" +
           "\tsrv.2ch.net\tnews\t" + sj("ニュース速報") + "\r\n" + sj("雑談") + "\t0\r\n" +
           "\tsrv.2ch.net/sub\tzatsudan\t" + sj("雑談") + "\r\n";
}

// The lines of a settings file that reach the service through a loopback
// server on `port` as the proxy, online or not.
inline std::string proxy_settings(int online, int port)
{
    char lines[256];
    std::snprintf(lines, sizeof lines, "LineOnOff: %d\r\nProxyUse: 1\r\nProxyName: 127.0.0.1\r\nProxyPort: %d\r\n",
                  online, port);
    return lines;
}

inline bool take_quit_message()
{
    MSG m;
    bool quit = false;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) quit = true;
        else {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    return quit;
}

// Every caption a dialog of this thread was given, in order: the template's
// at initialisation and every later change (the progress dialogs' counts).
class DialogCaptions {
public:
    DialogCaptions()
    {
        current() = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, observe, nullptr, GetCurrentThreadId());
    }
    ~DialogCaptions()
    {
        if (hook_) UnhookWindowsHookEx(hook_);
        current() = nullptr;
    }
    const std::vector<std::wstring>& captions() const { return captions_; }
    void clear() { captions_.clear(); }

private:
    static DialogCaptions*& current()
    {
        static DialogCaptions* c = nullptr;
        return c;
    }
    static bool is_dialog(HWND w)
    {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        return std::wcscmp(cls, L"#32770") == 0;
    }
    static LRESULT CALLBACK observe(int code, WPARAM wp, LPARAM lp)
    {
        DialogCaptions* self = current();
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && self && m && is_dialog(m->hwnd)) {
            if (m->message == WM_SETTEXT && m->lParam) {
                self->captions_.push_back(reinterpret_cast<const wchar_t*>(m->lParam));
            } else if (m->message == WM_INITDIALOG) {
                wchar_t text[128] = {};
                GetWindowTextW(m->hwnd, text, 128);
                self->captions_.push_back(std::wstring(L"init:") + text);
            }
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    HHOOK hook_ = nullptr;
    std::vector<std::wstring> captions_;
};

// Closes every dialog of this thread that shows while a modal loop runs,
// and remembers its caption: for commands that must open none.
class DialogCloser {
public:
    DialogCloser()
    {
        current() = this;
        timer_ = SetTimer(nullptr, 0, 30, tick);
    }
    ~DialogCloser()
    {
        KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    const std::vector<std::wstring>& closed() const { return closed_; }

private:
    static DialogCloser*& current()
    {
        static DialogCloser* c = nullptr;
        return c;
    }
    static BOOL CALLBACK close_one(HWND w, LPARAM lp)
    {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (std::wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w)) {
            wchar_t text[128] = {};
            GetWindowTextW(w, text, 128);
            reinterpret_cast<DialogCloser*>(lp)->closed_.push_back(text);
            PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        }
        return TRUE;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (DialogCloser* self = current()) EnumThreadWindows(GetCurrentThreadId(), close_one, reinterpret_cast<LPARAM>(self));
        if (HWND menu = FindWindowW(L"#32768", nullptr)) {
            if (IsWindowVisible(menu) && current()) current()->closed_.push_back(L"menu");
            EndMenu();
        }
    }
    UINT_PTR timer_ = 0;
    std::vector<std::wstring> closed_;
};

// ---- a user's hand on the main window, for the fixture and for a test
//      program that plays the program in a process of its own ----

// Everything the last step started, handled.
inline void settle_window() { pump_until_idle(); }

inline void send_command(HWND main, WORD id)
{
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    settle_window();
}

// A choice in a selector as the combo box reports it.
inline void choose_in_selector(HWND main, HWND selector, WORD id, int row, WORD notification = CBN_SELENDOK)
{
    SendMessageW(selector, CB_SETCURSEL, row, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(selector));
    settle_window();
}

// A row of the thread list opened as a tap or Enter on it does.
inline void activate_thread_row(HWND main, int row)
{
    HWND list = AppState.threadListView;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = list;
    activate.hdr.idFrom = IDC_THREAD_LIST;
    activate.hdr.code = LVN_ITEMACTIVATE;
    activate.iItem = row;
    SendMessageW(main, WM_NOTIFY, IDC_THREAD_LIST, reinterpret_cast<LPARAM>(&activate));
    settle_window();
}

// Runs the modal dialog that command `id` opens, driven by `driver`; false
// when a step did not run or the dialog had to be cancelled.
inline bool run_driven_command(HWND main, WORD id, DialogDriver& driver)
{
    driver.start();
    send_command(main, id);
    driver.stop();
    return driver.all_steps_ran() && !driver.timed_out();
}

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
        reset_process_records();
        platform_parse_command_line(L"");
        exe_ = sjis_to_wide(dir_.file("quorvex.exe"));
        settings_set_module_path(exe_.c_str());
        ASSERT_TRUE(RegisterMainWindowClass(GetModuleHandleW(nullptr)));
        AppState.DeviceKind = DetermineDeviceKind();
        start_server();
    }

    // The server the program reaches as its proxy: the loopback board
    // server with the sample data, on a fixed clock.
    virtual void start_server()
    {
        std::string error;
        ASSERT_TRUE(server_.load_sample(sample_dir(), &error)) << error;
        server_.site().set_clock(kClock);
        ASSERT_TRUE(server_.start());
    }
    virtual int proxy_port() const { return static_cast<int>(server_.port()); }

    void TearDown() override
    {
        if (main_ && IsWindow(main_)) DestroyWindow(main_);
        take_quit_message();
        server_.stop();
        settings_set_module_path(nullptr);
        platform_parse_command_line(L"");
        reset_process_records();
        WSACleanup();
    }

    // The records a start fills, as before any start; a board table left by
    // an earlier test would stand in for a missing "2channel.brd".
    static void reset_process_records()
    {
        if (BoardTable.items) LocalFree(static_cast<HLOCAL>(BoardTable.items));
        BoardTable = BoardArray{};
        CategoryTable = CategoryArray{};
        CategoryTable.lastCategory = -1;   // as the program starts
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
        ReplyDraft = ReplyDraftRecord{};
    }

    // The settings file of a user who reaches the service through the
    // loopback server, online or not, with more lines as given.
    void write_settings(int online, const std::string& more = "")
    {
        write_file_bytes(dir_.file("quorvex.ini"), proxy_settings(online, proxy_port()) + more);
    }

    // Starts the program as its entry routine would.
    HWND start()
    {
        main_ = CreateMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
        if (main_) {
            SetForegroundWindow(main_);
            settle();
        }
        return main_;
    }

    // A start with the board table in place, online or not.
    HWND start_with_boards(int online, const std::string& more = "")
    {
        write_settings(online, more);
        write_file_bytes(dir_.file("2channel.brd"), sample_board_file());
        return start();
    }

    // Everything the last step started, handled.
    void settle() { settle_window(); }
    void command(WORD id) { send_command(main_, id); }
    void choose(HWND selector, WORD id, int row, WORD notification = CBN_SELENDOK)
    {
        choose_in_selector(main_, selector, id, row, notification);
    }

    void choose_board(int category, int row)
    {
        choose(AppState.CategorySelector, IDC_CATEGORY_SELECTOR, category);
        choose(AppState.BoardSelector, IDC_BOARD_SELECTOR, row);
    }

    // The category "PC等" and its board "モバイル".
    void choose_mobile() { choose_board(1, 0); }

    void activate_row(int row) { activate_thread_row(main_, row); }

    // Opens the first `n` threads of "モバイル", back to the list between them.
    void open_mobile_threads(int n)
    {
        choose_mobile();
        for (int i = 0; i < n; ++i) {
            if (AppState.view == ThreadMode) command(IDM_SWITCH_VIEW);
            activate_row(i);
        }
    }

    void run_dialog_command(WORD id, DialogDriver& driver)
    {
        run_driven_command(main_, id, driver);
        EXPECT_TRUE(driver.all_steps_ran());
        EXPECT_FALSE(driver.timed_out());
    }

    // ---- what the user sees ----

    static std::vector<std::wstring> selector_lines(HWND selector)
    {
        std::vector<std::wstring> lines;
        const LRESULT n = SendMessageW(selector, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t text[300] = {};
            SendMessageW(selector, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            lines.push_back(text);
        }
        return lines;
    }

    static std::wstring window_text(HWND w)
    {
        wchar_t text[300] = {};
        GetWindowTextW(w, text, 300);
        return text;
    }

    static std::vector<std::wstring> list_titles()
    {
        std::vector<std::wstring> titles;
        for (int32_t i = 0; ProcessThreadList && i < ProcessThreadList->count(); ++i)
            titles.push_back(ProcessThreadList->at(i)->title);
        return titles;
    }

    static int list_view_rows() { return ListView_GetItemCount(AppState.threadListView); }

    static const ResponseBuffer* current_entry()
    {
        const OpenThreadTableRecord& t = OpenThreadTable;
        return t.entries && t.current >= 0 && t.current < t.count ? &t.entries[t.current] : nullptr;
    }

    static bool menu_bar_checked(HWND bar, UINT command)
    {
        HMENU popup = softkey_bar_popup(bar, 0);
        return popup && (GetMenuState(popup, command, MF_BYCOMMAND) & MF_CHECKED);
    }

    // Pixels of the response view's page that are not its background.
    static int drawn_pixels(int* lines = nullptr)
    {
        HBITMAP page = ResponseView_render(AppState.responseView, lines);
        if (!page) return 0;
        BITMAP info{};
        GetObjectW(page, sizeof info, &info);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = info.bmWidth;
        bi.bmiHeader.biHeight = -info.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        std::vector<uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, page, 0, info.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        DeleteObject(page);
        int drawn = 0;
        for (uint32_t p : pixels)
            if ((p & 0xFFFFFF) != 0xFFFFFF) ++drawn;
        return drawn;
    }

    // ---- what lands on disk ----

    std::string log_file(const std::string& relative) const { return dir_.file("log\\" + relative); }
    std::string mobile_dat(const std::string& key = kMobileKey) const
    {
        return log_file("mobile\\" + key + ".dat");
    }

    std::vector<std::string> request_targets() const
    {
        std::vector<std::string> targets;
        for (const auto& r : server_.requests()) targets.push_back(r.method + " " + r.target);
        return targets;
    }

    TempDir dir_;
    std::wstring exe_;
    boardserver::BoardServer server_;
    ReportCapture reports_;
    HWND main_ = nullptr;
};

}  // namespace mainwindow_test
