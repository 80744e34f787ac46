#include "app/listkeys_win.h"

#include <commctrl.h>

namespace {
constexpr UINT_PTR kListKeysSubclass = 0x4C4B4559;

LRESULT CALLBACK list_keys_proc(HWND view, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR)
{
    switch (msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wp == VK_LEFT) wp = VK_PRIOR;
        else if (wp == VK_RIGHT) wp = VK_NEXT;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(view, list_keys_proc, kListKeysSubclass);
        break;
    }
    return DefSubclassProc(view, msg, wp, lp);
}
}  // namespace

bool SubclassThreadListKeys(HWND view)
{
    return view && SetWindowSubclass(view, list_keys_proc, kListKeysSubclass, 0);
}
