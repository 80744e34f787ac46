// Soft-key menu bars of the main window and the dialogs, and the Smartphone
// Back key.
#pragma once
#include <windows.h>

constexpr wchar_t kTextMenuBarFailed[] = L"SHCreateMenuBar Failed";

// A soft-key bar for `owner` from menu resource `menuId`. On failure
// "SHCreateMenuBar Failed" / "Error" with `messageOwner` as the message's
// owner, and null. On a Smartphone the bar passes the Back key to `owner`.
HWND CreateMenuBarFor(HWND owner, UINT menuId, HWND messageOwner);

// On a Smartphone (AppState.DeviceKind 2): the bar hands the Back key to its
// owner as WM_HOTKEY and does nothing else with it.
void ApplyBackKeyOverride(HWND bar);

// Makes `dialog` full-screen with a Done button, the input panel lowered and
// a scroll bar when needed, and gives it a soft-key bar from `menuId`; the bar
// becomes AppState.dialogMenuBar. Returns the bar (null on failure, after
// "SHCreateMenuBar Failed" / "Error" owned by the dialog). On a Smartphone
// the Back key then deletes the character before the caret while the focused
// edit box has text, and cancels the dialog (IDCANCEL) when it has none.
HWND InitDialogMenuBar(HWND dialog, UINT menuId);

// Destroys the dialog's soft-key bar and clears AppState.dialogMenuBar when
// it is that bar. Called by each dialog when it is destroyed.
void DestroyDialogMenuBar(HWND bar);

// For a dialog that keeps its soft-key bar in DWLP_USER: InitDialogMenuBar
// at initialisation, DestroyDialogMenuBar when the dialog is destroyed.
void attach_dialog_menu_bar(HWND dialog, UINT menuId);
void release_dialog_menu_bar(HWND dialog);

// The procedure the soft-key dialogs share: `init` fills the dialog and
// attaches its soft-key bar; OK runs `accept`, which ends the dialog, or ends
// it at once when there is nothing to take over (null); Cancel ends it. Other
// commands (the check boxes' own clicks) are left to the dialog manager; the
// bar is released when the dialog is destroyed.
INT_PTR soft_key_dialog(HWND dialog, UINT msg, WPARAM wp, void (*init)(HWND), void (*accept)(HWND));

// Sets or clears the check mark of `command` in the popup menu of the menu
// bar's first soft key, searching its submenus.
void SetMenuBarCheck(HWND menuBar, UINT command, bool checked);

// Called first by the main window's procedure: on a Smartphone only,
// the Back key's hot-key message (0x0312, key code 27 in the high word of
// lParam, without the key-up bit 0x1000 in the low word) becomes Backspace
// pressed and released, so that the Back key deletes one character. The
// message is then handled as usual. True when Backspace was sent.
bool TranslateBackKey(UINT msg, WPARAM wp, LPARAM lp);

// Tests see the synthesised input instead of the keyboard queue.
using BackKeyInputSender = UINT(WINAPI*)(UINT count, INPUT* inputs, int size);
void set_back_key_input_sender(BackKeyInputSender sender);
