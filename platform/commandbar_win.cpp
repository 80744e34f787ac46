#include "platform/commandbar.h"

#include <vector>

namespace {
constexpr int kImageSize = 16;
constexpr UINT_PTR kParentSubclassId = 0x43424152;   // one per bar: the bar's handle is the data

// The bar follows its parent's width, as the handset's bar does.
LRESULT CALLBACK parent_subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    if (msg == WM_SIZE) SendMessageW(reinterpret_cast<HWND>(id), TB_AUTOSIZE, 0, 0);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK bar_subclass(HWND bar, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR parent)
{
    if (msg == WM_DESTROY)
        RemoveWindowSubclass(reinterpret_cast<HWND>(parent), parent_subclass, reinterpret_cast<UINT_PTR>(bar));
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(bar, bar_subclass, kParentSubclassId);
    return DefSubclassProc(bar, msg, wp, lp);
}

bool is_bar(HWND bar)
{
    wchar_t name[64];
    return bar && IsWindow(bar) && GetClassNameW(bar, name, 64) && lstrcmpiW(name, TOOLBARCLASSNAMEW) == 0;
}
}  // namespace

HWND commandbar_create(HINSTANCE instance, HWND parent, int id)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_TOP | CCS_NODIVIDER |
                                   TBSTYLE_FLAT,
                               0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               instance, nullptr);
    if (!bar) return nullptr;
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageSize, kImageSize));
    SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    SetWindowSubclass(parent, parent_subclass, reinterpret_cast<UINT_PTR>(bar), 0);
    SetWindowSubclass(bar, bar_subclass, kParentSubclassId, reinterpret_cast<DWORD_PTR>(parent));
    return bar;
}

void commandbar_destroy(HWND bar)
{
    if (is_bar(bar)) DestroyWindow(bar);
}

int commandbar_add_bitmap(HWND bar, HINSTANCE instance, UINT bitmapId, int count)
{
    if (!is_bar(bar) || count <= 0) return -1;
    TBADDBITMAP tb = {instance, bitmapId};
    LRESULT first = SendMessageW(bar, TB_ADDBITMAP, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&tb));
    SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    return static_cast<int>(first);
}

bool commandbar_add_buttons(HWND bar, int count, const TBBUTTON* buttons)
{
    if (!is_bar(bar) || count <= 0 || !buttons) return false;
    // The handset's drop-down button answers a tap on its face as on its
    // arrow; the desktop's would send its command for the face.
    std::vector<TBBUTTON> added(buttons, buttons + count);
    for (TBBUTTON& b : added)
        if (b.fsStyle & BTNS_DROPDOWN) b.fsStyle |= BTNS_WHOLEDROPDOWN;
    bool ok = SendMessageW(bar, TB_ADDBUTTONSW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(added.data())) != 0;
    SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    return ok;
}

int commandbar_height(HWND bar)
{
    RECT r;
    if (!is_bar(bar) || !GetWindowRect(bar, &r)) return 0;
    return r.bottom - r.top;
}

void commandbar_show(HWND bar, bool show)
{
    if (is_bar(bar)) ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
}

int commandbar_button_state(HWND bar, int command)
{
    if (!is_bar(bar)) return -1;
    return static_cast<int>(SendMessageW(bar, TB_GETSTATE, static_cast<WPARAM>(command), 0));
}

bool commandbar_set_button_state(HWND bar, int command, BYTE state)
{
    if (!is_bar(bar)) return false;
    return SendMessageW(bar, TB_SETSTATE, static_cast<WPARAM>(command), MAKELPARAM(state, 0)) != 0;
}

bool commandbar_button_rect(HWND bar, int command, RECT* out)
{
    if (!is_bar(bar) || !out) return false;
    return SendMessageW(bar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(out)) != 0;
}
