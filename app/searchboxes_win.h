// The two search boxes at the bottom of the views and the searches they run:
// ThreadSearchBox finds a title in the thread list, ResponseSearchBox finds
// text in the open thread below its top line. A box shows itself when it
// takes the focus and hides again when it loses it (unless Settings.Flag has
// kFlagSearchBoxAlwaysShown).
#pragma once
#include <windows.h>

constexpr wchar_t kSearchBoxClass[] = L"EDIT";
constexpr DWORD kSearchBoxStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;

// Each creates its box (control 1006, 1007) as a child of `main` with empty
// text, its input limited to what a search reads, its window procedure
// replaced by the search box procedure; stored in AppState. Null on failure.
HWND CreateThreadSearchBox(HWND main);
HWND CreateResponseSearchBox(HWND main);

// Finds the next thread-list row after the selected one (wrapping, never the
// selected row itself) whose title holds `text` without regard to case;
// selects, focuses and scrolls to it. No match changes nothing.
void SearchThreadList(const wchar_t* text);

// Finds the first line of the current thread after its top line that holds
// `text` (in code page 932, byte for byte) and makes it the top line. No
// match changes nothing; the search does not wrap.
void SearchThread(const wchar_t* text);
