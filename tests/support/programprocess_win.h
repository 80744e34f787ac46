// The shipped program in a process of its own, started from a copy of its
// file in a folder of its own as a person starts it, and driven by what a
// person does: menu commands, keys, answers to its dialogs. Standard
// messages reach its windows across the process boundary; a message that
// carries a pointer (a list view's notification, say) would not.
#pragma once
#include <windows.h>

#include <string>

#include "base/handles.h"

class ProgramProcess {
public:
    ProgramProcess() = default;
    ~ProgramProcess() { end(); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Copies `program` into `folder` and starts the copy there; false when
    // either failed.
    bool start(const std::string& program, const std::string& folder);
    // Ends it if it still runs. Safe from another thread (a hang guard's).
    void end();
    // Waits up to `ms` for it to end by itself; false when it still runs.
    bool wait_exit(DWORD ms) const;
    bool running() const;

    // Its shown top-level window of class `windowClass` (with `caption` when
    // given), or null.
    HWND window(const wchar_t* windowClass, const wchar_t* caption = nullptr) const;
    // Its shown dialog or message box with `caption`, or null.
    HWND dialog(const wchar_t* caption) const { return window(L"#32770", caption); }
    // Each shown dialog's caption and texts, one a line, or that the program
    // has ended: what a failure says.
    std::string shown_dialogs() const;

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// A window's text as it answers WM_GETTEXT (a combo box's chosen row, say).
std::wstring sent_window_text(HWND window);
// The texts of a dialog's static controls, joined by " / " (what a message
// box says).
std::wstring dialog_texts(HWND dialog);
// Sends a message and waits up to `ms` for it to be handled; false when it
// was not (the program hung, or a dialog of its own waits for an answer).
bool handled_within(HWND window, UINT msg, WPARAM wp, LPARAM lp, DWORD ms);
// A key pressed and let go on `window`, handled within `ms`.
bool press_key(HWND window, UINT key, DWORD ms);
// A button of a dialog pressed (IDOK, IDCANCEL): posted, as a click is.
void press_button(HWND dialog, int button);
