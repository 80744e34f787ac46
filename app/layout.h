// Where the main window's children go: the layout values computed from the
// client area and the bar heights, and the place and visibility of every
// child for each view. Byte-level: plain numbers in, plain numbers out, so the
// rules are tested natively; layout_win.cpp applies them to the windows.
#pragma once
#include <cstdint>

// A rectangle with the platform's RECT layout of edges.
struct LayoutBox {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct LayoutValues {
    int32_t barHeight;       // current command bar; also a selector row and a search box
    int32_t selectorWidth;   // client width / 2 - 2, truncating toward zero
    LayoutBox content;       // client area less the bar row (and the menu bar on a Pocket PC)
    LayoutBox list;          // equal to content
    LayoutBox thread;        // content less one more bar row at the top
};

// `menuBarHeight` is subtracted from the bottom only on a Pocket PC.
LayoutValues compute_layout(const LayoutBox& client, int32_t barHeight, bool pocketPC, int32_t menuBarHeight);

// One child window: moved to (x, y, width, height) when `place` is set (a
// hidden window of the other view keeps its place), then shown or hidden.
struct ChildPlacement {
    bool place;
    bool shown;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

struct ViewPlacement {
    bool listView;         // ListMode: the list tool bar and menu bar are the current ones
    bool toolbarShown;     // the current command bar is shown (never both)
    int32_t y0;            // top of the selector row: below the command bar when it shows
    ChildPlacement categorySelector;
    ChildPlacement boardSelector;
    ChildPlacement threadListView;
    ChildPlacement threadSearchBox;
    ChildPlacement openThreadSelector;
    ChildPlacement responseView;
    ChildPlacement responseSearchBox;
    bool focusView;        // the view takes the focus (no search box shown)
};

// The places of the children for `view` (0 list, 1 thread). The command bar
// shows only on a Pocket PC (`deviceKind` 1) with `toolBarVisible` 1. Sizes
// that would come out negative on a very small client area are 0.
ViewPlacement place_view(const LayoutValues& layout, int32_t view, int32_t deviceKind, int32_t toolBarVisible,
                         bool searchBoxShown);
