// The small modeless progress dialog (template IDD_PROGRESS): only its caption
// shows, one third down the owner's client area. Used at start and end, when
// a thread is closed, loaded or fetched.
#pragma once
#include <windows.h>

// The dialog procedure of every modeless progress dialog. On creation it
// places the dialog and shows it (a non-null lParam is taken as its caption);
// command 1 or 2 destroys it; everything else is left to the platform.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// Where the dialog goes: its own left edge and the top (owner client height -
// dialog height) / 3, truncated toward zero. False without an owner or a
// readable rectangle (the dialog then stays where it stands).
bool progress_dialog_top(HWND dialog, int* left, int* top);
// Moves the dialog there, keeping its size, z-order and activation.
void place_progress_dialog(HWND dialog);

// Creates the modeless dialog from template IDD_PROGRESS with `caption`;
// `owner` may be null. Null when it cannot be created.
HWND CreateProgressDialog(HWND owner, const wchar_t* caption);
// Changes the caption of an open dialog.
void SetProgressCaption(HWND dialog, const wchar_t* caption);
// Closes the dialog by sending it command 1; nothing for null or a dialog
// that is already gone.
void CloseProgressDialog(HWND dialog);
