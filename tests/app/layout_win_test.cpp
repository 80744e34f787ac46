#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/layout_win.h"
#include "app/listkeys_win.h"
#include "app/searchboxes_win.h"
#include "app/selectors_win.h"
#include "app/startup_win.h"
#include "base/appstate.h"
#include "platform/commandbar.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "platform/softkeys_win.h"
#include "reader/threadentry.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/responses.h"
#include "store/settings.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {
void drain_messages()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        if (m.message != WM_QUIT) DispatchMessageW(&m);
}

// A child's rectangle in its parent's client coordinates.
RECT child_rect(HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string text_of(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

std::string rect_at(int x, int y, int width, int height) { return text_of(RECT{x, y, x + width, y + height}); }

std::wstring class_of(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    CharUpperW(name);
    return name;
}

bool menu_checked(HWND bar, UINT command)
{
    HMENU popup = softkey_bar_popup(bar, 0);
    return popup && (GetMenuState(popup, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The "設定" submenu of a menu bar's first popup.
HMENU settings_submenu(HWND bar)
{
    HMENU popup = softkey_bar_popup(bar, 0);
    for (int i = 0; popup && i < GetMenuItemCount(popup); ++i)
        if (HMENU sub = GetSubMenu(popup, i)) return sub;
    return nullptr;
}

std::wstring combo_item(HWND combo, int index)
{
    wchar_t text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

int selected_row(HWND view) { return ListView_GetNextItem(view, -1, LVNI_SELECTED); }

// What a window was created with, as the creating code asked for it.
struct Created {
    std::wstring cls;
    std::wstring text;
    int id;
    DWORD style;
    int x, y, width, height;
};
std::vector<Created> g_created;
HHOOK g_cbtHook = nullptr;

LRESULT CALLBACK record_creation(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
        int id = static_cast<int>(reinterpret_cast<INT_PTR>(cs->hMenu));
        if ((cs->style & WS_CHILD) && id >= 1001 && id <= 1007) {
            Created c{};
            if (!IS_INTRESOURCE(cs->lpszClass)) c.cls = cs->lpszClass;
            if (cs->lpszName) c.text = cs->lpszName;
            c.id = id;
            c.style = cs->style;
            c.x = cs->x;
            c.y = cs->y;
            c.width = cs->cx;
            c.height = cs->cy;
            g_created.push_back(c);
        }
    }
    return CallNextHookEx(g_cbtHook, code, wp, lp);
}

// The sizes the windows are given while it lives (a drop-down list reports
// only its closed height afterwards).
struct SizeRecord {
    HWND hwnd;
    int width, height;
};
std::vector<SizeRecord> g_sizes;
HHOOK g_sizeHook = nullptr;

LRESULT CALLBACK record_sizes(int code, WPARAM wp, LPARAM lp)
{
    const CWPSTRUCT* m = reinterpret_cast<CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGING) {
        const WINDOWPOS* pos = reinterpret_cast<WINDOWPOS*>(m->lParam);
        if (!(pos->flags & SWP_NOSIZE)) g_sizes.push_back(SizeRecord{m->hwnd, pos->cx, pos->cy});
    }
    return CallNextHookEx(g_sizeHook, code, wp, lp);
}

class SizeRecorder {
public:
    SizeRecorder()
    {
        g_sizes.clear();
        g_sizeHook = SetWindowsHookExW(WH_CALLWNDPROC, record_sizes, nullptr, GetCurrentThreadId());
    }
    ~SizeRecorder()
    {
        if (g_sizeHook) UnhookWindowsHookEx(g_sizeHook);
        g_sizeHook = nullptr;
    }
    // The first size `hwnd` was given, as "width x height" (a drop-down list
    // then sizes itself to its closed height).
    static std::string first(HWND hwnd)
    {
        for (auto it = g_sizes.begin(); it != g_sizes.end(); ++it)
            if (it->hwnd == hwnd) return std::to_string(it->width) + " x " + std::to_string(it->height);
        return "none";
    }
};

// The real main window, created in-process with the whole creation sequence
// in a program folder of its own.
class MainWindowLayout : public testing::Test {
protected:
    void SetUp() override
    {
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
        savedBoards = BoardTable;
        savedCategories = CategoryTable;
        platform_parse_command_line(L"");
        exe = sjis_to_wide(dir.file("quorvex.exe"));
        settings_set_module_path(exe.c_str());
        ASSERT_TRUE(RegisterMainWindowClass(GetModuleHandleW(nullptr)));
    }

    void TearDown() override
    {
        forget_thread();
        if (AppState.hwndMain && IsWindow(AppState.hwndMain)) DestroyWindow(AppState.hwndMain);
        drain_messages();
        settings_set_module_path(nullptr);
        platform_parse_command_line(L"");
        BoardTable = savedBoards;
        CategoryTable = savedCategories;
        Settings = SettingsRecord{};
        AppState = AppStateRecord{};
    }

    // Starts the program as `switches` say ("/smartphone", "/vga") with the
    // given settings file lines.
    HWND start(const wchar_t* switches = L"", const std::string& ini = "")
    {
        platform_parse_command_line(switches);
        AppState.DeviceKind = DetermineDeviceKind();
        if (!ini.empty()) write_file_bytes(dir.file("quorvex.ini"), ini);
        g_created.clear();
        g_cbtHook = SetWindowsHookExW(WH_CBT, record_creation, nullptr, GetCurrentThreadId());
        HWND main = CreateMainWindow(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
        if (g_cbtHook) UnhookWindowsHookEx(g_cbtHook);
        g_cbtHook = nullptr;
        drain_messages();
        return main;
    }

    // Rows of the thread list, as a load would leave them.
    void set_rows(const std::vector<std::wstring>& titles)
    {
        delete_thread_list();
        create_thread_list();
        for (const std::wstring& t : titles)
            ProcessThreadList->add(std::make_unique<ThreadEntry>(0, t, 1, -1, L"1.dat", nullptr, 0));
        ListView_SetItemCountEx(AppState.threadListView, ProcessThreadList->count(), 0);
    }

    void select(int row)
    {
        HWND view = AppState.threadListView;
        ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0) ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    // An open thread made by hand: one display line per text, `top` the line
    // at the top of the view.
    void open_lines(const std::vector<std::string>& texts, int32_t top)
    {
        ASSERT_NE(OpenThreadTable.entries, nullptr);
        ASSERT_NE(OpenThreadTable.scroll, nullptr);
        storage = texts;
        lines.assign(texts.size(), ResponseLine{});
        for (size_t i = 0; i < texts.size(); ++i)
            lines[i] = ResponseLine{static_cast<int32_t>(i + 1), BodyLine, static_cast<int32_t>(storage[i].size()),
                                    storage[i].data()};
        ResponseBuffer& e = OpenThreadTable.entries[0];
        e = ResponseBuffer{};
        e.lines = lines.data();
        e.lineCount = static_cast<int32_t>(lines.size());
        OpenThreadTable.count = 1;
        OpenThreadTable.current = 0;
        OpenThreadTable.scroll[0].nPos = top;
    }

    int32_t top_line() const { return OpenThreadTable.scroll[0].nPos; }

    // The hand-made thread is not the table's to free.
    void forget_thread()
    {
        if (!lines.empty() && OpenThreadTable.entries) OpenThreadTable.entries[0] = ResponseBuffer{};
        if (!lines.empty()) {
            OpenThreadTable.count = 0;
            OpenThreadTable.current = -1;
        }
        lines.clear();
    }

    TempDir dir;
    std::wstring exe;
    BoardArray savedBoards{};
    CategoryArray savedCategories{};
    std::vector<std::string> storage;
    std::vector<ResponseLine> lines;
};

int toolbar_height() { return commandbar_height(AppState.ListToolbar); }
int menubar_height()
{
    RECT r{};
    GetWindowRect(AppState.ListMenuBar, &r);
    return r.bottom - r.top;
}
}  // namespace

// ---- creation ----

TEST_F(MainWindowLayout, ChildWindowsWithTheirClassesTextsAndIds)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int bottom = 320 - menubar_height();
    const DWORD selector = WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_HASSTRINGS | CBS_DROPDOWNLIST;
    const DWORD box = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
    // In the order of the creation sequence (the two views have their own
    // tests): response search box, open-thread selector, the two selectors,
    // thread search box.
    std::vector<Created> mine;
    for (const Created& c : g_created)
        if (c.id != IDC_THREAD_LIST && c.id != IDC_RESPONSE_VIEW) mine.push_back(c);
    ASSERT_EQ(mine.size(), 5u);
    struct Expected {
        const wchar_t* cls;
        const wchar_t* text;
        int id;
        DWORD style;
        int x, y, width, height;
    } expected[] = {
        {L"EDIT", L"", 1007, box, 0, bottom - h, 240, h},
        {L"COMBOBOX", L"SureList", 1003, selector, 0, h, 236, bottom - h},
        {L"COMBOBOX", L"Category", 1001, selector, 0, h, 118, bottom - h},
        {L"COMBOBOX", L"Ita", 1002, selector, 119, h, 118, bottom - h},
        {L"EDIT", L"", 1006, box, 0, bottom - h, 236, h},
    };
    for (size_t i = 0; i < 5; ++i) {
        const Created& c = mine[i];
        const Expected& e = expected[i];
        EXPECT_EQ(c.cls, e.cls) << i;
        EXPECT_EQ(c.text, e.text) << i;
        EXPECT_EQ(c.id, e.id) << i;
        EXPECT_EQ(c.style, e.style) << i;
        EXPECT_EQ(text_of(RECT{c.x, c.y, c.x + c.width, c.y + c.height}), rect_at(e.x, e.y, e.width, e.height)) << i;
    }
    HWND windows[] = {AppState.ResponseSearchBox, AppState.OpenThreadSelector, AppState.CategorySelector,
                      AppState.BoardSelector, AppState.ThreadSearchBox};
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_NE(windows[i], nullptr);
        EXPECT_EQ(GetParent(windows[i]), main);
        EXPECT_EQ(GetDlgCtrlID(windows[i]), expected[i].id);
        EXPECT_EQ(class_of(windows[i]), expected[i].cls);
    }
    EXPECT_EQ(SendMessageW(AppState.ThreadSearchBox, EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(SendMessageW(AppState.ResponseSearchBox, EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(GetDlgCtrlID(AppState.threadListView), 1004);
    EXPECT_EQ(GetDlgCtrlID(AppState.responseView), 1005);
}

TEST_F(MainWindowLayout, SearchBoxTakesAtMost255Characters)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    HWND box = AppState.ThreadSearchBox;
    for (int i = 0; i < 300; ++i) SendMessageW(box, WM_CHAR, L'a' + i % 26, 1);
    EXPECT_EQ(GetWindowTextLengthW(box), 255);
}

// ---- layout on a Pocket PC ----

TEST_F(MainWindowLayout, PocketPCListModeRectangles)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    ASSERT_GT(h, 0);
    EXPECT_EQ(m, kSoftKeyBarHeight);
    EXPECT_EQ(AppState.barHeight, h);
    EXPECT_EQ(AppState.selectorWidth, 118);   // 240 / 2 - 2
    EXPECT_EQ(text_of(AppState.contentRect), text_of(RECT{0, h, 240, 320 - m}));
    EXPECT_EQ(text_of(AppState.listRect), text_of(RECT{0, h, 240, 320 - m}));
    EXPECT_EQ(text_of(AppState.threadRect), text_of(RECT{0, 2 * h, 240, 320 - m}));

    EXPECT_EQ(AppState.view, ListMode);
    EXPECT_EQ(AppState.currentToolbar, AppState.ListToolbar);
    EXPECT_TRUE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_TRUE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadMenuBar));
    EXPECT_TRUE(IsWindowVisible(AppState.CategorySelector));
    EXPECT_TRUE(IsWindowVisible(AppState.BoardSelector));
    EXPECT_TRUE(IsWindowVisible(AppState.threadListView));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_FALSE(IsWindowVisible(AppState.OpenThreadSelector));
    EXPECT_FALSE(IsWindowVisible(AppState.responseView));
    EXPECT_FALSE(IsWindowVisible(AppState.ResponseSearchBox));

    RECT cat = child_rect(AppState.CategorySelector);
    RECT board = child_rect(AppState.BoardSelector);
    EXPECT_EQ(cat.left, 0);
    EXPECT_EQ(cat.top, h);
    EXPECT_EQ(cat.right, 118);
    EXPECT_EQ(board.left, 119);
    EXPECT_EQ(board.top, h);
    EXPECT_EQ(board.right, 237);
    // A drop-down list's height holds its list: it reaches the list bottom.
    {
        SizeRecorder sizes;
        ApplyLayout();
        EXPECT_EQ(SizeRecorder::first(AppState.CategorySelector), "118 x " + std::to_string(320 - m - h));
        EXPECT_EQ(SizeRecorder::first(AppState.BoardSelector), "118 x " + std::to_string(320 - m - h));
        // The other view's windows keep their place.
        EXPECT_EQ(SizeRecorder::first(AppState.OpenThreadSelector), "none");
        EXPECT_EQ(SizeRecorder::first(AppState.responseView), "none");
    }
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, 320 - m - 2 * h));
    EXPECT_EQ(text_of(child_rect(AppState.ThreadSearchBox)), rect_at(0, 320 - m - h, 236, h));
    EXPECT_EQ(GetFocus(), AppState.threadListView);
}

