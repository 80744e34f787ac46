#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "app/dialogs_win.h"
#include "app/fonts_win.h"
#include "app/selectors_win.h"
#include "base/appstate.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "platform/softkeys_win.h"
#include "reader/keyhelp_win.h"
#include "reader/widthcache.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/settings.h"
#include "store/settingsline.h"
#include "tests/net/boardfetch_fixture_win.h"
#include "tests/support/dialogdriver_win.h"
#include "tests/support/tempdir.h"
#include "tests/support/winsetup.h"

namespace {

const wchar_t kAboutCaption[] = L"quorvex のバージョン情報";
const wchar_t kViewKeysCaption[] = L"キー説明";
const wchar_t kAcceleratorsCaption[] = L"キー操作";
const wchar_t kSettingsCaption[] = L"設定";
const wchar_t kDebugCaption[] = L"ダイアログ";
const wchar_t kBoardSourceCaption[] = L"板一覧取得先";

// ---- the owner window: records the setting changes it is given

std::vector<WPARAM>& setting_changes()
{
    static std::vector<WPARAM> changes;
    return changes;
}

// A setting change that reached the owner while a dialog was still shown.
bool g_changeWhileShown = false;

LRESULT CALLBACK owner_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_SETTINGCHANGE) {
        setting_changes().push_back(wp);
        if (DialogDriver::find(L"設定") || DialogDriver::find(L"板一覧取得先")) g_changeWhileShown = true;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A stand-in response view out of every dialog's way, counting its paints:
// only an invalidation can make it paint again.
int g_viewPaints = 0;
LRESULT CALLBACK view_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        ++g_viewPaints;
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void register_class(const wchar_t* name, WNDPROC proc)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

HWND create_owner()
{
    register_class(L"DialogsTestOwner", owner_proc);
    SIZE size = platform_client_size();
    RECT frame{0, 0, size.cx, size.cy};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND main = CreateWindowW(L"DialogsTestOwner", L"quorvex", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    return main;
}

HWND create_view()
{
    register_class(L"DialogsTestView", view_proc);
    return CreateWindowW(L"DialogsTestView", L"", WS_POPUP | WS_VISIBLE, 700, 500, 40, 40, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

void press(HWND dialog, WORD id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::wstring class_of(HWND w)
{
    wchar_t name[64] = L"";
    GetClassNameW(w, name, 64);
    return name;
}

std::wstring text_of(HWND w)
{
    int n = GetWindowTextLengthW(w);
    std::wstring t(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    n = GetWindowTextW(w, &t[0], static_cast<int>(t.size()));
    t.resize(static_cast<size_t>(n > 0 ? n : 0));
    return t;
}

// The dialog's own controls in template order (the soft-key bar is not one).
std::vector<HWND> controls_of(HWND dialog)
{
    std::vector<HWND> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (!is_softkey_bar(c)) out.push_back(c);
    return out;
}

// Texts of the static controls that show text, in template order.
std::vector<std::wstring> static_texts(HWND dialog)
{
    std::vector<std::wstring> out;
    for (HWND c : controls_of(dialog)) {
        LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
        if (lstrcmpiW(class_of(c).c_str(), L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON)
            out.push_back(text_of(c));
    }
    return out;
}

// What a dialog's run showed of its soft-key bar.
struct BarSeen {
    HWND bar = nullptr;
    UINT left = 0;
    UINT right = 0;
    bool ownedByDialog = false;
};

DialogDriver::Step look_at_bar(BarSeen* seen)
{
    return [seen](HWND dialog) {
        seen->bar = AppState.dialogMenuBar;
        if (!seen->bar) return;
        seen->left = softkey_bar_command(seen->bar, 0);
        seen->right = softkey_bar_command(seen->bar, 1);
        seen->ownedByDialog = GetParent(seen->bar) == dialog || GetWindow(seen->bar, GW_OWNER) == dialog;
    };
}

// Each dialog's bar is made at its opening and gone, with the record's
// handle, once the dialog has ended.
void expect_bar_released(const BarSeen& seen)
{
    ASSERT_NE(seen.bar, nullptr);
    EXPECT_TRUE(seen.ownedByDialog);
    EXPECT_FALSE(IsWindow(seen.bar));
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
}

// Every stored setting in its written form, and the one kept only in memory.
std::wstring settings_snapshot()
{
    return settings_written_form(Settings) + L"|" + std::to_wstring(Settings.LogsExcludedFromCount);
}

// The families of character set 128, "@" names left out, as enumerated on
// the screen.
int CALLBACK collect_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM out)
{
    if (font->lfCharSet == SHIFTJIS_CHARSET && font->lfFaceName[0] != L'@')
        reinterpret_cast<std::set<std::wstring>*>(out)->insert(font->lfFaceName);
    return 1;
}

std::set<std::wstring> shift_jis_families()
{
    std::set<std::wstring> families;
    HDC dc = GetDC(nullptr);
    LOGFONTW want{};
    want.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(dc, &want, collect_family, reinterpret_cast<LPARAM>(&families), 0);
    ReleaseDC(nullptr, dc);
    return families;
}

std::vector<std::wstring> combo_items(HWND combo)
{
    std::vector<std::wstring> out;
    LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
        std::wstring t(static_cast<size_t>(len) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&t[0]));
        t.resize(static_cast<size_t>(len));
        out.push_back(t);
    }
    return out;
}

bool begins_with_nocase(const std::wstring& s, const std::wstring& prefix)
{
    return s.size() >= prefix.size() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, s.c_str(), static_cast<int>(prefix.size()),
                          prefix.c_str(), static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

LOGFONTW font_of(HFONT font)
{
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf;
}

// What the platform tells about its memory, chosen by the test.
DWORDLONG g_availPhys = 0;
bool g_memoryAnswers = true;
BOOL WINAPI fake_memory_status(LPMEMORYSTATUSEX status)
{
    if (!g_memoryAnswers || status->dwLength != sizeof *status) return FALSE;
    status->ullTotalPhys = 64ull * 1024 * 1024;
    status->ullAvailPhys = g_availPhys;
    return TRUE;
}

int g_backKeyInputs = 0;
UINT WINAPI count_inputs(UINT count, INPUT* inputs, int)
{
    for (UINT i = 0; i < count; ++i)
        if (inputs[i].type == INPUT_KEYBOARD && inputs[i].ki.wVk == VK_BACK) ++g_backKeyInputs;
    return count;
}

// ---- the settings and information dialogs over a main window of the
// handset's size

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedSettings_ = Settings;
        savedApp_ = AppState;
        Settings = SettingsRecord{};
        settings_defaults(Settings);
        Settings.SortNew = 1;
        AppState = AppStateRecord{};
        AppState.DeviceKind = DevicePocketPC;
        AppState.pixelsPerInch = 96;
        main_ = create_owner();
        ASSERT_NE(main_, nullptr);
        AppState.hwndMain = main_;
        AppState.responseView = view_ = create_view();
        setting_changes().clear();
        g_changeWhileShown = false;
        settle();
    }

    void TearDown() override
    {
        set_memory_status_query(nullptr);
        set_back_key_input_sender(nullptr);
        DeleteDisplayFonts();
        FreeFontList();
        DestroyWindow(view_);
        DestroyWindow(main_);
        pump_messages();
        AppState = savedApp_;
        Settings = savedSettings_;
    }

    // Lets every window paint what it has to, so that later paints of the
    // view come only from an invalidation.
    void settle() { pump_until_idle(); }

    template <typename Show>
    INT_PTR run(DialogDriver& driver, Show show)
    {
        settle();
        paintsBefore_ = g_viewPaints;
        driver.start();
        INT_PTR r = show();
        driver.stop();
        EXPECT_TRUE(driver.all_steps_ran());
        EXPECT_FALSE(driver.timed_out());
        settle();
        return r;
    }

    bool view_invalidated() const { return g_viewPaints > paintsBefore_; }

    HWND main_ = nullptr;
    HWND view_ = nullptr;
    int paintsBefore_ = 0;
    SettingsRecord savedSettings_;
    AppStateRecord savedApp_;
    ReportCapture reports_;
};

}  // namespace

// ---------------------------------------------------------------- about box

TEST_F(DialogsTest, AboutBoxShowsTheAvailableMemoryInKilobytes)
{
    g_availPhys = 20ull * 1024 * 1024 + 1000;   // 20 MB and a part of a KB
    g_memoryAnswers = true;
    set_memory_status_query(fake_memory_status);
    std::wstring memory;
    LONG_PTR memoryStyle = 0;
    std::vector<std::wstring> texts;
    bool icon = false;
    BarSeen bar;
    DialogDriver driver(kAboutCaption);
    driver.then(look_at_bar(&bar)).then([&](HWND d) {
        memory = control_text(d, IDC_FREE_MEMORY);
        memoryStyle = GetWindowLongPtrW(GetDlgItem(d, IDC_FREE_MEMORY), GWL_STYLE);
        texts = static_texts(d);
        for (HWND c : controls_of(d))
            if ((GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                lstrcmpiW(class_of(c).c_str(), L"Static") == 0)
                icon = SendMessageW(c, STM_GETICON, 0, 0) != 0;
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowAboutDialog(main_); }), IDOK);

    EXPECT_EQ(memory, L"使用可能メモリ:20480KB");
    EXPECT_TRUE(memoryStyle & ES_READONLY);
    EXPECT_TRUE(memoryStyle & ES_RIGHT);
    EXPECT_TRUE(icon);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], L"velmoもどき");
    EXPECT_EQ(texts[1], L"velmoなんちゃってclone");
    EXPECT_EQ(texts[2], L"Version 0.869\n    for WM(20080315)");
    EXPECT_FALSE(texts[3].empty());   // the credits
    EXPECT_EQ(bar.left, static_cast<UINT>(IDOK));
    EXPECT_EQ(bar.right, 0u);
    expect_bar_released(bar);
    EXPECT_TRUE(reports_.messages().empty());
    EXPECT_TRUE(setting_changes().empty());
}

