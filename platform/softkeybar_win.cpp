#include "platform/softkeybar.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include "base/handles.h"
#include "platform/device.h"

namespace {
constexpr wchar_t kBarClass[] = L"QuorvexSoftKeyBar";
// Posted to the bar by the key filter so that the key's work (a popup menu's
// own message loop) runs outside the hook.
constexpr UINT kPressMessage = WM_APP + 0x51;

constexpr COLORREF kBarColour = RGB(32, 48, 80);
constexpr COLORREF kPressedColour = RGB(72, 104, 160);
constexpr COLORREF kTextColour = RGB(255, 255, 255);

struct SoftKey {
    bool present = false;
    wchar_t label[64] = {};
    UINT command = 0;
    HMENU popup = nullptr;
};

struct SoftKeyBar {
    HWND owner = nullptr;
    UniqueMenu menu;
    GdiObject<HFONT> font;
    SoftKey keys[2];
    int pressed = -1;
    bool tracking = false;
    UINT backOptions = 0;
};

std::vector<HWND> g_bars;
HHOOK g_keyHook = nullptr;

SoftKeyBar* bar_data(HWND bar)
{
    if (!bar || !IsWindow(bar)) return nullptr;
    return reinterpret_cast<SoftKeyBar*>(GetWindowLongPtrW(bar, GWLP_USERDATA));
}

// The menu text without its mnemonic marks and without what follows a tab.
void make_label(const wchar_t* text, wchar_t* out, size_t size)
{
    size_t n = 0;
    for (const wchar_t* p = text; *p && *p != L'\t' && n + 1 < size; ++p) {
        if (*p == L'&') {
            if (p[1] != L'&') continue;
            ++p;
        }
        out[n++] = *p;
    }
    out[n] = L'\0';
}

int bar_height() { return kSoftKeyBarHeight * platform_scale(); }

void place_bar(HWND bar, HWND owner)
{
    RECT client;
    if (!GetClientRect(owner, &client)) return;
    int h = bar_height();
    SetWindowPos(bar, HWND_TOP, 0, client.bottom - h, client.right, h, SWP_NOACTIVATE);
}

LRESULT CALLBACK owner_subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    if (msg == WM_SIZE) place_bar(reinterpret_cast<HWND>(id), hwnd);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// The bar that answers the keys for a window: the visible bar owned by the
// window's top-level ancestor.
HWND bar_for_window(HWND hwnd)
{
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (HWND bar : g_bars) {
        SoftKeyBar* d = bar_data(bar);
        if (d && d->owner == root && IsWindowVisible(bar)) return bar;
    }
    return nullptr;
}

bool any_bar_tracking()
{
    for (HWND bar : g_bars) {
        SoftKeyBar* d = bar_data(bar);
        if (d && d->tracking) return true;
    }
    return false;
}

// Every key message of the thread passes here before it is dispatched, in the
// main loop, dialog loops and menu loops alike, as the shell sees the keys
// before any window does.
LRESULT CALLBACK key_filter(int code, WPARAM removal, LPARAM lp)
{
    MSG* m = reinterpret_cast<MSG*>(lp);
    // With no window focused the keys arrive as WM_SYSKEY* (without Alt).
    bool key = m && (m->message == WM_KEYDOWN || m->message == WM_KEYUP ||
                     ((m->message == WM_SYSKEYDOWN || m->message == WM_SYSKEYUP) && !(m->lParam & (1L << 29))));
    if (code == HC_ACTION && removal == PM_REMOVE && key) {
        UINT vk = static_cast<UINT>(m->wParam);
        bool down = m->message == WM_KEYDOWN || m->message == WM_SYSKEYDOWN;
        if (vk == VK_F1 || vk == VK_F2) {
            if (any_bar_tracking()) {
                // The soft key pressed again closes its menu.
                if (down) EndMenu();
                m->message = WM_NULL;
            } else if (HWND bar = bar_for_window(m->hwnd)) {
                bool repeat = (m->lParam & (1L << 30)) != 0;
                if (down && !repeat) PostMessageW(bar, kPressMessage, vk == VK_F1 ? 0 : 1, 0);
                m->message = WM_NULL;
            }
        } else if (vk == VK_ESCAPE) {
            HWND bar = bar_for_window(m->hwnd);
            SoftKeyBar* d = bar_data(bar);
            if (d && d->backOptions) {
                if (d->backOptions & kSoftKeyOverrideNotify) {
                    LPARAM hot = MAKELPARAM(down ? 0 : kHotKeyReleased, VK_ESCAPE);
                    PostMessageW(d->owner, WM_HOTKEY, 0, hot);
                }
                if (d->backOptions & kSoftKeyOverrideNoDefault) m->message = WM_NULL;
            }
        }
    }
    return CallNextHookEx(g_keyHook, code, removal, lp);
}

void paint_bar(HWND bar, SoftKeyBar* d)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    RECT client;
    GetClientRect(bar, &client);
    int half = client.right / 2;
    GdiObject<HBRUSH> back(CreateSolidBrush(kBarColour));
    FillRect(dc, &client, back.get());
    HGDIOBJ oldFont = SelectObject(dc, d->font ? d->font.get() : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColour);
    for (int i = 0; i < 2; ++i) {
        RECT r = client;
        if (i == 0) r.right = half;
        else r.left = half;
        if (d->pressed == i) {
            GdiObject<HBRUSH> lit(CreateSolidBrush(kPressedColour));
            FillRect(dc, &r, lit.get());
        }
        if (d->keys[i].present)
            DrawTextW(dc, d->keys[i].label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kPressedColour));
    {
        SelectedObject selected(dc, pen.get());
        MoveToEx(dc, half, client.top + 4, nullptr);
        LineTo(dc, half, client.bottom - 4);
    }
    SelectObject(dc, oldFont);
    EndPaint(bar, &ps);
}