TEST_F(MainWindowLayout, PocketPCThreadModeRectangles)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    AppState.view = ThreadMode;
    {
        SizeRecorder sizes;
        ApplyLayout();
        EXPECT_EQ(SizeRecorder::first(AppState.OpenThreadSelector), "236 x " + std::to_string(320 - m - h));
        EXPECT_EQ(SizeRecorder::first(AppState.CategorySelector), "none");
        EXPECT_EQ(SizeRecorder::first(AppState.threadListView), "none");
    }
    EXPECT_EQ(AppState.currentToolbar, AppState.ThreadToolbar);
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.CategorySelector));
    EXPECT_FALSE(IsWindowVisible(AppState.BoardSelector));
    EXPECT_FALSE(IsWindowVisible(AppState.threadListView));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_TRUE(IsWindowVisible(AppState.OpenThreadSelector));
    EXPECT_TRUE(IsWindowVisible(AppState.responseView));
    EXPECT_FALSE(IsWindowVisible(AppState.ResponseSearchBox));

    RECT sel = child_rect(AppState.OpenThreadSelector);
    EXPECT_EQ(sel.left, 0);
    EXPECT_EQ(sel.top, h);
    EXPECT_EQ(sel.right, 236);
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, 2 * h, 240, 320 - m - 2 * h));
    EXPECT_EQ(text_of(child_rect(AppState.ResponseSearchBox)), rect_at(0, 320 - m - h, 240, h));
    EXPECT_EQ(GetFocus(), AppState.responseView);

    // And back: the list view's windows where they were.
    AppState.view = ListMode;
    ApplyLayout();
    EXPECT_EQ(AppState.currentToolbar, AppState.ListToolbar);
    EXPECT_TRUE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.responseView));
    EXPECT_FALSE(IsWindowVisible(AppState.OpenThreadSelector));
    EXPECT_TRUE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadMenuBar));
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, 320 - m - 2 * h));
    EXPECT_EQ(GetFocus(), AppState.threadListView);
}

