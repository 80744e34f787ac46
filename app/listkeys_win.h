// The thread list view's arrow keys: Left and Right page through the list
// (Page Up, Page Down) instead of scrolling it sideways.
#pragma once
#include <windows.h>

// Replaces the view's window procedure by one that turns Left into Page Up
// and Right into Page Down in its key-down and key-up messages and hands
// everything to the view's own procedure. False when it cannot be replaced.
bool SubclassThreadListKeys(HWND view);
