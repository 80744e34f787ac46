#include "reader/popup_win.h"

#include <algorithm>
#include <cwchar>

#include "base/appstate.h"
#include "base/handles.h"
#include "reader/conversation.h"
#include "reader/resdraw_win.h"
#include "reader/resnav.h"
#include "reader/resview_win.h"

namespace {

// One line of a popup: a display line of the thread, or (line -1) the note
// that response `response` is not in the log.
struct PopupItem {
    int32_t response;
    int32_t line;
};

struct PopupLevel {
    HWND window;
    std::vector<int32_t> responses;
    std::vector<PopupItem> items;
    int32_t top;        // first item shown
    int32_t pageStep;   // items a page moves, measured at each paint
};

// The popups, the lowest first, and the thread they show: a popup never
// outlives a change of the thread or its reload.
std::vector<PopupLevel>& levels()
{
    static std::vector<PopupLevel> stack;
    return stack;
}
const ResponseLine* g_shownLines = nullptr;
// One window per level, made once and hidden between uses: making a window
// costs more than drawing a popup.
HWND g_windows[kMaxPopupDepth] = {};

ResponseBuffer* popup_thread()
{
    ResponseBuffer* t = current_thread();
    if (!t || !t->lines || t->lines != g_shownLines) return nullptr;
    return t;
}

std::vector<PopupItem> items_of(const ResponseBuffer& t, const std::vector<int32_t>& responses)
{
    std::vector<PopupItem> items;
    for (int32_t r : responses) {
        if (r < 1 || r > t.responseCount) {
            items.push_back({r, -1});
            continue;
        }
        for (int32_t i = first_line_of_response(t, r); i < t.lineCount && t.lines[i].response == r; ++i)
            items.push_back({r, i});
    }
    return items;
}

// Draws (or measures) one item across `rect`.
void draw_item(const PageContext& page, const PopupItem& item, RECT& rect)
{
    if (item.line >= 0) {
        draw_line(page, item.line, rect);
        return;
    }
    wchar_t text[64];
    swprintf(text, sizeof text / sizeof text[0], kTextNotFetchedFormat, static_cast<int>(item.response));
    draw_body_text(page, text, rect);
}

// Lays items out from the level's top: draws, measures or probes them.
// Returns the items that start inside `client`.
int lay_out(const PageContext& page, const PopupLevel& level)
{
    RECT rect = page.client;
    int count = 0;
    for (size_t k = static_cast<size_t>(level.top); k < level.items.size(); ++k) {
        if (rect.top >= page.client.bottom) break;
        rect.left = page.client.left;
        rect.right = page.client.right;
        draw_item(page, level.items[k], rect);
        ++count;
    }
    return count;
}

// The height the items take at `width`, stopping once past `limit`.
int content_height(HWND view, ResponseBuffer& t, const std::vector<PopupItem>& items, int width, int limit)
{
    WindowDC dc(view);
    if (!dc.get()) return limit;
    HGDIOBJ oldFont = GetCurrentObject(dc.get(), OBJ_FONT);
    PageContext page = page_context(dc.get(), RECT{0, 0, width, limit}, &t, false);
    RECT rect = page.client;
    for (const PopupItem& item : items) {
        if (rect.top >= limit) break;
        rect.left = 0;
        rect.right = width;
        draw_item(page, item, rect);
    }
    SelectObject(dc.get(), oldFont);
    return std::min<int>(rect.top, limit);
}

int level_of(HWND popup)
{
    const std::vector<PopupLevel>& stack = levels();
    for (size_t k = 0; k < stack.size(); ++k)
        if (stack[k].window == popup) return static_cast<int>(k);
    return -1;
}

void paint_popup(HWND popup)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(popup, &ps);
    RECT client;
    GetClientRect(popup, &client);
    const int k = level_of(popup);
    ResponseBuffer* t = popup_thread();
    MemoryDC memory(dc);
    HBITMAP bitmap = memory.get() ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (bitmap) {
        {
            SelectedObject selected(memory.get(), bitmap);
            HGDIOBJ oldFont = GetCurrentObject(memory.get(), OBJ_FONT);
            FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            SetBkColor(memory.get(), kViewBackground);
            if (t && k >= 0) {
                PageContext page = page_context(memory.get(), client, t, true);
                levels()[k].pageStep = page_step(lay_out(page, levels()[k]));
            }
            SelectObject(memory.get(), oldFont);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        }
        DeleteObject(bitmap);
    }
    EndPaint(popup, &ps);
}

