// The worker-thread pattern every network operation runs behind its modal
// progress dialog.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

// One network operation's block, shared by its starter (UI thread) and its
// worker. The starter fills the arguments and calls run_worker_task; the
// dialog starts the worker, which runs `run`, and the dialog ends once the
// worker has finished. `flag` is the cancel flag the operation watches.
struct WorkerTask {
    HWND dialog = nullptr;
    std::atomic<uint8_t> flag{0};       // 1: cancel asked for, or the worker finished
    std::atomic<uint8_t> finished{0};   // 1: the worker has stored its result
    const wchar_t* threadName = L"";    // "get_html_sabun_thread"
    void (*run)(WorkerTask* task) = nullptr;
};

struct GetWorkerTask : WorkerTask {
    char* result = nullptr;             // local-heap block, or null
    const wchar_t* url = nullptr;
    uint32_t* resultLength = nullptr;
    int32_t rangeStart = 0;
};

struct HeadWorkerTask : WorkerTask {
    uint8_t result = 0;                 // 1: the log has grown
    const wchar_t* url = nullptr;
    int32_t rangeStart = 0;
};

struct PostWorkerTask : WorkerTask {
    uint8_t result = 0;                 // 1: posted
    const wchar_t* name = nullptr;
    const wchar_t* mail = nullptr;
    const wchar_t* message = nullptr;
};

// Runs `task` behind the modal progress dialog (template 147) owned by
// `owner`, and returns once the worker has finished and its thread has ended.
// 1 when the worker ran, 0 when the dialog or the thread could not be made.
INT_PTR run_worker_task(HWND owner, WorkerTask* task);

// The operation's progress text in the dialog's caption (nothing when there
// is no dialog).
void set_progress_caption(HWND dialog, const wchar_t* text);
// Tests see every caption given to a progress dialog, in order, from whatever
// thread gives it. Null removes the hook.
using ProgressCaptionHook = void (*)(const wchar_t* text);
void set_progress_caption_hook(ProgressCaptionHook hook);
