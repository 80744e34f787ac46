#include "app/fontrules.h"

bool font_family_listed(uint8_t charset, const wchar_t* faceName)
{
    return charset == kShiftJisCharset && faceName && faceName[0] != L'@';
}

int32_t display_font_height(int32_t fontSize, int32_t pixelsPerInch)
{
    int64_t h = static_cast<int64_t>(fontSize) * pixelsPerInch / 72;
    if (h > kMaxFontPixels) h = kMaxFontPixels;
    if (h < -kMaxFontPixels) h = -kMaxFontPixels;
    return static_cast<int32_t>(h > 0 ? -h : h);
}
