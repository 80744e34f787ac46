// The main window's layout: the rectangles computed from its client area and
// the bars, placing and showing the windows of the current view, the command
// bar and menu bar that go with it, and the online and menu check marks.
#pragma once
#include <windows.h>

// Computes the bar height, the selector width and the content, list and
// thread rectangles into AppState (at creation, on a size change and on the
// setting change 0x3002). The windows move only at the next ApplyLayout.
void ComputeLayout(HWND main);

// Places and shows the windows of AppState.view, hides those of the other
// view, switches the command bar and the menu bar, and gives the focus to the
// view unless a search box is shown.
void ApplyLayout();
// The same; with `giveFocus` false the focus is left where it is.
void ApplyLayout(bool giveFocus);

// Button 40010 of the current command bar checked (online 1) or not, and the
// check mark of item 40010 in both menu bars.
void ShowOnlineState(int online);
