#include <gtest/gtest.h>

#include <vector>

#include "platform/device.h"
#include "platform/softkeybar.h"
#include "res/resource.h"
#include "tests/support/pump_win.h"

namespace {
struct Seen {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
std::vector<Seen> g_seen;
HMENU g_popupSeen = nullptr;
bool g_closePopup = true;

LRESULT CALLBACK owner_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_HOTKEY:
    case WM_KEYDOWN:
    case WM_KEYUP:
        g_seen.push_back({msg, wp, lp});
        return 0;
    case WM_INITMENUPOPUP:
        g_seen.push_back({msg, wp, lp});
        if (!g_popupSeen) g_popupSeen = reinterpret_cast<HMENU>(wp);
        // Leave the popup's loop at once so that the test goes on, or choose
        // its last item with Up and Enter.
        if (g_closePopup) {
            PostMessageW(hwnd, WM_CANCELMODE, 0, 0);
        } else if (g_popupSeen == reinterpret_cast<HMENU>(wp)) {
            PostMessageW(hwnd, WM_KEYDOWN, VK_UP, 1);
            PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// One owner window for the whole suite: a top-level window takes Wine a
// while to take down without a window manager. Each test removes its bars.
class SoftKeyBarTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = owner_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SoftKeyOwner";
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassW(&wc);
        owner_ = CreateWindowExW(0, L"SoftKeyOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 260, 360,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(owner_);
        pump_until_idle();
    }
    void SetUp() override
    {
        platform_parse_command_line(L"");
        owner = owner_;
        ASSERT_NE(owner, nullptr);
        SetWindowPos(owner, nullptr, 0, 0, 260, 360, SWP_NOZORDER);
        SetForegroundWindow(owner);
        SetFocus(owner);
        pump_until_idle();
        g_seen.clear();
        g_popupSeen = nullptr;
        g_closePopup = true;
    }
    void TearDown() override
    {
        while (HWND child = GetWindow(owner, GW_CHILD)) DestroyWindow(child);
        pump_until_idle();
    }

    std::vector<Seen> seen(UINT msg) const
    {
        std::vector<Seen> out;
        for (const Seen& s : g_seen)
            if (s.msg == msg) out.push_back(s);
        return out;
    }

    void key(HWND target, UINT vk, bool down)
    {
        LPARAM lp = down ? 1 : static_cast<LPARAM>(0xC0000001u);
        PostMessageW(target, down ? WM_KEYDOWN : WM_KEYUP, vk, lp);
        pump_until_idle();
    }

    static inline HWND owner_ = nullptr;
    HWND owner = nullptr;
};
}  // namespace

TEST_F(SoftKeyBarTest, PlainItemSendsItsCommandOnF2)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(softkey_bar_command(bar, 0), static_cast<UINT>(IDOK));
    EXPECT_EQ(softkey_bar_command(bar, 1), static_cast<UINT>(IDCANCEL));
    key(owner, VK_F2, true);
    key(owner, VK_F2, false);
    auto cmds = seen(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), IDCANCEL);
    EXPECT_EQ(HIWORD(cmds[0].wp), 0);
    // The soft key is the shell's: the window never sees F2 itself.
    EXPECT_TRUE(seen(WM_KEYDOWN).empty());
    EXPECT_TRUE(seen(WM_KEYUP).empty());
}

TEST_F(SoftKeyBarTest, KeysReachTheBarFromAChildWithTheFocus)
{
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    key(edit, VK_F1, true);
    auto cmds = seen(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), IDOK);
}

TEST_F(SoftKeyBarTest, AutoRepeatDoesNotPressAgain)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    key(owner, VK_F1, true);
    PostMessageW(owner, WM_KEYDOWN, VK_F1, 0x40000001);   // repeat: previous state down
    pump_until_idle();
    EXPECT_EQ(seen(WM_COMMAND).size(), 1u);
}