TEST_F(MainWindowLayout, ToolBarOffPutsTheSelectorsAtTheTop)
{
    ReportCapture capture;
    HWND main = start(L"", "ToolBarVisible: 0\r\n");
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(Settings.ToolBarVisible, 0);
    const int h = toolbar_height();
    const int m = menubar_height();
    // The rectangles still keep the bar's row; only the windows move up.
    EXPECT_EQ(text_of(AppState.contentRect), text_of(RECT{0, h, 240, 320 - m}));
    EXPECT_FALSE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_EQ(child_rect(AppState.CategorySelector).top, 0);
    EXPECT_EQ(child_rect(AppState.BoardSelector).top, 0);
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, h, 240, 320 - m - h));

    AppState.view = ThreadMode;
    ApplyLayout();
    EXPECT_FALSE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_EQ(child_rect(AppState.OpenThreadSelector).top, 0);
    // The thread rectangle's bottom is the content's: h below the top, less
    // nothing more.
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, h, 240, 320 - m - h));
}

// ---- layout on a Smartphone ----

TEST_F(MainWindowLayout, SmartphoneBothViewsWithoutCommandBar)
{
    ReportCapture capture;
    HWND main = start(L"/smartphone");
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(AppState.DeviceKind, DeviceSmartphone);
    const int h = toolbar_height();
    const int m = menubar_height();
    ASSERT_GT(h, 0);
    // The shell's bar lies outside a Smartphone program's window: the program
    // sees a client area that ends above it and takes nothing more off.
    const int bottom = 320 - m;
    EXPECT_EQ(text_of(AppState.contentRect), text_of(RECT{0, h, 240, bottom}));
    EXPECT_EQ(text_of(AppState.threadRect), text_of(RECT{0, 2 * h, 240, bottom}));
    EXPECT_FALSE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_TRUE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_EQ(child_rect(AppState.CategorySelector).top, 0);
    EXPECT_EQ(child_rect(AppState.BoardSelector).left, 119);
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, h, 240, bottom - h));
    EXPECT_EQ(text_of(child_rect(AppState.ThreadSearchBox)), rect_at(0, bottom - h, 236, h));

    AppState.view = ThreadMode;
    ApplyLayout();
    EXPECT_FALSE(IsWindowVisible(AppState.ListToolbar));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadToolbar));
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadMenuBar));
    EXPECT_FALSE(IsWindowVisible(AppState.ListMenuBar));
    EXPECT_EQ(AppState.currentToolbar, AppState.ThreadToolbar);
    EXPECT_EQ(child_rect(AppState.OpenThreadSelector).top, 0);
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, h, 240, bottom - h));
    EXPECT_EQ(text_of(child_rect(AppState.ResponseSearchBox)), rect_at(0, bottom - h, 240, h));
}

