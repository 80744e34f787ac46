// Steps that do nothing yet (see views_win.h).
#include "app/views_win.h"

void CreateResponseSearchBox(HWND) {}
void CreateOpenThreadSelector(HWND) {}
void CreateCategorySelector(HWND) {}
void CreateBoardSelector(HWND) {}
void FillCategorySelector() {}
void CreateThreadSearchBox(HWND) {}

void ComputeLayout(HWND) {}
void ApplyLayout() {}

void ShowOnlineState(int) {}
void SetMenuBarCheck(HWND, UINT, bool) {}
