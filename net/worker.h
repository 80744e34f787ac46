// The worker-thread pattern every network operation runs behind its modal
// progress dialog.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "store/responses.h"

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

// What a GET's caller learns of the reply beyond its body, and whether it
// handles a moved or missing file itself.
struct FetchAnswer {
    bool quiet = false;      // in: a redirect or a 404 is given back, not reported
    int status = 0;          // out: the reply's status, 0 when none was read
    std::string location;    // out: a redirect's Location
};

struct GetWorkerTask : WorkerTask {
    char* result = nullptr;             // local-heap block, or null
    const wchar_t* url = nullptr;
    uint32_t* resultLength = nullptr;
    int32_t rangeStart = 0;
    FetchAnswer* answer = nullptr;
};

struct HeadWorkerTask : WorkerTask {
    uint8_t result = 0;                 // 1: the log has grown
    const wchar_t* url = nullptr;
    int32_t rangeStart = 0;
};

// The thread a post goes to, copied from the open-thread table when the post
// starts: the main window may close or delete the thread meanwhile, and the
// worker never reads the table.
struct PostThread {
    bool open = false;
    BoardEntry board{};
    wchar_t fileName[kFileNameUnits] = {};
};

struct PostWorkerTask : WorkerTask {
    uint8_t result = 0;                 // 1: posted
    PostThread thread;
    const wchar_t* name = nullptr;
    const wchar_t* mail = nullptr;
    const wchar_t* message = nullptr;
    const wchar_t* subject = nullptr;   // a new thread's title; null for a reply
};

// A network operation that could not start: no dialog or no thread, or
// another one still running.
constexpr wchar_t kTextWorkerFailed[] = L"処理を開始できません";
constexpr wchar_t kTextNetworkBusy[] = L"通信中です\n終わってからもう一度どうぞ";

// Runs `task` behind the modal progress dialog (template 147) owned by
// `owner`, and returns once the worker has finished and its thread has ended.
// One operation runs at a time: the caches and buffers of the connection
// layer are the running one's. 1 when the worker ran; 0, reported, when
// another operation is running or the dialog or the thread could not be
// made. The dialog closed in any way (its close button, its owner destroyed,
// the program ending) cancels the operation.
INT_PTR run_worker_task(HWND owner, WorkerTask* task);
// True while a network operation runs.
bool network_operation_running();

// The operation's progress text in the dialog's caption (nothing when there
// is no dialog).
void set_progress_caption(HWND dialog, const wchar_t* text);
// Tests see every caption given to a progress dialog, in order, from whatever
// thread gives it. Null removes the hook.
using ProgressCaptionHook = void (*)(const wchar_t* text);
void set_progress_caption_hook(ProgressCaptionHook hook);