TEST_F(DialogsTest, AboutBoxEndsWithTheCommandGiven)
{
    g_availPhys = 1023;
    g_memoryAnswers = true;
    set_memory_status_query(fake_memory_status);
    std::wstring memory;
    DialogDriver driver(kAboutCaption);
    driver.then([&](HWND d) {
        memory = control_text(d, IDC_FREE_MEMORY);
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver, [&] { return ShowAboutDialog(main_); }), IDCANCEL);
    EXPECT_EQ(memory, L"使用可能メモリ:0KB");
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
}

TEST_F(DialogsTest, AboutBoxWithoutAMemoryAnswerShowsNoNumber)
{
    g_memoryAnswers = false;
    set_memory_status_query(fake_memory_status);
    std::wstring memory = L"unread";
    DialogDriver driver(kAboutCaption);
    driver.then([&](HWND d) {
        memory = control_text(d, IDC_FREE_MEMORY);
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowAboutDialog(main_); }), IDOK);
    EXPECT_EQ(memory, L"");
    g_memoryAnswers = true;
}

TEST_F(DialogsTest, AboutBoxAsksThePlatformByDefault)
{
    // The platform's own answer: the same text as the query gives moments
    // apart, within the little the memory can move meanwhile.
    std::wstring memory;
    DialogDriver driver(kAboutCaption);
    driver.then([&](HWND d) {
        memory = control_text(d, IDC_FREE_MEMORY);
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowAboutDialog(main_); }), IDOK);
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const std::wstring prefix = L"使用可能メモリ:";
    ASSERT_EQ(memory.compare(0, prefix.size(), prefix), 0) << wide_to_utf8(memory);
    ASSERT_EQ(memory.substr(memory.size() - 2), L"KB");
    long long shown = std::wcstoll(memory.c_str() + prefix.size(), nullptr, 10);
    long long now = static_cast<long long>(status.ullAvailPhys / 1024);
    EXPECT_GT(shown, 0);
    EXPECT_LT(std::llabs(shown - now), now / 10 + 1024);
}

