// The handset shell's soft-key menu bar: a bar along the bottom of its owner
// with two soft keys made from the two top-level items of a menu resource.
// A popup item opens its menu upward; a plain item sends WM_COMMAND with its
// id to the owner. The keys answer to the mouse and to F1 (left) and F2
// (right) while the owner is the active window.
#pragma once
#include <windows.h>

constexpr int kSoftKeyBarHeight = 26;   // at QVGA; doubled at VGA

// Key override options (the shell's names: no default action, notify).
constexpr UINT kSoftKeyOverrideNoDefault = 0x1;   // the key does nothing else
constexpr UINT kSoftKeyOverrideNotify = 0x2;      // the owner gets WM_HOTKEY

// Modifier bit of WM_HOTKEY's low word when the key was released.
constexpr UINT kHotKeyReleased = 0x1000;

// Creates the bar for `owner` from menu resource `menuId` of `instance` (null:
// the program's own module), shown. Null when the menu cannot be loaded, has
// no top-level item or the window cannot be created.
HWND softkey_bar_create(HWND owner, UINT menuId, HINSTANCE instance = nullptr);
void softkey_bar_destroy(HWND bar);
void softkey_bar_show(HWND bar, bool show);
// Height of the bar's window in pixels.
int softkey_bar_height(HWND bar);
// The popup menu behind soft key `button` (0 left, 1 right); null for a plain
// item or a missing key. The bar keeps the menu: changes (check marks) stay.
HMENU softkey_bar_popup(HWND bar, int button);
// Command id of a plain soft key, 0 for a popup or a missing key.
UINT softkey_bar_command(HWND bar, int button);
// Passes the key `vk` (the Back key is VK_ESCAPE) to the owner: with
// kSoftKeyOverrideNotify the owner gets WM_HOTKEY with the key code in the
// high word of lParam (kHotKeyReleased in the low word on release); with
// kSoftKeyOverrideNoDefault the key itself goes nowhere. Options 0 remove the
// override. Only VK_ESCAPE can be overridden.
bool softkey_bar_override_key(HWND bar, UINT vk, UINT options);
// The part of `owner`'s client area its program lays its windows out in. A
// Smartphone's shell keeps its bar outside the program's window, so there the
// strip of the owner's bars is left out; a Pocket PC's bar lies in the client
// area and the program makes room for it itself (the whole area).
RECT softkey_bar_owner_client(HWND owner);
// True for a window made by softkey_bar_create.
bool is_softkey_bar(HWND hwnd);
