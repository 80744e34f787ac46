#include "reader/threadlist_win.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>

#include "base/appstate.h"
#include "base/handles.h"
#include "base/report.h"
#include "platform/softkeys_win.h"
#include "reader/datread_win.h"
#include "reader/ngfilter_win.h"
#include "reader/opentable_win.h"
#include "reader/resnav.h"
#include "reader/resnav_win.h"
#include "reader/stateicons_win.h"
#include "reader/subject.h"
#include "res/resource.h"
#include "store/boardtable.h"
#include "store/favorites.h"
#include "store/settings.h"

namespace {

constexpr int kColumnTitleFirstWidth = 120;
constexpr int kColumnIconMargin = 20;
// Text inside a cell keeps this far from the cell's edges.
constexpr int kCellMargin = 2;
constexpr DWORD kDrawFlags = DT_WORDBREAK | DT_NOPREFIX;

ThreadList g_noRows(1);

int small_icon_size() { return GetSystemMetrics(SM_CXSMICON); }

// ---- the view ----

HWND list_view() { return AppState.threadListView; }

ThreadList& rows() { return ProcessThreadList ? *ProcessThreadList : g_noRows; }

void select_row(HWND view, int row)
{
    // One selected and one focused row at most: clearing those two is the
    // same as clearing all rows, which some list views do row by row.
    if (ListView_GetSelectedCount(view) > 0)
        ListView_SetItemState(view, ListView_GetNextItem(view, -1, LVNI_SELECTED), 0, LVIS_SELECTED);
    const int focused = ListView_GetNextItem(view, -1, LVNI_FOCUSED);
    if (focused >= 0) ListView_SetItemState(view, focused, 0, LVIS_FOCUSED);
    if (row < 0) return;
    ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(view, row, FALSE);
}

// The list view measures its rows again only when told its size changed.
void remeasure_rows(HWND view)
{
    RECT r;
    if (!GetWindowRect(view, &r)) return;
    WINDOWPOS pos{};
    pos.hwnd = view;
    pos.cx = r.right - r.left;
    pos.cy = r.bottom - r.top;
    pos.flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    SendMessageW(view, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

int selected_row(HWND view) { return view ? ListView_GetNextItem(view, -1, LVNI_SELECTED) : -1; }

// ---- drawing ----

struct RowColours {
    COLORREF text;
    COLORREF background;
};

RowColours row_colours(int row, bool selected)
{
    if (selected) return {GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)};
    COLORREF window = GetSysColor(COLOR_WINDOW);
    COLORREF background = row % 2 != 0 ? window : mix_row_colour(window, GetSysColor(COLOR_HIGHLIGHT));
    return {GetSysColor(COLOR_WINDOWTEXT), background};
}

RECT inset(RECT r)
{
    r.left += kCellMargin;
    r.right -= kCellMargin;
    if (r.right < r.left) r.right = r.left;
    return r;
}

// Draws the text in whole lines only: a title that needs more lines than
// the row has is cut after its last whole line, not through the next one.
void draw_cell_text(HDC dc, const RECT& cell, const std::wstring& text, int lineHeight)
{
    RECT label = inset(cell);
    const int lines = lineHeight > 0 ? (label.bottom - label.top) / lineHeight : 0;
    if (lines >= 1) label.bottom = label.top + lines * lineHeight;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label, kDrawFlags);
}

// The width the titles are drawn in: column 1 less the margins.
int title_text_width(HWND view)
{
    int width = ListView_GetColumnWidth(view, 1) - 2 * kCellMargin;
    return width > 0 ? width : 0;
}

int text_height(HDC dc, const std::wstring& text, int width)
{
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, kDrawFlags | DT_CALCRECT);
    return r.bottom - r.top;
}

HFONT body_font(HWND view)
{
    if (AppState.BodyFont) return AppState.BodyFont;
    return reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0));
}

// The width of column 1: what the client area leaves beside columns 0 and 2.
int title_column_width(HWND view)
{
    RECT client{};
    GetClientRect(view, &client);
    const int width = (client.right - client.left) - ListView_GetColumnWidth(view, 0) - ListView_GetColumnWidth(view, 2);
    return width > 0 ? width : 0;
}

