// Adding to and removing from the NG lists: the list dialog (the entries by
// kind, the chosen ones removed, and the hiding settings), the title dialog
// (the selected thread's title edited before it is added), and the redraw
// of the open threads and the thread list after every change.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "store/nglist.h"

// Runs "NG一覧" modally over `owner`. Returns the dialog's result.
INT_PTR NgList_open(HWND owner);
// Runs "NGスレタイ登録" over `owner` for the thread list's selected row;
// nothing without one. Returns the dialog's result, 0 when not shown.
INT_PTR NgTitle_open(HWND owner);

// Adds an entry of `kind` with the text as shown (the first line of it, its
// outer blanks dropped; characters the code page lacks kept as references)
// and redraws what it hides. 1 when added; 0 after a message.
int ng_add_shown(NgKind kind, std::wstring_view shown);

// The view, its popups and the thread list redrawn for the lists as they
// now stand.
void ng_lists_changed();

// A row of the list dialog: the kind's label, ": " and the text as shown; an
// ID also the day it was added.
std::wstring ng_row_text(const NgEntry& entry);

constexpr wchar_t kNgKindLabels[kNgKindCount][8] = {L"ワード", L"名前", L"メール", L"ID", L"スレタイ"};
constexpr wchar_t kNgRowFormat[] = L"%ls: %ls";
constexpr wchar_t kNgIdRowFormat[] = L"%ls: %ls (%04d/%02d/%02d)";
