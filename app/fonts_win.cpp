#include "app/fonts_win.h"

#include <cwchar>
#include <utility>

#include "app/fontrules.h"
#include "app/shelltexts.h"
#include "base/appstate.h"
#include "base/handles.h"
#include "base/report.h"
#include "reader/widthcache.h"
#include "store/settings.h"

namespace {
FontListAlloc g_alloc = LocalAlloc;
FontListReAlloc g_realloc = LocalReAlloc;

bool listed_already(const wchar_t* face)
{
    const FontListRecord& list = AppState.FontList;
    for (int32_t i = 0; i < list.count; ++i)
        if (wcscmp(list.items[i].lfFaceName, face) == 0) return true;
    return false;
}

int CALLBACK on_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM)
{
    if (!font_family_listed(font->lfCharSet, font->lfFaceName) || listed_already(font->lfFaceName)) return 1;
    // One failed allocation is enough: no message box per further family.
    return addFontsInfo(font);
}

void replace_font(HFONT* slot, HFONT font)
{
    if (*slot && *slot != font) DeleteObject(*slot);
    *slot = font;
}
}  // namespace

void set_font_list_allocators(FontListAlloc alloc, FontListReAlloc realloc)
{
    g_alloc = alloc ? alloc : LocalAlloc;
    g_realloc = realloc ? realloc : LocalReAlloc;
}

int addFontsInfo(const LOGFONTW* font)
{
    FontListRecord& list = AppState.FontList;
    LOGFONTW* items;
    if (!list.items) {
        items = static_cast<LOGFONTW*>(g_alloc(LPTR, sizeof(LOGFONTW)));
        if (!items) {
            report_message(AppState.hwndMain, kTextLocalAllocFailed, kCaptionAddFontsInfo, MB_OK);
            return 0;
        }
        list.count = 0;
    } else {
        SIZE_T bytes = sizeof(LOGFONTW) * (static_cast<SIZE_T>(list.count) + 1);
        items = static_cast<LOGFONTW*>(g_realloc(list.items, bytes, LMEM_MOVEABLE | LMEM_ZEROINIT));
        if (!items) {
            report_message(AppState.hwndMain, kTextLocalReAllocFailed, kCaptionAddFontsInfo, MB_OK);
            return 0;
        }
    }
    list.items = items;
    list.items[list.count] = *font;
    ++list.count;
    return 1;
}

void EnumerateFontList(HDC dc)
{
    LOGFONTW want = {};
    want.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(dc, &want, on_family, 0, 0);
}

void FreeFontList()
{
    LocalBlock<LOGFONTW> old(std::exchange(AppState.FontList.items, nullptr));
    AppState.FontList.count = 0;
}

void CreateDisplayFonts(FontSearch search)
{
    const FontListRecord& list = AppState.FontList;
    int32_t height = display_font_height(Settings.FontSize, AppState.pixelsPerInch);
    for (int32_t i = 0; i < list.count; ++i) {
        if (wcscmp(list.items[i].lfFaceName, Settings.Font) != 0) continue;
        LOGFONTW lf = list.items[i];
        lf.lfHeight = height;
        lf.lfWidth = 0;
        lf.lfWeight = 100;
        GdiObject<HFONT> body(CreateFontIndirectW(&lf));
        lf.lfWeight = 700;
        GdiObject<HFONT> bold(CreateFontIndirectW(&lf));
        if (body && bold) {
            replace_font(&AppState.BodyFont, body.release());
            replace_font(&AppState.BoldFont, bold.release());
            clear_width_caches();
        }
        if (search == FontSearch::FirstMatch) break;
    }
}

void DeleteDisplayFonts()
{
    replace_font(&AppState.BodyFont, nullptr);
    replace_font(&AppState.BoldFont, nullptr);
}
