#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "base/appstate.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"
#include "tests/support/pump_win.h"
#include "tests/support/winsetup.h"

namespace {
std::vector<INPUT> g_inputs;

UINT WINAPI record_inputs(UINT count, INPUT* inputs, int size)
{
    EXPECT_EQ(size, static_cast<int>(sizeof(INPUT)));
    for (UINT i = 0; i < count; ++i) g_inputs.push_back(inputs[i]);
    return count;
}

LPARAM back(bool released) { return MAKELPARAM(released ? 0x1000 : 0, VK_ESCAPE); }

class BackKey : public testing::Test {
protected:
    void SetUp() override
    {
        AppState = AppStateRecord{};
        g_inputs.clear();
        set_back_key_input_sender(record_inputs);
    }
    void TearDown() override
    {
        set_back_key_input_sender(nullptr);
        AppState = AppStateRecord{};
    }
};
}  // namespace

TEST_F(BackKey, SmartphoneTurnsBackIntoOneBackspace)
{
    AppState.DeviceKind = DeviceSmartphone;
    EXPECT_TRUE(TranslateBackKey(WM_HOTKEY, 0, back(false)));
    ASSERT_EQ(g_inputs.size(), 2u);
    for (const INPUT& in : g_inputs) {
        EXPECT_EQ(in.type, static_cast<DWORD>(INPUT_KEYBOARD));
        EXPECT_EQ(in.ki.wVk, VK_BACK);
        EXPECT_EQ(in.ki.wScan, static_cast<WORD>(MapVirtualKeyW(VK_BACK, 0)));
    }
    EXPECT_EQ(g_inputs[0].ki.dwFlags, 0u);                                   // pressed
    EXPECT_EQ(g_inputs[1].ki.dwFlags, static_cast<DWORD>(KEYEVENTF_KEYUP));  // then released
}

TEST_F(BackKey, ReleaseOfTheBackKeyDoesNothing)
{
    AppState.DeviceKind = DeviceSmartphone;
    EXPECT_FALSE(TranslateBackKey(WM_HOTKEY, 0, back(true)));
    EXPECT_FALSE(TranslateBackKey(WM_HOTKEY, 0, MAKELPARAM(0x1000 | MOD_CONTROL, VK_ESCAPE)));
    EXPECT_TRUE(g_inputs.empty());
}

TEST_F(BackKey, OtherKeysAndMessagesDoNothing)
{
    AppState.DeviceKind = DeviceSmartphone;
    EXPECT_FALSE(TranslateBackKey(WM_HOTKEY, 0, MAKELPARAM(0, VK_F1)));
    EXPECT_FALSE(TranslateBackKey(WM_KEYDOWN, VK_ESCAPE, back(false)));
    EXPECT_FALSE(TranslateBackKey(WM_COMMAND, 0, back(false)));
    EXPECT_TRUE(g_inputs.empty());
}

TEST_F(BackKey, PocketPCAndOthersLeaveItAlone)
{
    for (int32_t kind : {DeviceUnknown, DevicePocketPC, DeviceOther}) {
        AppState.DeviceKind = kind;
        EXPECT_FALSE(TranslateBackKey(WM_HOTKEY, 0, back(false))) << kind;
    }
    EXPECT_TRUE(g_inputs.empty());
}

namespace {
std::vector<UINT> g_commands;

// A dialog procedure that does nothing with the Back key itself: what the
// key does comes from the dialog's soft-key bar alone.
INT_PTR CALLBACK dialog_proc(HWND d, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND) {
        if (!lp) g_commands.push_back(LOWORD(wp));   // not a control's notification
        return TRUE;
    }
    if (msg == WM_DESTROY) DestroyDialogMenuBar(AppState.dialogMenuBar);
    (void)d;
    return FALSE;
}

class DialogMenuBar : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DialogBarMain";
        RegisterClassW(&wc);
        main_ = CreateWindowExW(0, L"DialogBarMain", L"main", WS_VISIBLE, 0, 0, 246, 346, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(main_); }
    void SetUp() override
    {
        AppState = AppStateRecord{};
        AppState.DeviceKind = DevicePocketPC;
        AppState.hwndMain = main_;
        g_commands.clear();
        g_inputs.clear();
        ASSERT_NE(main_, nullptr);
    }
    void TearDown() override
    {
        set_back_key_input_sender(nullptr);
        AppState = AppStateRecord{};
    }
    HWND dialog()
    {
        // The network progress template: a captioned box without controls.
        HWND d = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_NET_PROGRESS), main_,
                                    dialog_proc, 0);
        if (d) ShowWindow(d, SW_SHOW);
        return d;
    }
    static inline HWND main_ = nullptr;
};
}  // namespace

TEST_F(DialogMenuBar, FullScreenWithItsSoftKeys)
{
    HWND d = dialog();
    ASSERT_NE(d, nullptr);
    HWND bar = InitDialogMenuBar(d, IDR_MENU_OK_CANCEL);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(AppState.dialogMenuBar, bar);
    EXPECT_EQ(GetParent(bar), d);
    RECT client, r;
    GetClientRect(main_, &client);
    MapWindowPoints(main_, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(d, &r);
    EXPECT_EQ(r.top, client.top);
    EXPECT_EQ(r.bottom, client.bottom);
    // The soft keys answer.
    SetForegroundWindow(d);
    PostMessageW(d, WM_KEYDOWN, VK_F2, 1);
    pump_until_idle();
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], static_cast<UINT>(IDCANCEL));
    DestroyWindow(d);
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
}

