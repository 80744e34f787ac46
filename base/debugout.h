// The debug output and the timing lines written to it.
#pragma once
#include <cstdint>

// The platform's debug output. A hook (tests) sees every line as well.
void debug_output(const wchar_t* text);
using DebugOutputHook = void (*)(const wchar_t* text);
void set_debug_output_hook(DebugOutputHook hook);

// Writes "<name> <ms>[ms]\n" to the debug output when it goes out of scope.
// The name must outlive the timer.
class ScopeTimer {
public:
    explicit ScopeTimer(const wchar_t* name);
    virtual ~ScopeTimer();
    ScopeTimer(const ScopeTimer&) = delete;
    ScopeTimer& operator=(const ScopeTimer&) = delete;

private:
    uint32_t start_;
    uint32_t end_ = 0;
    const wchar_t* name_;
};
