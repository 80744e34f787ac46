// The main window procedure: the switchboard that every command reaches.
#pragma once
#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The exit command: closes every open thread behind a progress dialog that
// counts them down ("%d 終了処理中"), then closes the main window.
void ExitProgram(HWND main);