void press_key(HWND bar, int index)
{
    SoftKeyBar* d = bar_data(bar);
    if (!d || index < 0 || index > 1 || !d->keys[index].present || d->tracking) return;
    SoftKey& key = d->keys[index];
    if (!key.popup) {
        PostMessageW(d->owner, WM_COMMAND, MAKEWPARAM(key.command, 0), 0);
        return;
    }
    RECT r;
    GetWindowRect(bar, &r);
    UINT flags = TPM_BOTTOMALIGN | TPM_LEFTBUTTON | (index == 0 ? TPM_LEFTALIGN : TPM_RIGHTALIGN);
    int x = index == 0 ? r.left : r.right;
    HWND owner = d->owner;
    d->pressed = index;
    d->tracking = true;
    InvalidateRect(bar, nullptr, TRUE);
    // The chosen item reaches the owner as WM_COMMAND, posted by the menu.
    TrackPopupMenuEx(key.popup, flags, x, r.top, owner, nullptr);
    if ((d = bar_data(bar)) != nullptr) {
        d->tracking = false;
        d->pressed = -1;
        InvalidateRect(bar, nullptr, TRUE);
    }
}

int key_at(HWND bar, int x)
{
    RECT client;
    GetClientRect(bar, &client);
    return x < client.right / 2 ? 0 : 1;
}

LRESULT CALLBACK bar_proc(HWND bar, UINT msg, WPARAM wp, LPARAM lp)
{
    SoftKeyBar* d = reinterpret_cast<SoftKeyBar*>(GetWindowLongPtrW(bar, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE: {
        // The window takes the bar's data from its creator here and frees it
        // at WM_NCDESTROY, also when the creation fails after this point.
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* creator = static_cast<std::unique_ptr<SoftKeyBar>*>(cs->lpCreateParams);
        SetWindowLongPtrW(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creator->release()));
        break;
    }
    case WM_PAINT:
        if (d) { paint_bar(bar, d); return 0; }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        if (d) {
            d->pressed = key_at(bar, GET_X_LPARAM(lp));
            SetCapture(bar);
            InvalidateRect(bar, nullptr, TRUE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (d && d->pressed >= 0) {
            int down = d->pressed;
            d->pressed = -1;
            ReleaseCapture();
            InvalidateRect(bar, nullptr, TRUE);
            POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            RECT client;
            GetClientRect(bar, &client);
            if (PtInRect(&client, pt) && key_at(bar, pt.x) == down) press_key(bar, down);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (d && !d->tracking && d->pressed >= 0) {
            d->pressed = -1;
            InvalidateRect(bar, nullptr, TRUE);
        }
        return 0;
    case kPressMessage:
        press_key(bar, static_cast<int>(wp));
        return 0;
    case WM_DESTROY:
        if (d) RemoveWindowSubclass(d->owner, owner_subclass, reinterpret_cast<UINT_PTR>(bar));
        return 0;
    case WM_NCDESTROY:
        g_bars.erase(std::remove(g_bars.begin(), g_bars.end(), bar), g_bars.end());
        if (g_bars.empty() && g_keyHook) {
            UnhookWindowsHookEx(g_keyHook);
            g_keyHook = nullptr;
        }
        if (d) {
            delete d;
            SetWindowLongPtrW(bar, GWLP_USERDATA, 0);
        }
        break;
    }
    return DefWindowProcW(bar, msg, wp, lp);
}

bool register_bar_class()
{
    static bool registered = false;
    if (registered) return true;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = bar_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kBarClass;
    registered = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

HFONT make_bar_font()
{
    LOGFONTW lf;
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return nullptr;
    lf.lfHeight *= platform_scale();
    lf.lfWidth = 0;
    lf.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&lf);
}

bool read_keys(HMENU menu, SoftKeyBar* d)
{
    int count = GetMenuItemCount(menu);
    if (count <= 0) return false;
    for (int i = 0; i < 2 && i < count; ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = static_cast<UINT>(sizeof text / sizeof text[0]);
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi)) continue;
        SoftKey& key = d->keys[i];
        key.present = true;
        key.popup = mi.hSubMenu;
        key.command = mi.hSubMenu ? 0 : mi.wID;
        make_label(text, key.label, sizeof key.label / sizeof key.label[0]);
    }
    return d->keys[0].present || d->keys[1].present;
}
}  // namespace