// The row height the current rows need in column 1 as it stands.
int32_t measured_row_height(HWND view)
{
    WindowDC dc(view);
    SelectedObject font(dc.get(), body_font(view));
    const int width = title_text_width(view);
    const int32_t lineHeight = text_height(dc.get(), L" ", width);
    int32_t measured = 1;
    if (Settings.SureLines <= 0) {
        const ThreadList& list = rows();
        int32_t heights[kRowLinesSample];
        int n = 0;
        for (; n < kRowLinesSample && n < list.count(); ++n) heights[n] = text_height(dc.get(), list.at(n)->title, width);
        measured = most_frequent_row_lines(heights, n, lineHeight);
    }
    // A row taller than the view below its header could never be seen whole.
    RECT client{}, header{};
    GetClientRect(view, &client);
    if (HWND h = ListView_GetHeader(view); h && IsWindowVisible(h)) GetWindowRect(h, &header);
    const int32_t shown = (client.bottom - client.top) - (header.bottom - header.top);
    const int32_t fitting = lineHeight > 0 ? shown / lineHeight : 1;
    const int32_t lines = row_lines_for_setting(Settings.SureLines, measured, fitting);
    return thread_row_height(lineHeight, lines, small_icon_size());
}

// Whether the title column or the row height differ from what the current
// rows and client area call for.
bool rows_need_measuring(HWND view)
{
    if (ListView_GetColumnWidth(view, 1) != title_column_width(view)) return true;
    RECT row{};
    if (!ListView_GetItemRect(view, 0, &row, LVIR_BOUNDS)) return true;
    return row.bottom - row.top != measured_row_height(view);
}

// Takes the header's strip out of what the view has to paint. The view does
// not clip its header, so painting that strip would erase the header too.
void keep_header_as_drawn(HWND view, HWND header)
{
    RECT strip;
    if (!GetWindowRect(header, &strip)) return;
    MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&strip), 2);
    ValidateRect(view, &strip);
    ValidateRect(header, nullptr);
}

}  // namespace

namespace {

int32_t hide_ng_rows(ThreadList& list)
{
    const NgFilter* filter = program_ng_filter();
    return list.hide_rows([filter](const ThreadEntry& e) {
        return ng_title_matches(*filter, std::u16string_view(reinterpret_cast<const char16_t*>(e.title.data()),
                                                             e.title.size()));
    });
}

// The title column's header, with the count of rows hidden when there are
// any. True when its text changed.
bool show_hidden_count(HWND view, int32_t hidden)
{
    wchar_t text[64];
    if (hidden > 0)
        swprintf(text, sizeof text / sizeof text[0], kHeaderTitleHidden, static_cast<int>(hidden));
    else
        wcscpy(text, kHeaderTitle);
    wchar_t shown[64] = L"";
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = shown;
    c.cchTextMax = 64;
    if (ListView_GetColumn(view, 1, &c) && wcscmp(shown, text) == 0) return false;
    c.pszText = text;
    ListView_SetColumn(view, 1, &c);
    return true;
}

}  // namespace

void thread_list_apply_ng()
{
    HWND view = list_view();
    const ThreadEntry* selected = thread_list_selected_entry();
    const int32_t position = selected ? selected->position : -1;
    const int32_t before = rows().hidden_count();
    const int32_t hidden = hide_ng_rows(rows());
    if (hidden < before && Settings.SortNew == 2) rows().sort(0, false);
    if (!view) return;
    show_hidden_count(view, hidden);
    ListView_SetItemCountEx(view, rows().count(), 0);
    const int32_t row = rows().row_of_position(position);
    select_row(view, row >= 0 ? row : (rows().count() > 0 ? 0 : -1));
    InvalidateRect(view, nullptr, TRUE);
}

