// The program's NG filter: built from the lists of "ng.txt" and the
// settings, and built again when either changes or the day turns (IDs
// lapse), so that open threads and the thread list are judged afresh.
#pragma once
#include "reader/ngfilter.h"

// The filter as the lists and settings now stand (never null).
const NgFilter* program_ng_filter();

// Reads "ng.txt" and makes the program's filter the one open threads are
// judged by; at start, after the settings.
void ng_start();

// Appends a code page 932 text as the view shows it to `out`: converted,
// references decoded (an NgWiden).
void ng_shown_text(std::string_view bytes, std::u16string& out);
