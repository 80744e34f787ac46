#include "base/report.h"

#include <atomic>

#include "base/appstate.h"

namespace {
std::atomic<ReportHook> g_hook{nullptr};
}

int report_message(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    if (ReportHook hook = g_hook.load())
        return hook(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

void report_failure(const wchar_t* text, const wchar_t* caption)
{
    report_message(AppState.hwndMain, text, caption, MB_OK);
}

void set_report_hook(ReportHook hook)
{
    g_hook.store(hook);
}
