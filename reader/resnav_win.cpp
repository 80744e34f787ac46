#include "reader/resnav_win.h"

#include <commctrl.h>

#include "base/appstate.h"
#include "base/handles.h"
#include "platform/commandbar.h"
#include "platform/softkeys_win.h"
#include "reader/conversation.h"
#include "reader/keyhelp_win.h"
#include "reader/popup_win.h"
#include "reader/resdraw_win.h"
#include "reader/resdetail_win.h"
#include "reader/resnav.h"
#include "reader/resview_win.h"
#include "res/resource.h"

namespace {

// Modal dialogs and popups belong to the main window; before it exists (and
// in a view of its own) to the view's top-level window.
HWND owner_for(HWND view)
{
    if (AppState.hwndMain) return AppState.hwndMain;
    HWND root = GetAncestor(view, GA_ROOT);
    return root ? root : view;
}

bool shift_held() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// The header `step` (1 or -1) responses on from `position`, past the
// responses that show nothing at all.
int32_t shown_response_position(ResponseBuffer& t, int32_t position, int step)
{
    for (;;) {
        const int32_t next =
            step > 0 ? next_response_position(t, position) : previous_response_position(t, position);
        if (next == position || !line_takes_no_row(t, next)) return next;
        position = next;
    }
}

void next_response(HWND view)
{
    ResponseBuffer* t = current_thread();
    const ScrollRecord* record = current_scroll_record();
    if (!t || !t->lines || !record) return;
    ResponseView_set_position(view, shown_response_position(*t, record->nPos, 1));
}

void previous_response(HWND view)
{
    ResponseBuffer* t = current_thread();
    const ScrollRecord* record = current_scroll_record();
    if (!t || !t->lines || !record) return;
    ResponseView_set_position(view, shown_response_position(*t, record->nPos, -1));
}

// F, R, I: a popup of what the response at the top of the view anchors,
// what answers it, or what shares its ID.
void follow_top_response(HWND view, Follow what)
{
    const ResponseBuffer* t = current_thread();
    const ScrollRecord* record = current_scroll_record();
    if (!t || !t->lines || !record) return;
    ResponsePopup_follow(view, response_at_top(*t, record->nPos), what);
}

// B: back to where the view was before it last jumped to a response.
void go_back(HWND view)
{
    ResponseBuffer* t = current_thread();
    ThreadConversation* c = t ? conversation_of(*t) : nullptr;
    int32_t position = 0;
    if (c && pop_back_position(*c, &position)) ResponseView_set_position(view, position);
}

void key_help(HWND view)
{
    ShowResponseKeysDialog(owner_for(view));
    SetFocus(view);
}

void response_detail(HWND view)
{
    ResponseDetail_open(owner_for(view));
    SetFocus(view);
}

void show_thread_list()
{
    if (AppState.hwndMain) PostMessageW(AppState.hwndMain, WM_COMMAND, MAKEWPARAM(IDM_SWITCH_VIEW, 0), 0);
}

// Where show_action_menu_below opens, in screen coordinates.
RECT action_menu_anchor(HWND bar, HWND fallback)
{
    RECT button{};
    if (bar && IsWindowVisible(bar) && commandbar_button_rect(bar, IDM_SETTINGS_MENU, &button)) {
        MapWindowPoints(bar, HWND_DESKTOP, reinterpret_cast<POINT*>(&button), 2);
        return button;
    }
    POINT origin{0, 0};
    ClientToScreen(fallback, &origin);
    return RECT{origin.x, origin.y, origin.x, origin.y};
}

// ---- the jump dialog

void jump_init(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_OK_CANCEL);
    const ResponseBuffer* t = current_thread();
    const ScrollRecord* record = current_scroll_record();
    const int32_t count = t ? t->responseCount : 0;
    int32_t lowest = 1, highest = 1;
    jump_range(count, &lowest, &highest);
    SendDlgItemMessageW(dialog, IDC_JUMP_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(lowest),
                        static_cast<LPARAM>(highest));
    const int32_t top = t && record ? response_at_top(*t, record->nPos) : 0;
    SetDlgItemInt(dialog, IDC_JUMP_NUMBER, static_cast<UINT>(top), FALSE);
}

