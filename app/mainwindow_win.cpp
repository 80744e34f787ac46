// The main window's switchboard. For now it starts and ends the program; the
// commands of the menus, bars and selectors join it as their parts are built.
#include "app/mainwindow_win.h"

#include <cwchar>

#include "app/progress_win.h"
#include "app/shelltexts.h"
#include "app/softkeys_win.h"
#include "app/startup_win.h"
#include "reader/opentable_win.h"
#include "reader/responses.h"
#include "res/resource.h"

void ExitProgram(HWND main)
{
    HWND progress = CreateProgressDialog(main, kProgressShuttingDown);
    for (int i = OpenThreadTable.count - 1; i >= 0; --i) {
        wchar_t caption[64];
        swprintf(caption, sizeof caption / sizeof caption[0], kProgressShuttingDownCount, i);
        SetProgressCaption(progress, caption);
        Resdata_close(i, 0);
        --OpenThreadTable.count;
        --OpenThreadTable.current;
    }
    CloseProgressDialog(progress);
    SendMessageW(main, WM_CLOSE, 0, 0);
}

namespace {
LRESULT on_command(HWND hwnd, WPARAM wp, LPARAM lp)
{
    switch (LOWORD(wp)) {
    case IDM_EXIT:
        ExitProgram(hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, WM_COMMAND, wp, lp);
}
}  // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    TranslateBackKey(msg, wp, lp);
    switch (msg) {
    case WM_CREATE:
        return RunCreationSequence(hwnd);
    case WM_DESTROY:
        RunDestructionSequence(hwnd);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_COMMAND:
        return on_command(hwnd, wp, lp);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
