#include "net/replyeditor_win.h"

#include <cwchar>

#include "base/appstate.h"
#include "net/post_win.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"
#include "store/settings.h"

ReplyDraftRecord ReplyDraft;
NewThreadDraftRecord NewThreadDraft;

namespace {

HWND g_modeless = nullptr;

// What the open modal editor writes: a reply to the open thread (no title),
// or a new thread of `board`.
struct ModalSession {
    ReplyDraftRecord* draft;
    wchar_t* titleDraft;        // kNewThreadTitleUnits; null for a reply
    const BoardEntry* board;    // the new thread's board
    wchar_t* postedTitle;       // the title of a new thread that went through
};
// One modal editor at a time: the one whose dialog is running.
ModalSession* g_session = nullptr;

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
    const ModalSession& s = *g_session;
    attach_dialog_menu_bar(dialog, IDR_MENU_REPLY);
    set_limits(dialog);
    hide_buttons_on_smartphone(dialog);
    SetDlgItemTextW(dialog, IDC_REPLY_NAME, s.draft->name);
    SetDlgItemTextW(dialog, IDC_REPLY_MAIL, s.draft->mail);
    SetDlgItemTextW(dialog, IDC_REPLY_MESSAGE, s.draft->message);
    *s.draft = ReplyDraftRecord{};
    if (!s.titleDraft) {
        show_and_sage(dialog);
        return;
    }
    // A new thread is not sunk: its mail field is the draft's.
    SendDlgItemMessageW(dialog, IDC_NEW_THREAD_TITLE, EM_LIMITTEXT, kNewThreadTitleUnits - 1, 0);
    SetDlgItemTextW(dialog, IDC_NEW_THREAD_TITLE, s.titleDraft);
    s.titleDraft[0] = L'\0';
    ShowWindow(dialog, SW_SHOW);
}

void read_title(HWND dialog, wchar_t* title)
{
    GetDlgItemTextW(dialog, IDC_NEW_THREAD_TITLE, title, kNewThreadTitleUnits);
}

void modal_cancel(HWND dialog)
{
    read_texts(dialog, g_session->draft);
    if (g_session->titleDraft) read_title(dialog, g_session->titleDraft);
    EndDialog(dialog, IDCANCEL);
}

void modal_post(HWND dialog)
{
    const ModalSession& s = *g_session;
    ReplyDraftRecord t;
    read_texts(dialog, &t);
    wchar_t title[kNewThreadTitleUnits] = L"";
    if (s.titleDraft) read_title(dialog, title);
    const int posted = s.titleDraft ? run_post_new_thread(*s.board, title, t.name, t.mail, t.message, dialog)
                                    : run_post_res(t.name, t.mail, t.message, dialog);
    if (posted != 1) {
        modal_cancel(dialog);
        return;
    }
    EndDialog(dialog, IDOK);
    if (s.titleDraft) {
        std::wmemcpy(s.postedTitle, title, kNewThreadTitleUnits);
        return;
    }
    // The thread is reloaded, so the new response shows at once.
    if (AppState.hwndMain) PostMessageW(AppState.hwndMain, WM_COMMAND, MAKEWPARAM(IDM_RELOAD_THREAD, 0), 0);
}

INT_PTR run_modal(HWND owner, int templateId, ModalSession* session)
{
    ModalSession* outer = g_session;
    g_session = session;
    INT_PTR r = DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(templateId), owner, ReplyEditorModalProc, 0);
    g_session = outer;
    return r == IDOK ? IDOK : IDCANCEL;
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
        ModalSession session{&ReplyDraft, nullptr, nullptr, nullptr};
        return run_modal(owner, IDD_REPLY_EDITOR, &session);
    }
    if (g_modeless) {
        SetForegroundWindow(g_modeless);
        return 0;
    }
    g_modeless =
        CreateDialogParamW(program_instance(), MAKEINTRESOURCEW(IDD_REPLY_EDITOR), owner, ReplyEditorModelessProc, 0);
    return 0;
}

INT_PTR NewThreadEditor_open(HWND owner, const BoardEntry& board, wchar_t* postedTitle)
{
    postedTitle[0] = L'\0';
    ModalSession session{&NewThreadDraft.texts, NewThreadDraft.title, &board, postedTitle};
    return run_modal(owner, IDD_NEW_THREAD_EDITOR, &session);
}