// ---------------------------------------------------------------- key help

TEST_F(DialogsTest, KeyHelpInListModeShowsTheResponseViewKeys)
{
    std::vector<std::wstring> texts;
    BarSeen bar;
    DialogDriver driver(kViewKeysCaption);
    driver.then(look_at_bar(&bar)).then([&](HWND d) {
        texts = static_texts(d);
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowKeyHelpDialog(main_, ListMode); }), IDOK);
    const std::vector<std::wstring> want = {
        L"↑, Q, スペース ：上方向行スクロール",
        L"↓, W           ：下方向行スクロール",
        L"PgUp, A ：上方向ページスクロール",
        L"PgDn, S ：下方向ページスクロール",
        L"N       ：次のレスにジャンプ",
        L"P       ：1つ前のレスにジャンプ",
        L"G       ：指定したレス番号にジャンプ",
        L"L       ：コピペウィンドウオープン",
        L"Home, Z ：Home(最初の発言へ)",
        L"End,  X ：End(最後の発言へ)",
        L"F       ：アンカー先を表示",
        L"R       ：このレスへの返信を表示",
        L"I       ：同じIDのレスを表示",
        L"Enter   ：(表示中)そのレスへ移動",
        L"B       ：移動前に戻る",
    };
    ASSERT_EQ(texts.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(texts[i], want[i]) << i << " " << wide_to_utf8(texts[i]);
    EXPECT_EQ(bar.left, static_cast<UINT>(IDOK));
    expect_bar_released(bar);
}

