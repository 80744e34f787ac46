#include "platform/fullscreen.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/device.h"
#include "platform/softkeybar.h"

namespace {
constexpr UINT_PTR kSubclassId = 0x46534449;
constexpr wchar_t kStateProp[] = L"QuorvexFullScreenDialog";
constexpr int kLineStep = 8;   // pixels per scroll-bar arrow click at QVGA

struct DialogState {
    DWORD flags = 0;
    int pos = 0;     // pixels scrolled
    int range = 0;   // bottom of the lowest control at pos 0
    int page = 0;    // height left free by the soft-key bar
};

// Children that scroll: every direct child except the soft-key bar.
template <typename F>
void for_each_scrolling_child(HWND dialog, F f)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (!is_softkey_bar(c)) f(c);
}

int lowest_control(HWND dialog)
{
    int bottom = 0;
    for_each_scrolling_child(dialog, [&](HWND c) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
        bottom = std::max(bottom, static_cast<int>(r.bottom));
    });
    return bottom;
}

void scroll_to(HWND dialog, DialogState* s, int pos)
{
    pos = std::max(0, std::min(pos, s->range - s->page));
    int delta = s->pos - pos;
    if (delta == 0) return;
    for_each_scrolling_child(dialog, [&](HWND c) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(c, nullptr, r.left, r.top + delta, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
    s->pos = pos;
    SetScrollPos(dialog, SB_VERT, pos, TRUE);
    InvalidateRect(dialog, nullptr, TRUE);
}

void on_vscroll(HWND dialog, DialogState* s, WPARAM wp)
{
    int step = kLineStep * platform_scale();
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_TRACKPOS;
    GetScrollInfo(dialog, SB_VERT, &si);
    switch (LOWORD(wp)) {
    case SB_LINEUP: scroll_to(dialog, s, s->pos - step); break;
    case SB_LINEDOWN: scroll_to(dialog, s, s->pos + step); break;
    case SB_PAGEUP: scroll_to(dialog, s, s->pos - s->page); break;
    case SB_PAGEDOWN: scroll_to(dialog, s, s->pos + s->page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: scroll_to(dialog, s, si.nTrackPos); break;
    case SB_TOP: scroll_to(dialog, s, 0); break;
    case SB_BOTTOM: scroll_to(dialog, s, s->range); break;
    }
}

LRESULT CALLBACK dialog_subclass(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
{
    auto* s = reinterpret_cast<DialogState*>(data);
    switch (msg) {
    case WM_SYSCOMMAND:
        // The shell's Done button ("ok") confirms the dialog.
        if ((s->flags & kDialogDoneButton) && (wp & 0xFFF0) == SC_CLOSE) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
        break;
    case WM_VSCROLL:
        if (lp == 0 && s->range > s->page) {
            on_vscroll(dialog, s, wp);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(dialog, dialog_subclass, kSubclassId);
        RemovePropW(dialog, kStateProp);
        delete s;
        break;
    }
    return DefSubclassProc(dialog, msg, wp, lp);
}

void set_style_bits(HWND dialog, LONG_PTR add)
{
    LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    if ((style & add) == add) return;
    SetWindowLongPtrW(dialog, GWL_STYLE, style | add);
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
}  // namespace

bool fullscreen_dialog_init(HWND dialog, DWORD flags)
{
    if (!dialog || !IsWindow(dialog)) return false;
    if (auto* old = static_cast<DialogState*>(GetPropW(dialog, kStateProp))) {
        RemoveWindowSubclass(dialog, dialog_subclass, kSubclassId);
        RemovePropW(dialog, kStateProp);
        delete old;
    }
    auto* s = new DialogState;
    s->flags = flags;
    if (flags & kDialogDoneButton) set_style_bits(dialog, WS_CAPTION | WS_SYSMENU);
    if (flags & kDialogFullScreen) {
        HWND owner = GetWindow(dialog, GW_OWNER);
        HWND main = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
        RECT area;
        if (main && GetClientRect(main, &area)) {
            MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT*>(&area), 2);
        } else {
            SIZE size = platform_client_size();
            area = {0, 0, size.cx, size.cy};
        }
        SetWindowPos(dialog, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (flags & kDialogScrollWhenNeeded) {
        RECT client;
        GetClientRect(dialog, &client);
        s->range = lowest_control(dialog);
        s->page = client.bottom - kSoftKeyBarHeight * platform_scale();
        if (s->page > 0 && s->range > s->page) {
            set_style_bits(dialog, WS_VSCROLL);
            SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, s->range, static_cast<UINT>(s->page), 0, 0};
            SetScrollInfo(dialog, SB_VERT, &si, TRUE);
        }
    }
    SetPropW(dialog, kStateProp, s);
    SetWindowSubclass(dialog, dialog_subclass, kSubclassId, reinterpret_cast<DWORD_PTR>(s));
    return true;
}
