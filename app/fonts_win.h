// The installed font families (AppState.FontList) and the two display fonts
// (AppState.BodyFont, AppState.BoldFont).
#pragma once
#include <windows.h>

// Appends one record to FontList, growing it by one. 1 when stored; 0 when the
// list could not grow ("LocalAlloc失敗" / "LocalReAlloc失敗", caption
// "addFontsInfo", owner the main window): the family is then not stored and
// the list keeps what it had.
int addFontsInfo(const LOGFONTW* font);

// Fills FontList with the families of `dc` whose character set is Shift-JIS
// and whose face name does not begin with "@", each family once. After a
// failed allocation the enumeration stops: the families found so far stay.
void EnumerateFontList(HDC dc);

// Frees FontList.
void FreeFontList();

// Which records of FontList build the fonts: at start the first with the
// face name Settings.Font; the settings dialog goes through every record.
enum class FontSearch { FirstMatch, EveryMatch };

// Builds BodyFont (weight 100) and BoldFont (weight 700) from the FontList
// record named Settings.Font, with the height display_font_height(FontSize,
// AppState.pixelsPerInch), and clears both width caches. Without a match
// nothing changes. Fonts that are replaced are deleted.
void CreateDisplayFonts(FontSearch search = FontSearch::FirstMatch);

// Deletes BodyFont and BoldFont.
void DeleteDisplayFonts();

// Tests make the list's allocations fail.
using FontListAlloc = HLOCAL(WINAPI*)(UINT flags, SIZE_T bytes);
using FontListReAlloc = HLOCAL(WINAPI*)(HLOCAL mem, SIZE_T bytes, UINT flags);
void set_font_list_allocators(FontListAlloc alloc, FontListReAlloc realloc);