TEST_F(DialogsTest, KeyHelpInThreadModeShowsTheAccelerators)
{
    std::vector<std::wstring> texts;
    BarSeen bar;
    DialogDriver driver(kAcceleratorsCaption);
    driver.then(look_at_bar(&bar)).then([&](HWND d) {
        texts = static_texts(d);
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver, [&] { return ShowKeyHelpDialog(main_, ThreadMode); }), IDCANCEL);
    const std::vector<std::wstring> want = {
        L"Ctrl+1 ：カテゴリ一覧にフォーカス",
        L"Ctrl+2 ：板一覧にフォーカス",
        L"Ctrl+3 ：スレ一覧にフォーカス",
        L"Ctrl+4 ：表示レス一覧にフォーカス",
        L"Ctrl+o ：オンライン/オフラインモード切替",
        L"Ctrl+t ：スレッド一覧更新",
        L"Ctrl+w ：書き込み",
        L"Ctrl+z ：表示レスを閉じる",
        L"Ctrl+q ：Velmoの終了",
        L"Ctrl+r ：スレッド内容更新(レスの取得)",
        L"Ctrl+F ：検索",
        L"Ctrl+s ：設定画面",
        L"Ctrl+n ：新規スレッド作成",
    };
    ASSERT_EQ(texts.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(texts[i], want[i]) << i << " " << wide_to_utf8(texts[i]);
    EXPECT_EQ(bar.left, static_cast<UINT>(IDOK));
    expect_bar_released(bar);
}

// ---------------------------------------------------------------- settings

namespace {

struct SettingsFields {
    std::wstring proxyName, proxyPort, font, fontSize, threadMax, sureLines;
    bool proxyUse = false, toolBar = false;
    std::vector<std::wstring> labels;
};

SettingsFields settings_fields(HWND d)
{
    SettingsFields f;
    f.proxyName = control_text(d, IDC_PROXY_NAME);
    f.proxyPort = control_text(d, IDC_PROXY_PORT);
    f.font = control_text(d, IDC_FONT);
    f.fontSize = control_text(d, IDC_FONT_SIZE);
    f.threadMax = control_text(d, IDC_THREAD_MAX);
    f.sureLines = control_text(d, IDC_SURE_LINES);
    f.proxyUse = IsDlgButtonChecked(d, IDC_PROXY_USE) == BST_CHECKED;
    f.toolBar = IsDlgButtonChecked(d, IDC_TOOLBAR_VISIBLE) == BST_CHECKED;
    f.labels = static_texts(d);
    return f;
}

}  // namespace

TEST_F(DialogsTest, SettingsShowEveryValue)
{
    lstrcpynW(Settings.ProxyName, L"proxy.example", kProxyNameUnits);
    Settings.ProxyPort = 3128;
    Settings.ProxyUse = 1;
    Settings.FontSize = 12;
    Settings.ToolBarVisible = 0;
    Settings.ThreadMax = 150;
    Settings.SureLines = -2;
    SettingsFields f;
    BarSeen bar;
    std::wstring boxText;
    DialogDriver driver(kSettingsCaption);
    driver.then(look_at_bar(&bar)).then([&](HWND d) {
        f = settings_fields(d);
        boxText = text_of(GetDlgItem(d, IDC_PROXY_USE)) + L"|" + text_of(GetDlgItem(d, IDC_TOOLBAR_VISIBLE));
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    EXPECT_EQ(f.proxyName, L"proxy.example");
    EXPECT_EQ(f.proxyPort, L"3128");
    EXPECT_TRUE(f.proxyUse);
    EXPECT_EQ(f.fontSize, L"12");
    EXPECT_FALSE(f.toolBar);
    EXPECT_EQ(f.threadMax, L"150");
    EXPECT_EQ(f.sureLines, L"-2");
    EXPECT_EQ(boxText, L"&Proxy|ツールバー表示");
    EXPECT_EQ(f.labels, (std::vector<std::wstring>{L"Font", L"スレリスト数制限", L"スレリスト行数"}));
    EXPECT_EQ(bar.left, static_cast<UINT>(IDOK));
    EXPECT_EQ(bar.right, static_cast<UINT>(IDCANCEL));
    expect_bar_released(bar);
}

TEST_F(DialogsTest, SettingsCancelChangesNothingEvenAfterEdits)
{
    lstrcpynW(Settings.ProxyName, L"proxy.example", kProxyNameUnits);
    Settings.ProxyPort = 3128;
    lstrcpynW(Settings.Font, L"Fixed", kSettingsTextUnits);
    const std::wstring before = settings_snapshot();
    DialogDriver driver(kSettingsCaption);
    driver
        .then([&](HWND d) {
            SetDlgItemTextW(d, IDC_PROXY_NAME, L"other.example");
            SetDlgItemTextW(d, IDC_PROXY_PORT, L"1");
            SendDlgItemMessageW(d, IDC_PROXY_USE, BM_CLICK, 0, 0);
            SetWindowTextW(GetDlgItem(d, IDC_FONT), L"Typed");
            SetDlgItemTextW(d, IDC_FONT_SIZE, L"30");
            SendDlgItemMessageW(d, IDC_TOOLBAR_VISIBLE, BM_CLICK, 0, 0);
            SetDlgItemTextW(d, IDC_THREAD_MAX, L"5");
            SetDlgItemTextW(d, IDC_SURE_LINES, L"4");
        })
        .then([&](HWND d) {
            // Clicks and edits alone change nothing.
            EXPECT_EQ(settings_snapshot(), before);
            press(d, IDCANCEL);
        });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    EXPECT_EQ(settings_snapshot(), before);
    EXPECT_TRUE(setting_changes().empty());
    EXPECT_FALSE(view_invalidated());
    EXPECT_EQ(AppState.BodyFont, nullptr);
}

TEST_F(DialogsTest, SettingsOkStoresEveryField)
{
    Settings.ProxyUse = 0;
    Settings.ToolBarVisible = 1;
    Settings.UseThreadMax = 1;
    const std::wstring forty = L"0123456789abcdefghijklmnopqrstuvwxyzABCD";
    std::wstring shownName;
    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_PROXY_NAME, forty.c_str());
        shownName = control_text(d, IDC_PROXY_NAME);
        SetDlgItemTextW(d, IDC_PROXY_PORT, L"3128");
        SendDlgItemMessageW(d, IDC_PROXY_USE, BM_CLICK, 0, 0);
        SetWindowTextW(GetDlgItem(d, IDC_FONT), L"TypedFace");
        SetDlgItemTextW(d, IDC_FONT_SIZE, L"pt");
        SendDlgItemMessageW(d, IDC_TOOLBAR_VISIBLE, BM_CLICK, 0, 0);
        SetDlgItemTextW(d, IDC_THREAD_MAX, L"abc");
        SetDlgItemTextW(d, IDC_SURE_LINES, L" 3 lines");
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDOK);
    ASSERT_EQ(shownName, forty);   // the field held all of it
    EXPECT_EQ(std::wstring(Settings.ProxyName), forty.substr(0, 32));
    EXPECT_EQ(Settings.ProxyPort, 3128);
    EXPECT_EQ(Settings.ProxyUse, 1);
    EXPECT_EQ(std::wstring(Settings.Font), L"TypedFace");
    EXPECT_EQ(Settings.FontSize, 0);
    EXPECT_EQ(Settings.ToolBarVisible, 0);
    EXPECT_EQ(Settings.ThreadMax, 0);
    EXPECT_EQ(Settings.SureLines, 3);
    EXPECT_EQ(Settings.UseThreadMax, 1);   // not a field of the dialog
    EXPECT_TRUE(view_invalidated());
    EXPECT_EQ(setting_changes(), (std::vector<WPARAM>{kSettingChangeLayout}));
}

TEST_F(DialogsTest, SettingsCutLongTexts)
{
    const std::wstring face(100, L'F');
    const std::wstring digits = std::wstring(78, L'0') + L"12";
    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        SetWindowTextW(GetDlgItem(d, IDC_FONT), face.c_str());
        SetDlgItemTextW(d, IDC_FONT_SIZE, digits.c_str());
        SetDlgItemTextW(d, IDC_PROXY_PORT, L"-99999999999");
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDOK);
    EXPECT_EQ(std::wstring(Settings.Font), face.substr(0, 79));
    EXPECT_EQ(Settings.FontSize, 1);          // the 79th character is the "1"
    EXPECT_EQ(Settings.ProxyPort, INT32_MIN);   // held at the limit
}

TEST_F(DialogsTest, SettingsToolBarOffPostsTheLayoutChangeToTheOwner)
{
    Settings.ToolBarVisible = 1;
    bool shownChecked = false;
    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        shownChecked = IsDlgButtonChecked(d, IDC_TOOLBAR_VISIBLE) == BST_CHECKED;
        SendDlgItemMessageW(d, IDC_TOOLBAR_VISIBLE, BM_CLICK, 0, 0);
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDOK);
    EXPECT_TRUE(shownChecked);
    EXPECT_EQ(Settings.ToolBarVisible, 0);
    EXPECT_EQ(setting_changes(), (std::vector<WPARAM>{kSettingChangeLayout}));
    EXPECT_FALSE(g_changeWhileShown);   // the layout follows the dialog's end

    // Unchanged and confirmed again: the layout is applied again all the same.
    setting_changes().clear();
    DialogDriver again(kSettingsCaption);
    again.then([&](HWND d) { press(d, IDOK); });
    EXPECT_EQ(run(again, [&] { return ShowSettingsDialog(main_); }), IDOK);
    EXPECT_EQ(Settings.ToolBarVisible, 0);
    EXPECT_EQ(setting_changes(), (std::vector<WPARAM>{kSettingChangeLayout}));
}

