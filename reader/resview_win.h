// The response view: the child window that draws the current open thread
// from its scroll position down, headers coloured, new ones bold, body lines
// wrapped to the width, off-screen and copied in one operation; it owns the
// thread's vertical scroll bar and measures its page steps at every paint.
// With no thread open it shows a splash. Its keys are in resnav_win.cpp.
#pragma once
#include <windows.h>

#include <cstdint>

#include "store/responses.h"

constexpr wchar_t kResponseViewClass[] = L"Res Window";
constexpr wchar_t kResponseViewText[] = L"Res Window";
constexpr int kBottomMargin = 16;    // no line starts this close to the bottom; also the splash's spacing
constexpr int kBodyIndent = 10;
constexpr COLORREF kViewBackground = RGB(255, 255, 255);
constexpr COLORREF kHeaderColour = RGB(0, 255, 0);
constexpr COLORREF kSageHeaderColour = RGB(255, 0, 0);
constexpr COLORREF kBodyColour = RGB(0, 0, 0);

// The splash with no thread open: three lines, centred.
constexpr int kSplashLineCount = 3;
extern const wchar_t* const kSplashLines[kSplashLineCount];

// Lines a page-down and a page-up move; measured at every paint (10 before
// the first).
extern int32_t PageScrollLines;
extern int32_t PageUpLines;

// Registers the class and creates the view as a child of `parent` with
// control id 1005, stored in AppState.responseView. 1 on success; 0 after
// "処理失敗" / "sureWnd_create".
int sureWnd_create(HWND parent);
constexpr wchar_t kTextProcessingFailed[] = L"処理失敗";
constexpr wchar_t kCaptionSureWndCreate[] = L"sureWnd_create";

// The creation sequence's step: sureWnd_create, and the view (null on
// failure).
HWND CreateResponseView(HWND parent);

LRESULT CALLBACK ResponseViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The thread the view shows and its scroll record; null when no thread is
// current. The entry may be emptied for a reload (lines null).
ResponseBuffer* current_thread();
ScrollRecord* current_scroll_record();

// Moves the current thread's top line by scroll `code` (ScrollCode), applies
// the record to the scroll bar and invalidates the view without erasing.
// Nothing happens with no thread current.
void ResponseView_scroll(HWND view, int code, int32_t thumb);

// Puts the current thread's top line at `position` directly in its record
// and invalidates the view with erasing; the scroll bar follows at the next
// paint.
void ResponseView_set_position(HWND view, int32_t position);

// One page of the current thread drawn into a new bitmap of the view's
// client size, exactly as a paint copies it to the screen; the page steps and
// the scroll record are measured as a paint does. Null with no thread current,
// while it is being reloaded, or when the platform gives no bitmap. The
// caller deletes the bitmap.
HBITMAP ResponseView_render(HWND view, int* linesDrawn = nullptr);

// The display line and character under `point` of the view's page, laid out
// as a paint lays it out.
struct LineHit;
LineHit ResponseView_hit(HWND view, POINT point);

// The splash drawn into `dc` over `client`.
void ResponseView_draw_splash(HDC dc, const RECT& client);

// The key handler (resnav_win.cpp), for the view's key-down message.
void ResponseView_keydown(HWND view, WPARAM key, LPARAM flags);

// A tap on the view (resnav_win.cpp): closes the popups over it, or opens
// what lies under it (an anchor, a header's number or ID).
void ResponseView_tap(HWND view, LPARAM point);