// Nothing the user reads or types in lies under the soft-key bar, on either
// kind of handset, at either screen size, in either view, with the search
// box shown.
TEST_F(MainWindowLayout, NothingLiesUnderTheSoftKeyBar)
{
    for (const wchar_t* switches : {L"", L"/vga", L"/smartphone", L"/smartphone /vga"}) {
        SCOPED_TRACE(testing::Message() << "switches \"" << wide_to_utf8(switches) << "\"");
        ReportCapture capture;
        HWND main = start(switches, "Flag: 4\r\n");
        ASSERT_NE(main, nullptr);
        for (int32_t view : {ListMode, ThreadMode}) {
            AppState.view = view;
            ApplyLayout();
            HWND bar = view == ListMode ? AppState.ListMenuBar : AppState.ThreadMenuBar;
            ASSERT_TRUE(IsWindowVisible(bar));
            const RECT barRect = child_rect(bar);
            ASSERT_GT(barRect.bottom - barRect.top, 0);
            for (HWND child : {AppState.CategorySelector, AppState.BoardSelector, AppState.threadListView,
                               AppState.ThreadSearchBox, AppState.OpenThreadSelector, AppState.responseView,
                               AppState.ResponseSearchBox}) {
                if (!IsWindowVisible(child)) continue;
                const RECT r = child_rect(child);
                RECT overlap;
                EXPECT_FALSE(IntersectRect(&overlap, &r, &barRect))
                    << wide_to_utf8(class_of(child)) << " " << text_of(r) << " meets the bar " << text_of(barRect);
            }
        }
        DestroyWindow(main);
        drain_messages();
        AppState = AppStateRecord{};
        Settings = SettingsRecord{};
    }
}

