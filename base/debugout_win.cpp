#include "base/debugout.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "base/ticks.h"

namespace {

std::atomic<DebugOutputHook> g_debugHook{nullptr};
// The timer's output buffer, shared as the timers are only used by the one
// running operation.
wchar_t g_timerLine[256];

}  // namespace

void debug_output(const wchar_t* text)
{
    OutputDebugStringW(text);
    if (DebugOutputHook hook = g_debugHook.load()) hook(text);
}

void set_debug_output_hook(DebugOutputHook hook) { g_debugHook.store(hook); }

ScopeTimer::ScopeTimer(const wchar_t* name) : start_(platform_ticks()), name_(name) {}

ScopeTimer::~ScopeTimer()
{
    end_ = platform_ticks();
    int ms = static_cast<int>(end_ - start_);
    swprintf(g_timerLine, sizeof g_timerLine / sizeof g_timerLine[0], L"%ls %d[ms]\n", name_ ? name_ : L"", ms);
    debug_output(g_timerLine);
}