void thread_list_show_new(std::unique_ptr<ThreadList> list)
{
    const int32_t hidden = hide_ng_rows(*list);
    if (Settings.SortNew == 2) list->sort(0, false);
    delete ProcessThreadList;
    ProcessThreadList = list.release();
    HWND view = list_view();
    if (!view) return;
    HWND header = ListView_GetHeader(view);
    const bool headerPending = header && GetUpdateRect(header, nullptr, FALSE);
    // A list of another length is laid out and drawn once, when all of it is
    // done: the scroll bars settle when redrawing is turned back on, and only
    // then is the client width the title column is measured against final.
    // One of the same length (a board reloaded) keeps its scroll range, and
    // the view need not lay itself out again.
    const bool retitled = show_hidden_count(view, hidden);
    const int count = ProcessThreadList->count();
    const bool relayout = ListView_GetItemCount(view) != count;
    if (relayout) {
        SendMessageW(view, WM_SETREDRAW, FALSE, 0);
        ListView_SetItemCountEx(view, count, 0);
    }
    select_row(view, count > 0 ? 0 : -1);
    if (relayout) SendMessageW(view, WM_SETREDRAW, TRUE, 0);
    // Telling the view its size changed costs it a whole relayout; a list of
    // the same shape as the last one needs none.
    const bool reshaped = rows_need_measuring(view);
    if (reshaped) remeasure_rows(view);
    InvalidateRect(view, nullptr, TRUE);
    // Turning redrawing back on invalidated the header with the rest of the
    // view; when its columns kept their widths it already shows what it
    // would draw again.
    if (header && !headerPending && !reshaped && !retitled) keep_header_as_drawn(view, header);
}

namespace {

void fill_item_text(LVITEMW& item)
{
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const ThreadEntry* e = rows().at(item.iItem);
    std::wstring text;
    if (e && item.iSubItem == 0) text = std::to_wstring(e->position);
    if (e && item.iSubItem == 1) text = e->title;
    if (e && item.iSubItem == 2 && e->count >= 0) text = std::to_wstring(e->count);
    size_t n = text.size() < static_cast<size_t>(item.cchTextMax) ? text.size() : item.cchTextMax - 1;
    std::wmemcpy(item.pszText, text.c_str(), n);
    item.pszText[n] = L'\0';
}

// The list's search by typed letters: the first row from `start` on (and
// round to the top when asked) whose title begins with the text, whatever
// the case; -1 when none does.
LRESULT find_row_by_title(const LVFINDINFOW& find, int start)
{
    if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz || !find.psz[0]) return -1;
    const ThreadList& list = rows();
    const int n = list.count();
    const int length = static_cast<int>(std::wcslen(find.psz));
    if (start < 0 || start >= n) start = 0;
    const int visits = (find.flags & LVFI_WRAP) ? n : n - start;
    for (int k = 0; k < visits; ++k) {
        const int row = (start + k) % n;
        const std::wstring& title = list.at(row)->title;
        const int compared = static_cast<int>(title.size()) < length ? static_cast<int>(title.size()) : length;
        if (compared == length && CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, title.c_str(), length,
                                                 find.psz, length) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

}  // namespace

// ---- start and end ----

HWND CreateThreadListView(HWND parent)
{
    RECT client{};
    GetClientRect(parent, &client);
    // Not clipping its children: the main window's background is erased under
    // the header too, which is then drawn again only when its parent is.
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                        LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED | LVS_OWNERDATA;
    HWND view = CreateWindowExW(0, WC_LISTVIEWW, kListWindowText, style, client.left, client.top,
                                client.right - client.left, client.bottom - client.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_THREAD_LIST)),
                                program_instance(), nullptr);
    if (!view) return nullptr;
    ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT);

    const int icon = small_icon_size();
    if (HIMAGELIST images = create_state_images(program_instance(), icon))
        ListView_SetImageList(view, images, LVSIL_SMALL);

    int countWidth = 0;
    {
        WindowDC dc(view);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0));
        HGDIOBJ old = font ? SelectObject(dc.get(), font) : nullptr;
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), L"999999", 6, &size);
        if (old) SelectObject(dc.get(), old);
        countWidth = size.cx;
    }
    struct Column {
        const wchar_t* header;
        int width;
    } columns[] = {{L"", kColumnIconMargin + icon}, {kHeaderTitle, kColumnTitleFirstWidth}, {kHeaderCount, countWidth}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW c{};
        c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        c.fmt = LVCFMT_LEFT;
        c.cx = columns[i].width;
        c.pszText = const_cast<wchar_t*>(columns[i].header);
        c.iSubItem = i;
        ListView_InsertColumn(view, i, &c);
    }
    reset_sort_directions();
    AppState.threadListView = view;
    return view;
}

// ---- rows ----

const ThreadEntry* thread_list_selected_entry() { return rows().at(selected_row(list_view())); }

int32_t thread_list_row_board(const ThreadList& list, const ThreadEntry& row)
{
    const int32_t preferred = check_row_board(list.favorites, row.extra, AppState.currentBoard, BoardTable.count);
    return board_with_place(BoardTable, preferred, row.board->server, row.board->dir);
}

