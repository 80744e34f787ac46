#include "platform/softkeys_win.h"

#include "base/appstate.h"
#include "base/report.h"
#include "platform/fullscreen.h"
#include "platform/softkeybar.h"

namespace {
constexpr UINT kBackKey = VK_ESCAPE;   // the Smartphone Back key
BackKeyInputSender g_send = SendInput;
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
    if (AppState.DeviceKind != DeviceSmartphone || msg != WM_HOTKEY) return false;
    if (HIWORD(lp) != kBackKey || (LOWORD(lp) & kHotKeyReleased)) return false;
    INPUT keys[2] = {};
    for (INPUT& k : keys) {
        k.type = INPUT_KEYBOARD;
        k.ki.wVk = VK_BACK;
        k.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VK_BACK, 0));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    g_send(2, keys, sizeof(INPUT));
    return true;
}
