#include <gtest/gtest.h>

#include <vector>

#include "platform/commandbar.h"
#include "res/resource.h"
#include "tests/support/pump_win.h"

namespace {
std::vector<WPARAM> g_commands;
std::vector<int> g_dropdowns;

LRESULT CALLBACK parent_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND) {
        g_commands.push_back(wp);
        return 0;
    }
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == TBN_DROPDOWN) {
            g_dropdowns.push_back(reinterpret_cast<NMTOOLBARW*>(lp)->iItem);
            return TBDDRET_DEFAULT;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// One parent for the suite (a top-level window is slow to take down under
// Wine without a window manager); each test removes its bars.
class CommandBarTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CommandBarParent";
        RegisterClassW(&wc);
        parent_ = CreateWindowExW(0, L"CommandBarParent", L"p", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 260, 360,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(parent_); }
    void SetUp() override
    {
        parent = parent_;
        ASSERT_NE(parent, nullptr);
        SetWindowPos(parent, nullptr, 0, 0, 260, 360, SWP_NOZORDER);
        g_commands.clear();
        g_dropdowns.clear();
    }
    void TearDown() override
    {
        while (HWND child = GetWindow(parent, GW_CHILD)) DestroyWindow(child);
    }

    // The list bar as the main window builds it.
    HWND list_bar()
    {
        HINSTANCE inst = GetModuleHandleW(nullptr);
        HWND bar = commandbar_create(inst, parent, IDC_LIST_TOOLBAR);
        EXPECT_NE(bar, nullptr);
        EXPECT_EQ(commandbar_add_bitmap(bar, inst, IDB_LIST_TOOLBAR, LIST_TOOLBAR_IMAGES), 0);
        TBBUTTON buttons[] = {
            {0, IDM_ONLINE, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, 0},
            {1, IDM_SWITCH_VIEW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
            {2, IDM_RELOAD_LIST, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
            {3, IDM_UPDATE_CHECK, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
            {4, IDM_SETTINGS_MENU, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, 0},
        };
        EXPECT_TRUE(commandbar_add_buttons(bar, 5, buttons));
        return bar;
    }

    void click(HWND bar, int command)
    {
        RECT r;
        ASSERT_TRUE(commandbar_button_rect(bar, command, &r));
        LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(bar, WM_LBUTTONUP, 0, at);
        pump_until_idle();
    }

    static inline HWND parent_ = nullptr;
    HWND parent = nullptr;
};
}  // namespace

TEST_F(CommandBarTest, SitsAtTheTopAcrossTheParent)
{
    HWND bar = list_bar();
    EXPECT_EQ(GetDlgCtrlID(bar), IDC_LIST_TOOLBAR);
    int h = commandbar_height(bar);
    EXPECT_GE(h, 16);
    EXPECT_LE(h, 40);
    RECT client, r;
    GetClientRect(parent, &client);
    GetWindowRect(bar, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, client.right);
    SetWindowPos(parent, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(parent, &client);
    GetWindowRect(bar, &r);
    EXPECT_EQ(r.right - r.left, client.right);
}

TEST_F(CommandBarTest, CheckStateReadsBack)
{
    HWND bar = list_bar();
    EXPECT_EQ(commandbar_button_state(bar, IDM_ONLINE), TBSTATE_ENABLED);
    ASSERT_TRUE(commandbar_set_button_state(bar, IDM_ONLINE, TBSTATE_ENABLED | TBSTATE_CHECKED));
    EXPECT_EQ(commandbar_button_state(bar, IDM_ONLINE), TBSTATE_ENABLED | TBSTATE_CHECKED);
    ASSERT_TRUE(commandbar_set_button_state(bar, IDM_ONLINE, TBSTATE_ENABLED));
    EXPECT_EQ(commandbar_button_state(bar, IDM_ONLINE), TBSTATE_ENABLED);
    EXPECT_EQ(commandbar_button_state(bar, 12345), -1);
    EXPECT_FALSE(commandbar_set_button_state(bar, 12345, TBSTATE_ENABLED));
}

TEST_F(CommandBarTest, ButtonRectanglesInOrder)
{
    HWND bar = list_bar();
    RECT first, second, last;
    ASSERT_TRUE(commandbar_button_rect(bar, IDM_ONLINE, &first));
    ASSERT_TRUE(commandbar_button_rect(bar, IDM_SWITCH_VIEW, &second));
    ASSERT_TRUE(commandbar_button_rect(bar, IDM_SETTINGS_MENU, &last));
    EXPECT_GE(first.right - first.left, 16);
    EXPECT_GE(first.bottom - first.top, 16);
    EXPECT_LE(first.right, second.left);
    EXPECT_LT(second.left, last.left);
    // The drop-down button is wider: it carries its arrow.
    EXPECT_GT(last.right - last.left, first.right - first.left);
    RECT none;
    EXPECT_FALSE(commandbar_button_rect(bar, 12345, &none));
}

TEST_F(CommandBarTest, ClicksReachTheParent)
{
    HWND bar = list_bar();
    click(bar, IDM_RELOAD_LIST);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LOWORD(g_commands[0]), IDM_RELOAD_LIST);
    // A check button toggles itself as well.
    click(bar, IDM_ONLINE);
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(LOWORD(g_commands[1]), IDM_ONLINE);
    EXPECT_EQ(commandbar_button_state(bar, IDM_ONLINE) & TBSTATE_CHECKED, TBSTATE_CHECKED);
}

// As on the handset, a tap anywhere on a drop-down button, its arrow or its
// face, asks the parent for the menu; none sends the button's command.
TEST_F(CommandBarTest, DropDownButtonNotifiesTheParentWhereverItIsTapped)
{
    HWND bar = list_bar();
    RECT r;
    ASSERT_TRUE(commandbar_button_rect(bar, IDM_SETTINGS_MENU, &r));
    const int middle = (r.top + r.bottom) / 2;
    const int arrow = r.right - 3, face = r.left + 3, centre = (r.left + r.right) / 2;
    for (int x : {arrow, face, centre}) {
        g_dropdowns.clear();
        LPARAM at = MAKELPARAM(x, middle);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(bar, WM_LBUTTONUP, 0, at);
        pump_until_idle();
        ASSERT_EQ(g_dropdowns.size(), 1u) << "x " << x - r.left << " of " << r.right - r.left;
        EXPECT_EQ(g_dropdowns[0], IDM_SETTINGS_MENU);
    }
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(CommandBarTest, ShowAndHide)
{
    HWND bar = list_bar();
    EXPECT_TRUE(IsWindowVisible(bar));
    commandbar_show(bar, false);
    EXPECT_FALSE(IsWindowVisible(bar));
    commandbar_show(bar, true);
    EXPECT_TRUE(IsWindowVisible(bar));
}

TEST_F(CommandBarTest, ThreadBarTakesEightImages)
{
    HINSTANCE inst = GetModuleHandleW(nullptr);
    HWND bar = commandbar_create(inst, parent, IDC_THREAD_TOOLBAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(commandbar_add_bitmap(bar, inst, IDB_THREAD_TOOLBAR, THREAD_TOOLBAR_IMAGES), 0);
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), THREAD_TOOLBAR_IMAGES);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
}

TEST_F(CommandBarTest, NotABarIsRefused)
{
    EXPECT_EQ(commandbar_height(parent), 0);
    EXPECT_EQ(commandbar_button_state(parent, IDM_ONLINE), -1);
    EXPECT_EQ(commandbar_add_bitmap(nullptr, nullptr, IDB_LIST_TOOLBAR, 5), -1);
    commandbar_destroy(parent);   // not a bar: left alone
    EXPECT_TRUE(IsWindow(parent));
}