TEST_F(DialogsTest, SettingsFontComboListsTheShiftJisFamilies)
{
    const std::set<std::wstring> families = shift_jis_families();
    ASSERT_GE(families.size(), 2u) << "the test needs two Japanese font families";
    const std::wstring last = *families.rbegin();
    lstrcpynW(Settings.Font, last.c_str(), kSettingsTextUnits);
    std::vector<std::wstring> items;
    std::wstring shown;
    LRESULT selected = -2;
    LONG_PTR style = 0;
    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        HWND combo = GetDlgItem(d, IDC_FONT);
        items = combo_items(combo);
        selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        shown = control_text(d, IDC_FONT);
        style = GetWindowLongPtrW(combo, GWL_STYLE);
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    EXPECT_EQ((style & 3), CBS_DROPDOWN);
    EXPECT_TRUE(style & CBS_SORT);
    // Each family once, in the list's sorted order, none of the "@" twins.
    ASSERT_EQ(items.size(), families.size());
    EXPECT_EQ(std::set<std::wstring>(items.begin(), items.end()), families);
    for (size_t i = 1; i < items.size(); ++i) EXPECT_LE(lstrcmpiW(items[i - 1].c_str(), items[i].c_str()), 0);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(items[static_cast<size_t>(selected)], last);
    EXPECT_EQ(shown, last);
}

TEST_F(DialogsTest, SettingsFontComboSelectsTheFirstFamilyBeginningWithTheName)
{
    const std::set<std::wstring> families = shift_jis_families();
    ASSERT_GE(families.size(), 2u);
    // A prefix of some family: the first entry of the list that begins with
    // it is chosen, whatever follows.
    std::wstring prefix = families.rbegin()->substr(0, 3);
    lstrcpynW(Settings.Font, prefix.c_str(), kSettingsTextUnits);
    std::vector<std::wstring> items;
    std::wstring shown;
    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        items = combo_items(GetDlgItem(d, IDC_FONT));
        shown = control_text(d, IDC_FONT);
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    std::wstring want;
    for (const std::wstring& item : items)
        if (begins_with_nocase(item, prefix)) { want = item; break; }
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(shown, want);

    // A name that no family begins with leaves the first entry chosen.
    lstrcpynW(Settings.Font, L"Fixed", kSettingsTextUnits);
    for (const std::wstring& item : items) ASSERT_FALSE(begins_with_nocase(item, L"Fixed"));
    DialogDriver again(kSettingsCaption);
    LRESULT selected = -2;
    again.then([&](HWND d) {
        selected = SendDlgItemMessageW(d, IDC_FONT, CB_GETCURSEL, 0, 0);
        shown = control_text(d, IDC_FONT);
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(again, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(shown, items.front());
}

TEST_F(DialogsTest, SettingsOkBuildsTheDisplayFontsAgain)
{
    HDC screen = GetDC(nullptr);
    EnumerateFontList(screen);
    ReleaseDC(nullptr, screen);
    const std::set<std::wstring> families = shift_jis_families();
    ASSERT_FALSE(families.empty());
    const std::wstring face = *families.begin();
    lstrcpynW(Settings.Font, L"NotInstalled", kSettingsTextUnits);
    Settings.FontSize = 10;
    CreateDisplayFonts();
    ASSERT_EQ(AppState.BodyFont, nullptr);
    BodyWidthCache[L'a'] = 6;
    BoldWidthCache[0x3042] = 12;

    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        SendDlgItemMessageW(d, IDC_FONT, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(face.c_str()));
        SetDlgItemTextW(d, IDC_FONT_SIZE, L"12");
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDOK);
    EXPECT_EQ(std::wstring(Settings.Font), face);
    EXPECT_EQ(Settings.FontSize, 12);
    ASSERT_NE(AppState.BodyFont, nullptr);
    ASSERT_NE(AppState.BoldFont, nullptr);
    LOGFONTW body = font_of(AppState.BodyFont), bold = font_of(AppState.BoldFont);
    EXPECT_EQ(std::wstring(body.lfFaceName), face);
    EXPECT_EQ(body.lfHeight, -16);   // 12 points at 96 pixels per inch
    EXPECT_EQ(body.lfWeight, 100);
    EXPECT_EQ(bold.lfWeight, 700);
    EXPECT_EQ(BodyWidthCache[L'a'], 0);
    EXPECT_EQ(BoldWidthCache[0x3042], 0);

    // A name that is not installed keeps the fonts as they are.
    HFONT kept = AppState.BodyFont;
    DialogDriver again(kSettingsCaption);
    again.then([&](HWND d) {
        SetWindowTextW(GetDlgItem(d, IDC_FONT), L"NotInstalled");
        SetDlgItemTextW(d, IDC_FONT_SIZE, L"20");
        press(d, IDOK);
    });
    EXPECT_EQ(run(again, [&] { return ShowSettingsDialog(main_); }), IDOK);
    EXPECT_EQ(std::wstring(Settings.Font), L"NotInstalled");
    EXPECT_EQ(AppState.BodyFont, kept);
    EXPECT_EQ(font_of(AppState.BodyFont).lfHeight, -16);
}

// Back deletes while the focused box has text and then goes back, in the
// settings dialog as in the board-list source dialog.
TEST_F(DialogsTest, SettingsBackKeyDeletesACharacterOnASmartphone)
{
    g_backKeyInputs = 0;
    set_back_key_input_sender(count_inputs);
    AppState.DeviceKind = DeviceSmartphone;
    int inputsWithText = -1;
    DialogDriver driver(kSettingsCaption);
    driver.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_PROXY_NAME, L"ab");
        SetFocus(GetDlgItem(d, IDC_PROXY_NAME));
        SendMessageW(d, WM_HOTKEY, 0, MAKELPARAM(0, VK_BACK_KEY));
        SendMessageW(d, WM_HOTKEY, 0, MAKELPARAM(kHotKeyReleased, VK_BACK_KEY));   // the release: nothing
        inputsWithText = g_backKeyInputs;
        SetDlgItemTextW(d, IDC_PROXY_NAME, L"");
        SendMessageW(d, WM_HOTKEY, 0, MAKELPARAM(0, VK_BACK_KEY));   // empty: back
    });
    EXPECT_EQ(run(driver, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    EXPECT_EQ(inputsWithText, 2);    // Backspace down and up, once
    EXPECT_EQ(g_backKeyInputs, 2);   // and none from the empty box

    g_backKeyInputs = 0;
    DialogDriver source(kBoardSourceCaption);
    source.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_BBSTABLE, L"ab");
        SetFocus(GetDlgItem(d, IDC_BBSTABLE));
        SendMessageW(d, WM_HOTKEY, 0, MAKELPARAM(0, VK_BACK_KEY));
        inputsWithText = g_backKeyInputs;
        SetDlgItemTextW(d, IDC_BBSTABLE, L"");
        SendMessageW(d, WM_HOTKEY, 0, MAKELPARAM(0, VK_BACK_KEY));
    });
    EXPECT_EQ(run(source, [&] { return ShowBoardListSourceDialog(main_); }), IDCANCEL);
    EXPECT_EQ(inputsWithText, 2);
    EXPECT_EQ(g_backKeyInputs, 2);

    // A Pocket PC keeps its Back key.
    g_backKeyInputs = 0;
    AppState.DeviceKind = DevicePocketPC;
    DialogDriver again(kSettingsCaption);
    again.then([&](HWND d) {
        SendMessageW(d, WM_HOTKEY, 0, MAKELPARAM(0, VK_BACK_KEY));
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(again, [&] { return ShowSettingsDialog(main_); }), IDCANCEL);
    EXPECT_EQ(g_backKeyInputs, 0);
}

