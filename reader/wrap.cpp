#include "reader/wrap.h"

#include <cstring>

#include "store/format.h"
#include "store/sjis.h"

namespace {

bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

size_t char_units(const char16_t* text, size_t units)
{
    if (units >= 2 && is_high_surrogate(text[0]) && is_low_surrogate(text[1])) return 2;
    return units ? 1 : 0;
}

int char_width(const TextMeasurer& m, const char16_t* text, size_t length)
{
    // A pair's halves mean nothing alone, so a pair is never cached.
    const bool cacheable = m.cache && length == 1;
    if (cacheable) {
        uint8_t known = m.cache[static_cast<uint16_t>(text[0])];
        if (known != kWidthUnmeasured && known != kWidthMeasureAlways) return known;
    }
    int width = m.measure ? m.measure(m.context, text, length) : 0;
    if (width < 0) width = 0;
    if (cacheable && width > 0) {
        m.cache[static_cast<uint16_t>(text[0])] =
            width >= kWidthMeasureAlways ? kWidthMeasureAlways : static_cast<uint8_t>(width);
    }
    return width;
}

namespace {

// The units of the characters that lie wholly within `width` from the start.
size_t units_within(const TextMeasurer& m, const char16_t* text, size_t units, int width)
{
    size_t taken = 0;
    long long sum = 0;
    while (taken < units) {
        size_t length = char_units(text + taken, units - taken);
        sum += char_width(m, text + taken, length);
        if (sum > width) break;
        taken += length;
    }
    return taken;
}

}  // namespace

size_t fit_row(const TextMeasurer& m, const char16_t* text, size_t units, int width)
{
    size_t taken = units_within(m, text, units, width);
    if (taken == 0 && units > 0) taken = char_units(text, units);
    return taken;
}

size_t unit_at_x(const TextMeasurer& m, const char16_t* text, size_t units, int x)
{
    return units_within(m, text, units, x);
}

int count_rows(const TextMeasurer& m, const char16_t* text, size_t units, int width)
{
    int rows = 0;
    size_t at = 0;
    do {
        at += fit_row(m, text + at, units - at, width);
        ++rows;
    } while (at < units);
    return rows;
}

size_t sjis_whole_prefix(const char* text, size_t length)
{
    size_t at = 0;
    while (at < length) {
        size_t step = is_sjis_lead(static_cast<unsigned char>(text[at])) ? 2 : 1;
        if (at + step > length) break;
        at += step;
    }
    return at;
}

size_t format_header(char* out, size_t size, int number, const char* name, const char* mail,
                     const char* date)
{
    if (size == 0) return 0;
    int whole = libce_snprintf(out, size, "%d :%s %s %s", number, name ? name : "", mail ? mail : "",
                               date ? date : "");
    if (whole < 0) {
        out[0] = '\0';
        return 0;
    }
    if (static_cast<size_t>(whole) < size) return static_cast<size_t>(whole);
    // Cut: the last byte kept may be the first half of a character.
    size_t kept = sjis_whole_prefix(out, std::strlen(out));
    out[kept] = '\0';
    return kept;
}

bool header_is_sage(const char* header) { return header && std::strstr(header, " sage ") != nullptr; }
