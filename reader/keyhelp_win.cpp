#include "reader/keyhelp_win.h"

#include "base/appkinds.h"
#include "base/appstate.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"

namespace {

void key_help_init(HWND dialog) { attach_dialog_menu_bar(dialog, IDR_MENU_OK); }

INT_PTR CALLBACK KeyHelpDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    return soft_key_dialog(dialog, msg, wp, key_help_init, nullptr);
}

INT_PTR show_key_help(HWND owner, UINT templateId)
{
    return DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(templateId), owner, KeyHelpDialogProc, 0);
}

}  // namespace

INT_PTR ShowKeyHelpDialog(HWND owner, int32_t view)
{
    if (view != ThreadMode) return ShowResponseKeysDialog(owner);
    return show_key_help(owner, IDD_KEYHELP_KEYS);
}

INT_PTR ShowResponseKeysDialog(HWND owner) { return show_key_help(owner, IDD_KEYHELP_VIEW); }