TEST_F(MainWindowLayout, NewSizeIsLaidOutAfterTheSettingChange)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    // A turn of the screen: the client becomes 320 x 240.
    RECT frame{0, 0, 320, 240};
    AdjustWindowRectEx(&frame, GetWindowLongW(main, GWL_STYLE), FALSE, GetWindowLongW(main, GWL_EXSTYLE));
    SetWindowPos(main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    drain_messages();
    RECT client;
    GetClientRect(main, &client);
    ASSERT_EQ(client.right, 320);
    ASSERT_EQ(client.bottom, 240);
    // The size change only recomputes the rectangles: the windows stay.
    EXPECT_EQ(AppState.selectorWidth, 158);
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, 320 - m - 2 * h));
    // The setting change 0x3002 places them.
    SendMessageW(main, WM_SETTINGCHANGE, 0x3002, 0);
    EXPECT_EQ(AppState.selectorWidth, 158);
    EXPECT_EQ(text_of(AppState.contentRect), text_of(RECT{0, h, 320, 240 - m}));
    RECT board = child_rect(AppState.BoardSelector);
    EXPECT_EQ(board.left, 159);
    EXPECT_EQ(board.right, 317);
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 320, 240 - m - 2 * h));
    EXPECT_EQ(text_of(child_rect(AppState.ThreadSearchBox)), rect_at(0, 240 - m - h, 316, h));
    AppState.view = ThreadMode;
    ApplyLayout();
    EXPECT_EQ(child_rect(AppState.OpenThreadSelector).right, 316);
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, 2 * h, 320, 240 - m - 2 * h));
    EXPECT_EQ(text_of(child_rect(AppState.ResponseSearchBox)), rect_at(0, 240 - m - h, 320, h));
}

// ---- search boxes ----

TEST_F(MainWindowLayout, SearchBoxShowsWhileFocusedAndShrinksTheList)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    const int listHeight = 320 - m - 2 * h;
    EXPECT_EQ(AppState.SearchBoxShown, 0);

    SetFocus(AppState.ThreadSearchBox);
    EXPECT_EQ(GetFocus(), AppState.ThreadSearchBox);
    EXPECT_EQ(AppState.SearchBoxShown, 1);
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_EQ(text_of(child_rect(AppState.ThreadSearchBox)), rect_at(0, 320 - m - h, 236, h));
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, listHeight - h));

    // Leaving it for another window of the main window: hidden, the list
    // whole again and focused.
    SetFocus(AppState.CategorySelector);
    EXPECT_EQ(AppState.SearchBoxShown, 0);
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, listHeight));
    EXPECT_EQ(GetFocus(), AppState.threadListView);
}

TEST_F(MainWindowLayout, SwitchingViewsFromTheSearchBoxHidesIt)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    SetFocus(AppState.ThreadSearchBox);
    ASSERT_EQ(AppState.SearchBoxShown, 1);
    AppState.view = ThreadMode;
    ApplyLayout();
    EXPECT_EQ(AppState.SearchBoxShown, 0);
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_FALSE(IsWindowVisible(AppState.ResponseSearchBox));
    EXPECT_FALSE(IsWindowVisible(AppState.threadListView));
    EXPECT_TRUE(IsWindowVisible(AppState.responseView));
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, 2 * h, 240, 320 - m - 2 * h));
    EXPECT_EQ(GetFocus(), AppState.responseView);
}

TEST_F(MainWindowLayout, FocusLeavingForAnotherWindowIsNotTakenBack)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    SetFocus(AppState.ThreadSearchBox);
    ASSERT_EQ(AppState.SearchBoxShown, 1);
    // A dialog of its own, as a modeless one would stand.
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 10, 10, 100, 24, main, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetFocus(other);
    EXPECT_EQ(GetFocus(), other);
    EXPECT_EQ(AppState.SearchBoxShown, 0);
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadSearchBox));
    DestroyWindow(other);
}

TEST_F(MainWindowLayout, ResponseSearchBoxShowsWhileFocused)
{
    ReportCapture capture;
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    AppState.view = ThreadMode;
    ApplyLayout();
    SetFocus(AppState.ResponseSearchBox);
    EXPECT_EQ(AppState.SearchBoxShown, 1);
    EXPECT_TRUE(IsWindowVisible(AppState.ResponseSearchBox));
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, 2 * h, 240, 320 - m - 3 * h));
    // Up arrow goes back to the view; the box hides.
    SendMessageW(AppState.ResponseSearchBox, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    EXPECT_EQ(AppState.SearchBoxShown, 0);
    EXPECT_FALSE(IsWindowVisible(AppState.ResponseSearchBox));
    EXPECT_EQ(text_of(child_rect(AppState.responseView)), rect_at(0, 2 * h, 240, 320 - m - 2 * h));
    // Tab likewise.
    SetFocus(AppState.ResponseSearchBox);
    EXPECT_EQ(AppState.SearchBoxShown, 1);
    SendMessageW(AppState.ResponseSearchBox, WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(GetFocus(), AppState.responseView);
    EXPECT_EQ(AppState.SearchBoxShown, 0);
}

TEST_F(MainWindowLayout, FlagBitTwoKeepsTheSearchBoxShown)
{
    ReportCapture capture;
    HWND main = start(L"", "Flag: 4\r\n");
    ASSERT_NE(main, nullptr);
    const int h = toolbar_height();
    const int m = menubar_height();
    EXPECT_EQ(AppState.SearchBoxShown, 1);
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, 320 - m - 3 * h));
    SetFocus(AppState.ThreadSearchBox);
    SetFocus(AppState.threadListView);
    EXPECT_EQ(GetFocus(), AppState.threadListView);
    EXPECT_EQ(AppState.SearchBoxShown, 1);
    EXPECT_TRUE(IsWindowVisible(AppState.ThreadSearchBox));
    EXPECT_EQ(text_of(child_rect(AppState.threadListView)), rect_at(0, 2 * h, 240, 320 - m - 3 * h));
    // Also in the other view.
    AppState.view = ThreadMode;
    ApplyLayout();
    EXPECT_TRUE(IsWindowVisible(AppState.ResponseSearchBox));
    EXPECT_FALSE(IsWindowVisible(AppState.ThreadSearchBox));
}

