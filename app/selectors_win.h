// The three selectors of the main window: drop-down lists of the categories,
// of the chosen category's boards, and of the open threads. Their choices
// reach the main window as commands 1001, 1002 and 1003.
#pragma once
#include <windows.h>

constexpr wchar_t kSelectorClass[] = L"COMBOBOX";
constexpr wchar_t kCategorySelectorText[] = L"Category";
constexpr wchar_t kBoardSelectorText[] = L"Ita";
constexpr wchar_t kOpenThreadSelectorText[] = L"SureList";
constexpr DWORD kSelectorStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_HASSTRINGS | CBS_DROPDOWNLIST;

// Each creates its selector as a child of `main` from the layout values in
// AppState (ComputeLayout first) and stores it there; null on failure.
HWND CreateCategorySelector(HWND main);
HWND CreateBoardSelector(HWND main);
HWND CreateOpenThreadSelector(HWND main);

// Empties CategorySelector and adds the name of every category of
// CategoryTable, index 0 to the last, in table order; empties BoardSelector.
void FillCategorySelector();

// Empties BoardSelector and adds the names of the boards of category
// `category`, from its first to its last board index. A category outside the
// table, or one whose first board lies outside BoardTable, adds nothing; the
// rows stop at the end of BoardTable.
void FillBoardSelector(int category);
