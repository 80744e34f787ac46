#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/shelltexts.h"
#include "app/startup_win.h"
#include "base/appstate.h"
#include "platform/commandbar.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/responses.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {
// Drops the quit message a finished window leaves behind, and says whether
// there was one.
bool take_quit_message()
{
    MSG m;
    bool quit = false;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) quit = true;
        else DispatchMessageW(&m);
    }
    return quit;
}

int WSAAPI failing_socket_startup(WORD, LPWSADATA) { return WSASYSNOTREADY; }

std::string trimmed_keys(const std::string& file)
{
    std::string keys;
    size_t at = 0;
    while (at < file.size()) {
        size_t end = file.find("\r\n", at);
        if (end == std::string::npos) end = file.size();
        std::string line = file.substr(at, end - at);
        size_t colon = line.find(':');
        if (colon != std::string::npos) keys += line.substr(0, colon) + " ";
        at = end + 2;
    }
    return keys;
}

constexpr char kAllKeys[] =
    "BBSTable LogDir Font FontSize ProxyName ProxyPort ProxyUse ThreadMax UseThreadMax LogOnlyMode "
    "LineOnOff UseServerDir ToolBarVisible DebugMode Flag SureLines SortNew VentCtrl NgLapseDays NgTransparent NgChain ";

UINT first_item(HMENU menu)
{
    return menu ? GetMenuItemID(menu, 0) : 0;
}

// A program folder of its own with the running program's file inside it: the
// creation sequence finds its settings, favourites and board table there.
class Startup : public testing::Test {
protected:
    void SetUp() override
    {
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
        platform_parse_command_line(L"");
        exe = sjis_to_wide(dir.file("quorvex.exe"));
        settings_set_module_path(exe.c_str());
        HINSTANCE inst = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterMainWindowClass(inst));
        AppState.DeviceKind = DetermineDeviceKind();
    }
    void TearDown() override
    {
        if (AppState.hwndMain && IsWindow(AppState.hwndMain)) DestroyWindow(AppState.hwndMain);
        take_quit_message();
        set_socket_startup(nullptr);
        settings_set_module_path(nullptr);
        platform_parse_command_line(L"");
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
    }

    HWND start()
    {
        return CreateMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    }

    TempDir dir;
    std::wstring exe;
};
}  // namespace

