// The thread list's state icons (not held, held, has new, fallen): the image list
// the list view is given, and the drawing of a row's icon.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Loads the four icons at `size` pixels into a new image list, replacing
// (and destroying) the previous one. Null when it cannot be made.
HIMAGELIST create_state_images(HINSTANCE instance, int size);
void destroy_state_images();
HIMAGELIST state_images();

// Draws the icon of `state` (0 to 3) with its top left at (x, y) over a
// row whose background is `background`; exactly as the image list draws it.
void draw_state_icon(HDC dc, int state, COLORREF background, int x, int y);
