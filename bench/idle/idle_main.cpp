// The start-up benchmark's do-nothing program: a windowed process like the
// program, which shows one window and waits for messages, so that its start
// is what Wine and the system cost before the program does anything.
#include <windows.h>

#include "bench/idle/idle.h"

namespace {

LRESULT CALLBACK idle_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = idle_proc;
    wc.hInstance = instance;
    wc.lpszClassName = kIdleClass;
    if (!RegisterClassW(&wc)) return 1;
    HWND w = CreateWindowExW(0, kIdleClass, L"idle", WS_OVERLAPPEDWINDOW, 0, 0, 240, 320, nullptr, nullptr,
                             instance, nullptr);
    if (!w) return 1;
    ShowWindow(w, show);
    UpdateWindow(w);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
}