TEST_F(Startup, FirstStartInAnEmptyFolder)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(AppState.hwndMain, main);

    // The two files that a fresh installation lacks, in the order they are read.
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, L"inifile_load");
    EXPECT_EQ(messages[0].text, sjis_to_wide(dir.file("quorvex.ini")) + L"オープンに失敗");
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_EQ(messages[1].caption, L"ItaList_load");
    EXPECT_EQ(messages[1].text, sjis_to_wide(dir.file("2channel.brd")) + L"オープンに失敗");

    // The settings file with every key, the log folder and both favourites.
    EXPECT_EQ(trimmed_keys(read_file_bytes(dir.file("quorvex.ini"))), kAllKeys);
    EXPECT_NE(read_file_bytes(dir.file("quorvex.ini")).find("LogDir: " + dir.file("log") + "\r\n"),
              std::string::npos);
    DWORD attrs = GetFileAttributesA(dir.file("log").c_str());
    ASSERT_NE(attrs, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(file_exists(dir.file("favorite.brd")));
    EXPECT_TRUE(file_exists(dir.file("favorite.txt")));

    // The window and what the sequence left in the record.
    wchar_t cls[32];
    GetClassNameW(main, cls, 32);
    EXPECT_STREQ(cls, L"quorvex");
    wchar_t title[32];
    GetWindowTextW(main, title, 32);
    EXPECT_STREQ(title, L"quorvex");
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(AppState.view, ListMode);
    EXPECT_EQ(Settings.SortNew, 1);
    EXPECT_EQ(OpenThreadTable.count, 0);
    EXPECT_EQ(OpenThreadTable.current, -1);
    EXPECT_EQ(AppState.pixelsPerInch, 96);
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 240);
    EXPECT_EQ(client.bottom, 320);
    EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Startup, BarsOfThePocketPC)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    // Command bars: ids 1 and 2, five and eight buttons, 40010 a check button.
    ASSERT_NE(AppState.ListToolbar, nullptr);
    ASSERT_NE(AppState.ThreadToolbar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(AppState.ListToolbar), 1);
    EXPECT_EQ(GetDlgCtrlID(AppState.ThreadToolbar), 2);
    EXPECT_EQ(SendMessageW(AppState.ListToolbar, TB_BUTTONCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageW(AppState.ThreadToolbar, TB_BUTTONCOUNT, 0, 0), 8);
    EXPECT_EQ(AppState.currentToolbar, AppState.ListToolbar);
    TBBUTTON b = {};
    SendMessageW(AppState.ThreadToolbar, TB_GETBUTTON, 7, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(b.idCommand, IDM_SETTINGS_MENU);
    EXPECT_EQ(b.iBitmap, 7);
    EXPECT_TRUE(b.fsStyle & BTNS_DROPDOWN);
    SendMessageW(AppState.ListToolbar, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(b.idCommand, IDM_ONLINE);
    EXPECT_TRUE(b.fsStyle & BTNS_CHECK);
    EXPECT_EQ(b.fsState, TBSTATE_ENABLED);
    SendMessageW(AppState.ThreadToolbar, TB_GETBUTTON, 4, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(b.idCommand, IDM_WRITE);
    EXPECT_EQ(b.iBitmap, 4);

    // Menu bars from resources 1 and 148; the list bar shown, the thread bar hidden.
    ASSERT_NE(AppState.ListMenuBar, nullptr);
    ASSERT_NE(AppState.ThreadMenuBar, nullptr);
    EXPECT_TRUE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadMenuBar));
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ListMenuBar, 0)), static_cast<UINT>(IDM_FOCUS_CATEGORY));
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ListMenuBar, 1)), static_cast<UINT>(IDM_FOCUS_BOARD));
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ThreadMenuBar, 0)), static_cast<UINT>(IDM_SWITCH_VIEW));
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ThreadMenuBar, 1)), static_cast<UINT>(IDM_FOCUS_OPEN_THREADS));
    EXPECT_EQ(AppState.SearchBoxShown, 0);
}

TEST_F(Startup, FlagBitOneTakesMenuBars159And160)
{
    write_file_bytes(dir.file("quorvex.ini"), "Flag: 6\r\n");
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(capture.messages().size(), 1u);   // only the board table is missing
    EXPECT_EQ(capture.messages()[0].caption, L"ItaList_load");
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ListMenuBar, 0)), static_cast<UINT>(IDM_ONLINE));
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ListMenuBar, 1)), static_cast<UINT>(IDM_SWITCH_VIEW));
    EXPECT_EQ(first_item(softkey_bar_popup(AppState.ThreadMenuBar, 0)), static_cast<UINT>(IDM_ONLINE));
    wchar_t text[32];
    ASSERT_GT(GetMenuStringW(softkey_bar_popup(AppState.ThreadMenuBar, 1), IDM_SEARCH_ALT, text, 32, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"検索");
    // Bit 2: the search box is shown from the start.
    EXPECT_EQ(AppState.SearchBoxShown, 1);
}

TEST_F(Startup, SmartphoneBarsHandTheBackKeyToTheWindow)
{
    platform_parse_command_line(L"/smartphone");
    AppState.DeviceKind = DetermineDeviceKind();
    ASSERT_EQ(AppState.DeviceKind, DeviceSmartphone);
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    // Escape in the main window reaches it as the Back key's hot key.
    MSG m;
    PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 1);
    bool hotkey = false;
    for (int i = 0; i < 1000 && !hotkey; ++i) {   // a hang guard of about ten seconds
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_HOTKEY && m.hwnd == main && HIWORD(m.lParam) == VK_ESCAPE) hotkey = true;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (!hotkey) Sleep(10);
    }
    EXPECT_TRUE(hotkey);
}

