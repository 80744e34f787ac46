// Rules of the display fonts that need no platform: which installed families
// are offered, and the height a point size gives on a screen.
#pragma once
#include <cstdint>

constexpr uint8_t kShiftJisCharset = 128;
// Larger heights (in pixels) are cut to this: a settings file or the settings
// dialog may hold any number, and no screen of a handset shows more.
constexpr int32_t kMaxFontPixels = 1000;

// A family is listed when its character set is Shift-JIS and its face name
// does not begin with "@" (the vertical-writing twin of a family).
bool font_family_listed(uint8_t charset, const wchar_t* faceName);

// h = size x pixels-per-inch / 72, truncated toward zero; the font height is
// -h when h is positive, else h (a request by character height). Computed
// without overflow and cut to +-kMaxFontPixels.
int32_t display_font_height(int32_t fontSize, int32_t pixelsPerInch);