// A popup destroyed with the view under it takes the levels above it along.
void forget(HWND popup)
{
    const int k = level_of(popup);
    if (k >= 0) levels().resize(static_cast<size_t>(k));
    for (HWND& w : g_windows)
        if (w == popup) w = nullptr;
}

bool register_popup_class();

// The window of level `depth` over `view`, placed at `place` above the others.
HWND place_window(HWND view, int depth, const RECT& place)
{
    HWND& w = g_windows[depth];
    if (w && (!IsWindow(w) || GetParent(w) != view)) w = nullptr;
    if (!w && register_popup_class())
        w = CreateWindowExW(0, kPopupClass, L"", WS_CHILD | WS_BORDER | WS_CLIPSIBLINGS, 0, 0, 0, 0, view, nullptr,
                            program_instance(), nullptr);
    if (!w) return nullptr;
    SetWindowPos(w, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(w, nullptr, FALSE);
    return w;
}

// The responses a tap at `point` of level `k` follows.
std::vector<int32_t> tapped_in(int k, POINT point)
{
    ResponseBuffer* t = popup_thread();
    HWND popup = levels()[k].window;
    WindowDC dc(popup);
    if (!t || !dc.get()) return {};
    RECT client;
    GetClientRect(popup, &client);
    HGDIOBJ oldFont = GetCurrentObject(dc.get(), OBJ_FONT);
    LineHit hit{false, -1, 0};
    PageContext page = page_context(dc.get(), client, t, false);
    page.probe = &point;
    page.hit = &hit;
    lay_out(page, levels()[k]);
    SelectObject(dc.get(), oldFont);
    return responses_at_hit(*t, hit);
}

// A tap on a lower popup closes those above it; on the top one it follows
// what lies under it.
void tap_popup(HWND popup, LPARAM lp)
{
    const int k = level_of(popup);
    HWND view = GetParent(popup);
    if (k < 0) return;
    while (ResponsePopup_depth() > k + 1) ResponsePopup_close_top();
    const POINT point{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    std::vector<int32_t> responses = tapped_in(k, point);
    if (!responses.empty()) ResponsePopup_open(view, responses);
    SetFocus(view);
}

LRESULT CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint_popup(hwnd);
        return 0;
    case WM_LBUTTONUP:
        tap_popup(hwnd, lp);
        return 0;
    case WM_NCDESTROY:
        forget(hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool register_popup_class()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = PopupProc;
    wc.hInstance = program_instance();
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kPopupClass;
    return RegisterClassW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void scroll_top(PopupLevel& level, int32_t by)
{
    const int32_t last = std::max<int32_t>(0, static_cast<int32_t>(level.items.size()) - 1);
    level.top = std::clamp<int32_t>(level.top + by, 0, last);
    InvalidateRect(level.window, nullptr, FALSE);
}

// Enter: the view goes to the response at the top popup's top, the place it
// left kept on the thread's back stack.
void jump_to_top_response(HWND view)
{
    ResponseBuffer* t = popup_thread();
    const int32_t r = ResponsePopup_top_response(ResponsePopup_depth() - 1);
    ScrollRecord* record = current_scroll_record();
    ThreadConversation* c = t ? conversation_of(*t) : nullptr;
    if (!c || !record || r < 1 || r > t->responseCount) return;
    push_back_position(*c, record->nPos);
    ResponsePopup_close_all();
    ResponseView_set_position(view, first_line_of_response(*t, r));
}

}  // namespace

bool follow_for_key(WPARAM key, Follow* what)
{
    switch (key) {
    case kKeyFollowAnchors:
        *what = Follow::Anchors;
        return true;
    case kKeyFollowReplies:
        *what = Follow::Replies;
        return true;
    case kKeyFollowSameId:
        *what = Follow::SameId;
        return true;
    }
    return false;
}

bool ResponsePopup_open(HWND view, const std::vector<int32_t>& responses)
{
    ResponseBuffer* t = current_thread();
    std::vector<PopupLevel>& stack = levels();
    if (!t || !t->lines || responses.empty() || static_cast<int>(stack.size()) >= kMaxPopupDepth) return false;
    if (!stack.empty() && !popup_thread()) ResponsePopup_close_all();
    g_shownLines = t->lines;

    RECT client;
    GetClientRect(view, &client);
    const int depth = static_cast<int>(stack.size());
    const int left = kPopupMargin + depth * kPopupStepX;
    const int top = kPopupMargin + depth * kPopupStepY;
    const int width = client.right - left - kPopupMargin;
    const int room = client.bottom - top - kPopupMargin;
    const int border = 2 * GetSystemMetrics(SM_CYBORDER);
    if (width <= kBodyIndent * 2 || room <= border) return false;

    PopupLevel level{nullptr, responses, items_of(*t, responses), 0, 1};
    const int height = content_height(view, *t, level.items, width - border, room - border) + border;
    // The level is on the stack before its window shows, so that its paint finds it.
    stack.push_back(level);
    HWND window = place_window(view, depth, RECT{left, top, left + width, top + height});
    if (!window) {
        stack.pop_back();
        return false;
    }
    stack.back().window = window;
    UpdateWindow(window);
    return true;
}

bool ResponsePopup_follow(HWND view, int32_t r, Follow what)
{
    ResponseBuffer* t = current_thread();
    ThreadConversation* c = t ? conversation_of(*t) : nullptr;
    if (!c) return false;
    return ResponsePopup_open(view, follow(c->index, r, what));
}

int ResponsePopup_depth() { return static_cast<int>(levels().size()); }

void ResponsePopup_close_top()
{
    std::vector<PopupLevel>& stack = levels();
    if (stack.empty()) return;
    HWND window = stack.back().window;
    stack.pop_back();
    ShowWindow(window, SW_HIDE);
}

void ResponsePopup_close_all()
{
    while (!levels().empty()) ResponsePopup_close_top();
}

bool ResponsePopup_keydown(HWND view, WPARAM key)
{
    std::vector<PopupLevel>& stack = levels();
    if (stack.empty()) return false;
    if (!popup_thread()) {
        ResponsePopup_close_all();
        return false;
    }
    PopupLevel& level = stack.back();
    Follow what;
    if (follow_for_key(key, &what)) {
        ResponsePopup_follow(view, ResponsePopup_top_response(ResponsePopup_depth() - 1), what);
        return true;
    }
    switch (key) {
    case VK_UP:
    case 'Q':
        scroll_top(level, -1);
        break;
    case VK_DOWN:
    case 'W':
        scroll_top(level, 1);
        break;
    case VK_PRIOR:
    case 'A':
    case VK_LEFT:
        scroll_top(level, -level.pageStep);
        break;
    case VK_NEXT:
    case 'S':
    case VK_RIGHT:
    case VK_SPACE:
        scroll_top(level, level.pageStep);
        break;
    case VK_RETURN:
        jump_to_top_response(view);
        break;
    case VK_ESCAPE:
    case VK_BACK:
        ResponsePopup_close_top();
        break;
    }
    // Every other key is the popup's too: the view under it stays as it is.
    return true;
}

void ResponsePopup_close_if_stale()
{
    if (!levels().empty() && !popup_thread()) ResponsePopup_close_all();
}

HWND ResponsePopup_window(int level)
{
    if (level < 0 || level >= ResponsePopup_depth()) return nullptr;
    return levels()[level].window;
}

std::vector<int32_t> ResponsePopup_responses(int level)
{
    if (level < 0 || level >= ResponsePopup_depth()) return {};
    return levels()[level].responses;
}

int32_t ResponsePopup_top_response(int level)
{
    if (level < 0 || level >= ResponsePopup_depth()) return 0;
    const PopupLevel& l = levels()[level];
    if (l.items.empty()) return 0;
    return l.items[static_cast<size_t>(l.top)].response;
}
