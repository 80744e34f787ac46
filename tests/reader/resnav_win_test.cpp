#include "tests/reader/viewfixture_win.h"

#include <functional>

#include "platform/commandbar.h"

namespace {

// Runs `act` once on the next timer tick of the thread, inside whatever modal
// loop (dialog or menu) is running by then.
std::function<void()>& pending_action()
{
    static std::function<void()> action;
    return action;
}

UINT_PTR g_timer = 0;

void CALLBACK run_pending(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_timer = 0;
    auto act = std::move(pending_action());
    pending_action() = nullptr;
    if (act) act();
}

void when_modal(std::function<void()> act, UINT delay = 50)
{
    pending_action() = std::move(act);
    g_timer = SetTimer(nullptr, 0, delay, run_pending);
}

void drop_pending()
{
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
    pending_action() = nullptr;
}

HWND find_dialog(const wchar_t* caption) { return FindWindowW(L"#32770", caption); }

// What the jump dialog showed when it opened.
struct JumpSeen {
    bool opened = false;
    int low = -1, high = -1;
    std::wstring text;
    HWND owner = nullptr;
};

}  // namespace

class ResponseKeys : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        // 40 responses of 4 lines: header k at 4(k-1), mail sage when k is even.
        open_log(numbered_log(40));
        paint();
        fit = one_row_lines_fitting();
        ASSERT_GT(fit, 5);
    }
    void TearDown() override
    {
        drop_pending();
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        ViewFixture::TearDown();
    }

    // Opens the jump dialog with key G; in the dialog, sees what it shows,
    // types `typed` (unless null) and presses `button`.
    JumpSeen jump(const wchar_t* typed, int button = IDOK)
    {
        JumpSeen seen;
        when_modal([&] {
            HWND dialog = find_dialog(L"レス番ジャンプ");
            if (!dialog) return;
            seen.opened = true;
            seen.owner = GetWindow(dialog, GW_OWNER);
            SendDlgItemMessageW(dialog, IDC_JUMP_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&seen.low),
                                reinterpret_cast<LPARAM>(&seen.high));
            wchar_t text[32] = {};
            GetDlgItemTextW(dialog, IDC_JUMP_NUMBER, text, 32);
            seen.text = text;
            if (typed) SetDlgItemTextW(dialog, IDC_JUMP_NUMBER, typed);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, 0), 0);
        });
        SendMessageW(view, WM_KEYDOWN, 'G', 0);
        drop_pending();
        paint();
        return seen;
    }

    int fit = 0;
};

TEST_F(ResponseKeys, UpDownQAndWScrollOneLine)
{
    key(VK_DOWN);
    EXPECT_EQ(position(), 1);
    key('W');
    EXPECT_EQ(position(), 2);
    key(VK_UP);
    EXPECT_EQ(position(), 1);
    key('Q');
    EXPECT_EQ(position(), 0);
    key('Q');
    EXPECT_EQ(position(), 0) << "not above the first line";
    set_position(160);
    key(VK_DOWN);
    EXPECT_EQ(position(), 160) << "not past the line count";
}

TEST_F(ResponseKeys, PageDownKeysMoveTheMeasuredPage)
{
    EXPECT_EQ(PageScrollLines, fit - 1);
    key(VK_NEXT);
    EXPECT_EQ(position(), fit - 1);
    key('S');
    EXPECT_EQ(position(), 2 * (fit - 1));
    key(VK_RIGHT);
    EXPECT_EQ(position(), 3 * (fit - 1));
    key(VK_SPACE);
    EXPECT_EQ(position(), 4 * (fit - 1));
}

TEST_F(ResponseKeys, PageUpKeysMoveWhatFitsAbove)
{
    set_position(100);
    EXPECT_EQ(PageUpLines, fit - 1);
    key(VK_PRIOR);
    EXPECT_EQ(position(), 100 - (fit - 1));
    key('A');
    EXPECT_EQ(position(), 100 - 2 * (fit - 1));
    key(VK_LEFT);
    EXPECT_EQ(position(), 100 - 3 * (fit - 1));
    set_position(2);
    EXPECT_EQ(PageUpLines, 2) << "three lines from the top: two above";
    key(VK_PRIOR);
    EXPECT_EQ(position(), 0);
    key(VK_PRIOR);
    EXPECT_EQ(position(), 0);
}

