// The steps of the window-creation sequence that belong to the panes,
// selectors and layout. Until those are written, views_win.cpp holds them as
// steps that do nothing: the program then starts without selectors and
// search boxes, and nothing is placed. Whoever writes one of them moves it out
// of views_win.cpp into its own file. (The response view and the thread list
// view have their own: reader/resview_win.h, reader/threadlist_win.h.)
#pragma once
#include <windows.h>

// The child windows, in the order the creation sequence makes them.
void CreateResponseSearchBox(HWND main);
void CreateOpenThreadSelector(HWND main);
void CreateCategorySelector(HWND main);
void CreateBoardSelector(HWND main);
void FillCategorySelector();
void CreateThreadSearchBox(HWND main);

// Layout rectangles from the client area, and placing the current view.
void ComputeLayout(HWND main);
void ApplyLayout();

// Online state on button 40010 of the current command bar and item 40010 of
// both menu bars; a check mark in the first popup of a menu bar.
void ShowOnlineState(int online);
void SetMenuBarCheck(HWND menuBar, UINT command, bool checked);