HWND softkey_bar_create(HWND owner, UINT menuId, HINSTANCE instance)
{
    if (!owner || !IsWindow(owner) || !register_bar_class()) return nullptr;
    if (!instance) instance = GetModuleHandleW(nullptr);
    UniqueMenu menu(LoadMenuW(instance, MAKEINTRESOURCEW(menuId)));
    if (!menu) return nullptr;
    auto d = std::make_unique<SoftKeyBar>();
    d->owner = owner;
    if (!read_keys(menu.get(), d.get())) return nullptr;
    d->menu = std::move(menu);
    d->font.reset(make_bar_font());
    RECT client = {};
    GetClientRect(owner, &client);
    int h = bar_height();
    HWND bar = CreateWindowExW(0, kBarClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                               client.bottom - h, client.right, h, owner, nullptr,
                               GetModuleHandleW(nullptr), &d);
    if (!bar) return nullptr;   // d is still ours only when WM_NCCREATE never came
    g_bars.push_back(bar);
    if (!g_keyHook)
        g_keyHook = SetWindowsHookExW(WH_GETMESSAGE, key_filter, nullptr, GetCurrentThreadId());
    SetWindowSubclass(owner, owner_subclass, reinterpret_cast<UINT_PTR>(bar), 0);
    SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return bar;
}

void softkey_bar_destroy(HWND bar)
{
    if (bar_data(bar)) DestroyWindow(bar);
}

void softkey_bar_show(HWND bar, bool show)
{
    if (!bar_data(bar)) return;
    ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
    // A handset's menu bar lies above every other window. The views are
    // created after the bars, so a shown bar is raised over its siblings.
    if (show) SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int softkey_bar_height(HWND bar)
{
    RECT r;
    if (!bar_data(bar) || !GetWindowRect(bar, &r)) return 0;
    return r.bottom - r.top;
}

HMENU softkey_bar_popup(HWND bar, int button)
{
    SoftKeyBar* d = bar_data(bar);
    if (!d || button < 0 || button > 1) return nullptr;
    return d->keys[button].popup;
}

UINT softkey_bar_command(HWND bar, int button)
{
    SoftKeyBar* d = bar_data(bar);
    if (!d || button < 0 || button > 1) return 0;
    return d->keys[button].command;
}

bool softkey_bar_override_key(HWND bar, UINT vk, UINT options)
{
    SoftKeyBar* d = bar_data(bar);
    if (!d || vk != VK_ESCAPE) return false;
    d->backOptions = options & (kSoftKeyOverrideNoDefault | kSoftKeyOverrideNotify);
    return true;
}

RECT softkey_bar_owner_client(HWND owner)
{
    RECT client{};
    GetClientRect(owner, &client);
    wchar_t type[16] = L"";
    const bool smartphone = platform_get_type(type, 16) && lstrcmpW(type, L"Smartphone") == 0;
    if (!smartphone) return client;
    for (HWND bar : g_bars) {
        SoftKeyBar* d = bar_data(bar);
        if (d && d->owner == owner) {
            client.bottom = std::max(client.top, client.bottom - bar_height());
            break;
        }
    }
    return client;
}

bool is_softkey_bar(HWND hwnd)
{
    wchar_t name[64];
    return hwnd && GetClassNameW(hwnd, name, 64) && lstrcmpW(name, kBarClass) == 0;
}