TEST_F(ResponseKeys, ShiftSpacePagesUp)
{
    set_position(100);
    std::vector<BYTE> keys(256, 0);
    keys[VK_SHIFT] = 0x80;
    keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys.data());
    key(VK_SPACE);
    EXPECT_EQ(position(), 100 - (fit - 1));
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    SetKeyboardState(keys.data());
    key(VK_SPACE);
    EXPECT_EQ(position(), 100);
}

TEST_F(ResponseKeys, HomeAndZGoToTheTop)
{
    set_position(77);
    key(VK_HOME);
    EXPECT_EQ(position(), 0);
    set_position(77);
    key('Z');
    EXPECT_EQ(position(), 0);
}

TEST_F(ResponseKeys, EndAndXShowTheLastHeaderAtTheTop)
{
    key(VK_END);
    EXPECT_EQ(position(), 156);
    const ResponseLine& top = OpenThreadTable.entries[0].lines[position()];
    EXPECT_EQ(top.kind, HeaderLine);
    EXPECT_EQ(top.response, 40);
    EXPECT_STREQ(top.text, "n40");
    EXPECT_EQ(PageScrollLines, 3) << "four lines drawn: header, body, body, blank";
    set_position(160);
    key('X');
    EXPECT_EQ(position(), 156) << "from past the end, back to the last header";
}

TEST_F(ResponseKeys, NextAndPreviousResponse)
{
    key('N');
    EXPECT_EQ(position(), 4);
    set_position(6);   // a body line of response 2
    key('N');
    EXPECT_EQ(position(), 8);
    key('P');
    EXPECT_EQ(position(), 4);
    key('P');
    EXPECT_EQ(position(), 0);
    key('P');
    EXPECT_EQ(position(), 0) << "P on response 1 stays on it";
    set_position(156);
    key('N');
    EXPECT_EQ(position(), 156) << "N on the last response stays on it";
    set_position(159);
    key('N');
    EXPECT_EQ(position(), 156);
    set_position(160);
    key('P');
    EXPECT_EQ(position(), 152);
}

TEST_F(ResponseKeys, NSetsThePositionAndTheBarFollowsAtThePaint)
{
    SendMessageW(view, WM_KEYDOWN, 'N', 0);
    EXPECT_EQ(position(), 4);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    GetScrollInfo(view, SB_VERT, &info);
    EXPECT_EQ(info.nPos, 0) << "not yet";
    paint();
    GetScrollInfo(view, SB_VERT, &info);
    EXPECT_EQ(info.nPos, 4);
}

TEST_F(ResponseKeys, OtherKeysDoNothing)
{
    set_position(33);
    for (WPARAM k : std::initializer_list<WPARAM>{'B', 'C', 'D', 'E', 'F', 'I', 'J', 'K', 'M', 'O', 'R', 'T', 'U', 'V', 'Y', '1', '0',
                     VK_TAB, VK_ESCAPE, VK_F1, VK_INSERT, VK_DELETE}) {
        key(k);
        EXPECT_EQ(position(), 33) << "key " << k;
    }
    pump_messages();
    EXPECT_TRUE(main_commands().empty());
    EXPECT_EQ(find_dialog(L"レス番ジャンプ"), nullptr);
}

TEST_F(ResponseKeys, BackspacePostsShowThreadList)
{
    SendMessageW(view, WM_KEYDOWN, VK_BACK, 0);
    EXPECT_TRUE(main_commands().empty()) << "posted, not sent";
    pump_messages();
    EXPECT_EQ(main_commands(), std::vector<UINT>{IDM_SWITCH_VIEW});
}

