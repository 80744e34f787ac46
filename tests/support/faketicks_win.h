// A clock of the test's own in place of the platform's tick counter, for as
// long as it lives: it stands still unless the test moves it, between two
// readings or from a hook called at every reading.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

#include "base/ticks.h"

class FakeTicks {
public:
    explicit FakeTicks(uint32_t start = 1000)
    {
        now().store(start);
        readings().store(0);
        current() = this;
        set_tick_source(read);
    }
    ~FakeTicks()
    {
        set_tick_source(nullptr);
        current() = nullptr;
    }
    FakeTicks(const FakeTicks&) = delete;
    FakeTicks& operator=(const FakeTicks&) = delete;

    void advance(uint32_t ms) { now() += ms; }
    void set(uint32_t ticks) { now().store(ticks); }
    uint32_t value() const { return now().load(); }
    int readings_so_far() const { return readings().load(); }

    // Called at every reading with its number (1 for the first), before the
    // clock is read: it may move the clock.
    void on_reading(std::function<void(int reading)> hook) { hook_ = std::move(hook); }

private:
    static std::atomic<uint32_t>& now()
    {
        static std::atomic<uint32_t> t{0};
        return t;
    }
    static std::atomic<int>& readings()
    {
        static std::atomic<int> n{0};
        return n;
    }
    static FakeTicks*& current()
    {
        static FakeTicks* c = nullptr;
        return c;
    }
    static uint32_t read()
    {
        int reading = ++readings();
        if (FakeTicks* self = current()) {
            if (self->hook_) self->hook_(reading);
        }
        return now().load();
    }

    std::function<void(int)> hook_;
};
