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
