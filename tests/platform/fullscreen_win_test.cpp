#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/device.h"
#include "platform/fullscreen.h"
#include "platform/softkeybar.h"
#include "res/resource.h"
#include "tests/support/pump_win.h"

namespace {
std::vector<WPARAM> g_commands;

INT_PTR CALLBACK dialog_proc(HWND, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND) {
        g_commands.push_back(wp);
        return TRUE;
    }
    return FALSE;
}

// A dialog template in memory: a caption and `count` static controls 20
// dialog units apart, so that the test decides how far they reach.
std::vector<WORD> make_template(int count)
{
    std::vector<WORD> t;
    auto align = [&] { if (t.size() % 2) t.push_back(0); };
    auto dword = [&](DWORD v) { t.push_back(LOWORD(v)); t.push_back(HIWORD(v)); };
    auto text = [&](const wchar_t* s) { for (; *s; ++s) t.push_back(*s); t.push_back(0); };
    dword(WS_POPUP | WS_CAPTION | DS_SETFONT);
    dword(0);
    t.push_back(static_cast<WORD>(count));
    t.push_back(0); t.push_back(0); t.push_back(100); t.push_back(60);
    t.push_back(0);   // no menu
    t.push_back(0);   // default class
    text(L"dialog");
    t.push_back(8);
    text(L"MS Shell Dlg");
    for (int i = 0; i < count; ++i) {
        align();
        dword(WS_CHILD | WS_VISIBLE);
        dword(0);
        t.push_back(5); t.push_back(static_cast<WORD>(5 + 20 * i)); t.push_back(80); t.push_back(10);
        t.push_back(static_cast<WORD>(2000 + i));
        t.push_back(0xFFFF); t.push_back(0x0082);   // static
        text(L"line");
        t.push_back(0);
    }
    return t;
}

// One main window for the suite (slow to take down under Wine without a
// window manager); the dialogs are never shown, so they go at once.
class FullScreenTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        platform_parse_command_line(L"");
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FullScreenMain";
        RegisterClassW(&wc);
        RECT r = platform_default_window_rect(WS_VISIBLE, 0);
        main_ = CreateWindowExW(0, L"FullScreenMain", L"main", WS_VISIBLE, 30, 40, r.right, r.bottom, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(main_); }
    void SetUp() override
    {
        platform_parse_command_line(L"");
        main = main_;
        ASSERT_NE(main, nullptr);
        g_commands.clear();
    }

    HWND dialog(int controls, HWND owner)
    {
        tmpl = make_template(controls);
        return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                          reinterpret_cast<DLGTEMPLATE*>(tmpl.data()), owner, dialog_proc, 0);
    }

    static inline HWND main_ = nullptr;
    HWND main = nullptr;
    std::vector<WORD> tmpl;
};
}  // namespace

TEST_F(FullScreenTest, CoversTheMainWindowsClientArea)
{
    HWND d = dialog(2, main);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(fullscreen_dialog_init(d, kDialogDoneButton | kDialogFullScreen | kDialogInputPanelDown));
    RECT client, r;
    GetClientRect(main, &client);
    MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(d, &r);
    EXPECT_EQ(r.left, client.left);
    EXPECT_EQ(r.top, client.top);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);
    DestroyWindow(d);
}

TEST_F(FullScreenTest, DialogOfADialogStillCoversTheMainWindow)
{
    HWND first = dialog(1, main);
    ASSERT_NE(first, nullptr);
    HWND second = dialog(1, first);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(fullscreen_dialog_init(second, kDialogFullScreen));
    RECT client, r;
    GetClientRect(main, &client);
    MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(second, &r);
    EXPECT_EQ(r.top, client.top);
    EXPECT_EQ(r.bottom - r.top, client.bottom - client.top);
    DestroyWindow(second);
    DestroyWindow(first);
}

TEST_F(FullScreenTest, WithoutOwnerTakesTheHandsetSize)
{
    HWND d = dialog(1, nullptr);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(fullscreen_dialog_init(d, kDialogFullScreen));
    RECT r;
    GetWindowRect(d, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 240);
    EXPECT_EQ(r.bottom, 320);
    DestroyWindow(d);
}

TEST_F(FullScreenTest, DoneButtonConfirms)
{
    HWND d = dialog(1, main);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(fullscreen_dialog_init(d, kDialogDoneButton | kDialogFullScreen));
    EXPECT_NE(GetWindowLongPtrW(d, GWL_STYLE) & WS_SYSMENU, 0);
    SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump_until_idle();
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LOWORD(g_commands[0]), IDOK);
    EXPECT_TRUE(IsWindow(d));
    DestroyWindow(d);
}

TEST_F(FullScreenTest, ScrollBarOnlyWhenTheControlsReachBelow)
{
    HWND small = dialog(2, main);
    ASSERT_NE(small, nullptr);
    ASSERT_TRUE(fullscreen_dialog_init(small, kDialogFullScreen | kDialogScrollWhenNeeded));
    EXPECT_EQ(GetWindowLongPtrW(small, GWL_STYLE) & WS_VSCROLL, 0);
    DestroyWindow(small);

    HWND tall = dialog(30, main);   // 600 dialog units of lines
    ASSERT_NE(tall, nullptr);
    ASSERT_TRUE(fullscreen_dialog_init(tall, kDialogFullScreen | kDialogScrollWhenNeeded));
    EXPECT_NE(GetWindowLongPtrW(tall, GWL_STYLE) & WS_VSCROLL, 0);
    HWND bar = softkey_bar_create(tall, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    HWND first = GetDlgItem(tall, 2000);
    RECT before, after, barBefore, barAfter;
    GetWindowRect(first, &before);
    GetWindowRect(bar, &barBefore);
    SendMessageW(tall, WM_VSCROLL, SB_LINEDOWN, 0);
    GetWindowRect(first, &after);
    GetWindowRect(bar, &barAfter);
    EXPECT_EQ(after.top, before.top - 8);
    EXPECT_EQ(GetScrollPos(tall, SB_VERT), 8);
    // The soft-key bar stays where it is.
    EXPECT_EQ(barAfter.top, barBefore.top);
    // Scrolling to the end shows the lowest control above the bar.
    SendMessageW(tall, WM_VSCROLL, SB_BOTTOM, 0);
    RECT last;
    GetWindowRect(GetDlgItem(tall, 2029), &last);
    EXPECT_LE(last.bottom, barAfter.top);
    EXPECT_GT(last.bottom, barAfter.top - 20);
    SendMessageW(tall, WM_VSCROLL, SB_TOP, 0);
    GetWindowRect(first, &after);
    EXPECT_EQ(after.top, before.top);
    DestroyWindow(tall);
}

TEST_F(FullScreenTest, NoWindowNoSetUp)
{
    EXPECT_FALSE(fullscreen_dialog_init(nullptr, kDialogFullScreen));
}
