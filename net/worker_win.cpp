#include <windows.h>

#include <atomic>
#include <cwchar>

#include "base/appstate.h"
#include "base/debugout.h"
#include "base/handles.h"
#include "base/progress_win.h"
#include "base/report.h"
#include "net/connection.h"
#include "net/worker.h"
#include "res/resource.h"

namespace {

DWORD WINAPI worker_thread(LPVOID param)
{
    WorkerTask* task = static_cast<WorkerTask*>(param);
    wchar_t line[96];
    swprintf(line, sizeof line / sizeof line[0], L"Start %ls\n", task->threadName);
    debug_output(line);
    if (task->run) task->run(task);
    swprintf(line, sizeof line / sizeof line[0], L"End %ls\n", task->threadName);
    debug_output(line);
    task->finished.store(1);
    task->flag.store(1);
    PostMessageW(task->dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    return 0;
}

struct WorkerDialog {
    WorkerTask* task;
    UniqueHandle thread;
};

INT_PTR on_init(HWND dialog, WorkerDialog* wd)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(wd));
    // One third down the owner's client area, as every progress dialog sits.
    place_progress_dialog(dialog);
    ShowWindow(dialog, SW_SHOW);
    wd->task->dialog = dialog;
    wd->task->flag.store(0);
    wd->task->finished.store(0);
    wd->thread.reset(CreateThread(nullptr, 0, worker_thread, wd->task, 0, nullptr));
    if (!wd->thread) EndDialog(dialog, 0);
    return TRUE;
}

INT_PTR on_command(HWND dialog, WorkerDialog* wd, WORD id)
{
    if (!wd) return FALSE;
    switch (id) {
    case IDOK:
        // Only the worker's own OK ends the dialog: an Enter key after a
        // cancel must not leave the worker running behind a closed dialog.
        if (wd->task->flag.load() == 1 && wd->task->finished.load() == 1) EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        wd->task->flag.store(1);
        return TRUE;
    default:
        return FALSE;
    }
}

// The dialog destroyed by its owner (the editor closed, the program ending)
// is a cancel like its close button: the worker must not go on waiting for a
// server behind a dialog that is gone.
void on_destroy(WorkerDialog* wd)
{
    if (wd) wd->task->flag.store(1);
    // The modal loop notices a dialog that is gone only at its next message,
    // and none may come: one is posted to the thread.
    PostMessageW(nullptr, WM_NULL, 0, 0);
}

INT_PTR CALLBACK WorkerDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WorkerDialog* wd = reinterpret_cast<WorkerDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        return on_init(dialog, reinterpret_cast<WorkerDialog*>(lParam));
    case WM_COMMAND:
        return on_command(dialog, wd, LOWORD(wParam));
    case WM_DESTROY:
        on_destroy(wd);
        return FALSE;
    default:
        return FALSE;
    }
}

// Touched on the UI thread only, where every operation starts.
bool g_operationRunning = false;

}  // namespace

bool network_operation_running() { return g_operationRunning; }

INT_PTR run_worker_task(HWND owner, WorkerTask* task)
{
    // The modeless reply editor leaves the main window usable while a post
    // runs; whatever it starts then must not share the running one's state.
    if (g_operationRunning) {
        report_failure(kTextNetworkBusy, kTextError);
        return 0;
    }
    g_operationRunning = true;
    WorkerDialog wd{task, UniqueHandle()};
    HINSTANCE instance = program_instance();
    INT_PTR r = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_NET_PROGRESS), owner, WorkerDialogProc,
                                reinterpret_cast<LPARAM>(&wd));
    const bool started = static_cast<bool>(wd.thread);
    if (started) {
        // The worker's last act was the OK; let it end before the task is
        // reused. A dialog closed otherwise has set the cancel flag, which
        // the worker reads at the end of its current one-second slice.
        WaitForSingleObject(wd.thread.get(), INFINITE);
        wd.thread.reset();
    }
    task->dialog = nullptr;
    g_operationRunning = false;
    if (r == 1) return 1;
    if (!started) report_failure(kTextWorkerFailed, kTextError);
    return 0;
}

namespace {
std::atomic<ProgressCaptionHook> g_captionHook{nullptr};
}

void set_progress_caption(HWND dialog, const wchar_t* text)
{
    if (!dialog) return;
    if (ProgressCaptionHook hook = g_captionHook.load()) hook(text);
    SetWindowTextW(dialog, text);
}

void set_progress_caption_hook(ProgressCaptionHook hook)
{
    g_captionHook.store(hook);
}
