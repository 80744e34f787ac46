// Test helper: delivering what was posted to the test thread.
#pragma once
#include <windows.h>

// Handles every message waiting for the thread, as a message loop would,
// passing them through `dialog` (a modeless dialog) first when given.
inline void pump_messages(HWND dialog = nullptr)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Delivers posted messages `rounds` times with a pause after each, so that
// what the window system posts in answer is delivered too.
inline void pump_rounds(int rounds, DWORD pauseMs = 5)
{
    for (int i = 0; i < rounds; ++i) {
        pump_messages();
        Sleep(pauseMs);
    }
}
