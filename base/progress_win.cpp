#include "base/progress_win.h"

#include "base/appstate.h"
#include "res/resource.h"

bool progress_dialog_top(HWND dialog, int* left, int* top)
{
    HWND owner = GetParent(dialog);
    RECT self, parent;
    if (!owner || !GetWindowRect(dialog, &self) || !GetClientRect(owner, &parent)) return false;
    int height = self.bottom - self.top;
    *left = self.left;
    *top = (parent.bottom - parent.top - height) / 3;
    return true;
}

void place_progress_dialog(HWND dialog)
{
    int left, top;
    if (progress_dialog_top(dialog, &left, &top))
        SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG: {
        if (lp) SetWindowTextW(dialog, reinterpret_cast<const wchar_t*>(lp));
        place_progress_dialog(dialog);
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            DestroyWindow(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

HWND CreateProgressDialog(HWND owner, const wchar_t* caption)
{
    HINSTANCE instance = program_instance();
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS), owner, ProgressDialogProc,
                              reinterpret_cast<LPARAM>(caption));
}

void SetProgressCaption(HWND dialog, const wchar_t* caption)
{
    if (dialog && IsWindow(dialog)) SetWindowTextW(dialog, caption);
}

void CloseProgressDialog(HWND dialog)
{
    if (dialog && IsWindow(dialog)) SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}
