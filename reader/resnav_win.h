// The response view's keys, the response-number jump dialog (template 129)
// and the thread's action menu (menu 147 under button 40019).
#pragma once
#include <windows.h>

// The jump dialog over the current thread, modal, owned by the main window;
// then the view is redrawn and takes the focus. Nothing with no thread open.
// Key G and command 40043.
void ResponseView_jump_dialog(HWND view);

INT_PTR CALLBACK JumpDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// Menu 147's first popup, below the thread bar's button 40019 (kept clear of
// it), owned by the main window; the chosen item reaches the main window as a
// command. Key Enter.
void ResponseView_action_menu(HWND view);

// Menu 147's first popup below button 40019 of `bar`; without a visible bar
// (a Smartphone shows none) at the top left corner of `fallback`'s client
// area. The chosen item reaches `owner` as a command.
void show_action_menu_below(HWND bar, HWND fallback, HWND owner);

// Tracks the first popup of `menu` below `button` (screen coordinates, kept
// clear of it), owned by `owner`. Meanwhile AppState.lastPopupMenu names
// `menu`, so that a command can tick its items while it is open.
void track_menu_below(HMENU menu, const RECT& button, HWND owner);
