// Start and end of the program: the pieces of the entry routine, and the two
// sequences run by the main window's creation and destruction messages.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

// Entry routine, step 1: a running instance (a top-level window of class
// "quorvex") is brought to the foreground. True when one was found.
bool BringRunningInstanceToFront();

// Step 2: 1 Pocket PC, 2 Smartphone, 3 any other platform type (compared
// without regard to case), 0 when the platform cannot be asked.
int32_t DetermineDeviceKind();

// Step 4: the window class "quorvex". False on failure.
bool RegisterMainWindowClass(HINSTANCE instance);

// Step 5: stores the instance, creates the main window (running the
// creation sequence), stores its handle, shows and updates it. Null on
// failure.
HWND CreateMainWindow(HINSTANCE instance, int show);

// Step 6: the message loop with accelerator table 107 for the main window.
// Returns the quit message's value.
int RunMessageLoop(HWND main);

// The creation message: the whole initialisation in its fixed order. 0 when
// done; -1 when the sockets layer could not be started (after
// "WSAStartupエラーです" / "Error"): the window is then not created and the
// program ends cleanly instead of leaving an empty window.
LRESULT RunCreationSequence(HWND main);

// The destruction message: saves the settings, releases the open threads,
// destroys the bars, posts the quit message and shuts the sockets layer
// down. Only what the creation sequence set up is torn down.
void RunDestructionSequence(HWND main);

// Tests replace the sockets start-up to see the failure path.
using SocketStartup = int(WSAAPI*)(WORD version, LPWSADATA data);
void set_socket_startup(SocketStartup startup);
