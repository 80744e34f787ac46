// The main window's process-wide record. Touched only by the GUI thread.
// It sits at the base because the layers below the shell work in its
// windows: the reader's views and selectors, the fonts they draw with, the
// owner of every message and dialog.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/appkinds.h"

struct FontListRecord {
    LOGFONTW* items;
    int32_t count;
};

struct AppStateRecord {
    HINSTANCE instance;
    HWND hwndMain;                 // 0 until the window-creation call has returned
    int32_t DeviceKind;
    int32_t view;                  // ViewMode
    int32_t currentCategory;
    int32_t currentBoard;
    HCURSOR savedCursor;

    HWND CategorySelector;
    HWND BoardSelector;
    HWND OpenThreadSelector;
    HWND ThreadSearchBox;
    HWND ResponseSearchBox;
    HWND threadListView;
    HWND responseView;

    HWND ListToolbar;
    HWND ThreadToolbar;
    HWND currentToolbar;
    HWND ListMenuBar;
    HWND ThreadMenuBar;
    HWND dialogMenuBar;
    HMENU lastPopupMenu;

    uint8_t SearchBoxShown;
    HFONT BodyFont;
    HFONT BoldFont;
    FontListRecord FontList;
    int32_t pixelsPerInch;

    // Layout values in pixels, computed from the main window's client area.
    int32_t barHeight;       // height of the current command bar, a selector row, a search box
    int32_t selectorWidth;   // client width / 2 - 2
    RECT contentRect;        // client area below the bar row (and above the menu bar on a Pocket PC)
    RECT listRect;           // ListMode: equal to contentRect
    RECT threadRect;         // ThreadMode: contentRect less one more bar row at the top
};

extern AppStateRecord AppState;

// The module resources are loaded from: AppState.instance, or before start-up
// has set it (as under test) the executable's own.
HINSTANCE program_instance();
