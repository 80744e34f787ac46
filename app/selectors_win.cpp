#include "app/selectors_win.h"

#include <cwchar>

#include "base/appstate.h"
#include "res/resource.h"
#include "store/boardtable.h"

namespace {
HWND create_selector(HWND main, const wchar_t* text, int id, int x, int width)
{
    const RECT& list = AppState.listRect;
    // The height of a drop-down list includes its list: it reaches the bottom.
    HINSTANCE instance = program_instance();
    return CreateWindowExW(0, kSelectorClass, text, kSelectorStyle, x, list.top, width, list.bottom - list.top,
                           main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

// Names are fixed fields of the table: read at most the field, terminated here.
void add_name(HWND selector, const wchar_t (&field)[kBoardFieldUnits])
{
    wchar_t name[kBoardFieldUnits];
    size_t n = wcsnlen(field, kBoardFieldUnits - 1);
    wmemcpy(name, field, n);
    name[n] = L'\0';
    SendMessageW(selector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}
}  // namespace

HWND CreateCategorySelector(HWND main)
{
    const int w = AppState.selectorWidth;
    AppState.CategorySelector =
        create_selector(main, kCategorySelectorText, IDC_CATEGORY_SELECTOR, AppState.listRect.left, w);
    return AppState.CategorySelector;
}

HWND CreateBoardSelector(HWND main)
{
    const int w = AppState.selectorWidth;
    AppState.BoardSelector = create_selector(main, kBoardSelectorText, IDC_BOARD_SELECTOR, w + 1, w);
    return AppState.BoardSelector;
}

HWND CreateOpenThreadSelector(HWND main)
{
    AppState.OpenThreadSelector = create_selector(main, kOpenThreadSelectorText, IDC_OPEN_THREAD_SELECTOR,
                                                  AppState.listRect.left, 2 * AppState.selectorWidth);
    return AppState.OpenThreadSelector;
}

void FillCategorySelector()
{
    HWND selector = AppState.CategorySelector;
    if (!selector) return;
    SendMessageW(selector, CB_RESETCONTENT, 0, 0);
    int last = CategoryTable.lastCategory;
    if (last >= kCategoryMax) last = kCategoryMax - 1;
    for (int i = 0; i <= last; ++i) add_name(selector, CategoryTable.items[i].name);
    // No category is chosen now, and the board rows were the old table's.
    FillBoardSelector(-1);
}

void FillBoardSelector(int category)
{
    HWND selector = AppState.BoardSelector;
    if (!selector) return;
    SendMessageW(selector, CB_RESETCONTENT, 0, 0);
    if (category < 0 || category > CategoryTable.lastCategory || category >= kCategoryMax) return;
    const Category& c = CategoryTable.items[category];
    // The chosen board is the category's first index plus the selected row:
    // a range that does not start inside the table lists nothing, and one that
    // runs past its end stops there, so every row keeps its board.
    if (c.first < 0 || !BoardTable.items) return;
    for (int32_t i = c.first; i <= c.last && i < BoardTable.count; ++i) add_name(selector, BoardTable.items[i].name);
}
