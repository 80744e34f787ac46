#include "reader/resview_win.h"

#include "base/appstate.h"
#include "base/handles.h"
#include "base/report.h"
#include "reader/opentable_win.h"
#include "reader/popup_win.h"
#include "reader/resdraw_win.h"
#include "reader/resnav.h"
#include "res/resource.h"

static_assert(ScrollLineUp == SB_LINEUP && ScrollLineDown == SB_LINEDOWN && ScrollPageUp == SB_PAGEUP &&
                  ScrollPageDown == SB_PAGEDOWN && ScrollThumbPosition == SB_THUMBPOSITION &&
                  ScrollThumbTrack == SB_THUMBTRACK && ScrollTop == SB_TOP && ScrollBottom == SB_BOTTOM,
              "scroll codes");

const wchar_t* const kSplashLines[kSplashLineCount] = {
    L"Velmoなんちゃってクローン",
    L"スレを開くとここにレスが表示されます",
    L"key map : Alt+H",
};

int32_t PageScrollLines = kInitialPageLines;
int32_t PageUpLines = kInitialPageLines;

namespace {

// Lines from `first` down that start above the bottom margin.
int draw_page_lines(const PageContext& page, int32_t first)
{
    const ResponseBuffer& t = *page.thread;
    RECT rect = page.client;
    int count = 0;
    for (int32_t i = first; t.lines && i >= 0 && i < t.lineCount; ++i) {
        if (rect.top >= page.client.bottom - kBottomMargin) break;
        rect.left = page.client.left;
        rect.right = page.client.right;
        draw_line(page, i, rect);
        ++count;
    }
    return count;
}

// Lines from `first` up that fit a page with `first` at its top. A top line
// past the last line (the view scrolled to the very end) counts as one empty
// row, so that page-up from there shows the page above it whole.
int measure_back_lines(const PageContext& page, int32_t first)
{
    const ResponseBuffer& t = *page.thread;
    RECT rect = page.client;
    int count = 0;
    int32_t i = first;
    if (i >= t.lineCount) {
        rect.top += page.body.rowHeight;
        ++count;
        i = t.lineCount - 1;
    }
    for (; t.lines && i >= 0; --i) {
        if (rect.top >= page.client.bottom - kBottomMargin) break;
        rect.left = page.client.left;
        rect.right = page.client.right;
        draw_line(page, i, rect);
        ++count;
    }
    return count;
}

void apply_scroll_bar(HWND view, const ScrollRecord& record)
{
    SCROLLINFO info;
    scroll_record_to_info(record, &info);
    // Redrawing an unchanged bar at every paint costs more than the page.
    SCROLLINFO shown{};
    shown.cbSize = sizeof shown;
    shown.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (GetScrollInfo(view, SB_VERT, &shown) && shown.nMin == info.nMin && shown.nMax == info.nMax &&
        shown.nPage == info.nPage && shown.nPos == info.nPos)
        return;
    SetScrollInfo(view, SB_VERT, &info, TRUE);
}

void apply_empty_scroll_bar(HWND view)
{
    ScrollRecord empty = new_scroll_record(static_cast<uint32_t>(PageScrollLines));
    apply_scroll_bar(view, empty);
}

// Draws the page into a fresh bitmap; measures the page steps as a paint
// does. Null when there is nothing to draw.
HBITMAP render_page(HWND view, HDC like, int* linesDrawn)
{
    ResponseBuffer* t = current_thread();
    ScrollRecord* record = current_scroll_record();
    if (!t || !t->lines || !record) return nullptr;

    RECT client;
    GetClientRect(view, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    MemoryDC memory(like);
    if (!memory.get() || width <= 0 || height <= 0) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(like, width, height);
    if (!bitmap) return nullptr;

    if (record->nPos > record->nMax) record->nPos = record->nMax;
    PageContext page = page_context(memory.get(), client, t, true);
    int drawn = 0;
    {
        SelectedObject selected(memory.get(), bitmap);
        HGDIOBJ oldFont = GetCurrentObject(memory.get(), OBJ_FONT);
        FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkColor(memory.get(), kViewBackground);
        drawn = draw_page_lines(page, record->nPos);

        // The page-up count is laid out the same way, but never shown: only
        // measured.
        page.draw = false;
        const int back = measure_back_lines(page, record->nPos);
        SelectObject(memory.get(), oldFont);

        PageScrollLines = page_step(drawn);
        PageUpLines = page_step(back);
        record->nPage = static_cast<uint32_t>(PageScrollLines);
    }
    if (linesDrawn) *linesDrawn = drawn;
    return bitmap;
}

void paint(HWND view)
{
    PAINTSTRUCT ps;
    ResponsePopup_close_if_stale();
    HDC dc = BeginPaint(view, &ps);
    ResponseBuffer* t = current_thread();
    if (!t) {
        RECT client;
        GetClientRect(view, &client);
        ResponseView_draw_splash(dc, client);
        apply_empty_scroll_bar(view);
    } else if (t->lines) {
        HBITMAP page = render_page(view, dc, nullptr);
        if (page) {
            RECT client;
            GetClientRect(view, &client);
            MemoryDC memory(dc);
            SelectedObject selected(memory.get(), page);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        }
        if (page) DeleteObject(page);
        if (ScrollRecord* record = current_scroll_record()) apply_scroll_bar(view, *record);
    }
    // A thread being reloaded has no lines: nothing is drawn until it has.
    EndPaint(view, &ps);
}

// A page covers the whole client area, so erasing under it would only make
// it flicker; the splash and an entry being reloaded are drawn on the
// background.
LRESULT erase_background(HWND view, HDC dc)
{
    const ResponseBuffer* t = current_thread();
    if (t && t->lines) return 1;
    return DefWindowProcW(view, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
}

void on_create(HWND view)
{
    // The first scroll record belongs to the table of open threads from now on.
    Resdata_create_scroll(static_cast<UINT>(PageScrollLines));
    if (OpenThreadTable.scroll) apply_scroll_bar(view, OpenThreadTable.scroll[0]);
}

// The thumb's position: the scroll bar's own 32-bit track position, as the
// message carries only 16 bits of it.
int32_t thumb_position(HWND view, WPARAM wp, LPARAM lp)
{
    if (lp == 0) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        // Only a track position that agrees with the message is the drag's.
        if (GetScrollInfo(view, SB_VERT, &info) && (info.nTrackPos & 0xFFFF) == HIWORD(wp))
            return info.nTrackPos;
    }
    return HIWORD(wp);
}

void on_vscroll(HWND view, WPARAM wp, LPARAM lp)
{
    const int code = LOWORD(wp);
    int32_t thumb = 0;
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) thumb = thumb_position(view, wp, lp);
    ResponseView_scroll(view, code, thumb);
}

void on_wheel(HWND view, WPARAM wp)
{
    const short delta = GET_WHEEL_DELTA_WPARAM(wp);
    if (delta > 0) ResponseView_scroll(view, ScrollPageUp, 0);
    if (delta < 0) ResponseView_scroll(view, ScrollPageDown, 0);
}

bool register_class(HINSTANCE instance)
{
    WNDCLASSW wc{};
    wc.style = 0;
    wc.lpfnWndProc = ResponseViewProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kResponseViewClass;
    if (RegisterClassW(&wc)) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

ResponseBuffer* current_thread()
{
    if (!thread_is_current(OpenThreadTable)) return nullptr;
    return &OpenThreadTable.entries[OpenThreadTable.current];
}

ScrollRecord* current_scroll_record()
{
    const OpenThreadTableRecord& t = OpenThreadTable;
    if (!current_thread() || !t.scroll || t.current >= t.scrollCapacity) return nullptr;
    return &t.scroll[t.current];
}

void ResponseView_scroll(HWND view, int code, int32_t thumb)
{
    ResponseBuffer* t = current_thread();
    ScrollRecord* record = current_scroll_record();
    // A thread being reloaded has no lines to move over yet.
    if (!t || !t->lines || !record) return;
    record->nPos = scrolled_position(*t, *record, code, thumb, PageUpLines, PageScrollLines);
    // A line step never stops on a line that shows nothing: it would seem
    // not to move.
    if (code == ScrollLineDown || code == ScrollLineUp)
        record->nPos = past_unshown_lines(*t, record->nPos, code == ScrollLineDown ? 1 : -1);
    apply_scroll_bar(view, *record);
    InvalidateRect(view, nullptr, FALSE);
}

void ResponseView_set_position(HWND view, int32_t position)
{
    ScrollRecord* record = current_scroll_record();
    if (!record) return;
    record->nPos = position;
    InvalidateRect(view, nullptr, TRUE);
}

LineHit ResponseView_hit(HWND view, POINT point)
{
    LineHit hit{false, -1, 0};
    ResponseBuffer* t = current_thread();
    ScrollRecord* record = current_scroll_record();
    WindowDC dc(view);
    if (!t || !t->lines || !record || !dc.get()) return hit;
    RECT client;
    GetClientRect(view, &client);
    HGDIOBJ oldFont = GetCurrentObject(dc.get(), OBJ_FONT);
    PageContext page = page_context(dc.get(), client, t, false);
    page.probe = &point;
    page.hit = &hit;
    draw_page_lines(page, record->nPos);
    SelectObject(dc.get(), oldFont);
    return hit;
}

HBITMAP ResponseView_render(HWND view, int* linesDrawn)
{
    WindowDC dc(view);
    if (!dc.get()) return nullptr;
    return render_page(view, dc.get(), linesDrawn);
}

void ResponseView_draw_splash(HDC dc, const RECT& client)
{
    RECT rect = client;
    rect.top = client.top + (client.top + client.bottom) / 3;
    SetTextColor(dc, kBodyColour);
    SetBkColor(dc, kViewBackground);
    for (const wchar_t* line : kSplashLines) {
        RECT row = rect;
        DrawTextW(dc, line, -1, &row, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        rect.top += kBottomMargin;
    }
}

LRESULT CALLBACK ResponseViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        on_create(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return erase_background(hwnd, reinterpret_cast<HDC>(wp));
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_KEYDOWN:
        ResponseView_keydown(hwnd, wp, lp);
        return 0;
    case WM_VSCROLL:
        on_vscroll(hwnd, wp, lp);
        return 0;
    case WM_LBUTTONUP:
        ResponseView_tap(hwnd, lp);
        return 0;
    case WM_MOUSEWHEEL:
        on_wheel(hwnd, wp);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int sureWnd_create(HWND parent)
{
    HINSTANCE instance = program_instance();
    HWND view = nullptr;
    if (register_class(instance)) {
        view = CreateWindowExW(0, kResponseViewClass, kResponseViewText,
                               WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RESPONSE_VIEW)), instance,
                               nullptr);
    }
    if (!view) {
        report_message(AppState.hwndMain, kTextProcessingFailed, kCaptionSureWndCreate, MB_OK);
        return 0;
    }
    AppState.responseView = view;
    return 1;
}

HWND CreateResponseView(HWND parent)
{
    return sureWnd_create(parent) ? AppState.responseView : nullptr;
}
