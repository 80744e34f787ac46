// Popups of responses over the response view: the responses a response
// anchors, those that answer it, or those with its ID, drawn as the view draws
// them, sized to their content up to the view. They nest: following a
// response inside one opens another above it; closing one returns to the one
// below. The view keeps the focus and hands its keys to the top popup.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "reader/anchorindex.h"

constexpr wchar_t kPopupClass[] = L"Res Popup";
constexpr int kMaxPopupDepth = 8;
// Each popup stands this far right and down of the one below it.
constexpr int kPopupStepX = 8;
constexpr int kPopupStepY = 16;
constexpr int kPopupMargin = 4;
// The line shown for a response that is not in the log (yet).
constexpr wchar_t kTextNotFetchedFormat[] = L">>%d 未取得";

// The keys that follow the conversation, in the view and in a popup.
constexpr WPARAM kKeyFollowAnchors = 'F';
constexpr WPARAM kKeyFollowReplies = 'R';
constexpr WPARAM kKeyFollowSameId = 'I';
bool follow_for_key(WPARAM key, Follow* what);
// In the view: back to where it was before Enter in a popup jumped it.
constexpr WPARAM kKeyGoBack = 'B';

// Opens a popup of `responses` over `view`, above the top one. False (and
// nothing opened) for an empty list, without a thread, or at the deepest level.
bool ResponsePopup_open(HWND view, const std::vector<int32_t>& responses);

// Opens what `what` follows from response `r` of the current thread.
bool ResponsePopup_follow(HWND view, int32_t r, Follow what);

int ResponsePopup_depth();
void ResponsePopup_close_top();
void ResponsePopup_close_all();

// The view's key while a popup is open: lines and pages move the top popup;
// the follow keys open another; Enter jumps the view to the response at the
// popup's top; Back, Escape and Backspace close it. True when a popup took it.
bool ResponsePopup_keydown(HWND view, WPARAM key);

// Closes the popups when the view's thread is no longer the one they show
// (another thread, or a reload).
void ResponsePopup_close_if_stale();

// For tests and screenshots: a level's window, its responses, the response at
// its top.
HWND ResponsePopup_window(int level);
std::vector<int32_t> ResponsePopup_responses(int level);
int32_t ResponsePopup_top_response(int level);
