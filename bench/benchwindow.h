// The windows and fonts the drawing benchmarks stand on: a plain top-level
// frame for a view to live in, and the display font as the start-up makes it.
#pragma once
#include <windows.h>

// A visible pop-up frame of `width` x `height` at the screen's corner, of a
// class of its own (`className`) that does nothing of its own.
HWND bench_frame(const wchar_t* className, const wchar_t* title, int width, int height);

// The display font of `height` (negative: pixels of the character) and `weight`.
HFONT bench_font(int height, int weight);