// ---------------------------------------------------------------- debug settings

TEST_F(DialogsTest, DebugCheckBoxesChangeNothingUntilOk)
{
    Settings.DebugMode = 0;
    Settings.LogsExcludedFromCount = 1;
    bool debugShown = true, excludedShown = false;
    std::wstring texts;
    BarSeen bar;
    DialogDriver driver(kDebugCaption);
    driver.then(look_at_bar(&bar))
        .then([&](HWND d) {
            debugShown = IsDlgButtonChecked(d, IDC_DEBUG_MODE) == BST_CHECKED;
            excludedShown = IsDlgButtonChecked(d, IDC_LOGS_EXCLUDED) == BST_CHECKED;
            texts = text_of(GetDlgItem(d, IDC_DEBUG_MODE)) + L"|" + text_of(GetDlgItem(d, IDC_LOGS_EXCLUDED));
            SendDlgItemMessageW(d, IDC_DEBUG_MODE, BM_CLICK, 0, 0);
            SendDlgItemMessageW(d, IDC_LOGS_EXCLUDED, BM_CLICK, 0, 0);
        })
        .then([&](HWND d) {
            EXPECT_EQ(IsDlgButtonChecked(d, IDC_DEBUG_MODE), BST_CHECKED);
            EXPECT_EQ(Settings.DebugMode, 0);
            EXPECT_EQ(Settings.LogsExcludedFromCount, 1);
            press(d, IDCANCEL);
        });
    EXPECT_EQ(run(driver, [&] { return ShowDebugDialog(main_); }), IDCANCEL);
    EXPECT_FALSE(debugShown);
    EXPECT_TRUE(excludedShown);
    EXPECT_EQ(texts, L"通信Debugログ|ログはリスト数から除外");
    EXPECT_EQ(Settings.DebugMode, 0);
    EXPECT_EQ(Settings.LogsExcludedFromCount, 1);
    EXPECT_FALSE(view_invalidated());
    EXPECT_EQ(bar.left, static_cast<UINT>(IDOK));
    EXPECT_EQ(bar.right, static_cast<UINT>(IDCANCEL));
    expect_bar_released(bar);

    DialogDriver ok(kDebugCaption);
    ok.then([&](HWND d) {
        SendDlgItemMessageW(d, IDC_DEBUG_MODE, BM_CLICK, 0, 0);
        SendDlgItemMessageW(d, IDC_LOGS_EXCLUDED, BM_CLICK, 0, 0);
        press(d, IDOK);
    });
    EXPECT_EQ(run(ok, [&] { return ShowDebugDialog(main_); }), IDOK);
    EXPECT_EQ(Settings.DebugMode, 1);
    EXPECT_EQ(Settings.LogsExcludedFromCount, 0);
    EXPECT_TRUE(view_invalidated());
    // The debug settings need no new layout.
    EXPECT_TRUE(setting_changes().empty());
}

// ---------------------------------------------------------------- board-list source

