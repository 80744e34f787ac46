// What the handset would tell about itself: its platform type and the size of
// its screen. On a desktop the answers come from the command line:
// "/smartphone" makes the program run as a Smartphone (else a Pocket PC),
// "/vga" gives a 480 x 640 client area instead of 240 x 320.
#pragma once
#include <windows.h>

constexpr int kQvgaClientWidth = 240;
constexpr int kQvgaClientHeight = 320;

// Reads the switches from a command line (the whole line or only its
// arguments; the switches are compared without regard to case). Every call
// starts again from a Pocket PC with a QVGA screen.
void platform_parse_command_line(const wchar_t* commandLine);

// The platform type string, "PocketPC" or "Smartphone", into `out` of `units`
// UTF-16 units with its terminator. False when it does not fit (out is then
// left empty when it has room for a terminator).
bool platform_get_type(wchar_t* out, UINT units);

// 1 for a QVGA screen, 2 for VGA: the bars and the client area scale by it.
int platform_scale();

// The client size that the main window gets on the handset's screen.
SIZE platform_client_size();

// Where and how large the platform makes a top-level window that asks for the
// default position and size: placed at the screen's top left corner with the
// handset's client size.
RECT platform_default_window_rect(DWORD style, DWORD exStyle);