TEST_F(Startup, ClosingSavesTheSettingsAndEndsTheLoop)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    take_quit_message();
    DeleteFileA(dir.file("quorvex.ini").c_str());
    Settings.LineOnOff = 1;   // changed while running: reaches the file at the end
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(take_quit_message());
    std::string ini = read_file_bytes(dir.file("quorvex.ini"));
    EXPECT_NE(ini.find("LineOnOff: 1\r\n"), std::string::npos);
    EXPECT_EQ(trimmed_keys(ini), kAllKeys);
    EXPECT_EQ(AppState.ListMenuBar, nullptr);
    EXPECT_EQ(AppState.ListToolbar, nullptr);
    AppState.hwndMain = nullptr;
}

TEST_F(Startup, ExitCommandClosesTheWindow)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    take_quit_message();
    DeleteFileA(dir.file("quorvex.ini").c_str());
    // Ctrl+Q is the accelerator of the exit command.
    HACCEL acc = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(acc, nullptr);
    ACCEL table[32];
    int n = CopyAcceleratorTableW(acc, table, 32);
    bool found = false;
    for (int i = 0; i < n; ++i)
        if (table[i].key == 'Q' && (table[i].fVirt & (FVIRTKEY | FCONTROL)) == (FVIRTKEY | FCONTROL))
            found = table[i].cmd == IDM_EXIT;
    EXPECT_TRUE(found);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(take_quit_message());
    EXPECT_TRUE(file_exists(dir.file("quorvex.ini")));
    AppState.hwndMain = nullptr;
}

TEST_F(Startup, SocketFailureStopsCleanly)
{
    set_socket_startup(failing_socket_startup);
    ReportCapture capture;
    HWND main = start();
    EXPECT_EQ(main, nullptr);
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"WSAStartupエラーです");
    EXPECT_EQ(messages[0].caption, L"Error");
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK));
    // Nothing was read or written, no progress dialog stays, the loop is not told to end.
    EXPECT_FALSE(file_exists(dir.file("quorvex.ini")));
    EXPECT_EQ(FindWindowW(L"#32770", L"初期化中"), nullptr);
    EXPECT_EQ(FindWindowW(L"quorvex", nullptr), nullptr);
    EXPECT_FALSE(take_quit_message());
}

TEST_F(Startup, RunningInstanceIsBroughtToTheFront)
{
    EXPECT_FALSE(BringRunningInstanceToFront());
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(BringRunningInstanceToFront());
    EXPECT_EQ(GetForegroundWindow(), main);
    DestroyWindow(other);
}

TEST_F(Startup, DeviceKindFromThePlatformType)
{
    platform_parse_command_line(L"");
    EXPECT_EQ(DetermineDeviceKind(), DevicePocketPC);
    platform_parse_command_line(L"/smartphone");
    EXPECT_EQ(DetermineDeviceKind(), DeviceSmartphone);
}

TEST_F(Startup, DestructionWithoutCreationDoesNothing)
{
    RunDestructionSequence(nullptr);
    EXPECT_FALSE(take_quit_message());
    EXPECT_FALSE(file_exists(dir.file("quorvex.ini")));
}

TEST_F(Startup, CheckMarksFollowTheLoadedSettings)
{
    write_file_bytes(dir.file("quorvex.ini"), "SortNew: 2\r\nLogOnlyMode: 1\r\nLineOnOff: 1\r\n");
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    HMENU list = softkey_bar_popup(AppState.ListMenuBar, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(GetMenuState(list, IDM_SORT_NEW, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(list, IDM_LOG_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(list, IDM_ONLINE, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(softkey_bar_popup(AppState.ThreadMenuBar, 0), IDM_ONLINE, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(commandbar_button_state(AppState.ListToolbar, IDM_ONLINE), TBSTATE_ENABLED | TBSTATE_CHECKED);
}

TEST_F(Startup, NoCheckMarksOnAFreshStart)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    HMENU list = softkey_bar_popup(AppState.ListMenuBar, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(GetMenuState(list, IDM_SORT_NEW, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(list, IDM_LOG_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(list, IDM_ONLINE, MF_BYCOMMAND) & MF_CHECKED);
    // The list view is shown with the list bars; the thread bars are hidden.
    EXPECT_TRUE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_TRUE(IsWindowVisible(AppState.threadListView));
    EXPECT_FALSE(IsWindowVisible(AppState.responseView));
}
