// The handset's command bar: a tool bar of 16 x 16 images along the top of its
// parent, with push, check and drop-down buttons. Button clicks reach the
// parent as WM_COMMAND; a drop-down button's as WM_NOTIFY TBN_DROPDOWN.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Creates an empty bar with control id `id` at the top of `parent`, shown.
HWND commandbar_create(HINSTANCE instance, HWND parent, int id);
void commandbar_destroy(HWND bar);
// Adds `count` images of 16 x 16 pixels from bitmap resource `bitmapId` (its
// light grey, RGB(192, 192, 192), shows the bar's own face). Returns the index
// of the first image added, -1 on failure.
int commandbar_add_bitmap(HWND bar, HINSTANCE instance, UINT bitmapId, int count);
// Adds buttons: each record gives its image index, command, state
// (TBSTATE_*) and style (BTNS_BUTTON, BTNS_CHECK, BTNS_DROPDOWN). A tap
// anywhere on a drop-down button notifies TBN_DROPDOWN.
bool commandbar_add_buttons(HWND bar, int count, const TBBUTTON* buttons);
int commandbar_height(HWND bar);
void commandbar_show(HWND bar, bool show);
// The state bits of the button with that command; -1 when there is none.
int commandbar_button_state(HWND bar, int command);
bool commandbar_set_button_state(HWND bar, int command, BYTE state);
// The button's rectangle in the bar's client coordinates.
bool commandbar_button_rect(HWND bar, int command, RECT* out);
