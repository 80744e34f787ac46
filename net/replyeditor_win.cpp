#include "net/replyeditor_win.h"

#include <cwchar>

#include "base/appstate.h"
#include "net/post_win.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"
#include "store/settings.h"

ReplyDraftRecord ReplyDraft;

namespace {

HWND g_modeless = nullptr;

// What the editor holds, read into buffers of the editor's capacities.
void read_texts(HWND dialog, ReplyDraftRecord* t)
{
    GetDlgItemTextW(dialog, IDC_REPLY_NAME, t->name, kReplyNameUnits);
    GetDlgItemTextW(dialog, IDC_REPLY_MAIL, t->mail, kReplyNameUnits);
    GetDlgItemTextW(dialog, IDC_REPLY_MESSAGE, t->message, kReplyMessageUnits);
}

void set_limits(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_REPLY_NAME, EM_LIMITTEXT, kReplyNameUnits - 1, 0);
    SendDlgItemMessageW(dialog, IDC_REPLY_MAIL, EM_LIMITTEXT, kReplyNameUnits - 1, 0);
    SendDlgItemMessageW(dialog, IDC_REPLY_MESSAGE, EM_LIMITTEXT, kReplyMessageUnits - 1, 0);
}

// A Smartphone has no touch screen: it posts through its soft key (modal) or
// the dialog manager's Enter in a single-line field (modeless).
void hide_buttons_on_smartphone(HWND dialog)
{
    if (AppState.DeviceKind != DeviceSmartphone) return;
    ShowWindow(GetDlgItem(dialog, IDOK), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_REPLY_SAGE), SW_HIDE);
}

// Posted rather than done here, so the mail field reads "sage" on every
// opening, also over a draft's mail text.
void show_and_sage(HWND dialog)
{
    ShowWindow(dialog, SW_SHOW);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_REPLY_SAGE, BN_CLICKED), 0);
}

void sage(HWND dialog) { SetDlgItemTextW(dialog, IDC_REPLY_MAIL, kSageText); }

// ---- the modal kind

void modal_init(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_REPLY);
    set_limits(dialog);
    hide_buttons_on_smartphone(dialog);
    SetDlgItemTextW(dialog, IDC_REPLY_NAME, ReplyDraft.name);
    SetDlgItemTextW(dialog, IDC_REPLY_MAIL, ReplyDraft.mail);
    SetDlgItemTextW(dialog, IDC_REPLY_MESSAGE, ReplyDraft.message);
    ReplyDraft = ReplyDraftRecord{};
    show_and_sage(dialog);
}

void modal_cancel(HWND dialog)
{
    read_texts(dialog, &ReplyDraft);
    EndDialog(dialog, IDCANCEL);
}

void modal_post(HWND dialog)
{
    ReplyDraftRecord t;
    read_texts(dialog, &t);
    if (run_post_res(t.name, t.mail, t.message, dialog) != 1) {
        modal_cancel(dialog);
        return;
    }
    EndDialog(dialog, IDOK);
    // The thread is reloaded, so the new response shows at once.
    if (AppState.hwndMain) PostMessageW(AppState.hwndMain, WM_COMMAND, MAKEWPARAM(IDM_RELOAD_THREAD, 0), 0);
}

INT_PTR modal_command(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        modal_post(dialog);
        return TRUE;
    case IDCANCEL:
        modal_cancel(dialog);
        return TRUE;
    case IDC_REPLY_SAGE:
        sage(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

// ---- the modeless kind

void modeless_init(HWND dialog)
{
    set_limits(dialog);
    SetWindowPos(dialog, nullptr, 0, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    hide_buttons_on_smartphone(dialog);
    show_and_sage(dialog);
}

void modeless_post(HWND dialog)
{
    HWND button = GetDlgItem(dialog, IDOK);
    // Disabled for the time of the post: a second Enter must not post twice.
    if (!IsWindowEnabled(button)) return;
    EnableWindow(button, FALSE);
    ReplyDraftRecord t;
    read_texts(dialog, &t);
    if (run_post_res(t.name, t.mail, t.message, dialog) == 1) {
        DestroyWindow(dialog);
        return;
    }
    EnableWindow(button, TRUE);
}

INT_PTR modeless_command(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        modeless_post(dialog);
        return TRUE;
    case IDCANCEL:
        DestroyWindow(dialog);
        return TRUE;
    case IDC_REPLY_SAGE:
        sage(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ReplyEditorModalProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        modal_init(dialog);
        return TRUE;
    case WM_COMMAND:
        return modal_command(dialog, LOWORD(wp));
    case WM_DESTROY:
        release_dialog_menu_bar(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK ReplyEditorModelessProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        modeless_init(dialog);
        return TRUE;
    case WM_COMMAND:
        return modeless_command(dialog, LOWORD(wp));
    case WM_DESTROY:
        if (g_modeless == dialog) g_modeless = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

HWND ReplyEditor_modeless() { return g_modeless; }

INT_PTR ReplyEditor_open(HWND owner)
{
    if ((Settings.Flag & kFlagModelessReplyEditor) == 0) {
        return DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_REPLY_EDITOR), owner, ReplyEditorModalProc,
                               0) == IDOK
                   ? IDOK
                   : IDCANCEL;
    }
    if (g_modeless) {
        SetForegroundWindow(g_modeless);
        return 0;
    }
    g_modeless =
        CreateDialogParamW(program_instance(), MAKEINTRESOURCEW(IDD_REPLY_EDITOR), owner, ReplyEditorModelessProc, 0);
    return 0;
}
