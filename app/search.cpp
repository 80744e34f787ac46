#include "app/search.h"

#include <cstring>

#include "store/sjis.h"

namespace {
// Case folding of the capitals a title of the service carries in practice.
uint32_t fold(wchar_t c)
{
    uint32_t u = static_cast<uint32_t>(c);
    if (u >= 'A' && u <= 'Z') return u + 0x20;
    if (u >= 0xFF21 && u <= 0xFF3A) return u + 0x20;                 // full-width Ａ-Ｚ
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return u + 0x20;        // Latin-1 capitals
    if (u >= 0x391 && u <= 0x3A9 && u != 0x3A2) return u + 0x20;     // Greek Α-Ω
    if (u >= 0x410 && u <= 0x42F) return u + 0x20;                   // Cyrillic А-Я
    if (u >= 0x400 && u <= 0x40F) return u + 0x50;                   // Cyrillic Ѐ-Џ
    return u;
}
}  // namespace

bool title_contains(const wchar_t* title, size_t titleLength, const wchar_t* text, size_t textLength)
{
    if (!title || !text || textLength == 0 || textLength > titleLength) return false;
    for (size_t at = 0; at + textLength <= titleLength; ++at) {
        size_t i = 0;
        while (i < textLength && fold(title[at + i]) == fold(text[i])) ++i;
        if (i == textLength) return true;
    }
    return false;
}

int32_t found_row_scroll(int32_t rowTop, int32_t rowBottom, int32_t clientTop, int32_t clientBottom)
{
    int32_t d = rowTop - (rowBottom - rowTop);
    if (d < clientTop) return d;
    if (rowBottom - clientBottom > kFoundRowBottomMargin) return rowBottom - clientBottom + kFoundRowBottomMargin;
    return 0;
}

bool sjis_line_contains(const char* line, size_t lineLength, const char* text, size_t textLength)
{
    if (!line || !text || textLength == 0) return false;
    size_t at = 0;
    while (at < lineLength && lineLength - at >= textLength) {
        if (std::memcmp(line + at, text, textLength) == 0) return true;
        at += is_sjis_lead(static_cast<unsigned char>(line[at])) ? 2 : 1;
    }
    return false;
}
