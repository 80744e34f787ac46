// The program's entry routine.
#include <windows.h>

#include "app/startup_win.h"
#include "base/appstate.h"
#include "platform/device.h"
#include "store/libce.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show)
{
    if (BringRunningInstanceToFront()) return 0;
    // On a desktop the handset's kind comes from the command line.
    platform_parse_command_line(commandLine);
    AppState.DeviceKind = DetermineDeviceKind();
    libce_init();
    if (!RegisterMainWindowClass(instance)) return 0;
    HWND main = CreateMainWindow(instance, show);
    if (!main) return 0;
    return RunMessageLoop(main);
}
