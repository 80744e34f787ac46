// A new thread from the thread list: the new-thread editor over the board
// the list shows, and after a post that went through the list fetched again
// and the new thread, found by its title among the newest, opened.
#pragma once
#include <windows.h>

// 40120 (Ctrl+N): the whole road above. Without a board that takes posts
// (none chosen, the favourite threads) it only says so.
void start_new_thread(HWND main);

constexpr wchar_t kCaptionNewThread[] = L"new_thread";
constexpr wchar_t kTextNoBoardForThread[] = L"スレを立てる板を選んでください";
// The post went through but the list does not show the thread (yet): said
// over the list, shown in ListMode.
constexpr wchar_t kTextNewThreadNotListed[] = L"立てたスレがスレ一覧に見つかりません";
