// The handset shell's full-screen dialog set-up.
#pragma once
#include <windows.h>

constexpr DWORD kDialogDoneButton = 0x01;     // the caption's close box answers IDOK ("ok")
constexpr DWORD kDialogFullScreen = 0x02;     // covers the main window's client area
constexpr DWORD kDialogInputPanelDown = 0x04; // no input panel exists here: nothing to lower
constexpr DWORD kDialogScrollWhenNeeded = 0x08;

// Sets the dialog up as the shell would. The main window is the dialog's
// top-level owner; without one the dialog covers the handset's client size at
// the screen's top left corner. With kDialogScrollWhenNeeded a vertical scroll
// bar appears when the controls reach below the part of the dialog that the
// soft-key bar leaves free, and scrolls them. False when `dialog` is no window.
bool fullscreen_dialog_init(HWND dialog, DWORD flags);
