#include "app/layout_win.h"

#include "app/layout.h"
#include "base/appstate.h"
#include "platform/commandbar.h"
#include "platform/softkeybar.h"
#include "platform/softkeys_win.h"
#include "res/resource.h"
#include "store/settings.h"

namespace {
LayoutBox box_of(const RECT& r) { return LayoutBox{r.left, r.top, r.right, r.bottom}; }
RECT rect_of(const LayoutBox& b) { return RECT{b.left, b.top, b.right, b.bottom}; }

void apply_child(HWND child, const ChildPlacement& p)
{
    if (!child) return;
    if (p.place) MoveWindow(child, p.x, p.y, p.width, p.height, TRUE);
    ShowWindow(child, p.shown ? SW_SHOW : SW_HIDE);
}

// A view's windows go where `p` puts them; its menu bar shows with `barShown`.
void apply_list_view(const AppStateRecord& a, const ViewPlacement& p, bool barShown)
{
    apply_child(a.CategorySelector, p.categorySelector);
    apply_child(a.BoardSelector, p.boardSelector);
    apply_child(a.threadListView, p.threadListView);
    apply_child(a.ThreadSearchBox, p.threadSearchBox);
    softkey_bar_show(a.ListMenuBar, barShown);
}

void apply_thread_view(const AppStateRecord& a, const ViewPlacement& p, bool barShown)
{
    apply_child(a.OpenThreadSelector, p.openThreadSelector);
    apply_child(a.responseView, p.responseView);
    apply_child(a.ResponseSearchBox, p.responseSearchBox);
    softkey_bar_show(a.ThreadMenuBar, barShown);
}
}  // namespace

void ComputeLayout(HWND main)
{
    const RECT client = softkey_bar_owner_client(main);
    const int32_t h = commandbar_height(AppState.currentToolbar);
    LayoutValues v = compute_layout(box_of(client), h, AppState.DeviceKind == DevicePocketPC,
                                    softkey_bar_height(AppState.ListMenuBar));
    AppState.barHeight = v.barHeight;
    AppState.selectorWidth = v.selectorWidth;
    AppState.contentRect = rect_of(v.content);
    AppState.listRect = rect_of(v.list);
    AppState.threadRect = rect_of(v.thread);
}

void ApplyLayout() { ApplyLayout(true); }

void ApplyLayout(bool giveFocus)
{
    AppStateRecord& a = AppState;
    LayoutValues v{a.barHeight, a.selectorWidth, box_of(a.contentRect), box_of(a.listRect), box_of(a.threadRect)};
    const bool listMode = a.view != ThreadMode;

    // The bars first: the online state goes to the bar that is current now.
    a.currentToolbar = listMode ? a.ListToolbar : a.ThreadToolbar;
    commandbar_show(listMode ? a.ThreadToolbar : a.ListToolbar, false);
    ViewPlacement p = place_view(v, a.view, a.DeviceKind, Settings.ToolBarVisible, a.SearchBoxShown != 0);

    // The other view's windows and menu bar go first, so that the focus never
    // rests in a window about to be hidden while this view's windows are shown.
    if (listMode) apply_thread_view(a, p, false);
    else apply_list_view(a, p, false);

    if (p.toolbarShown) {
        commandbar_show(a.currentToolbar, true);
        ShowOnlineState(Settings.LineOnOff);
    } else {
        commandbar_show(a.currentToolbar, false);
    }

    // A hidden search box that had the focus gives it up above, and its
    // focus-lost handling may lay the view out again: the flag is read anew.
    p = place_view(v, a.view, a.DeviceKind, Settings.ToolBarVisible, a.SearchBoxShown != 0);
    if (listMode) {
        apply_list_view(a, p, true);
        if (giveFocus && p.focusView && a.threadListView) SetFocus(a.threadListView);
    } else {
        apply_thread_view(a, p, true);
        if (giveFocus && p.focusView && a.responseView) SetFocus(a.responseView);
    }
}

void ShowOnlineState(int online)
{
    BYTE state = online == 1 ? TBSTATE_ENABLED | TBSTATE_CHECKED : TBSTATE_ENABLED;
    commandbar_set_button_state(AppState.currentToolbar, IDM_ONLINE, state);
    SetMenuBarCheck(AppState.ListMenuBar, IDM_ONLINE, online == 1);
    SetMenuBarCheck(AppState.ThreadMenuBar, IDM_ONLINE, online == 1);
}