TEST_F(DialogMenuBar, MissingMenuIsReportedAndTheDialogGoesOn)
{
    ReportCapture capture;
    HWND d = dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(InitDialogMenuBar(d, 9999), nullptr);
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
    auto messages = capture.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"SHCreateMenuBar Failed");
    EXPECT_EQ(messages[0].caption, L"Error");
    EXPECT_EQ(messages[0].owner, d);
    EXPECT_TRUE(IsWindow(d));
    DestroyWindow(d);
}

// On a Smartphone Back deletes the character before the caret while the
// focused box has text, and goes back (cancels the dialog) when it has none,
// when the box is read-only, or when no box has the focus.
TEST_F(DialogMenuBar, SmartphoneBackKeyDeletesWhileTheBoxHasTextThenCloses)
{
    struct Case {
        const wchar_t* text;   // null: no edit box has the focus
        DWORD style;
        bool deletes;
    };
    const Case cases[] = {
        {L"ab", 0, true},
        {L"", 0, false},
        {L"ab", ES_READONLY, false},
        {nullptr, 0, false},
    };
    AppState.DeviceKind = DeviceSmartphone;
    set_back_key_input_sender(record_inputs);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.text ? "box \"" + wide_to_utf8(c.text) + "\"" : "no box")
                                        << (c.style ? " read-only" : ""));
        g_inputs.clear();
        g_commands.clear();
        HWND d = dialog();
        ASSERT_NE(d, nullptr);
        ASSERT_NE(InitDialogMenuBar(d, IDR_MENU_OK_CANCEL), nullptr);
        SetForegroundWindow(d);
        if (c.text) {
            HWND edit = CreateWindowExW(0, L"EDIT", c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 50, 20, d,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
            SetFocus(edit);
            ASSERT_EQ(GetFocus(), edit);
        }
        PostMessageW(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(GetFocus() ? GetFocus() : d, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
        pump_until_idle();
        if (c.deletes) {
            // One Backspace, pressed and released; the dialog is not cancelled.
            ASSERT_EQ(g_inputs.size(), 2u);
            EXPECT_EQ(g_inputs[0].ki.wVk, VK_BACK);
            EXPECT_TRUE(g_commands.empty());
        } else {
            EXPECT_TRUE(g_inputs.empty());
            EXPECT_EQ(g_commands, (std::vector<UINT>{IDCANCEL}));
        }
        DestroyWindow(d);
        pump_until_idle();
    }
}

TEST_F(DialogMenuBar, PocketPCEscapeStaysEscape)
{
    set_back_key_input_sender(record_inputs);
    HWND d = dialog();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(InitDialogMenuBar(d, IDR_MENU_OK_CANCEL), nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, d, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    MSG m = {};
    m.hwnd = edit;
    m.message = WM_KEYDOWN;
    m.wParam = VK_ESCAPE;
    m.lParam = 1;
    // In a dialog's loop Escape is the cancel command.
    IsDialogMessageW(d, &m);
    pump_until_idle();
    EXPECT_TRUE(g_inputs.empty());
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0], static_cast<UINT>(IDCANCEL));
    DestroyWindow(d);
}

TEST(BackKeyInAnEdit, OneBackPressDeletesOneCharacter)
{
    // End to end on a Smartphone: Escape in an edit box of the main window
    // becomes the hot key, the hot key becomes Backspace, Backspace deletes.
    AppState = AppStateRecord{};
    AppState.DeviceKind = DeviceSmartphone;
    struct Main {
        static LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
        {
            TranslateBackKey(msg, wp, lp);
            return DefWindowProcW(h, msg, wp, lp);
        }
    };
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Main::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BackKeyMain";
    RegisterClassW(&wc);
    HWND main = CreateWindowExW(0, L"BackKeyMain", L"m", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 246, 346, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(main, nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", L"abc", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 100, 20, main,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND bar = softkey_bar_create(main, IDR_LIST_MENU);
    ASSERT_NE(bar, nullptr);
    softkey_bar_override_key(bar, VK_ESCAPE, kSoftKeyOverrideNoDefault | kSoftKeyOverrideNotify);
    SendMessageW(edit, EM_SETSEL, 3, 3);
    // The Backspace is sent as input, which goes where the keyboard focus is.
    const bool focused = take_focus(main, edit);
    EXPECT_TRUE(focused) << "the display gives no keyboard focus";
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(edit, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
    wchar_t text[16] = {};
    // The keys, the hot key they make and the Backspace it sends, all handled.
    EXPECT_TRUE(focused && pump_until([&] {
        GetWindowTextW(edit, text, 16);
        return HIWORD(GetQueueStatus(QS_ALLINPUT & ~QS_TIMER)) == 0 && std::wstring(text) != L"abc";
    }));
    GetWindowTextW(edit, text, 16);
    EXPECT_STREQ(text, L"ab");
    DestroyWindow(main);
    AppState = AppStateRecord{};
}
