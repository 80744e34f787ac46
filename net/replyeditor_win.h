// The reply editor: the dialog in which a reply to the open thread is written
// and handed to post_res. Modeless when Settings.Flag has
// kFlagModelessReplyEditor (the user can go on reading), modal otherwise,
// where an unsent text is kept as a draft for the next opening.
#pragma once
#include <windows.h>

#include "net/postform.h"

constexpr int kReplyNameUnits = static_cast<int>(kPostNameChars) + 1;      // 133 characters
constexpr int kReplyMessageUnits = static_cast<int>(kPostMessageChars) + 1;  // 2047 characters

// The unsent texts of the modal kind; empty at start.
struct ReplyDraftRecord {
    wchar_t name[kReplyNameUnits];
    wchar_t mail[kReplyNameUnits];
    wchar_t message[kReplyMessageUnits];
};
extern ReplyDraftRecord ReplyDraft;

// Opens the editor from template 126 over `owner` (the main window). The
// modal kind returns 1 after a post that went through (command 40014 has
// then been posted to AppState.hwndMain) and 2 otherwise. The modeless kind
// returns 0 at once and stays open; a second opening brings it forward.
INT_PTR ReplyEditor_open(HWND owner);

// The open modeless editor, or null. The message loop passes its messages to
// IsDialogMessage, so that Tab and Enter work in it.
HWND ReplyEditor_modeless();

INT_PTR CALLBACK ReplyEditorModalProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK ReplyEditorModelessProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// Text put into the mail field by the sage button.
constexpr wchar_t kSageText[] = L"sage";
