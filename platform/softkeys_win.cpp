#include "platform/softkeys_win.h"

#include <commctrl.h>

#include "base/appstate.h"
#include "base/report.h"
#include "platform/fullscreen.h"
#include "platform/softkeybar.h"

namespace {
constexpr UINT kBackKey = VK_ESCAPE;   // the Smartphone Back key
constexpr UINT_PTR kDialogBackSubclass = 0x4241434B;
BackKeyInputSender g_send = SendInput;

bool is_back_press(UINT msg, LPARAM lp)
{
    return msg == WM_HOTKEY && HIWORD(lp) == kBackKey && !(LOWORD(lp) & kHotKeyReleased);
}

void send_backspace()
{
    INPUT keys[2] = {};
    for (INPUT& k : keys) {
        k.type = INPUT_KEYBOARD;
        k.ki.wVk = VK_BACK;
        k.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VK_BACK, 0));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    g_send(2, keys, sizeof(INPUT));
}

// The dialog's focused edit box holds text the user may delete.
bool focused_box_has_text(HWND dialog)
{
    HWND focus = GetFocus();
    wchar_t name[16] = L"";
    if (!focus || !IsChild(dialog, focus) || !GetClassNameW(focus, name, 16) || lstrcmpiW(name, L"Edit") != 0)
        return false;
    if (GetWindowLongW(focus, GWL_STYLE) & ES_READONLY) return false;
    return GetWindowTextLengthW(focus) > 0;
}

// Every dialog with a soft-key bar on a Smartphone: Back deletes a character
// while the focused box has text, and goes back (Cancel) when it has none.
LRESULT CALLBACK dialog_back_key(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR)
{
    if (is_back_press(msg, lp)) {
        if (focused_box_has_text(dialog)) send_backspace();
        else PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(dialog, dialog_back_key, kDialogBackSubclass);
    return DefSubclassProc(dialog, msg, wp, lp);
}
}  // namespace

void set_back_key_input_sender(BackKeyInputSender sender) { g_send = sender ? sender : SendInput; }

void ApplyBackKeyOverride(HWND bar)
{
    if (bar && AppState.DeviceKind == DeviceSmartphone)
        softkey_bar_override_key(bar, kBackKey, kSoftKeyOverrideNoDefault | kSoftKeyOverrideNotify);
}

HWND CreateMenuBarFor(HWND owner, UINT menuId, HWND messageOwner)
{
    HWND bar = softkey_bar_create(owner, menuId, AppState.instance);
    if (!bar) {
        report_message(messageOwner, kTextMenuBarFailed, kCaptionShellError, MB_OK);
        return nullptr;
    }
    ApplyBackKeyOverride(bar);
    return bar;
}

HWND InitDialogMenuBar(HWND dialog, UINT menuId)
{
    fullscreen_dialog_init(dialog, kDialogDoneButton | kDialogFullScreen | kDialogInputPanelDown |
                                       kDialogScrollWhenNeeded);
    HWND bar = CreateMenuBarFor(dialog, menuId, dialog);
    AppState.dialogMenuBar = bar;
    if (bar && AppState.DeviceKind == DeviceSmartphone)
        SetWindowSubclass(dialog, dialog_back_key, kDialogBackSubclass, 0);
    return bar;
}

void DestroyDialogMenuBar(HWND bar)
{
    if (bar) softkey_bar_destroy(bar);
    if (AppState.dialogMenuBar == bar) AppState.dialogMenuBar = nullptr;
}

void attach_dialog_menu_bar(HWND dialog, UINT menuId)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(InitDialogMenuBar(dialog, menuId)));
}

void release_dialog_menu_bar(HWND dialog)
{
    DestroyDialogMenuBar(reinterpret_cast<HWND>(GetWindowLongPtrW(dialog, DWLP_USER)));
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
}

INT_PTR soft_key_dialog(HWND dialog, UINT msg, WPARAM wp, void (*init)(HWND), void (*accept)(HWND))
{
    switch (msg) {
    case WM_INITDIALOG:
        init(dialog);
        return TRUE;
    case WM_COMMAND: {
        const WORD id = LOWORD(wp);
        if (id == IDOK && accept) {
            accept(dialog);
            return TRUE;
        }
        if (id != IDOK && id != IDCANCEL) return FALSE;
        EndDialog(dialog, id);
        return TRUE;
    }
    case WM_DESTROY:
        release_dialog_menu_bar(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

void SetMenuBarCheck(HWND menuBar, UINT command, bool checked)
{
    HMENU popup = softkey_bar_popup(menuBar, 0);
    if (!popup) return;
    // By command, the platform searches the submenus too.
    CheckMenuItem(popup, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool TranslateBackKey(UINT msg, WPARAM, LPARAM lp)
{
    if (AppState.DeviceKind != DeviceSmartphone || !is_back_press(msg, lp)) return false;
    send_backspace();
    return true;
}