TEST_F(MainWindowLayout, EnterInTheThreadSearchBoxFindsATitle)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    set_rows({L"one", L"two", L"Three"});
    select(-1);
    SetFocus(AppState.ThreadSearchBox);
    SetWindowTextW(AppState.ThreadSearchBox, L"three");
    SendMessageW(AppState.ThreadSearchBox, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(selected_row(AppState.threadListView), 2);
    // The box keeps the focus and its text.
    EXPECT_EQ(GetFocus(), AppState.ThreadSearchBox);
    EXPECT_EQ(GetWindowTextLengthW(AppState.ThreadSearchBox), 5);
    // An empty box searches nothing.
    select(0);
    SetWindowTextW(AppState.ThreadSearchBox, L"");
    SendMessageW(AppState.ThreadSearchBox, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(selected_row(AppState.threadListView), 0);
}

// ---- title search ----

TEST_F(MainWindowLayout, TitleSearchWrapsAndSkipsTheSelectedRow)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    HWND view = AppState.threadListView;
    set_rows({L"Alpha foo", L"beta", L"FOO gamma", L"delta", L"ｆｏｏ全角"});
    select(2);
    SearchThreadList(L"foo");
    EXPECT_EQ(selected_row(view), 0);   // wrapped past the end
    EXPECT_EQ(ListView_GetItemState(view, 0, LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
    EXPECT_EQ(ListView_GetSelectedCount(view), 1u);
    SearchThreadList(L"FOO");
    EXPECT_EQ(selected_row(view), 2);
    SearchThreadList(L"ＦＯＯ");
    EXPECT_EQ(selected_row(view), 4);
    // Text only the selected row holds is not found: the selection stays.
    select(1);
    SearchThreadList(L"beta");
    EXPECT_EQ(selected_row(view), 1);
    EXPECT_EQ(ListView_GetSelectedCount(view), 1u);
}

TEST_F(MainWindowLayout, TitleSearchWithoutMatchChangesNothing)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    HWND view = AppState.threadListView;
    set_rows({L"Alpha", L"beta"});
    select(-1);
    SearchThreadList(L"zzz");
    EXPECT_EQ(selected_row(view), -1);
    select(1);
    SearchThreadList(L"zzz");
    EXPECT_EQ(selected_row(view), 1);
    // Without a selection the first row is a candidate too.
    select(-1);
    SearchThreadList(L"alpha");
    EXPECT_EQ(selected_row(view), 0);
    // An empty list: nothing at all.
    set_rows({});
    SearchThreadList(L"alpha");
    EXPECT_EQ(selected_row(view), -1);
}

TEST_F(MainWindowLayout, TitleSearchScrollsTheFoundRowIntoView)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    HWND view = AppState.threadListView;
    std::vector<std::wstring> titles;
    for (int i = 0; i < 100; ++i) titles.push_back(L"row " + std::to_wstring(i));
    titles[80] = L"target below";
    titles[5] = L"target above";
    set_rows(titles);
    select(0);
    ListView_EnsureVisible(view, 0, FALSE);
    ASSERT_EQ(ListView_GetTopIndex(view), 0);
    RECT client;
    GetClientRect(view, &client);

    SearchThreadList(L"below");
    ASSERT_EQ(selected_row(view), 80);
    RECT row{};
    ListView_GetItemRect(view, 80, &row, LVIR_BOUNDS);
    EXPECT_GT(ListView_GetTopIndex(view), 0);
    EXPECT_LE(row.bottom, client.bottom);   // wholly in sight
    EXPECT_GE(row.top, client.top);

    SearchThreadList(L"above");
    ASSERT_EQ(selected_row(view), 5);
    ListView_GetItemRect(view, 5, &row, LVIR_BOUNDS);
    EXPECT_GE(row.top, client.top);
    EXPECT_LE(row.bottom, client.bottom);
    // Scrolled up by the row's distance from the client top plus one row;
    // the header row takes the place of the row before it.
    RECT header{};
    GetWindowRect(ListView_GetHeader(view), &header);
    EXPECT_GE(row.top, header.bottom - header.top);
    EXPECT_LE(ListView_GetTopIndex(view), 5);
}

// ---- thread search ----

TEST_F(MainWindowLayout, ThreadSearchStartsBelowTheTopLineAndDoesNotWrap)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    AppState.view = ThreadMode;
    ApplyLayout();
    open_lines({"needle at the start", "x", "the top line has the needle", "nothing", "a Needle in capitals",
                "needle again", "tail"},
               2);
    SearchThread(L"needle");
    EXPECT_EQ(top_line(), 5);   // not the top line itself, not the capitals
    SearchThread(L"needle");
    EXPECT_EQ(top_line(), 5);   // nothing further: no wrap to line 0
    SearchThread(L"start");
    EXPECT_EQ(top_line(), 5);   // only above the top line
    SearchThread(L"tail");
    EXPECT_EQ(top_line(), 6);
}

