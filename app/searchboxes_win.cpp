#include "app/searchboxes_win.h"

#include <commctrl.h>

#include <cstring>

#include "app/layout_win.h"
#include "app/search.h"
#include "base/appstate.h"
#include "base/codepage.h"
#include "reader/resview_win.h"
#include "reader/threadentry.h"
#include "res/resource.h"
#include "store/settings.h"

namespace {
constexpr UINT_PTR kSearchBoxSubclass = 0x53524348;

enum Box : DWORD_PTR { ThreadBox = 1, ResponseBox = 2 };

HWND view_of(DWORD_PTR box) { return box == ThreadBox ? AppState.threadListView : AppState.responseView; }

void on_focus_received()
{
    AppState.SearchBoxShown = 1;
    ApplyLayout();
    InvalidateRect(AppState.hwndMain, nullptr, TRUE);
}

void on_focus_lost(HWND gaining)
{
    if (Settings.Flag & kFlagSearchBoxAlwaysShown) return;
    AppState.SearchBoxShown = 0;
    // The view takes the focus back only when it stays in the main window:
    // taking it from a dialog or from another program would activate the
    // main window over them.
    HWND main = AppState.hwndMain;
    bool staysInMain = gaining && main && GetAncestor(gaining, GA_ROOT) == main;
    ApplyLayout(staysInMain);
    InvalidateRect(main, nullptr, TRUE);
}

void on_enter(HWND box, DWORD_PTR which)
{
    wchar_t text[kSearchTextMax + 1];
    if (GetWindowTextW(box, text, kSearchTextMax + 1) <= 0) return;
    if (which == ThreadBox) SearchThreadList(text);
    else SearchThread(text);
}

void to_view(DWORD_PTR which)
{
    HWND view = view_of(which);
    if (view && IsWindowVisible(view)) SetFocus(view);
}

LRESULT CALLBACK search_box_proc(HWND box, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR which)
{
    switch (msg) {
    case WM_SETFOCUS:
        on_focus_received();
        break;
    case WM_KILLFOCUS:
        on_focus_lost(reinterpret_cast<HWND>(wp));
        break;
    case WM_KEYDOWN:
        if (wp == VK_RETURN) {
            on_enter(box, which);
            return 0;
        }
        if (wp == VK_TAB || wp == VK_UP) {
            to_view(which);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(box, search_box_proc, kSearchBoxSubclass);
        break;
    }
    return DefSubclassProc(box, msg, wp, lp);
}

HWND create_box(HWND main, int id, DWORD_PTR which, const RECT& place)
{
    HINSTANCE instance = program_instance();
    HWND box = CreateWindowExW(0, kSearchBoxClass, L"", kSearchBoxStyle, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, main,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!box) return nullptr;
    // A search reads 255 characters: the box takes no more.
    SendMessageW(box, EM_LIMITTEXT, kSearchTextMax, 0);
    SetWindowSubclass(box, search_box_proc, kSearchBoxSubclass, which);
    return box;
}

// The visible part of the thread list's row after a found one was selected.
void scroll_to_found_row(HWND view, int row)
{
    RECT item{}, client{};
    if (ListView_GetItemRect(view, row, &item, LVIR_BOUNDS) && GetClientRect(view, &client)) {
        int32_t dy = found_row_scroll(item.top, item.bottom, client.top, client.bottom);
        if (dy != 0) ListView_Scroll(view, 0, dy);
    }
    // Rows shorter than the margin could still lie below: never leave the
    // found row out of sight.
    ListView_EnsureVisible(view, row, TRUE);
}
}  // namespace

HWND CreateThreadSearchBox(HWND main)
{
    const AppStateRecord& a = AppState;
    RECT place{a.listRect.left, a.listRect.bottom - a.barHeight, a.listRect.left + 2 * a.selectorWidth,
               a.listRect.bottom};
    AppState.ThreadSearchBox = create_box(main, IDC_THREAD_SEARCH, ThreadBox, place);
    return AppState.ThreadSearchBox;
}

HWND CreateResponseSearchBox(HWND main)
{
    const AppStateRecord& a = AppState;
    RECT place{a.contentRect.left, a.contentRect.bottom - a.barHeight, a.contentRect.right, a.contentRect.bottom};
    AppState.ResponseSearchBox = create_box(main, IDC_RESPONSE_SEARCH, ResponseBox, place);
    return AppState.ResponseSearchBox;
}

void SearchThreadList(const wchar_t* text)
{
    HWND view = AppState.threadListView;
    const ThreadList* rows = ProcessThreadList;
    if (!view || !rows || !text || !*text) return;
    const size_t textLength = wcsnlen(text, kSearchTextMax);
    const int32_t count = static_cast<int32_t>(ListView_GetItemCount(view));
    const int32_t selected = ListView_GetNextItem(view, -1, LVNI_SELECTED);
    int32_t found = find_next_row(count, selected, [&](int32_t row) {
        const ThreadEntry* e = rows->at(row);
        return e && title_contains(e->title.data(), e->title.size(), text, textLength);
    });
    if (found < 0) return;
    ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(view, found, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    scroll_to_found_row(view, found);
}

void SearchThread(const wchar_t* text)
{
    ResponseBuffer* thread = current_thread();
    ScrollRecord* record = current_scroll_record();
    // A thread emptied for a reload has no lines to search.
    if (!thread || !thread->lines || !record || !text) return;
    char bytes[2 * kSearchTextMax + 1];
    if (wide_to_mb(bytes, text, sizeof bytes) <= 1) return;
    const size_t textLength = std::strlen(bytes);
    // A position outside the thread stands for its clamped value.
    const int32_t top = record->nPos < 0 ? 0 : record->nPos;
    if (top >= thread->lineCount) return;
    const int32_t first = top + 1;
    for (int32_t i = first; i < thread->lineCount; ++i) {
        const ResponseLine& line = thread->lines[i];
        if (!line.text || line.length <= 0) continue;
        size_t length = strnlen(line.text, static_cast<size_t>(line.length));
        if (sjis_line_contains(line.text, length, bytes, textLength)) {
            ResponseView_set_position(AppState.responseView, i);
            return;
        }
    }
}
