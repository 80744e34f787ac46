#include "base/ticks.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<TickSource> g_source{nullptr};
}

uint32_t platform_ticks()
{
    TickSource source = g_source.load();
    return source ? source() : GetTickCount();
}

void set_tick_source(TickSource source) { g_source.store(source); }

namespace {
std::atomic<DaySource> g_daySource{nullptr};
}

int32_t platform_today()
{
    if (DaySource source = g_daySource.load()) return source();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wYear * 10000 + now.wMonth * 100 + now.wDay;
}

void set_day_source(DaySource source) { g_daySource.store(source); }
