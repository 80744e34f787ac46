// A hang guard: if the test still runs after a generous ceiling, a thread of
// its own does what frees it (stopping a server, closing a dialog), so that a
// test that would hang fails instead. It measures nothing: a test asserts
// only that it never had to act.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>

#include "base/handles.h"

class HangGuard {
public:
    HangGuard(DWORD ceilingMs, std::function<void()> rescue)
        : ceilingMs_(ceilingMs), rescue_(std::move(rescue)), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        thread_.reset(CreateThread(nullptr, 0, watch, this, 0, nullptr));
    }
    ~HangGuard()
    {
        SetEvent(done_.get());
        if (thread_.valid()) WaitForSingleObject(thread_.get(), INFINITE);
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

    bool fired() const { return fired_.load(); }

private:
    static DWORD WINAPI watch(LPVOID param)
    {
        HangGuard* self = static_cast<HangGuard*>(param);
        if (WaitForSingleObject(self->done_.get(), self->ceilingMs_) == WAIT_TIMEOUT) {
            self->fired_ = true;
            self->rescue_();
        }
        return 0;
    }

    DWORD ceilingMs_;
    std::function<void()> rescue_;
    UniqueHandle done_;
    UniqueHandle thread_;
    std::atomic<bool> fired_{false};
};
