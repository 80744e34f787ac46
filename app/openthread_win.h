// Opening the thread of the thread list's selected row: fetched first when
// online, parsed into a new entry of the open-thread table (or switched to
// when it is open already), recorded as held, and shown in ThreadMode.
#pragma once
#include <windows.h>

// Opens the thread of the selected row into the response view (switching to
// it when it is open already) and shows ThreadMode.
void open_selected_thread(HWND main);

constexpr wchar_t kCaptionOpenThread[] = L"open_selected_thread";
// The row's board is no longer in the board table (it was rebuilt).
constexpr wchar_t kTextBoardGone[] = L"このスレの板が板一覧にありません";