namespace {

std::string sj(const char* utf8) { return utf8_to_sjis(utf8); }

// Program folder with its board files as at start, a main window, and the
// loopback board server with the sample menu reached as the proxy.
class BoardSourceDialog : public boardfetch_test::BoardFetchFixture {
protected:
    void SetUp() override
    {
        BoardFetchFixture::SetUp();
        if (HasFatalFailure()) return;
        main_ = create_owner();
        ASSERT_NE(main_, nullptr);
        AppState.hwndMain = main_;
        AppState.DeviceKind = DevicePocketPC;
        AppState.responseView = view_ = create_view();
        AppState.dialogMenuBar = nullptr;
        AppState.CategorySelector = CreateWindowW(kSelectorClass, kCategorySelectorText, kSelectorStyle, 0, 0,
                                                  110, 200, main_, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(AppState.CategorySelector, nullptr);
        setting_changes().clear();
        write_file_bytes(dir_.file("favorite.brd"), sj("お気に入りスレ\r\nモバイル,mobile\r\n"));
        write_file_bytes(dir_.file("2channel.brd"), oldFile_);
        ItaList_load();
        ASSERT_EQ(CategoryTable.lastCategory, 1);
        FillCategorySelector();
        reports_.clear();
        pump_messages();
    }

    void TearDown() override
    {
        DestroyWindow(view_);
        DestroyWindow(main_);
        pump_messages();
        BoardFetchFixture::TearDown();
    }

    void settle() { pump_until_idle(); }

    INT_PTR run(DialogDriver& driver)
    {
        settle();
        paintsBefore_ = g_viewPaints;
        driver.start();
        INT_PTR r = ShowBoardListSourceDialog(main_);
        driver.stop();
        EXPECT_TRUE(driver.all_steps_ran());
        EXPECT_FALSE(driver.timed_out());
        settle();
        return r;
    }

    bool view_invalidated() const { return g_viewPaints > paintsBefore_; }

    std::vector<std::wstring> category_names() const
    {
        std::vector<std::wstring> names;
        for (int32_t i = 0; i <= CategoryTable.lastCategory; ++i) names.push_back(CategoryTable.items[i].name);
        return names;
    }

    std::vector<std::wstring> selector_names() const { return combo_items(AppState.CategorySelector); }

    const std::string oldFile_ = "2\r\n" + sj("古いカテゴリ") + "\t0\r\n\told.2ch.net\told\t" + sj("古い板") + "\r\n";
    HWND main_ = nullptr;
    HWND view_ = nullptr;
    int paintsBefore_ = 0;
};

}  // namespace

TEST_F(BoardSourceDialog, ShowsTheUrlAndItsSoftKeys)
{
    std::wstring url, label, button;
    BarSeen bar;
    DialogDriver driver(kBoardSourceCaption);
    driver.then(look_at_bar(&bar)).then([&](HWND d) {
        url = control_text(d, IDC_BBSTABLE);
        label = static_texts(d).empty() ? L"" : static_texts(d)[0];
        button = control_text(d, IDOK);
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver), IDCANCEL);
    EXPECT_EQ(url, L"http://menu.2ch.net/bbsmenu.html");
    EXPECT_EQ(label, L"板一覧");
    EXPECT_EQ(button, L"Get");
    EXPECT_EQ(bar.left, static_cast<UINT>(IDOK));
    EXPECT_EQ(bar.right, static_cast<UINT>(IDCANCEL));
    expect_bar_released(bar);
}

TEST_F(BoardSourceDialog, CancelKeepsTheUrlAndFetchesNothing)
{
    DialogDriver driver(kBoardSourceCaption);
    driver.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_BBSTABLE, L"http://elsewhere.example/menu.html");
        press(d, IDCANCEL);
    });
    EXPECT_EQ(run(driver), IDCANCEL);
    EXPECT_EQ(std::wstring(Settings.BBSTable), L"http://menu.2ch.net/bbsmenu.html");
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(setting_changes().empty());
    EXPECT_FALSE(view_invalidated());
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), oldFile_);
}

TEST_F(BoardSourceDialog, OfflineKeepsTheNewUrlAndFetchesNothing)
{
    Settings.LineOnOff = 0;
    const CategoryArray before = CategoryTable;
    DialogDriver driver(kBoardSourceCaption);
    driver.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_BBSTABLE, L"http://elsewhere.example/menu.html");
        SendDlgItemMessageW(d, IDOK, BM_CLICK, 0, 0);   // the "Get" button
    });
    EXPECT_EQ(run(driver), IDOK);
    EXPECT_EQ(std::wstring(Settings.BBSTable), L"http://elsewhere.example/menu.html");
    auto reports = reports_.messages();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, L"Offlineモードです");
    EXPECT_EQ(reports[0].caption, L"Info");
    EXPECT_EQ(reports[0].owner, main_);
    EXPECT_EQ(reports[0].type & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), oldFile_);
    EXPECT_EQ(std::memcmp(&CategoryTable, &before, sizeof before), 0);
    EXPECT_EQ(selector_names(), (std::vector<std::wstring>{L"お気に入り", L"古いカテゴリ"}));
    EXPECT_EQ(setting_changes(), (std::vector<WPARAM>{kSettingChangeLayout}));
    EXPECT_TRUE(view_invalidated());
    EXPECT_EQ(AppState.dialogMenuBar, nullptr);
}

TEST_F(BoardSourceDialog, UrlIsCutTo259Characters)
{
    Settings.LineOnOff = 0;
    std::wstring url = L"http://long.example/" + std::wstring(300, L'a');
    DialogDriver driver(kBoardSourceCaption);
    driver.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_BBSTABLE, url.c_str());
        press(d, IDOK);
    });
    EXPECT_EQ(run(driver), IDOK);
    EXPECT_EQ(std::wstring(Settings.BBSTable), url.substr(0, 259));
}

