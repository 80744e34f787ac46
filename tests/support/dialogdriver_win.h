// Drives a modal dialog from inside its own message loop: a thread timer of
// the test thread runs one step per tick once the dialog (found by its
// caption) is shown, so each step sees what the steps before it posted. A
// dialog still open long after its last step is cancelled, so that a broken
// test fails instead of hanging.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/pump_win.h"

class DialogDriver {
public:
    using Step = std::function<void(HWND dialog)>;

    explicit DialogDriver(std::wstring caption) : caption_(std::move(caption)) {}
    ~DialogDriver() { stop(); }

    DialogDriver& then(Step step)
    {
        steps_.push_back(std::move(step));
        return *this;
    }

    // Starts the timer; the caller then runs the modal dialog.
    void start(UINT periodMs = 40)
    {
        current() = this;
        timer_ = SetTimer(nullptr, 0, periodMs, tick);
    }

    void stop()
    {
        if (timer_) KillTimer(nullptr, timer_);
        timer_ = 0;
        if (current() == this) current() = nullptr;
    }

    bool all_steps_ran() const { return next_ == steps_.size(); }
    bool timed_out() const { return timedOut_; }

    // The top-level dialog window with this caption, if shown.
    static HWND find(const std::wstring& caption)
    {
        HWND w = FindWindowW(L"#32770", caption.c_str());
        return w && IsWindowVisible(w) ? w : nullptr;
    }

private:
    static DialogDriver*& current()
    {
        static DialogDriver* d = nullptr;
        return d;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogDriver* d = current();
        if (!d || d->busy_) return;
        HWND dialog = find(d->caption_);
        if (!dialog) return;
        d->busy_ = true;
        if (d->next_ < d->steps_.size()) {
            d->steps_[d->next_++](dialog);
        } else if (++d->idleTicks_ > 250) {
            d->timedOut_ = true;
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        }
        d->busy_ = false;
    }

    std::wstring caption_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    int idleTicks_ = 0;
    bool busy_ = false;
    bool timedOut_ = false;
    UINT_PTR timer_ = 0;
};

// Text of a dialog control.
inline std::wstring control_text(HWND dialog, int id)
{
    HWND c = GetDlgItem(dialog, id);
    int n = GetWindowTextLengthW(c);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    n = GetWindowTextW(c, &w[0], static_cast<int>(w.size()));
    w.resize(static_cast<size_t>(n > 0 ? n : 0));
    return w;
}
