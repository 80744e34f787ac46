// The platform's millisecond tick counter, which wraps after about 49.7
// days. The timers and the time limits of the program read it here, so that
// tests can put a clock of their own in its place.
#pragma once
#include <cstdint>

uint32_t platform_ticks();

// Null puts back the platform's own counter.
using TickSource = uint32_t (*)();
void set_tick_source(TickSource source);

// Today's local date as YYYYMMDD; the lapse of dated list entries reads it
// here, so that tests can name a day of their own.
int32_t platform_today();
// Null puts back the platform's own calendar.
using DaySource = int32_t (*)();
void set_day_source(DaySource source);