TEST_F(BoardSourceDialog, OnlineWritesAndReloadsTheFetchedTable)
{
    DialogDriver driver(kBoardSourceCaption);
    driver.then([&](HWND d) {
        SetDlgItemTextW(d, IDC_BBSTABLE, L"http://menu2.2ch.net/bbsmenu.html");
        press(d, IDOK);   // the soft key "板一覧取得"
    });
    EXPECT_EQ(run(driver), IDOK);
    EXPECT_EQ(std::wstring(Settings.BBSTable), L"http://menu2.2ch.net/bbsmenu.html");
    auto reqs = requests(1);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].target, "http://menu2.2ch.net/bbsmenu.html");
    EXPECT_TRUE(messages().empty()) << wide_to_utf8(messages()[0].text);

    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")),
              "2\r\n" + sj("PC等") + "\t0\r\n" +
                  "\tpc.2ch.net\tmobile\t" + sj("モバイル") + "\r\n" +
                  "\tpc.2ch.net\tsoftware\t" + sj("ソフトウェア") + "\r\n" +
                  sj("ニュース") + "\t0\r\n" +
                  "\tsrv.2ch.net\tnews\t" + sj("ニュース速報") + "\r\n" +
                  sj("雑談") + "\t0\r\n" +
                  "\tsrv.2ch.net/sub\tzatsudan\t" + sj("雑談") + "\r\n");

    // Read back: one favourites category in front of the menu's.
    EXPECT_EQ(category_names(), (std::vector<std::wstring>{L"お気に入り", L"PC等", L"ニュース", L"雑談"}));
    ASSERT_EQ(BoardTable.count, 6);
    EXPECT_EQ(CategoryTable.items[0].first, 4);
    EXPECT_EQ(CategoryTable.items[0].last, 5);
    EXPECT_EQ(std::wstring(BoardTable.items[4].name), L"お気に入りスレ");
    EXPECT_EQ(std::wstring(BoardTable.items[5].name), L"モバイル");
    EXPECT_EQ(selector_names(), category_names());
    EXPECT_EQ(setting_changes(), (std::vector<WPARAM>{kSettingChangeLayout}));

    // A second fetch gives the same file and still one favourites category.
    DialogDriver again(kBoardSourceCaption);
    again.then([&](HWND d) { press(d, IDOK); });
    const std::string written = read_file_bytes(dir_.file("2channel.brd"));
    EXPECT_EQ(run(again), IDOK);
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), written);
    EXPECT_EQ(category_names(), (std::vector<std::wstring>{L"お気に入り", L"PC等", L"ニュース", L"雑談"}));
}

// The first fetch, from a menu of a single category: the table is kept for
// the next start, the favourites come first, and the board selector no longer
// lists the old table's boards.
TEST_F(BoardSourceDialog, OneCategoryMenuIsKeptAndTheBoardSelectorFollows)
{
    HWND boards = CreateWindowW(kSelectorClass, L"", kSelectorStyle, 110, 0, 110, 200, main_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(boards, nullptr);
    AppState.BoardSelector = boards;
    FillBoardSelector(1);
    ASSERT_EQ(combo_items(boards), (std::vector<std::wstring>{L"古い板"}));
    DeleteFileA(dir_.file("2channel.brd").c_str());
    server_.put_menu(sj("<B>PC等</B><br>\n<A HREF=http://pc.2ch.net/mobile/>モバイル</A><br>\n"));

    DialogDriver driver(kBoardSourceCaption);
    driver.then([&](HWND d) { press(d, IDOK); });
    EXPECT_EQ(run(driver), IDOK);
    EXPECT_TRUE(messages().empty()) << wide_to_utf8(messages()[0].text);
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")),
              "2\r\n" + sj("PC等") + "\t0\r\n\tpc.2ch.net\tmobile\t" + sj("モバイル") + "\r\n");
    EXPECT_EQ(category_names(), (std::vector<std::wstring>{L"お気に入り", L"PC等"}));
    EXPECT_EQ(selector_names(), category_names());
    EXPECT_TRUE(combo_items(boards).empty());
    DestroyWindow(boards);
}

TEST_F(BoardSourceDialog, FailedFetchLeavesTheBoardFileUntouched)
{
    server_.set_redirect("/bbsmenu.html", "http://menu9.2ch.net/bbsmenu.html", 302);
    const CategoryArray before = CategoryTable;
    const int32_t boardsBefore = BoardTable.count;
    DialogDriver driver(kBoardSourceCaption);
    driver.then([&](HWND d) { press(d, IDOK); });
    EXPECT_EQ(run(driver), IDOK);
    expect_messages({{L"移転してるかも(302)", L"get_html_sabun"}, {L"bbstable取得に失敗", L"ItaList_get"}});
    // Nothing written, nothing reloaded: the favourites are not stored as an
    // ordinary category to come back a second time.
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), oldFile_);
    EXPECT_EQ(std::memcmp(&CategoryTable, &before, sizeof before), 0);
    EXPECT_EQ(BoardTable.count, boardsBefore);
    EXPECT_EQ(category_names(), (std::vector<std::wstring>{L"お気に入り", L"古いカテゴリ"}));
    EXPECT_EQ(selector_names(), category_names());

    // The same after the server stops answering at all.
    reports_.clear();
    server_.stop();
    DialogDriver again(kBoardSourceCaption);
    again.then([&](HWND d) { press(d, IDOK); });
    EXPECT_EQ(run(again), IDOK);
    auto got = messages();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().text, L"bbstable取得に失敗");
    EXPECT_EQ(got.back().caption, L"ItaList_get");
    EXPECT_EQ(read_file_bytes(dir_.file("2channel.brd")), oldFile_);
    EXPECT_EQ(category_names(), (std::vector<std::wstring>{L"お気に入り", L"古いカテゴリ"}));
}
