// The response detail and copy dialog (template 131, "レス表示"): the
// response at the top of the response view in selectable fields; opening it
// copies that response's body to the clipboard.
#pragma once
#include <windows.h>

#include "store/responses.h"

// Runs the dialog modally over `owner` for the current open thread, on the
// response at the top of its view. Nothing without an open thread. Returns
// the dialog's result (2), or 0 when it was not shown.
INT_PTR ResponseDetail_open(HWND owner);

// The same for `thread`, opening on response `top`.
INT_PTR ResponseDetail_open_thread(HWND owner, const ResponseBuffer* thread, int32_t top);

INT_PTR CALLBACK ResponseDetailProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