TEST_F(SoftKeyBarTest, PopupItemOpensItsMenuOnF1)
{
    HWND bar = softkey_bar_create(owner, IDR_LIST_MENU);
    ASSERT_NE(bar, nullptr);
    HMENU popup = softkey_bar_popup(bar, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(softkey_bar_command(bar, 0), 0u);
    key(owner, VK_F1, true);
    EXPECT_EQ(g_popupSeen, popup);
    EXPECT_TRUE(seen(WM_COMMAND).empty());
    // The second key opens the second popup.
    g_popupSeen = nullptr;
    key(owner, VK_F2, true);
    EXPECT_EQ(g_popupSeen, softkey_bar_popup(bar, 1));
}

TEST_F(SoftKeyBarTest, PopupOfMenuOneHoldsItsItems)
{
    HWND bar = softkey_bar_create(owner, IDR_LIST_MENU);
    ASSERT_NE(bar, nullptr);
    HMENU popup = softkey_bar_popup(bar, 0);
    ASSERT_NE(popup, nullptr);
    wchar_t text[64];
    ASSERT_GT(GetMenuStringW(popup, IDM_FOCUS_CATEGORY, text, 64, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"カテゴリ一覧");
    ASSERT_GT(GetMenuStringW(popup, IDM_LOG_ONLY, text, 64, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, L"ログのみ\t(&L)");
    // Check marks set on the popup stay: the bar keeps the same menu.
    CheckMenuItem(popup, IDM_ONLINE, MF_BYCOMMAND | MF_CHECKED);
    EXPECT_EQ(GetMenuState(softkey_bar_popup(bar, 0), IDM_ONLINE, MF_BYCOMMAND) & MF_CHECKED,
              static_cast<UINT>(MF_CHECKED));
}

TEST_F(SoftKeyBarTest, ChosenPopupItemReachesTheOwner)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    g_closePopup = false;
    HWND bar2 = softkey_bar_create(owner, IDR_THREAD_MENU);
    ASSERT_NE(bar2, nullptr);
    softkey_bar_show(bar, false);
    // Up then Enter in the open popup chooses its last item: "終了".
    key(owner, VK_F1, true);
    pump_until_idle();
    auto cmds = seen(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), IDM_EXIT);
}

TEST_F(SoftKeyBarTest, HeightAndPlaceAtTheBottomOfTheOwner)
{
    HWND bar = softkey_bar_create(owner, IDR_LIST_MENU);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(softkey_bar_height(bar), kSoftKeyBarHeight);
    RECT client, r;
    GetClientRect(owner, &client);
    GetWindowRect(bar, &r);
    MapWindowPoints(HWND_DESKTOP, owner, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);
    // It follows the owner's size.
    SetWindowPos(owner, nullptr, 0, 0, 300, 400, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(owner, &client);
    GetWindowRect(bar, &r);
    MapWindowPoints(HWND_DESKTOP, owner, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);
    EXPECT_EQ(r.bottom - r.top, kSoftKeyBarHeight);
}

TEST_F(SoftKeyBarTest, DoubleHeightOnVga)
{
    platform_parse_command_line(L"/vga");
    HWND bar = softkey_bar_create(owner, IDR_LIST_MENU);
    platform_parse_command_line(L"");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(softkey_bar_height(bar), 2 * kSoftKeyBarHeight);
}

TEST_F(SoftKeyBarTest, HiddenBarLeavesTheKeysAlone)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    softkey_bar_show(bar, false);
    key(owner, VK_F2, true);
    EXPECT_TRUE(seen(WM_COMMAND).empty());
    EXPECT_EQ(seen(WM_KEYDOWN).size(), 1u);
    softkey_bar_show(bar, true);
    key(owner, VK_F2, true);
    EXPECT_EQ(seen(WM_COMMAND).size(), 1u);
}

TEST_F(SoftKeyBarTest, TapOnTheRightHalfPressesTheRightKey)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    RECT r;
    GetClientRect(bar, &r);
    LPARAM at = MAKELPARAM(r.right * 3 / 4, r.bottom / 2);
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(bar, WM_LBUTTONUP, 0, at);
    pump_until_idle();
    auto cmds = seen(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), IDCANCEL);
    // A press that slides over to the other key before release does nothing.
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(bar, WM_LBUTTONUP, 0, at);
    pump_until_idle();
    EXPECT_EQ(seen(WM_COMMAND).size(), 1u);
}

TEST_F(SoftKeyBarTest, OneItemMenuHasOnlyTheLeftKey)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK);
    ASSERT_NE(bar, nullptr);
    key(owner, VK_F2, true);
    EXPECT_TRUE(seen(WM_COMMAND).empty());
    key(owner, VK_F1, true);
    ASSERT_EQ(seen(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(seen(WM_COMMAND)[0].wp), IDOK);
}

TEST_F(SoftKeyBarTest, MissingMenuGivesNoBar)
{
    EXPECT_EQ(softkey_bar_create(owner, 9999), nullptr);
    EXPECT_EQ(softkey_bar_create(nullptr, IDR_LIST_MENU), nullptr);
    EXPECT_EQ(softkey_bar_height(nullptr), 0);
    EXPECT_EQ(softkey_bar_popup(nullptr, 0), nullptr);
}

