// The main window procedure: the switchboard that every command reaches.
#pragma once
#include <windows.h>

#include "app/commands_win.h"

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
