#include "app/startup_win.h"

#include <commctrl.h>

#include <cwchar>

#include "app/fonts_win.h"
#include "app/layout_win.h"
#include "app/listkeys_win.h"
#include "app/mainwindow_win.h"
#include "app/searchboxes_win.h"
#include "app/selectors_win.h"
#include "app/shelltexts.h"
#include "base/appstate.h"
#include "base/handles.h"
#include "base/progress_win.h"
#include "base/report.h"
#include "net/replyeditor_win.h"
#include "platform/commandbar.h"
#include "platform/device.h"
#include "platform/softkeybar.h"
#include "platform/softkeys_win.h"
#include "reader/ngfilter_win.h"
#include "reader/opentable_win.h"
#include "reader/resview_win.h"
#include "reader/stateicons_win.h"
#include "reader/threadentry.h"
#include "reader/threadlist_win.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/favorites.h"
#include "store/logpaths.h"
#include "store/responses.h"
#include "store/settings.h"

namespace {
constexpr WORD kSocketsVersion = MAKEWORD(1, 1);

SocketStartup g_socketStartup = WSAStartup;

// What the creation sequence set up, so that the destruction sequence takes
// down only that.
struct Started {
    bool sockets = false;
    bool settings = false;
};
Started g_started;

void create_command_bars(HWND main)
{
    HINSTANCE inst = AppState.instance;
    AppState.ListToolbar = commandbar_create(inst, main, IDC_LIST_TOOLBAR);
    commandbar_add_bitmap(AppState.ListToolbar, inst, IDB_LIST_TOOLBAR, LIST_TOOLBAR_IMAGES);
    const TBBUTTON listButtons[] = {
        {0, IDM_ONLINE, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, 0},
        {1, IDM_SWITCH_VIEW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {2, IDM_RELOAD_LIST, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {3, IDM_UPDATE_CHECK, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {4, IDM_SETTINGS_MENU, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, 0},
    };
    commandbar_add_buttons(AppState.ListToolbar, LIST_TOOLBAR_IMAGES, listButtons);

    AppState.ThreadToolbar = commandbar_create(inst, main, IDC_THREAD_TOOLBAR);
    commandbar_add_bitmap(AppState.ThreadToolbar, inst, IDB_THREAD_TOOLBAR, THREAD_TOOLBAR_IMAGES);
    const TBBUTTON threadButtons[] = {
        {0, IDM_ONLINE, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, 0},
        {1, IDM_SWITCH_VIEW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {2, IDM_RELOAD_THREAD, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {3, IDM_COPY_DIALOG, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {4, IDM_WRITE, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {5, IDM_CLOSE_THREAD, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {6, IDM_DELETE_LOG, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {7, IDM_SETTINGS_MENU, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, 0},
    };
    commandbar_add_buttons(AppState.ThreadToolbar, THREAD_TOOLBAR_IMAGES, threadButtons);
    AppState.currentToolbar = AppState.ListToolbar;
}

void create_menu_bars(HWND main)
{
    bool alternative = (Settings.Flag & kFlagAlternativeMenuBars) != 0;
    AppState.ListMenuBar = CreateMenuBarFor(main, alternative ? IDR_LIST_MENU_ALT : IDR_LIST_MENU, AppState.hwndMain);
    AppState.ThreadMenuBar =
        CreateMenuBarFor(main, alternative ? IDR_THREAD_MENU_ALT : IDR_THREAD_MENU, AppState.hwndMain);
    softkey_bar_show(AppState.ThreadMenuBar, false);
}

void set_small_icon(HWND main)
{
    HANDLE icon = LoadImageW(AppState.instance, MAKEINTRESOURCEW(IDI_QUORVEX), IMAGE_ICON, 16, 16, LR_SHARED);
    if (icon) SendMessageW(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void init_common_controls()
{
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&icc);
}

void enumerate_fonts(HWND progress)
{
    HDC dc = GetDC(progress);
    EnumerateFontList(dc);
    ReleaseDC(progress, dc);
}

void read_pixels_per_inch(HWND main)
{
    WindowDC dc(main);
    AppState.pixelsPerInch = GetDeviceCaps(dc.get(), LOGPIXELSY);
}

void create_views(HWND main)
{
    CreateResponseView(main);
    CreateResponseSearchBox(main);
    CreateOpenThreadSelector(main);
    SubclassThreadListKeys(CreateThreadListView(main));
    CreateCategorySelector(main);
    CreateBoardSelector(main);
    FillCategorySelector();
    CreateThreadSearchBox(main);
}

void destroy_bars()
{
    commandbar_destroy(AppState.ListToolbar);
    commandbar_destroy(AppState.ThreadToolbar);
    softkey_bar_destroy(AppState.ListMenuBar);
    softkey_bar_destroy(AppState.ThreadMenuBar);
    AppState.ListToolbar = AppState.ThreadToolbar = AppState.currentToolbar = nullptr;
    AppState.ListMenuBar = AppState.ThreadMenuBar = nullptr;
}
}  // namespace

void set_socket_startup(SocketStartup startup) { g_socketStartup = startup ? startup : WSAStartup; }

bool BringRunningInstanceToFront()
{
    HWND running = FindWindowW(kMainWindowClass, nullptr);
    if (!running) return false;
    SetForegroundWindow(running);
    return true;
}

int32_t DetermineDeviceKind()
{
    wchar_t type[261];
    if (!platform_get_type(type, 261)) return DeviceUnknown;
    if (_wcsicmp(type, L"Smartphone") == 0) return DeviceSmartphone;
    if (_wcsicmp(type, L"PocketPC") == 0) return DevicePocketPC;
    return DeviceOther;
}

bool RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUORVEX));
    wc.hCursor = nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance, int show)
{
    AppState.instance = instance;
    // The platform's default place and size: on the handset, its screen.
    RECT r = platform_default_window_rect(WS_VISIBLE, 0);
    HWND main = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_VISIBLE, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!main) return nullptr;
    AppState.hwndMain = main;
    ShowWindow(main, show);
    UpdateWindow(main);
    return main;
}

int RunMessageLoop(HWND main)
{
    HACCEL accelerators = LoadAcceleratorsW(AppState.instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg = {};
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) return 0;
        // The modeless reply editor takes its own keys first (Tab between
        // its fields, and Ctrl+Z undoing typing rather than closing the
        // thread).
        HWND editor = ReplyEditor_modeless();
        if (editor && IsDialogMessageW(editor, &msg)) continue;
        if (!accelerators || !TranslateAcceleratorW(main, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

LRESULT RunCreationSequence(HWND main)
{
    g_started = Started{};
    // The main window's handle is not stored yet: the dialog has no owner.
    HWND progress = CreateProgressDialog(AppState.hwndMain, kProgressInitialising);
    Settings.SortNew = 1;

    WSADATA wsa;
    if (g_socketStartup(kSocketsVersion, &wsa) != 0) {
        report_message(nullptr, kTextSocketStartupFailed, kCaptionShellError, MB_OK);
        if (progress) DestroyWindow(progress);
        return -1;
    }
    g_started.sockets = true;

    settings_fill_program_directory();
    inifile_defaults();
    inifile_load();
    create_log_root();
    inifile_save();
    g_started.settings = true;

    if (Settings.Flag & kFlagSearchBoxAlwaysShown) AppState.SearchBoxShown = 1;

    create_thread_list();
    create_command_bars(main);
    create_menu_bars(main);
    set_small_icon(main);

    favorite_ita_create();
    favorite_sure_create();
    ng_start();

    ComputeLayout(main);
    init_common_controls();
    enumerate_fonts(progress);
    read_pixels_per_inch(main);
    CreateDisplayFonts(FontSearch::FirstMatch);

    ItaList_load();

    create_views(main);

    ShowOnlineState(Settings.LineOnOff);
    thread_list_show_sort_mark();
    if (Settings.LogOnlyMode == 1) SetMenuBarCheck(AppState.ListMenuBar, IDM_LOG_ONLY, true);

    Alloc_resdata_buf();

    CloseProgressDialog(progress);

    SetForegroundWindow(main);
    AppState.view = ListMode;
    ApplyLayout();
    return 0;
}

void RunDestructionSequence(HWND main)
{
    // A creation that stopped before the sockets layer set nothing up.
    if (!g_started.sockets) return;
    if (g_started.settings) inifile_save();

    HWND progress = CreateProgressDialog(main, kProgressShuttingDown);
    for (int i = OpenThreadTable.count - 1; i >= 0; --i) Resdata_close(i, 0);
    OpenThreadTable.count = 0;
    OpenThreadTable.current = -1;
    CloseProgressDialog(progress);

    destroy_state_images();
    destroy_bars();
    delete_thread_list();
    DeleteDisplayFonts();
    FreeFontList();

    PostQuitMessage(0);
    WSACleanup();
    g_started = Started{};
}
