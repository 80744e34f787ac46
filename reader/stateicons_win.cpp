#include "reader/stateicons_win.h"

#include "base/handles.h"
#include "res/resource.h"

namespace {

// The images of states 0 to 3, in that order.
constexpr UINT kStateIcons[] = {IDI_THREAD_NOT_HELD, IDI_THREAD_HELD, IDI_THREAD_NEW, IDI_THREAD_FALLEN};
constexpr int kStates = 4;
// Row backgrounds remembered at once: the two alternating ones and the
// selected one, and one to spare.
constexpr int kBackgrounds = 4;

// Drawing from an image list blends through temporary bitmaps on every call,
// which costs more than the rest of a row together. Each icon is drawn once
// over each row background into this cache, and rows copy it from there.
struct StateIconRecord {
    HIMAGELIST images = nullptr;
    int size = 0;
    HDC cacheDC = nullptr;
    HBITMAP cacheBitmap = nullptr;   // kStates columns, kBackgrounds rows
    HGDIOBJ cacheOld = nullptr;
    COLORREF backgrounds[kBackgrounds] = {};
    bool filled[kBackgrounds] = {};
    int nextSlot = 0;
};

StateIconRecord StateIcons;

void drop_cache()
{
    StateIconRecord& s = StateIcons;
    if (s.cacheDC) {
        SelectObject(s.cacheDC, s.cacheOld);
        DeleteDC(s.cacheDC);
    }
    if (s.cacheBitmap) DeleteObject(s.cacheBitmap);
    s.cacheDC = nullptr;
    s.cacheBitmap = nullptr;
    s.cacheOld = nullptr;
    for (bool& f : s.filled) f = false;
    s.nextSlot = 0;
}

bool make_cache(HDC like)
{
    StateIconRecord& s = StateIcons;
    if (s.cacheDC) return true;
    s.cacheBitmap = CreateCompatibleBitmap(like, s.size * kStates, s.size * kBackgrounds);
    s.cacheDC = s.cacheBitmap ? CreateCompatibleDC(like) : nullptr;
    if (!s.cacheDC) {
        drop_cache();
        return false;
    }
    s.cacheOld = SelectObject(s.cacheDC, s.cacheBitmap);
    return true;
}

// The cache row holding the icons over `background`, drawn there when new.
int cache_slot(COLORREF background)
{
    StateIconRecord& s = StateIcons;
    for (int i = 0; i < kBackgrounds; ++i)
        if (s.filled[i] && s.backgrounds[i] == background) return i;
    const int slot = s.nextSlot;
    s.nextSlot = (s.nextSlot + 1) % kBackgrounds;
    RECT all{0, slot * s.size, kStates * s.size, (slot + 1) * s.size};
    GdiObject<HBRUSH> brush(CreateSolidBrush(background));
    FillRect(s.cacheDC, &all, brush.get());
    for (int state = 0; state < kStates; ++state)
        ImageList_Draw(s.images, state, s.cacheDC, state * s.size, slot * s.size, ILD_TRANSPARENT);
    s.backgrounds[slot] = background;
    s.filled[slot] = true;
    return slot;
}

}  // namespace

HIMAGELIST create_state_images(HINSTANCE instance, int size)
{
    destroy_state_images();
    StateIconRecord& s = StateIcons;
    s.images = ImageList_Create(size, size, ILC_MASK | ILC_COLOR32, kStates, 0);
    if (!s.images) return nullptr;
    s.size = size;
    ImageList_SetBkColor(s.images, CLR_NONE);
    for (UINT id : kStateIcons) {
        HICON h = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
        ImageList_AddIcon(s.images, h);
        if (h) DestroyIcon(h);
    }
    return s.images;
}

void destroy_state_images()
{
    drop_cache();
    StateIconRecord& s = StateIcons;
    if (s.images) ImageList_Destroy(s.images);
    s.images = nullptr;
    s.size = 0;
}

HIMAGELIST state_images() { return StateIcons.images; }

void draw_state_icon(HDC dc, int state, COLORREF background, int x, int y)
{
    StateIconRecord& s = StateIcons;
    if (!s.images || state < 0 || state >= kStates) return;
    if (!make_cache(dc)) {
        ImageList_Draw(s.images, state, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    const int slot = cache_slot(background);
    BitBlt(dc, x, y, s.size, s.size, s.cacheDC, state * s.size, slot * s.size, SRCCOPY);
}
