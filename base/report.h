// The one way user-facing failures and questions reach the user: a message box
// with text and caption. Tests install a hook to see and answer every message.
#pragma once
#include <windows.h>

// Shows a message box owned by `owner` (may be null) and returns its answer
// (IDOK, IDYES, IDNO...). `type` is a MessageBox type (MB_OK by default).
int report_message(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type = MB_OK);

// Shows a failure with an OK button, owned by the main window (no owner
// before the main window exists).
void report_failure(const wchar_t* text, const wchar_t* caption);

// A hook sees every message instead of the user and returns the answer.
// Called on whatever thread reports, so it must be thread-safe. Null restores
// the message box.
using ReportHook = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
void set_report_hook(ReportHook hook);

// Texts that many operations report, after a path or alone.
constexpr wchar_t kTextOpenFailed[] = L"オープンに失敗";
constexpr wchar_t kTextWriteFailed[] = L"書き込みに失敗";
constexpr wchar_t kTextAllocFailed[] = L"Alloc失敗";
constexpr wchar_t kTextReAllocFailed[] = L"ReAlloc失敗";
constexpr wchar_t kTextLocalAllocFailed[] = L"LocalAlloc失敗";
constexpr wchar_t kTextLocalReAllocFailed[] = L"LocalReAlloc失敗";
constexpr wchar_t kCaptionShellError[] = L"Error";
