// The key-help dialogs: the response view's keys and the accelerators, each
// with one OK soft key, modal over `owner`. Each returns how it ended: 1 (OK),
// 2 (cancel), or -1 when it could not be shown.
#pragma once
#include <windows.h>

#include <cstdint>

// Key help: template 133 (the response view's keys) in ListMode, template 134
// (the accelerators) in ThreadMode. `view` is a ViewMode.
INT_PTR ShowKeyHelpDialog(HWND owner, int32_t view);
// Key help for the response view's keys (template 133) on its own, as the
// response view's key "H" shows it.
INT_PTR ShowResponseKeysDialog(HWND owner);
