// The reply editor: the dialog in which a reply to the open thread is written
// and handed to post_res. Modeless when Settings.Flag has
// kFlagModelessReplyEditor (the user can go on reading), modal otherwise,
// where an unsent text is kept as a draft for the next opening. The
// new-thread editor is its modal kind with a title field above.
#pragma once
#include <windows.h>

#include "net/postform.h"
#include "store/boardtable.h"

constexpr int kReplyNameUnits = static_cast<int>(kPostNameChars) + 1;      // 133 characters
constexpr int kReplyMessageUnits = static_cast<int>(kPostMessageChars) + 1;  // 2047 characters

// The unsent texts of the modal kind; empty at start.
struct ReplyDraftRecord {
    wchar_t name[kReplyNameUnits];
    wchar_t mail[kReplyNameUnits];
    wchar_t message[kReplyMessageUnits];
};
extern ReplyDraftRecord ReplyDraft;

constexpr int kNewThreadTitleUnits = static_cast<int>(kPostSubjectChars) + 1;

// The unsent texts of the new-thread editor, its title among them.
struct NewThreadDraftRecord {
    wchar_t title[kNewThreadTitleUnits];
    ReplyDraftRecord texts;
};
extern NewThreadDraftRecord NewThreadDraft;

// Opens the editor from template 126 over `owner` (the main window). The
// modal kind returns 1 after a post that went through (command 40014 has
// then been posted to AppState.hwndMain) and 2 otherwise. The modeless kind
// returns 0 at once and stays open; a second opening brings it forward.
INT_PTR ReplyEditor_open(HWND owner);

// The new-thread editor: template 180, the reply editor's fields under a
// title, always modal, posting a new thread of `board`. IDOK after a post
// that went through, its title then copied into `postedTitle`
// (kNewThreadTitleUnits); IDCANCEL otherwise, the texts kept as a draft.
INT_PTR NewThreadEditor_open(HWND owner, const BoardEntry& board, wchar_t* postedTitle);

// The open modeless editor, or null. The message loop passes its messages to
// IsDialogMessage, so that Tab and Enter work in it.
HWND ReplyEditor_modeless();

INT_PTR CALLBACK ReplyEditorModalProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK ReplyEditorModelessProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// Text put into the mail field by the sage button.
constexpr wchar_t kSageText[] = L"sage";