TEST_F(MainWindowLayout, ThreadSearchInCodePage932)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    AppState.view = ThreadMode;
    ApplyLayout();
    // "スレ立て" and "アB": the second byte of "ア" is "A".
    open_lines({"top", utf8_to_sjis("\xe3\x82\xa2") + "B", utf8_to_sjis("\xe3\x81\x93\xe3\x81\xae\xe3\x82\xb9\xe3\x83\xac\xe7\xab\x8b\xe3\x81\xa6"), "AB"},
               0);
    SearchThread(L"スレ立て");
    EXPECT_EQ(top_line(), 2);
    open_lines({"top", utf8_to_sjis("\xe3\x82\xa2") + "B", "AB"}, 0);
    SearchThread(L"AB");
    EXPECT_EQ(top_line(), 2);   // not inside the double-byte character
}

TEST_F(MainWindowLayout, EnterInTheResponseSearchBoxSearchesTheThread)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    AppState.view = ThreadMode;
    ApplyLayout();
    open_lines({"a", "b", "c", "find me"}, 0);
    SetFocus(AppState.ResponseSearchBox);
    SetWindowTextW(AppState.ResponseSearchBox, L"find");
    SendMessageW(AppState.ResponseSearchBox, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(top_line(), 3);
}

TEST_F(MainWindowLayout, ThreadSearchWithoutLinesDoesNothing)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    ASSERT_EQ(OpenThreadTable.current, -1);
    SearchThread(L"anything");
    EXPECT_EQ(OpenThreadTable.current, -1);
    // A thread emptied for its reload: its position stays.
    open_lines({"a", "b", "anything"}, 0);
    OpenThreadTable.entries[0].lines = nullptr;
    SearchThread(L"anything");
    EXPECT_EQ(top_line(), 0);
    // A position past the end finds nothing and stays.
    open_lines({"a", "anything"}, 9);
    SearchThread(L"anything");
    EXPECT_EQ(top_line(), 9);
    open_lines({"anything", "anything"}, -3);
    SearchThread(L"anything");
    EXPECT_EQ(top_line(), 1);   // a negative position stands for line 0
}

// ---- list view keys ----

TEST_F(MainWindowLayout, LeftAndRightPageThroughTheList)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    HWND view = AppState.threadListView;
    std::vector<std::wstring> titles;
    for (int i = 0; i < 100; ++i) titles.push_back(L"row " + std::to_wstring(i));
    set_rows(titles);
    SetFocus(view);

    auto after = [&](int from, WPARAM key) {
        select(from);
        ListView_EnsureVisible(view, from, FALSE);
        SendMessageW(view, WM_KEYDOWN, key, 1);
        SendMessageW(view, WM_KEYUP, key, 0xC0000001);
        return ListView_GetNextItem(view, -1, LVNI_FOCUSED);
    };
    int pageDown = after(0, VK_NEXT);
    ASSERT_GT(pageDown, 1);
    EXPECT_EQ(after(0, VK_RIGHT), pageDown);
    int pageUp = after(50, VK_PRIOR);
    ASSERT_LT(pageUp, 49);
    EXPECT_EQ(after(50, VK_LEFT), pageUp);
    // Other keys pass unchanged.
    EXPECT_EQ(after(10, VK_DOWN), 11);
}

// ---- online state and check marks ----