void jump_ok(HWND dialog)
{
    wchar_t text[kJumpDigits + 1] = {};
    GetDlgItemTextW(dialog, IDC_JUMP_NUMBER, text, static_cast<int>(kJumpDigits + 1));
    const ResponseBuffer* t = current_thread();
    ScrollRecord* record = current_scroll_record();
    if (t && t->lines && record)
        record->nPos = jump_position(*t, jump_number(reinterpret_cast<const char16_t*>(text)));
    EndDialog(dialog, IDCANCEL);
}

}  // namespace

INT_PTR CALLBACK JumpDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        jump_init(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) jump_ok(dialog);
        if (LOWORD(wp) == IDCANCEL) EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        release_dialog_menu_bar(dialog);
        return FALSE;
    }
    return FALSE;
}

void ResponseView_jump_dialog(HWND view)
{
    const ResponseBuffer* t = current_thread();
    if (!t || !t->lines) return;
    DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_JUMP), owner_for(view), JumpDialogProc, 0);
    InvalidateRect(view, nullptr, TRUE);
    SetFocus(view);
}

void ResponseView_action_menu(HWND view) { show_action_menu_below(AppState.ThreadToolbar, view, owner_for(view)); }

void show_action_menu_below(HWND bar, HWND fallback, HWND owner)
{
    const RECT button = action_menu_anchor(bar, fallback);
    UniqueMenu menu(LoadMenuW(program_instance(), MAKEINTRESOURCEW(IDR_ACTION_MENU)));
    track_menu_below(menu.get(), button, owner);
}

void track_menu_below(HMENU menu, const RECT& button, HWND owner)
{
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (!popup) return;
    AppState.lastPopupMenu = menu;
    TPMPARAMS exclude{sizeof exclude, button};
    TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, button.left, button.bottom, owner, &exclude);
    AppState.lastPopupMenu = nullptr;
}

void ResponseView_tap(HWND view, LPARAM point)
{
    SetFocus(view);
    // A tap on a popup reaches the popup; one that reaches the view is outside them all.
    if (ResponsePopup_depth() > 0) {
        ResponsePopup_close_all();
        return;
    }
    ResponseBuffer* t = current_thread();
    if (!t || !t->lines) return;
    const LineHit hit = ResponseView_hit(view, POINT{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))});
    ResponsePopup_open(view, responses_at_hit(*t, hit));
}

void ResponseView_keydown(HWND view, WPARAM key, LPARAM)
{
    if (ResponsePopup_keydown(view, key)) return;
    Follow what;
    if (follow_for_key(key, &what)) {
        follow_top_response(view, what);
        return;
    }
    switch (key) {
    case kKeyGoBack:
        go_back(view);
        break;
    case VK_UP:
    case 'Q':
        ResponseView_scroll(view, ScrollLineUp, 0);
        break;
    case VK_DOWN:
    case 'W':
        ResponseView_scroll(view, ScrollLineDown, 0);
        break;
    case VK_PRIOR:
    case 'A':
    case VK_LEFT:
        ResponseView_scroll(view, ScrollPageUp, 0);
        break;
    case VK_NEXT:
    case 'S':
    case VK_RIGHT:
        ResponseView_scroll(view, ScrollPageDown, 0);
        break;
    case VK_SPACE:
        ResponseView_scroll(view, shift_held() ? ScrollPageUp : ScrollPageDown, 0);
        break;
    case VK_HOME:
    case 'Z':
        ResponseView_scroll(view, ScrollThumbPosition, 0);
        break;
    case VK_END:
    case 'X':
        ResponseView_scroll(view, ScrollBottom, 0);
        break;
    case 'N':
        next_response(view);
        break;
    case 'P':
        previous_response(view);
        break;
    case 'G':
        ResponseView_jump_dialog(view);
        break;
    case 'H':
        key_help(view);
        break;
    case 'L':
        response_detail(view);
        break;
    case VK_BACK:
        show_thread_list();
        break;
    case VK_RETURN:
        ResponseView_action_menu(view);
        break;
    }
}