// ---- sorting ----

void thread_list_show_sort_mark()
{
    // Menu 1 carries the item as 40073, menu 159 as 40072; the bar has one.
    for (UINT item : {IDM_SORT_NEW, IDM_SORT_NEW_ALT})
        SetMenuBarCheck(AppState.ListMenuBar, item, Settings.SortNew == 2);
}

void thread_list_sort_by_column(int column)
{
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    HWND view = list_view();
    const int row = thread_list_column_click(rows(), column, selected_row(view));
    thread_list_show_sort_mark();
    if (view) {
        select_row(view, row);
        InvalidateRect(view, nullptr, TRUE);
    }
    SetCursor(previous);
}

// ---- owner draw and notifications ----

bool ThreadListMeasureItem(HWND parent, MEASUREITEMSTRUCT* item)
{
    if (!item || item->CtlType != ODT_LISTVIEW || item->CtlID != IDC_THREAD_LIST) return false;
    HWND view = GetDlgItem(parent, IDC_THREAD_LIST);
    if (!view) {
        item->itemHeight = static_cast<UINT>(small_icon_size());
        return true;
    }
    const int titleWidth = title_column_width(view);
    // Setting a header item redraws the header even when nothing changed.
    if (ListView_GetColumnWidth(view, 1) != titleWidth) ListView_SetColumnWidth(view, 1, titleWidth);
    item->itemHeight = static_cast<UINT>(measured_row_height(view));
    return true;
}

bool ThreadListDrawItem(const DRAWITEMSTRUCT* item)
{
    if (!item || item->CtlType != ODT_LISTVIEW || item->CtlID != IDC_THREAD_LIST) return false;
    HWND view = item->hwndItem;
    HDC dc = item->hDC;
    const int row = static_cast<int>(item->itemID);
    const RowColours colours = row_colours(row, (item->itemState & ODS_SELECTED) != 0);
    GdiObject<HBRUSH> brush(CreateSolidBrush(colours.background));

    const int saved = SaveDC(dc);
    SelectObject(dc, body_font(view));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, colours.background);
    SetTextColor(dc, colours.text);

    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int lineHeight = metrics.tmHeight;
    const ThreadEntry* e = rows().at(row);
    // The row's cells lie within its rectangle: one fill clears them all.
    FillRect(dc, &item->rcItem, brush.get());
    if (e) {
        RECT icon{}, label{};
        ListView_GetItemRect(view, row, &icon, LVIR_ICON);
        ListView_GetItemRect(view, row, &label, LVIR_LABEL);
        const int state = e->state >= ThreadNotHeld && e->state <= ThreadFallen ? e->state : ThreadNotHeld;
        draw_state_icon(dc, state, colours.background, icon.left, icon.top);
        wchar_t position[24];
        swprintf(position, sizeof position / sizeof position[0], L" %d", static_cast<int>(e->position));
        DrawTextW(dc, position, -1, &label, kDrawFlags);

        RECT cell{};
        ListView_GetSubItemRect(view, row, 1, LVIR_BOUNDS, &cell);
        draw_cell_text(dc, cell, e->title, lineHeight);
        ListView_GetSubItemRect(view, row, 2, LVIR_BOUNDS, &cell);
        // A favourite not held has no count to show.
        wchar_t count[24] = L"";
        if (e->count >= 0) swprintf(count, sizeof count / sizeof count[0], L"  %d", static_cast<int>(e->count));
        draw_cell_text(dc, cell, count, lineHeight);

        if (item->itemState & ODS_FOCUS) {
            RECT focus{label.left, item->rcItem.top, item->rcItem.right, item->rcItem.bottom};
            DrawFocusRect(dc, &focus);
        }
    }
    RestoreDC(dc, saved);
    return true;
}

LRESULT ThreadListNotify(NMHDR* header)
{
    if (!header) return 0;
    if (header->idFrom != IDC_THREAD_LIST) return 0;
    switch (header->code) {
    case LVN_COLUMNCLICK:
        thread_list_sort_by_column(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
        return 0;
    case LVN_GETDISPINFOW:
        fill_item_text(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
        return 0;
    case LVN_ODFINDITEMW: {
        const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
        return find_row_by_title(find->lvfi, find->iStart);
    }
    default:
        return 0;
    }
}
