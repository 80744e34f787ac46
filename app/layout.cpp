#include "app/layout.h"

#include "base/appkinds.h"

namespace {
int32_t not_negative(int32_t v) { return v < 0 ? 0 : v; }

ChildPlacement shown_at(int32_t x, int32_t y, int32_t width, int32_t height, bool shown = true)
{
    return ChildPlacement{true, shown, x, y, not_negative(width), not_negative(height)};
}

ChildPlacement hidden_in_place() { return ChildPlacement{false, false, 0, 0, 0, 0}; }
}  // namespace

LayoutValues compute_layout(const LayoutBox& client, int32_t barHeight, bool pocketPC, int32_t menuBarHeight)
{
    LayoutValues v{};
    v.barHeight = barHeight;
    v.content = client;
    v.content.top += barHeight;
    if (pocketPC) v.content.bottom -= menuBarHeight;
    v.list = v.content;
    v.thread = v.content;
    v.thread.top += barHeight;
    v.selectorWidth = (client.right - client.left) / 2 - 2;
    return v;
}

ViewPlacement place_view(const LayoutValues& layout, int32_t view, int32_t deviceKind, int32_t toolBarVisible,
                         bool searchBoxShown)
{
    const int32_t h = layout.barHeight;
    const int32_t w = layout.selectorWidth;
    const LayoutBox& content = layout.content;
    const int32_t contentWidth = content.right - content.left;
    const int32_t searchRow = searchBoxShown ? h : 0;

    ViewPlacement p{};
    p.listView = view != ThreadMode;
    p.toolbarShown = deviceKind == DevicePocketPC && toolBarVisible == 1;
    p.y0 = p.toolbarShown ? h : 0;
    p.focusView = !searchBoxShown;
    const int32_t y0 = p.y0;

    if (p.listView) {
        const LayoutBox& list = layout.list;
        p.categorySelector = shown_at(list.left, y0, w, list.bottom - y0);
        p.boardSelector = shown_at(w + 1, y0, w, list.bottom - y0);
        p.threadListView = shown_at(content.left, y0 + h, contentWidth, list.bottom - (y0 + h) - searchRow);
        p.threadSearchBox = shown_at(list.left, list.bottom - h, 2 * w, h, searchBoxShown);
        p.openThreadSelector = hidden_in_place();
        p.responseView = hidden_in_place();
        p.responseSearchBox = hidden_in_place();
    } else {
        const LayoutBox& thread = layout.thread;
        p.categorySelector = hidden_in_place();
        p.boardSelector = hidden_in_place();
        p.threadListView = hidden_in_place();
        p.threadSearchBox = hidden_in_place();
        p.openThreadSelector = shown_at(thread.left, y0, 2 * w, thread.bottom - y0);
        p.responseView = shown_at(content.left, y0 + h, contentWidth, thread.bottom - (y0 + h) - searchRow);
        p.responseSearchBox = shown_at(content.left, content.bottom - h, contentWidth, h, searchBoxShown);
    }
    return p;
}