TEST_F(SoftKeyBarTest, BackOverrideTurnsEscapeIntoHotKey)
{
    HWND bar = softkey_bar_create(owner, IDR_LIST_MENU);
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(softkey_bar_override_key(bar, VK_ESCAPE, kSoftKeyOverrideNoDefault | kSoftKeyOverrideNotify));
    key(owner, VK_ESCAPE, true);
    key(owner, VK_ESCAPE, false);
    auto hot = seen(WM_HOTKEY);
    ASSERT_EQ(hot.size(), 2u);
    EXPECT_EQ(HIWORD(hot[0].lp), 27);
    EXPECT_EQ(LOWORD(hot[0].lp), 0);
    EXPECT_EQ(HIWORD(hot[1].lp), 27);
    EXPECT_EQ(LOWORD(hot[1].lp), kHotKeyReleased);
    // No default action: the key itself is gone.
    EXPECT_TRUE(seen(WM_KEYDOWN).empty());
    EXPECT_TRUE(seen(WM_KEYUP).empty());
}

TEST_F(SoftKeyBarTest, WithoutOverrideEscapeStaysAKey)
{
    HWND bar = softkey_bar_create(owner, IDR_LIST_MENU);
    ASSERT_NE(bar, nullptr);
    key(owner, VK_ESCAPE, true);
    EXPECT_TRUE(seen(WM_HOTKEY).empty());
    EXPECT_EQ(seen(WM_KEYDOWN).size(), 1u);
    // Notify alone tells the owner and still lets the key through.
    ASSERT_TRUE(softkey_bar_override_key(bar, VK_ESCAPE, kSoftKeyOverrideNotify));
    key(owner, VK_ESCAPE, true);
    EXPECT_EQ(seen(WM_HOTKEY).size(), 1u);
    EXPECT_EQ(seen(WM_KEYDOWN).size(), 2u);
    EXPECT_FALSE(softkey_bar_override_key(bar, VK_BACK, kSoftKeyOverrideNotify));
}

TEST_F(SoftKeyBarTest, DestroyedBarNoLongerFiltersKeys)
{
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    softkey_bar_destroy(bar);
    EXPECT_FALSE(IsWindow(bar));
    key(owner, VK_F1, true);
    EXPECT_TRUE(seen(WM_COMMAND).empty());
    EXPECT_EQ(seen(WM_KEYDOWN).size(), 1u);
}

TEST_F(SoftKeyBarTest, SoftKeysAlsoWithoutAFocusedWindow)
{
    // With nothing focused the keys come as system keys; Alt+F2 is not a soft key.
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    PostMessageW(owner, WM_SYSKEYDOWN, VK_F2, 1);
    pump_until_idle();
    ASSERT_EQ(seen(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(seen(WM_COMMAND)[0].wp), IDCANCEL);
    PostMessageW(owner, WM_SYSKEYDOWN, VK_F2, 1 | (1L << 29));
    pump_until_idle();
    EXPECT_EQ(seen(WM_COMMAND).size(), 1u);
}

namespace {
// Makes the next window created on this thread refuse WM_CREATE after its
// own procedure has seen WM_NCCREATE.
HHOOK g_failHook = nullptr;
WNDPROC g_barProc = nullptr;
LRESULT CALLBACK refusing_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CREATE) return -1;
    return CallWindowProcW(g_barProc, hwnd, msg, wp, lp);
}
LRESULT CALLBACK fail_next_create(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_CREATEWND) {
        HWND hwnd = reinterpret_cast<HWND>(wp);
        g_barProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(refusing_proc)));
        UnhookWindowsHookEx(g_failHook);
        g_failHook = nullptr;
        return 0;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

TEST_F(SoftKeyBarTest, BarRefusedAfterItsCreationMessageGivesNoBar)
{
    g_failHook = SetWindowsHookExW(WH_CBT, fail_next_create, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_failHook, nullptr);
    EXPECT_EQ(softkey_bar_create(owner, IDR_MENU_OK_CANCEL), nullptr);
    EXPECT_EQ(g_failHook, nullptr);   // the refused window was the bar
    EXPECT_EQ(GetWindow(owner, GW_CHILD), nullptr);
    // The data went once, with the window; the next bar works as ever.
    HWND bar = softkey_bar_create(owner, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    key(owner, VK_F2, true);
    ASSERT_EQ(seen(WM_COMMAND).size(), 1u);
    EXPECT_EQ(LOWORD(seen(WM_COMMAND)[0].wp), IDCANCEL);
}