TEST_F(ResponseKeys, LOpensTheResponseDetailThenFocusesTheView)
{
    set_position(41);   // a body line of response 11
    SetFocus(main);
    std::wstring number;
    HWND owner = nullptr;
    when_modal([&] {
        HWND dialog = find_dialog(L"レス表示");
        if (!dialog) return;
        owner = GetWindow(dialog, GW_OWNER);
        wchar_t text[16] = {};
        GetDlgItemTextW(dialog, IDC_DETAIL_NUMBER, text, 16);
        number = text;
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageW(view, WM_KEYDOWN, 'L', 0);
    drop_pending();
    EXPECT_EQ(number, L"11") << "opened on the response at the top";
    EXPECT_EQ(owner, main);
    EXPECT_EQ(GetFocus(), view);
    EXPECT_EQ(position(), 41);
}

TEST_F(ResponseKeys, HOpensTheViewsKeyHelpThenFocusesTheView)
{
    SetFocus(main);
    for (int button : {IDOK, IDCANCEL}) {
        bool opened = false;
        when_modal([&] {
            HWND dialog = find_dialog(L"キー説明");
            opened = dialog != nullptr;
            if (dialog) SendMessageW(dialog, WM_COMMAND, button, 0);
        });
        SendMessageW(view, WM_KEYDOWN, 'H', 0);
        drop_pending();
        EXPECT_TRUE(opened) << "closes on " << button;
        EXPECT_EQ(GetFocus(), view);
        EXPECT_EQ(AppState.dialogMenuBar, nullptr) << "its soft-key bar went with it";
    }
}

TEST_F(ResponseKeys, JumpDialogStartsOnTheResponseAtTheTop)
{
    set_position(41);   // a body line of response 11
    JumpSeen seen = jump(nullptr, IDCANCEL);
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.text, L"11");
    EXPECT_EQ(seen.low, 1);
    EXPECT_EQ(seen.high, 39) << "one less than the response count";
    EXPECT_EQ(seen.owner, main);
    EXPECT_EQ(position(), 41) << "cancel moves nothing";
    EXPECT_EQ(GetFocus(), view);
    set_position(160);
    seen = jump(nullptr, IDCANCEL);
    EXPECT_EQ(seen.text, L"40") << "past the end: the response count";
}

TEST_F(ResponseKeys, JumpDialogMovesToTheNumberAndHoldsItToTheThread)
{
    EXPECT_TRUE(jump(L"25").opened);
    EXPECT_EQ(position(), 96);
    jump(L"250");
    EXPECT_EQ(position(), 156) << "above the count: the last response";
    set_position(50);
    jump(L"-5");
    EXPECT_EQ(position(), 0) << "below 0 counts as 0";
    set_position(50);
    jump(L"");
    EXPECT_EQ(position(), 0);
    jump(L"000000030999");
    EXPECT_EQ(position(), 116) << "nine characters read: 30";
}

TEST_F(ResponseKeys, JumpDialogUnderNoThreadDoesNothing)
{
    OpenThreadTable.current = -1;
    bool opened = false;
    when_modal([&] {
        HWND dialog = find_dialog(L"レス番ジャンプ");
        opened = dialog != nullptr;
        if (dialog) SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    // A modal dialog would have run (and been closed by the hand) before the
    // key's handling returned.
    SendMessageW(view, WM_KEYDOWN, 'G', 0);
    drop_pending();
    EXPECT_FALSE(opened);
    EXPECT_EQ(find_dialog(L"レス番ジャンプ"), nullptr);
    OpenThreadTable.current = 0;
}

TEST_F(ResponseKeys, ActionMenuOpensBelowButton40019)
{
    HWND bar = commandbar_create(GetModuleHandleW(nullptr), main, IDC_THREAD_TOOLBAR);
    ASSERT_NE(bar, nullptr);
    const int commands[8] = {IDM_ONLINE, IDM_SWITCH_VIEW, IDM_RELOAD_THREAD, IDM_COPY_DIALOG,
                             IDM_WRITE, IDM_CLOSE_THREAD, IDM_DELETE_LOG, IDM_SETTINGS_MENU};
    TBBUTTON buttons[8] = {};
    for (int i = 0; i < 8; ++i) {
        buttons[i].iBitmap = i;
        buttons[i].idCommand = commands[i];
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = i == 7 ? BTNS_DROPDOWN : BTNS_BUTTON;
    }
    commandbar_add_bitmap(bar, GetModuleHandleW(nullptr), IDB_THREAD_TOOLBAR, 8);
    ASSERT_TRUE(commandbar_add_buttons(bar, 8, buttons));
    AppState.ThreadToolbar = bar;
    RECT button{};
    ASSERT_TRUE(commandbar_button_rect(bar, IDM_SETTINGS_MENU, &button));
    MapWindowPoints(bar, HWND_DESKTOP, reinterpret_cast<POINT*>(&button), 2);

    // A user presses Enter in the active window.
    ASSERT_TRUE(take_focus(main, view));

    RECT menuRect{};
    std::vector<UINT> items;
    bool menuShown = false;
    when_modal([&] {
        HWND menuWindow = FindWindowW(L"#32768", nullptr);
        menuShown = menuWindow && IsWindowVisible(menuWindow);
        if (!menuShown) {
            EndMenu();
            return;
        }
        if (menuWindow) GetWindowRect(menuWindow, &menuRect);
        HMENU popup = GetSubMenu(AppState.lastPopupMenu, 0);
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) items.push_back(GetMenuItemID(popup, i));
        // Choose the second item, "スレを閉じる".
        for (WPARAM k : std::initializer_list<WPARAM>{VK_DOWN, VK_DOWN, VK_RETURN})
            PostMessageW(menuWindow, WM_KEYDOWN, k, 0);
        // Should the keys go astray, the menu still closes.
        when_modal([] { EndMenu(); }, 2000);
    });
    SendMessageW(view, WM_KEYDOWN, VK_RETURN, 0);
    drop_pending();
    pump_messages();
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(menuRect.left, button.left);
    EXPECT_EQ(menuRect.top, button.bottom) << "below the button, not over it";
    const std::vector<UINT> expected = {IDCANCEL, IDM_CLOSE_THREAD, IDM_RELOAD_THREAD, IDM_ADD_FAVORITE_THREAD,
                                        0, IDM_SWITCH_VIEW, 0, IDM_WRITE, IDM_COPY_DIALOG, IDM_JUMP_RESPONSE,
                                        IDM_JUMP_END};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(main_commands(), std::vector<UINT>{IDM_CLOSE_THREAD}) << "the choice reaches the main window";
    EXPECT_EQ(AppState.lastPopupMenu, nullptr) << "the menu is gone afterwards";
    AppState.ThreadToolbar = nullptr;
    commandbar_destroy(bar);
}

class JumpArrows : public ViewFixture {};

TEST_F(JumpArrows, InAThreadOf100TheArrowsStepBetween1And99)
{
    open_log(numbered_log(100, 1));
    paint();
    std::vector<std::wstring> texts;
    int low = 0, high = 0;
    when_modal([&] {
        HWND dialog = find_dialog(L"レス番ジャンプ");
        if (!dialog) return;
        HWND spin = GetDlgItem(dialog, IDC_JUMP_SPIN);
        HWND edit = GetDlgItem(dialog, IDC_JUMP_NUMBER);
        SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0)), edit);
        auto read = [&] {
            wchar_t text[16] = {};
            GetWindowTextW(edit, text, 16);
            texts.push_back(text);
        };
        SetWindowTextW(edit, L"98");
        for (int i = 0; i < 3; ++i) {
            SendMessageW(edit, WM_KEYDOWN, VK_UP, 0);
            read();
        }
        SetWindowTextW(edit, L"2");
        for (int i = 0; i < 3; ++i) {
            SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
            read();
        }
        SetWindowTextW(edit, L"100");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(view, WM_KEYDOWN, 'G', 0);
    drop_pending();
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 99);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"99", L"99", L"99", L"1", L"1", L"1"}));
    EXPECT_EQ(position(), 297) << "typing 100 still jumps to response 100";
}

TEST_F(JumpArrows, OneResponseGivesAUsableRange)
{
    open_log(numbered_log(1));
    paint();
    int low = 0, high = 0;
    when_modal([&] {
        HWND dialog = find_dialog(L"レス番ジャンプ");
        if (!dialog) return;
        SendDlgItemMessageW(dialog, IDC_JUMP_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(view, WM_KEYDOWN, 'G', 0);
    drop_pending();
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(position(), 0);
}