TEST_F(MainWindowLayout, OnlineStateOnTheButtonAndBothMenuBars)
{
    ReportCapture capture;
    ASSERT_NE(start(L"", "LineOnOff: 1\r\n"), nullptr);
    EXPECT_EQ(commandbar_button_state(AppState.ListToolbar, IDM_ONLINE), TBSTATE_ENABLED | TBSTATE_CHECKED);
    EXPECT_TRUE(menu_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_TRUE(menu_checked(AppState.ThreadMenuBar, IDM_ONLINE));

    ShowOnlineState(0);
    EXPECT_EQ(commandbar_button_state(AppState.ListToolbar, IDM_ONLINE), TBSTATE_ENABLED);
    EXPECT_FALSE(menu_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_FALSE(menu_checked(AppState.ThreadMenuBar, IDM_ONLINE));

    // The thread view's bar becomes current and shows the setting.
    Settings.LineOnOff = 1;
    AppState.view = ThreadMode;
    ApplyLayout();
    EXPECT_EQ(commandbar_button_state(AppState.ThreadToolbar, IDM_ONLINE), TBSTATE_ENABLED | TBSTATE_CHECKED);
    ShowOnlineState(0);
    EXPECT_EQ(commandbar_button_state(AppState.ThreadToolbar, IDM_ONLINE), TBSTATE_ENABLED);
    EXPECT_FALSE(menu_checked(AppState.ThreadMenuBar, IDM_ONLINE));
}

TEST_F(MainWindowLayout, OnlineStateStartsUncheckedWhenOffline)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(commandbar_button_state(AppState.ListToolbar, IDM_ONLINE), TBSTATE_ENABLED);
    EXPECT_FALSE(menu_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_FALSE(menu_checked(AppState.ThreadMenuBar, IDM_ONLINE));
    ShowOnlineState(1);
    EXPECT_EQ(commandbar_button_state(AppState.ListToolbar, IDM_ONLINE), TBSTATE_ENABLED | TBSTATE_CHECKED);
    EXPECT_TRUE(menu_checked(AppState.ListMenuBar, IDM_ONLINE));
    EXPECT_TRUE(menu_checked(AppState.ThreadMenuBar, IDM_ONLINE));
}

TEST_F(MainWindowLayout, MenuBarCheckFindsItemsInSubmenus)
{
    ReportCapture capture;
    ASSERT_NE(start(L"", "LogOnlyMode: 1\r\n"), nullptr);
    // Set at start from the setting: 1042 stands in the first popup of menu 1.
    EXPECT_TRUE(menu_checked(AppState.ListMenuBar, IDM_LOG_ONLY));
    EXPECT_FALSE(menu_checked(AppState.ThreadMenuBar, IDM_LOG_ONLY));

    HMENU sub = settings_submenu(AppState.ListMenuBar);
    ASSERT_NE(sub, nullptr);
    SetMenuBarCheck(AppState.ListMenuBar, IDM_THREAD_MAX, true);
    EXPECT_TRUE(GetMenuState(sub, IDM_THREAD_MAX, MF_BYCOMMAND) & MF_CHECKED);
    SetMenuBarCheck(AppState.ListMenuBar, IDM_THREAD_MAX, false);
    EXPECT_FALSE(GetMenuState(sub, IDM_THREAD_MAX, MF_BYCOMMAND) & MF_CHECKED);
    SetMenuBarCheck(AppState.ListMenuBar, IDM_LOG_ONLY, false);
    EXPECT_FALSE(menu_checked(AppState.ListMenuBar, IDM_LOG_ONLY));
    // No bar: nothing to do, no failure.
    SetMenuBarCheck(nullptr, IDM_ONLINE, true);
}

// ---- selectors ----

TEST_F(MainWindowLayout, SelectorsFilledFromTheBoardTable)
{
    ReportCapture capture;
    ASSERT_NE(start(), nullptr);
    static BoardEntry boards[6];
    std::memset(boards, 0, sizeof boards);
    const wchar_t* names[] = {L"お気に入り", L"ニュース速報", L"芸スポ", L"プログラム", L"ハード", L"モバイル"};
    for (int i = 0; i < 6; ++i) wcscpy(boards[i].name, names[i]);
    // A name that fills its field to the last unit without a terminator.
    for (int i = 0; i < kBoardFieldUnits; ++i) boards[5].name[i] = L'x';
    BoardTable.items = boards;
    BoardTable.count = 6;
    BoardTable.capacity = 6;
    CategoryTable = CategoryArray{};
    wcscpy(CategoryTable.items[0].name, L"お気に入り");
    CategoryTable.items[0] = Category{{}, 0, 0};
    wcscpy(CategoryTable.items[0].name, L"お気に入り");
    CategoryTable.items[1] = Category{{}, 1, 2};
    wcscpy(CategoryTable.items[1].name, L"ニュース");
    CategoryTable.items[2] = Category{{}, 3, 5};
    wcscpy(CategoryTable.items[2].name, L"PC等");
    CategoryTable.items[3] = Category{{}, 4, 3};   // first above last: no boards
    wcscpy(CategoryTable.items[3].name, L"空");
    CategoryTable.lastCategory = 3;

    HWND cat = AppState.CategorySelector;
    HWND board = AppState.BoardSelector;
    FillCategorySelector();
    ASSERT_EQ(SendMessageW(cat, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(combo_item(cat, 0), L"お気に入り");
    EXPECT_EQ(combo_item(cat, 1), L"ニュース");
    EXPECT_EQ(combo_item(cat, 2), L"PC等");
    EXPECT_EQ(combo_item(cat, 3), L"空");

    FillBoardSelector(1);
    ASSERT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(combo_item(board, 0), L"ニュース速報");
    EXPECT_EQ(combo_item(board, 1), L"芸スポ");
    FillBoardSelector(2);
    ASSERT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(combo_item(board, 0), L"プログラム");
    EXPECT_EQ(combo_item(board, 2), std::wstring(kBoardFieldUnits - 1, L'x'));
    FillBoardSelector(3);
    EXPECT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 0);
    FillBoardSelector(0);
    EXPECT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 1);
    // Categories outside the table, and a range past the boards' end.
    FillBoardSelector(4);
    EXPECT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 0);
    FillBoardSelector(-1);
    EXPECT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 0);
    CategoryTable.items[2].last = 40;
    FillBoardSelector(2);
    EXPECT_EQ(SendMessageW(board, CB_GETCOUNT, 0, 0), 3);

    // Emptied again by a table without categories.
    CategoryTable.lastCategory = -1;
    FillCategorySelector();
    EXPECT_EQ(SendMessageW(cat, CB_GETCOUNT, 0, 0), 0);
}
