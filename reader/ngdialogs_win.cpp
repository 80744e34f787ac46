#include "reader/ngdialogs_win.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "base/appstate.h"
#include "base/codepage.h"
#include "platform/softkeys_win.h"
#include "reader/ngfilter_win.h"
#include "reader/popup_win.h"
#include "reader/threadlist_win.h"
#include "res/resource.h"
#include "store/ngfile.h"
#include "store/settings.h"

namespace {

// The title offered by the title dialog, set before it opens.
std::wstring g_titleDraft;

std::wstring window_text(HWND control)
{
    const int n = GetWindowTextLengthW(control);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    const int got = GetWindowTextW(control, &w[0], static_cast<int>(w.size()));
    w.resize(static_cast<size_t>(got > 0 ? got : 0));
    return w;
}

// The entry's text as code page 932: the first line, outer blanks dropped,
// what the code page lacks as references (which the matching decodes).
std::string entry_bytes(std::wstring_view shown)
{
    shown = shown.substr(0, shown.find_first_of(L"\r\n"));
    const size_t first = shown.find_first_not_of(L" \t\x3000");
    if (first == std::wstring_view::npos) return {};
    shown = shown.substr(first, shown.find_last_not_of(L" \t\x3000") - first + 1);
    const std::wstring kept = with_references_for_unheld(shown, ControlChars::Encode);
    std::vector<char> bytes(kept.size() * 2 + 1);
    if (wide_to_mb(bytes.data(), kept.c_str(), static_cast<int>(bytes.size())) == 0) return {};
    return bytes.data();
}

// Rows by kind, each holding its entry's index.
void fill_entries(HWND dialog)
{
    HWND box = GetDlgItem(dialog, IDC_NG_ENTRIES);
    SendMessageW(box, LB_RESETCONTENT, 0, 0);
    const std::vector<NgEntry>& entries = ProcessNgLists.entries;
    for (int kind = 0; kind < kNgKindCount; ++kind) {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (static_cast<int>(entries[i].kind) != kind) continue;
            const LRESULT row = SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ng_row_text(entries[i]).c_str()));
            if (row >= 0) SendMessageW(box, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(i));
        }
    }
}

void init_list(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_NG_LIST);
    fill_entries(dialog);
    SetDlgItemInt(dialog, IDC_NG_LAPSE_DAYS, static_cast<UINT>(std::max(0, Settings.NgLapseDays)), FALSE);
    CheckDlgButton(dialog, IDC_NG_TRANSPARENT, Settings.NgTransparent ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_NG_CHAIN, Settings.NgChain ? BST_CHECKED : BST_UNCHECKED);
    SetFocus(GetDlgItem(dialog, IDC_NG_ENTRIES));
}

void remove_chosen(HWND dialog)
{
    HWND box = GetDlgItem(dialog, IDC_NG_ENTRIES);
    const LRESULT count = SendMessageW(box, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return;
    std::vector<int> rows(static_cast<size_t>(count));
    SendMessageW(box, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rows.data()));
    std::vector<size_t> indices;
    for (int row : rows) indices.push_back(static_cast<size_t>(SendMessageW(box, LB_GETITEMDATA, row, 0)));
    if (ng_lists_remove(indices)) ng_lists_changed();
    fill_entries(dialog);
}

// The settings as the dialog shows them; the open threads redrawn when they
// changed.
void accept_list(HWND dialog)
{
    BOOL ok = FALSE;
    const UINT days = GetDlgItemInt(dialog, IDC_NG_LAPSE_DAYS, &ok, FALSE);
    const int32_t lapse = ok ? static_cast<int32_t>(std::min<UINT>(days, 9999)) : Settings.NgLapseDays;
    const int32_t transparent = IsDlgButtonChecked(dialog, IDC_NG_TRANSPARENT) == BST_CHECKED ? 1 : 0;
    const int32_t chain = IsDlgButtonChecked(dialog, IDC_NG_CHAIN) == BST_CHECKED ? 1 : 0;
    const bool changed =
        lapse != Settings.NgLapseDays || transparent != Settings.NgTransparent || chain != Settings.NgChain;
    Settings.NgLapseDays = lapse;
    Settings.NgTransparent = transparent;
    Settings.NgChain = chain;
    if (changed) ng_lists_changed();
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK NgListProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_COMMAND && LOWORD(wp) == IDM_NG_REMOVE) {
        remove_chosen(dialog);
        return TRUE;
    }
    return soft_key_dialog(dialog, msg, wp, init_list, accept_list);
}

void init_title(HWND dialog)
{
    attach_dialog_menu_bar(dialog, IDR_MENU_OK_CANCEL);
    HWND edit = GetDlgItem(dialog, IDC_NG_TITLE_TEXT);
    SetWindowTextW(edit, g_titleDraft.c_str());
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
}

void accept_title(HWND dialog)
{
    // A refused title keeps the dialog open to be edited.
    if (ng_add_shown(NgKind::Title, window_text(GetDlgItem(dialog, IDC_NG_TITLE_TEXT)))) EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK NgTitleProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    return soft_key_dialog(dialog, msg, wp, init_title, accept_title);
}

}  // namespace

std::wstring ng_row_text(const NgEntry& entry)
{
    const std::wstring text = mb_to_wstring(entry.text.c_str());
    const wchar_t* label = kNgKindLabels[static_cast<int>(entry.kind) % kNgKindCount];
    wchar_t row[kNgEntryBytes + 64];
    if (entry.kind == NgKind::Id)
        swprintf(row, sizeof row / sizeof row[0], kNgIdRowFormat, label, text.c_str(), entry.day / 10000,
                 entry.day / 100 % 100, entry.day % 100);
    else
        swprintf(row, sizeof row / sizeof row[0], kNgRowFormat, label, text.c_str());
    return row;
}

int ng_add_shown(NgKind kind, std::wstring_view shown)
{
    if (!ng_lists_add(kind, entry_bytes(shown))) return 0;
    ng_lists_changed();
    return 1;
}

void ng_lists_changed()
{
    // A popup lists responses as they were judged: it closes.
    ResponsePopup_close_all();
    if (AppState.responseView) InvalidateRect(AppState.responseView, nullptr, TRUE);
    thread_list_apply_ng();
}

INT_PTR NgList_open(HWND owner)
{
    return DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_NG_LIST), owner, NgListProc, 0);
}

INT_PTR NgTitle_open(HWND owner)
{
    const ThreadEntry* row = thread_list_selected_entry();
    if (!row) return 0;
    g_titleDraft = row->title;
    const INT_PTR r = DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_NG_TITLE), owner, NgTitleProc, 0);
    return r > 0 ? r : 0;
}
