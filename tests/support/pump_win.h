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

// Delivers posted messages, round after round with a short pause so that
// what the window system sends in answer arrives too, until `done()` holds;
// false when it still does not after `rounds` rounds (about ten seconds
// unless more are given: a hang guard).
template <typename Done>
bool pump_until(Done done, int rounds = 1000)
{
    for (int round = 0; round < rounds; ++round) {
        pump_messages();
        if (done()) return true;
        Sleep(10);
    }
    return false;
}

// Gives `target`, inside the top-level window `top`, the keyboard focus as
// a user's tap would, and asks again after each round until the display has
// settled on it: a late focus change of the display would otherwise take
// it away again (and close a menu that opened meanwhile). False when the
// display never gives it.
inline bool take_focus(HWND top, HWND target)
{
    return pump_until([&] {
        if (GetForegroundWindow() == top && GetFocus() == target) return true;
        SetForegroundWindow(top);
        SetFocus(target);
        return false;
    });
}

// Handles everything the thread has to do but wait for its timers: posted and
// sent messages, input and paints, and what the display sends in answer.
inline bool pump_until_idle()
{
    return pump_until([] { return HIWORD(GetQueueStatus(QS_ALLINPUT & ~QS_TIMER)) == 0; });
}
