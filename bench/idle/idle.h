// The window class of the start-up benchmark's do-nothing program, which the
// benchmark looks for as it looks for the program's main window.
#pragma once

constexpr wchar_t kIdleClass[] = L"quorvex-bench-idle";
