#include "reader/resdetail_win.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "base/appstate.h"
#include "base/codepage.h"
#include "platform/softkeys_win.h"
#include "reader/anchorindex.h"
#include "reader/entities.h"
#include "reader/ngdialogs_win.h"
#include "reader/resdetail.h"
#include "reader/resnav.h"
#include "reader/resview_win.h"
#include "res/resource.h"

namespace {

struct DetailContext {
    const ResponseBuffer* thread;
    int32_t top;
    HWND bar;
};

DetailContext* context_of(HWND dialog) { return reinterpret_cast<DetailContext*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

// Shift-JIS of the thread as window text (code page 932), its character
// references decoded as the view shows them.
std::wstring shown_text(std::string_view bytes)
{
    std::wstring w = mb_to_wstring(std::string(bytes).c_str());
    DecodeEntities(w.data());
    w.resize(wcslen(w.c_str()));
    return w;
}

void set_field(HWND dialog, int id, std::string_view bytes)
{
    SetDlgItemTextW(dialog, id, shown_text(bytes).c_str());
    SendDlgItemMessageW(dialog, id, EM_SETSEL, 0, 0);   // caret at the start
}

std::u16string window_text(HWND control)
{
    int n = GetWindowTextLengthW(control);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    n = GetWindowTextW(control, &w[0], static_cast<int>(w.size()));
    w.resize(static_cast<size_t>(n > 0 ? n : 0));
    return std::u16string(reinterpret_cast<const char16_t*>(w.data()), w.size());
}

void on_init(HWND dialog, DetailContext* ctx)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
    ctx->bar = InitDialogMenuBar(dialog, IDR_MENU_RESPONSE_DETAIL);
    int32_t count = ctx->thread ? ctx->thread->responseCount : 0;
    SendDlgItemMessageW(dialog, IDC_DETAIL_SPIN, UDM_SETRANGE32, 1, count > 1 ? count : 1);
    SetDlgItemInt(dialog, IDC_DETAIL_NUMBER, static_cast<UINT>(ctx->top), FALSE);
    SetFocus(GetDlgItem(dialog, IDC_DETAIL_NUMBER));
    // Opening fills the fields and copies the whole body.
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDM_DETAIL_GET, 0), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDM_DETAIL_COPY, 0), 0);
}

void fill(HWND dialog, const DetailContext* ctx)
{
    for (int id : {IDC_DETAIL_BODY, IDC_DETAIL_NAME, IDC_DETAIL_MAIL, IDC_DETAIL_DATE, IDC_DETAIL_ID})
        SetDlgItemTextW(dialog, id, L"");
    if (!ctx->thread) return;
    std::u16string typed = window_text(GetDlgItem(dialog, IDC_DETAIL_NUMBER));
    int32_t n = detail_clamp_number(detail_typed_number(typed), ctx->thread->responseCount);
    DetailFields f;
    if (n == 0 || !detail_fields(*ctx->thread, n, &f)) return;
    // A number typed outside the thread shows as the one whose fields are shown.
    if (detail_typed_number(typed) != n) SetDlgItemInt(dialog, IDC_DETAIL_NUMBER, static_cast<UINT>(n), FALSE);

    set_field(dialog, IDC_DETAIL_NAME, f.name);
    set_field(dialog, IDC_DETAIL_MAIL, f.mail);
    set_field(dialog, IDC_DETAIL_DATE, f.date);
    set_field(dialog, IDC_DETAIL_ID, f.id);
    HWND body = GetDlgItem(dialog, IDC_DETAIL_BODY);
    SetWindowTextW(body, shown_text(f.body).c_str());
    SendMessageW(body, EM_SETSEL, 0, -1);
    SetFocus(body);
}

void copy(HWND dialog)
{
    if (!OpenClipboard(AppState.hwndMain)) return;
    HWND body = GetDlgItem(dialog, IDC_DETAIL_BODY);
    DWORD start = 0, end = 0;
    SendMessageW(body, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::u16string text = detail_copy_text(window_text(body), start, end);
    // Nothing selected: the clipboard keeps what it holds.
    if (!text.empty()) {
        size_t bytes = (text.size() + 1) * sizeof(char16_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (void* p = block ? GlobalLock(block) : nullptr) {
            std::memcpy(p, text.c_str(), bytes);
            GlobalUnlock(block);
            EmptyClipboard();
            // From here on the clipboard owns the block.
            if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
        } else if (block) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

// The number of the response the dialog shows, with its fields; 0 when none.
int32_t shown_fields(HWND dialog, const DetailContext* ctx, DetailFields* f)
{
    if (!ctx || !ctx->thread) return 0;
    const int64_t typed = detail_typed_number(window_text(GetDlgItem(dialog, IDC_DETAIL_NUMBER)));
    const int32_t n = detail_clamp_number(typed, ctx->thread->responseCount);
    return n > 0 && detail_fields(*ctx->thread, n, f) ? n : 0;
}

// Adds the shown response's ID (as the conversation reads it: none for a
// hidden "???"), its name, or the body's selection to the NG lists.
void add_ng(HWND dialog, const DetailContext* ctx, NgKind kind)
{
    DetailFields f;
    const int32_t n = shown_fields(dialog, ctx, &f);
    if (n == 0) return;
    std::wstring shown;
    if (kind == NgKind::Id) shown = shown_text(date_id(ctx->thread->responses[n - 1].date));
    if (kind == NgKind::Name) shown = shown_text(f.name);
    if (kind == NgKind::Word) {
        HWND body = GetDlgItem(dialog, IDC_DETAIL_BODY);
        DWORD start = 0, end = 0;
        SendMessageW(body, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        const std::u16string text = window_text(body);
        if (start < end && end <= text.size())
            shown.assign(reinterpret_cast<const wchar_t*>(text.data()) + start, end - start);
    }
    ng_add_shown(kind, shown);
}

INT_PTR on_command(HWND dialog, WORD id)
{
    DetailContext* ctx = context_of(dialog);
    switch (id) {
    case IDM_DETAIL_GET:
        if (ctx) fill(dialog, ctx);
        return TRUE;
    case IDM_DETAIL_COPY:
        copy(dialog);
        return TRUE;
    case IDM_NG_ADD_ID:
        add_ng(dialog, ctx, NgKind::Id);
        return TRUE;
    case IDM_NG_ADD_NAME:
        add_ng(dialog, ctx, NgKind::Name);
        return TRUE;
    case IDM_NG_ADD_WORD:
        add_ng(dialog, ctx, NgKind::Word);
        return TRUE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ResponseDetailProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG:
        on_init(dialog, reinterpret_cast<DetailContext*>(lp));
        return FALSE;   // the focus is set
    case WM_COMMAND:
        return on_command(dialog, LOWORD(wp));
    case WM_DESTROY:
        if (DetailContext* ctx = context_of(dialog)) DestroyDialogMenuBar(ctx->bar);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR ResponseDetail_open_thread(HWND owner, const ResponseBuffer* thread, int32_t top)
{
    if (!thread || !thread->lines) return 0;
    DetailContext ctx{thread, top, nullptr};
    INT_PTR r = DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_RESPONSE_DETAIL), owner, ResponseDetailProc,
                                reinterpret_cast<LPARAM>(&ctx));
    return r > 0 ? r : 0;
}

INT_PTR ResponseDetail_open(HWND owner)
{
    const ResponseBuffer* thread = current_thread();
    if (!thread) return 0;
    const ScrollRecord* record = current_scroll_record();
    return ResponseDetail_open_thread(owner, thread, response_at_top(*thread, record ? record->nPos : 0));
}
